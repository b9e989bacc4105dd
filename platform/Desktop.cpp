#include "platform/Desktop.h"

#include <FL/Fl.H>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
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

WindowGeometry CheckedGeometry(const WindowGeometry& g, const WindowGeometry& defaults,
                               const GeometryLimits& limits, const std::vector<ScreenRect>& screens) {
  const auto within = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
  if (!within(g.width, limits.minSide, limits.maxSide) || !within(g.height, limits.minSide, limits.maxSide) ||
      !within(g.left, -limits.maxPosition, limits.maxPosition) ||
      !within(g.top, -limits.maxPosition, limits.maxPosition))
    return defaults;
  if (screens.empty()) return g;
  // In 64 bits: a screen's edge plus its size may pass the int range.
  const auto overlap = [](std::int64_t a, std::int64_t aSize, std::int64_t b, std::int64_t bSize) {
    return std::min(a + aSize, b + bSize) - std::max(a, b);
  };
  for (const ScreenRect& s : screens)
    if (overlap(g.left, g.width, s.x, s.w) >= limits.minVisible &&
        overlap(g.top, g.height, s.y, s.h) >= limits.minVisible)
      return g;
  return defaults;
}

std::vector<ScreenRect> Screens() {
  std::vector<ScreenRect> screens;
  for (int i = 0; i < Fl::screen_count(); ++i) {
    ScreenRect s{};
    Fl::screen_xywh(s.x, s.y, s.w, s.h, i);
    screens.push_back(s);
  }
  return screens;
}

}  // namespace platform
