// Fonts selected into a device context and turned into OpenGL display
// lists, standing in for the Windows font calls: CreateFontA describes a
// font, SelectObject makes it the device context's current font, and
// wglUseFontOutlinesA / wglUseFontBitmapsA (platform/FontBitmaps.h) build
// one display list per character code from it.
//
// fontconfig finds the face (faces that do not exist here have one fixed
// substitute each, see FontFaceSubstitute), FreeType gives the outlines and
// bitmaps. Character codes are Windows-1252 bytes; codes without a glyph
// become blanks one space wide.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/GLForm.h"

namespace platform {

struct FontObject;
using HFONT = const FontObject*;

// The values CreateFontA takes that matter here.
constexpr unsigned ANSI_CHARSET = 0;
constexpr unsigned OUT_TT_PRECIS = 4;
constexpr unsigned CLIP_DEFAULT_PRECIS = 0;
constexpr unsigned ANTIALIASED_QUALITY = 4;
constexpr unsigned DEFAULT_PITCH = 0;
constexpr unsigned FF_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// What a font was created with.
struct LOGFONTA {
  int lfHeight = 0;  // < 0: character (em) height; > 0: cell height; 0: default
  int lfWidth = 0;
  int lfEscapement = 0;
  int lfOrientation = 0;
  int lfWeight = 0;
  bool lfItalic = false;
  bool lfUnderline = false;
  bool lfStrikeOut = false;
  unsigned lfCharSet = 0;
  unsigned lfOutPrecision = 0;
  unsigned lfClipPrecision = 0;
  unsigned lfQuality = 0;
  unsigned lfPitchAndFamily = 0;
  std::string lfFaceName;
};

// Describes a font. The handle stays valid until the process ends (equal
// descriptions share one handle); it is never null.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, bool italic,
                  bool underline, bool strikeOut, unsigned charSet, unsigned outPrecision,
                  unsigned clipPrecision, unsigned quality, unsigned pitchAndFamily, const char* face);
// Makes font the current font of dc (any handle, null included); returns
// the font that was current before (null for none).
HFONT SelectObject(HDC dc, HFONT font);
HFONT GetCurrentFont(HDC dc);
// The description a font was created with; false for a null handle.
bool GetFontDescription(HFONT font, LOGFONTA* out);

// The installed face that stands in for a face name that does not exist
// here ("Simplex"), or the name itself.
std::string FontFaceSubstitute(const std::string& face);
// File and face index of the installed font that fontconfig picks for a
// face, weight (100..1000) and slant; false when none can be found.
bool FindFontFile(const std::string& face, int weight, bool italic, std::string* file, int* index);

// Unicode code point of a Windows-1252 byte; 0 for the five undefined bytes.
char32_t Cp1252ToUnicode(unsigned char c);

// The list offsets glCallLists needs for text drawn with a block of count
// glyph lists starting at code first: a byte outside the block becomes
// offset 0 (the blank), never a list beyond the block.
std::string GlyphListOffsets(const char* text, unsigned first, unsigned count);

constexpr int WGL_FONT_LINES = 0;
constexpr int WGL_FONT_POLYGONS = 1;

struct POINTFLOAT {
  float x = 0, y = 0;
};
struct GLYPHMETRICSFLOAT {
  float gmfBlackBoxX = 0, gmfBlackBoxY = 0;
  POINTFLOAT gmfptGlyphOrigin;
  float gmfCellIncX = 0, gmfCellIncY = 0;
};

// Builds count display lists, listBase to listBase + count - 1, for the
// character codes first to first + count - 1 of dc's current font (a
// default face when none is selected). Glyphs are in em units (1 em = 1.0)
// with the baseline origin at (0, 0):
// - WGL_FONT_POLYGONS: the filled front face at z = 0 (facing +z),
//   tessellated into triangles; with a non-zero extrusion also the back
//   face at z = -extrusion (facing -z) and the side walls between them;
// - WGL_FONT_LINES: each contour as a line loop at z = 0.
// Each list ends with a move of one advance along +x. Curves are flattened
// to within deviation em (a small default when deviation <= 0). metrics,
// when given, receives count entries. False (and no list touched) when the
// font cannot be loaded or a list number is 0.
bool wglUseFontOutlinesA(HDC dc, unsigned first, unsigned count, unsigned listBase, float deviation,
                         float extrusion, int format, GLYPHMETRICSFLOAT* metrics);

// The filled front faces of glyphs as wglUseFontOutlinesA draws them with
// WGL_FONT_POLYGONS, for callers that draw many glyphs in one go: the
// triangles (x, y, z = 0 per vertex, three vertices each, counter-clockwise
// seen from +z, in the lists' order) and the advance, in em units.
struct GlyphFaces {
  std::vector<float> vertices;
  double advance = 0;
};
// One entry per code first to first + count - 1 of dc's current font;
// false (out untouched) when the font cannot be loaded.
bool GlyphFrontFaces(HDC dc, unsigned first, unsigned count, float deviation, std::vector<GlyphFaces>* out);

}  // namespace platform
