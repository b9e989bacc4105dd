// The generated textures in the staged "bitmaps" folder load as textures
// and fit the way the displays map them.
#include <cmath>
#include <string>

#include "support/opengl/CgTexture.h"
#include "tests/common/TestSupport.h"

namespace {

struct Channels {
  int r, g, b;
};
Channels At(const TCGImage& img, int x, int y) {
  const std::uint32_t p = img.Pixel(x, y);
  return {static_cast<int>(p & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>((p >> 16) & 0xFF)};
}

std::string Staged(const std::string& name) { return testsupport::StageDir() + "/bitmaps/" + name; }

TEST(Bitmaps, FramesAreSquareBezelsWithABlackOpening) {
  for (const char* name : {"PFDframe.jpg", "NDframe.jpg"}) {
    TCGImage img;
    ASSERT_NO_THROW(img.LoadFromJPEG(Staged(name))) << name;
    ASSERT_EQ(img.Width(), img.Height()) << name;
    ASSERT_TRUE(IsPowerOfTwo(img.Width())) << name;
    const double u = img.Width() / 255.0;  // pixels per drawing unit
    // The instruments' square, 27.5 to 227.5 units, is black glass...
    for (double x : {28.5, 60.0, 127.5, 226.5})
      for (double y : {28.5, 127.5, 226.5}) {
        const Channels c = At(img, static_cast<int>(x * u), static_cast<int>(y * u));
        EXPECT_LT(c.r + c.g + c.b, 30) << name << " at " << x << "," << y;
      }
    // ...and the border around it is the bezel's grey.
    for (double x : {20.0, 127.5, 235.0})
      for (double y : {5.0, 20.0, 235.0, 250.0}) {
        if (x == 127.5 && (y == 5.0 || y == 250.0)) continue;
        const Channels c = At(img, static_cast<int>(x * u), static_cast<int>(y * u));
        EXPECT_GT(c.r, 25) << name << " at " << x << "," << y;
        EXPECT_LT(std::abs(c.r - c.b), 25) << name << " is grey at " << x << "," << y;
      }
  }
}

double WhiteShare(const TCGImage& img) {
  int white = 0;
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) white += At(img, x, y).g > 127;
  return static_cast<double>(white) / (img.Width() * img.Height());
}

TEST(Bitmaps, TerrainPatternsHaveTheirDensities) {
  TCGImage sparse, dense;
  ASSERT_NO_THROW(sparse.LoadFromJPEG(Staged("texture25.jpg")));
  ASSERT_NO_THROW(dense.LoadFromJPEG(Staged("texture50.jpg")));
  EXPECT_TRUE(IsPowerOfTwo(sparse.Width()) && IsPowerOfTwo(sparse.Height()));
  EXPECT_TRUE(IsPowerOfTwo(dense.Width()) && IsPowerOfTwo(dense.Height()));
  EXPECT_NEAR(WhiteShare(sparse), 0.25, 0.02);
  EXPECT_NEAR(WhiteShare(dense), 0.50, 0.02);
}

// The ball maps s = 0.005 x, t = 0.004 y with wrapping: the sky shows t 0
// to 0.32, the ground t 0.68 to 1.
TEST(Bitmaps, BallTexturesAreSkyAndGround) {
  TCGImage sky, ground;
  ASSERT_NO_THROW(sky.LoadFromJPEG(Staged("AItexture-blue.jpg")));
  ASSERT_NO_THROW(ground.LoadFromJPEG(Staged("AItexture-black.jpg")));
  ASSERT_TRUE(IsPowerOfTwo(sky.Width()) && IsPowerOfTwo(sky.Height()));
  ASSERT_TRUE(IsPowerOfTwo(ground.Width()) && IsPowerOfTwo(ground.Height()));
  auto texel = [](const TCGImage& img, double x, double y) {
    double s = 0.005 * x, t = 0.004 * y;
    s -= std::floor(s);
    t -= std::floor(t);
    return At(img, static_cast<int>(s * img.Width()), static_cast<int>(t * img.Height()));
  };
  // Between the marks: blue sky above the horizon, brown ground below.
  for (double y : {2.0, 10.0, 48.0, 75.0}) {
    const Channels c = texel(sky, 70, y);
    EXPECT_GT(c.b, c.r + 60) << "sky at " << y;
    const Channels g = texel(ground, 70, -y);
    EXPECT_GT(g.r, g.b + 30) << "ground at " << -y;
    EXPECT_LT(g.r, 170) << "ground at " << -y;
  }
  // White pitch marks where the ball's 10 and -20 degree lines run at its centre.
  const Channels up10 = texel(sky, 0, 80 * std::sin(10 * M_PI / 180));
  EXPECT_GT(up10.r + up10.g + up10.b, 600);
  const Channels down20 = texel(ground, 0, -80 * std::sin(20 * M_PI / 180));
  EXPECT_GT(down20.r + down20.g + down20.b, 600);
  // Nothing white half-way between two marks.
  const Channels between = texel(sky, 0, 80 * std::sin(7.5 * M_PI / 180));
  EXPECT_LT(between.r + between.g + between.b, 600);
}

}  // namespace
