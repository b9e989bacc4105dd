// Kestrane: the primary flight display and navigation display.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <clocale>

#include "kestrane/KestraneMain.h"
#include "shared/Udebug.h"
#include "platform/GLForm.h"
#include "platform/Signals.h"

int main(int argc, char** argv) {
  // The log's time of day follows the user's locale; numbers never do.
  std::setlocale(LC_TIME, "");
  Fl::scheme("gtk+");
  auto form = std::make_unique<TKestraneForm>();
  bool quit = false;
  // SIGTERM and SIGINT end the program as Exit does. During start-up (a
  // message box may be open) every window is closed and start-up ends.
  platform::InstallQuitSignals([&] {
    quit = true;
    platform::SetApplicationEnding(true);
    if (form->StartupComplete) {
      form->Exit1Click();
    } else {
      while (Fl_Window* w = Fl::first_window()) w->hide();
    }
  });
  // Start-up reads the settings, then shows the window and makes its context.
  const bool ready = form->FormCreate(argc, argv);
  if (ready && !quit) platform::RunMessageLoop();
  form->FormDestroy();
  form->Finalize();
  form.reset();
  return 0;
}
