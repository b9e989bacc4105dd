// The modal-dialog plumbing the programs' small dialogs share: OK and
// Cancel buttons that end the dialog, and showing a dialog until it ends.
#pragma once

class Fl_Widget;
class Fl_Window;

namespace platform {

// OK sets accepted and hides the dialog; Cancel, the close box and Escape
// clear it and hide the dialog. accepted must outlive the window.
void ConnectOkCancel(Fl_Window& window, Fl_Widget& ok, Fl_Widget& cancel, bool& accepted);
// OK (or the close box and Escape) hides the dialog.
void ConnectOk(Fl_Window& window, Fl_Widget& ok);
// Shows the window centred on the screen and runs the event loop until it
// is hidden.
void RunModal(Fl_Window& window);

}  // namespace platform
