// The runway element without drawing: designators, the variation grid,
// loading (its log, "____" records, the 1000 NM filter, partial records),
// runway selection, the broker's active runway, and the generated data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "shared/Udebug.h"
#include "shared/UDeclarations.h"
#include "nd/Unavigation.h"
#include "nd/Urunways.h"
#include "platform/Numbers.h"
#include "tests/common/TestSupport.h"
#include "tools/make-navdata/NavData.h"
#include "tools/scripted-broker/DemoFlight.h"
#include "tests/nd/NdHarness.h"

namespace {

using navdata::Runway;
using testsupport::TempDir;
using testsupport::WriteFile;

Runway Rwy(const std::string& ident, double lat, double lon, int heading, int elevation = 100,
           int length = 10000) {
  Runway r;
  r.ident = ident;
  r.lat = lat;
  r.lon = lon;
  r.trueHeading = heading;
  r.elevation = elevation;
  r.length = length;
  return r;
}

std::string Records(const std::vector<Runway>& runways) {
  std::string s;
  for (const Runway& r : runways) s += navdata::RunwayRecord(r);
  return s;
}

class RunwaysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::MakeDirs(dir.File("data"));
    testsupport::MakeDirs(dir.File("grid"));
    savedLog = DebugFileName;
    DebugFileName = dir.File("debug.txt");
    ResetDebug();
    RequiredFilesFound = true;
    WriteFile(dir.File("grid/747world.mv"), navdata::VariationGrid([](int, int) { return 0; }));
    ASSERT_TRUE(LoadMagneticVariation(dir.File("grid")));
  }
  void TearDown() override {
    ClearMagneticVariation();
    RequiredFilesFound = false;
    DebugFileName = savedLog;
  }
  void Grid(const std::function<int(int, int)>& byte) {
    WriteFile(dir.File("grid/747world.mv"), navdata::VariationGrid(byte));
    ASSERT_TRUE(LoadMagneticVariation(dir.File("grid")));
  }
  // The log's messages, time stamps cut off.
  std::vector<std::string> Log() const {
    std::vector<std::string> out;
    std::istringstream in(testsupport::ReadFile(DebugFileName));
    for (std::string line; std::getline(in, line);) {
      const std::size_t space = line.find(' ');
      out.push_back(space == std::string::npos ? line : line.substr(space));
    }
    return out;
  }
  std::string Designator(const Runway& r) { return RunwayDesignator(Bytes(navdata::RunwayRecord(r))); }
  static const std::uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

  TempDir dir;
  std::string savedLog;
};

TEST_F(RunwaysTest, DesignatorsFromHeadingVariationAndFlags) {
  // Variation byte -3 at (47, -122) only (3 degrees east), 10 east at (-33, 151).
  Grid([](int lat, int lon) { return lat == 47 && lon == -122 ? -3 : lat == -33 && lon == 151 ? -10 : 0; });
  struct Case {
    int heading;
    double lat, lon;
    int adjust;
    bool left, right;
    const char* expected;
  } cases[] = {
      {93, 47.5, -122.5, 0, false, false, "09 /27 "},   // h = 94
      {96, 47.5, -122.5, 0, false, false, "09 /27 "},   // h = 97
      {96, 46.5, -122.5, 0, false, false, "10 /28 "},   // no variation there: h = 100
      {95, 0, 0, 0, false, false, "10 /28 "},           // h = 99: odd tens ending in 9
      {85, 0, 0, 0, false, false, "08 /26 "},           // h = 89: even tens
      {15, 0, 0, 0, false, false, "02 /20 "},           // 15 gives 2
      {25, 0, 0, 0, false, false, "02 /20 "},           // 25 gives 2
      {35, 0, 0, 0, false, false, "04 /22 "},           // 35 gives 4
      {356, 0, 0, 0, false, false, "36 /18 "},          // h = 0
      {10, 0, 0, -1, false, false, "36 /18 "},          // "01" one lower
      {355, 0, 0, 1, false, false, "01 /19 "},          // "36" one higher
      {2, -33.9, 151.2, 0, false, false, "35 /17 "},    // h = -4 folds to 356
      {180, 0, 0, 0, true, false, "18L/36R"},
      {180, 0, 0, 0, false, true, "18R/36L"},
      {180, 0, 0, 0, true, true, "18C/36C"},
      {65535, 0, 0, 0, false, false, "02 /20 "},        // any stored heading: h = 19
  };
  for (const Case& c : cases) {
    Runway r = Rwy("abcd", c.lat, c.lon, c.heading);
    r.adjust = c.adjust;
    r.left = c.left;
    r.right = c.right;
    EXPECT_EQ(Designator(r), c.expected) << c.heading << " at " << c.lat << ", " << c.lon;
  }
  // Flag bit 14 at both offsets: the higher number wins.
  std::string rec = navdata::RunwayRecord(Rwy("abcd", 0, 0, 180));
  rec[23] = static_cast<char>(0x40);
  rec[25] = static_cast<char>(0x40);
  EXPECT_EQ(RunwayDesignator(Bytes(rec)), "19 /01 ");
}

TEST_F(RunwaysTest, EntryFieldsAsStored) {
  Grid([](int lat, int lon) { return lat == 51 && lon == 0 ? -5 : 0; });
  Runway r = Rwy("egll", 51.4775, -0.461, 90, -11, 12799);
  const std::string rec = navdata::RunwayRecord(r);
  // Longitude stored as 0 degrees and -277 tenths: the variation of (51, 0).
  EXPECT_EQ(rec[3], 0);
  EXPECT_EQ(rec[4], 0);
  const TRunwayEntry e = RunwayEntryFromRecord(Bytes(rec), "");
  EXPECT_EQ(e.ident, "egll");
  EXPECT_EQ(e.label, "EGLL");
  EXPECT_TRUE(e.firstOfAirport);
  EXPECT_EQ(e.elevation, -11);
  EXPECT_NEAR(e.longitude, -277 / 600.0, 1e-12);
  EXPECT_EQ(e.length, 12799);
  EXPECT_EQ(e.designator, "08 /26 ");  // 90 + 4 - 5 = 89: even tens
  EXPECT_EQ(e.key1, "08");
  EXPECT_EQ(e.key2, "26");
  const TRunwayEntry further = RunwayEntryFromRecord(Bytes(navdata::RunwayRecord(Rwy("____", 1, 1, 90))), "egll");
  EXPECT_EQ(further.ident, "egll");
  EXPECT_FALSE(further.firstOfAirport);
}

TEST_F(RunwaysTest, MagVarAtReadsItsCellOnly) {
  auto byte = [](int lat, int lon) { return ((lat + 64) * 7 + (lon + 179) * 3) % 251 - 125; };
  Grid(byte);
  for (auto [lat, lon] : {std::pair{-64, -179}, {80, 179}, {0, 0}, {47, -122}, {47, -121}, {48, -122},
                          {-1, 1}, {80, -179}})
    EXPECT_EQ(MagVarAt(static_cast<std::int8_t>(lat), lon), -byte(lat, lon)) << lat << ", " << lon;
  // Outside the grid: 0 without reading (the row's last byte is never used).
  for (auto [lat, lon] : {std::pair{81, 0}, {0, 180}, {-65, 0}, {0, -180}})
    EXPECT_EQ(MagVarAt(static_cast<std::int8_t>(lat), lon), 0) << lat << ", " << lon;
  RequiredFilesFound = false;
  EXPECT_EQ(MagVarAt(0, 0), 0);
}

TEST_F(RunwaysTest, ShortOrMissingGridGivesZeroWithOneLogLine) {
  WriteFile(dir.File("grid/747world.mv"), std::string(kMagVarGridBytes - 1, '\x10'));
  EXPECT_FALSE(LoadMagneticVariation(dir.File("grid")));
  EXPECT_EQ(MagVarAt(0, 0), 0);
  ::mkdir(dir.File("folder").c_str(), 0755);
  ::mkdir(dir.File("folder/747world.mv").c_str(), 0755);
  EXPECT_FALSE(LoadMagneticVariation(dir.File("folder")));
  EXPECT_EQ(Log(), (std::vector<std::string>(
                       2, " Startup: 747world.mv could not be read. Magnetic variation set to 0.")));
}

TEST_F(RunwaysTest, LoadLogsEachFileAndKeepsTheCodeAcrossFiles) {
  // "747a.apt": a near airport, then one beyond 1000 NM; "747b.apt": a
  // further runway of that far airport, then a partial record.
  WriteFile(dir.File("data/747a.apt"), Records({Rwy("ksea", 47.45, -122.31, 180), Rwy("kjfk", 40.64, -73.78, 40)}));
  WriteFile(dir.File("data/747B.APT"), Records({Rwy("____", 47.0, -122.0, 90)}) + std::string(17, 'x'));
  WriteFile(dir.File("data/747c.txt"), Records({Rwy("kpae", 47.9, -122.28, 160)}));
  Trunways rw;
  rw.LoadAirports(47.2, -122.06, dir.File("data"), true);
  ASSERT_TRUE(rw.HasList());
  const auto& list = *rw.List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].ident, "ksea");
  EXPECT_TRUE(list[0].firstOfAirport);
  EXPECT_EQ(list[1].ident, "kjfk");  // the code of the dropped record
  EXPECT_FALSE(list[1].firstOfAirport);
  EXPECT_EQ(Log(), (std::vector<std::string>{" Airports: Trying to load airports from 747a.apt",
                                             " Airports: Load successful.",
                                             " Airports: Trying to load airports from 747B.APT",
                                             " Airports: Load successful."}));

  // At the edge in the loader's own arithmetic, which never gives 1000.0
  // itself: kept from the last own position at most 1000 NM away, dropped
  // from the next one east.
  const std::string edge = Records({Rwy("kedg", 47.2 + 999.9 / 60, -122.06, 0)});
  WriteFile(dir.File("data/747a.apt"), edge);
  WriteFile(dir.File("data/747B.APT"), "");
  const TRunwayEntry r = RunwayEntryFromRecord(reinterpret_cast<const std::uint8_t*>(edge.data()), "");
  const auto [in, out] = ndtest::DistanceEdge(47.2, -122.06, r.latitude, r.longitude, 1000);
  for (const auto& [lon, size] : {std::pair{in, 1u}, {out, 0u}}) {
    rw.FreeAirports();
    rw.LoadAirports(47.2, lon, dir.File("data"), true);
    EXPECT_EQ(rw.List()->size(), size) << lon;
  }
}

TEST_F(RunwaysTest, FilesThatCannotBeReadAreReportedOneByOne) {
  const std::string warning = " Airports: WARNING! File access failure. Airports not loaded.";
  WriteFile(dir.File("data/747afr.apt"), Records({Rwy("ksea", 47.45, -122.31, 180)}));
  ::mkdir(dir.File("data/747b.apt").c_str(), 0755);
  struct Case {
    bool load, required;
    std::vector<std::string> log;
    std::size_t entries;
  } cases[] = {
      {true, true,
       {" Airports: Trying to load airports from 747afr.apt", " Airports: Load successful.",
        " Airports: Trying to load airports from 747b.apt", warning},
       1},
      {false, true,
       {" Airports: Trying to load airports from 747afr.apt", warning,
        " Airports: Trying to load airports from 747b.apt", warning},
       0},
      {true, false,
       {" Airports: Trying to load airports from 747afr.apt", warning,
        " Airports: Trying to load airports from 747b.apt", warning},
       0},
  };
  for (const Case& c : cases) {
    ResetDebug();
    RequiredFilesFound = c.required;
    Trunways rw;
    rw.LoadAirports(47.2, -122.06, dir.File("data"), c.load);
    ASSERT_TRUE(rw.HasList());
    EXPECT_EQ(rw.List()->size(), c.entries);
    EXPECT_EQ(Log(), c.log);
  }
}

TEST_F(RunwaysTest, NoFileNoListNoLogAndFreeing) {
  Trunways rw;
  rw.LoadAirports(47.2, -122.06, dir.File("data"), true);
  EXPECT_FALSE(rw.HasList());
  EXPECT_EQ(rw.SelectRunway(47.2f, -122.06f, 1000), 0);
  EXPECT_EQ(rw.ActiveRunwayElevation(), -10000);
  EXPECT_TRUE(Log().empty());
  rw.FreeAirports();
  EXPECT_EQ(Log(), std::vector<std::string>{" Aiports: Freeing used memory"});
}

// Positions along a true bearing from a point, flat-earth (short distances).
void Offset(double lat, double lon, double nm, double bearing, double& outLat, double& outLon) {
  const double b = bearing * 3.14159265358979 / 180;
  outLat = lat + nm * std::cos(b) / 60;
  outLon = lon + nm * std::sin(b) / (60 * std::cos(lat * 3.14159265358979 / 180));
}

TEST_F(RunwaysTest, SelectionOnTheRunwayOnTheApproachAndNearest) {
  const double lat = 47.0, lon = -122.0;
  double aLat, aLon, nearLat, nearLon, farLat, farLon;
  Offset(lat, lon, 0.3, 180, aLat, aLon);      // 0.3 NM south of a 10000 ft runway 360
  Offset(aLat, aLon, 0.2, 90, nearLat, nearLon);  // another runway's point 0.2 NM away
  // 5 and 7.5 NM south of the runway's point (its limit 0.9 NM), a runway 3 NM east.
  double fLat, fLon, eLat, eLon, gLat, gLon;
  Offset(lat, lon, 5, 180, fLat, fLon);
  Offset(fLat, fLon, 3, 90, eLat, eLon);
  Offset(lat, lon, 7.5, 180, gLat, gLon);
  struct Case {
    std::vector<Runway> runways;
    double acLat, acLon, alt;
    int expected;
  } cases[] = {
      // On the runway beats a nearer point, before or after it in the list.
      {{Rwy("aaaa", lat, lon, 0, 100), Rwy("bbbb", nearLat, nearLon, 45, 200)}, aLat, aLon, 500, 100},
      {{Rwy("bbbb", nearLat, nearLon, 45, 200), Rwy("aaaa", lat, lon, 0, 100)}, aLat, aLon, 500, 100},
      // On the runway within 10 degrees of its heading, not beyond.
      {{Rwy("aaaa", lat, lon, 9, 100), Rwy("bbbb", nearLat, nearLon, 45, 200)}, aLat, aLon, 500, 100},
      {{Rwy("aaaa", lat, lon, 11, 100), Rwy("bbbb", nearLat, nearLon, 45, 200)}, aLat, aLon, 500, 200},
      // On the approach: the reciprocal too, within 5 degrees, up to 7.4 NM.
      {{Rwy("aaaa", lat, lon, 180, 100, 9900), Rwy("cccc", eLat, eLon, 45, 50)}, fLat, fLon, 1300, 100},
      {{Rwy("aaaa", lat, lon, 4, 100, 9900), Rwy("cccc", eLat, eLon, 45, 50)}, fLat, fLon, 1300, 100},
      {{Rwy("aaaa", lat, lon, 6, 100, 9900), Rwy("cccc", eLat, eLon, 45, 50)}, fLat, fLon, 1300, 50},
      {{Rwy("aaaa", lat, lon, 0, 100, 9900), Rwy("cccc", eLat, eLon, 45, 50)}, gLat, gLon, 2100, 50},
  };
  for (const Case& c : cases) {
    WriteFile(dir.File("data/747x.apt"), Records(c.runways));
    Trunways rw;
    rw.LoadAirports(c.acLat, c.acLon, dir.File("data"), true);
    EXPECT_EQ(rw.SelectRunway(static_cast<float>(c.acLat), static_cast<float>(c.acLon), static_cast<float>(c.alt)),
              c.expected);
  }
  // 5 NM out on the axis of a 9900 ft runway (limit 0.9 NM): 943 < height < 1722
  // selects it over a runway 3 NM from the aircraft listed after it.
  Offset(lat, lon, 5, 180, aLat, aLon);
  Offset(aLat, aLon, 3, 90, farLat, farLon);
  WriteFile(dir.File("data/747x.apt"), Records({Rwy("aaaa", lat, lon, 0, 100, 9900), Rwy("cccc", farLat, farLon, 45, 50)}));
  Trunways rw;
  rw.LoadAirports(aLat, aLon, dir.File("data"), true);
  for (auto [height, expected] : {std::pair{1200, 100}, {2000, 50}, {900, 50}, {1700, 100}}) {
    EXPECT_EQ(rw.SelectRunway(static_cast<float>(aLat), static_cast<float>(aLon), static_cast<float>(100 + height)),
              expected)
        << height;
  }
  EXPECT_EQ(rw.AirportIdent(), "aaaa");
  EXPECT_EQ(rw.RunwayName(), "36 /18 ");
  EXPECT_TRUE(rw.RunwaySelected());
  EXPECT_NEAR(rw.RunwayHalfLength(), 9900 / 12152.0, 1e-6);
}

TEST_F(RunwaysTest, TheLastLockInListOrderWins) {
  double aLat, aLon;
  Offset(47, -122, 0.2, 180, aLat, aLon);
  WriteFile(dir.File("data/747x.apt"),
            Records({Rwy("aaaa", 47, -122, 0, 100), Rwy("bbbb", 47, -122.0001, 180, 200), Rwy("cccc", 46.99, -122, 90, 300)}));
  Trunways rw;
  rw.LoadAirports(aLat, aLon, dir.File("data"), true);
  EXPECT_EQ(rw.SelectRunway(static_cast<float>(aLat), static_cast<float>(aLon), 500), 200);
  EXPECT_EQ(rw.AirportIdent(), "bbbb");
}

TEST_F(RunwaysTest, ParseLineCornersAndStrings) {
  Trunways rw;
  rw.ParseLine("MV.RwyY1 -364599\r");
  EXPECT_DOUBLE_EQ(rw.CornerLatitude(1), 1.0);
  EXPECT_DOUBLE_EQ(rw.CornerLongitude(1), 0.0);
  rw.ParseLine("MV.CenterLon -122 MV.RwyX2 1000.5 MV.RwyY2 -17209072.8");
  EXPECT_EQ(rw.CentreLongitude(), -122);
  EXPECT_NEAR(rw.CornerLatitude(2), 17209072.8 / 364599, 1e-9);
  // Strings stay empty while their length is 0, even on the same line.
  rw.ParseLine("MV.RwyStr6 27r MV.RwyStr1 09l");
  EXPECT_EQ(rw.DesignatorString(6), "");
  rw.ParseLine("MV.RwyLen6 9000 MV.RwyStr6 27r");
  EXPECT_EQ(rw.DesignatorString(6), "27r");
  rw.ParseLine("MV.RwyLen6 0");
  EXPECT_EQ(rw.DesignatorString(6), "");
  rw.ParseLine("MV.RwyLen6 1 MV.RwyStr6 123456789");
  EXPECT_EQ(rw.DesignatorString(6), "12345678");
  // Connection notices change nothing.
  rw.ParseLine("Conn MV.RwyY1 0 MV.RwyStr6 18 MV.GridNorth 1");
  EXPECT_DOUBLE_EQ(rw.CornerLatitude(1), 1.0);
  EXPECT_EQ(rw.DesignatorString(6), "12345678");
  EXPECT_EQ(rw.GridNorthFlag(), 0);
  // A flag other than 0 or 1 or a latitude beyond 90 keeps the corner.
  rw.ParseLine("MV.GridNorth 2 MV.RwyY1 0");
  EXPECT_DOUBLE_EQ(rw.CornerLatitude(1), 1.0);
  rw.ParseLine("MV.GridNorth 0 MV.RwyY1 -40000000");
  EXPECT_DOUBLE_EQ(rw.CornerLatitude(1), 1.0);
  // Polar corners: the longitude is the angle of (Y, X), of (-Y, X) in the south.
  rw.ParseLine("MV.GridNorth 1 MV.RwyX1 364599 MV.RwyY1 0");
  EXPECT_NEAR(rw.CornerLatitude(1), 89, 1e-9);
  EXPECT_NEAR(rw.CornerLongitude(1), 90, 1e-9);
  rw.ParseLine("MV.GridSouth 1 MV.RwyX1 364599 MV.RwyY1 364599");
  EXPECT_NEAR(rw.CornerLatitude(1), std::sqrt(2.0) - 90, 1e-9);
  EXPECT_NEAR(rw.CornerLongitude(1), 135, 1e-9);
  rw.ParseLine("MV.GridNorth 0 MV.GridSouth 0 MV.RwyX1 0 MV.RwyY1 -364599");
  // Lines without a value of its own change nothing.
  rw.ParseLine("IPC.pitch 5 MV.Rwy");
  rw.ParseLine("");
  EXPECT_DOUBLE_EQ(rw.CornerLatitude(1), 1.0);
}

TEST(RunwayCorners, MatchWindows) {
  struct Case {
    double dLat, dLon;
    bool on;
  } cases[] = {{0, 0, true},           {0.0033, 0.0016, true},  {0.0016, 0.0033, true},
               {-0.0033, -0.0016, true}, {0.0034, 0, false},    {0, 0.0034, false},
               {0.002, 0.002, false},  {0.0033, 0.0017, false}};
  for (const Case& c : cases)
    EXPECT_EQ(OnCorner(47 + c.dLat, -122 + c.dLon, 47, -122), c.on) << c.dLat << ", " << c.dLon;
}

// Broker line putting corner i on (lat, lon).
std::string CornerLine(int i, double lat, double lon) {
  double x = 0, y = 0;
  broker::GridFromLatLon(lat, lon, -122, x, y);
  const std::string n = std::to_string(i);
  return "MV.CenterLon -122 MV.RwyX" + n + " " + platform::FormatDouble(x, 2) + " MV.RwyY" + n + " " +
         platform::FormatDouble(y, 2);
}

TEST_F(RunwaysTest, ActiveRunwayFromCornersAndDesignatorString) {
  ASSERT_TRUE(navdata::WriteDatabases(dir.File("data"), false));
  ASSERT_TRUE(LoadMagneticVariation(dir.File("data")));
  Trunways rw;
  rw.LoadAirports(47.2, -122.0633, dir.File("data"), true);
  // Seattle's three parallel runways share one point ("16L/34R", "16C/34C", "16R/34L").
  const double lat = navdata::StoredDegrees(47.4490), lon = navdata::StoredDegrees(-122.3110);
  rw.ParseLine(CornerLine(3, lat, lon + 0.0015));
  rw.ParseLine("MV.RwyLen6 9000");
  struct Case {
    const char* str6;
    int elevation;
  } cases[] = {{"16c", 433}, {"34c", 433}, {"16C", -10000}, {"16", -10000}, {"14", -10000}, {"", -10000}};
  for (const Case& c : cases) {
    rw.ParseLine(std::string("MV.RwyStr6 ") + c.str6);
    EXPECT_EQ(rw.ActiveRunwayElevation(), c.elevation) << c.str6;
  }
  // The demo field: "14 /32 " matches "14" and "32".
  rw.ParseLine(CornerLine(1, 47.2, -122.0633333));
  rw.ParseLine("MV.RwyStr6 32");
  EXPECT_EQ(rw.ActiveRunwayElevation(), 430);
  rw.ParseLine("MV.RwyLen6 0");
  EXPECT_EQ(rw.ActiveRunwayElevation(), -10000);
  // A new list is matched afresh.
  rw.ParseLine("MV.RwyLen6 9000 MV.RwyStr6 14");
  EXPECT_EQ(rw.ActiveRunwayElevation(), 430);
  rw.FreeAirports();
  EXPECT_EQ(rw.ActiveRunwayElevation(), -10000);
  rw.LoadAirports(47.2, -122.0633, dir.File("data"), true);
  EXPECT_EQ(rw.ActiveRunwayElevation(), 430);
  // Two entries on the corner with the same designator: the later one.
  WriteFile(dir.File("grid/747x.apt"), Records({Rwy("aaaa", 47.2, -122, 90, 100), Rwy("bbbb", 47.2, -122, 90, 200)}));
  rw.FreeAirports();
  rw.LoadAirports(47.2, -122, dir.File("grid"), true);
  rw.ParseLine(CornerLine(2, 47.2, -122) + " MV.RwyStr6 " + rw.List()->front().key1);
  EXPECT_EQ(rw.ActiveRunwayElevation(), 200);
}

TEST_F(RunwaysTest, GeneratedDemoDataNamesSeattlesRunways) {
  TempDir other;
  ASSERT_TRUE(navdata::WriteDatabases(dir.File("data"), false));
  ASSERT_TRUE(navdata::WriteDatabases(other.Path(), false));
  for (const char* f : {"747nam.apt", "747eur.apt", "747s.pa", "747w.pc", "747WORLD.MV"})
    EXPECT_EQ(testsupport::ReadFile(dir.File(std::string("data/") + f)), testsupport::ReadFile(other.File(f))) << f;
  ASSERT_TRUE(LoadMagneticVariation(dir.File("data")));
  Trunways rw;
  rw.LoadAirports(47.2, -122.0633, dir.File("data"), true);
  ASSERT_TRUE(rw.HasList());
  std::vector<std::string> names;
  for (const TRunwayEntry& e : *rw.List()) names.push_back(e.ident + " " + e.designator);
  EXPECT_EQ(names, (std::vector<std::string>{"kdmo 14 /32 ", "ksea 16L/34R", "ksea 16C/34C", "ksea 16R/34L",
                                             "kbfi 13 /31 ", "krnt 16 /34 ", "ktcm 16 /34 ", "kpae 16 /34 "}));
  EXPECT_EQ(rw.SelectRunway(47.2f, -122.0633f, 2000), 430);
  EXPECT_EQ(rw.RunwayName(), "14 /32 ");
  EXPECT_EQ(navdata::WaypointRegion(47.2, -122.06), "747w.pc");
}

TEST_F(RunwaysTest, FirstPositionLoadsTheRunwaysAndJumpsReselect) {
  ASSERT_TRUE(navdata::WriteDatabases(dir.File("data"), false));
  ASSERT_TRUE(LoadMagneticVariation(dir.File("data")));
  Runways = std::make_unique<Trunways>();
  FirstDataReceived = false;
  FieldElevation = 0;
  auto feed = [&](double lat, double lon) {
    for (const std::string& l : ndtest::PositionLines(lat, lon))
      ParseNavigationLine(l, dir.File("data"), true, false);
  };
  ParseNavigationLine("IPC.talt 2000", dir.File("data"), true, false);
  feed(47.2, -122.0633333);
  ASSERT_TRUE(Runways->HasList());
  EXPECT_EQ(FieldElevation, 430);
  // A slow drift towards Seattle's field never reselects; a jump does.
  const double lat = navdata::StoredDegrees(47.4490), lon = navdata::StoredDegrees(-122.3110);
  feed(47.2 + 0.05, -122.0633333);
  EXPECT_EQ(FieldElevation, 430);
  feed(lat, lon);
  EXPECT_EQ(FieldElevation, 433);
  EXPECT_EQ(Runways->AirportIdent(), "ksea");
  Runways.reset();
  FirstDataReceived = false;
  FieldElevation = 0;
}

}  // namespace
