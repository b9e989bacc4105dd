// The terrain layer of the ND frame, through the real dispatch: an alert
// turns the terrain on unless it is inhibited, the clearance floor needs a
// valid IRS position, and the height above the terrain is kept up to date
// every frame; a reload when the aircraft leaves the centre block.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "support/geo/geoMath.h"

#include "shared/KestraneSettings.h"
#include "shared/Udebug.h"
#include "nd/Unavigation.h"
#include "nd/Uterrain.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"
#include "tools/make-tiles/TileWriter.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

class TerrainLayer : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    DebugFileName = dir.File("debug.txt");
    DataFolder = "data";
    testsupport::MakeDirs(dir.File("data"));
    // A plateau of 366 m (1200.8 ft) around the demo field.
    std::vector<tiles::BlockRef> blocks;
    for (int r = 7; r <= 9; ++r)
      for (int c = 10; c <= 12; ++c) blocks.push_back({r, c});
    ASSERT_TRUE(tiles::WriteBlocks(dir.File("data"), blocks, [](int, int) { return std::int16_t{366}; }));
    harness = std::make_unique<ndtest::NdHarness>();
    Terrain->BaseFolder = dir.Path();
  }
  void TearDown() override {
    harness.reset();
    TerrainRunways = nullptr;
    TerrainVisible = true;
    TerrainInhibited = false;
    DataFolder.clear();
  }
  // Level at 2000 ft and 300 kt over the plateau, IRS aligned or not.
  void Fly(bool aligned, double altitude = 2000) {
    ndtest::Scenario s{"terrain", aligned ? ndtest::AlignedIrsLines() : ndtest::UnalignedIrsLines()};
    s.lines.push_back("MV.GndSpeed 300");
    s.lines.push_back("IPC.talt " + std::to_string(static_cast<int>(altitude)));
    harness->Load(s);
    harness->Render();
  }
  testsupport::TempDir dir;
  std::unique_ptr<ndtest::NdHarness> harness;
};

TEST_F(TerrainLayer, AnAlertShowsTheTerrainUnlessInhibited) {
  TerrainVisible = false;
  Fly(true);
  EXPECT_EQ(Terrain->ElevationAt(11 * 600 + 7, 8 * 600 + 36), 366);  // loaded at the first position
  EXPECT_TRUE(TerrainVisible);
  EXPECT_TRUE(NdFlags.terrainCaution);
  EXPECT_TRUE(NdFlags.terrainWarning);

  TerrainVisible = false;
  TerrainInhibited = true;
  harness->Render();
  EXPECT_FALSE(TerrainVisible);
  EXPECT_FALSE(NdFlags.terrainCaution);  // not shown, not raised
  EXPECT_FALSE(NdFlags.terrainWarning);
}

TEST_F(TerrainLayer, ClearanceFloorNeedsAValidPosition) {
  double lat = 0, lon = 0;
  DestinationPoint(lat, lon, broker::kDemoFieldLatitude, broker::kDemoFieldLongitude, 10, 0);
  TerrainRunways = [lat, lon] { return std::optional<TerrainRunway>(TerrainRunway{"ksea", lat, lon, 1, 430}); };
  Fly(true, 1500);  // 299 ft above the plateau, 10 NM out: below the 400 ft floor
  EXPECT_TRUE(NdFlags.clearanceFloor);
  Fly(false, 1500);
  EXPECT_FALSE(NdFlags.clearanceFloor);
  EXPECT_NEAR(Terrain->ElevationUnderAircraft, 366 / 0.3048, 1e-6);
  Fly(false, 1700);
  EXPECT_NEAR(Terrain->HeightAboveTerrain(broker::kDemoFieldLatitude, broker::kDemoFieldLongitude, 1700),
              1700 - 366 / 0.3048, 1e-6);
}

TEST_F(TerrainLayer, LeavingTheCentreBlockReloads) {
  double now = 100;
  ReloadLog().SetClock([&] { return now; });
  Fly(true);
  ASSERT_EQ(Terrain->CentreRow, 8);
  // 45.5 N lies in block row 8 still; 44.9 N in block row 9.
  harness->Feed(ndtest::PositionLines(45.5, -122.06333));
  EXPECT_EQ(Terrain->CentreRow, 8);
  now += 1;  // reloads are a second apart at least
  harness->Feed(ndtest::PositionLines(44.9, -122.06333));
  ReloadLog().SetClock({});
  EXPECT_EQ(Terrain->CentreRow, 9);
  const std::string log = testsupport::ReadFile(DebugFileName);
  const auto moved = log.find(" Broker Comm: Data reload (plane position moved.");
  const auto load = log.find(" Terrain: Load Terrain from tile 11,9");
  const auto done = log.find(" Broker Comm: Data reload successful.");
  ASSERT_NE(moved, std::string::npos);
  EXPECT_LT(moved, load);
  EXPECT_LT(load, done);
  EXPECT_NE(done, std::string::npos);
}

// The demo: the low pass over the ridge turns it solid amber, then red.
TEST_F(TerrainLayer, DemoRidgeTurnsAmberThenRed) {
  std::vector<tiles::BlockRef> blocks;
  for (int r = 7; r <= 9; ++r)
    for (int c = 10; c <= 12; ++c) blocks.push_back({r, c});
  ASSERT_TRUE(tiles::WriteBlocks(dir.File("data"), blocks, tiles::DemoTerrainCell));
  harness->Load({"demo", ndtest::AlignedIrsLines()});
  broker::DemoFlight demo;
  const struct {
    double t;
    bool caution, warning;
    const char* png;
  } moments[] = {{195, false, false, "nd-terrain-demo-195"},
                 {205, true, false, "nd-terrain-demo-caution"},
                 {219, true, true, "nd-terrain-demo-warning"}};
  for (const auto& m : moments) {
    for (const std::string& line : demo.Lines(m.t, false)) harness->Feed({line});
    harness->Render();
    ReadBack();
    ExpectPicture(m.png);
    EXPECT_EQ(NdFlags.terrainCaution, m.caution) << m.t;
    EXPECT_EQ(NdFlags.terrainWarning, m.warning) << m.t;
    const int amber = CountColour(0, 0, kSize, kSize, {255, 242, 51, 255}, 3);
    const int red = CountColour(0, 0, kSize, kSize, {255, 0, 0, 255}, 3);
    if (m.warning) {
      EXPECT_GT(red, 200) << m.t;
    } else if (m.caution) {
      EXPECT_GT(amber, 200) << m.t;
    }
  }
  // The profile layout at the same moment: the panel below the card holds
  // the ridge's bars ahead of the aircraft symbol.
  TerrainAltMode = true;
  harness->Render();
  ReadBack();
  ExpectPicture("nd-terrain-demo-profile");
  EXPECT_GT(CountColour(0, 0, kSize, kSize / 4, {0, 255, 0, 255}, 3), 20);
  EXPECT_GT(CountColour(0, 0, kSize, kSize / 4, {128, 128, 128, 255}, 3), 500);  // the grey scales
  TerrainAltMode = false;
}

// Heading east from the demo field over a plateau (610 m) with a ridge
// (1676 m) across the track 3 to 4 NM ahead. At range 20 from 2200 ft the
// profile's scale follows the plateau under the aircraft, the plateau ahead
// fills every bin up to the last, and the ridge's bars end red above the
// top line. At 20,000 ft the scale's labels have two large digits, the map
// keeps only the upper half of the terrain, and 250 ft/min of climb leave
// the symbol where level flight has it. From range 40 up the map samples
// every s-th cell. At range 5 a runway at 2000 ft raises the bottom line
// above the plateau.
TEST_F(TerrainLayer, ProfileAndMapOverARidge) {
  const int row0 = static_cast<int>(std::lround((90 - broker::kDemoFieldLatitude) * 120));
  const int column0 = static_cast<int>(std::lround((broker::kDemoFieldLongitude + 180) * 120));
  std::vector<tiles::BlockRef> blocks;
  for (int r = 7; r <= 9; ++r)
    for (int c = 10; c <= 12; ++c) blocks.push_back({r, c});
  ASSERT_TRUE(tiles::WriteBlocks(dir.File("data"), blocks, [=](int row, int column) {
    const int east = column - column0;  // 0.34 NM a cell
    return std::int16_t{static_cast<std::int16_t>(std::abs(row - row0) <= 8 && east >= 9 && east <= 11 ? 1676 : 610)};
  }));
  const struct {
    int range, altitude, vs;
    double runway;  // elevation of the selected runway, ft (NAN none)
    const char* png;
  } views[] = {{20, 2200, 0, NAN, "nd-terrain-profile-range-20"},
               {10, 20000, 250, NAN, "nd-terrain-profile-20000"},
               {40, 4500, 0, NAN, "nd-terrain-profile-range-40"},
               {160, 9000, 2000, NAN, "nd-terrain-profile-range-160"},
               {5, 2200, -1000, 2000, "nd-terrain-profile-range-5"}};
  for (const auto& v : views) {
    if (!std::isnan(v.runway))
      TerrainRunways = [&v] { return std::optional<TerrainRunway>(TerrainRunway{"ksea", 47.2, -122.06, 1, v.runway}); };
    ndtest::Scenario s{"ridge", ndtest::AlignedIrsLines(), v.range, true};
    s.lines.insert(s.lines.end(), {"MV.GndSpeed 250", "IPC.talt " + std::to_string(v.altitude),
                                   "IPC.dalt " + std::to_string(v.altitude), "IPC.vs " + std::to_string(v.vs)});
    harness->Load(s);
    harness->Render();
    ReadBack();
    ExpectPicture(v.png);
  }
}

}  // namespace
