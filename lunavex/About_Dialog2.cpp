#include "lunavex/About_Dialog2.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include "platform/ModalDialog.h"
#include "support/urllabel/VelUrlLabel.h"

namespace lunavex {

namespace {

// The program's icon: a small attitude ball, sky over ground.
class TProgramIcon : public Fl_Box {
 public:
  TProgramIcon(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}
  void draw() override {
    fl_color(fl_rgb_color(40, 40, 40));
    fl_pie(x(), y(), w(), h(), 0, 360);
    const int inset = w() / 8;
    const int d = w() - 2 * inset;
    fl_color(fl_rgb_color(40, 110, 230));
    fl_pie(x() + inset, y() + inset, d, d, 0, 180);
    fl_color(FL_BLACK);
    fl_pie(x() + inset, y() + inset, d, d, 180, 360);
    fl_color(FL_WHITE);
    fl_line(x() + inset, y() + h() / 2, x() + w() - inset - 1, y() + h() / 2);
    fl_color(fl_rgb_color(255, 128, 0));
    fl_line(x() + w() / 4, y() + h() / 2, x() + w() / 2 - 3, y() + h() / 2);
    fl_line(x() + w() / 2 + 3, y() + h() / 2, x() + 3 * w() / 4, y() + h() / 2);
  }
};

}  // namespace

void TAboutBox::SetModalHook(ModalHook hook) { platform::ModalHookOf<TAboutBox>() = std::move(hook); }

TAboutBox::TAboutBox() {
  window_ = std::make_unique<Fl_Window>(330, 240, "About");
  window_->begin();
  new Fl_Box(FL_DOWN_FRAME, 8, 8, 314, 180, nullptr);
  ProgramIcon = new TProgramIcon(20, 20, 48, 48);
  ProductName = new Fl_Box(88, 20, 220, 24, "Lunavex");
  ProductName->labelsize(18);
  ProductName->labelfont(FL_BOLD);
  ProductName->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  Version = new Fl_Box(88, 46, 220, 20, "V 0.98.6 -  May 19th 2004");
  Version->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  Comments = new Fl_Box(20, 84, 290, 20, "for Aerowinx Precision Simulator PS1.3");
  Comments->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  WebLink = new TVelUrlLabel(20, 120, 290, 20, "www.example.org/lunavex");
  WebLink->SetURLType(TUrlType::utHttp);
  WebLink->SetURL("www.example.org/lunavex");
  MailLink = new TVelUrlLabel(20, 150, 290, 20, "lunavex@example.org");
  MailLink->SetURLType(TUrlType::utMail);
  MailLink->SetURL("lunavex@example.org");
  MailLink->SetMailSubject("Lunavex");
  OKButton = new Fl_Return_Button(122, 200, 86, 30, "OK");
  window_->end();
  window_->set_modal();
  platform::ConnectOk(*window_, *OKButton);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::ShowModal() {
  if (const ModalHook& hook = platform::ModalHookOf<TAboutBox>()) {
    hook(*this);
    return;
  }
  platform::RunModal(*window_);
}

}  // namespace lunavex
