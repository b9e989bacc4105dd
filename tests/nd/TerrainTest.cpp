// The terrain element: tiles and blocks read back cell by cell, the sample
// grid of one scan, the look-ahead envelopes, the clearance floor, and the
// demo flight's low pass over the demo terrain.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "shared/Udebug.h"
#include "nd/TerrainTiles.h"
#include "nd/Uterrain.h"
#include "support/geo/geoMath.h"
#include "tests/common/TestSupport.h"
#include "tools/make-tiles/TileWriter.h"
#include "tools/scripted-broker/DemoFlight.h"
#include "tools/scripted-broker/DemoTerrain.h"

namespace {

using tiles::BlockRef;

// Cell values name their block (row x 100 + column); the four corners of
// each block carry a negative marker of their own; the centre block of
// the usual position holds one no-data cell and one 0x8000 cell.
constexpr int kNoDataRow = 8 * 600 + 300, kNoDataColumn = 11 * 600 + 300;
std::int16_t Cell(int row, int column) {
  const int R = row / 600, C = column / 600, r = row % 600, c = column % 600;
  const int base = R * 100 + C;
  if ((r == 0 || r == 599) && (c == 0 || c == 599)) return static_cast<std::int16_t>(-(base * 4 + (r ? 2 : 0) + (c ? 1 : 0) + 1));
  if (row == kNoDataRow && column == kNoDataColumn) return -9999;
  if (row == kNoDataRow && column == kNoDataColumn + 1) return static_cast<std::int16_t>(0x8000);
  return static_cast<std::int16_t>(base);
}
constexpr std::int16_t kEmptyValue = 77;

std::vector<BlockRef> Around(int R, int C) {
  std::vector<BlockRef> b;
  for (int r = R - 1; r <= R + 1; ++r)
    for (int c = C - 1; c <= C + 1; ++c) b.push_back({(r + 36) % 36, (c + 72) % 72});
  return b;
}

// Latitude and longitude of the centre of a grid cell.
double CellLat(int row) { return 90 - row / 120.0; }
double CellLon(int column) { return column / 120.0 - 180; }

class TerrainFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::MakeDirs(dir.File("data"));
    DebugFileName = dir.File("debug.txt");
    terrain.InitData(10, dir.Path() + "/");
  }
  std::string Data() const { return dir.File("data"); }
  void WriteEmpty() {
    ASSERT_TRUE(tiles::WriteEmptyTile(Data(), [](int, int) { return kEmptyValue; }));
  }
  std::vector<std::string> LogLines() const {
    std::vector<std::string> out;
    std::istringstream in(testsupport::ReadFile(DebugFileName));
    for (std::string line; std::getline(in, line);) {
      const auto at = line.find(" Terrain: ");
      const auto comm = line.find(" Broker Comm: ");
      if (at != std::string::npos) out.push_back(line.substr(at));
      else if (comm != std::string::npos) out.push_back(line.substr(comm));
    }
    return out;
  }
  testsupport::TempDir dir;
  Tterrain terrain;
};

TEST(TerrainTiles, NamesAndOffsets) {
  const struct {
    int row, column;
    const char* name;
    std::int64_t offset, stride;
  } cases[] = {
      {8, 11, "w140n90.dem", 46083600, 9600},
      {30, 40, "w000s60.dem", 4800, 14400},
      {0, 0, "w180n90.dem", 0, 9600},
      {29, 71, "e140s10.dem", 51848400, 9600},
      {35, 71, "e120s60.dem", 43213200, 14400},
      {12, 36, "w020n40.dem", 2 * 600 * 4800 * 2 + 4 * 600 * 2, 9600},
      {20, 40, "e020s10.dem", 0, 9600},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(terrain::TileName(c.row, c.column), c.name) << c.row << "," << c.column;
    const auto p = terrain::PlaceInTile(c.row, c.column, terrain::InSouthBand(c.row));
    EXPECT_EQ(p.offset, c.offset) << c.name;
    EXPECT_EQ(p.rowStride, c.stride) << c.name;
  }
}

TEST_F(TerrainFiles, NineBlocksReadBackCornerByCorner) {
  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(8, 11), Cell));
  WriteEmpty();
  terrain.LoadTiles("data", 47.2, -122.06333);
  EXPECT_EQ(terrain.CentreRow, 8);
  EXPECT_EQ(terrain.CentreColumn, 11);
  for (int R = 7; R <= 9; ++R)
    for (int C = 10; C <= 12; ++C)
      for (int r : {0, 599})
        for (int c : {0, 1, 598, 599}) {
          const int row = R * 600 + r, column = C * 600 + c;
          EXPECT_EQ(terrain.ElevationAt(column, row), Cell(row, column)) << R << "," << C << " " << r << "," << c;
        }
  EXPECT_EQ(terrain.ElevationAt(kNoDataColumn, kNoDataRow), -9999);
  EXPECT_EQ(terrain.ElevationAt(kNoDataColumn + 1, kNoDataRow), 32768);
  // Two blocks away from the centre.
  EXPECT_EQ(terrain.ElevationAt(13 * 600, 8 * 600 + 5), 0);
  EXPECT_EQ(terrain.ElevationAt(11 * 600 + 5, 6 * 600 + 599), 0);

  const std::vector<std::string> log = LogLines();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], " Terrain: Load Terrain from tile 11,8");
  EXPECT_EQ(log[1], " Terrain: Trying to load terrain from 11,8");
  EXPECT_EQ(log[2], " Terrain: Trying.......... Filename = \\data\\w140n90");
  EXPECT_EQ(log[3], " Terrain: Load Success.... Filename = \\data\\w140n90");
  EXPECT_EQ(log[4], " Terrain: Trying to load terrain from 10,7");  // north-west next
  EXPECT_EQ(log.size(), 1u + 9 * 3);
}

TEST_F(TerrainFiles, BlockColumnsWrapAtTheDateLine) {
  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(8, 0), Cell));
  WriteEmpty();
  terrain.LoadTiles("data", 47.2, -179.99);
  ASSERT_EQ(terrain.CentreColumn, 0);
  // The west block holds block column 71, read from the eastern tile.
  EXPECT_EQ(terrain.ElevationAt(-1, 8 * 600 + 5), Cell(8 * 600 + 5, 43199));
  EXPECT_EQ(terrain.ElevationAt(-600, 7 * 600), Cell(7 * 600, 71 * 600));

  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(8, 71), Cell));
  terrain.LoadTiles("data", 47.2, 179.99);
  ASSERT_EQ(terrain.CentreColumn, 71);
  EXPECT_EQ(terrain.ElevationAt(43200, 9 * 600 + 599), Cell(9 * 600 + 599, 0));
  EXPECT_EQ(terrain.ElevationAt(43200 + 599, 8 * 600 + 7), Cell(8 * 600 + 7, 599));
}

TEST_F(TerrainFiles, PolarRowsAlwaysTakeTheEmptyBlock) {
  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(0, 11), Cell));
  ASSERT_TRUE(tiles::WriteBlocks(Data(), {{35, 11}}, Cell));
  WriteEmpty();
  terrain.LoadTiles("data", 86, -122);
  ASSERT_EQ(terrain.CentreRow, 0);
  EXPECT_EQ(terrain.ElevationAt(11 * 600 + 5, 5), kEmptyValue);           // row 0, tile present
  EXPECT_EQ(terrain.ElevationAt(11 * 600 + 5, -5), kEmptyValue);          // row 35 north of it
  EXPECT_EQ(terrain.ElevationAt(11 * 600 + 5, 605), Cell(605, 11 * 600 + 5));  // row 1 from the tile
}

TEST_F(TerrainFiles, UnreadableTilesGiveTheEmptyBlockOrZeros) {
  WriteEmpty();
  // Neither accepted size: missing, so every block is the empty one.
  ASSERT_TRUE(tiles::WriteSizedFile(Data() + "/w140n90.dem", terrain::kWideTileBytes + 1));
  terrain.LoadTiles("data", 47.2, -122.06333);
  EXPECT_EQ(terrain.ElevationAt(11 * 600 + 3, 8 * 600 + 3), kEmptyValue);
  EXPECT_EQ(terrain.ElevationAt(12 * 600 + 3, 9 * 600 + 3), kEmptyValue);

  // The -60 band's size in a 40-degree band is read, with the 40-degree
  // layout; what lies past its end reads 0, not what the block held.
  std::remove((Data() + "/w140n90.dem").c_str());
  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(8, 11), Cell));
  terrain.LoadTiles("data", 47.2, -122.06333);
  ASSERT_EQ(terrain.ElevationAt(11 * 600 + 3, 9 * 600 + 3), Cell(9 * 600 + 3, 11 * 600 + 3));
  std::remove((Data() + "/w140n90.dem").c_str());
  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(8, 11), Cell, terrain::kSouthTileBytes));
  terrain.LoadTiles("data", 47.2, -122.06333);
  EXPECT_EQ(terrain.ElevationAt(11 * 600 + 3, 8 * 600 + 599), Cell(8 * 600 + 599, 11 * 600 + 3));
  EXPECT_EQ(terrain.ElevationAt(11 * 600 + 3, 9 * 600 + 3), 0);
  EXPECT_EQ(terrain.ElevationAt(12 * 600 + 599, 9 * 600 + 599), 0);

  // No tile and no empty tile: zeros, with the warning. (A fresh object:
  // this one has loaded three times within 10 s and logs through its
  // limiter by now.)
  std::remove((Data() + "/w140n90.dem").c_str());
  std::remove((Data() + "/empty-tile.dem").c_str());
  terrain.LoadTiles("data", 47.2, -122.06333);
  EXPECT_EQ(terrain.ElevationAt(11 * 600 + 3, 8 * 600 + 3), 0);
  Tterrain fresh;
  fresh.InitData(10, dir.Path());
  fresh.LoadTiles("data", 47.2, -122.06333);
  const auto log = LogLines();
  EXPECT_EQ(log.back(), " Terrain: WARNING! Load failure Filename = \\data\\empty-tile.dem");
  EXPECT_EQ(log[log.size() - 2], " Terrain: Trying.......... Filename = \\data\\empty-tile.dem");
}

TEST_F(TerrainFiles, BeyondEightySevenDegreesTheBlocksAreCleared) {
  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(1, 11), Cell));
  WriteEmpty();
  terrain.LoadTiles("data", 84, -122);
  const int row = 1 * 600 + 120, column = 11 * 600 + 7;
  ASSERT_EQ(terrain.ElevationAt(column, row), Cell(row, column));
  terrain.LoadTiles("data", 88, -122);
  terrain.CentreRow = 1;  // look where the blocks were
  EXPECT_EQ(terrain.ElevationAt(column, row), 0);
}

TEST_F(TerrainFiles, OutsideCentreBlockAtItsEdges) {
  WriteEmpty();
  terrain.LoadTiles("data", 47.2, -122.06333);  // rows 4800..5399, columns 6600..7199
  const struct {
    int row, column;
    bool outside;
  } cases[] = {
      {4800, 6600, false}, {5399, 7199, false}, {4799, 6900, true}, {5400, 6900, true},
      {5000, 6599, true},  {5000, 7200, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(terrain.OutsideCentreBlock(CellLat(c.row), CellLon(c.column)), c.outside) << c.row << "," << c.column;
  terrain.LoadTiles("data", 47.2, -179.99);
  EXPECT_FALSE(terrain.OutsideCentreBlock(47.2, -179.9));
  EXPECT_TRUE(terrain.OutsideCentreBlock(47.2, 179.999));  // just across the date line
}

// ---------------------------------------------------------------------------
// Scan

// Terrain of one height everywhere, or a patch of it ahead.
class TerrainScan : public TerrainFiles {
 protected:
  void Flat(int lat, int metres) {
    const int R = (90 - lat) * 120 / 600;
    const auto cell = [metres](int, int) { return static_cast<std::int16_t>(metres); };
    ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(R, 11), cell));
    ASSERT_TRUE(tiles::WriteEmptyTile(Data(), cell));  // the polar block row
  }
  int Stored() const {
    int n = 0;
    for (const TerrainSample& s : terrain.Samples) n += s.elevation != -9998;
    return n;
  }
  void TearDown() override { TerrainRunways = nullptr; }
  bool caution = true, warning = true;
};

TEST_F(TerrainScan, VisitsTheGridOfTheRange) {
  // allColumnsTo: the last row offset that samples columns off the stride
  // (-99 none). Rows north of grid row 600 (85 N) sample every column; the
  // aircraft at row 601.6 is in row 602, so row 599 is offset -3.
  const struct {
    double lat;
    int range, rows, columns, stride, allColumnsTo;
  } cases[] = {
      {47.1, 10, 20, 40, 1, -99},  {47.1, 40, 40, 80, 1, -99},  {47.1, 80, 40, 80, 1, -99},
      {80.1, 10, 20, 200, 5, -99}, {80.1, 80, 40, 400, 5, -99}, {90 - 601.6 / 120, 10, 20, 200, 5, -3},
  };
  for (const auto& c : cases) {
    Flat(static_cast<int>(c.lat), 2000);
    terrain.LoadTiles("data", c.lat, -122.3);
    for (TerrainSample& s : terrain.Samples) s.elevation = 12345;
    terrain.Scan(c.range, false, c.lat, -122.3, 0, 0, 250, 0, 3000, false, caution, warning);
    int visited = 0, allColumnsTo = -99;
    double widest = 0;  // across the heading, of the cells more than 45 degrees off it
    const int column0 = static_cast<int>(std::lround((-122.3 + 180) * 120));
    for (int j = -400; j <= 400; ++j)
      for (int i = -40; i <= 40; ++i) {
        const TerrainSample& s = terrain.Sample(j, i);
        if (s.elevation == 12345) continue;
        ++visited;
        EXPECT_TRUE(std::abs(i) <= c.rows && std::abs(j) <= c.columns) << c.lat << " " << c.range;
        if (s.elevation == -9998) continue;
        const int step = c.range >= 40 ? c.range / 20 : 1;
        if ((step * (column0 / step + j)) % (step * c.stride) != 0) allColumnsTo = std::max(allColumnsTo, i);
        if (std::fabs(AngleDiff(s.bearing, 0)) > 45)
          widest = std::max(widest, std::fabs(s.distance * std::sin(s.bearing * std::numbers::pi / 180)));
      }
    EXPECT_EQ(visited, (2 * c.rows + 1) * (2 * c.columns + 1)) << c.lat << " " << c.range;
    EXPECT_EQ(allColumnsTo, c.allColumnsTo) << c.lat << " " << c.range;
    // The box beside the nose is 0.72 x the ND range a side at every range.
    EXPECT_LT(widest, 0.72 * c.range) << c.lat << " " << c.range;
    EXPECT_GT(widest, 0.67 * c.range) << c.lat << " " << c.range;
    EXPECT_GT(Stored(), 100);
  }
}

TEST_F(TerrainScan, SamplesTerrainMoreThan400FtAboveTheReference) {
  Flat(47, 300);  // 984.25 ft
  terrain.LoadTiles("data", 47.2, -122.06333);
  for (bool profile : {false, true}) {
    terrain.SetReferenceAltitude(584);
    terrain.Scan(10, false, 47.2, -122.06333, 30, 0, 200, 0, 5000, profile, caution, warning);
    EXPECT_GT(Stored(), 300);
    // Nothing behind the aircraft, nothing outside the shown area.
    for (const TerrainSample& s : terrain.Samples) {
      if (s.elevation == -9998) continue;
      const double a = AngleDiff(s.bearing, 30);
      ASSERT_LT(std::fabs(a), 105);
      ASSERT_TRUE(TerrainCellInView(s.distance, a, 10, profile));
      ASSERT_EQ(s.elevation, 300);
    }
    // Distance and bearing as the great-circle routine has them.
    const int row0 = static_cast<int>(std::lround((90 - 47.2) * 120));
    const int column0 = static_cast<int>(std::lround((-122.06333 + 180) * 120));
    for (int j = -40; j <= 40; j += 7)
      for (int i = -20; i <= 20; i += 3) {
        const TerrainSample& s = terrain.Sample(j, i);
        if (s.elevation == -9998) continue;
        double d = 0, b = 0;
        CalcDistanceBearing(d, b, 47.2, -122.06333, 90 - (row0 + i + 0.5) / 120, (column0 + j + 0.5) / 120 - 180);
        EXPECT_NEAR(s.distance, d, 1e-9);
        EXPECT_NEAR(s.bearing, b, 1e-9);
      }
    EXPECT_EQ(terrain.MaxElevation(), 984);
    EXPECT_EQ(terrain.MinElevation(), 99999);  // more than 2000 ft below
    // Shown down to 2000 ft below the aircraft, and no further.
    const double E = terrain.ProfileBin(10);  // 300 m in feet, as the scan has it
    ASSERT_EQ(E - (E + 2000), -2000);
    for (const auto& [altitude, lowest] : {std::pair{E + 2000, 984}, {std::nextafter(E + 2000, 1e9), 99999}}) {
      terrain.Scan(10, false, 47.2, -122.06333, 30, 0, 200, 0, altitude, profile, caution, warning);
      EXPECT_EQ(terrain.MinElevation(), lowest) << profile;
    }
    terrain.SetReferenceAltitude(585);
    terrain.Scan(10, false, 47.2, -122.06333, 30, 0, 200, 0, 5000, profile, caution, warning);
    EXPECT_EQ(Stored(), 0);
  }
  // 381 m are 1250 ft exactly: 2000 ft below an aircraft at 3250 ft, shown.
  Flat(47, 381);
  terrain.LoadTiles("data", 47.2, -122.06333);
  terrain.SetReferenceAltitude(0);
  terrain.Scan(10, false, 47.2, -122.06333, 30, 0, 200, 0, 3250, false, caution, warning);
  EXPECT_EQ(terrain.MinElevation(), 1250);
  EXPECT_EQ(terrain.HeightAboveTerrain(47.2, -122.06333, 3250), 2000);
  for (const auto& [reference, stored] : {std::pair{849, true}, {850, false}}) {  // 401 and 400 ft above
    terrain.SetReferenceAltitude(reference);
    terrain.Scan(10, false, 47.2, -122.06333, 30, 0, 200, 0, 3250, false, caution, warning);
    EXPECT_EQ(Stored() > 0, stored) << reference;
  }
}

TEST(TerrainView, ShownArea) {
  const struct {
    double d, a;
    bool profile, shown;
  } cases[] = {
      {8, 65, false, false},  {8, 60, false, true},  // the box is 0.72 x range a side
      {8, 40, false, true},   {5, 80, false, true},  {7.3, -90, false, false}, {7, -90, false, true},
      {5.5, 0, true, true},   {5.6, 0, true, false}, {3, -60, true, true},
      {7.5, 70, true, false}, {2, 95, true, false},
      {11, 45, false, true},  {11, 45.01, false, false},  // 45 degrees off the nose: beyond the box
  };
  for (const auto& c : cases)
    EXPECT_EQ(TerrainCellInView(c.d, c.a, 10, c.profile), c.shown) << c.d << " " << c.a << " " << c.profile;
}

TEST(TerrainEnvelope, Boundaries) {
  const double Kc = 1.6 * 1000 / 6076.1154, Kw = 1.6 * 800 / 6076.1154;
  const struct {
    const TerrainEnvelope* env;
    double d, E, A, GS, VS;
    bool alert;
  } cases[] = {
      // 2000 ft, 300 kt, level, 1200 ft at 2 NM: caution, no warning.
      {&kCautionEnvelope, 2, 1200, 2000, 300, 0, true},
      {&kWarningEnvelope, 2, 1200, 2000, 300, 0, false},
      {&kWarningEnvelope, 2, 1200.5, 2000, 300, 0, true},
      {&kCautionEnvelope, Kc, 1001, 2000, 300, 0, true},  // d = K
      {&kCautionEnvelope, Kc, 1000, 2000, 300, 0, false},
      {&kWarningEnvelope, Kw, 1201, 2000, 300, 0, true},
      {&kCautionEnvelope, 0, 1001 + Kc * 3038.06, 2000, 300, 0, true},
      {&kCautionEnvelope, 0, 999 + Kc * 3038.06, 2000, 300, 0, false},
      // d1 = 300 x 50 / 3600 = 4.1667: the clearance rule up to it, the
      // slope rule beyond.
      {&kCautionEnvelope, 4.1666, 1500, 2000, 300, 0, true},
      {&kCautionEnvelope, 4.1668, 1500, 2000, 300, 0, false},
      {&kCautionEnvelope, 5, 2000 + 0.8333 * 0.1051 * 6076.1154 + 5, 2000, 300, 0, true},
      {&kCautionEnvelope, 5, 2000 + 0.8334 * 0.1051 * 6076.1154 - 5, 2000, 300, 0, false},
      // d2 = 10 NM.
      {&kCautionEnvelope, 10, 9000, 2000, 300, 0, true},
      {&kCautionEnvelope, 10.01, 9000, 2000, 300, 0, false},
      // Climbing 2000 ft/min at 300 kt: 0.0658 per NM lifts the clearance.
      {&kCautionEnvelope, 2, 1200, 2000, 300, 2000, false},
      // No ground speed: only the first stretch is left, without a slope.
      {&kCautionEnvelope, 0.1, 1600, 2000, 0, 1000, true},
      {&kCautionEnvelope, 1, 1900, 2000, 0, 1000, false},
      {&kCautionEnvelope, 1, 1900, 2000, -50, 1000, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(InTerrainEnvelope(*c.env, c.d, c.E, c.A, c.GS, c.VS), c.alert)
        << c.env->clearance << " d=" << c.d << " E=" << c.E << " GS=" << c.GS;
}

// A patch of terrain 2 NM north of the aircraft at 47.2 N.
class TerrainAhead : public TerrainScan {
 protected:
  void Patch(int metres, int from = 4, int to = 5, int halfWidth = 2) {
    const int row0 = static_cast<int>(std::lround((90 - 47.2) * 120));
    const int column0 = static_cast<int>(std::lround((-122.06333 + 180) * 120));
    ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(8, 11), [=](int row, int column) {
      const int ahead = row0 - row;  // cells north; 2 NM is 4 cells
      return static_cast<std::int16_t>(ahead >= from && ahead <= to && std::abs(column - column0) <= halfWidth
                                           ? metres : 0);
    }));
    terrain.LoadTiles("data", 47.2, -122.06333);
    terrain.SetReferenceAltitude(0);
  }
  void Scan() {
    terrain.Scan(10, false, 47.2, -122.06333, 0, 0, 300, 0, 2000, false, caution, warning);
  }
};

TEST_F(TerrainAhead, CautionAndWarningFromTheScan) {
  Patch(365);  // 1197.5 ft
  Scan();
  EXPECT_TRUE(caution);
  EXPECT_FALSE(warning);
  EXPECT_NEAR(terrain.CautionMaxDistance, 2.36, 0.05);  // the far corner of the patch
  EXPECT_EQ(terrain.CautionMinElevation, 365);
  EXPECT_EQ(terrain.WarningMaxDistance, -1);
  Patch(366);
  Scan();
  EXPECT_TRUE(caution);
  EXPECT_TRUE(warning);
  // Flags that came in true are cleared even where the scan stops at once.
  terrain.Scan(10, false, 88, 0, 0, 0, 300, 0, 2000, false, caution, warning);
  EXPECT_FALSE(caution);
  EXPECT_FALSE(warning);
}

TEST_F(TerrainAhead, TurnWidensTheSectorOnTheSideOfTheBank) {
  // One cell 0.25 NM ahead: its sector reaches 50 degrees either side. At
  // 150 kt five seconds of turn are 60 degrees at 15.07 degrees of bank.
  Patch(500, 1, 1, 0);
  terrain.Scan(10, false, 47.2, -122.06333, 0, 0, 150, 0, 2000, false, caution, warning);
  ASSERT_TRUE(caution);
  const double b = terrain.Sample(0, -1).bearing;
  const struct {
    double side, bank;  // side +1: the cell 60 degrees right of the heading
    bool alert;
  } cases[] = {{1, 0, false},     {1, 15.2, true},    {1, 14.95, false}, {-1, -15.2, true},
               {-1, -14.95, false}, {-1, 15.2, false}, {1, -15.2, false},
               {49 / 60.0, 0, true}, {51 / 60.0, 0, false}};  // the sector: 49.96 degrees
  for (const auto& c : cases) {
    terrain.Scan(10, false, 47.2, -122.06333, b - 60 * c.side, c.bank, 150, 0, 2000, false, caution, warning);
    EXPECT_EQ(caution, c.alert) << c.side << " " << c.bank;
  }
}

TEST_F(TerrainAhead, RunwayInhibitNearLpma) {
  Patch(366);
  const struct {
    const char* ident;
    double bearing, distance;
    bool alerts;
  } cases[] = {
      {"lpma", 20, 4, false}, {"lpma", 230, 4, false}, {"lpma", 100, 4, true},
      {"lpma", 20, 6, true},  {"LPMA", 20, 4, true},   {"ksea", 20, 4, true},
      {"lpma", 49.9, 4, false}, {"lpma", 50.1, 4, true}, {"lpma", 20, 4.95, false}, {"lpma", 20, 5.05, true},
  };
  for (const auto& c : cases) {
    double lat = 0, lon = 0;
    DestinationPoint(lat, lon, 47.2, -122.06333, c.distance, c.bearing);
    TerrainRunways = [&c, lat, lon]() {
      return std::optional<TerrainRunway>(TerrainRunway{c.ident, lat, lon, 1, 400});
    };
    Scan();
    EXPECT_EQ(caution, c.alerts) << c.ident << " " << c.bearing << " " << c.distance;
    EXPECT_EQ(warning, c.alerts) << c.ident << " " << c.bearing << " " << c.distance;
  }
}

TEST_F(TerrainScan, ClearanceFloor) {
  terrain.LoadTiles("data", 47.2, -122.06333);  // no tiles: 0 m everywhere
  TerrainRunways = [] { return std::optional<TerrainRunway>(TerrainRunway{"ksea", 47, -122, 1, 400}); };
  const struct {
    double D, altitude;
    bool alert;
  } cases[] = {
      {10, 399, true},  {10, 401, false}, {14.5, 549, true}, {14.5, 551, false},
      {2.05, 0, false}, {3, 89, true},    {3, 91, false},    {20, 699, true},
      {20, 701, false}, {6.5, 10, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(terrain.ClearanceFloorAlert(47 + c.D / 60, -122, c.altitude), c.alert) << c.D << " " << c.altitude;
  TerrainRunways = [] { return std::optional<TerrainRunway>(); };
  EXPECT_FALSE(terrain.ClearanceFloorAlert(47 + 10 / 60.0, -122, 100));
  TerrainRunways = nullptr;
  EXPECT_FALSE(terrain.ClearanceFloorAlert(47 + 10 / 60.0, -122, 100));

  // Below the tiles' terrain (0 m here) the height is taken above the
  // selected runway (-11 ft), or above 0 without one.
  const struct {
    bool runway;
    double altitude, height;
  } heights[] = {{true, 0, 0}, {true, 30, 30}, {true, -5, 6}, {false, -5, -5}};
  for (const auto& h : heights) {
    TerrainRunways = [&h] {
      return h.runway ? std::optional<TerrainRunway>(TerrainRunway{"ehxx", 52, 4, 1, -11}) : std::nullopt;
    };
    EXPECT_EQ(terrain.HeightAboveTerrain(47.2, -122.06333, h.altitude), h.height) << h.altitude;
  }
}

TEST_F(TerrainScan, OverTheSeaNoFloor) {
  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(8, 11), [](int, int) { return std::int16_t{-9999}; }));
  terrain.LoadTiles("data", 47.2, -122.06333);
  TerrainRunways = [] { return std::optional<TerrainRunway>(TerrainRunway{"ksea", 47, -122.06333, 1, 400}); };
  EXPECT_NEAR(terrain.HeightAboveTerrain(47.2, -122.06333, 100), 100 + 9999 / 0.3048, 1e-6);
  EXPECT_NEAR(terrain.ElevationUnderAircraft, -9999 / 0.3048, 1e-6);
  EXPECT_FALSE(terrain.ClearanceFloorAlert(47.2, -122.06333, 100));
  // Sea cells are stored for the map but never alert.
  terrain.SetReferenceAltitude(0);
  terrain.Scan(10, false, 47.2, -122.06333, 0, 0, 300, -3000, 100, false, caution, warning);
  EXPECT_FALSE(caution);
  EXPECT_GT(Stored(), 500);
  EXPECT_TRUE(terrain.Sample(0, -10).noData);
}

// The demo: the generated terrain around the field and the demo flight's
// loop through the scan, as the ND runs it at range 10.
TEST_F(TerrainFiles, DemoLoopRaisesOneCautionAroundOneWarning) {
  ASSERT_TRUE(tiles::WriteBlocks(Data(), Around(8, 11), tiles::DemoTerrainCell));
  terrain.LoadTiles("data", broker::kDemoFieldLatitude, broker::kDemoFieldLongitude);
  ASSERT_EQ(terrain.ElevationAt(11 * 600, 7 * 600 + 100), tiles::DemoTerrainCell(7 * 600 + 100, 11 * 600));
  for (int reference : {0, 430}) {
    broker::DemoFlight demo;
    terrain.SetReferenceAltitude(reference);
    std::string track;  // one letter per half second: . nothing, c caution, w warning
    for (double t = 0; t < broker::DemoFlight::kLoopSeconds; t += 0.5) {
      const broker::DemoState& s = demo.At(t);
      bool c = false, w = false;
      terrain.Scan(10, false, s.latitude, s.longitude, s.trueHeading, s.bank, s.groundSpeed, s.verticalSpeed,
                   s.altitude, false, c, w);
      if (!s.airborne) {
        int stored = 0;
        for (const TerrainSample& x : terrain.Samples) stored += x.elevation != -9998;
        ASSERT_EQ(stored, 0) << "t=" << t << " reference " << reference;
      }
      track += w ? 'w' : c ? 'c' : '.';
    }
    const auto firstC = track.find_first_not_of('.');
    ASSERT_NE(firstC, std::string::npos) << reference;
    const auto lastC = track.find_last_not_of('.');
    const auto firstW = track.find('w'), lastW = track.rfind('w');
    ASSERT_NE(firstW, std::string::npos) << reference;
    // One stretch of caution holding one stretch of warning, both over
    // before the loop ends.
    EXPECT_EQ(track.find('.', firstC), lastC + 1) << track;
    EXPECT_EQ(track.find_first_not_of('w', firstW), lastW + 1) << track;
    EXPECT_LT(firstC, firstW);
    EXPECT_GT(lastC, lastW);
    EXPECT_LT(lastC + 1, track.size());
    // Caution about 3.5 NM before the crest, warning about 2.4 NM.
    double dc = 0, dw = 0, b = 0;
    const broker::DemoState sc = demo.At(firstC * 0.5);
    CalcDistanceBearing(dc, b, sc.latitude, sc.longitude, broker::kRidgeLatitude, broker::kRidgeLongitude);
    const broker::DemoState sw = demo.At(firstW * 0.5);
    CalcDistanceBearing(dw, b, sw.latitude, sw.longitude, broker::kRidgeLatitude, broker::kRidgeLongitude);
    EXPECT_NEAR(dc, 3.5, 0.4) << "caution at t=" << firstC * 0.5;
    EXPECT_NEAR(dw, 2.4, 0.4) << "warning at t=" << firstW * 0.5;
    EXPECT_LT(firstW * 0.5, broker::kPullUpAt);
  }
}

}  // namespace
