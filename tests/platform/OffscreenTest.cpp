#include <GL/gl.h>
#include <gtest/gtest.h>

#include "platform/DisplayLists.h"
#include "tests/common/TestSupport.h"

using testsupport::GLTest;

TEST_F(GLTest, ContextHasStencilAndClearsToColour) {
  GLint stencil = 0;
  glGetIntegerv(GL_STENCIL_BITS, &stencil);
  EXPECT_GE(stencil, 8);
  glClearColor(51 / 255.f, 51 / 255.f, 76 / 255.f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  ReadBack();
  auto p = Pixel(100, 200);
  EXPECT_EQ(p.r, 51);
  EXPECT_EQ(p.g, 51);
  EXPECT_EQ(p.b, 76);
}

TEST_F(GLTest, StencilMasksDrawing) {
  glEnable(GL_STENCIL_TEST);
  glStencilFunc(GL_ALWAYS, 1, 0xff);
  glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
  glColorMask(0, 0, 0, 0);
  glRectf(-1, -1, 0, 1);  // left half into the stencil
  glColorMask(1, 1, 1, 1);
  glStencilFunc(GL_EQUAL, 1, 0xff);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glColor3f(1, 0, 0);
  glRectf(-1, -1, 1, 1);
  glDisable(GL_STENCIL_TEST);
  ReadBack();
  EXPECT_EQ(Pixel(100, 256).r, 255);
  EXPECT_EQ(Pixel(400, 256).r, 0);
}

TEST_F(GLTest, FixedListsAreReservedBeforeGenLists) {
  platform::ReserveFixedDisplayLists();
  for (unsigned n : platform::FixedDisplayListNumbers()) EXPECT_TRUE(glIsList(n)) << n;
  GLuint base = glGenLists(145);
  ASSERT_NE(base, 0u);
  for (GLuint i = base; i < base + 145; ++i) EXPECT_FALSE(platform::IsFixedDisplayList(i)) << i;
  glDeleteLists(base, 145);
}
