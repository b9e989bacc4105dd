// Airports and the active runway on the ND, drawn offscreen through the
// real dispatch from the generated demo databases (frames written to
// test-frames/nd-airports.png and nd-active-runway.png).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "nd/Unavigation.h"
#include "nd/Urunways.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"
#include "tools/make-navdata/NavData.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

using testsupport::Rgba;
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kCyan{102, 204, 255, 255};
constexpr double kPi = 3.14159265358979;

class RunwaysDrawing : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ASSERT_TRUE(navdata::WriteDatabases(data.Path(), false));
    savedFolder = DataFolder;
    DataFolder = data.Path();
    DatabasesPresent = true;
    RequiredFilesFound = true;
    ASSERT_TRUE(LoadMagneticVariation(data.Path()));
    Runways = std::make_unique<Trunways>();
    harness = std::make_unique<ndtest::NdHarness>();
  }
  void TearDown() override {
    harness.reset();
    Runways.reset();
    ClearMagneticVariation();
    RequiredFilesFound = false;
    DatabasesPresent = false;
    DataFolder = savedFolder;
    AirportsVisible = true;
    StationsVisible = true;
    WaypointsVisible = true;
  }
  // Aircraft at nm NM from the demo field on the true bearing from the
  // field, heading 090; the databases load around it at its first position.
  void PlaceAircraft(double nm, double bearing, int range) {
    const double b = bearing * kPi / 180;
    acLat = broker::kDemoFieldLatitude + nm * std::cos(b) / 60;
    acLon = broker::kDemoFieldLongitude + nm * std::sin(b) / (60 * std::cos(acLat * kPi / 180));
    ndtest::Scenario s;
    s.name = "runways";
    s.range = range;
    s.lines = ndtest::PositionLines(acLat, acLon);
    for (const auto& l : ndtest::AlignedIrsLines()) s.lines.push_back(l);
    harness->Load(s);
  }
  // Whether a 3 x 3 patch around ND point (x, y) holds colour c.
  bool Lit(double x, double y, Rgba c) const {
    int wx, wy;
    harness->NdToWindow(x, y, wx, wy);
    return CountColour(wx - 1, wy - 1, wx + 1, wy + 1, c) > 0;
  }
  testsupport::TempDir data;
  std::string savedFolder;
  std::unique_ptr<ndtest::NdHarness> harness;
  double acLat = 0, acLon = 0;
};

TEST_F(RunwaysDrawing, OneSymbolAndLabelPerAirport) {
  PlaceAircraft(8, 300, 40);
  ASSERT_TRUE(Runways->HasList());
  harness->Render();
  ReadBack();
  ExpectPicture("nd-airports");
  // Seattle has three runways but one symbol and one label.
  EXPECT_EQ(harness->Printed("KSEA").size(), 1u);
  EXPECT_EQ(harness->Printed("KDMO").size(), 1u);
  EXPECT_EQ(harness->Printed("ksea").size(), 0u);
  EXPECT_EQ(harness->Printed("KJFK").size(), 0u);
  const auto p = SymbolPosition(static_cast<float>(acLat), static_cast<float>(acLon), 90,
                                static_cast<float>(navdata::StoredDegrees(47.4490)),
                                static_cast<float>(navdata::StoredDegrees(-122.3070)), 40);
  ASSERT_TRUE(p);
  int x0, y0, x1, y1;
  harness->NdToWindow(p->x - 4, p->y - 4, x0, y0);
  harness->NdToWindow(p->x + 4, p->y + 4, x1, y1);
  EXPECT_GT(CountColour(x0, y0, x1, y1, kCyan), 10);
  // Hidden airports: no symbol, no label (the stations and fixes, cyan
  // too, hidden with them).
  AirportsVisible = false;
  StationsVisible = false;
  WaypointsVisible = false;
  harness->Render();
  ReadBack();
  EXPECT_EQ(harness->Printed("KSEA").size(), 0u);
  EXPECT_EQ(CountColour(x0, y0, x1, y1, kCyan), 0);
}

TEST_F(RunwaysDrawing, ActiveRunwayAtFortyNotAtEighty) {
  AirportsVisible = false;
  // The field is ahead and left of the aircraft (bearing 045, heading 090).
  PlaceAircraft(10, 225, 40);
  // The demo broker's runway line: corner 1 on the field's runway, "14".
  const broker::DemoState& state = broker::DemoFlight().At(0);
  for (const auto& row : broker::DemoTable())
    if (row.front().name == "MV.RwyX1") harness->Feed({broker::DemoLine(row, state)});
  ASSERT_EQ(Runways->ActiveRunwayElevation(), 430);
  ASSERT_TRUE(Runways->HasList());
  const TRunwayEntry& e = Runways->List()->front();
  ASSERT_EQ(e.ident, "kdmo");
  const RunwayPlacement p = PlaceRunway(e, acLat, acLon, 90, 40);
  EXPECT_NEAR(p.angle, -70, 1e-9);

  harness->Render();
  ReadBack();
  ExpectPicture("nd-active-runway");
  ASSERT_EQ(harness->Printed("14 ").size(), 1u);
  // Points along the turned centre line beyond the runway's end: stippled,
  // so some lit and some dark; the same line unturned is dark.
  const double a = p.angle * kPi / 180;
  int lit = 0, dark = 0, straight = 0;
  for (double t = p.halfLength + 2; t < p.extension - 2; t += 0.5) {
    for (double s : {t, -t}) {
      if (Lit(p.x - s * std::sin(a), p.y + s * std::cos(a), kWhite)) ++lit;
      else ++dark;
      if (Lit(p.x, p.y + s, kWhite)) ++straight;
    }
  }
  EXPECT_GT(lit, 20);
  EXPECT_GT(dark, 20);
  EXPECT_LT(straight, 10);
  // The long sides either side of the centre.
  EXPECT_TRUE(Lit(p.x + kRunwayHalfWidth * std::cos(a), p.y + kRunwayHalfWidth * std::sin(a), kWhite));

  NdRange = 80;
  harness->Render();
  ReadBack();
  EXPECT_EQ(harness->Printed("14 ").size(), 0u);
  const RunwayPlacement p80 = PlaceRunway(e, acLat, acLon, 90, 80);
  int lit80 = 0;
  for (double t = p80.halfLength + 1; t < p80.extension - 1; t += 0.5) {
    const double x = p80.x - t * std::sin(a), y = p80.y + t * std::cos(a);
    if (std::fabs(x) > 3 && Lit(x, y, kWhite)) ++lit80;  // the track line runs up x = 0
  }
  EXPECT_EQ(lit80, 0);
  // At 10 NM only within 15 NM of latitude, though the centre line of a
  // runway farther out would reach into the display.
  for (const auto& [nm, labels] : {std::pair{14.0, 1u}, {22.0, 0u}}) {
    PlaceAircraft(nm, 320, 10);
    harness->Render();
    EXPECT_EQ(harness->Printed("14 ").size(), labels) << nm;
  }
}

}  // namespace
