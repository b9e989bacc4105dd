// The route, the fix rings and the radio navigation drawn on the ND
// offscreen through the real dispatch (frames written to
// test-frames/nd-route-fix.png and nd-radio.png).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "kestrane/KestraneSettings.h"
#include "kestrane/UDeclarations.h"
#include "kestrane/Ufonts.h"
#include "nd/Ufixinfo.h"
#include "nd/Unavigation.h"
#include "nd/Uroutes.h"
#include "nd/Uvordisplay.h"
#include "pfd/UcommonVariables.h"
#include "platform/Numbers.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

using testsupport::Rgba;
constexpr Rgba kMagenta{225, 125, 225, 255};
constexpr Rgba kCyan{102, 204, 255, 255};
constexpr double kPi = 3.14159265358979;

class RadioDrawing : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    saved = VorNavaids;
    harness = std::make_unique<ndtest::NdHarness>();
    ndtest::Scenario s;
    s.name = "radio";
    s.range = 40;
    s.lines = ndtest::AlignedIrsLines();
    harness->Load(s);
    lat0 = OwnLatitude;
    lon0 = OwnLongitude;
  }
  void TearDown() override {
    harness.reset();
    VorNavaids = saved;
  }
  // The position nm NM from the aircraft on a true bearing.
  void Offset(double nm, double bearing, double& lat, double& lon) const {
    const double b = bearing * kPi / 180;
    lat = lat0 + nm * std::cos(b) / 60;
    lon = lon0 + nm * std::sin(b) / (60 * std::cos(lat0 * kPi / 180));
  }
  std::string FixLine(double lat, double lon, const std::string& rest) const {
    int ld, lt, od, ot;
    broker::RouteDegrees(lat, ld, lt);
    broker::RouteDegrees(lon, od, ot);
    return "MV.Fix1Name SEA MV.Fix1Act 1 MV.Fix1Ndeg " + std::to_string(ld) + " MV.Fix1Nmin " +
           std::to_string(lt) + " MV.Fix1Edeg " + std::to_string(od) + " MV.Fix1Emin " + std::to_string(ot) +
           " " + rest + "\r";
  }
  bool Lit(double x, double y, Rgba c) const {
    int wx, wy;
    harness->NdToWindow(x, y, wx, wy);
    return CountColour(wx - 1, wy - 1, wx + 1, wy + 1, c) > 0;
  }
  // Green of a smoothed line: any strength of pure green in a 3 x 3 patch.
  bool GreenLit(double x, double y, int half = 1) const {
    int wx, wy;
    harness->NdToWindow(x, y, wx, wy);
    for (int j = wy - half; j <= wy + half; ++j)
      for (int i = wx - half; i <= wx + half; ++i) {
        const Rgba p = Pixel(i, j);
        if (p.g >= 60 && p.r < 30 && p.b < 30) return true;
      }
    return false;
  }
  TVorNavaidLookups saved;
  std::unique_ptr<ndtest::NdHarness> harness;
  double lat0 = 0, lon0 = 0;
};

TEST_F(RadioDrawing, RouteLegsAndFixRingsOnTheNd) {
  // Heading 090: points 5 and 10 NM east and 2 NM north lie up the screen,
  // 7 units left of the track line.
  double lat1, lon1, lat2, lon2;
  Offset(std::hypot(5, 2), std::atan2(5, 2) * 180 / kPi, lat1, lon1);
  Offset(std::hypot(10, 2), std::atan2(10, 2) * 180 / kPi, lat2, lon2);
  harness->Feed({broker::RoutePointItems(1, "ONE", lat1, lon1) + " " +
                     broker::RoutePointItems(2, "TWO", lat2, lon2) + " R.LastLeg 0 R.W 2\r",
                 FixLine(lat0, lon0, "MV.Fix1Dis1 20 MV.Fix1Dis2 999 MV.Fix1Dis3 -1 MV.Fix1Dis4 0 "
                                     "MV.Fix1Brg1 999 MV.Fix1Brg2 -1 MV.Fix1Brg3 999 MV.Fix1Brg4 999")});
  ASSERT_EQ(Route->Count(), 2);
  EXPECT_EQ(Route->Name(2), "TWO");
  harness->Render();
  ReadBack();
  ExpectPicture("nd-route-fix");
  const double unit = 141.42 / 40;
  EXPECT_TRUE(Lit(-2 * unit, 7.5 * unit, kMagenta));
  EXPECT_FALSE(Lit(-2 * unit - 4, 7.5 * unit, kMagenta));
  EXPECT_EQ(harness->Printed("TWO").size(), 1u);
  EXPECT_NEAR(Route->DistanceToActive(static_cast<float>(lat0), static_cast<float>(lon0)), std::hypot(10, 2), 0.05);

  // One ring of 20 NM (60 dashes), labels "20" and "0", nothing for 999 or -1.
  EXPECT_EQ(FixInfo->LastVertices(), 120);
  // Labels in Font040 (the range label and the heading digits use others).
  const auto small = [&](const std::string& text) { return testsupport::PrintsOf(harness->printed, text, Font040); };
  const auto label = small("20");
  ASSERT_EQ(label.size(), 1u);
  int wx, wy;
  harness->NdToWindow(52.33, -52.33, wx, wy);
  EXPECT_NEAR(label[0].winX, wx, 1.5);
  EXPECT_NEAR(label[0].winY, wy, 1.5);
  EXPECT_EQ(small("0").size(), 1u);
  EXPECT_TRUE(small("999").empty());
  EXPECT_TRUE(small("-1").empty());
  // The first dash runs from 0 to 3 degrees, left of the aircraft's right.
  const double a = 1.5 * kPi / 180;
  harness->NdToWindow(70.71 * std::cos(a), 70.71 * std::sin(a), wx, wy);
  EXPECT_TRUE(GreenLit(70.71 * std::cos(a), 70.71 * std::sin(a)));
  EXPECT_FALSE(GreenLit(70.71 * std::cos(3 * a), 70.71 * std::sin(3 * a)));
}

TEST_F(RadioDrawing, FixesFarAwayGetTheirSymbolOnly) {
  for (const auto& [nm, vertices] : {std::pair{1500.0, 1201}, std::pair{1600.0, 0}}) {
    double lat, lon;
    Offset(nm, 0, lat, lon);
    harness->Feed({FixLine(lat, lon, "MV.Fix1Dis1 999 MV.Fix1Dis2 999 MV.Fix1Dis3 999 MV.Fix1Dis4 999 "
                                     "MV.Fix1Brg1 45 MV.Fix1Brg2 999 MV.Fix1Brg3 999 MV.Fix1Brg4 999")});
    harness->Render();
    EXPECT_EQ(FixInfo->LastVertices(), vertices) << nm;
  }
}

TEST_F(RadioDrawing, AdfPointerTunedNavaidsAndCourseLineWithNoBlocks) {
  int f1 = 0, f2 = 0;
  VorNavaids.DrawTuned = [&](double, double, double, int, int a, int b) {
    f1 = a;
    f2 = b;
  };
  double sLat, sLon;
  Offset(10, 0, sLat, sLon);  // 10 NM north: left of the aircraft
  VorNavaids.FindPosition = [&](const std::string& ident, double, double, double& lat, double& lon) {
    if (ident == "sea") {
      lat = sLat;
      lon = sLon;
    }
  };
  // Both selections 1: the course line and the tuned frequencies stay.
  harness->Feed({"MV.vorEfisL 1 MV.vorEfisR 1 MV.vor1FreqStr 117.30 MV.vor1FreqLen 6 MV.vor1Ident sea "
                 "MV.vorCrs1 90 MV.vor2FreqLen 0 MV.adf1Rec 1 MV.vorOldRad1 2700 MV.vorInRg1 1\r"});
  harness->Render();
  ReadBack();
  EXPECT_EQ(f1, 11730);
  EXPECT_EQ(f2, -1);
  EXPECT_TRUE(harness->Printed("VOR L").empty());
  EXPECT_TRUE(harness->Printed("ADF L").empty());
  EXPECT_FALSE(Lit(2.5, 125.7, kCyan));
  // Course 090 magnetic through the station 10 NM to the left, seen with
  // heading 090: a dashed line up the screen through it.
  const double x = -10 * 141.42 / 40;
  int lit = 0;
  for (double y = 10; y < 20; y += 1) lit += GreenLit(x, y, 0);
  EXPECT_GE(lit, 3);
  EXPECT_FALSE(GreenLit(x + 6, 15, 2));

  // Left on ADF: the cyan single-line pointer, its head at the top.
  harness->Feed({"MV.vorEfisL 0 MV.adf1FreqStr 362.5 MV.adf1FreqLen 5 MV.adfDec1 0\r"});
  harness->Render();
  ReadBack();
  ExpectPicture("nd-radio");
  EXPECT_EQ(harness->Printed("ADF L").size(), 1u);
  EXPECT_EQ(harness->Printed("362.5").size(), 1u);
  EXPECT_TRUE(Lit(2.5, 125.7, kCyan));  // the head's crossbar
  EXPECT_TRUE(Lit(0, 133, kCyan));
}

TEST_F(RadioDrawing, DecodedStationNotFoundDrawsTheLongRadioLine) {
  Tvor& vor = *Vor;
  vor.ParseLine("MV.vorEfisL 1 MV.vorEfisR 1 MV.vorInRg1 1 MV.vorDec1 1 MV.vorRad1 900 MV.vor1Ident xyz\r");
  for (const auto& [dme, vertices] : {std::pair{-999.0f, 2}, std::pair{12.0f, 4}}) {
    VorNavaids.DmeDistance = [dme](const std::string&, bool&, double, double, double) { return dme; };
    vor.ResetVertexCount();
    vor.DrawRadioLines(40, lat0, lon0, 90, 4000);
    EXPECT_EQ(vor.LastVertices(), vertices) << dme;
  }
  // A DME-only station: no line.
  VorNavaids.DmeDistance = [](const std::string&, bool& flag, double, double, double) {
    flag = true;
    return 5.0f;
  };
  vor.ResetVertexCount();
  vor.DrawRadioLines(40, lat0, lon0, 90, 4000);
  EXPECT_EQ(vor.LastVertices(), 0);
}

TEST_F(RadioDrawing, TheDemoFlightShowsItsRouteFixAndRadios) {
  broker::DemoFlight demo;
  // The program hands its parsers each line without the LF.
  for (std::string line : demo.Lines(70, false)) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    harness->Feed({line});
  }
  NdRange = 40;
  harness->Render();
  ReadBack();
  ExpectPicture("nd-demo-radio");
  EXPECT_EQ(Route->Count(), 4);
  EXPECT_EQ(harness->Printed("ALPHA").size(), 1u);
  EXPECT_EQ(FixInfo->Fix(1).name, "SEA");
  EXPECT_EQ(harness->Printed("VOR L").size(), 1u);
  EXPECT_EQ(harness->Printed("ADF R").size(), 1u);
  EXPECT_EQ(harness->Printed("OLM").size(), 1u);
}

}  // namespace
