// SIGTERM and SIGINT end the program the way its Exit command does: the
// signal is turned into a call on the GUI thread (self-pipe watched by the
// event loop), never handled inside the signal handler.
#pragma once
#include <functional>

namespace platform {

void InstallQuitSignals(std::function<void()> onQuit);

}  // namespace platform
