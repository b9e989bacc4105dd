#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shared/Ufonts.h"
#include "pfd/Uspeed.h"
#include "tests/pfd/InstrumentTest.h"

using namespace pfdtest;

// ---- Parsing ----

TEST(SpeedTapeParse, ReadsEveryMarkerVariable) {
  TSpeedTape t;
  t.ParseLine(
      "MV.DispVf00 200 MV.DispVf01 180 MV.DispVf05 170 MV.DispVf10 160 MV.DispVf20 150 "
      "MV.DispVref 140 MV.V1bug 141 MV.VRbug 155 MV.GndOnce 1 MV.NoVSpd 1 MV.V1Conf 1 "
      "MV.VrConf 1 MV.FlightPhase 3 MV.FlapYPix 261\r");
  EXPECT_EQ(t.DispVf00, 200);
  EXPECT_EQ(t.DispVf01, 180);
  EXPECT_EQ(t.DispVf05, 170);
  EXPECT_EQ(t.DispVf10, 160);
  EXPECT_EQ(t.DispVf20, 150);
  EXPECT_EQ(t.DispVref, 140);
  EXPECT_EQ(t.V1bug, 141);
  EXPECT_EQ(t.VRbug, 155);
  EXPECT_EQ(t.GndOnce, 1);
  EXPECT_EQ(t.NoVSpd, 1);
  EXPECT_EQ(t.V1Conf, 1);
  EXPECT_EQ(t.VrConf, 1);
  EXPECT_EQ(t.FlightPhase, 3);
  EXPECT_EQ(t.FlapYPix, 261);  // the last item, before the CR
}

TEST(SpeedTapeParse, SkipsConnectionNoticesAndForeignLines) {
  TSpeedTape t;
  t.ParseLine("Conn MV.V1bug 141");
  EXPECT_EQ(t.V1bug, 0);
  t.ParseLine("IPC.ias 141 V1bug 12");  // no "MV." anywhere
  EXPECT_EQ(t.V1bug, 0);
  t.ParseLine("");
  t.ParseLine("\r");
  EXPECT_EQ(t.V1bug, 0);
  t.ParseLine("MV.V1bug 141");
  t.ParseLine("MV.VRbug 150");  // an absent variable keeps its value
  EXPECT_EQ(t.V1bug, 141);
  EXPECT_EQ(t.VRbug, 150);
}

TEST(SpeedTapeParse, ValuesAreReadLeniently) {
  TSpeedTape t;
  t.ParseLine("MV.FlapYPix 123456789");  // eight characters at most
  EXPECT_EQ(t.FlapYPix, 12345678);
  t.ParseLine("MV.GndOnce 7x");
  EXPECT_EQ(t.GndOnce, 7);
  t.ParseLine("MV.GndOnce abc");
  EXPECT_EQ(t.GndOnce, 0);
  t.ParseLine("MV.DispVref -12\r");
  EXPECT_EQ(t.DispVref, -12);
  t.ParseLine("MV.DispVref 99999999999");  // cut to 8 characters
  EXPECT_EQ(t.DispVref, 99999999);
}

TEST(SpeedTapeGeometry, MarkerSpeedsAndDisplayedSpeed) {
  EXPECT_DOUBLE_EQ(TSpeedTape::FlapMarkerSpeed(139), 100.0);
  EXPECT_DOUBLE_EQ(TSpeedTape::VSpeedMarkerSpeed(141), 100.0);
  // No overflow at the ends of the integer range.
  EXPECT_GT(TSpeedTape::FlapMarkerSpeed(std::numeric_limits<int>::max()), 1e9);
  EXPECT_LT(TSpeedTape::VSpeedMarkerSpeed(std::numeric_limits<int>::min()), -1e9);

  EXPECT_DOUBLE_EQ(TSpeedTape::DisplayedSpeed(0, 1), 30);
  EXPECT_DOUBLE_EQ(TSpeedTape::DisplayedSpeed(5000, 1), 999);
  EXPECT_DOUBLE_EQ(TSpeedTape::DisplayedSpeed(200, 0.5), 100);
  EXPECT_DOUBLE_EQ(TSpeedTape::DisplayedSpeed(std::nan(""), 1), 30);
  EXPECT_NEAR(TSpeedTape::SpeedY(140, 134.6), 74.12, 0.005);
}

// The lower barber pole's blocks as the step-by-step walk gives them, for
// starts where that walk is short.
static TSpeedTape::PoleRun WalkLowerPole(double y) {
  while (y > 142) y -= 6;
  TSpeedTape::PoleRun run{y, 0};
  do {
    ++run.Count;
    y -= 6;
  } while (y >= -7);
  return run;
}

TEST(SpeedTapeGeometry, LowerPoleClosedFormMatchesTheWalk) {
  for (double start = -60; start < 1500; start += 0.37) {
    const TSpeedTape::PoleRun a = TSpeedTape::LowerPole(start), b = WalkLowerPole(start);
    ASSERT_NEAR(a.First, b.First, 1e-9) << start;
    ASSERT_EQ(a.Count, b.Count) << start;
  }
  EXPECT_EQ(TSpeedTape::LowerPole(148).First, 142);
  EXPECT_EQ(TSpeedTape::LowerPole(-7).Count, 1);
  EXPECT_EQ(TSpeedTape::LowerPole(-1000).Count, 1);  // at least one block
}

TEST(SpeedTapeGeometry, LowerPoleStaysShortForAnyStart) {
  for (double start :
       {1e12, 1e30, 3e38, std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity()}) {
    const TSpeedTape::PoleRun run = TSpeedTape::LowerPole(start);
    EXPECT_GT(run.First, 136) << start;
    EXPECT_LE(run.First, 142) << start;
    EXPECT_LE(run.Count, 26) << start;
  }
  EXPECT_EQ(TSpeedTape::LowerPole(std::nan("")).Count, 0);
}

// ---- Drawing ----

class SpeedTapeDraw : public InstrumentTest {};

TEST_F(SpeedTapeDraw, ReadoutShowsTheSpeedAndTheTapeMovesWithIt) {
  Show({"IPC.ias 134.6"});
  // Readout: 1 and 3 standing, the units drum rolled by 0.6 * 0.75.
  EXPECT_NE(PrintedAt("1", Font10, 0.15, 0.6), nullptr);
  EXPECT_NE(PrintedAt("3", Font10, 0.65, 0.6), nullptr);
  EXPECT_NE(PrintedAt("4", Font10, 1.15, 0.15), nullptr);
  EXPECT_NE(PrintedAt("5", Font10, 1.15, 0.9), nullptr);
  EXPECT_NE(PrintedAt("3", Font10, 1.15, -0.6), nullptr);
  // The 140 figure at 68 + 5.4 * 1.1333.
  const double y140 = 68 + 5.4 * 34.0 / 30.0;
  EXPECT_NE(PrintedAt("1", Font8, 0.8, y140 / 8 - 0.35), nullptr);
  EXPECT_NE(PrintedAt("4", Font8, 1.3, y140 / 8 - 0.35), nullptr);
  EXPECT_TRUE(ColourNear(*SpeedTape, 25, y140, Whitish, 1));
  EXPECT_TRUE(TapeBackground(At(*SpeedTape, 25, y140 + 5.67)));  // between ticks
  ExpectPicture("speed-134");

  Show({"IPC.ias 144.6"});
  const double moved = 68 - 4.6 * 34.0 / 30.0;
  EXPECT_NE(PrintedAt("4", Font8, 1.3, moved / 8 - 0.35), nullptr);
  EXPECT_TRUE(ColourNear(*SpeedTape, 25, moved, Whitish, 1));
  EXPECT_EQ(PrintedAt("4", Font8, 1.3, y140 / 8 - 0.35), nullptr);
  EXPECT_NE(PrintedAt("4", Font10, 0.65, 0.6), nullptr);
}

TEST_F(SpeedTapeDraw, HundredsAndTensRollTogether) {
  Show({"IPC.ias 199.7"});
  const double r = 0.7 * 0.75;
  EXPECT_NE(PrintedAt("1", Font10, 0.15, 0.6 - r, 0.005), nullptr);
  EXPECT_NE(PrintedAt("2", Font10, 0.15, 1.35 - r, 0.005), nullptr);
  EXPECT_NE(PrintedAt("9", Font10, 0.65, 0.6 - r, 0.005), nullptr);
  EXPECT_NE(PrintedAt("0", Font10, 0.65, 1.35 - r, 0.005), nullptr);
}

TEST_F(SpeedTapeDraw, StandingStillShowsThirtyKnots) {
  Show({"IPC.ias 0"});
  EXPECT_NE(PrintedAt("3", Font10, 0.65, 0.6), nullptr);
  EXPECT_NE(PrintedAt("0", Font10, 1.15, 0.6), nullptr);
  EXPECT_EQ(PrintedAt("2", Font8, 1.3, (68 - 10 * 34.0 / 30.0) / 8 - 0.35), nullptr);
  EXPECT_NE(PrintedAt("4", Font8, 1.3, (68 + 10 * 34.0 / 30.0) / 8 - 0.35), nullptr);
  // No tick below 30 knots.
  EXPECT_FALSE(ColourNear(*SpeedTape, 25, 68 - 10 * 34.0 / 30.0, Whitish, 1));
  EXPECT_TRUE(ColourNear(*SpeedTape, 25, 68 + 10 * 34.0 / 30.0, Whitish, 1));
}

TEST_F(SpeedTapeDraw, TakeOffBugsStandAtTheirSpeeds) {
  Show({"IPC.ias 100", "MV.GndOnce 0", "MV.V1bug 141", "MV.V1Conf 1", "MV.VRbug 155", "MV.VrConf 1"});
  const double yVr = 68 + 10 * 34.0 / 30.0;  // 110 kt
  const PrintRecord* v1 = PrintedAtGauge("V1", Font035, *SpeedTape, 27.5, 68 - 1.75);
  const PrintRecord* vr = PrintedAtGauge("VR", Font035, *SpeedTape, 27.5, yVr - 1.75);
  ASSERT_NE(v1, nullptr);
  ASSERT_NE(vr, nullptr);
  EXPECT_TRUE(ColourIs(vr, 0, 1, 0));
  EXPECT_TRUE(ColourNear(*SpeedTape, 25.7, yVr, Greenish, 1));
  EXPECT_TRUE(harness->Printed("UP").empty());
  EXPECT_TRUE(harness->Printed("NO").empty());
  ExpectPicture("speed-v-bugs");

  // Not confirmed: no marker.
  Show({"IPC.ias 100", "MV.GndOnce 0", "MV.V1bug 141", "MV.V1Conf 0", "MV.VRbug 1", "MV.VrConf 1"});
  EXPECT_TRUE(harness->Printed("V1").empty());
  EXPECT_TRUE(harness->Printed("VR").empty());  // |VRbug| not above 1
}

TEST_F(SpeedTapeDraw, FlapBugsFollowTheFlapPosition) {
  const std::vector<std::string> bugs = {
      "IPC.ias 180",     "MV.GndOnce 1",    "MV.DispVf00 300", "MV.DispVf01 278", "MV.DispVf05 250",
      "MV.DispVf10 236", "MV.DispVf20 222", "MV.DispVref 1",   "MV.V1bug 141",    "MV.V1Conf 1"};
  Show(With(bugs, {"MV.DelayedFlapPos 2"}));
  ASSERT_EQ(harness->Printed("1", Font035).size(), 1u);
  ASSERT_EQ(harness->Printed("5", Font035).size(), 1u);
  // "5" at (250 + 1) * 5 / 7 = 179.29 kt.
  EXPECT_NE(PrintedAtGauge("5", Font035, *SpeedTape, 27.5, TSpeedTape::SpeedY(251 * 5.0 / 7, 180) - 1.75),
            nullptr);
  EXPECT_TRUE(harness->Printed("UP").empty());
  EXPECT_TRUE(harness->Printed("V1").empty());   // only on the ground before take-off
  EXPECT_TRUE(harness->Printed("REF").empty());  // |DispVref| not above 1

  Show(With(bugs, {"MV.DelayedFlapPos 4", "MV.DispVref 200"}));
  EXPECT_EQ(harness->Printed("10", Font035).size(), 1u);
  EXPECT_EQ(harness->Printed("20", Font035).size(), 1u);
  EXPECT_EQ(harness->Printed("REF", Font035).size(), 1u);

  Show(With(bugs, {"MV.DelayedFlapPos 7"}));  // no such position: no flap marker
  for (const char* label : {"UP", "1", "5", "10", "20"})
    EXPECT_TRUE(harness->Printed(label, Font035).empty());
}

TEST_F(SpeedTapeDraw, NoVSpeedsFlagBeforeTakeOff) {
  Show({"IPC.ias 50", "MV.NoVSpd 1", "MV.GndOnce 0", "MV.FlightPhase 5"});
  const PrintRecord* no = PrintedAtGauge("NO", Font035, *SpeedTape, 27.5, 130);
  ASSERT_NE(no, nullptr);
  EXPECT_TRUE(ColourIs(no, 1, 1, 0));
  EXPECT_NE(PrintedAtGauge("SPD", Font035, *SpeedTape, 27.5, 121), nullptr);
  Show({"IPC.ias 150", "MV.NoVSpd 1", "MV.GndOnce 0", "MV.FlightPhase 5"});
  EXPECT_TRUE(harness->Printed("NO").empty());
}

TEST_F(SpeedTapeDraw, OverspeedShowsTheUpperBarberPole) {
  Show({"IPC.ias 380", "VM.HiBufSpd 370"});
  const double y370 = 68 - 10 * 34.0 / 30.0;
  EXPECT_TRUE(ColourNear(*SpeedTape, 28.25, y370 + 1, BarberRed, 1));
  EXPECT_TRUE(ColourNear(*SpeedTape, 28.25, y370 + 7, BarberRed, 1));
  EXPECT_FALSE(ColourNear(*SpeedTape, 28.25, y370 + 4, BarberRed, 0));  // gap between blocks
  EXPECT_FALSE(ColourNear(*SpeedTape, 28.25, y370 - 4, BarberRed, 1));  // below the limit
  // Amber band from 8 kt below the buffet speed, flaps up.
  EXPECT_TRUE(ColourNear(*SpeedTape, 28.5, TSpeedTape::SpeedY(365, 380), Amberish, 1));
  ExpectPicture("speed-overspeed");
}

TEST_F(SpeedTapeDraw, LowerBarberPoleBelowTheStickShakerSpeed) {
  Show({"IPC.ias 130", "VM.StickShSpd 120"});
  const double top = 68 - 10 * 34.0 / 30.0 - 3;  // first block
  EXPECT_TRUE(ColourNear(*SpeedTape, 28.25, top + 1, BarberRed, 1));
  EXPECT_TRUE(ColourNear(*SpeedTape, 28.25, top - 5, BarberRed, 1));
  EXPECT_FALSE(ColourNear(*SpeedTape, 28.25, top + 6, BarberRed, 1));
  // A stick shaker speed far above the tape still ends in a few blocks.
  Show({"IPC.ias 130", "VM.StickShSpd 1e30"});
  EXPECT_TRUE(ColourNear(*SpeedTape, 28.25, 68, BarberRed, 3));
}

TEST_F(SpeedTapeDraw, SelectedSpeedMarkerAndReadout) {
  Show({"IPC.ias 200", "IPC.mcpim 210"});
  const double y = 68 + 10 * 34.0 / 30.0;
  EXPECT_TRUE(ColourNear(*SpeedTape, 30, y + 2.2667, Magentaish, 1));
  EXPECT_TRUE(ColourNear(*SpeedTape, 30, y - 2.2667, Magentaish, 1));
  const PrintRecord* d = PrintedAtGauge("2", Font10, *SpeedTape, 8, 140);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(ColourIs(d, 225 / 255.f, 125 / 255.f, 225 / 255.f));
  EXPECT_NE(PrintedAtGauge("1", Font10, *SpeedTape, 13, 140), nullptr);
  EXPECT_NE(PrintedAtGauge("0", Font10, *SpeedTape, 18, 140), nullptr);
  EXPECT_TRUE(harness->Printed(".", Font10).empty());

  // 60 knots above sits on the top edge, 70 knots above is held there.
  Show({"IPC.ias 200", "IPC.mcpim 270"});
  EXPECT_TRUE(ColourNear(*SpeedTape, 30, 136 - 2.2667, Magentaish, 1));
  EXPECT_NE(PrintedAtGauge("2", Font10, *SpeedTape, 8, 140), nullptr);
  Show({"IPC.ias 130", "IPC.mcpim 50"});
  EXPECT_NE(PrintedAtGauge("0", Font10, *SpeedTape, 8, 140), nullptr);  // 050
  EXPECT_TRUE(ColourNear(*SpeedTape, 30, 0 + 2.2667, Magentaish, 1));   // held at the bottom
}

TEST_F(SpeedTapeDraw, SelectedMachAtItsAirspeed) {
  Show({"IPC.ias 280", "IPC.mcpim 840", "IPC.dalt 35000", "MV.RoundMach 830"});
  EXPECT_NEAR(SelectedMachCas, 287.1, 0.3);
  EXPECT_TRUE(ColourNear(*SpeedTape, 30, TSpeedTape::SpeedY(SelectedMachCas, 280) - 2.2667, Magentaish, 1));
  EXPECT_NE(PrintedAtGauge(".", Font10, *SpeedTape, 6, 140), nullptr);
  EXPECT_NE(PrintedAtGauge("8", Font10, *SpeedTape, 8, 140), nullptr);
  EXPECT_NE(PrintedAtGauge("4", Font10, *SpeedTape, 13, 140), nullptr);
  // The Mach number below the tape.
  const PrintRecord* m = PrintedAtGauge(".", Font10, *SpeedTape, 6, -10);
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(ColourIs(m, 1, 1, 1));
  EXPECT_NE(PrintedAtGauge("3", Font10, *SpeedTape, 13, -10), nullptr);
  EXPECT_TRUE(harness->Printed("GS").empty());

  // Exactly 400: the marker at 400 knots, the readout as a Mach number.
  Show({"IPC.ias 390", "IPC.mcpim 400"});
  EXPECT_TRUE(ColourNear(*SpeedTape, 30, TSpeedTape::SpeedY(400, 390) - 2.2667, Magentaish, 1));
  EXPECT_NE(PrintedAtGauge(".", Font10, *SpeedTape, 6, 140), nullptr);
}

TEST_F(SpeedTapeDraw, SelectedMachHiddenWhereItHasNoAirspeed) {
  // Above the altitude where the conversion fails the airspeed is not a number.
  Show({"IPC.ias 280", "IPC.mcpim 840", "IPC.dalt 150000"});
  EXPECT_TRUE(std::isnan(SelectedMachCas));
  EXPECT_EQ(CountKind(*SpeedTape, 22, 0, 34, 136, Magentaish), 0);
  EXPECT_NE(PrintedAtGauge("8", Font10, *SpeedTape, 8, 140), nullptr);  // the readout still shows .840
}

TEST_F(SpeedTapeDraw, GroundSpeedNeedsAPosition) {
  Show({"IPC.ias 0"}, [] { GroundSpeed = 5; });
  EXPECT_NE(PrintedAtGauge("GS", Font6, *SpeedTape, 8 - 1.3 * 6, -10), nullptr);
  EXPECT_NE(PrintedAtGauge("5", Font10, *SpeedTape, 18, -10), nullptr);
  EXPECT_EQ(PrintedAtGauge("0", Font10, *SpeedTape, 13, -10), nullptr);
  EXPECT_EQ(PrintedAtGauge("0", Font10, *SpeedTape, 8, -10), nullptr);

  Show({"IPC.ias 0", "MV.Irs1Quality 3", "MV.Irs2Quality 3", "MV.Irs3Quality 3"}, [] { GroundSpeed = 5; });
  EXPECT_TRUE(harness->Printed("GS").empty());
}

TEST_F(SpeedTapeDraw, TrendArrowFromSixUp) {
  Show({"IPC.ias 200", "MV.SpdAcc 40"});
  // 40 * 0.0715 * 11.33 = 32.4 units up.
  EXPECT_TRUE(ColourNear(*SpeedTape, 22, 68 + 25, Greenish, 1));
  EXPECT_TRUE(ColourNear(*SpeedTape, 22, 68 + 32, Greenish, 1));
  EXPECT_FALSE(ColourNear(*SpeedTape, 22, 68 + 36, Greenish, 1));
  Show({"IPC.ias 200", "MV.SpdAcc -40"});
  EXPECT_TRUE(ColourNear(*SpeedTape, 22, 68 - 25, Greenish, 1));
  Show({"IPC.ias 200", "MV.SpdAcc 5"});
  EXPECT_EQ(CountKind(*SpeedTape, 21.5, 50, 23, 90, Greenish), 0);
}
