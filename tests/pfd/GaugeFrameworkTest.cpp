// The gauge framework: scissor boxes and matrices of every gauge for each
// rotation and both drawing scales, and a PFD frame's GL hygiene.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "shared/UDeclarations.h"
#include "pfd/Ugauges.h"
#include "pfd/Upfd.h"
#include "pfd/Uhorizon.h"
#include "tests/pfd/PfdTest.h"

namespace {

using pfdtest::PfdTest;
using testsupport::Rgba;

struct Layout {
  const char* name;
  float w, h, x, y, wf, hf;
  bool clip;
};
// The fixed places of the eight gauges in the PFD square.
constexpr std::array<Layout, 8> kLayout{{
    {"Horizon", 100, 108, 0.155f, 0.158f, 0.38025f, 0.395f, true},
    {"HeadingScale", 130, 40, 0.14f, 0.005f, 0.389f, 0.12f, true},
    {"SpeedTape", 45, 136, 0, 0.08f, 0.181875f, 0.55f, true},
    {"AltitudeTape", 26.4f, 136, 0.555f, 0.08f, 0.1067f, 0.55f, true},
    {"AltitudeTicker", 28, 18, 0.585f, 0.315f, 0.13f, 0.078f, true},
    {"SpeedTicker", 21, 18, 0, 0.317f, 0.095f, 0.075f, true},
    {"Vsi", 20, 120, 0.68f, 0.116f, 0.0725f, 0.461f, false},
    {"Fma", 95, 10, 0.14f, 0.673f, 0.38f, 0.04f, false},
}};

std::array<GLint, 4> ScissorBox() {
  std::array<GLint, 4> b{};
  glGetIntegerv(GL_SCISSOR_BOX, b.data());
  return b;
}

class GaugeFramework : public PfdTest {
 protected:
  void TearDown() override {
    DrawScale = 255;
    PfdTest::TearDown();
  }
};

TEST_F(GaugeFramework, ScissorBoxesOfTheAttitudeIndicator) {
  // k = Size * 200 / DrawScale = 400 in both cases: Wp 195, Hp 211, Xp 79, Yp 84.
  struct Case {
    float drawScale;
    int size, rotation;
    std::array<GLint, 4> box;
  };
  const Case cases[] = {
      {200, 400, 0, {88, 103, 198, 214}},   {200, 400, 90, {114, 98, 214, 198}},
      {200, 400, 180, {135, 124, 198, 214}}, {200, 400, 270, {93, 145, 214, 198}},
      // With frames the drawing area sits M = 55 pixels in from each edge.
      {255, 510, 0, {143, 158, 198, 214}},  {255, 510, 90, {169, 153, 214, 198}},
      {255, 510, 180, {190, 179, 198, 214}}, {255, 510, 270, {148, 200, 214, 198}},
  };
  for (const Case& c : cases) {
    DrawScale = c.drawScale;
    TGauge g;
    g.BeginDraw(c.size, 10, 0.38025f, 0.395f, 0.155f, 0.158f, 100, 108, 20, c.rotation, true);
    EXPECT_EQ(ScissorBox(), c.box) << c.drawScale << " " << c.rotation;
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    g.EndDraw();
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  }
}

TEST_F(GaugeFramework, FieldsAndMatrix) {
  DrawScale = 255;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  TGauge g;
  GLint depth0 = 0, depth1 = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth0);
  g.BeginDraw(510, 0, 0.38025f, 0.395f, 0.155f, 0.158f, 100, 108, 0, 90, true);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth1);
  EXPECT_EQ(depth1, depth0 + 1);
  EXPECT_FLOAT_EQ(g.Width, 100);
  EXPECT_FLOAT_EQ(g.Height, 108);
  EXPECT_NEAR(g.Scale, (211.0 / 510) / (108.0 / 255), 1e-6);
  EXPECT_NEAR(g.OffsetX, 0.155 / 0.78 * 200, 1e-4);
  EXPECT_NEAR(g.OffsetY, 0.158 / 0.75 * 200, 1e-4);
  EXPECT_FLOAT_EQ(g.RotationOffsetX, 27.5f);
  EXPECT_FLOAT_EQ(g.RotationOffsetY, -27.5f);
  EXPECT_FLOAT_EQ(g.LineWidth, 510 * 0.25f / 100);
  EXPECT_TRUE(g.Clip);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_NEAR(m[0], g.Scale, 1e-6);
  EXPECT_NEAR(m[5], g.Scale, 1e-6);
  EXPECT_NEAR(m[10], 1, 1e-6);
  EXPECT_NEAR(m[12], g.OffsetX + 27.5f, 1e-4);
  EXPECT_NEAR(m[13], g.OffsetY - 27.5f, 1e-4);
  GLfloat c[4];
  glGetFloatv(GL_CURRENT_COLOR, c);
  EXPECT_FLOAT_EQ(c[0] + c[1] + c[2], 3);  // white
  g.EndDraw();
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth1);
  EXPECT_EQ(depth1, depth0);

  // An unknown rotation leaves the previous offsets and scissor box.
  g.BeginDraw(510, 0, 0.38025f, 0.395f, 0.155f, 0.158f, 100, 108, 0, 180, false);
  g.EndDraw();
  const auto box = ScissorBox();
  g.BeginDraw(510, 0, 0.1f, 0.1f, 0.1f, 0.1f, 10, 10, 0, 45, false);
  EXPECT_FLOAT_EQ(g.RotationOffsetX, -27.5f);
  EXPECT_FLOAT_EQ(g.RotationOffsetY, -27.5f);
  EXPECT_EQ(ScissorBox(), box);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  g.EndDraw();
}

// For every gauge, rotation and drawing scale: the gauge's box, drawn
// through its matrix inside the rotated PFD square, lies inside its
// scissor box, which starts one pixel left of and below it and reaches
// two pixels beyond it.
TEST_F(GaugeFramework, ScissorBoxesEncloseTheGaugesAsDrawn) {
  for (float scale : {200.0f, 255.0f})
    for (int rotation : {0, 90, 180, 270})
      for (const Layout& l : kLayout) {
        SCOPED_TRACE(testing::Message() << l.name << " rotation " << rotation << " scale " << scale);
        DrawScale = scale;
        glViewport(0, 0, kSize, kSize);
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glOrtho(0, DrawScale, 0, DrawScale, -1, 1);
        const float t[4][2] = {{0, 0}, {DrawArea, 0}, {DrawArea, DrawArea}, {0, DrawArea}};
        glTranslatef(t[rotation / 90][0], t[rotation / 90][1], 0);
        glRotatef(static_cast<float>(rotation), 0, 0, 1);
        TGauge g;
        g.BeginDraw(kSize, 0, l.wf, l.hf, l.x, l.y, l.w, l.h, 0, rotation, false);
        const auto box = ScissorBox();
        // The box's width in gauge units, drawn at the height's scale.
        const float width = l.wf / 0.78f * DrawArea / g.Scale;
        glRectf(0, 0, width, l.h);
        g.EndDraw();
        ReadBack();
        int x0 = kSize, y0 = kSize, x1 = -1, y1 = -1;
        for (int y = 0; y < kSize; ++y)
          for (int x = 0; x < kSize; ++x)
            if (Pixel(x, y).r > 128) {
              x0 = std::min(x0, x), x1 = std::max(x1, x);
              y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
        ASSERT_GE(x1, 0);
        EXPECT_NEAR(x0 - box[0], 1, 1);
        EXPECT_NEAR(y0 - box[1], 1, 1);
        EXPECT_NEAR(box[0] + box[2] - 1 - x1, 2, 1);
        EXPECT_NEAR(box[1] + box[3] - 1 - y1, 2, 1);
      }
}

TEST_F(GaugeFramework, AFrameLeavesNoErrorAndTheMatrixStackBalanced) {
  harness->Load(pfdtest::ReferenceScenarios()[2]);
  for (float scale : {200.0f, 255.0f})
    for (int rotation : {0, 90, 180, 270, 45})
      for (bool smooth : {false, true}) {
        while (glGetError() != GL_NO_ERROR) {
        }
        GLint before = 0, after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
        GLfloat m0[16], m1[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m0);
        DrawScale = scale;
        DrawPrimaryFlightDisplay(400, 30, 20, smooth, rotation);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
        glGetFloatv(GL_MODELVIEW_MATRIX, m1);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << rotation;
        EXPECT_EQ(before, after);
        EXPECT_TRUE(std::equal(m0, m0 + 16, m1));
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
      }
}

TEST_F(GaugeFramework, AZeroSizeViewportDrawsNothing) {
  harness->Load(pfdtest::ReferenceScenarios()[2]);
  harness->Render({.size = 0});
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  ReadBack();
  EXPECT_EQ(CountColour(0, 0, kSize - 1, kSize - 1, {0, 0, 0, 255}, 0), kSize * kSize);
  EXPECT_TRUE(harness->printed.empty());
}

TEST_F(GaugeFramework, AnUnknownRotationDrawsAsZero) {
  harness->Load(pfdtest::ReferenceScenarios()[2]);
  DrawScale = 200;
  auto draw = [&](int rotation) {
    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glOrtho(0, DrawScale, 0, DrawScale, -1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    DrawPrimaryFlightDisplay(kSize, 0, 0, false, rotation);
    ReadBack();
    return pixels_;
  };
  // The fonts leave line smoothing on: the first frame of a process draws
  // its lines unsmoothed, every later frame smoothed.
  draw(0);
  const auto upright = draw(0);
  EXPECT_TRUE(draw(45) == upright);
  EXPECT_TRUE(draw(-90) == upright);
}

}  // namespace
