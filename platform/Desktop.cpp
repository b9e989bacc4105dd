#include "platform/Desktop.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace platform {

bool OpenUrl(const std::string& url) {
  if (url.empty()) return false;
  // Reap the child automatically; the caller never waits for the browser.
  std::signal(SIGCHLD, SIG_IGN);
  pid_t pid = 0;
  std::string prog = "xdg-open";
  char* argv[] = {prog.data(), const_cast<char*>(url.c_str()), nullptr};
  return posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0;
}

}  // namespace platform
