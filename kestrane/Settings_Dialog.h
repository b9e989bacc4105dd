// The broker settings dialog of the main display program: host and port
// of the broker, OK and Cancel.
#pragma once
#include <functional>
#include <memory>
#include <string>

class Fl_Button;
class Fl_Input;
class Fl_Return_Button;
class Fl_Window;

class TOKBottomDlg {
 public:
  TOKBottomDlg();
  ~TOKBottomDlg();
  TOKBottomDlg(const TOKBottomDlg&) = delete;
  TOKBottomDlg& operator=(const TOKBottomDlg&) = delete;

  // Shows the dialog centred on the screen and waits until OK (Enter),
  // Cancel (Escape) or the close box ends it; true for OK.
  bool ShowModal();

  // Tests answer the dialog instead of a user: the hook gets the filled
  // dialog and returns true for OK. An empty hook restores the dialog.
  using ModalHook = std::function<bool(TOKBottomDlg& dialog)>;
  static void SetModalHook(ModalHook hook);

  Fl_Window* Window() const { return window_.get(); }
  Fl_Input* Edit1 = nullptr;  // host
  Fl_Input* Edit2 = nullptr;  // port
  Fl_Return_Button* OKBtn = nullptr;
  Fl_Button* CancelBtn = nullptr;

 private:
  std::unique_ptr<Fl_Window> window_;
  bool ok_ = false;
};
