#include "lunavex/Settings_Dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Value_Slider.H>
#include <FL/Fl_Window.H>

#include "platform/ModalDialog.h"
#include "platform/Numbers.h"

namespace lunavex {

namespace {

Fl_Value_Slider* Slider(int x, int y, int w, int h, double lo, double hi) {
  auto* s = new Fl_Value_Slider(x, y, w, h);
  s->type(FL_HOR_NICE_SLIDER);
  s->bounds(lo, hi);
  s->step(1);
  return s;
}

}  // namespace

void TOKBottomDlg::SetModalHook(ModalHook hook) { platform::ModalHookOf<TOKBottomDlg>() = std::move(hook); }

TOKBottomDlg::TOKBottomDlg() {
  window_ = std::make_unique<Fl_Window>(390, 260, "PFD Settings");
  window_->begin();
  auto* frame = new Fl_Box(FL_ENGRAVED_FRAME, 10, 20, 370, 190, "Broker Settings");
  frame->align(FL_ALIGN_TOP_LEFT);
  platform::DialogLabel(20, 30, 150, 25, "TCP/IP Adress");
  Edit1 = new Fl_Input(180, 30, 190, 25);
  platform::DialogLabel(20, 65, 150, 25, "Port");
  Edit2 = new Fl_Input(180, 65, 80, 25);
  platform::DialogLabel(20, 100, 150, 25, "Instrumente Size");
  ScrollBar1 = Slider(180, 100, 190, 25, 0, 120);
  platform::DialogLabel(20, 135, 150, 25, "Instrumente Spacing");
  ScrollBar2 = Slider(180, 135, 190, 25, -50, 100);
  platform::DialogLabel(20, 170, 150, 25, "Decal Visible");
  CheckBox1 = new Fl_Check_Button(180, 170, 25, 25);
  OKBtn = new Fl_Return_Button(200, 222, 85, 28, "OK");
  CancelBtn = new Fl_Button(295, 222, 85, 28, "Cancel");
  window_->end();
  window_->set_modal();

  // The close box and Escape cancel.
  platform::ConnectOkCancel(*window_, *OKBtn, *CancelBtn, ok_);
}

TOKBottomDlg::~TOKBottomDlg() = default;

void TOKBottomDlg::SetValues(const TValues& v) {
  Edit1->value(v.Host.c_str());
  Edit2->value(v.Port.c_str());
  ScrollBar1->value(ScrollBar1->clamp(v.SizePercent));
  ScrollBar2->value(ScrollBar2->clamp(v.Spacing));
  CheckBox1->value(v.Decals ? 1 : 0);
}

TOKBottomDlg::TValues TOKBottomDlg::Values() const {
  TValues v;
  v.Host = Edit1->value();
  v.Port = Edit2->value();
  v.SizePercent = platform::SafeRound(ScrollBar1->value());
  v.Spacing = platform::SafeRound(ScrollBar2->value());
  v.Decals = CheckBox1->value() != 0;
  return v;
}

bool TOKBottomDlg::ShowModal() {
  if (const ModalHook& hook = platform::ModalHookOf<TOKBottomDlg>()) return hook(*this);
  ok_ = false;
  Edit1->take_focus();
  platform::RunModal(*window_);
  return ok_;
}

}  // namespace lunavex
