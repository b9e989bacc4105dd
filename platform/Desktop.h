// Desktop services: the taskbar toggle (Linux has no shared taskbar window
// to hide, so only the state is kept) and opening links.
#pragma once
#include <string>
#include <vector>

namespace platform {

class Taskbar {
 public:
  bool Shown() const { return shown_; }
  void Show() { shown_ = true; }
  void Hide() { shown_ = false; }

 private:
  bool shown_ = true;
};

// Opens a URL or file with the desktop's handler (xdg-open), started
// directly, without a shell. Returns false when it could not be started.
bool OpenUrl(const std::string& url);
// The program and arguments OpenUrl starts: the handler and the URL as its
// one argument, untouched (no shell sees it, so nothing needs quoting).
std::vector<std::string> OpenUrlCommand(const std::string& url);

}  // namespace platform
