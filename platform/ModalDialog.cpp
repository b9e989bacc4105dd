#include "platform/ModalDialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>

namespace platform {

namespace {

void End(Fl_Widget* w, void* accepted, bool value) {
  if (accepted) *static_cast<bool*>(accepted) = value;
  if (Fl_Window* win = w->as_window()) win->hide();
  else if (Fl_Window* parent = w->window()) parent->hide();
}

}  // namespace

void ConnectOkCancel(Fl_Window& window, Fl_Widget& ok, Fl_Widget& cancel, bool& accepted) {
  ok.callback([](Fl_Widget* w, void* d) { End(w, d, true); }, &accepted);
  cancel.callback([](Fl_Widget* w, void* d) { End(w, d, false); }, &accepted);
  window.callback([](Fl_Widget* w, void* d) { End(w, d, false); }, &accepted);
}

void ConnectOk(Fl_Window& window, Fl_Widget& ok) {
  ok.callback([](Fl_Widget* w, void*) { End(w, nullptr, true); });
  window.callback([](Fl_Widget* w, void*) { End(w, nullptr, true); });
}

Fl_Box* DialogLabel(int x, int y, int w, int h, const char* text) {
  auto* box = new Fl_Box(x, y, w, h, text);
  box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  return box;
}

void RunModal(Fl_Window& window) {
  window.position((Fl::w() - window.w()) / 2, (Fl::h() - window.h()) / 2);
  window.show();
  while (window.shown()) Fl::wait();
}

}  // namespace platform
