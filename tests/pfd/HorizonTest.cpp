// What a pilot sees on the attitude indicator, read back from the frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "shared/Ufonts.h"
#include "nd/Uirs.h"
#include "pfd/Uhorizon.h"
#include "pfd/Upfd.h"
#include "tests/pfd/PfdTest.h"

namespace {

using namespace pfdtest;
using testsupport::Rgba;

Scenario Aligned(std::vector<std::string> lines, int climb = -9999, int descend = -9999) {
  std::vector<std::string> all = AlignedIrsLines();
  all.insert(all.end(), lines.begin(), lines.end());
  return {"test", all, climb, descend};
}

class HorizonView : public PfdTest {
 protected:
  // Gauge height (in gauge units) at which the column gx turns from ground
  // below to sky above, scanning gy from lo to hi; empty when it does not.
  std::optional<float> SkyGroundEdge(float gx, float lo, float hi) {
    const THorizon& h = *Horizon;
    float wx, wlo, whi, dummy;
    harness->GaugeToWindow(h, gx, lo, wx, wlo);
    harness->GaugeToWindow(h, gx, hi, dummy, whi);
    int lastGround = -1, firstSky = -1;
    for (int y = static_cast<int>(wlo); y <= static_cast<int>(whi); ++y) {
      const Rgba p = Pixel(static_cast<int>(wx), y);
      if (Near(p, kGround) && firstSky < 0) lastGround = y;
      if (Near(p, kSky) && lastGround >= 0 && firstSky < 0) firstSky = y;
    }
    if (lastGround < 0 || firstSky < 0) return std::nullopt;
    const float mid = (lastGround + firstSky) / 2.0f + 0.5f;
    return lo + (mid - wlo) / (whi - wlo) * (hi - lo);
  }
  int Count(float x0, float y0, float x1, float y1, Rgba c) { return CountIn(*Horizon, x0, y0, x1, y1, c); }
  // Thin lines come out anti-aliased (the fonts leave line smoothing on),
  // so a white line may be lighter than sky or ground without being pure white.
  int Lines(float x0, float y0, float x1, float y1) { return CountIn(*Horizon, x0, y0, x1, y1, kWhite, 90); }
};

TEST_F(HorizonView, LevelAttitudePutsTheHorizonThroughTheCentre) {
  RenderScenario(Aligned({"IPC.pitch 0", "MV.Bank180 0"}));
  ExpectPicture("horizon-level");
  for (float gx : {64.0f, 94.0f, 6.0f}) {
    auto edge = SkyGroundEdge(gx, 30, 80);
    ASSERT_TRUE(edge) << gx;
    EXPECT_NEAR(*edge, 54, 0.8) << gx;
  }
  // Sky above, ground below, the white horizon line between.
  EXPECT_TRUE(Near(At(*Horizon, 64, 60), kSky));
  EXPECT_TRUE(Near(At(*Horizon, 64, 48), kGround));
  EXPECT_GT(Lines(63, 53, 65, 55), 0);
}

TEST_F(HorizonView, PitchMovesTheHorizonTwoUnitsPerDegree) {
  RenderScenario(Aligned({"IPC.pitch 10", "MV.Bank180 0"}));
  ExpectPicture("horizon-pitch-10");
  // The 10-degree labels lie under the wings, kept or drawn.
  ExpectKeptPicture("horizon-pitch-10");
  auto edge = SkyGroundEdge(80, 20, 60);
  ASSERT_TRUE(edge);
  EXPECT_NEAR(*edge, 34, 0.8);
  // The 10-degree line now passes through the aircraft symbol.
  EXPECT_GT(Lines(63, 53, 65, 55), 0);
  EXPECT_TRUE(Near(At(*Horizon, 64, 50), kSky));
  // The labels are printed in the small font, left and right, for 10 up and 10 down.
  EXPECT_EQ(harness->Printed("10", Font6).size(), 4u);
}

TEST_F(HorizonView, BankTiltsTheHorizonCounterClockwise) {
  // 30 degrees right wing down.
  RenderScenario(Aligned({"IPC.pitch 0", "MV.Bank180 -0.52360"}));
  auto right = SkyGroundEdge(80, 40, 100);
  auto left = SkyGroundEdge(20, 10, 70);
  ASSERT_TRUE(right);
  ASSERT_TRUE(left);
  EXPECT_NEAR(*right, 54 + 30 * std::tan(M_PI / 6), 1.0);
  EXPECT_NEAR(*left, 54 - 30 * std::tan(M_PI / 6), 1.0);
}

TEST_F(HorizonView, TheLadderStopsBelowTheBankScale) {
  // Nose down 7.5: the 15-degree line runs at gauge height 99, inside the
  // bank scale's area; the 10-degree line at 89 lies below it.
  RenderScenario(Aligned({"IPC.pitch -7.5", "MV.Bank180 0"}));
  ExpectPicture("horizon-ladder-stencil");
  EXPECT_EQ(Lines(40.5f, 97.5f, 44, 100.5f), 0);
  EXPECT_GT(Count(40.5f, 97.5f, 44, 100.5f, kSky), 0);
  EXPECT_GT(Lines(40.5f, 88, 44, 90), 0);
  // The 20-degree labels are printed (up and down) but the upper ones fall
  // in the masked area.
  EXPECT_EQ(harness->Printed("20", Font6).size(), 4u);
}

TEST_F(HorizonView, FlagsOnlyWhileTheAttitudeIsNotAvailable) {
  RenderScenario({"flags", UnalignedIrsLines()});
  ExpectPicture("horizon-att-flag");
  const auto att = harness->Printed("ATT", Font050);
  ASSERT_EQ(att.size(), 1u);
  EXPECT_FLOAT_EQ(att[0].r, 1);
  EXPECT_FLOAT_EQ(att[0].g, 1);
  EXPECT_FLOAT_EQ(att[0].b, 0);
  float wx, wy;
  harness->GaugeToWindow(*Horizon, 44, 68.5f, wx, wy);
  EXPECT_NEAR(att[0].winX, wx, 0.5);
  EXPECT_NEAR(att[0].winY, wy, 0.5);
  EXPECT_EQ(Count(2, 2, 98, 106, kSky), 0);
  EXPECT_EQ(Count(2, 2, 98, 106, kGround), 0);
  EXPECT_GT(Count(41, 66, 59, 76, kAmber), 10);
  EXPECT_TRUE(harness->Printed("10").empty());

  // Aligning: still no attitude, but no flag either.
  harness->Feed({"MV.IrsAligning 1"});
  ASSERT_EQ(Irs->AttitudeStatus(), 1);
  harness->Render();
  ReadBack();
  EXPECT_TRUE(harness->Printed("ATT").empty());
  EXPECT_EQ(Count(2, 2, 98, 106, kSky), 0);
  EXPECT_EQ(Count(41, 66, 59, 76, kAmber), 0);

  // Aligned: sky and ground, no flag.
  harness->Feed(AlignedIrsLines());
  harness->Render();
  ReadBack();
  EXPECT_TRUE(harness->Printed("ATT").empty());
  EXPECT_GT(Count(2, 2, 98, 106, kSky), 1000);
  EXPECT_GT(Count(2, 2, 98, 106, kGround), 1000);
}

TEST_F(HorizonView, FlightDirectorBarsStandWhereTheBrokerPutsThem) {
  // FdPitch 45 puts the pitch bar 10 units up; FdBank 10 the roll bar 10 right.
  RenderScenario(Aligned({"IPC.pitch 8", "MV.Bank180 -0.34907", "VM.FDOn 1", "VM.FDPitch 45",
                          "VM.FDBank 10"}));
  ExpectPicture("horizon-flight-director");
  EXPECT_GT(Count(34, 63, 36, 65, kMagenta), 0);
  EXPECT_EQ(Count(34, 58, 36, 61, kMagenta), 0);
  EXPECT_GT(Count(59, 38, 61, 40, kMagenta), 0);
  EXPECT_EQ(Count(56, 38, 58, 40, kMagenta), 0);
  // Raw 16-bit values above 32766 are negative: 65516 is 20 left.
  harness->Feed({"VM.FDBank 65516"});
  harness->Render();
  ReadBack();
  EXPECT_GT(Count(29, 38, 31, 40, kMagenta), 0);
  EXPECT_EQ(Count(59, 38, 61, 40, kMagenta), 0);
  // Switched off: no bars.
  harness->Feed({"VM.FDOn 0"});
  harness->Render();
  ReadBack();
  EXPECT_EQ(Count(2, 2, 98, 106, kMagenta), 0);
}

// At pitch 2 the aircraft symbol sits 4 units above level flight. A climb
// advisory puts a flat top 4 degrees above the symbol with legs falling
// away below it; a descend advisory (the TCAS element hands the rate as a
// positive 1500) a flat bottom 4 degrees below with legs rising. Either
// way level flight lies inside the band.
TEST_F(HorizonView, AdvisoryBandsLieOnTheSideToAvoid) {
  struct Case {
    const char* name;
    int climbRate, descendRate, climbBand, descendBand;
    float flatY, legY, otherFlatY, otherLegY;
  };
  const Case cases[] = {{"horizon-ra-climb", 1500, -9999, -5, -9999, 61, 46, 45, 60},
                        {"horizon-ra-descend", -9999, 1500, -9999, -1, 45, 60, 61, 46}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderScenario(Aligned({"IPC.pitch 2", "IPC.vs 0"}, c.climbRate, c.descendRate));
    ExpectPicture(c.name);
    EXPECT_EQ(Horizon->ClimbBand, c.climbBand);
    EXPECT_EQ(Horizon->DescendBand, c.descendBand);
    EXPECT_GT(Count(46, c.flatY, 54, c.flatY + 2, kRaRed), 0);
    EXPECT_GT(Count(61, c.legY, 63, c.legY + 2, kRaRed), 0);
    EXPECT_EQ(Count(46, c.otherFlatY, 54, c.otherFlatY + 2, kRaRed), 0);
    EXPECT_EQ(Count(61, c.otherLegY, 63, c.otherLegY + 2, kRaRed), 0);
  }
}

TEST_F(HorizonView, AdvisoryBandEdgeCases) {
  // Climb 1500 at level flight: band -3, top 8 units up.
  harness->Load(Aligned({"IPC.pitch 0", "IPC.vs 0"}, 1500, -9999));
  harness->Render();
  EXPECT_EQ(Horizon->ClimbBand, -3);
  // A climb rate of 0 ("don't descend") at pitch 4.4.
  harness->Load(Aligned({"IPC.pitch 4.4", "IPC.vs 0"}, 0, 0));
  harness->Render();
  EXPECT_EQ(Horizon->ClimbBand, -3);
  EXPECT_EQ(Horizon->DescendBand, 5);
  // Climbing at 1000 ft/min already, asked for 2500: 1500 more.
  harness->Load(Aligned({"IPC.pitch 0", "IPC.vs 1000"}, 2500, -9999));
  harness->Render();
  EXPECT_EQ(Horizon->ClimbBand, -3);
  // Extreme inputs stay finite and do not overflow.
  harness->Load(Aligned({"IPC.pitch 0", "IPC.vs -9999999"}, 2147483647, 2147483647));
  harness->Render();
  EXPECT_NE(Horizon->ClimbBand, -9999);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(HorizonView, PitchLimitShowsWithFlapsOutAndLeavesTheLadderInPlace) {
  RenderScenario(Aligned({"IPC.pitch 0", "MV.FlapYPix 261", "MV.HorPitchLim 45"}));
  EXPECT_EQ(Count(20, 58, 30, 70, kAmber), 0);
  // Flaps out: the indicator 10 units above the centre, fixed to the symbol.
  RenderScenario(Aligned({"IPC.pitch 0", "MV.FlapYPix 120", "MV.HorPitchLim 45"}));
  ExpectPicture("horizon-pitch-limit");
  EXPECT_GT(Count(24, 63, 30, 65, kAmber), 0);
  EXPECT_GT(Count(70, 63, 76, 65, kAmber), 0);
  // The ladder's horizon line stays on the sky/ground edge.
  auto edge = SkyGroundEdge(94, 30, 80);
  ASSERT_TRUE(edge);
  EXPECT_NEAR(*edge, 54, 0.8);
  EXPECT_GT(Lines(93, 53, 95, 55), 0);
}

TEST_F(HorizonView, DeviationPointers) {
  // 65500 is -36: the localizer pointer 14.4 left of the centre, filled.
  RenderScenario(Aligned({"VM.LocDev 65500", "VM.GlideDev 4"}));
  ExpectPicture("horizon-deviations");
  EXPECT_TRUE(Near(At(*Horizon, 35.6f, 3), kMagenta));
  // Glide path centred: filled diamond at the centre height.
  EXPECT_TRUE(Near(At(*Horizon, 96, 54), kMagenta));
  // Beyond 40 the glide path pointer is only outlined.
  harness->Feed({"VM.GlideDev 60"});
  harness->Render();
  ReadBack();
  const float y = 54 - 5 + 5 - 56 / 1.3f;
  EXPECT_FALSE(Near(At(*Horizon, 96, y), kMagenta));
  EXPECT_GT(Count(95, y + 3, 97, y + 4.5f, kMagenta), 0);
  // Both at -46: no scales, no pointers.
  harness->Feed({"VM.LocDev -46", "VM.GlideDev -46"});
  harness->Render();
  ReadBack();
  EXPECT_EQ(Count(2, 2, 98, 106, kMagenta), 0);
}

TEST_F(HorizonView, AlertsBelowTheIndicator) {
  RenderScenario(Aligned({"MV.PullUpPfd 1"}));
  auto pull = harness->Printed("PULL UP", Font10);
  ASSERT_EQ(pull.size(), 1u);
  EXPECT_FLOAT_EQ(pull[0].r, 1);
  EXPECT_FLOAT_EQ(pull[0].g, 0);
  float wx, wy;
  harness->GaugeToWindow(*Horizon, 28, -10, wx, wy);
  EXPECT_NEAR(pull[0].winX, wx, 0.5);
  EXPECT_NEAR(pull[0].winY, wy, 0.5);
  // A qualifying windshear wins over PULL UP.
  harness->Feed({"MV.WindShrSpd 20", "MV.WxArea 5"});
  harness->Render();
  EXPECT_EQ(harness->Printed("WINDSHEAR", Font10).size(), 1u);
  EXPECT_TRUE(harness->Printed("PULL UP").empty());
  // Neither: a blank is printed, which draws nothing.
  harness->Feed({"MV.PullUpPfd 0", "MV.WindShrSpd 0"});
  harness->Render();
  EXPECT_TRUE(harness->Printed("WINDSHEAR").empty());
  EXPECT_EQ(harness->Printed("", Font10).size(), 1u);
}

TEST(HorizonAlert, WindshearConditions) {
  THorizon h;
  auto with = [&](const char* line) {
    h.ParseLine("MV.WindShrSpd 20 MV.WxArea 1 MV.StatusMsg10 0 MV.Ac3BusFail 0 MV.aoPosWindshr 0 "
                "MV.PullUpPfd 0");
    h.ParseLine(line);
    return std::string(h.AlertText());
  };
  EXPECT_EQ(with(""), "WINDSHEAR");
  EXPECT_EQ(with("MV.WxArea 2"), " ");
  EXPECT_EQ(with("MV.StatusMsg10 32"), " ");
  EXPECT_EQ(with("MV.StatusMsg10 31"), "WINDSHEAR");
  EXPECT_EQ(with("MV.Ac3BusFail 1"), " ");
  EXPECT_EQ(with("MV.WindShrSpd -5"), " ");
  EXPECT_EQ(with("MV.WindShrSpd -5 MV.aoPosWindshr 1"), "WINDSHEAR");
  EXPECT_EQ(with("MV.WindShrSpd 0 MV.aoPosWindshr 1 MV.PullUpPfd 1"), "PULL UP");
  // Connection notices and lines without "MV." are not read.
  EXPECT_EQ(with("Conn MV.WxArea 2"), "WINDSHEAR");
  EXPECT_EQ(with("VM.WxArea 2"), "WINDSHEAR");
  EXPECT_EQ(with("MV.WxArea 2\r"), " ");
}

}  // namespace
