// Frames drawn by the tests compared with their stored reference pictures
// (tests/reference/<name>.png).
//
// A frame matches when at most maxPixels pixels differ from the reference
// by more than levels in any of red, green and blue (alpha is not part of
// a picture anyone sees). Every frame is written to build/test-frames/
// <name>.png; on a mismatch a difference picture, the differing pixels in
// red over a grey copy of the frame, goes beside it as <name>-diff.png and
// the failure message names both files.
//
// With GC_UPDATE_REFERENCES=1 in the environment a frame that differs from
// its reference in any pixel, or has none, becomes the new reference
// (scripts/update-references); the comparison then passes.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The software renderer is not quite deterministic: from run to run a
// handful of pixels on glyph edges come out up to a few dozen levels apart
// (at most 3 of a 512 x 512 frame seen), hence the allowance of 10 pixels.
struct PictureTolerance {
  int levels = 8;
  // Share of the frame's pixels allowed beyond levels.
  double share = 0.00004;
};

// The tolerance of a frame whose still texts were put on the screen from
// the fonts' kept pixels: those differ by a few levels on the edge pixels
// of the glyphs, and now and then a pixel where a sliver of a glyph's
// triangles meets the pixel grid a hair differently.
PictureTolerance KeptTextTolerance();

// rgba: w x h pixels, four bytes each, bottom row first (as glReadPixels
// gives them). variant: not empty for a frame drawn another way that must
// look like the reference without ever becoming it (kept text); it is
// written as <name>-<variant>.png.
::testing::AssertionResult MatchesReference(const std::string& name, int w, int h,
                                            const std::vector<uint8_t>& rgba, PictureTolerance tol = {},
                                            const std::string& variant = "");

// PNG files of 8-bit RGBA pixels, bottom row first in memory.
bool WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgbaBottomUp);
bool ReadPng(const std::string& path, int& w, int& h, std::vector<uint8_t>& rgbaBottomUp);

}  // namespace testsupport
