// The standby program's own fonts on the offscreen context: where a text's
// origin lands, that a leading blank is drawn, filled glyphs without an
// outline pass, and the bitmap font's weight.
#include <GL/gl.h>

#include <string>

#include "lunavex/CgFont.h"
#include "platform/FontOutlines.h"
#include "tests/common/TestSupport.h"

using namespace lunavex;

namespace {

class LunavexFontTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    // One unit a pixel, origin at the bottom left.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSize, 0, kSize, -100, 100);
    // Errors left by other tests' font set-up are not ours to judge here.
    while (glGetError() != GL_NO_ERROR) {
    }
  }

  // Left, right, bottom and top of the lit pixels (-1 when none).
  struct Extent {
    int x0 = -1, x1 = -1, y0 = -1, y1 = -1;
  };
  Extent Lit() const {
    Extent e;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        if (Pixel(x, y).r < 128) continue;
        if (e.x0 < 0 || x < e.x0) e.x0 = x;
        if (x > e.x1) e.x1 = x;
        if (e.y0 < 0 || y < e.y0) e.y0 = y;
        if (y > e.y1) e.y1 = y;
      }
    return e;
  }

  Extent Draw(const TCGFont3D& font, const char* text, float x, float y) {
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    font.Print(text, x, y, 0);
    ReadBack();
    return Lit();
  }

  static platform::HDC Dc() { return reinterpret_cast<platform::HDC>(0x7e57); }
};

}  // namespace

TEST_F(LunavexFontTest, OriginIsPositionTimesSize) {
  TCGFont3D font("Arial", 15.0f, 0.0f, Dc());
  ASSERT_NE(font.ListBase, 0u);
  // "60" at (-0.5, 4.2) of a 15-unit font: origin (-7.5, 63). Moved by
  // (200, 200) so that it is on screen.
  glTranslatef(200, 200, 0);
  Extent e = Draw(font, "60", -0.5f, 4.2f);
  // Digits stand on the baseline and start just right of the origin.
  EXPECT_NEAR(e.y0, 263, 1);
  EXPECT_NEAR(e.x0, 200 - 7.5 + 1, 2);
  // About 0.72 em high, 1.1 em wide for two digits.
  EXPECT_NEAR(e.y1 - e.y0, 15 * 0.72, 2);
  EXPECT_NEAR(e.x1 - e.x0, 15 * 1.0, 3);
}

TEST_F(LunavexFontTest, LeadingBlankIsDrawn) {
  TCGFont3D font("Arial", 40.0f, 0.0f, Dc());
  Extent plain = Draw(font, "10", 2, 2);
  Extent blank = Draw(font, " 10", 2, 2);
  Extent two = Draw(font, "  10", 2, 2);
  // Each blank moves the text right by one blank's advance (0.278 em).
  EXPECT_NEAR(blank.x0 - plain.x0, 40 * 0.278, 2);
  EXPECT_NEAR(two.x0 - blank.x0, 40 * 0.278, 2);
  EXPECT_EQ(blank.y0, plain.y0);
}

TEST_F(LunavexFontTest, FilledGlyphsLeaveTheStateAlone) {
  TCGFont3D font("Arial", 60.0f, 0.0f, Dc());
  glLineWidth(4);
  glDisable(GL_LINE_SMOOTH);
  glPolygonMode(GL_FRONT, GL_FILL);
  GLint depth0 = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth0);
  Extent e = Draw(font, "I", 3, 3);
  // A filled stem: its middle row is lit right across.
  const int mid = (e.y0 + e.y1) / 2;
  int lit = 0;
  for (int x = e.x0; x <= e.x1; ++x) lit += Pixel(x, mid).r >= 128;
  EXPECT_EQ(lit, e.x1 - e.x0 + 1);
  GLfloat width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_FLOAT_EQ(width, 4);
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  GLint depth = 0, listBase = -1;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
  glGetIntegerv(GL_LIST_BASE, &listBase);
  EXPECT_EQ(depth, depth0);
  EXPECT_EQ(listBase, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LunavexFontTest, NullTextAndBytesOutsideTheFont) {
  TCGFont3D font("Arial", 40.0f, 0.0f, Dc());
  int hooked = 0;
  TCGFont3D::SetPrintHook([&](const TCGFont3D&, const char*, float, float, float) { ++hooked; });
  Extent none = Draw(font, nullptr, 2, 2);
  TCGFont3D::SetPrintHook(nullptr);
  EXPECT_EQ(hooked, 0);
  EXPECT_EQ(none.x0, -1);
  // Bytes beyond the font's 145 codes draw as blanks, not as other lists.
  Extent out = Draw(font, "\xFF\x01", 2, 2);
  EXPECT_EQ(out.x0, -1);
  Extent degree = Draw(font, "\xB0", 2, 2);  // the last code, 176
  EXPECT_NE(degree.x0, -1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LunavexFontTest, BitmapFontWeightIsAtMost1000) {
  TCGFont2D heavy("Arial", 24, 1200, Dc());
  EXPECT_EQ(heavy.Weight, 1000);
  platform::LOGFONTA desc;
  ASSERT_TRUE(platform::GetFontDescription(platform::GetCurrentFont(Dc()), &desc));
  EXPECT_EQ(desc.lfWeight, 1000);
  EXPECT_EQ(desc.lfHeight, -24);
  EXPECT_EQ(desc.lfFaceName, "Arial");

  TCGFont2D bold("Arial", 24, 700, Dc());
  EXPECT_EQ(bold.Weight, 700);
  ASSERT_NE(bold.ListBase, 0u);
  // 96 lists for the codes 32 to 127; "A" is a bitmap drawn at the raster
  // position.
  EXPECT_TRUE(glIsList(bold.ListBase + 95));
  glClear(GL_COLOR_BUFFER_BIT);
  glColor3f(1, 1, 1);
  glRasterPos2i(100, 100);
  glCallList(bold.ListBase + ('A' - 32));
  ReadBack();
  Extent e = Lit();
  EXPECT_GE(e.x0, 100);
  EXPECT_NEAR(e.y0, 100, 1);
  EXPECT_NEAR(e.y1 - e.y0, 24 * 0.72, 3);
}
