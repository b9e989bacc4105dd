#include <gtest/gtest.h>

#include "platform/Wgl.h"
#include "support/opengl/CgWindow.h"

using namespace platform;

namespace {
PIXELFORMATDESCRIPTOR PaletteFormat(int bits, int r, int rs, int g, int gs, int b, int bs) {
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_NEED_PALETTE;
  pfd.cColorBits = static_cast<std::uint8_t>(bits);
  pfd.cRedBits = static_cast<std::uint8_t>(r);
  pfd.cRedShift = static_cast<std::uint8_t>(rs);
  pfd.cGreenBits = static_cast<std::uint8_t>(g);
  pfd.cGreenShift = static_cast<std::uint8_t>(gs);
  pfd.cBlueBits = static_cast<std::uint8_t>(b);
  pfd.cBlueShift = static_cast<std::uint8_t>(bs);
  return pfd;
}
}  // namespace

TEST(Palette, TrueColourFormatBuildsNone) {
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.cColorBits = 24;
  EXPECT_TRUE(BuildPaletteEntries(pfd).empty());
}

TEST(Palette, EightBitFormatSpreadsEachChannelEvenly) {
  // 3-3-2 bits: red in bits 0-2, green 3-5, blue 6-7.
  auto entries = BuildPaletteEntries(PaletteFormat(8, 3, 0, 3, 3, 2, 6));
  ASSERT_EQ(entries.size(), 256u);
  for (unsigned k = 0; k < 8; ++k) {
    EXPECT_EQ(entries[k].peRed, k * 255 / 7);            // level k of a 3-bit channel
    EXPECT_EQ(entries[k << 3].peGreen, k * 255 / 7);
  }
  for (unsigned k = 0; k < 4; ++k) EXPECT_EQ(entries[k << 6].peBlue, k * 255 / 3);
  EXPECT_EQ(entries[255].peRed, 255);
  EXPECT_EQ(entries[255].peGreen, 255);
  EXPECT_EQ(entries[255].peBlue, 255);
  for (const auto& e : entries) EXPECT_EQ(e.peFlags, 0);
}

TEST(Palette, AbsurdColourDepthBuildsNothing) {
  EXPECT_TRUE(BuildPaletteEntries(PaletteFormat(32, 8, 0, 8, 8, 8, 16)).empty());
  EXPECT_TRUE(BuildPaletteEntries(PaletteFormat(0, 0, 0, 0, 0, 0, 0)).empty());
}

TEST(PixelFormat, OptionsAreResetAfterEveryUse) {
  UseDoubleBuffer = false;
  UseColorIndex = true;
  // No window: the calls fail quietly, the options still reset.
  EXPECT_EQ(SetDCPixelFormat(nullptr), 0u);
  EXPECT_TRUE(UseDoubleBuffer);
  EXPECT_FALSE(UseColorIndex);
}

TEST(RenderContext, ReleaseWithoutContextOnlyReleasesTheDeviceContext) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server";
  WglCallCounts before = WglCalls();
  {
    TCGForm form(10, 10, 200, 200, "test");
    form.MakeContextCurrent();  // before CreateRenderContext: nothing
  }
  EXPECT_EQ(WglCalls().makeCurrent, before.makeCurrent);
  EXPECT_EQ(WglCalls().deleteContext, before.deleteContext);
  EXPECT_EQ(WglCalls().deletePalette, before.deletePalette);
  EXPECT_EQ(WglCalls().releaseDC, before.releaseDC + 1);
}

TEST(RenderContext, CreatedContextIsReleasedAndDeletedOnce) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server";
  WglCallCounts before = WglCalls();
  {
    TCGForm form(10, 10, 200, 200, "test");
    form.CreateRenderContext();
    ASSERT_NE(form.RC, 0u);
    EXPECT_EQ(form.Palette, 0u);  // true colour: no palette
    EXPECT_TRUE(form.HasContext());
  }
  EXPECT_EQ(WglCalls().deleteContext, before.deleteContext + 1);
  EXPECT_EQ(WglCalls().deletePalette, before.deletePalette);
  EXPECT_EQ(WglCalls().releaseDC, before.releaseDC + 1);
}
