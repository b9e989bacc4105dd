// The route, the fix rings and the radio navigation drawn on the ND
// offscreen through the real dispatch (frames written to
// test-frames/nd-route-fix.png, nd-radio.png and nd-bearings.png).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "nd/Ufixinfo.h"
#include "nd/Unavigation.h"
#include "nd/Uroutes.h"
#include "nd/Uvordisplay.h"
#include "pfd/UcommonVariables.h"
#include "platform/Numbers.h"
#include "support/geo/geoMath.h"
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
  VorNavaids.DrawTuned = [&](const NdFrame&, int a, int b) {
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

TEST_F(RadioDrawing, BearingsTurnClockwiseLikeTheCompassCard) {
  // Where the nose (+y) points inside DrawTurned, clockwise from up.
  const auto drawn = [](double turn) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    double m[16] = {};
    DrawTurned(turn, [&] { glGetDoublev(GL_MODELVIEW_MATRIX, m); });
    glPopMatrix();
    return std::atan2(m[4], m[5]) * 180 / kPi;
  };
  Tvor& vor = *Vor;
  // Heading 030, the station on true bearing 196 from the aircraft, 166
  // right of the nose. The receiver reports the radial the aircraft is on,
  // from the station: 196 - 180 = 016. The head belongs at 196 - 030 = 166.
  vor.ParseLine("MV.vorEfisL 2 MV.vorEfisR 1 MV.vorInRg1 1 MV.vorOldRad1 160\r");
  const double radial016 = vor.Pointers(false, 30).at(0).angle;
  // An ADF pointer on radial 090 at heading 030: the station lies west,
  // 120 left of the nose. The turn handed over stays AngleDiff(90, 30) -
  // 180 = -120; GL turns the model-view by +120.
  vor.ParseLine("MV.vorEfisL 0 MV.adf1Rec 1 MV.vorOldRad1 900\r");
  const double radial090 = vor.Pointers(false, 30).at(0).angle;
  EXPECT_NEAR(radial090, -120, 1e-9);
  // Course 045 through a station due north; course 265 through a station
  // east of the aircraft at 60N, the great circle back to the aircraft
  // (its bearing there is 264.98, 3 degrees off the flat one).
  VorNavaids.FindPosition = [](const std::string& ident, double, double, double& lat, double& lon) {
    if (ident == "sea") lat = 47.2, lon = -122;
    if (ident == "far") lat = 60.2, lon = 13.5;
  };
  vor.ParseLine("MV.vor1Ident sea MV.vor2Ident far MV.vorCrs1 45 MV.vorCrs2 265\r");
  double x = 0, y = 0, north = 0, east = 0;
  ASSERT_TRUE(vor.CourseLine(0, 40, 47, -122, 0, x, y, north));
  ASSERT_TRUE(vor.CourseLine(1, 40, 60, 10, 30, x, y, east));
  const double toAircraft = std::atan2(-x, -y) * 180 / kPi;

  struct Case {
    const char* what;
    double turn, expected;
    bool line;  // either way along it
  };
  const Case cases[] = {
      {"fix radial 090, variation 0, heading 000: right", FixRadialAngle(90, 0, 0), 90, false},
      {"fix radial 090, variation 0, heading 160: up-left", FixRadialAngle(90, 160, 0), -70, false},
      {"fix radial 090, variation 15 E, heading 000: true 105", FixRadialAngle(90, 0, 15), 105, false},
      {"pointer, radial 016 at heading 030: head at 166", radial016, 166, false},
      {"ADF pointer, radial 090 at heading 030: head 120 left", radial090, -120, false},
      {"course 045 at heading 000", north, 45, true},
      {"course 265 at heading 030 through the aircraft", east, toAircraft, true},
  };
  for (const Case& c : cases) {
    const double a = drawn(c.turn);
    const double d = c.line ? AngleDiff(2 * a, 2 * c.expected) / 2 : AngleDiff(a, c.expected);
    EXPECT_NEAR(d, 0, 0.05) << c.what;
  }
}

TEST_F(RadioDrawing, PointersLinesAndRadialsPointAtTheirStations) {
  // Heading 000, range 20. The VOR "sea" and the fix SEA lie 4 NM on true
  // bearing 166, the aircraft on radial 346; the ADF station lies at 040,
  // the aircraft on its radial 220. The green head points down-right at
  // 166, the tail up-left; the radio line ends with its bar at the fix;
  // the course 045 runs from lower left to upper right through it; the fix
  // radials run right (090) and up-left (330); the cyan head points at 040.
  double sLat, sLon;
  Offset(4, 166, sLat, sLon);
  int ld, lt, od, ot;
  broker::RouteDegrees(sLat, ld, lt);
  broker::RouteDegrees(sLon, od, ot);
  sLat = ld + lt / 600.0;
  sLon = od + ot / 600.0;
  VorNavaids.FindPosition = [&](const std::string& ident, double, double, double& lat, double& lon) {
    if (ident == "sea") lat = sLat, lon = sLon;
  };
  VorNavaids.DmeDistance = [](const std::string& ident, bool&, double, double, double) {
    return ident == "sea" ? 4.0f : -999.0f;
  };
  harness->Feed({"IPC.thdg 0 IPC.mcphdg 0 MV.IrsPhdg 0\r",
                 FixLine(sLat, sLon, "MV.Fix1Type 1 MV.Fix1Dis1 999 MV.Fix1Dis2 999 MV.Fix1Dis3 999 "
                                     "MV.Fix1Dis4 999 MV.Fix1Brg1 90 MV.Fix1Brg2 330 MV.Fix1Brg3 999 "
                                     "MV.Fix1Brg4 999"),
                 "MV.vorEfisL 2 MV.vorEfisR 0 MV.vor1Ident sea MV.vor1FreqStr 116.80 MV.vor1FreqLen 6 "
                 "MV.vorDec1 1 MV.vorInRg1 1 MV.vorOldRad1 3460 MV.vorCrs1 45 MV.vorCrs2 361 MV.vorInRg2 0 "
                 "MV.adf2FreqStr 362.5 MV.adf2FreqLen 5 MV.adf2Rec 1 MV.vorOldRad2 2200\r"});
  NdRange = 20;
  // The radio line takes the DME distance the labels of the frame before
  // looked up.
  harness->Render();
  harness->Render();
  ReadBack();
  ExpectPicture("nd-bearings");
}

TEST_F(RadioDrawing, DecodedStationNotFoundDrawsTheLongRadioLine) {
  Tvor& vor = *Vor;
  NdFrame view;
  view.range = 40;
  view.ownLatitude = lat0;
  view.ownLongitude = lon0;
  view.ownAltitude = 4000;
  view.displayHeading = 90;
  vor.ParseLine("MV.vorEfisL 1 MV.vorEfisR 1 MV.vorInRg1 1 MV.vorDec1 1 MV.vorRad1 900 MV.vor1Ident xyz\r");
  for (const auto& [dme, vertices] : {std::pair{-999.0f, 2}, std::pair{12.0f, 4}}) {
    VorNavaids.DmeDistance = [dme](const std::string&, bool&, double, double, double) { return dme; };
    vor.ResetVertexCount();
    vor.DrawRadioLines(view);
    EXPECT_EQ(vor.LastVertices(), vertices) << dme;
  }
  // A DME-only station: no line.
  VorNavaids.DmeDistance = [](const std::string&, bool& flag, double, double, double) {
    flag = true;
    return 5.0f;
  };
  vor.ResetVertexCount();
  vor.DrawRadioLines(view);
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
