// Bitmap glyphs in display lists, standing in for wglUseFontBitmapsA.
#pragma once
#include "platform/FontOutlines.h"

namespace platform {

// Builds count display lists, listBase to listBase + count - 1, for the
// character codes first to first + count - 1 of dc's current font, each a
// glBitmap of the glyph rendered at the font's pixel height (the origin
// at the raster position on the baseline) that moves the raster position
// by one advance. False (and no list touched) when the font cannot be
// loaded or a list number is 0.
bool wglUseFontBitmapsA(HDC dc, unsigned first, unsigned count, unsigned listBase);

}  // namespace platform
