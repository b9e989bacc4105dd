#include "support/opengl/CgFontFI.h"

#include <GL/gl.h>

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
  ListBase = glGenLists(kCodeCount);
  platform::HFONT font = platform::CreateFontA(
      -10, 0, 0, 0, 100, false, false, false, platform::ANSI_CHARSET, platform::OUT_TT_PRECIS,
      platform::CLIP_DEFAULT_PRECIS, platform::ANTIALIASED_QUALITY,
      platform::DEFAULT_PITCH | platform::FF_DONTCARE, Face ? Face : "");
  platform::SelectObject(DC, font);
  if (ListBase != 0)
    platform::wglUseFontOutlinesA(DC, kFirstCode, kCodeCount, ListBase, 0.0f, kExtrusion,
                                  platform::WGL_FONT_POLYGONS, nullptr);
}

TCGFont3D::~TCGFont3D() {
  if (ListBase != 0) glDeleteLists(ListBase, kCodeCount);
}

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
  glCallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
  glLineWidth(lineWidth);
  glPopAttrib();
  glPopMatrix();
  glPolygonMode(GL_FRONT, GL_FILL);
  glEnable(GL_LINE_SMOOTH);
}
