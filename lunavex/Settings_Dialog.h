// The standby program's settings dialog: broker address and port,
// instrument size and spacing, decals.
#pragma once
#include <functional>
#include <memory>
#include <string>

class Fl_Button;
class Fl_Check_Button;
class Fl_Input;
class Fl_Return_Button;
class Fl_Slider;
class Fl_Window;

namespace lunavex {

class TOKBottomDlg {
 public:
  struct TValues {
    std::string Host;
    std::string Port;
    int SizePercent = 80;  // 0 to 120
    int Spacing = 0;       // -50 to 100
    bool Decals = false;
  };

  TOKBottomDlg();
  ~TOKBottomDlg();
  TOKBottomDlg(const TOKBottomDlg&) = delete;
  TOKBottomDlg& operator=(const TOKBottomDlg&) = delete;

  // Fills the controls (slider values are kept within their ranges).
  void SetValues(const TValues& v);
  TValues Values() const;
  // Shows the dialog and waits; true when it was closed with OK.
  bool ShowModal();

  // Tests answer the dialog instead of a user: the hook gets the filled
  // dialog and returns true for OK. An empty hook restores the dialog.
  using ModalHook = std::function<bool(TOKBottomDlg& dialog)>;
  static void SetModalHook(ModalHook hook);

  Fl_Window* Window() const { return window_.get(); }
  Fl_Input* Edit1 = nullptr;        // host
  Fl_Input* Edit2 = nullptr;        // port
  Fl_Slider* ScrollBar1 = nullptr;  // size percent
  Fl_Slider* ScrollBar2 = nullptr;  // spacing
  Fl_Check_Button* CheckBox1 = nullptr;
  Fl_Return_Button* OKBtn = nullptr;
  Fl_Button* CancelBtn = nullptr;

 private:
  std::unique_ptr<Fl_Window> window_;
  bool ok_ = false;
};

}  // namespace lunavex
