#include "kestrane/About_Dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include "platform/ModalDialog.h"
#include "platform/Paths.h"
#include "support/urllabel/VelUrlLabel.h"

namespace {

// The program's icon: a compass rose arc over a dark screen.
class TProgramIcon : public Fl_Box {
 public:
  TProgramIcon(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}
  void draw() override {
    fl_color(fl_rgb_color(20, 20, 30));
    fl_rectf(x(), y(), w(), h());
    fl_color(FL_WHITE);
    fl_arc(x() + 4, y() + 8, w() - 8, h() - 8, 30, 150);
    fl_color(fl_rgb_color(102, 204, 255));
    const int cx = x() + w() / 2, cy = y() + h() - 10;
    fl_polygon(cx, cy - 10, cx - 5, cy + 4, cx + 5, cy + 4);
    fl_color(fl_rgb_color(225, 125, 225));
    fl_line(cx, cy - 10, cx + w() / 4, y() + 14);
  }
};

}  // namespace

void TAboutBox::SetModalHook(ModalHook hook) { platform::ModalHookOf<TAboutBox>() = std::move(hook); }

TAboutBox::TAboutBox() {
  window_ = std::make_unique<Fl_Window>(340, 240, "About");
  window_->begin();
  new Fl_Box(FL_DOWN_FRAME, 8, 8, 324, 180, nullptr);
  ProgramIcon = new TProgramIcon(20, 20, 48, 48);
  ProductName = new Fl_Box(88, 20, 230, 24, "External Kestrane");
  ProductName->labelsize(18);
  ProductName->labelfont(FL_BOLD);
  ProductName->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  Version = new Fl_Box(88, 46, 230, 20);
  Version->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  Comments = new Fl_Box(20, 84, 300, 20, "for Aerowinx Precision Simulator PS1.3");
  Comments->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  // The read-me file beside the program, and a placeholder contact.
  WebLink = new TVelUrlLabel(20, 120, 300, 20, "README.md");
  WebLink->SetURLType(TUrlType::utFile);
  WebLink->SetURL(platform::ProgramFolder() + "README.md");
  MailLink = new TVelUrlLabel(20, 150, 300, 20, "kestrane@example.org");
  MailLink->SetURLType(TUrlType::utMail);
  MailLink->SetURL("kestrane@example.org");
  MailLink->SetMailSubject("Kestrane");
  OKButton = new Fl_Return_Button(127, 200, 86, 30, "OK");
  window_->end();
  window_->set_modal();
  platform::ConnectOk(*window_, *OKButton);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::SetVersion(const std::string& text) {
  version_ = text;
  Version->label(version_.c_str());
}

void TAboutBox::ShowModal() {
  if (const ModalHook& hook = platform::ModalHookOf<TAboutBox>()) {
    hook(*this);
    return;
  }
  platform::RunModal(*window_);
}
