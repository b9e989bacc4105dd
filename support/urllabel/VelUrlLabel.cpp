#include "support/urllabel/VelUrlLabel.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "platform/Desktop.h"

namespace {

TVelUrlLabel::OpenHook& Hook() {
  static TVelUrlLabel::OpenHook hook;
  return hook;
}

// Replaces every CR LF, left to right, by "%0A%0D".
std::string ReplaceLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "%0A%0D";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

const char* Scheme(TUrlType type) {
  switch (type) {
    case TUrlType::utCustom: return "";
    case TUrlType::utFile: return "file://";
    case TUrlType::utFtp: return "ftp://";
    case TUrlType::utGopher: return "gopher://";
    case TUrlType::utHttp: return "http://";
    case TUrlType::utHttps: return "https://";
    case TUrlType::utMail: return "mailto:";
    case TUrlType::utNews: return "news:";
    case TUrlType::utTelnet: return "telnet:";
    case TUrlType::utWais: return "wais:";
  }
  return "";
}

// "Tahoma" when the system has it, else "Arial": a family list, which
// fontconfig resolves in order of preference.
Fl_Font UrlLabelFont() {
  static const Fl_Font font = [] {
    const Fl_Font slot = FL_FREE_FONT;
    Fl::set_font(slot, " Tahoma,Arial");
    return slot;
  }();
  return font;
}

}  // namespace

std::string EncodeMailBody(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return ReplaceLineEnds(text);
}

std::string BuildUrl(const TUrlParts& parts) {
  if (parts.URLType == TUrlType::utCustom) return parts.CustomURLType + parts.URL;
  std::string url = Scheme(parts.URLType) + parts.URL;
  if (parts.URLType != TUrlType::utMail) return url;
  bool first = true;
  auto field = [&](const char* name, const std::string& value) {
    if (value.empty()) return;
    url += first ? "?" : "&";
    first = false;
    url += name;
    url += value;
  };
  field("Subject=", parts.MailSubject);
  field("Body=", EncodeMailBody(parts.MailBody));
  field("Bcc=", parts.Bcc);
  field("Cc=", parts.Cc);
  return url;
}

TVelUrlLabel::TVelUrlLabel(int x, int y, int w, int h, const char* caption) : Fl_Box(x, y, w, h) {
  if (caption) SetCaption(caption);
  box(FL_NO_BOX);
  align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  labelcolor(inactiveColor_);
  labelfont(UrlLabelFont());
  UpdateHint();
}

void TVelUrlLabel::SetCaption(const std::string& text) {
  // The toolkit reads "@" in a label as the start of a symbol name; a mail
  // address must show as it is written.
  std::string shown;
  for (char c : text) {
    shown += c;
    if (c == '@') shown += '@';
  }
  copy_label(shown.c_str());
}

std::string TVelUrlLabel::Caption() const {
  std::string text;
  for (const char* p = label() ? label() : ""; *p; ++p) {
    text += *p;
    if (p[0] == '@' && p[1] == '@') ++p;
  }
  return text;
}

std::string TVelUrlLabel::BuildUrl() const { return ::BuildUrl(parts_); }

void TVelUrlLabel::OpenUrl(const std::string& Url) {
  if (Hook()) {
    Hook()(Url);
    return;
  }
  platform::OpenUrl(Url);
}

void TVelUrlLabel::SetOpenHook(OpenHook hook) { Hook() = std::move(hook); }

void TVelUrlLabel::UpdateHint() {
  if (showUrlHint_) SetHint(BuildUrl());
}

void TVelUrlLabel::SetURL(const std::string& value) {
  parts_.URL = value;
  UpdateHint();
}

void TVelUrlLabel::SetURLType(TUrlType value) {
  parts_.URLType = value;
  UpdateHint();
}

void TVelUrlLabel::SetCustomURLType(const std::string& value) { parts_.CustomURLType = value; }

void TVelUrlLabel::SetMailSubject(const std::string& value) {
  parts_.MailSubject = value;
  UpdateHint();
}

void TVelUrlLabel::SetMailBody(const std::vector<std::string>& lines) {
  parts_.MailBody = lines;
  UpdateHint();
}

void TVelUrlLabel::SetBcc(const std::string& value) {
  parts_.Bcc = value;
  UpdateHint();
}

void TVelUrlLabel::SetCc(const std::string& value) {
  parts_.Cc = value;
  UpdateHint();
}

void TVelUrlLabel::SetShowUrlHint(bool value) {
  showUrlHint_ = value;
  if (value) {
    SetHint(BuildUrl());
  } else if (Hint() == BuildUrl()) {
    // A hint of the caller's own stays.
    SetHint("");
  }
}

void TVelUrlLabel::SetDetectMouse(bool value) {
  detectMouse_ = value;
  // A label that ignores the mouse is always underlined.
  underlined_ = !value;
  redraw();
}

std::string TVelUrlLabel::Hint() const { return tooltip() ? tooltip() : ""; }

void TVelUrlLabel::SetHint(const std::string& hint) {
  if (hint.empty()) copy_tooltip(nullptr);
  else copy_tooltip(hint.c_str());
}

void TVelUrlLabel::MouseEnter() {
  if (detectMouse_) {
    labelcolor(activeColor_);
    if (underlineOnEnter_) underlined_ = true;
    redraw();
  }
  if (OnMouseEnter) OnMouseEnter();
}

void TVelUrlLabel::MouseLeave() {
  if (detectMouse_) {
    labelcolor(inactiveColor_);
    underlined_ = false;
    redraw();
  }
  if (OnMouseLeave) OnMouseLeave();
}

void TVelUrlLabel::Click() { OpenUrl(BuildUrl()); }

int TVelUrlLabel::handle(int event) {
  switch (event) {
    case FL_ENTER:
      fl_cursor(FL_CURSOR_HAND);
      MouseEnter();
      Fl_Box::handle(event);
      return 1;
    case FL_LEAVE:
      fl_cursor(FL_CURSOR_DEFAULT);
      MouseLeave();
      Fl_Box::handle(event);
      return 1;
    case FL_PUSH:
      return 1;
    case FL_RELEASE:
      if (Fl::event_inside(this)) Click();
      return 1;
    default:
      return Fl_Box::handle(event);
  }
}

void TVelUrlLabel::draw() {
  Fl_Box::draw();
  if (!underlined_ || !label()) return;
  // FLTK labels have no underlined style: draw the line under the text.
  fl_font(labelfont(), labelsize());
  int tw = 0, th = 0;
  fl_measure(label(), tw, th, 0);
  const int base = y() + (h() - th) / 2 + th - fl_descent() + 1;
  fl_color(labelcolor());
  fl_line(x() + Fl::box_dx(box()), base, x() + Fl::box_dx(box()) + tw - 1, base);
}
