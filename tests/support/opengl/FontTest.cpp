// The outline font and the platform font calls under it, drawn on the
// offscreen context: where the text lands, what a glyph looks like, and
// what state Print leaves behind.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/DisplayLists.h"
#include "platform/FontBitmaps.h"
#include "platform/FontOutlines.h"
#include "support/opengl/CgFontFI.h"
#include "tests/common/TestSupport.h"

namespace {

struct Box {
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
  int vertices = 0;
  void Add(float x, float y) {
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x);
    y1 = std::max(y1, y);
    ++vertices;
  }
};

// Window coordinates of every vertex drawn by f, through GL feedback.
template <class F>
std::vector<std::pair<float, float>> Feedback(F f) {
  std::vector<GLfloat> buf(1 << 20);
  glFeedbackBuffer(static_cast<GLsizei>(buf.size()), GL_3D, buf.data());
  glRenderMode(GL_FEEDBACK);
  f();
  const GLint n = glRenderMode(GL_RENDER);
  std::vector<std::pair<float, float>> out;
  for (GLint i = 0; i < n;) {
    const GLint token = static_cast<GLint>(buf[i++]);
    int count = 0;
    switch (token) {
      case GL_POINT_TOKEN: case GL_BITMAP_TOKEN: case GL_DRAW_PIXEL_TOKEN: case GL_COPY_PIXEL_TOKEN:
        count = 1; break;
      case GL_LINE_TOKEN: case GL_LINE_RESET_TOKEN: count = 2; break;
      case GL_POLYGON_TOKEN: count = static_cast<int>(buf[i++]); break;
      case GL_PASS_THROUGH_TOKEN: ++i; continue;
      default: ADD_FAILURE() << "unexpected feedback token " << token; return out;
    }
    for (int v = 0; v < count && i + 2 < n + 1; ++v, i += 3) out.emplace_back(buf[i], buf[i + 1]);
  }
  return out;
}

template <class F>
Box FeedbackBox(F f) {
  Box b;
  for (auto& p : Feedback(f)) b.Add(p.first, p.second);
  return b;
}

class FontTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    platform::ReserveFixedDisplayLists();
    // One unit is one pixel; the depth range holds the glyphs' back faces.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSize, 0, kSize, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLineWidth(1);
    glDisable(GL_LINE_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }
  void TearDown() override { TCGFont3D::SetPrintHook(nullptr); }

  // Leftmost and rightmost columns holding the colour c, -1 when none.
  std::pair<int, int> InkColumns(testsupport::Rgba c) const {
    int lo = -1, hi = -1;
    for (int x = 0; x < kSize; ++x)
      if (CountColour(x, 0, x, kSize - 1, c) > 0) {
        if (lo < 0) lo = x;
        hi = x;
      }
    return {lo, hi};
  }
  std::vector<uint8_t> Render(TCGFont3D& font, const char* text, float x, float y) {
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    font.Print(text, x, y, 0);
    ReadBack();
    return pixels_;
  }
};

const testsupport::Rgba kYellow{255, 255, 0, 255};

TEST(FontLayer, Cp1252MapsToUnicode) {
  EXPECT_EQ(platform::Cp1252ToUnicode('A'), U'A');
  EXPECT_EQ(platform::Cp1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(platform::Cp1252ToUnicode(0x96), U'\u2013');
  EXPECT_EQ(platform::Cp1252ToUnicode(0x81), U'\0');
  EXPECT_EQ(platform::Cp1252ToUnicode(0xB0), U'\u00B0');
  EXPECT_EQ(platform::Cp1252ToUnicode(0xA0), U'\u00A0');
}

TEST(FontLayer, SimplexIsANarrowSansThatExists) {
  EXPECT_EQ(platform::FontFaceSubstitute("Simplex"), "Liberation Sans Narrow");
  EXPECT_EQ(platform::FontFaceSubstitute("simplex"), "Liberation Sans Narrow");
  EXPECT_EQ(platform::FontFaceSubstitute("Courier"), "Courier");
  std::string file;
  int index = -1;
  ASSERT_TRUE(platform::FindFontFile("Simplex", 100, false, &file, &index));
  EXPECT_NE(file.find("LiberationSansNarrow"), std::string::npos) << file;
  ASSERT_TRUE(platform::FindFontFile("Arial", 700, false, &file, &index));
  EXPECT_NE(file.find("LiberationSans-Bold"), std::string::npos) << file;
}

TEST(FontLayer, FontsAreDescribedAndSelectedPerContext) {
  auto* dc = reinterpret_cast<platform::HDC>(0x1234);
  platform::HFONT a = platform::CreateFontA(-24, 0, 0, 0, 1200, false, false, false, 0, 4, 0, 4, 0, "Arial");
  platform::HFONT b = platform::CreateFontA(-24, 0, 0, 0, 1200, false, false, false, 0, 4, 0, 4, 0, "Arial");
  EXPECT_EQ(a, b);  // equal descriptions share a handle
  platform::LOGFONTA d;
  ASSERT_TRUE(platform::GetFontDescription(a, &d));
  EXPECT_EQ(d.lfWeight, 1200);
  EXPECT_EQ(d.lfHeight, -24);
  EXPECT_EQ(d.lfFaceName, "Arial");
  EXPECT_EQ(platform::SelectObject(dc, a), nullptr);
  EXPECT_EQ(platform::GetCurrentFont(dc), a);
  EXPECT_FALSE(platform::GetFontDescription(nullptr, &d));
}

TEST_F(FontTest, OutlineCallRefusesListZero) {
  EXPECT_FALSE(platform::wglUseFontOutlinesA(nullptr, 32, 10, 0, 0, 0.2f, platform::WGL_FONT_POLYGONS, nullptr));
  EXPECT_FALSE(platform::wglUseFontBitmapsA(nullptr, 32, 10, 0));
}

TEST_F(FontTest, PrintDrawsTheCurrentColourOnlyWhereTheTextIs) {
  TCGFont3D font("Simplex", 40, 0, nullptr);
  ASSERT_NE(font.ListBase, 0u);
  glColor3f(1, 1, 0);
  // The program's depth range: the glyphs' back faces lie behind it and
  // the text shows through its front face's edges alone.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kSize, 0, kSize, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  font.Print("88", 2, 2, 0);  // origin at (80, 80), glyphs ~14 px wide, 28 high
  ReadBack();
  ExpectPicture("font_88");
  const int inside = CountColour(80, 80, 80 + 40, 80 + 30, kYellow, 60);
  EXPECT_GT(inside, 200);
  // Nothing else of any colour anywhere else.
  int stray = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      if (x >= 78 && x <= 122 && y >= 78 && y <= 112) continue;
      const auto p = Pixel(x, y);
      if (p.r || p.g || p.b) ++stray;
    }
  EXPECT_EQ(stray, 0);
  // Every lit pixel is the current colour.
  int lit = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const auto p = Pixel(x, y);
      if (p.r || p.g || p.b) ++lit;
    }
  EXPECT_EQ(CountColour(0, 0, kSize - 1, kSize - 1, kYellow, 0), lit);
}

TEST_F(FontTest, FilledGlyphsWithTheirBackFace) {
  TCGFont3D font("Simplex", 100, 0, nullptr);
  glColor3f(1, 1, 0);
  font.Print("\xB0", 1, 1, 0);  // degree sign, origin at (100, 100)
  ReadBack();
  ExpectPicture("font_degree");
  const Box box = FeedbackBox([&] { font.Print("\xB0", 1, 1, 0); });
  ASSERT_GT(box.vertices, 0);
  // A small ring above the baseline.
  EXPECT_GT(box.y0, 100 + 35);
  EXPECT_LT(box.y1, 100 + 80);
  EXPECT_LT(box.x1 - box.x0, 45);
  EXPECT_NEAR(box.x1 - box.x0, box.y1 - box.y0, 6);
  const int cx = static_cast<int>((box.x0 + box.x1) / 2), cy = static_cast<int>((box.y0 + box.y1) / 2);
  const auto centre = Pixel(cx, cy);
  EXPECT_EQ(centre.r, 0) << "the ring has a hole";
  EXPECT_GT(CountColour(static_cast<int>(box.x0), cy - 1, cx - 3, cy + 1, kYellow), 3) << "left of the ring";
  EXPECT_GT(CountColour(cx + 3, cy - 1, static_cast<int>(box.x1), cy + 1, kYellow), 3) << "right of the ring";
}

TEST_F(FontTest, LeadingBlankIsDroppedOnce) {
  TCGFont3D font("Simplex", 40, 0, nullptr);
  std::vector<std::string> seen;
  TCGFont3D::SetPrintHook([&](const TCGFont3D&, const char* t, float, float, float) { seen.emplace_back(t); });
  const auto plain = Render(font, "10", 2, 2);
  const auto one = Render(font, " 10", 2, 2);
  const auto two = Render(font, "  10", 2, 2);
  EXPECT_EQ(plain, one);
  EXPECT_NE(plain, two);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "10");
  EXPECT_EQ(seen[1], "10");
  EXPECT_EQ(seen[2], " 10");
  // "  10" is "10" moved right by one blank.
  const Box b10 = FeedbackBox([&] { font.Print("10", 2, 2, 0); });
  const Box b2 = FeedbackBox([&] { font.Print("  10", 2, 2, 0); });
  platform::GLYPHMETRICSFLOAT m[1];
  ASSERT_TRUE(platform::wglUseFontOutlinesA(nullptr, 32, 1, font.ListBase, 0, 0.2f, platform::WGL_FONT_POLYGONS, m));
  const float blank = m[0].gmfCellIncX * 40 * 0.99f;
  EXPECT_GT(blank, 4);
  EXPECT_NEAR(b2.x0 - b10.x0, blank, 0.05);
}

TEST_F(FontTest, EmptyAndNullTextsDrawNothing) {
  TCGFont3D font("Simplex", 40, 0, nullptr);
  int calls = 0;
  TCGFont3D::SetPrintHook([&](const TCGFont3D&, const char* t, float, float, float) {
    ++calls;
    EXPECT_STREQ(t, "");
  });
  glColor3f(1, 1, 1);
  font.Print("", 2, 2, 0);
  font.Print(" ", 2, 2, 0);
  font.Print(nullptr, 2, 2, 0);
  EXPECT_EQ(calls, 2);  // a null text is not a print
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  ReadBack();
  EXPECT_EQ(CountColour(0, 0, kSize - 1, kSize - 1, {255, 255, 255, 255}, 10), 0);
}

TEST_F(FontTest, OriginIsPositionTimesSize) {
  TCGFont3D font("Simplex", 5, 0, nullptr);
  const unsigned listH = font.ListBase + 'H' - 32;
  const Box printed = FeedbackBox([&] { font.Print("H", 2, 3, 0); });
  const Box expected = FeedbackBox([&] {
    glPushMatrix();
    glTranslatef(10, 15, 0);
    glScalef(5 * 0.99f, 5 * 0.99f, 5 * 0.99f);
    glCallList(listH);
    glPopMatrix();
  });
  ASSERT_GT(printed.vertices, 0);
  EXPECT_NEAR(printed.x0, expected.x0, 1e-3);
  EXPECT_NEAR(printed.y0, expected.y0, 1e-3);
  EXPECT_NEAR(printed.x1, expected.x1, 1e-3);
  EXPECT_NEAR(printed.y1, expected.y1, 1e-3);
  EXPECT_NEAR(printed.y0, 15, 0.05);  // "H" sits on the baseline
  // The hook sees the caller's matrix and the arguments.
  float tx = -1;
  TCGFont3D::SetPrintHook([&](const TCGFont3D& f, const char*, float x, float, float) {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    tx = m[12] + x * f.Size;
  });
  glTranslatef(7, 0, 0);
  font.Print("H", 2, 3, 0);
  EXPECT_FLOAT_EQ(tx, 17);
}

TEST_F(FontTest, DigitsAreAboutHalfAnEm) {
  TCGFont3D font("Simplex", 100, 0, nullptr);
  for (char d = '0'; d <= '9'; ++d) {
    const std::string one(1, d), two(2, d);
    const Box b1 = FeedbackBox([&] { font.Print(one.c_str(), 0, 1, 0); });
    const Box b2 = FeedbackBox([&] { font.Print(two.c_str(), 0, 1, 0); });
    const float advance = (b2.x1 - b1.x1) / 99.0f;  // em
    EXPECT_GT(advance, 0.42f) << d;
    EXPECT_LT(advance, 0.58f) << d;
    EXPECT_LT((b1.x1 - b1.x0) / 99.0f, 0.5f) << d;          // ink fits a 0.5 em step
    EXPECT_NEAR((b1.y1 - 100) / 99.0f, 0.7f, 0.06f) << d;  // digit height
  }
}

TEST_F(FontTest, BytesOutsideTheFontDrawAsBlanks) {
  TCGFont3D font("Simplex", 40, 0, nullptr);
  const auto blank = Render(font, "1 1", 1, 2);
  EXPECT_EQ(Render(font, "1\x01" "1", 1, 2), blank);
  EXPECT_EQ(Render(font, "1\xFF" "1", 1, 2), blank);
  EXPECT_EQ(Render(font, "1\xB1" "1", 1, 2), blank);
  EXPECT_NE(Render(font, "1\xB0" "1", 1, 2), blank);
  // A list just past the font's block is never called.
  const unsigned after = font.ListBase + 145;
  glNewList(after, GL_COMPILE);
  glBegin(GL_QUADS);
  glVertex2f(0, 0); glVertex2f(500, 0); glVertex2f(500, 500); glVertex2f(0, 500);
  glEnd();
  glEndList();
  EXPECT_EQ(Render(font, "1\xB1" "1", 1, 2), blank);
  glDeleteLists(after, 1);
}

TEST_F(FontTest, StateAfterPrint) {
  TCGFont3D font("Simplex", 10, 0, nullptr);
  glLineWidth(3);
  glDisable(GL_LINE_SMOOTH);
  glPolygonMode(GL_FRONT, GL_POINT);
  glListBase(77);
  glTranslatef(5, 6, 0);
  GLfloat before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  font.Print("ABC", 1, 1, 0);
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], before[i]);
  GLfloat width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_FLOAT_EQ(width, 3);
  GLint base = 0;
  glGetIntegerv(GL_LIST_BASE, &base);
  EXPECT_EQ(base, 77);
  GLint modes[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, modes);
  EXPECT_EQ(modes[0], GL_FILL);
  EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glListBase(0);
}

TEST_F(FontTest, FontWithoutListsDrawsNothingAndDeletesNothing) {
  auto* font = new TCGFont3D("Simplex", 40, 0, nullptr);
  const unsigned base = font->ListBase;
  font->ListBase = 0;  // as when GL could not give a block
  glColor3f(1, 1, 1);
  font->Print("IIII", 1, 1, 0);
  ReadBack();
  EXPECT_EQ(CountColour(0, 0, kSize - 1, kSize - 1, {255, 255, 255, 255}, 10), 0);
  delete font;
  EXPECT_TRUE(glIsList(1)) << "a fixed list survives";
  EXPECT_TRUE(glIsList(base + 'I' - 32)) << "lists it does not own survive";
  glDeleteLists(base, 145);
}

TEST_F(FontTest, ListsOwnedAndFreed) {
  std::vector<unsigned> bases;
  {
    TCGFont3D a("Simplex", 4, 0, nullptr), b("Simplex", 8, 0, nullptr);
    for (const TCGFont3D* f : {&a, &b}) {
      ASSERT_NE(f->ListBase, 0u);
      bases.push_back(f->ListBase);
      for (unsigned i = 0; i < 145; ++i) {
        EXPECT_TRUE(glIsList(f->ListBase + i));
        EXPECT_FALSE(platform::IsFixedDisplayList(f->ListBase + i));
      }
    }
    EXPECT_GE(std::max(bases[0], bases[1]), std::min(bases[0], bases[1]) + 145);
  }
  for (unsigned base : bases)
    for (unsigned i = 0; i < 145; ++i) EXPECT_FALSE(glIsList(base + i));
  for (unsigned n : platform::FixedDisplayListNumbers()) EXPECT_TRUE(glIsList(n)) << n;
}

TEST_F(FontTest, BitmapFontDrawsAtTheRasterPosition) {
  platform::HFONT f = platform::CreateFontA(-24, 0, 0, 0, 700, false, false, false, platform::ANSI_CHARSET,
                                            platform::OUT_TT_PRECIS, platform::CLIP_DEFAULT_PRECIS,
                                            platform::ANTIALIASED_QUALITY, 0, "Arial");
  auto* dc = reinterpret_cast<platform::HDC>(0x5678);
  platform::SelectObject(dc, f);
  const unsigned base = glGenLists(96);
  while (glGetError() != GL_NO_ERROR) {
  }
  ASSERT_TRUE(platform::wglUseFontBitmapsA(dc, 32, 96, base));
  // Glyphs without pixels (the blank, code 127) are lists like the others.
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glColor3f(0, 1, 0);
  glRasterPos2f(100, 200);
  glListBase(base - 32);
  glCallLists(2, GL_UNSIGNED_BYTE, "HI");
  glListBase(0);
  ReadBack();
  ExpectPicture("font_bitmap");
  const testsupport::Rgba green{0, 255, 0, 255};
  // Cap height of a 24-pixel em is about 17 pixels, above the baseline.
  EXPECT_GT(CountColour(100, 200, 130, 218, green, 10), 60);
  EXPECT_EQ(CountColour(100, 160, 160, 199, green, 10), 0);
  EXPECT_EQ(CountColour(100, 222, 160, 260, green, 10), 0);
  // The raster position moved by the two advances.
  GLfloat pos[4];
  glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
  EXPECT_GT(pos[0], 120);
  EXPECT_LT(pos[0], 150);
  glDeleteLists(base, 96);
}

}  // namespace
