#include <gtest/gtest.h>

#include <string>

#include "shared/Ufonts.h"
#include "pfd/Ualtitude.h"
#include "platform/Numbers.h"
#include "tests/pfd/InstrumentTest.h"

using namespace pfdtest;

namespace {

double TapeY(double a, double A) { return TAltitudeTape::AltitudeY(a, A); }
double Y8(double y) { return y / 8 - 0.3; }
double Y6(double y) { return y * 0.167 - 0.425; }

}  // namespace

TEST(VsiScale, PointerHeights) {
  EXPECT_DOUBLE_EQ(TVSI::PointerY(0), 56);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(19), 56);  // whole steps of 20 ft/min
  EXPECT_DOUBLE_EQ(TVSI::PointerY(1000), 76);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(1500), 84);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(2000), 92);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(6000), 104);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(9000), 104);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(-1000), 36);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(-2000), 20);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(-6000), 8);
  EXPECT_DOUBLE_EQ(TVSI::PointerY(-1e12), 8);
  EXPECT_NEAR(TVSI::PointerY(-1234), 36 - 220 / 1000.0 * 16, 1e-9);
}

class AltitudeDraw : public InstrumentTest {};

TEST_F(AltitudeDraw, TapeFiguresEveryTwoHundredFeet) {
  Show({"IPC.dalt 12345"});
  const double y = TapeY(12400, 12345);
  EXPECT_NE(PrintedAt("1", Font8, 1.0, Y8(y)), nullptr);
  EXPECT_NE(PrintedAt("2", Font8, 1.5, Y8(y)), nullptr);
  EXPECT_NE(PrintedAt("4", Font6, 2.8, Y6(y)), nullptr);
  EXPECT_NE(PrintedAt("0", Font6, 3.3, Y6(y)), nullptr);
  EXPECT_NE(PrintedAt("0", Font6, 3.7, Y6(y)), nullptr);
  EXPECT_EQ(PrintedAt("3", Font6, 2.8, Y6(TapeY(12300, 12345))), nullptr);  // odd hundreds: no figure
  // A double line brackets each thousand.
  const double y12k = TapeY(12000, 12345);
  EXPECT_TRUE(ColourNear(*AltitudeTape, 15, y12k - 4, Whitish, 1));
  EXPECT_TRUE(ColourNear(*AltitudeTape, 15, y12k + 4, Whitish, 1));
  EXPECT_TRUE(ColourNear(*AltitudeTape, 4, TapeY(12100, 12345), Whitish, 1));  // plain tick
}

TEST_F(AltitudeDraw, NegativeFiguresNearSeaLevel) {
  Show({"IPC.dalt -150"});
  const double y = TapeY(-200, -150);
  EXPECT_NE(PrintedAt("-2", Font6, 2.55, Y6(y)), nullptr);
  EXPECT_NE(PrintedAt("0", Font6, 3.3, Y6(y)), nullptr);
  EXPECT_EQ(PrintedAt("0", Font8, 1.5, Y8(y)), nullptr);  // no thousands figure
}

TEST_F(AltitudeDraw, DeadSeaShowsTrueFigures) {
  Show({"IPC.dalt -1400", "IPC.mcpalt 0"});
  // -1200: the minus sign goes with the thousands digit.
  const double y1200 = TapeY(-1200, -1400);
  EXPECT_NE(PrintedAt("-1", Font8, 1.25, Y8(y1200)), nullptr);
  EXPECT_NE(PrintedAt("2", Font6, 2.8, Y6(y1200)), nullptr);
  const double y1000 = TapeY(-1000, -1400);
  EXPECT_NE(PrintedAt("-1", Font8, 1.25, Y8(y1000)), nullptr);
  EXPECT_NE(PrintedAt("0", Font6, 2.8, Y6(y1000)), nullptr);
  const double y1600 = TapeY(-1600, -1400);
  EXPECT_NE(PrintedAt("-1", Font8, 1.25, Y8(y1600)), nullptr);
  EXPECT_NE(PrintedAt("6", Font6, 2.8, Y6(y1600)), nullptr);
  for (const PrintRecord& r : harness->printed)
    EXPECT_FALSE(r.font == Font6 && r.text == "-2") << "no figure reads -200 here";

  // Readout: minus sign in the ten-thousands place, then 1, 4 and the
  // twenty-foot drum at 00; no hatch.
  EXPECT_NE(PrintedAt("-", Font10, 0.5, 0.6), nullptr);
  EXPECT_NE(PrintedAt("1", Font10, 1.0, 0.6), nullptr);
  EXPECT_NE(PrintedAt("4", Font8, 1.9, 0.825), nullptr);
  EXPECT_NE(PrintedAt("0", Font8, 2.4, 0.825), nullptr);
  EXPECT_NE(PrintedAt("2", Font8, 2.4, 1.725), nullptr);
  EXPECT_EQ(CountKind(*AltitudeTicker, 3.5, 1, 28, 17, Greenish), 0);
  ExpectPicture("altitude-dead-sea");

  // A selected altitude below sea level keeps its sign too.
  Show({"IPC.dalt -1400", "IPC.mcpalt -1200"});
  EXPECT_NE(PrintedAtGauge("-1", Font10, *AltitudeTape, 7 - 2.5, 140), nullptr);
  EXPECT_NE(PrintedAtGauge("2", Font8, *AltitudeTape, 12.5, 140), nullptr);
}

TEST_F(AltitudeDraw, DrumRollsIntoTenThousandFeet) {
  Show({"IPC.dalt 9980"});
  EXPECT_NE(PrintedAt("9", Font8, 1.9, 0.825), nullptr);
  EXPECT_NE(PrintedAt("9", Font10, 1.0, 0.6), nullptr);
  EXPECT_NE(PrintedAt("8", Font8, 2.4, 0.825), nullptr);
  EXPECT_NE(PrintedAt("1", Font10, 0.5, 1.8), nullptr);  // waiting on the window's top edge
  EXPECT_GT(CountKind(*AltitudeTicker, 5, 5, 10, 13, Greenish), 0);  // hatch

  // Halfway through the last ten feet: hundreds, thousands and the hatch
  // roll out while 0, 0 and 1 roll in.
  Show({"IPC.dalt 9990"});
  EXPECT_NE(PrintedAt("9", Font8, 1.9, 0.11, 0.005), nullptr);
  EXPECT_NE(PrintedAt("0", Font8, 1.9, 1.54, 0.005), nullptr);
  EXPECT_NE(PrintedAt("9", Font10, 1.0, 0.0, 0.005), nullptr);
  EXPECT_NE(PrintedAt("0", Font10, 1.0, 1.2, 0.005), nullptr);
  EXPECT_NE(PrintedAt("1", Font10, 0.5, 1.2, 0.005), nullptr);
  EXPECT_NE(PrintedAt("8", Font8, 2.4, 0.825 - 0.45, 0.005), nullptr);
  EXPECT_GT(CountKind(*AltitudeTicker, 5, 0, 10, 8, Greenish), 0);  // hatch rolled down by 6
  ExpectPicture("altitude-drum-9990");

  Show({"IPC.dalt 10000"});
  EXPECT_NE(PrintedAt("1", Font10, 0.5, 0.6), nullptr);
  EXPECT_NE(PrintedAt("0", Font10, 1.0, 0.6), nullptr);
  EXPECT_NE(PrintedAt("0", Font8, 1.9, 0.825), nullptr);
  EXPECT_NE(PrintedAt("0", Font8, 2.4, 0.825), nullptr);
  EXPECT_EQ(CountKind(*AltitudeTicker, 3.5, 1, 28, 17, Greenish), 0);

  Show({"IPC.dalt 10020"});
  EXPECT_NE(PrintedAt("2", Font8, 2.4, 0.825), nullptr);
  EXPECT_NE(PrintedAt("0", Font8, 1.9, 0.825), nullptr);
}

TEST_F(AltitudeDraw, TwentyFootDrumBetweenSteps) {
  Show({"IPC.dalt 12345"});
  const double q = (12340 - 12345) * 0.045;
  EXPECT_NE(PrintedAt("4", Font8, 2.4, 0.825 + q, 0.005), nullptr);
  EXPECT_NE(PrintedAt("6", Font8, 2.4, 1.725 + q, 0.005), nullptr);
  EXPECT_NE(PrintedAt("2", Font8, 2.4, -0.075 + q, 0.005), nullptr);
  EXPECT_NE(PrintedAt("0", Font8, 2.9, 0.825 + q, 0.005), nullptr);
}

TEST_F(AltitudeDraw, SelectedAltitudeInMagenta) {
  Show({"IPC.dalt 10000", "IPC.mcpalt 10100"});
  const double y = TapeY(10100, 10000);
  EXPECT_TRUE(ColourNear(*AltitudeTape, 12.5, y, Magentaish, 1));
  EXPECT_TRUE(ColourNear(*AltitudeTape, 6, y + 9.35 - 0.5, Magentaish, 1));
  const PrintRecord* ten = PrintedAtGauge("1", Font10, *AltitudeTape, 2, 140);
  ASSERT_NE(ten, nullptr);
  EXPECT_TRUE(ColourIs(ten, 225 / 255.f, 125 / 255.f, 225 / 255.f));
  EXPECT_NE(PrintedAtGauge("0", Font10, *AltitudeTape, 7, 140), nullptr);
  EXPECT_NE(PrintedAtGauge("1", Font8, *AltitudeTape, 12.5, 140), nullptr);
  EXPECT_NE(PrintedAtGauge("00", Font8, *AltitudeTape, 17, 140), nullptr);

  // Far above: held at the top of the tape.
  Show({"IPC.dalt 10000", "IPC.mcpalt 13000"});
  EXPECT_TRUE(ColourNear(*AltitudeTape, 12.5, 131, Magentaish, 1));
  EXPECT_EQ(CountKind(*AltitudeTape, 11, 2, 14, 120, Magentaish), 0);
  // Below 10,000 feet no ten-thousands digit; the thousands always.
  Show({"IPC.dalt 1000", "IPC.mcpalt 500"});
  EXPECT_NE(PrintedAtGauge("0", Font10, *AltitudeTape, 7, 140), nullptr);
  EXPECT_EQ(PrintedAtGauge("0", Font10, *AltitudeTape, 2, 140), nullptr);
  EXPECT_NE(PrintedAtGauge("5", Font8, *AltitudeTape, 12.5, 140), nullptr);
}

TEST_F(AltitudeDraw, LandingAltitudeMarksAtTheRunway) {
  ActiveRunwayElevation = [] { return 400; };
  Show({"IPC.dalt 600"});
  ActiveRunwayElevation = nullptr;
  const double y0 = TapeY(400, 600);
  EXPECT_TRUE(ColourNear(*AltitudeTape, 20, y0, Amberish, 1));
  EXPECT_TRUE(ColourNear(*AltitudeTape, 2, y0 + 40, Amberish, 1));   // below 500 ft above it
  EXPECT_TRUE(ColourNear(*AltitudeTape, 2, y0 + 95, Whitish, 1));   // 500 to 1000 ft
  // No active runway: nothing amber on the tape.
  Show({"IPC.dalt 600"});
  EXPECT_EQ(CountKind(*AltitudeTape, 0, 0, 26.4, 136, Amberish), 0);
}

TEST_F(AltitudeDraw, VsiNeedleAngle) {
  for (double vs : {0.0, 1000.0, -2000.0, 6000.0, 9000.0, -9000.0}) {
    Show({"IPC.vs " + platform::FormatDouble(vs, 0)});
    // The needle runs from (7, y) towards (30, 56) in the scale's frame,
    // which sits 4 right and 6 up in the gauge; beyond x 16 it is hidden.
    const double y0 = TVSI::PointerY(vs) + 6;
    for (double x : {12.5, 15.0, 18.5}) {
      const double y = y0 + (x - 11) / 23 * (62 - y0);
      EXPECT_TRUE(ColourNear(*Vsi, x, y, Whitish, 1)) << vs << " at x " << x;
    }
    EXPECT_FALSE(ColourNear(*Vsi, 25, 62 + (y0 - 62) * 9 / 23, Whitish, 1)) << "hidden beyond the scale";
    if (vs == 6000.0) ExpectPicture("vsi-6000");
  }
}

TEST_F(AltitudeDraw, VsiDigitsOutsideTheDeadBand) {
  Show({"IPC.vs 1500"});
  EXPECT_NE(PrintedAt("1", Font8, 0, 13.45), nullptr);
  EXPECT_NE(PrintedAt("5", Font8, 0.5, 13.45), nullptr);
  EXPECT_NE(PrintedAt("0", Font8, 1.0, 13.45), nullptr);
  EXPECT_NE(PrintedAt("0", Font8, 1.5, 13.45), nullptr);
  Show({"IPC.vs -1234"});
  EXPECT_NE(PrintedAt("1", Font8, 0, -0.1), nullptr);
  EXPECT_NE(PrintedAt("2", Font8, 0.5, -0.1), nullptr);
  EXPECT_NE(PrintedAt("5", Font8, 1.0, -0.1), nullptr);
  Show({"IPC.vs -390"});
  for (const PrintRecord& r : harness->printed)
    EXPECT_FALSE(r.font == Font8 && (r.y == -0.1f || r.y == 13.45f)) << r.text;
  Show({"IPC.vs 700"});
  EXPECT_EQ(PrintedAt("0", Font8, 0, 13.45), nullptr);  // no leading thousands
  EXPECT_NE(PrintedAt("7", Font8, 0.5, 13.45), nullptr);
  Show({"IPC.vs 12345"});
  EXPECT_NE(PrintedAt("1", Font8, -0.5, 13.45), nullptr);
  EXPECT_NE(PrintedAt("2", Font8, 0, 13.45), nullptr);
  EXPECT_NE(PrintedAt("5", Font8, 1.0, 13.45), nullptr);
}

TEST_F(AltitudeDraw, VertFlagWithoutAttitude) {
  Show(UnalignedIrsLines());
  const PrintRecord* v = PrintedAtGauge("V", Font050, *Vsi, 11, 64 + Font050->Size);
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(ColourIs(v, 1, 1, 0));
  EXPECT_NE(PrintedAtGauge("T", Font050, *Vsi, 11, 64 - 2 * Font050->Size), nullptr);
  for (const PrintRecord& r : harness->Printed("6", Font6)) EXPECT_NE(r.x, 0.1f) << "no scale labels";
  EXPECT_TRUE(ColourNear(*Vsi, 17, 60, Amberish, 1));
}
