// Desktop services: the taskbar toggle (Linux has no shared taskbar window
// to hide, so only the state is kept), opening links, and the screens a
// saved window geometry is checked against.
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

// A window's outer position and size, in screen pixels.
struct WindowGeometry {
  int left, top, height, width;
  bool operator==(const WindowGeometry&) const = default;
};
// One screen's area.
struct ScreenRect {
  int x, y, w, h;
};
// What a saved geometry may be: each side minSide..maxSide, left and top
// within +-maxPosition, and at least minVisible pixels across and down on
// one screen.
struct GeometryLimits {
  int minSide, maxSide, maxPosition, minVisible;
};
// A saved window geometry, or defaults when it is absurd or lies off every
// screen (with no screen known, only the limits are checked).
WindowGeometry CheckedGeometry(const WindowGeometry& g, const WindowGeometry& defaults,
                               const GeometryLimits& limits, const std::vector<ScreenRect>& screens);
// The screens of the display the program runs on.
std::vector<ScreenRect> Screens();

}  // namespace platform
