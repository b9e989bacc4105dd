// The standby program's about box: name, version, the simulator it is
// made for, a web link and a mail link.
#pragma once
#include <functional>
#include <memory>

class Fl_Box;
class Fl_Return_Button;
class Fl_Window;
class TVelUrlLabel;

namespace lunavex {

class TAboutBox {
 public:
  TAboutBox();
  ~TAboutBox();
  TAboutBox(const TAboutBox&) = delete;
  TAboutBox& operator=(const TAboutBox&) = delete;

  // Shows the box and waits until OK (or the close box) ends it.
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
};

}  // namespace lunavex
