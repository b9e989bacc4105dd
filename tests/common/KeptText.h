// Frames whose still texts come from the fonts' kept pixels, as the
// program draws every frame after the first ones: the drawing harnesses
// draw a reference state three frames running with the program's frame end
// and compare the last with the reference picture of the edge-drawn frame.
#pragma once
#include <cstdint>

#include "shared/Ufonts.h"

namespace testsupport {

// Strings put on the screen from kept pixels so far, by all seven fonts.
inline std::uint64_t KeptStringsShown() {
  std::uint64_t n = 0;
  for (TCGFont3D* f : {Font035, Font040, Font045, Font050, Font6, Font8, Font10})
    if (f) n += f->CacheStatistics().hits;
  return n;
}

}  // namespace testsupport
