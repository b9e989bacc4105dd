// The main display program's about box: product name, version, the
// simulator it is made for, a link to the program's read-me file and a
// mail link.
#pragma once
#include <functional>
#include <memory>
#include <string>

class Fl_Box;
class Fl_Return_Button;
class Fl_Window;
class TVelUrlLabel;

class TAboutBox {
 public:
  TAboutBox();
  ~TAboutBox();
  TAboutBox(const TAboutBox&) = delete;
  TAboutBox& operator=(const TAboutBox&) = delete;

  // The version label's text (kept by the box: the label shows this copy).
  void SetVersion(const std::string& text);
  std::string VersionText() const { return version_; }

  // Shows the box and waits until OK, Escape or the close box ends it.
  void ShowModal();
  // Tests look at the box instead of waiting for a user.
  using ModalHook = std::function<void(TAboutBox& box)>;
  static void SetModalHook(ModalHook hook);

  Fl_Window* Window() const { return window_.get(); }
  Fl_Box* ProductName = nullptr;
  Fl_Box* Version = nullptr;
  Fl_Box* Comments = nullptr;
  TVelUrlLabel* WebLink = nullptr;
  TVelUrlLabel* MailLink = nullptr;
  Fl_Box* ProgramIcon = nullptr;
  Fl_Return_Button* OKButton = nullptr;

 private:
  std::unique_ptr<Fl_Window> window_;
  std::string version_;
};
