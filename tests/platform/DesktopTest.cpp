// A saved window geometry checked against the screens: kept when it is
// sane and shows enough of itself on one screen, the defaults otherwise.
#include <gtest/gtest.h>

#include <climits>

#include "platform/Desktop.h"

namespace {

using platform::ScreenRect;
using platform::WindowGeometry;

TEST(Desktop, SavedGeometryCheckedAgainstLimitsAndScreens) {
  const WindowGeometry def{300, 108, 625, 419};
  const platform::GeometryLimits limits{50, 8192, 16384, 40};
  const std::vector<ScreenRect> one = {{0, 0, 1280, 1024}};
  const std::vector<ScreenRect> two = {{-1280, 0, 1280, 1024}, {0, 0, 1280, 1024}};
  struct Case {
    WindowGeometry g;
    std::vector<ScreenRect> screens;
    bool kept;
  } cases[] = {
      {{10, 20, 300, 400}, one, true},
      {{INT_MIN, INT_MIN, INT_MIN, INT_MIN}, one, false},
      {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, one, false},
      {{10, 20, 50, 50}, one, true},        // the smallest sides
      {{10, 20, 49, 300}, one, false},      // too low
      {{10, 20, 300, 8193}, one, false},    // too wide
      {{-16384, 20, 300, 400}, one, false}, // within the limits, off the screen
      {{-16385, 20, 300, 400}, {}, false},  // beyond the limits, no screen known
      {{-16384, 20, 300, 400}, {}, true},   // no screen known: the limits only
      {{-360, 20, 300, 400}, one, true},    // 40 px across on the screen
      {{-361, 20, 300, 400}, one, false},   // 39 px
      {{1240, 984, 300, 400}, one, true},   // 40 x 40 px at the far corner
      {{1241, 984, 300, 400}, one, false},
      {{-900, 20, 300, 400}, two, true},    // on the screen to the left
      {{10, 20, 300, 400}, {{INT_MAX - 10, 0, INT_MAX, 1024}}, false},  // an edge beyond the int range
  };
  for (const Case& c : cases) {
    const WindowGeometry got = platform::CheckedGeometry(c.g, def, limits, c.screens);
    EXPECT_EQ(got, c.kept ? c.g : def) << c.g.left << " " << c.g.top << " " << c.g.height << " " << c.g.width;
  }
}

}  // namespace
