#include "platform/FontBitmaps.h"

#include <GL/gl.h>
#include <ft2build.h>
#include FT_SYNTHESIS_H

#include <cstdlib>
#include <vector>

#include "platform/FontOutlinesInternal.h"

namespace platform {

namespace {

// Sets the face's pixel size from the font's height: negative is the
// character (em) height, positive the cell height (ascent + descent).
bool SetPixelHeight(FT_Face face, int height) {
  if (height == 0) height = -12;
  if (height < -4096) height = -4096;
  if (height > 4096) height = 4096;
  if (height < 0) return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(-height)) == 0;
  FT_Size_RequestRec req{};
  req.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
  req.height = static_cast<FT_Long>(height) << 6;
  return FT_Request_Size(face, &req) == 0;
}

}  // namespace

bool wglUseFontBitmapsA(HDC dc, unsigned first, unsigned count, unsigned listBase) {
  if (listBase == 0 || count == 0 || listBase > 0xFFFFFFFFu - count + 1) return false;
  std::lock_guard<std::mutex> lock(fontdetail::FontMutex());
  LOGFONTA desc;
  FT_Face face = fontdetail::FaceForDC(dc, &desc);
  if (!face || !SetPixelHeight(face, desc.lfHeight)) return false;
  // A bold weight on a face without a bold style is emboldened.
  const bool embolden = desc.lfWeight >= 600 && !(face->style_flags & FT_STYLE_FLAG_BOLD);

  float blankAdvance = 0;
  if (FT_UInt space = FT_Get_Char_Index(face, 0x20); space && FT_Load_Glyph(face, space, FT_LOAD_DEFAULT) == 0)
    blankAdvance = static_cast<float>(face->glyph->advance.x) / 64.0f;

  // Rows are flipped bottom-up and packed byte-aligned.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  std::vector<GLubyte> bits;
  for (unsigned i = 0; i < count; ++i) {
    const FT_UInt glyph = fontdetail::GlyphIndex(face, first + i);
    float advance = blankAdvance;
    int w = 0, h = 0;
    float xorig = 0, yorig = 0;
    bits.clear();
    if (glyph != 0 && FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) == 0) {
      FT_GlyphSlot slot = face->glyph;
      if (embolden) FT_GlyphSlot_Embolden(slot);
      if (slot->format == FT_GLYPH_FORMAT_BITMAP || FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0) {
        const FT_Bitmap& bm = slot->bitmap;
        advance = static_cast<float>(slot->advance.x) / 64.0f;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO && bm.width > 0 && bm.rows > 0) {
          w = static_cast<int>(bm.width);
          h = static_cast<int>(bm.rows);
          const std::size_t rowBytes = (static_cast<std::size_t>(w) + 7) / 8;
          bits.resize(rowBytes * static_cast<std::size_t>(h));
          const int pitch = bm.pitch;
          for (int r = 0; r < h; ++r) {
            // FreeType's rows run top-down (a negative pitch means bottom-up).
            const unsigned char* src = pitch >= 0 ? bm.buffer + static_cast<std::ptrdiff_t>(r) * pitch
                                                  : bm.buffer + static_cast<std::ptrdiff_t>(h - 1 - r) * -pitch;
            for (std::size_t b = 0; b < rowBytes; ++b) bits[static_cast<std::size_t>(h - 1 - r) * rowBytes + b] = src[b];
          }
          xorig = static_cast<float>(-slot->bitmap_left);
          yorig = static_cast<float>(h - slot->bitmap_top);
        }
      }
    }
    glNewList(listBase + i, GL_COMPILE);
    // An empty glyph still moves the raster position; a dummy byte keeps
    // the driver from refusing a null bitmap.
    static const GLubyte kNoBits[1] = {0};
    glBitmap(w, h, xorig, yorig, advance, 0.0f, bits.empty() ? kNoBits : bits.data());
    glEndList();
  }
  glPopClientAttrib();
  return true;
}

}  // namespace platform
