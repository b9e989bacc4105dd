#include "lunavex/CgFont.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <string>

#include "platform/FontBitmaps.h"
#include "platform/FontOutlines.h"

namespace lunavex {

namespace {

TCGFont3D::PrintHook& Hook() {
  static TCGFont3D::PrintHook hook;
  return hook;
}

platform::HFONT MakeFont(int height, int weight, const char* face) {
  return platform::CreateFontA(height, 0, 0, 0, weight, false, false, false, platform::ANSI_CHARSET,
                               platform::OUT_TT_PRECIS, platform::CLIP_DEFAULT_PRECIS,
                               platform::ANTIALIASED_QUALITY,
                               platform::DEFAULT_PITCH | platform::FF_DONTCARE, face ? face : "");
}

}  // namespace

TCGFont2D::TCGFont2D(const char* Face, int Size, int Weight_, platform::HDC DC) {
  Weight = std::min(Weight_, 1000);
  ListBase = glGenLists(kCount);
  // A negative height asks for the character height, as CreateFontA does;
  // the most negative int has no positive counterpart.
  const int height = Size == INT_MIN ? INT_MAX : -Size;
  platform::SelectObject(DC, MakeFont(height, Weight, Face));
  if (ListBase != 0) platform::wglUseFontBitmapsA(DC, kFirst, kCount, ListBase);
}

void TCGFont3D::SetPrintHook(PrintHook hook) { Hook() = std::move(hook); }

TCGFont3D::TCGFont3D(const char* Face, float Size_, float Extrusion, platform::HDC DC) {
  Size = Size_;
  ListBase = glGenLists(kCount);
  platform::SelectObject(DC, MakeFont(-10, 100, Face));
  if (ListBase != 0)
    platform::wglUseFontOutlinesA(DC, kFirst, kCount, ListBase, 0.0f, Extrusion,
                                  platform::WGL_FONT_POLYGONS, nullptr);
}

void TCGFont3D::Print(const char* Text, float X, float Y, float Z) const {
  if (Text == nullptr) return;
  if (const PrintHook& hook = Hook()) hook(*this, Text, X, Y, Z);
  if (ListBase == 0) return;

  // Offsets into the font's block. A byte outside the font's codes draws
  // as a blank instead of calling a list beyond the block.
  const std::string codes = platform::GlyphListOffsets(Text, kFirst, kCount);

  glPushMatrix();
  glScalef(Size, Size, Size);
  glTranslatef(X, Y, Z);
  glPushAttrib(GL_LIST_BIT);
  glListBase(ListBase);
  glCallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
  glPopAttrib();
  glPopMatrix();
}

}  // namespace lunavex
