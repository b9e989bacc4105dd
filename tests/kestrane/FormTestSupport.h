// Helpers of the tests that run the main form in the test process: a
// loopback listener to connect to, an event-loop pump and the form made
// and started up as the program makes it.
#pragma once
#include <FL/Fl.H>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "kestrane/KestraneMain.h"
#include "platform/GLForm.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "tests/common/TestSupport.h"

namespace formtest {

// A listening socket on 127.0.0.1 that accepts a client and ignores what
// it sends.
class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 4);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~Listener() { ::close(fd_); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Runs the event loop for the given time.
inline void Pump(double seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) Fl::wait(0.01);
}

// Runs the event loop until done() holds, at most maxSeconds (a loaded
// machine may be slow, never wrong); returns the seconds it took.
template <typename Done>
double PumpUntil(Done done, double maxSeconds = 30) {
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::duration<double>(maxSeconds);
  while (!done() && std::chrono::steady_clock::now() < end) Fl::wait(0.01);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The main form, started up from the test's folder with the staged images
// and message boxes recorded instead of shown. Null when start-up failed.
// pfdOnly: started with "-p".
inline std::unique_ptr<TKestraneForm> StartForm(bool pfdOnly = false) {
  platform::SetMessageBoxHook([](const std::string&, const std::string&) {});
  std::error_code ec;
  std::filesystem::create_directory_symlink(testsupport::StageDir() + "/bitmaps",
                                            platform::ProgramFolder() + "bitmaps", ec);
  auto form = std::make_unique<TKestraneForm>();
  const char* argv[] = {"kestrane", "-p"};
  if (!form->FormCreate(pfdOnly ? 2 : 1, argv)) return nullptr;
  return form;
}

// Ends the form as the program ends it (Exit, destroy, finalize) and
// removes the message-box hook.
inline void StopForm(std::unique_ptr<TKestraneForm>& form) {
  if (form) {
    form->Exit1Click();
    form->FormDestroy();
    form->Finalize();
    form.reset();
  }
  platform::SetMessageBoxHook(nullptr);
  // The next form in this process starts a program that is not ending.
  platform::SetApplicationEnding(false);
}

}  // namespace formtest
