// The terrain map and the profile panel: colours and patterns by height,
// the lit fraction of each pattern read back from a drawn frame, the peaks
// display, and the profile's arithmetic.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include <unistd.h>

#include "nd/Uterrain.h"
#include "support/opengl/CgTexture.h"
#include "tests/common/TestSupport.h"

namespace {

using testsupport::Rgba;

// The map's frame: the aircraft at 47.2 N 122.06 W.
NdFrame MapView(int range, double heading, double altitude) {
  NdFrame f;
  f.range = range;
  f.ownLatitude = 47.2;
  f.ownLongitude = -122.06;
  f.heading = heading;
  f.ownAltitude = altitude;
  return f;
}

struct Expect {
  bool drawn;
  float r, g, b;
  TerrainPattern pattern;
};
constexpr float kAmberG = 0.95f, kAmberB = 0.2f;

TEST(TerrainMap, ColourAndPatternByHeight) {
  using P = TerrainPattern;
  const struct {
    int n;  // ft above the aircraft
    bool caution, warning;
    Expect look;
  } cases[] = {
      {1500, false, false, {true, 1, kAmberG, kAmberB, P::Dense}},
      {1500, true, false, {true, 1, kAmberG, kAmberB, P::Solid}},
      {2500, false, false, {true, 1, 0, 0, P::Dense}},
      {2500, true, false, {true, 1, kAmberG, kAmberB, P::Solid}},
      {2500, true, true, {true, 1, 0, 0, P::Solid}},
      {-1500, false, false, {true, 0, 1, 0, P::Medium}},
      {-1000, false, false, {true, 0, 1, 0, P::Dense}},
      {-509, false, false, {true, 1, kAmberG, kAmberB, P::Medium}},
      {-510, false, false, {true, 0, 1, 0, P::Dense}},
      {-2009, false, false, {true, 0, 1, 0, P::Medium}},
      {-2010, false, false, {false, 0, 0, 0, P::Solid}},
      {-2500, true, false, {true, 1, kAmberG, kAmberB, P::Solid}},
      {-1500, false, true, {true, 1, 0, 0, P::Solid}},
      {999, false, false, {true, 1, kAmberG, kAmberB, P::Medium}},
      {1000, false, false, {true, 1, kAmberG, kAmberB, P::Dense}},
      {1999, false, false, {true, 1, kAmberG, kAmberB, P::Dense}},
      {2000, false, false, {true, 1, 0, 0, P::Dense}},
      {-1010, false, false, {true, 0, 1, 0, P::Medium}},
      {-1009, false, false, {true, 0, 1, 0, P::Dense}},
      {99909, false, false, {true, 1, 0, 0, P::Dense}},
      {99910, false, false, {false, 0, 0, 0, P::Solid}},
  };
  const int metres = 1000;
  for (const auto& c : cases) {
    const double altitude = metres / 0.3048 - c.n;
    const TerrainCellLook l = NormalCellLook(metres, altitude, c.caution, c.warning);
    EXPECT_EQ(l.drawn, c.look.drawn) << c.n;
    if (!l.drawn) continue;
    EXPECT_FLOAT_EQ(l.r, c.look.r) << c.n;
    EXPECT_FLOAT_EQ(l.g, c.look.g) << c.n;
    EXPECT_FLOAT_EQ(l.b, c.look.b) << c.n;
    EXPECT_EQ(l.pattern, c.look.pattern) << c.n << " " << c.caution << c.warning;
  }
  // 381 m are 1250 ft exactly: 999.5 ft above 250.5 ft rounds to 1000.
  EXPECT_EQ(NormalCellLook(381, 250.5, false, false).pattern, P::Dense);
}

TEST(TerrainMap, PeaksOverTheUpperHalf) {
  // 1,000 to 6,000 ft below an aircraft at 20,000 ft: the display keeps
  // 3,500 ft and up.
  const struct {
    int metres;
    bool drawn;
    TerrainPattern pattern;
  } cases[] = {
      {1066, false, TerrainPattern::Solid},  // 3,497 ft
      {1067, true, TerrainPattern::Sparse},  {1299, true, TerrainPattern::Sparse},   // 4,262 ft
      {1300, true, TerrainPattern::Medium},  {1680, true, TerrainPattern::Medium},   // 5,512 ft
      {1681, true, TerrainPattern::Solid},   {1829, true, TerrainPattern::Solid},
  };
  for (const auto& c : cases) {
    const TerrainCellLook l = PeakCellLook(c.metres, 3500, 6000, 3500);
    EXPECT_EQ(l.drawn, c.drawn) << c.metres;
    if (l.drawn) {
      EXPECT_EQ(l.pattern, c.pattern) << c.metres;
      EXPECT_FLOAT_EQ(l.g, 1);
      EXPECT_FLOAT_EQ(l.r, 0);
    }
  }
  EXPECT_TRUE(PeakCellLook(381, 1000, 2000, 1250).drawn);  // 1250 ft exactly
  // No spread at all: the top.
  EXPECT_EQ(PeakCellLook(1000, 3281, 3281, 3000).pattern, TerrainPattern::Solid);
}

// A frame of the map over uniform terrain, 200 x 200 ND units on 512 px.
class TerrainMapDrawing : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    terrain.InitData(10, "");
    Uniform(1000);
  }
  // top: rows of five heights in turn, from metres up to top (0: none).
  void Uniform(int metres, bool noData = false, int top = 0) {
    for (auto& block : terrain.Blocks)
      for (int i = 0; i < 720000; i += 2) {
        const int v = noData ? 0x10000 - 9999 : top ? metres + (top - metres) * (i / 1200 % 5) / 4 : metres;
        block[i] = static_cast<std::uint8_t>(v >> 8);
        block[i + 1] = static_cast<std::uint8_t>(v & 0xFF);
      }
    terrain.CentreRow = static_cast<int>((90 - lat) * 120) / 600;
    terrain.CentreColumn = 11;
  }
  // Scans high above (no alert), then draws seen from altitude.
  void Frame(double altitude, bool sea = false, double scanAltitude = 30000, double vs = 0) {
    terrain.SetReferenceAltitude(0);
    bool c = false, w = false;
    terrain.Scan(10, false, lat, -122.06, 0, 0, 250, vs, scanAltitude, false, c, w);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glOrtho(-100, 100, -100, 100, -1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    NdFrame view = MapView(10, 0, altitude);
    view.ownLatitude = lat;
    terrain.Draw(view, false, sea);
    glFinish();
    ReadBack();
  }
  // Fraction of lit pixels in a square ahead of the aircraft and the
  // colour of the first lit one.
  double Lit(Rgba& colour) const {
    int lit = 0, all = 0;
    for (int y = 320; y < 448; ++y)
      for (int x = 192; x < 320; ++x) {
        const Rgba p = Pixel(x, y);
        ++all;
        if (p.r + p.g + p.b > 60) {
          if (lit++ == 0) colour = p;
        }
      }
    return static_cast<double>(lit) / all;
  }
  Tterrain terrain;
  double lat = 47.2;
};

TEST_F(TerrainMapDrawing, LitFractionOfEachPattern) {
  const double ft = 1000 / 0.3048;
  const struct {
    double above;  // terrain above the aircraft, ft
    bool sea;
    double fraction;
    Rgba colour;
  } cases[] = {
      {1500, false, 128 / 1024.0, {255, 242, 51, 255}},  // amber dense
      {-1500, false, 64 / 1024.0, {0, 255, 0, 255}},     // green medium
      {2500, false, 128 / 1024.0, {255, 0, 0, 255}},     // red dense
      {-2500, false, 0, {0, 0, 0, 255}},                 // far below: nothing
      // The highest terrain (3281 ft, rounded) exactly 2000 ft below: the
      // peaks display, which without a spread shows nothing.
      {ft - 5281, false, 0, {0, 0, 0, 255}},
  };
  for (const auto& c : cases) {
    Frame(ft - c.above, c.sea);
    Rgba colour{0, 0, 0, 255};
    EXPECT_NEAR(Lit(colour), c.fraction, 0.004) << c.above;
    if (c.fraction > 0) {
      EXPECT_NEAR(colour.r, c.colour.r, 2) << c.above;
      EXPECT_NEAR(colour.g, c.colour.g, 2) << c.above;
      EXPECT_NEAR(colour.b, c.colour.b, 2) << c.above;
    }
  }
  ExpectPicture("nd-terrain-amber-dense");
}

TEST_F(TerrainMapDrawing, AlertingTerrainIsSolid) {
  // Scanned from 300 ft above the plateau at 250 kt, level: warning up to
  // 2.43 NM ahead, caution up to 3.47 NM; the alert spread paints every
  // cell that near solid. Beyond, the plain amber pattern.
  const double ft = 1000 / 0.3048;
  Frame(ft + 300, false, ft + 300);
  // 2.56 px per unit, 14.142 units per NM, the aircraft at (256, 256).
  auto solid = [&](double nm0, double nm1, Rgba c) {
    int lit = 0, all = 0, right = 0;
    for (int y = 256 + static_cast<int>(nm0 * 36.2); y < 256 + static_cast<int>(nm1 * 36.2); ++y)
      for (int x = 246; x < 266; ++x) {
        const Rgba p = Pixel(x, y);
        ++all;
        lit += p.r + p.g + p.b > 60;
        right += std::abs(p.r - c.r) <= 2 && std::abs(p.g - c.g) <= 2 && std::abs(p.b - c.b) <= 2;
      }
    EXPECT_GT(lit, all * 0.97) << nm0;
    EXPECT_GT(right, all * 0.97) << nm0;
  };
  solid(0.5, 2.2, {255, 0, 0, 255});
  solid(2.7, 3.3, {255, 242, 51, 255});
  Rgba colour{};
  EXPECT_LT(Lit(colour), 0.9);  // the far part is patterned
  ExpectPicture("nd-terrain-warning");
  // 1500 ft above it, descending 1000 ft/min: a caution from 2.08 to 3.47
  // NM and no warning; the spread paints the nearer cells solid amber too.
  Frame(ft + 1500, false, ft + 1500, -1000);
  ExpectPicture("nd-terrain-caution-spread");
}

TEST_F(TerrainMapDrawing, SeaAndPeaks) {
  Uniform(0, true);
  Frame(3000, true);
  Rgba colour{};
  EXPECT_NEAR(Lit(colour), 36 / 1024.0, 0.004);
  EXPECT_EQ(colour.b, 255);
  Frame(3000, false);
  EXPECT_EQ(Lit(colour), 0);
  // High above: the peaks display keeps the upper half of a spread above
  // 3000 ft (3281 to 6562 ft: from 4921 ft up, sparse, medium and solid),
  // and shows no land without one.
  const struct {
    int low, high, minimum;
  } peaks[] = {{1000, 1000, 99999}, {1000, 1800, 99999}, {1000, 2000, 4921}};
  for (const auto& pk : peaks) {
    Uniform(pk.low, false, pk.high);
    Frame(20000, false, 20000);
    EXPECT_EQ(terrain.MinElevation(), pk.minimum) << pk.high;
  }
  ExpectPicture("nd-terrain-peaks");
}

TEST_F(TerrainMapDrawing, HighLatitudes) {
  // At 80 N the scan takes every fifth column (k = 5) and the map draws
  // each cell five times as wide, out to 200 columns either side; beyond 87
  // degrees it draws nothing, whatever the grid still holds.
  lat = 80;
  Uniform(1000);
  Frame(1000 / 0.3048 - 1500);
  ExpectPicture("nd-terrain-80n");
  lat = 88;
  Frame(1000 / 0.3048 - 1500);
  Rgba colour{};
  EXPECT_EQ(Lit(colour), 0);
}

TEST_F(TerrainMapDrawing, TexturesInsteadOfStipples) {
  // The pattern images of the staged program folder.
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(testsupport::StageDir().c_str()), 0);
  terrain.Init(10, testsupport::StageDir());
  ASSERT_EQ(chdir(here), 0);
  ASSERT_TRUE(terrain.TexturesFound);
  Uniform(1000);
  const double ft = 1000 / 0.3048;
  const struct {
    double above, fraction;
  } cases[] = {{1500, 0.5}, {-1500, 0.25}};
  for (const auto& c : cases) {
    long uploads = 0;
    for (int frame = 0; frame < 10; ++frame) {
      terrain.SetReferenceAltitude(0);
      bool cn = false, wn = false;
      terrain.Scan(10, true, 47.2, -122.06, 0, 0, 250, 0, 30000, false, cn, wn);
      glMatrixMode(GL_MODELVIEW);
      glLoadIdentity();
      glOrtho(-100, 100, -100, 100, -1, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      terrain.Draw(MapView(10, 0, ft - c.above), true, false);
      if (frame == 1) uploads = TCGTexture::UploadCount();
    }
    EXPECT_EQ(TCGTexture::UploadCount(), uploads);  // bound, not uploaded again
    glFinish();
    ReadBack();
    Rgba colour{};
    EXPECT_NEAR(Lit(colour), c.fraction, 0.08) << c.above;
  }
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  ExpectPicture("nd-terrain-textured");
  terrain.DeleteTextures();
}

TEST_F(TerrainMapDrawing, CellOnTheHeadingSitsStraightAhead) {
  for (TerrainSample& r : terrain.Samples) r.elevation = -9998;
  TerrainSample& cell = terrain.Sample(0, -10);
  cell = {1000, 5, 30, true, false, false};  // 5 NM on 030, alerting
  terrain.HighestElevation = 3281;
  terrain.CautionMinElevation = terrain.WarningMinElevation = 100000;
  terrain.CautionMaxDistance = terrain.WarningMaxDistance = -1;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glOrtho(-100, 100, -100, 100, -1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  terrain.Draw(MapView(10, 30, 3000), false, false);
  glFinish();
  ReadBack();
  const int ahead = 256 + static_cast<int>(5 * 14.142 * 2.56);  // 5 NM straight up
  EXPECT_EQ(Pixel(256, ahead).r, 255);
  EXPECT_EQ(Pixel(256, ahead).g, 242);
  EXPECT_EQ(Pixel(256 + 90, 256 + 157).r, 0);  // where 030 would be, heading north
  // The texture planes follow the range: 0.0075 at 5, 0.03 at 10 and 40.
  const struct {
    int range;
    float p;
  } planes[] = {{5, 0.0075f}, {10, 0.03f}, {40, 0.03f}};
  for (const auto& pl : planes) {
    terrain.Draw(MapView(pl.range, 0, 3000), false, false);
    GLfloat sPlane[4], tPlane[4];
    glGetTexGenfv(GL_S, GL_OBJECT_PLANE, sPlane);
    glGetTexGenfv(GL_T, GL_OBJECT_PLANE, tPlane);
    EXPECT_FLOAT_EQ(sPlane[0], pl.p) << pl.range;
    EXPECT_FLOAT_EQ(tPlane[1], pl.p) << pl.range;
  }
}

// ---------------------------------------------------------------------------
// Profile

TEST(TerrainProfile, AircraftSymbolAndScroll) {
  EXPECT_EQ(ProfileScale(10), 3000);
  const ProfileOffsets level = ProfileScroll(5000, 0, 0, 3000);
  EXPECT_DOUBLE_EQ(32.5 - level.w, 32.5);
  EXPECT_DOUBLE_EQ(level.o, 62);
  const ProfileOffsets climb = ProfileScroll(5000, 1000, 0, 3000);
  const ProfileOffsets descent = ProfileScroll(5000, -1000, 0, 3000);
  EXPECT_NEAR(climb.w, 4.27, 0.005);   // the symbol moves down
  EXPECT_NEAR(descent.w, -4.27, 0.005);
  EXPECT_DOUBLE_EQ(ProfileScroll(5000, 4000, 0, 3000).w, 15.249);
  EXPECT_DOUBLE_EQ(ProfileScroll(5000, 2800, 0, 3000).w, 15.249);
  EXPECT_DOUBLE_EQ(ProfileScroll(5000, 300, 0, 3000).w, 0);
  EXPECT_DOUBLE_EQ(ProfileScroll(5000, 250, 0, 3000).w, 0);
  EXPECT_DOUBLE_EQ(ProfileScroll(5000, -250, 0, 3000).w, 0);
  // Low over high ground: the scale follows the terrain. Low over low
  // ground: the scale stops at its floor and the symbol moves up instead.
  const ProfileOffsets low = ProfileScroll(600, 0, 500, 3000);
  EXPECT_NEAR(low.o, 4.59, 0.005);
  EXPECT_NEAR(low.w, 17.39, 0.005);
  const ProfileOffsets floor = ProfileScroll(1000, 0, 0, 3000);
  EXPECT_NEAR(floor.o, 0, 1e-9);
  EXPECT_NEAR(floor.w, 6, 1e-9);
  EXPECT_TRUE(std::isfinite(ProfileScroll(NAN, INFINITY, 0, 3000).w));
}

TEST(TerrainProfile, Labels) {
  auto texts = [](int feet) {
    std::string s;
    for (const ProfileText& t : ProfileAltitudeLabel(feet)) s += std::string(t.large ? "L" : "s") + t.text + " ";
    return s;
  };
  EXPECT_EQ(texts(12500), "L1 L2 s5 s00 ");
  EXPECT_EQ(texts(0), "s0 ");
  EXPECT_EQ(texts(5000), "L5 s0 s00 ");
  EXPECT_EQ(texts(500), "s5 s00 ");
  EXPECT_EQ(ProfileDistanceLabels(10), (std::pair<std::string, std::string>{"2.5", "5"}));
  EXPECT_EQ(ProfileDistanceLabels(80), (std::pair<std::string, std::string>{"20", "40 "}));
  EXPECT_EQ(ProfileDistanceLabels(5), (std::pair<std::string, std::string>{"1.25", "2.5"}));
  EXPECT_EQ(ProfileDistanceLabels(320), (std::pair<std::string, std::string>{"80", "160"}));
  EXPECT_EQ(ProfileDistanceLabels(640), (std::pair<std::string, std::string>{"160", "320"}));
}

TEST(TerrainProfile, SegmentsAndBins) {
  // Rising through both lines: green, yellow; then yellow, red.
  const auto parts = ProfileSegment(0, 0, 10, 100, 30, 60);
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_FLOAT_EQ(parts[0].g, 1);
  EXPECT_FLOAT_EQ(parts[0].r, 0);
  EXPECT_DOUBLE_EQ(parts[0].x2, 3);
  EXPECT_FLOAT_EQ(parts[2].r, 1);
  EXPECT_FLOAT_EQ(parts[2].g, 1);  // yellow below the top line
  EXPECT_DOUBLE_EQ(parts[2].y2, 60);
  EXPECT_DOUBLE_EQ(parts[3].x1, 6);
  EXPECT_FLOAT_EQ(parts[3].g, 0);  // red above it
  EXPECT_EQ(ProfileSegment(0, 70, 10, 80, 30, 60).size(), 1u);

  // A bar through both lines: green, amber, red.
  const auto bar = ProfileBar(44, 70, 30, 60);
  ASSERT_EQ(bar.size(), 3u);
  EXPECT_DOUBLE_EQ(bar[0].y2, 30);
  EXPECT_FLOAT_EQ(bar[1].g, 0.95f);
  EXPECT_DOUBLE_EQ(bar[1].y2, 60);
  EXPECT_DOUBLE_EQ(bar[2].y2, 70);
  EXPECT_EQ(ProfileBar(44, 20, 30, 60).size(), 1u);
  EXPECT_DOUBLE_EQ(ProfilePathLength(160), 22.5);
  EXPECT_DOUBLE_EQ(ProfilePathLength(40), 45);
  EXPECT_DOUBLE_EQ(ProfilePathSlope(1000, 0), 0);
  EXPECT_DOUBLE_EQ(ProfilePathSlope(1000, -20), 0);

  std::array<double, 101> bins{};
  bins.fill(-1);
  bins[20 + 6] = 500;
  EXPECT_EQ(ProfileValue(bins, 3), 500);  // an empty bin takes the next filled one
  EXPECT_EQ(ProfileValue(bins, 6), 500);
  EXPECT_EQ(ProfileValue(bins, 7), -1);
}

}  // namespace
