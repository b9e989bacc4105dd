#include "platform/Desktop.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace platform {

std::vector<std::string> OpenUrlCommand(const std::string& url) { return {"xdg-open", url}; }

bool OpenUrl(const std::string& url) {
  if (url.empty()) return false;
  // Reap the child automatically; the caller never waits for the browser.
  std::signal(SIGCHLD, SIG_IGN);
  pid_t pid = 0;
  std::vector<std::string> command = OpenUrlCommand(url);
  std::vector<char*> argv;
  for (std::string& a : command) argv.push_back(a.data());
  argv.push_back(nullptr);
  return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
}

}  // namespace platform
