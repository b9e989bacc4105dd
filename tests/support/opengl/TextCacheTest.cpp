// Strings kept as pixels from frame to frame: the same pixels as drawing
// their edges, the GL state as drawing leaves it, nothing kept of text that
// moves, the cases where the cache must step aside, and strings that cannot
// reach a pixel.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/DisplayLists.h"
#include "support/opengl/CgFontFI.h"
#include "support/opengl/CgTextCache.h"
#include "tests/common/TestSupport.h"

namespace {

class TextCache : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    platform::ReserveFixedDisplayLists();
    // As the programs draw: one unit a pixel, the glyphs' back faces
    // beyond the depth range, source-alpha blending.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSize, 0, kSize, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0, 0, 0, 1);
    font = std::make_unique<TCGFont3D>("Simplex", 30, 0, nullptr);
  }
  void TearDown() override {
    font.reset();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
  }

  // One frame: cleared, a grey band under the text so that blending shows,
  // draw(), read back, the frame ended.
  template <class F>
  std::vector<uint8_t> Frame(F draw) {
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(0.3f, 0.35f, 0.4f);
    glRectf(0, 200, kSize, 300);
    draw();
    ReadBack();
    TCGFont3D::EndFrame();
    return pixels_;
  }
  // Largest difference of a colour channel, and how many channels differ.
  static std::pair<int, int> Difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int most = 0, count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (i % 4 == 3) continue;
      const int d = std::abs(a[i] - b[i]);
      most = std::max(most, d);
      count += d != 0;
    }
    return {most, count};
  }
  // Channels that differ by more than a rounding (4 levels).
  static int BeyondRounding(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) n += i % 4 != 3 && std::abs(a[i] - b[i]) > 4;
    return n;
  }
  static int Lit(const std::vector<uint8_t>& p) {
    int n = 0;
    for (std::size_t i = 0; i < p.size(); i += 4) n += p[i] + p[i + 1] + p[i + 2] > 0;
    return n;
  }

  std::unique_ptr<TCGFont3D> font;
};

struct StillCase {
  const char* name;
  const char* text;
  float x, y, angle;  // origin in font units, turn in degrees
  float r, g, b, a;
  bool texGen;        // coordinates generated from positions, as the frames and terrain leave it
};

TEST_F(TextCache, StillTextComesFromTheAtlasWithTheSamePixels) {
  const StillCase cases[] = {
      {"digits", "8880", 2.1f, 8.3f, 0, 1, 1, 1, 1, false},
      {"letters-over-grey", "ARPT WPT", 1.37f, 7.9f, 0, 0, 1, 1, 1, false},
      {"turned", "N 030", 5.2f, 3.1f, 33, 1, 0.5f, 1, 1, false},
      {"half-seen", "TERR", 3.3f, 8.6f, 0, 1, 0.2f, 0.2f, 0.5f, false},
      {"generated-coordinates", "HDG 190\xB0", 0.7f, 12.2f, 0, 0, 1, 0, 1, true},
  };
  for (const StillCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.texGen) {
      const GLdouble s[4] = {1.0 / 255, 0, 0, 0.25}, t[4] = {0.001, 1.0 / 255, 0, 0};
      glEnable(GL_TEXTURE_GEN_S);
      glEnable(GL_TEXTURE_GEN_T);
      glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
      glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
      glTexGendv(GL_S, GL_OBJECT_PLANE, s);
      glTexGendv(GL_T, GL_OBJECT_PLANE, t);
    }
    auto draw = [&] {
      glPushMatrix();
      glTranslatef(c.x * 30, c.y * 30, 0);
      glRotatef(c.angle, 0, 0, 1);
      glColor4f(c.r, c.g, c.b, c.a);
      font->Print(c.text, 0, 0, 0);
      glPopMatrix();
    };
    const auto before = font->CacheStatistics();
    const std::vector<uint8_t> edges = Frame(draw);  // seen
    const std::vector<uint8_t> second = Frame(draw);  // stood still: stored at the end
    const std::vector<uint8_t> kept = Frame(draw);
    const auto after = font->CacheStatistics();
    EXPECT_EQ(after.stored - before.stored, 1u);
    EXPECT_EQ(after.hits - before.hits, 1u) << "the third frame puts the kept pixels on the screen";
    EXPECT_EQ(second, edges);
    ASSERT_GT(Lit(edges), 100);
    const auto [most, count] = Difference(edges, kept);
    EXPECT_LE(most, 4) << "one rounding of the coverage instead of one per edge";
    EXPECT_LT(count, Lit(edges) / 10);
    ExpectPicture(std::string("text-cache-") + c.name);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }
}

TEST_F(TextCache, StateAfterAKeptStringIsAsAfterDrawnOne) {
  glEnable(GL_TEXTURE_GEN_S);  // left on by the frame pictures
  glEnable(GL_TEXTURE_GEN_T);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  auto draw = [&] {
    glLineWidth(2);
    glDisable(GL_LINE_SMOOTH);
    glListBase(77);
    glColor4f(0.2f, 0.4f, 0.6f, 0.8f);
    font->Print("ABC", 2, 9, 0);
  };
  const auto hits = font->CacheStatistics().hits;
  for (int i = 0; i < 3; ++i) Frame(draw);
  ASSERT_EQ(font->CacheStatistics().hits, hits + 1);
  GLint base = 0, modes[2] = {0, 0}, texture = -1, src = 0, dst = 0, matrixMode = 0;
  GLfloat width = 0, colour[4], modelview[16];
  glGetIntegerv(GL_LIST_BASE, &base);
  glGetIntegerv(GL_POLYGON_MODE, modes);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  glGetIntegerv(GL_BLEND_SRC_RGB, &src);
  glGetIntegerv(GL_BLEND_DST_RGB, &dst);
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  glGetFloatv(GL_LINE_WIDTH, &width);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  EXPECT_EQ(base, 77);
  EXPECT_EQ(modes[0], GL_FILL);
  EXPECT_FLOAT_EQ(width, 2);
  EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_EQ(texture, 0);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_GEN_T));
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(matrixMode, GL_MODELVIEW);
  EXPECT_FLOAT_EQ(colour[0], 0.2f);
  EXPECT_FLOAT_EQ(colour[3], 0.8f);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glListBase(0);
  glLineWidth(1);
}

TEST_F(TextCache, MovingTextIsNeverKept) {
  const auto before = font->CacheStatistics();
  for (int i = 0; i < 8; ++i) {
    // A tape figure creeping by a third of a pixel a frame.
    Frame([&] {
      glColor3f(1, 1, 1);
      font->Print("250", 3, 8 + i * 0.011f, 0);
    });
  }
  const auto after = font->CacheStatistics();
  EXPECT_EQ(after.stored, before.stored);
  EXPECT_EQ(after.hits, before.hits);
  EXPECT_LE(after.entries, 1u) << "what was not drawn in the last frame is forgotten";
}

TEST_F(TextCache, CreepingTextIsKeptWithinAFewLevels) {
  // A label far ahead on the ND: a 500th of a pixel a frame.
  auto draw = [&](int i) {
    return [&, i] {
      glColor3f(0, 1, 1);
      font->Print("KSEA", 2.1f + i * 0.002f / 30, 8.02f, 0);
    };
  };
  const auto before = font->CacheStatistics();
  std::vector<uint8_t> edges, kept;
  for (int i = 0; i < 4; ++i) {
    const std::vector<uint8_t> frame = Frame(draw(i));
    if (i == 0) edges = frame;
    kept = frame;
  }
  EXPECT_GE(font->CacheStatistics().hits - before.hits, 1u);
  EXPECT_LE(Difference(edges, kept).first, 4);
}

TEST_F(TextCache, ARunKeepsTheOrderOfItsStrings) {
  TCGFont3D other("Simplex", 24, 0, nullptr);
  // Overlapping labels in three colours, a string of another font and one
  // that moves (drawn edge by edge) among them.
  auto draw = [&](bool run, int frame) {
    return [&, run, frame] {
      if (run) TCGFont3D::BeginRun();
      glColor3f(1, 0, 0);
      font->Print("WPT01", 2, 8, 0);
      glColor3f(0, 1, 0);
      font->Print("WPT02", 2.3f, 8.2f, 0);
      glColor3f(1, 1, 1);
      other.Print("KSEA", 3, 10.1f + frame * 0.1f, 0);
      glColor3f(0, 0, 1);
      other.Print("SEA", 3.4f, 10.3f, 0);
      font->Print("WPT03", 2.6f, 8.4f, 0);
      if (run) TCGFont3D::EndRun();
    };
  };
  std::vector<uint8_t> one, together;
  for (int i = 0; i < 3; ++i) one = Frame(draw(false, i));
  for (int i = 3; i < 6; ++i) together = Frame(draw(true, i % 3));
  EXPECT_GT(font->CacheStatistics().hits, 0u);
  EXPECT_EQ(together, one);
}

struct AsideCase {
  const char* name;
  void (*set)();
  void (*reset)();
};

TEST_F(TextCache, StepsAsideWhereKeptPixelsCouldDiffer) {
  const AsideCase cases[] = {
      {"stencil written", [] {
         glEnable(GL_STENCIL_TEST);
         glStencilFunc(GL_ALWAYS, 1, 255);
         glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
       },
       [] {
         glDisable(GL_STENCIL_TEST);
         glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
       }},
      {"depth tested", [] { glEnable(GL_DEPTH_TEST); }, [] { glDisable(GL_DEPTH_TEST); }},
      {"no blending", [] { glDisable(GL_BLEND); }, [] { glEnable(GL_BLEND); }},
      {"other blending", [] { glBlendFunc(GL_ONE, GL_ONE); },
       [] { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }},
      {"perspective", [] {
         glMatrixMode(GL_PROJECTION);
         glLoadIdentity();
         glFrustum(-256, 256, -256, 256, 1, 10);
         glMatrixMode(GL_MODELVIEW);
         glTranslatef(-256, -256, -1.5f);
       },
       [] {
         glMatrixMode(GL_PROJECTION);
         glLoadIdentity();
         glOrtho(0, kSize, 0, kSize, -1, 1);
         glMatrixMode(GL_MODELVIEW);
         glLoadIdentity();
       }},
  };
  for (const AsideCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto hits = font->CacheStatistics().hits;
    std::vector<uint8_t> first, last;
    for (int i = 0; i < 3; ++i) {
      last = Frame([&] {
        c.set();
        glColor3f(1, 1, 0);
        font->Print("STA 12", 2, 8, 0);
        c.reset();
      });
      if (i == 0) first = last;
    }
    EXPECT_EQ(font->CacheStatistics().hits, hits);
    EXPECT_EQ(last, first);
  }
}

TEST_F(TextCache, AListBeingCompiledGetsEveryGlyph) {
  // Compiled far outside the view: drawn later inside it.
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(5000, 0, 0);
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glColor3f(1, 1, 1);
  font->Print("WPT", 0, 0, 0);
  glEndList();
  glLoadIdentity();
  const std::vector<uint8_t> shown = Frame([&] {
    glTranslatef(60, 240, 0);
    glCallList(list);
    glLoadIdentity();
  });
  EXPECT_GT(Lit(shown), 300);
  glDeleteLists(list, 1);
}

TEST_F(TextCache, FullAtlasStartsOverAndStillShowsTheText) {
  auto draw = [&] {
    glColor3f(1, 1, 1);
    // Forty-eight large strings, overlapping on the screen, each at its
    // own place within a pixel: more than one atlas holds.
    for (int i = 0; i < 48; ++i) {
      glPushMatrix();
      glTranslatef(10 + (i % 2) * 240 + i * 0.013f, 10 + (i / 2) * 18.0f, 0);
      glScalef(2.5f, 2.5f, 1);
      font->Print("MWMW", 0, 0, 0);
      glPopMatrix();
    }
  };
  const auto before = font->CacheStatistics();
  const std::vector<uint8_t> edges = Frame(draw);
  std::vector<uint8_t> last;
  for (int i = 0; i < 3; ++i) last = Frame(draw);
  const auto after = font->CacheStatistics();
  EXPECT_GT(after.resets, before.resets);
  EXPECT_GT(after.hits, before.hits);
  // Strings within a 64th of a pixel of each other share their kept
  // pixels; only the odd pixel where a sliver of a glyph's triangles meets
  // the grid differently differs by more than a rounding.
  EXPECT_LT(BeyondRounding(edges, last), Lit(edges) / 100);
}

struct ReachCase {
  const char* name;
  float x, y;  // box corner, pixels; the box is 40 x 20
  bool nothing;
};

TEST_F(TextCache, StringsThatCannotReachAPixelAreFound) {
  glViewport(100, 50, 300, 200);
  const ReachCase cases[] = {
      {"inside", 200, 100, false},
      {"beyond the right edge", 400.5f, 100, true},
      {"touching the right edge", 399.5f, 100, false},
      {"below", 150, 29.5f, true},
      {"reaching up from below", 150, 30.5f, false},
      {"left of it", 59.5f, 100, true},
      {"above", 150, 250.5f, true},
  };
  // One unit a window pixel over the viewport.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(100, 400, 50, 250, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  cgtext::Placement p;
  ASSERT_TRUE(cgtext::ReadPlacement(&p));
  for (const ReachCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(cgtext::DrawsNothing(p, {c.x, c.y, c.x + 40, c.y + 20}), c.nothing);
  }
  // Wholly outside the scissor box, smoothed edges included.
  glEnable(GL_SCISSOR_TEST);
  glScissor(100, 50, 150, 200);
  EXPECT_TRUE(cgtext::DrawsNothing(p, {260, 100, 300, 120}));
  EXPECT_FALSE(cgtext::DrawsNothing(p, {251, 100, 300, 120})) << "its edges' fringe reaches the box";
  glDisable(GL_SCISSOR_TEST);
  glViewport(0, 0, kSize, kSize);
}

}  // namespace
