// Lunavex: the standby attitude indicator, airspeed indicator and
// altimeter, stacked in one window.
#include <memory>

#include "lunavex/LunavexMain.h"
#include "platform/GLForm.h"
#include "platform/Signals.h"

int main() {
  auto form = std::make_unique<lunavex::TLunavexForm>();
  // SIGTERM and SIGINT end the program as Exit does, settings written.
  platform::InstallQuitSignals([&] { form->Quit(); });
  form->Show();
  form->FormCreate();
  // The first resize handling moves the window to its saved place.
  form->FormResize();
  if (!form->Terminating()) platform::RunMessageLoop();
  form->Finalize();
  form.reset();
  return 0;
}
