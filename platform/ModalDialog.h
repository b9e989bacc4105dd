// The modal-dialog plumbing the programs' small dialogs share: OK and
// Cancel buttons that end the dialog, and showing a dialog until it ends.
#pragma once

class Fl_Box;
class Fl_Widget;
class Fl_Window;

namespace platform {

// OK sets accepted and hides the dialog; Cancel, the close box and Escape
// clear it and hide the dialog. accepted must outlive the window.
void ConnectOkCancel(Fl_Window& window, Fl_Widget& ok, Fl_Widget& cancel, bool& accepted);
// OK (or the close box and Escape) hides the dialog.
void ConnectOk(Fl_Window& window, Fl_Widget& ok);
// A text label, left-aligned inside its box.
Fl_Box* DialogLabel(int x, int y, int w, int h, const char* text);
// The one modal hook of a dialog class (its ModalHook type): tests set it
// to look at the dialog instead of waiting for a user.
template <typename Dialog>
typename Dialog::ModalHook& ModalHookOf() {
  static typename Dialog::ModalHook hook;
  return hook;
}
// Shows the window centred on the screen and runs the event loop until it
// is hidden.
void RunModal(Fl_Window& window);

}  // namespace platform
