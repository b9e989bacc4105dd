#include "platform/Desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

namespace platform {

std::vector<std::string> OpenUrlCommand(const std::string& url) { return {"xdg-open", url}; }

bool OpenUrl(const std::string& url) {
  if (url.empty()) return false;
  pid_t pid = 0;
  std::vector<std::string> command = OpenUrlCommand(url);
  std::vector<char*> argv;
  for (std::string& a : command) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  // The opener is reaped in the background; nobody waits for the browser,
  // and the rest of the program keeps its own child handling.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace platform
