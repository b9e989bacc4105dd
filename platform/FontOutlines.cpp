#include "platform/FontOutlines.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <strings.h>
#include <tuple>
#include <vector>

#include "platform/FontOutlinesInternal.h"

namespace platform {

struct FontObject {
  LOGFONTA desc;
};

namespace {

// Faces the programs ask for that are not installed here, each with the
// one installed face that stands in for it. "Simplex" is the displays'
// narrow sans: its digits are placed at 0.5 em steps, and Liberation Sans
// Narrow's digits are 0.456 em wide.
struct Substitute {
  const char* face;
  const char* installed;
};
constexpr Substitute kSubstitutes[] = {
    {"Simplex", "Liberation Sans Narrow"},
    {"Arial", "Liberation Sans"},
};
// Used when a device context has no font selected.
constexpr const char* kDefaultFace = "Liberation Sans";

struct State {
  std::mutex mutex;
  std::vector<std::unique_ptr<FontObject>> fonts;
  std::map<HDC, HFONT> selected;
  FT_Library library = nullptr;
  bool libraryFailed = false;
  // Faces by file and index.
  std::map<std::pair<std::string, int>, FT_Face> faces;
  // fontconfig answers by face, weight and slant.
  std::map<std::tuple<std::string, int, bool>, std::pair<std::string, int>> matches;

  ~State() {
    for (auto& f : faces)
      if (f.second) FT_Done_Face(f.second);
    if (library) FT_Done_FreeType(library);
  }
};

State& S() {
  static State state;
  return state;
}

bool SameDescription(const LOGFONTA& a, const LOGFONTA& b) {
  return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfEscapement == b.lfEscapement &&
         a.lfOrientation == b.lfOrientation && a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic &&
         a.lfUnderline == b.lfUnderline && a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
         a.lfOutPrecision == b.lfOutPrecision && a.lfClipPrecision == b.lfClipPrecision &&
         a.lfQuality == b.lfQuality && a.lfPitchAndFamily == b.lfPitchAndFamily &&
         a.lfFaceName == b.lfFaceName;
}

// Windows weights: 0 means "don't care" (normal); others 1..1000.
int EffectiveWeight(int weight) {
  if (weight <= 0) return FW_NORMAL;
  return std::min(weight, 1000);
}

bool MatchFont(const std::string& face, int weight, bool italic, std::string* file, int* index) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(EffectiveWeight(weight)));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool ok = false;
  if (match) {
    FcChar8* path = nullptr;
    int idx = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
      if (FcPatternGetInteger(match, FC_INDEX, 0, &idx) != FcResultMatch) idx = 0;
      *file = reinterpret_cast<const char*>(path);
      *index = idx;
      ok = true;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return ok;
}

}  // namespace

// ---- font objects and device contexts ---------------------------------------

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, bool italic,
                  bool underline, bool strikeOut, unsigned charSet, unsigned outPrecision,
                  unsigned clipPrecision, unsigned quality, unsigned pitchAndFamily, const char* face) {
  LOGFONTA d;
  d.lfHeight = height;
  d.lfWidth = width;
  d.lfEscapement = escapement;
  d.lfOrientation = orientation;
  d.lfWeight = weight;
  d.lfItalic = italic;
  d.lfUnderline = underline;
  d.lfStrikeOut = strikeOut;
  d.lfCharSet = charSet;
  d.lfOutPrecision = outPrecision;
  d.lfClipPrecision = clipPrecision;
  d.lfQuality = quality;
  d.lfPitchAndFamily = pitchAndFamily;
  d.lfFaceName = face ? face : "";
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const auto& f : s.fonts)
    if (SameDescription(f->desc, d)) return f.get();
  s.fonts.push_back(std::make_unique<FontObject>(FontObject{d}));
  return s.fonts.back().get();
}

HFONT SelectObject(HDC dc, HFONT font) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  HFONT& slot = s.selected[dc];
  HFONT previous = slot;
  slot = font;
  return previous;
}

HFONT GetCurrentFont(HDC dc) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.selected.find(dc);
  return it == s.selected.end() ? nullptr : it->second;
}

bool GetFontDescription(HFONT font, LOGFONTA* out) {
  if (!font || !out) return false;
  *out = font->desc;
  return true;
}

std::string FontFaceSubstitute(const std::string& face) {
  for (const auto& sub : kSubstitutes)
    if (strcasecmp(face.c_str(), sub.face) == 0) return sub.installed;
  return face;
}

bool FindFontFile(const std::string& face, int weight, bool italic, std::string* file, int* index) {
  const std::string family = FontFaceSubstitute(face.empty() ? kDefaultFace : face);
  State& s = S();
  const auto key = std::make_tuple(family, EffectiveWeight(weight), italic);
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.matches.find(key);
    if (it != s.matches.end()) {
      *file = it->second.first;
      *index = it->second.second;
      return !file->empty();
    }
  }
  std::string f;
  int i = 0;
  const bool ok = MatchFont(family, weight, italic, &f, &i);
  std::lock_guard<std::mutex> lock(s.mutex);
  s.matches[key] = ok ? std::make_pair(f, i) : std::make_pair(std::string(), 0);
  *file = f;
  *index = i;
  return ok;
}

std::string GlyphListOffsets(const char* text, unsigned first, unsigned count) {
  std::string codes(text ? text : "");
  for (char& c : codes) {
    const unsigned u = static_cast<unsigned char>(c);
    c = static_cast<char>(u < first || u >= first + count ? 0u : u - first);
  }
  return codes;
}

char32_t Cp1252ToUnicode(unsigned char c) {
  // 0x80..0x9F differ from Latin-1; five of them are undefined.
  static constexpr char32_t k80[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  if (c >= 0x80 && c <= 0x9F) return k80[c - 0x80];
  return c;
}

namespace fontdetail {

std::mutex& FontMutex() {
  static std::mutex m;
  return m;
}

FT_Face FaceForDC(HDC dc, LOGFONTA* description) {
  LOGFONTA desc;
  desc.lfWeight = FW_NORMAL;
  desc.lfHeight = -12;
  desc.lfFaceName = kDefaultFace;
  if (HFONT font = GetCurrentFont(dc)) desc = font->desc;
  if (description) *description = desc;
  std::string file;
  int index = 0;
  if (!FindFontFile(desc.lfFaceName, desc.lfWeight, desc.lfItalic, &file, &index)) return nullptr;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.library && !s.libraryFailed && FT_Init_FreeType(&s.library) != 0) {
    s.library = nullptr;
    s.libraryFailed = true;
  }
  if (!s.library) return nullptr;
  auto key = std::make_pair(file, index);
  auto it = s.faces.find(key);
  if (it != s.faces.end()) return it->second;
  FT_Face face = nullptr;
  if (FT_New_Face(s.library, file.c_str(), index, &face) != 0) face = nullptr;
  if (face && FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
    FT_Set_Charmap(face, face->charmaps[0]);
  s.faces[key] = face;
  return face;
}

FT_UInt GlyphIndex(FT_Face face, unsigned code) {
  if (code > 255) return 0;
  const char32_t u = Cp1252ToUnicode(static_cast<unsigned char>(code));
  if (u == 0 || u < 32) return 0;
  return FT_Get_Char_Index(face, u);
}

}  // namespace fontdetail

// ---- outlines ---------------------------------------------------------------

namespace {

struct Vec2 {
  double x, y;
};
using Contour = std::vector<Vec2>;

// Collects a glyph's contours in em units, curves flattened.
struct Flattener {
  std::vector<Contour> contours;
  double scale = 1;      // em per font unit
  double tolerance = 0;  // em
  Vec2 current{0, 0};

  Vec2 P(const FT_Vector* v) const { return {v->x * scale, v->y * scale}; }
  void Add(Vec2 p) {
    if (contours.empty()) contours.emplace_back();
    contours.back().push_back(p);
    current = p;
  }
  static int Segments(double deviation, double tol) {
    if (!(deviation > 0) || !(tol > 0)) return 1;
    const double n = std::ceil(std::sqrt(deviation / tol));
    return n < 1 ? 1 : (n > 64 ? 64 : static_cast<int>(n));
  }
  void Quadratic(Vec2 c, Vec2 to) {
    const Vec2 p0 = current;
    const double dd = std::hypot(p0.x - 2 * c.x + to.x, p0.y - 2 * c.y + to.y);
    const int n = Segments(dd / 4, tolerance);
    for (int i = 1; i <= n; ++i) {
      const double t = static_cast<double>(i) / n, u = 1 - t;
      Add({u * u * p0.x + 2 * u * t * c.x + t * t * to.x, u * u * p0.y + 2 * u * t * c.y + t * t * to.y});
    }
  }
  void Cubic(Vec2 c1, Vec2 c2, Vec2 to) {
    const Vec2 p0 = current;
    const double d1 = std::hypot(p0.x - 2 * c1.x + c2.x, p0.y - 2 * c1.y + c2.y);
    const double d2 = std::hypot(c1.x - 2 * c2.x + to.x, c1.y - 2 * c2.y + to.y);
    const int n = Segments(0.75 * std::max(d1, d2), tolerance);
    for (int i = 1; i <= n; ++i) {
      const double t = static_cast<double>(i) / n, u = 1 - t;
      const double a = u * u * u, b = 3 * u * u * t, cc = 3 * u * t * t, d = t * t * t;
      Add({a * p0.x + b * c1.x + cc * c2.x + d * to.x, a * p0.y + b * c1.y + cc * c2.y + d * to.y});
    }
  }

  static int MoveTo(const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    f->contours.emplace_back();
    f->Add(f->P(to));
    return 0;
  }
  static int LineTo(const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    f->Add(f->P(to));
    return 0;
  }
  static int ConicTo(const FT_Vector* c, const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    f->Quadratic(f->P(c), f->P(to));
    return 0;
  }
  static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    f->Cubic(f->P(c1), f->P(c2), f->P(to));
    return 0;
  }

  // Drops repeated points and the closing point; contours of fewer than
  // three points enclose nothing and go.
  void Clean() {
    std::vector<Contour> kept;
    for (auto& c : contours) {
      Contour out;
      for (const Vec2& p : c)
        if (out.empty() || out.back().x != p.x || out.back().y != p.y) out.push_back(p);
      while (out.size() > 1 && out.front().x == out.back().x && out.front().y == out.back().y) out.pop_back();
      if (out.size() >= 3) kept.push_back(std::move(out));
    }
    contours.swap(kept);
  }
};

// Flattening tolerance, em, when the caller gives none.
constexpr double kDefaultDeviation = 0.002;

// Triangles from the GLU tessellator.
struct Tessellation {
  std::vector<Vec2> triangles;  // three points each
  std::vector<Vec2> pending;
  std::deque<std::array<GLdouble, 3>> combined;  // stable storage for new vertices
  bool failed = false;

  static void Begin(GLenum, void* data) { static_cast<Tessellation*>(data)->pending.clear(); }
  static void Vertex(void* vertex, void* data) {
    auto* t = static_cast<Tessellation*>(data);
    const auto* v = static_cast<const GLdouble*>(vertex);
    t->pending.push_back({v[0], v[1]});
    if (t->pending.size() == 3) {
      t->triangles.insert(t->triangles.end(), t->pending.begin(), t->pending.end());
      t->pending.clear();
    }
  }
  static void End(void* data) { static_cast<Tessellation*>(data)->pending.clear(); }
  // Present only so that the tessellator hands out separate triangles.
  static void EdgeFlag(GLboolean, void*) {}
  static void Combine(GLdouble coords[3], void* /*vertexData*/[4], GLfloat /*weight*/[4], void** out,
                      void* data) {
    auto* t = static_cast<Tessellation*>(data);
    t->combined.push_back({coords[0], coords[1], coords[2]});
    *out = t->combined.back().data();
  }
  static void Error(GLenum, void* data) { static_cast<Tessellation*>(data)->failed = true; }
};

using GluCallback = _GLUfuncptr;

bool Tessellate(const std::vector<Contour>& contours, Tessellation* out) {
  GLUtesselator* tess = gluNewTess();
  if (!tess) return false;
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<GluCallback>(&Tessellation::Begin));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<GluCallback>(&Tessellation::Vertex));
  gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<GluCallback>(&Tessellation::End));
  gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<GluCallback>(&Tessellation::EdgeFlag));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<GluCallback>(&Tessellation::Combine));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<GluCallback>(&Tessellation::Error));
  // TrueType and CFF outlines both fill by the non-zero rule.
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  gluTessNormal(tess, 0, 0, 1);
  std::deque<std::array<GLdouble, 3>> points;
  gluTessBeginPolygon(tess, out);
  for (const Contour& c : contours) {
    gluTessBeginContour(tess);
    for (const Vec2& p : c) {
      points.push_back({p.x, p.y, 0.0});
      gluTessVertex(tess, points.back().data(), points.back().data());
    }
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  return !out->failed;
}

double Cross(Vec2 a, Vec2 b, Vec2 c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

// Emits the geometry of one glyph (em units) into the list being compiled.
void EmitGlyph(const std::vector<Contour>& contours, const Tessellation& tess, bool inkOnRight,
               float extrusion, int format) {
  if (format == WGL_FONT_LINES) {
    for (const Contour& c : contours) {
      glBegin(GL_LINE_LOOP);
      for (const Vec2& p : c) glVertex3d(p.x, p.y, 0.0);
      glEnd();
    }
    return;
  }
  const auto& t = tess.triangles;
  if (t.empty()) return;
  // Front face, counter-clockwise seen from +z.
  glBegin(GL_TRIANGLES);
  glNormal3f(0, 0, 1);
  for (std::size_t i = 0; i + 2 < t.size(); i += 3) {
    const bool ccw = Cross(t[i], t[i + 1], t[i + 2]) >= 0;
    const Vec2& b = ccw ? t[i + 1] : t[i + 2];
    const Vec2& c = ccw ? t[i + 2] : t[i + 1];
    glVertex3d(t[i].x, t[i].y, 0.0);
    glVertex3d(b.x, b.y, 0.0);
    glVertex3d(c.x, c.y, 0.0);
  }
  glEnd();
  if (extrusion == 0.0f) return;
  const double z = -static_cast<double>(extrusion);
  // Back face, counter-clockwise seen from -z.
  glBegin(GL_TRIANGLES);
  glNormal3f(0, 0, -1);
  for (std::size_t i = 0; i + 2 < t.size(); i += 3) {
    const bool ccw = Cross(t[i], t[i + 1], t[i + 2]) >= 0;
    const Vec2& b = ccw ? t[i + 2] : t[i + 1];
    const Vec2& c = ccw ? t[i + 1] : t[i + 2];
    glVertex3d(t[i].x, t[i].y, z);
    glVertex3d(b.x, b.y, z);
    glVertex3d(c.x, c.y, z);
  }
  glEnd();
  // Side walls, facing away from the ink.
  glBegin(GL_QUADS);
  for (const Contour& c : contours) {
    for (std::size_t i = 0; i < c.size(); ++i) {
      const Vec2& a = c[i];
      const Vec2& b = c[(i + 1) % c.size()];
      double nx = b.y - a.y, ny = -(b.x - a.x);  // right of the edge
      if (inkOnRight) nx = -nx, ny = -ny;
      const double len = std::hypot(nx, ny);
      if (len > 0) glNormal3d(nx / len, ny / len, 0.0);
      if (inkOnRight) {
        glVertex3d(a.x, a.y, 0.0);
        glVertex3d(a.x, a.y, z);
        glVertex3d(b.x, b.y, z);
        glVertex3d(b.x, b.y, 0.0);
      } else {
        glVertex3d(a.x, a.y, 0.0);
        glVertex3d(b.x, b.y, 0.0);
        glVertex3d(b.x, b.y, z);
        glVertex3d(a.x, a.y, z);
      }
    }
  }
  glEnd();
}

}  // namespace

namespace {

// One glyph as the outline functions see it: contours and triangles in em
// units, the advance and the metrics.
struct GlyphShape {
  std::vector<Contour> contours;
  Tessellation tess;
  bool inkOnRight = true;
  double advance = 0;
  GLYPHMETRICSFLOAT metrics;
};

// Calls each(i, shape) for the codes first to first + count - 1 of dc's
// current font; false when the font cannot be loaded. Runs under the font
// mutex.
template <typename Each>
bool ForEachGlyph(HDC dc, unsigned first, unsigned count, float deviation, bool tessellate, Each each) {
  std::lock_guard<std::mutex> lock(fontdetail::FontMutex());
  FT_Face face = fontdetail::FaceForDC(dc, nullptr);
  if (!face || face->units_per_EM == 0) return false;
  const double scale = 1.0 / face->units_per_EM;
  const double tolerance = (deviation > 0 && std::isfinite(deviation)) ? deviation : kDefaultDeviation;
  const FT_Int32 loadFlags = FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

  // Advance of a blank: codes without a glyph draw as one.
  double blankAdvance = 0.25;
  if (FT_UInt space = FT_Get_Char_Index(face, 0x20); space && FT_Load_Glyph(face, space, loadFlags) == 0)
    blankAdvance = face->glyph->metrics.horiAdvance * scale;

  for (unsigned i = 0; i < count; ++i) {
    const unsigned code = first + i;
    Flattener flat;
    flat.scale = scale;
    flat.tolerance = tolerance;
    GlyphShape g;
    g.advance = blankAdvance;
    const FT_UInt glyph = fontdetail::GlyphIndex(face, code);
    if (glyph != 0 && FT_Load_Glyph(face, glyph, loadFlags) == 0) {
      g.advance = face->glyph->metrics.horiAdvance * scale;
      if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline* outline = &face->glyph->outline;
        FT_Outline_Funcs funcs{};
        funcs.move_to = &Flattener::MoveTo;
        funcs.line_to = &Flattener::LineTo;
        funcs.conic_to = &Flattener::ConicTo;
        funcs.cubic_to = &Flattener::CubicTo;
        if (FT_Outline_Decompose(outline, &funcs, &flat) != 0) flat.contours.clear();
        g.inkOnRight = FT_Outline_Get_Orientation(outline) != FT_ORIENTATION_POSTSCRIPT;
        FT_BBox box;
        FT_Outline_Get_CBox(outline, &box);
        g.metrics.gmfBlackBoxX = static_cast<float>((box.xMax - box.xMin) * scale);
        g.metrics.gmfBlackBoxY = static_cast<float>((box.yMax - box.yMin) * scale);
        g.metrics.gmfptGlyphOrigin.x = static_cast<float>(box.xMin * scale);
        g.metrics.gmfptGlyphOrigin.y = static_cast<float>(box.yMax * scale);
      }
    }
    flat.Clean();
    if (tessellate && !flat.contours.empty() && !Tessellate(flat.contours, &g.tess)) g.tess.triangles.clear();
    g.metrics.gmfCellIncX = static_cast<float>(g.advance);
    g.contours = std::move(flat.contours);
    each(i, g);
  }
  return true;
}

}  // namespace

bool wglUseFontOutlinesA(HDC dc, unsigned first, unsigned count, unsigned listBase, float deviation,
                         float extrusion, int format, GLYPHMETRICSFLOAT* metrics) {
  if (listBase == 0 || count == 0 || listBase > 0xFFFFFFFFu - count + 1) return false;
  if (format != WGL_FONT_LINES && format != WGL_FONT_POLYGONS) return false;
  if (!std::isfinite(extrusion)) extrusion = 0;
  return ForEachGlyph(dc, first, count, deviation, format == WGL_FONT_POLYGONS, [&](unsigned i, const GlyphShape& g) {
    if (metrics) metrics[i] = g.metrics;
    glNewList(listBase + i, GL_COMPILE);
    EmitGlyph(g.contours, g.tess, g.inkOnRight, extrusion, format);
    glTranslated(g.advance, 0.0, 0.0);
    glEndList();
  });
}

bool GlyphFrontFaces(HDC dc, unsigned first, unsigned count, float deviation, std::vector<GlyphFaces>* out) {
  if (out == nullptr || count == 0) return false;
  std::vector<GlyphFaces> glyphs(count);
  const bool ok = ForEachGlyph(dc, first, count, deviation, true, [&](unsigned i, const GlyphShape& g) {
    const auto& t = g.tess.triangles;
    GlyphFaces& f = glyphs[i];
    f.advance = g.advance;
    f.vertices.reserve(t.size() * 3);
    for (std::size_t k = 0; k + 2 < t.size(); k += 3) {
      // Counter-clockwise seen from +z, as the lists draw them.
      const bool ccw = Cross(t[k], t[k + 1], t[k + 2]) >= 0;
      const Vec2& b = ccw ? t[k + 1] : t[k + 2];
      const Vec2& c = ccw ? t[k + 2] : t[k + 1];
      for (const Vec2* p : {&t[k], &b, &c}) {
        f.vertices.push_back(static_cast<float>(p->x));
        f.vertices.push_back(static_cast<float>(p->y));
        f.vertices.push_back(0.0f);
      }
    }
  });
  if (ok) out->swap(glyphs);
  return ok;
}

}  // namespace platform
