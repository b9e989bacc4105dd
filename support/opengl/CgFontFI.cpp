#include "support/opengl/CgFontFI.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <string>

#include "platform/FontOutlines.h"

namespace {

constexpr unsigned kFirstCode = 32;
constexpr unsigned kLastCode = 176;  // the degree sign
constexpr unsigned kCodeCount = kLastCode - kFirstCode + 1;
// Depth of every glyph, whatever the caller asks for.
constexpr float kExtrusion = 0.2f;

TCGFont3D::PrintHook& Hook() {
  static TCGFont3D::PrintHook hook;
  return hook;
}

}  // namespace

void TCGFont3D::SetPrintHook(PrintHook hook) { Hook() = std::move(hook); }

TCGFont3D::TCGFont3D(const char* Face, float Size_, float /*Extrusion*/, platform::HDC DC) {
  Size = Size_;
  // A block that GL cannot give (0) leaves the font without lists: it then
  // draws nothing rather than someone else's lists.
  // The front faces alone, for strings whose extruded part lies wholly
  // beyond the depth range (see Print). Taken before the main block so
  // that the lists just past the main block stay free.
  flatListBase_ = glGenLists(kCodeCount);
  ListBase = glGenLists(kCodeCount);
  platform::HFONT font = platform::CreateFontA(
      -10, 0, 0, 0, 100, false, false, false, platform::ANSI_CHARSET, platform::OUT_TT_PRECIS,
      platform::CLIP_DEFAULT_PRECIS, platform::ANTIALIASED_QUALITY,
      platform::DEFAULT_PITCH | platform::FF_DONTCARE, Face ? Face : "");
  platform::SelectObject(DC, font);
  if (ListBase != 0)
    platform::wglUseFontOutlinesA(DC, kFirstCode, kCodeCount, ListBase, 0.0f, kExtrusion,
                                  platform::WGL_FONT_POLYGONS, nullptr);
  if (ListBase == 0 || flatListBase_ == 0 ||
      !platform::wglUseFontOutlinesA(DC, kFirstCode, kCodeCount, flatListBase_, 0.0f, 0.0f,
                                     platform::WGL_FONT_POLYGONS, nullptr)) {
    if (flatListBase_ != 0) glDeleteLists(flatListBase_, kCodeCount);
    flatListBase_ = 0;
  }
}

TCGFont3D::~TCGFont3D() {
  if (ListBase != 0) glDeleteLists(ListBase, kCodeCount);
  if (flatListBase_ != 0) glDeleteLists(flatListBase_, kCodeCount);
}

namespace {

// True when the plane z = Z of the current object space (and so every
// glyph's back face and the far end of its side walls) lies wholly outside
// the depth range of the clip volume: the projection and model-view map z
// to clip z without any part of x or y and leave w fixed, so the whole
// plane is cut away by the near or far plane. The side walls stand edge-on
// to the screen: what the clipping leaves of them only strokes the outline
// a second time (a few edge pixels a shade brighter).
bool PlaneBeyondDepthRange(float Z) {
  GLfloat m[16], p[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  // Rows 2 (z) and 3 (w) of p * m, column-major.
  double row[2][4];
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 4; ++c) {
      double v = 0;
      for (int k = 0; k < 4; ++k) v += static_cast<double>(p[k * 4 + 2 + r]) * m[c * 4 + k];
      row[r][c] = v;
    }
  const double* zr = row[0];
  const double* wr = row[1];
  // x and y must not reach z (a turn in depth) nor w (a perspective).
  if (zr[0] != 0 || zr[1] != 0 || wr[0] != 0 || wr[1] != 0 || wr[2] != 0 || !(wr[3] > 0)) return false;
  const double z = zr[2] * Z + zr[3], w = wr[3];
  // Beyond either plane, z = 0 (the front face) inside the range, and not
  // on the edge: a clear margin so that rounding cannot matter.
  const double front = zr[3];
  return std::fabs(z) > w * 1.001 && std::fabs(front) < w;
}

}  // namespace

void TCGFont3D::Print(const char* Text, float X, float Y, float Z) {
  if (Text == nullptr) return;
  // One leading blank is dropped.
  if (Text[0] == ' ') ++Text;
  if (const PrintHook& hook = Hook()) hook(*this, Text, X, Y, Z);
  if (ListBase == 0) return;

  // Offsets into the font's block, code 32 first. Bytes outside the font's
  // codes draw as blanks instead of calling lists beyond the block.
  const std::string codes = platform::GlyphListOffsets(Text, kFirstCode, kCodeCount);

  glPushMatrix();
  glScalef(Size, Size, Size);
  glTranslatef(X, Y, Z);
  glPushAttrib(GL_LIST_BIT);
  glListBase(ListBase);
  glPolygonMode(GL_FRONT, GL_LINE);
  glEnable(GL_LINE_SMOOTH);
  GLfloat lineWidth = 1.0f;
  glGetFloatv(GL_LINE_WIDTH, &lineWidth);
  glLineWidth(0.00000001f);  // the driver's thinnest line
  glScalef(0.99f, 0.99f, 0.99f);
  // Extruded glyphs whose back face the depth range cuts away show only
  // their front faces: those lists spare the clipping of the rest.
  if (flatListBase_ != 0 && PlaneBeyondDepthRange(-kExtrusion)) glListBase(flatListBase_);
  glCallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
  glLineWidth(lineWidth);
  glPopAttrib();
  glPopMatrix();
  glPolygonMode(GL_FRONT, GL_FILL);
  glEnable(GL_LINE_SMOOTH);
}
