// The standby instruments drawn on the offscreen context: where the ball's
// horizon, the needles, drums and figures land for reference states.
#include <GL/gl.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "lunavex/Indicators.h"
#include "lunavex/LunavexState.h"
#include "tests/common/TestSupport.h"
#include "tools/make-bitmaps/JpegWriter.h"

using namespace lunavex;
using testsupport::Rgba;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Writes a uniform JPEG.
void WriteUniformJpeg(const std::string& path, int r, int g, int b) {
  bitmaps::Picture p(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      p.Set(x, y, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
  ASSERT_TRUE(bitmaps::WriteJpeg(path, p, 95));
}

struct Printed {
  float size;
  std::string text;
  float x, y;
};

class IndicatorsTest : public testsupport::GLTest {
 protected:
  static void SetUpTestSuite() {
    Context().MakeCurrent();
    CreateStandbyFonts(reinterpret_cast<platform::HDC>(0x4c56));
  }

  void SetUp() override {
    GLTest::SetUp();
    StandbyValues = TStandbyValues{};
    StandbyValues.Scale = 125.0f;  // 80 %
    StandbyValues.InstrumentSize = kSize;
    StandbyValues.VisibleCount = 1;
    printed_.clear();
    TCGFont3D::SetPrintHook([this](const TCGFont3D& f, const char* t, float x, float y, float) {
      printed_.push_back({f.Size, t, x, y});
    });
    ResetProjection();
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  void TearDown() override {
    TCGFont3D::SetPrintHook(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }

  // Pixel of instrument units (x, y) in the 512-pixel viewport.
  static int Px(double units) {
    return static_cast<int>(std::lround(kSize / 2.0 + units * kSize / 2.0 / 125.0));
  }
  Rgba At(double x, double y) const { return Pixel(Px(x), Px(y)); }
  static bool IsWhite(Rgba p) { return p.r > 200 && p.g > 200 && p.b > 200; }
  static bool IsSky(Rgba p) { return p.b > 120 && p.b > p.r + 60; }
  static bool IsDark(Rgba p) { return p.r < 60 && p.g < 60 && p.b < 60; }

  // Loads the ball textures from a folder of our own.
  void InitHorizon(TArtHorizon& horizon) {
    testsupport::MakeDirs(dir_.File("bitmaps"));
    WriteUniformJpeg(dir_.File("bitmaps/AItexture-blue.jpg"), 40, 110, 230);
    WriteUniformJpeg(dir_.File("bitmaps/AItexture-black.jpg"), 10, 10, 10);
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
    horizon.Init();
    ASSERT_EQ(chdir(old), 0);
    ASSERT_TRUE(horizon.SkyLoaded);
    ASSERT_TRUE(horizon.GroundLoaded);
  }

  // Height (instrument units) where the column at x units turns from sky
  // to something else, scanning down from 45 units (inside the lit part of
  // the ball).
  double SkyEdge(double x) const {
    const int col = Px(x);
    for (int row = Px(45); row > Px(-45); --row)
      if (!IsSky(Pixel(col, row)) && !IsSky(Pixel(col, row - 1)) && !IsSky(Pixel(col, row - 2)))
        return (row - kSize / 2.0) * 125.0 / (kSize / 2.0);
    return -1000;
  }

  std::vector<const Printed*> Texts(const std::string& text, float size) const {
    std::vector<const Printed*> out;
    for (const Printed& p : printed_)
      if (p.text == text && std::fabs(p.size - size) < 1e-3f) out.push_back(&p);
    return out;
  }

  testsupport::TempDir dir_;
  std::vector<Printed> printed_;
};

}  // namespace

// ---- Attitude indicator ----

TEST_F(IndicatorsTest, LevelBallHasItsHorizonThroughTheCentre) {
  TArtHorizon horizon;
  InitHorizon(horizon);
  horizon.Draw(0, 0);
  ReadBack();
  ExpectPicture("lunavex-horizon-level");
  // Blue above, black below, on either side of the pitch marks.
  for (double x : {-50.0, 50.0}) {
    EXPECT_TRUE(IsSky(At(x, 30))) << x;
    EXPECT_TRUE(IsSky(At(x, 5))) << x;
    EXPECT_TRUE(IsDark(At(x, -5))) << x;
    EXPECT_TRUE(IsDark(At(x, -30))) << x;
    EXPECT_NEAR(SkyEdge(x), 0.0, 2.5) << x;
  }
  // The white horizon line crosses the centre, under the aircraft symbol's gap.
  EXPECT_TRUE(IsWhite(At(-60, 0)));
  EXPECT_TRUE(IsWhite(At(60, 0)));
  // Orange wings of the fixed aircraft symbol.
  Rgba wing = At(-20, 0);
  EXPECT_GT(wing.r, 200);
  EXPECT_GT(wing.g, 90);
  EXPECT_LT(wing.g, 160);
  EXPECT_LT(wing.b, 60);
  // Grey face outside the ball, black window beyond the face (no decals).
  Rgba face = At(0, -84);
  EXPECT_NEAR(face.r, 26, 8);
  EXPECT_TRUE(IsDark(At(-95, -95)));
}

TEST_F(IndicatorsTest, PitchUpMovesTheHorizonDown) {
  TArtHorizon horizon;
  InitHorizon(horizon);
  horizon.Draw(10, 0);
  ReadBack();
  // A point of the horizon circle at x = 50 drops by z sin(pitch).
  const double expected = -std::sqrt(80.0 * 80.0 - 50.0 * 50.0) * std::sin(10 * kPi / 180);
  EXPECT_NEAR(SkyEdge(50), expected, 2.5);
  EXPECT_NEAR(SkyEdge(-50), expected, 2.5);
  EXPECT_TRUE(IsDark(At(50, expected - 6)));

  SetUp();
  horizon.Draw(-10, 0);
  ReadBack();
  EXPECT_NEAR(SkyEdge(50), -expected, 2.5);
}

TEST_F(IndicatorsTest, BankTurnsTheHorizonAndThePointer) {
  TArtHorizon horizon;
  InitHorizon(horizon);
  horizon.Draw(0, 20);  // the broker's bank -20
  ReadBack();
  ExpectPicture("lunavex-horizon-bank");
  const double rise = 55 * std::tan(20 * kPi / 180);
  EXPECT_NEAR(SkyEdge(55), rise, 3.0);
  EXPECT_NEAR(SkyEdge(-55), -rise, 3.0);
  // The bank pointer turns counter-clockwise with the ball.
  const double a = 20 * kPi / 180;
  EXPECT_TRUE(IsWhite(At(-70 * std::sin(a), 70 * std::cos(a))));
  EXPECT_FALSE(IsWhite(At(0, 70)));
}

TEST_F(IndicatorsTest, BallStaysWholeWithTheProjectionOfAResize) {
  // The resize handling sets the projection before the next frame; the
  // horizon starts from it, so its depth range must hold the ball.
  TArtHorizon horizon;
  InitHorizon(horizon);
  ResetProjection();
  horizon.Draw(0, 0);
  ReadBack();
  EXPECT_TRUE(IsSky(At(40, 40)));
  EXPECT_TRUE(IsDark(At(40, -40)));
  EXPECT_TRUE(IsSky(At(-30, 60)));
}

TEST_F(IndicatorsTest, UnloadableTexturesGiveAPlainBall) {
  TArtHorizon horizon;
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
  testsupport::MakeDirs(dir_.File("bitmaps"));
  testsupport::WriteFile(dir_.File("bitmaps/AItexture-blue.jpg"), "not a jpeg");
  horizon.Init();
  ASSERT_EQ(chdir(old), 0);
  EXPECT_FALSE(horizon.SkyLoaded);
  EXPECT_FALSE(horizon.GroundLoaded);
  horizon.Draw(0, 0);
  ReadBack();
  // Plain blue above the horizon, black below.
  EXPECT_TRUE(IsSky(At(50, 30)));
  EXPECT_TRUE(IsDark(At(50, -30)));
}

// ---- Airspeed indicator ----

TEST(SpeedNeedle, AnglesOfTheScale) {
  EXPECT_DOUBLE_EQ(SpeedNeedleAngle(50), 0);
  EXPECT_DOUBLE_EQ(SpeedNeedleAngle(60), 0);
  EXPECT_DOUBLE_EQ(SpeedNeedleAngle(130), 90);
  EXPECT_NEAR(SpeedNeedleAngle(240), 231.43, 0.01);
  EXPECT_NEAR(SpeedNeedleAngle(250), 244.29, 0.01);
  EXPECT_NEAR(SpeedNeedleAngle(300), 269.29, 0.01);
  EXPECT_DOUBLE_EQ(SpeedNeedleAngle(std::nanf("")), 0);
  EXPECT_TRUE(std::isfinite(SpeedNeedleAngle(3.4e38f)));
}

TEST_F(IndicatorsTest, AirspeedNeedleAndLabels) {
  TSpeedScale speed;
  speed.Draw(130);
  ReadBack();
  ExpectPicture("lunavex-airspeed-130");
  EXPECT_TRUE(IsWhite(At(45, 0)));   // 90 degrees: pointing right
  EXPECT_FALSE(IsWhite(At(0, 45)));
  EXPECT_TRUE(IsDark(At(-95, -95)));  // no case plate without decals

  SetUp();
  speed.Draw(50);
  ReadBack();
  EXPECT_TRUE(IsWhite(At(0, 45)));   // resting at the top
  EXPECT_FALSE(IsWhite(At(45, 0)));

  // Fifteen white labels and "KNOTS", all with the 15-unit font.
  EXPECT_EQ(printed_.size(), 16u);
  ASSERT_EQ(Texts("60", 15).size(), 1u);
  EXPECT_FLOAT_EQ(Texts("60", 15)[0]->x, -0.5f);
  EXPECT_FLOAT_EQ(Texts("60", 15)[0]->y, 4.2f);
  ASSERT_EQ(Texts("KNOTS", 15).size(), 1u);
  EXPECT_FLOAT_EQ(Texts("KNOTS", 15)[0]->y, -1.75f);
  // The "60" label lands at (-7.5, 63): white pixels just above that origin.
  int lit = CountColour(Px(-7.5), Px(63), Px(3), Px(72), {255, 255, 255, 255}, 60);
  EXPECT_GT(lit, 20);
}

TEST_F(IndicatorsTest, DecalsDrawTheCasePlate) {
  StandbyValues.DecalsVisible = true;
  TSpeedScale speed;
  speed.Draw(0);
  ReadBack();
  Rgba plate = At(-95, -60);
  EXPECT_NEAR(plate.r, 191, 3);
  EXPECT_NEAR(plate.g, 140, 3);
  EXPECT_NEAR(plate.b, 102, 3);
  EXPECT_TRUE(IsDark(At(-99, -99)));  // the cut corner
}

// ---- Altimeter ----

TEST(AltimeterValues, DrumsAndNeedle) {
  TAltimeterDrums d = AltimeterDrums(12345);
  EXPECT_EQ(d.D5, 1);
  EXPECT_EQ(d.D4, 2);
  EXPECT_EQ(d.D3, 3);
  EXPECT_NEAR(d.F, 0.36, 1e-9);
  EXPECT_NEAR(d.NeedleAngle(), 124.2, 1e-9);
  d = AltimeterDrums(1950);
  EXPECT_EQ(d.D3, 9);
  EXPECT_EQ(d.D4, 1);
  d = AltimeterDrums(12350.5f);  // halves to even
  EXPECT_EQ(d.R, 12350);
  EXPECT_EQ(d.T, 12350);
  for (float bad : {std::nanf(""), 3.4e38f, -3.4e38f}) {
    d = AltimeterDrums(bad);
    EXPECT_TRUE(std::isfinite(d.F));
    EXPECT_TRUE(std::isfinite(d.N));
  }
}

TEST(AltimeterValues, SettingDigits) {
  TSettingDigits s = SettingDigits(2992);
  EXPECT_EQ(s.Millibars[0], "1");
  EXPECT_EQ(s.Millibars[1], "0");
  EXPECT_EQ(s.Millibars[2], "1");
  EXPECT_EQ(s.Millibars[3], "3");
  EXPECT_EQ(s.Inches[0], "2");
  EXPECT_EQ(s.Inches[1], "9");
  EXPECT_EQ(s.Inches[2], "9");
  EXPECT_EQ(s.Inches[3], "2");
  // Both are rounded, halves to even: 2990 gives 1012.52 millibars, read 1013;
  // 2992.5 reads 2992.
  EXPECT_EQ(SettingDigits(2990).Millibars[3], "3");
  EXPECT_EQ(SettingDigits(2992.5f).Inches[3], "2");
  s = SettingDigits(3.4e38f);  // nothing undefined for a huge value
  EXPECT_FALSE(s.Millibars[0].empty());
}

TEST_F(IndicatorsTest, AltimeterAt12345) {
  DrawAltimeter(12345, 2992);
  ReadBack();
  ExpectPicture("lunavex-altimeter-12345");
  auto drum = [&](const std::string& t) { return Texts(t, 30); };
  ASSERT_EQ(drum("1").size(), 1u);
  EXPECT_FLOAT_EQ(drum("1")[0]->x, -1.4f);
  EXPECT_FLOAT_EQ(drum("1")[0]->y, 0.8f);
  ASSERT_EQ(drum("2").size(), 1u);
  EXPECT_FLOAT_EQ(drum("2")[0]->x, -0.8f);
  EXPECT_FLOAT_EQ(drum("2")[0]->y, 0.8f);
  ASSERT_EQ(drum("3").size(), 1u);
  EXPECT_FLOAT_EQ(drum("3")[0]->x, 0.1f);
  EXPECT_NEAR(drum("3")[0]->y, 0.8f - 0.36f, 1e-6);
  ASSERT_EQ(drum("4").size(), 1u);
  EXPECT_NEAR(drum("4")[0]->y, 1.6f - 0.36f, 1e-6);
  EXPECT_EQ(drum(",").size(), 1u);
  EXPECT_EQ(drum("00").size(), 1u);
  EXPECT_EQ(Texts("ALT", 12).size(), 1u);
  EXPECT_EQ(Texts("MB/H PA", 6).size(), 1u);
  EXPECT_EQ(Texts("IN HG", 6).size(), 1u);

  // The needle at 124.2 degrees clockwise from the top.
  const double a = 124.2 * kPi / 180;
  EXPECT_TRUE(IsWhite(At(45 * std::sin(a), 45 * std::cos(a))));
  EXPECT_FALSE(IsWhite(At(0, -45)));
  // Drum digits show white inside the window (y 20 to 46), none green.
  EXPECT_GT(CountColour(Px(-45), Px(22), Px(45), Px(44), {255, 255, 255, 255}, 60), 200);
  EXPECT_EQ(CountColour(Px(-45), Px(22), Px(45), Px(44), {0, 255, 0, 255}, 60), 0);
  // Nothing of the rolling digits shows outside the window.
  EXPECT_EQ(CountColour(Px(-40), Px(10), Px(40), Px(18), {255, 255, 255, 255}, 60), 0);
  EXPECT_EQ(CountColour(Px(-30), Px(48), Px(30), Px(57), {255, 255, 255, 255}, 60), 0);
}

TEST_F(IndicatorsTest, AltimeterSettingFigures) {
  DrawAltimeter(0, 2992);
  std::vector<std::string> small;
  for (const Printed& p : printed_)
    if (std::fabs(p.size - 12) < 1e-3f && p.y == -3.75f) small.push_back(p.text);
  EXPECT_EQ(small, (std::vector<std::string>{"1", "0", "1", "3", "2", "9", "9", "2"}));
}

TEST_F(IndicatorsTest, AltimeterMarkerInTheTenThousandsPlace) {
  DrawAltimeter(5000, 2992);
  ReadBack();
  // The green flag at rest fills (-41, 23) to (-28, 44).
  EXPECT_GT(CountColour(Px(-40), Px(24), Px(-29), Px(43), {0, 255, 0, 255}, 40), 200);
  for (const Printed& p : printed_) EXPECT_NE(p.x, -1.4f) << p.text;  // no digit in its place
  ASSERT_EQ(Texts("5", 30).size(), 1u);  // thousands drum
}

TEST_F(IndicatorsTest, AltimeterRollsTheTenThousandsDrumAt9950) {
  DrawAltimeter(9950, 2992);
  ReadBack();
  ExpectPicture("lunavex-altimeter-9950");
  const double f = 0.4;  // 50 feet into the hundred
  // The marker moves out downwards and 1 comes in from above.
  ASSERT_EQ(Texts("1", 30).size(), 1u);
  EXPECT_FLOAT_EQ(Texts("1", 30)[0]->x, -1.4f);
  EXPECT_NEAR(Texts("1", 30)[0]->y, 1.6 - f, 1e-6);
  ASSERT_EQ(Texts("9", 30).size(), 2u);  // thousands and hundreds
  // The flag, shifted down by f * 19 / 0.65 = 11.7 units, shows partly
  // inside the window (its lower part is masked).
  const int green = CountColour(Px(-40), Px(21), Px(-29), Px(44 - 11.7), {0, 255, 0, 255}, 40);
  EXPECT_GT(green, 50);
  EXPECT_EQ(CountColour(Px(-40), Px(44 - 11.0), Px(-29), Px(44), {0, 255, 0, 255}, 40), 0);
  // At 99950 the 9 moves out; the marker that stands for the 0 after it
  // is drawn rolled as the one at 9950.
  SetUp();
  DrawAltimeter(99950, 2992);
  ReadBack();
  ExpectPicture("lunavex-altimeter-99950");
}

TEST_F(IndicatorsTest, AltimeterRollsTheThousandsDrumAt1950) {
  DrawAltimeter(1950, 2992);
  ReadBack();
  ExpectPicture("lunavex-altimeter-1950");  // the marker in the ten-thousands place stands still
  auto thousands = [&] {
    std::vector<const Printed*> out;
    for (const Printed& p : printed_)
      if (std::fabs(p.size - 30) < 1e-3f && p.x == -0.8f) out.push_back(&p);
    return out;
  }();
  ASSERT_EQ(thousands.size(), 2u);
  EXPECT_EQ(thousands[0]->text, "1");
  EXPECT_NEAR(thousands[0]->y, 0.8 - 0.4, 1e-6);
  EXPECT_EQ(thousands[1]->text, "2");
  EXPECT_NEAR(thousands[1]->y, 1.6 - 0.4, 1e-6);
}

// ---- The stacked frame ----

TEST_F(IndicatorsTest, ThreeInstrumentsStackFromTheTop) {
  TArtHorizon horizon;
  InitHorizon(horizon);
  TSpeedScale speed;
  StandbyValues.HorizonVisible = StandbyValues.SpeedVisible = StandbyValues.AltimeterVisible = true;
  StandbyValues.VisibleCount = 3;
  StandbyValues.Pitch = 0;
  StandbyValues.Bank = 0;
  ComputeLayout(kSize, kSize, StandbyValues);
  ASSERT_EQ(StandbyValues.InstrumentSize, 170);
  DrawInstruments(kSize, kSize, horizon, speed);
  ReadBack();
  ExpectPicture("lunavex-stacked");
  const int left = StandbyValues.InstrumentLeft, size = 170;
  auto slotPixel = [&](int slot, double x, double y) {
    const int bottom = kSize - slot * size;
    return Pixel(left + static_cast<int>(size / 2.0 + x * size / 250.0),
                 bottom + static_cast<int>(size / 2.0 + y * size / 250.0));
  };
  EXPECT_TRUE(IsSky(slotPixel(1, 50, 30)));   // the ball on top
  EXPECT_TRUE(IsDark(slotPixel(1, 50, -30)));
  EXPECT_FALSE(IsSky(slotPixel(2, 50, 30)));  // airspeed dial below it
  EXPECT_FALSE(IsSky(slotPixel(3, 50, 30)));
  // Nothing but black beside the column.
  EXPECT_EQ(CountColour(0, 0, left - 2, kSize - 1, {0, 0, 0, 255}, 10), (left - 1) * kSize);
}
