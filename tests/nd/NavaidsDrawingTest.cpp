// Navaids and waypoints on the ND, drawn offscreen through the real
// dispatch from databases written here (frame written to
// test-frames/nd-navaids.png): which ranges show which stations, the tuned
// stations' reach, the antimeridian, and the labels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "nd/Unavaids.h"
#include "nd/Unavigation.h"
#include "nd/Urunways.h"
#include "nd/Uwaypoints.h"
#include "pfd/UcommonVariables.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"
#include "tools/make-navdata/NavData.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

using testsupport::Rgba;
constexpr Rgba kCyan{102, 204, 255, 255};
constexpr double kPi = 3.14159265358979;
constexpr double kAcLat = broker::kDemoFieldLatitude, kAcLon = broker::kDemoFieldLongitude;

// nm NM from the aircraft on a true bearing (flat approximation: the tests
// only need a station clearly inside or outside a distance).
navdata::Navaid Nav(const std::string& ident, double nm, double bearing, int type, bool allRanges = false,
                    int frequency = 11000) {
  navdata::Navaid n;
  n.ident = ident;
  const double b = bearing * kPi / 180;
  n.lat = kAcLat + nm * std::cos(b) / 60;
  n.lon = kAcLon + nm * std::sin(b) / (60 * std::cos(n.lat * kPi / 180));
  n.type = type;
  n.allRanges = allRanges;
  n.frequency = frequency;
  return n;
}

class NavaidsDrawing : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    std::string navaids;
    for (const auto& n : {Nav("NEA", 20, 0, 1), Nav("bf", 15, 180, 1), Nav("ol ", 25, 270, 3),
                          Nav("NDB", 12, 200, 2), Nav("T4", 18, 160, 4), Nav("ALL", 300, 0, 1, true),
                          Nav("MID", 120, 0, 1), Nav("FAR", 500, 90, 3, true), Nav("S65", 25, 45, 65),
                          Nav("S67", 25, 135, 67)})
      navaids += navdata::NavaidRecord(n);
    // Tuned candidates: two frequencies, reach 239 NM with bit 7 and 99 NM
    // without.
    // Along the meridian, where the distances are exact.
    for (const auto& n : {Nav("B20", 200, 0, 1, true, 11500), Nav("B38", 238.5, 180, 3, true, 11500),
                          Nav("B40", 239.5, 0, 1, true, 11500), Nav("P98", 98.5, 180, 3, false, 11720),
                          Nav("P99", 99.5, 0, 1, false, 11720), Nav("P12", 120, 180, 1, false, 11720),
                          Nav("NTU", 30, 0, 2, false, 11720), Nav("X4T", 30, 180, 4, false, 11500),
                          Nav("HIF", 50, 0, 1, false, 0x8000)})
      navaids += navdata::NavaidRecord(n);
    // A station across the antimeridian from the aircraft of that test.
    navaids += navdata::NavaidRecord({"ant", 51.9, 179.95, 1, false, 0, 11000});
    testsupport::WriteFile(data.File("747s.pa"), navaids + "\x01\x02");
    testsupport::WriteFile(data.File("747w.pc"),
                           navdata::WaypointRecord({"ALDER", kAcLat + 0.1, kAcLon + 0.1}) +
                               navdata::WaypointRecord({"AFIX", 51.95, 179.95}) +
                               navdata::WaypointRecord({"FARFX", kAcLat + 2, kAcLon}));
    savedFolder = DataFolder;
    DataFolder = data.Path();
    DatabasesPresent = true;
    harness = std::make_unique<ndtest::NdHarness>();
    ndtest::Scenario s;
    s.name = "navaids";
    s.range = 40;
    s.lines = ndtest::AlignedIrsLines();
    harness->Load(s);
  }
  void TearDown() override {
    harness.reset();
    ClearMagneticVariation();
    RequiredFilesFound = false;
    DatabasesPresent = false;
    DataFolder = savedFolder;
  }
  bool Shown(const std::string& label) const { return !harness->Printed(label).empty(); }
  // Cyan pixels in the box of 4 ND units around a station's symbol.
  int CyanAround(double lat, double lon, int range) const {
    const auto p = SymbolPosition(static_cast<float>(OwnLatitude), static_cast<float>(OwnLongitude),
                                  static_cast<float>(NdHeading), static_cast<float>(navdata::StoredDegrees(lat)),
                                  static_cast<float>(navdata::StoredDegrees(lon)), range);
    if (!p) return 0;
    int x0, y0, x1, y1;
    harness->NdToWindow(p->x - 4, p->y - 4, x0, y0);
    harness->NdToWindow(p->x + 4, p->y + 4, x1, y1);
    return CountColour(x0, y0, x1, y1, kCyan);
  }
  testsupport::TempDir data;
  std::string savedFolder;
  std::unique_ptr<ndtest::NdHarness> harness;
};

TEST_F(NavaidsDrawing, RangesShowTheirStationsAndFixes) {
  ASSERT_TRUE(Navaids && Navaids->HasList());
  harness->Render();
  ReadBack();
  ExpectPicture("nd-navaids");
  const navdata::Navaid nea = Nav("NEA", 20, 0, 1);
  EXPECT_GT(CyanAround(nea.lat, nea.lon, 40), 10);
  for (const char* label : {"NEA", "BF", "OL ", "NDB", "ALDER"}) EXPECT_TRUE(Shown(label)) << label;
  for (const char* label : {"T4", "ALL", "MID", "FARFX", "bf", "AFIX"}) EXPECT_FALSE(Shown(label)) << label;
  const auto bf = harness->Printed("BF");
  ASSERT_EQ(bf.size(), 1u);
  EXPECT_NEAR(bf[0].b, 1.0, 0.01);  // cyan
  EXPECT_NEAR(bf[0].r, 0.4, 0.01);

  // Hidden by the flags.
  StationsVisible = false;
  WaypointsVisible = false;
  harness->Render();
  StationsVisible = true;
  WaypointsVisible = true;
  EXPECT_FALSE(Shown("NEA"));
  EXPECT_FALSE(Shown("ALDER"));

  // At 80 NM the plain stations and the fixes go; bit 7 stays.
  struct RangeCase {
    int range;
    std::vector<const char*> shown, hidden;
  } cases[] = {
      {80, {}, {"NEA", "MID", "ALDER", "ALL"}},
      {160, {}, {"MID", "ALL"}},
      {320, {"ALL"}, {"NEA", "FAR"}},
      {640, {"ALL", "FAR", "B20"}, {"NEA", "MID", "P98", "ALDER"}},
  };
  for (const RangeCase& c : cases) {
    NdRange = c.range;
    harness->Render();
    for (const char* label : c.shown) EXPECT_TRUE(Shown(label)) << label << " at " << c.range;
    for (const char* label : c.hidden) EXPECT_FALSE(Shown(label)) << label << " at " << c.range;
  }
  NdRange = 80;
  harness->Render();
  ReadBack();
  EXPECT_EQ(CyanAround(nea.lat, nea.lon, 80), 0);
}

TEST_F(NavaidsDrawing, TunedStationsWithinReach) {
  harness->Render();
  auto tuned = [&](int f1, int f2, int range = 640) {
    harness->printed.clear();
    NdFrame view;
    view.range = range;
    view.ownLatitude = kAcLat;
    view.ownLongitude = kAcLon;
    view.heading = NdHeading;
    Navaids->DrawTuned(view, f1, f2);
    std::vector<std::string> labels;
    for (const auto& p : harness->printed) {
      labels.push_back(p.text);
      EXPECT_NEAR(p.g, 1.0, 0.01) << p.text;  // green
      EXPECT_NEAR(p.b, 0.0, 0.01) << p.text;
    }
    return labels;
  };
  using L = std::vector<std::string>;
  EXPECT_EQ(tuned(11500, -1), (L{"B20", "B38"}));
  EXPECT_EQ(tuned(-1, 11720), (L{"P98", "NTU"}));
  EXPECT_EQ(tuned(11720, 11500), (L{"B20", "B38", "P98", "NTU"}));  // list order
  EXPECT_EQ(tuned(11500, 11500), (L{"B20", "B38"}));
  EXPECT_EQ(tuned(-1, -1), L{});
  EXPECT_EQ(tuned(32768, 11720 + 65536), (L{"HIF"}));  // low 16 bits, unsigned
  EXPECT_EQ(tuned(-32768, 0), L{});
  // No range test of its own beyond the plotting box.
  EXPECT_EQ(tuned(11500, 11720, 80), (L{"P98", "NTU"}));
}

TEST_F(NavaidsDrawing, AcrossTheAntimeridian) {
  // Heading west, towards the station.
  harness->Feed({"IPC.thdg 270", "MV.IrsPhdg 4.712389"});
  harness->Feed(ndtest::PositionLines(51.9, -179.95, -180));
  ASSERT_NEAR(OwnLongitude, -179.95, 1e-6);
  ReloadDatabases(DataFolder, true);
  ASSERT_EQ(Navaids->List()->size(), 1u);  // the Seattle stations are beyond 1000 NM
  NdRange = 10;
  harness->Render();
  ReadBack();
  ExpectPicture("nd-navaids-antimeridian");
  EXPECT_TRUE(Shown("ANT"));
  EXPECT_TRUE(Shown("AFIX"));
  EXPECT_GT(CyanAround(51.9, 179.95, 10), 0);
}

TEST_F(NavaidsDrawing, RadioRouteAndFixStates) {
  // 10 degrees east everywhere: the first route leg, the fix radials and
  // the course lines turn by it.
  testsupport::WriteFile(data.File("747world.mv"), navdata::VariationGrid([](int, int) { return -10; }));
  RequiredFilesFound = true;
  ASSERT_TRUE(LoadMagneticVariation(data.Path()));
  const auto point = [](int n, const char* name, double nm, double bearing) {
    const navdata::Navaid p = Nav("", nm, bearing, 0);
    return broker::RoutePointItems(n, name, p.lat, p.lon);
  };
  const auto fix = [](int n, const char* name, double nm, double bearing, const std::string& rest) {
    const navdata::Navaid p = Nav("", nm, bearing, 0);
    int ld, lt, od, ot;
    broker::RouteDegrees(p.lat, ld, lt);
    broker::RouteDegrees(p.lon, od, ot);
    const std::string f = "MV.Fix" + std::to_string(n);
    return f + "Name " + name + " " + f + "Ndeg " + std::to_string(ld) + " " + f + "Nmin " + std::to_string(lt) +
           " " + f + "Edeg " + std::to_string(od) + " " + f + "Emin " + std::to_string(ot) + " " + rest + "\r";
  };
  const ndtest::Scenario rows[] = {
      // Both sides on VOR, tuned to 110.00 and 117.20: NEA (20 NM north)
      // with a course and its DME line, measured from the simulator's
      // position 3 NM north of the FMC's (17 NM); OL a DME station (no
      // pointer, no line, its ident small); the tuned stations green; an
      // inactive fix.
      {"radio-tuned",
       {"IPC.latmin 1500000\r",
        "MV.vorEfisL 2 MV.vorEfisR 2 MV.vor1FreqStr 110.00 MV.vor1FreqLen 6 MV.vor1Ident nea MV.vorDec1 1 "
        "MV.vorInRg1 1 MV.vorOldRad1 1800 MV.vorCrs1 45\r",
        "MV.vor2FreqStr 117.20 MV.vor2FreqLen 6 MV.vor2Ident ol MV.vorDec2 1 MV.vorInRg2 1 MV.vorOldRad2 900 "
        "MV.vorCrs2 361\r",
        fix(1, "OFF", 10, 90, "MV.Fix1Act 0 MV.Fix1Dis1 5 MV.Fix1Brg1 0")},
       40},
      // Left ADF and right VOR, not decoded, on the profile layout's compass.
      {"radio-profile",
       {"MV.vorEfisL 0 MV.adf1FreqStr 362.5 MV.adf1FreqLen 5 MV.adfDec1 0 MV.adf1Rec 1 MV.vorOldRad1 2250\r",
        "MV.vorEfisR 2 MV.vor2FreqStr 110.00 MV.vor2FreqLen 6 MV.vor2Ident nea MV.vorDec2 0 MV.vorInRg2 1 "
        "MV.vorOldRad2 1800 MV.vorCrs2 45\r"},
       20, true},
      // Point 1 reached on 340 magnetic from 8 NM back, the active point 2,
      // point 3 "@" without symbol, point 4 "#" without legs; fix 1 a VOR,
      // fix 2 a circle (their unsent values 0: a radial north, a label "0").
      {"route-fix-marks",
       {point(1, "ONE", 6, 30), point(2, "TWO", 10, 60), point(3, "@THR", 12, 100), point(4, "#FOU", 8, 140),
        point(5, "FIV", 5, 165) + " R.e01 340 R.LastLeg 8 R.W 5\r",
        fix(1, "HEX", 8, 45, "MV.Fix1Act 1 MV.Fix1Type 2 MV.Fix1Dis1 4 MV.Fix1Dis2 -1 MV.Fix1Brg1 90 "
                             "MV.Fix1Brg2 999"),
        fix(2, "CIR", 12, 130, "MV.Fix2Act 1 MV.Fix2Type 6 MV.Fix2Dis1 3 MV.Fix2Brg1 200")},
       20},
  };
  for (const ndtest::Scenario& s : rows) {
    SCOPED_TRACE(s.name);
    harness.reset();
    harness = std::make_unique<ndtest::NdHarness>();
    harness->Load(s);
    harness->Feed(ndtest::AlignedIrsLines());
    harness->Render();  // the radio lines take the DME distances of the frame before
    harness->Render();
    ReadBack();
    ExpectPicture("nd-" + s.name);
  }
}

}  // namespace
