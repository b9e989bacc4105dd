// A dialog label that shows a link: it builds a URL from a type and its
// parts, shows the URL as its tooltip, turns its colour and underlines
// itself while the mouse is over it, and opens the URL with the desktop's
// handler when clicked.
#pragma once
#include <FL/Enumerations.H>
#include <FL/Fl_Box.H>

#include <functional>
#include <string>
#include <vector>

enum class TUrlType { utCustom, utFile, utFtp, utGopher, utHttp, utHttps, utMail, utNews, utTelnet, utWais };

// The URL of a link label's parts (see TVelUrlLabel::BuildUrl).
struct TUrlParts {
  TUrlType URLType = TUrlType::utCustom;
  std::string CustomURLType;
  std::string URL;
  std::string MailSubject;
  std::vector<std::string> MailBody;
  std::string Bcc;
  std::string Cc;
};
std::string BuildUrl(const TUrlParts& parts);

// Mail body text: each line followed by CR LF, every CR LF then written as
// "%0A%0D". Nothing else is escaped.
std::string EncodeMailBody(const std::vector<std::string>& lines);

class TVelUrlLabel : public Fl_Box {
 public:
  TVelUrlLabel(int x, int y, int w, int h, const char* caption = nullptr);
  ~TVelUrlLabel() override = default;

  // The text shown, exactly as given.
  void SetCaption(const std::string& text);
  std::string Caption() const;

  // The full URL of the current parts.
  std::string BuildUrl() const;
  // Opens Url with the desktop's handler; the result is ignored.
  static void OpenUrl(const std::string& Url);
  // Tests replace the opener so that no browser starts; an empty hook
  // restores the desktop's handler.
  using OpenHook = std::function<void(const std::string& url)>;
  static void SetOpenHook(OpenHook hook);

  const std::string& URL() const { return parts_.URL; }
  void SetURL(const std::string& value);
  TUrlType URLType() const { return parts_.URLType; }
  void SetURLType(TUrlType value);
  const std::string& CustomURLType() const { return parts_.CustomURLType; }
  void SetCustomURLType(const std::string& value);
  const std::string& MailSubject() const { return parts_.MailSubject; }
  void SetMailSubject(const std::string& value);
  const std::vector<std::string>& MailBody() const { return parts_.MailBody; }
  void SetMailBody(const std::vector<std::string>& lines);
  const std::string& Bcc() const { return parts_.Bcc; }
  void SetBcc(const std::string& value);
  const std::string& Cc() const { return parts_.Cc; }
  void SetCc(const std::string& value);

  bool ShowUrlHint() const { return showUrlHint_; }
  void SetShowUrlHint(bool value);
  bool DetectMouse() const { return detectMouse_; }
  void SetDetectMouse(bool value);
  bool UnderlineOnEnter() const { return underlineOnEnter_; }
  void SetUnderlineOnEnter(bool value) { underlineOnEnter_ = value; }
  Fl_Color ActiveColor() const { return activeColor_; }
  void SetActiveColor(Fl_Color c) { activeColor_ = c; }
  Fl_Color InactiveColor() const { return inactiveColor_; }
  void SetInactiveColor(Fl_Color c) { inactiveColor_ = c; }

  // The tooltip text ("" when none).
  std::string Hint() const;
  void SetHint(const std::string& hint);
  bool Underlined() const { return underlined_; }

  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

  // Mouse events, also called by handle().
  void MouseEnter();
  void MouseLeave();
  void Click();

  int handle(int event) override;
  void draw() override;

  static constexpr Fl_Color clBlue = 0x0000FF00;  // fl_rgb_color(0, 0, 255)
  static constexpr Fl_Color clNavy = 0x00008000;  // fl_rgb_color(0, 0, 128)

 private:
  void UpdateHint();
  TUrlParts parts_;
  bool showUrlHint_ = true;
  bool detectMouse_ = true;
  bool underlineOnEnter_ = true;
  bool underlined_ = false;
  Fl_Color activeColor_ = clBlue;
  Fl_Color inactiveColor_ = clNavy;
};
