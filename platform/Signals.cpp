#include "platform/Signals.h"

#include <FL/Fl.H>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {
int g_pipe[2] = {-1, -1};
std::function<void()> g_onQuit;

void Handler(int) {
  const char c = 'q';
  [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &c, 1);
}

void Readable(int fd, void*) {
  char buf[16];
  while (::read(fd, buf, sizeof buf) > 0) {
  }
  if (g_onQuit) g_onQuit();
}
}  // namespace

void InstallQuitSignals(std::function<void()> onQuit) {
  g_onQuit = std::move(onQuit);
  if (g_pipe[0] < 0) {
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0) return;
    Fl::add_fd(g_pipe[0], FL_READ, Readable, nullptr);
  }
  struct sigaction sa{};
  sa.sa_handler = Handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

}  // namespace platform
