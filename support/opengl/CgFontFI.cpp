#include "support/opengl/CgFontFI.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

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

namespace {

std::vector<TCGFont3D*>& LiveFonts() {
  static std::vector<TCGFont3D*> fonts;
  return fonts;
}

bool inRun = false;
const TCGFont3D* runFont = nullptr;  // whose kept strings are gathered

}  // namespace

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
  if (ListBase != 0) {
    platform::wglUseFontOutlinesA(DC, kFirstCode, kCodeCount, ListBase, 0.0f, kExtrusion,
                                  platform::WGL_FONT_POLYGONS, nullptr);
    // The same glyphs' front faces as arrays, for strings drawn in one go.
    if (!platform::GlyphFrontFaces(DC, kFirstCode, kCodeCount, 0.0f, &faces_)) faces_.clear();
  }
  boxes_.resize(faces_.size());
  for (std::size_t i = 0; i < faces_.size(); ++i) {
    const std::vector<float>& v = faces_[i].vertices;
    if (v.empty()) continue;
    cgtext::Box b{v[0], v[1], v[0], v[1]};
    for (std::size_t k = 0; k + 2 < v.size(); k += 3) {
      b.x0 = std::min(b.x0, v[k]);
      b.x1 = std::max(b.x1, v[k]);
      b.y0 = std::min(b.y0, v[k + 1]);
      b.y1 = std::max(b.y1, v[k + 1]);
    }
    boxes_[i] = b;
  }
  LiveFonts().push_back(this);
}

TCGFont3D::~TCGFont3D() {
  std::vector<TCGFont3D*>& fonts = LiveFonts();
  fonts.erase(std::remove(fonts.begin(), fonts.end(), this), fonts.end());
  if (runFont == this) runFont = nullptr;
  cache_.Release();
  if (ListBase != 0) glDeleteLists(ListBase, kCodeCount);
}

void TCGFont3D::BeginRun() { inRun = true; }

void TCGFont3D::EndRun() {
  FlushRun();
  inRun = false;
}

void TCGFont3D::FlushRun() {
  for (TCGFont3D* font : LiveFonts())
    if (font == runFont) font->cache_.Flush();
  runFont = nullptr;
}

void TCGFont3D::EndFrame() {
  FlushRun();
  inRun = false;
  for (TCGFont3D* font : LiveFonts())
    font->cache_.EndFrame([font](const std::string& codes) { font->DrawFrontFaces(codes); });
}

cgtext::Box TCGFont3D::StringBox(const std::string& codes) const {
  cgtext::Box box;
  bool any = false;
  float origin = 0;
  for (unsigned char code : codes) {
    const cgtext::Box& g = boxes_[code];
    if (g.x1 > g.x0 || g.y1 > g.y0) {
      if (!any) box = {origin + g.x0, g.y0, origin + g.x1, g.y1};
      box.x0 = std::min(box.x0, origin + g.x0);
      box.x1 = std::max(box.x1, origin + g.x1);
      box.y0 = std::min(box.y0, g.y0);
      box.y1 = std::max(box.y1, g.y1);
      any = true;
    }
    origin += static_cast<float>(faces_[code].advance);
  }
  return box;
}

void TCGFont3D::DrawFrontFaces(const std::string& codes) {
  // The glyphs laid side by side in one array: one draw for the string
  // instead of one per character, the same triangles in the same order.
  scratch_.clear();
  float origin = 0;
  for (unsigned char code : codes) {
    const platform::GlyphFaces& g = faces_[code];
    const std::size_t at = scratch_.size();
    scratch_.insert(scratch_.end(), g.vertices.begin(), g.vertices.end());
    for (std::size_t i = at; i < scratch_.size(); i += 3) scratch_[i] += origin;
    origin += static_cast<float>(g.advance);
  }
  glNormal3f(0, 0, 1);  // as the glyph lists leave it
  if (scratch_.empty()) return;
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, scratch_.data());
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(scratch_.size() / 3));
  glPopClientAttrib();
}

namespace {

// True when the plane z = Z of the glyphs' coordinates (and so every
// glyph's back face and the far end of its side walls) lies wholly outside
// the depth range of the clip volume while z = 0 lies inside it: x and y
// reach neither z nor w, so the whole plane is cut away by the near or far
// plane. The side walls stand edge-on to the screen: what the clipping
// leaves of them only strokes the outline a second time (a few edge pixels
// a shade brighter).
bool OnlyFrontFacesShow(const cgtext::Placement& p, float Z) {
  if (!p.affine) return false;
  const double z = p.depthPerZ * Z + p.depthAtZero;
  // Beyond either plane, and not on the edge: a clear margin so that
  // rounding cannot matter.
  return std::fabs(z) > p.w * 1.001 && std::fabs(p.depthAtZero) < p.w;
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
  glScalef(0.99f, 0.99f, 0.99f);  // glyphs at 99 % of the size about the origin
  // Extruded glyphs whose back face the depth range cuts away show only
  // their front faces: those are left out when they cannot reach a pixel,
  // put on the screen from the pixels kept of the string when it stands
  // still, or else drawn in one go.
  cgtext::Placement placement;
  const bool frontInside = cgtext::ReadPlacement(&placement);
  const bool frontOnly = faces_.size() == kCodeCount && OnlyFrontFacesShow(placement, -kExtrusion);
  // A list being compiled is drawn later under other matrices: it gets
  // every glyph.
  GLint compiling = 0;
  glGetIntegerv(GL_LIST_INDEX, &compiling);
  bool drawn = false;
  if (frontOnly && compiling == 0) {
    const cgtext::Box box = StringBox(codes);
    if (cgtext::DrawsNothing(placement, box)) {
      glNormal3f(0, 0, 1);  // what drawing would have left
      drawn = true;
    } else if (frontInside) {
      // Kept strings of another font gathered before go first.
      if (inRun && runFont != this) FlushRun();
      cache_.SetQueued(inRun);
      drawn = cache_.Draw(codes, box, placement);
      cache_.SetQueued(false);
      if (drawn && inRun) runFont = this;
    }
  }
  if (!drawn) {
    FlushRun();  // what was gathered lies under this
    // The glyphs' polygons as their outlines, smoothed, at the thinnest
    // line the driver draws.
    glPushAttrib(GL_LIST_BIT);
    glListBase(ListBase);
    glPolygonMode(GL_FRONT, GL_LINE);
    glEnable(GL_LINE_SMOOTH);
    GLfloat lineWidth = 1.0f;
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    glLineWidth(0.00000001f);
    if (frontOnly) DrawFrontFaces(codes);
    else glCallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
    glLineWidth(lineWidth);
    glPopAttrib();
  }
  glPopMatrix();
  glPolygonMode(GL_FRONT, GL_FILL);
  glEnable(GL_LINE_SMOOTH);
}
