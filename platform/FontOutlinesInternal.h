// Shared by the outline and bitmap font calls: the font registry, the
// device contexts' current fonts and the FreeType faces behind them.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>

#include "platform/FontOutlines.h"

namespace platform::fontdetail {

// Held while a face is used: FreeType faces are not thread-safe.
std::mutex& FontMutex();
// The face for a font (the current font of dc, or a default face when dc
// has none), loaded once and kept; null when no face can be loaded.
// Call with FontMutex() held.
FT_Face FaceForDC(HDC dc, LOGFONTA* description);
// FreeType glyph index of a Windows-1252 byte; 0 when the face lacks it.
FT_UInt GlyphIndex(FT_Face face, unsigned code);

}  // namespace platform::fontdetail
