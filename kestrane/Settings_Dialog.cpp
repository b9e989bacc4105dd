#include "kestrane/Settings_Dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

#include "platform/ModalDialog.h"

void TOKBottomDlg::SetModalHook(ModalHook hook) { platform::ModalHookOf<TOKBottomDlg>() = std::move(hook); }

TOKBottomDlg::TOKBottomDlg() {
  window_ = std::make_unique<Fl_Window>(360, 150, "ND Settings");
  window_->begin();
  auto* frame = new Fl_Box(FL_ENGRAVED_FRAME, 10, 20, 340, 80, "Broker Settings");
  frame->align(FL_ALIGN_TOP_LEFT);
  platform::DialogLabel(20, 30, 120, 25, "TCP/IP Adress");
  Edit1 = new Fl_Input(150, 30, 190, 25);
  platform::DialogLabel(20, 65, 120, 25, "Port");
  Edit2 = new Fl_Input(150, 65, 80, 25);
  OKBtn = new Fl_Return_Button(170, 112, 85, 28, "OK");
  CancelBtn = new Fl_Button(265, 112, 85, 28, "Cancel");
  window_->end();
  window_->set_modal();

  // The close box and Escape cancel.
  platform::ConnectOkCancel(*window_, *OKBtn, *CancelBtn, ok_);
}

TOKBottomDlg::~TOKBottomDlg() = default;

bool TOKBottomDlg::ShowModal() {
  if (const ModalHook& hook = platform::ModalHookOf<TOKBottomDlg>()) return hook(*this);
  ok_ = false;
  Edit1->take_focus();
  platform::RunModal(*window_);
  return ok_;
}
