// The navaid and waypoint elements without drawing: record decoding, keys
// and labels, the waypoint region choice, loading (logs, the 1000 NM
// filter, partial records, unreadable entries), the reload after a
// connect and after position jumps, and the two look-ups of the VOR/ADF
// display; the size cap of every database reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "shared/Udebug.h"
#include "shared/UDeclarations.h"
#include "nd/Unavaids.h"
#include "nd/Unavigation.h"
#include "nd/Urunways.h"
#include "nd/Uterrain.h"
#include "nd/Uwaypoints.h"
#include "platform/RecordFile.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"
#include "tools/make-navdata/NavData.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;
using namespace std::string_literals;

// The aircraft of the look-up tests; navaids are placed nm NM north (or
// south) of it along its meridian, where a tenth of an arc minute is a
// tenth of a mile.
constexpr double kLat = 47.0, kLon = -122.0;

navdata::Navaid Nav(const std::string& ident, double nm, int type, bool allRanges = false,
                    int elevation = 0, int frequency = 11000) {
  navdata::Navaid n;
  n.ident = ident;
  n.lat = kLat + nm / 60;
  n.lon = kLon;
  n.type = type;
  n.allRanges = allRanges;
  n.elevation = elevation;
  n.frequency = frequency;
  return n;
}

std::string Records(const std::vector<navdata::Navaid>& v) {
  std::string s;
  for (const auto& n : v) s += navdata::NavaidRecord(n);
  return s;
}

const std::uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

void Put16(std::string& s, int off, int v) {
  s[off] = static_cast<char>(v & 0xFF);
  s[off + 1] = static_cast<char>((v >> 8) & 0xFF);
}

class NavaidsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedLog = DebugFileName;
    DebugFileName = dir.File("debug.txt");
    ResetDebug();
    testsupport::MakeDirs(dir.File("data"));
  }
  void TearDown() override { DebugFileName = savedLog; }
  std::string Data() const { return dir.File("data"); }
  void Write(const std::string& name, const std::string& bytes) { WriteFile(dir.File("data/" + name), bytes); }
  // The log's messages, time stamps cut off; emptied afterwards.
  std::vector<std::string> TakeLog() {
    std::vector<std::string> out;
    std::istringstream in(testsupport::ReadFile(DebugFileName));
    for (std::string line; std::getline(in, line);) {
      const std::size_t space = line.find(' ');
      out.push_back(space == std::string::npos ? line : line.substr(space));
    }
    ResetDebug();
    return out;
  }
  TempDir dir;
  std::string savedLog;
};

using Log = std::vector<std::string>;

TEST_F(NavaidsTest, RecordsDecode) {
  // The navaid record: latitude 46 + 1, 34 - 34 tenths; longitude -120 - 2,
  // -56 + 56 tenths; ident bytes 8, 2, 11.
  std::string n(15, '\0');
  n[14] = 46;
  Put16(n, 4, 34);
  Put16(n, 0, -120);
  Put16(n, 9, -56);
  Put16(n, 6, 1234 - 20);
  n[8] = 'k', n[2] = 's', n[11] = '\xe9';
  n[3] = static_cast<char>(0x83);
  Put16(n, 12, 0x8000);
  const NavaidRecord r = NavaidFromRecord(Bytes(n));
  EXPECT_FLOAT_EQ(r.latitude, 47.0f);
  EXPECT_FLOAT_EQ(r.longitude, -122.0f);
  EXPECT_EQ(r.elevation, -20);
  EXPECT_EQ(r.ident, "KS\xe9");  // only ASCII letters change case
  EXPECT_EQ(r.type, 0x83);
  EXPECT_EQ(r.frequency, -32768);
  // The waypoint record: bytes 11, 0, 7, 4 and the ident at 6, 2, 10, 3, 9.
  std::string w(12, '\0');
  w[11] = 46;
  Put16(w, 0, 34);
  Put16(w, 7, -120);
  Put16(w, 4, -56);
  w[6] = 'k', w[2] = 's', w[10] = 'e', w[3] = 'a', w[9] = 't';
  const wpt_rec p = WaypointFromRecord(Bytes(w));
  EXPECT_FLOAT_EQ(p.latitude, 47.0f);
  EXPECT_FLOAT_EQ(p.longitude, -122.0f);
  EXPECT_EQ(p.ident, "KSEAT");
  // Always five characters, NULs and blanks included.
  w[10] = ' ', w[3] = '\0', w[9] = '\0';
  EXPECT_EQ(WaypointFromRecord(Bytes(w)).ident, "KS \0\0"s);
}

TEST_F(NavaidsTest, KeysAndLabels) {
  struct Case {
    std::string ident, position, dme, label;
  } cases[] = {
      {"SEA", "sea", "sea", "SEA"},
      {"BF\0"s, "bf", "bf\0"s, "BF"},
      {"OL ", "ol ", "ol", "OL "},
      {"B\0\0"s, "b", "b\0\0"s, "B"},
      {"X  ", "x  ", "x", "X  "},
      {"A\0B"s, "a", "a\0b"s, "A"},          // second character cut after the third is kept
      {"\x01Q\xc8", "\x01q\xc8", "\x01q\xc8", " Q "},  // unprintable bytes show as blanks
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NavaidPositionKey(c.ident), c.position) << c.label;
    EXPECT_EQ(NavaidDmeKey(c.ident), c.dme) << c.label;
    EXPECT_EQ(SymbolLabel(c.ident), c.label);
  }
}

TEST_F(NavaidsTest, PlotWindow) {
  // 40 NM: one degree of latitude; at 60 N two degrees of longitude.
  struct Case {
    double lat, lon, ownLat, ownLon;
    int range;
    bool in;
  } cases[] = {
      {60.99, 10, 60, 10, 40, true},       {61.0, 10, 60, 10, 40, false},
      {60, 11.99, 60, 10, 40, true},       {60, 12.01, 60, 10, 40, false},
      {51.9, 179.95, 51.9, -179.95, 10, true},  // across the antimeridian
      {51.9, -179.95, 51.9, 179.95, 10, true},
      {0, 0, 90, 0, 10, false},            {90, 0, 90, 170, 10, true},  // at the pole c = 0.0001
      {NAN, 0, 0, 0, 10, false},           {0, 0, 0, 0, 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InPlotWindow(c.lat, c.lon, c.ownLat, c.ownLon, c.range), c.in) << c.lat << " " << c.lon;

}

TEST_F(NavaidsTest, WaypointRegions) {
  struct Case {
    double lat, lon;
    const char* file;
  } cases[] = {
      {53.0, 10.0, "747w.pa"},    {52.9, 10.0, "747w.pj"},    {-18.0, 10.0, "747w.pb"},
      {47.2, -122.06, "747w.pc"}, {40.0, -100.0, "747w.pd"},  {10.0, 180.0, "747w.pm"},
      {10.0, -180.0, "747w.pc"},  {40.0, -95.0, nullptr},     {40.0, 8.0, nullptr},
      {40.0, 180.01, nullptr},    {0, 0, "747w.pi"},          {NAN, 0, nullptr},
  };
  for (const Case& c : cases) {
    const WaypointRegionRow* r = ChooseWaypointRegion(c.lat, c.lon);
    EXPECT_EQ(r ? std::string(r->file) : "", c.file ? c.file : "") << c.lat << " / " << c.lon;
  }

  // The chosen file loads; a position on a border logs an empty name and
  // keeps the bounds of the last choice; Enabled false names the file.
  Write("747w.pc", navdata::WaypointRecord({"ALDER", 47.3, -122.0}) + navdata::WaypointRecord({"bevel", 47.25, -122.2}) +
                       std::string(11, 'x'));
  Twaypoints w;
  w.LoadFromFile(47.2, -122.06, Data(), true);
  ASSERT_TRUE(w.HasList());
  ASSERT_EQ(w.List()->size(), 2u);  // the partial record is not read
  EXPECT_EQ((*w.List())[1].ident, "BEVEL");
  EXPECT_EQ(w.WestBound, -180);
  EXPECT_EQ(w.EastBound, -115);
  w.Clear();
  w.LoadFromFile(40.0, -95.0, Data(), true);
  EXPECT_EQ(w.List()->size(), 0u);
  EXPECT_EQ(w.EastBound, -115);
  w.Clear();
  w.LoadFromFile(47.2, -122.06, Data(), false);
  EXPECT_EQ(w.List()->size(), 0u);
  w.Clear();
  w.LoadFromFile(40.0, -100.0, Data(), true);  // "747w.pd" is missing
  EXPECT_EQ(w.SouthBound, -18);
  EXPECT_EQ(w.WestBound, -115);
  const std::string warn = " Waypoints: WARNING! File access failure. Navaids not loaded.";
  const std::string free = " Waypoints: Freeing used memory";
  EXPECT_EQ(TakeLog(), (Log{" Waypoints: Trying to load navaids from 747w.pc", " Waypoints: Load successful.", free,
                            " Waypoints: Trying to load navaids from ", warn, free,
                            " Waypoints: Trying to load navaids from 747w.pc", warn, free,
                            " Waypoints: Trying to load navaids from 747w.pd", warn}));
}

TEST_F(NavaidsTest, NavaidLoadLogsAndFilters) {
  Tnavaids n;
  // No file at all: no list, no log.
  n.LoadFromFiles(kLat, kLon, Data(), true);
  EXPECT_FALSE(n.HasList());
  EXPECT_EQ(TakeLog(), Log{});

  Write("747s.pa", Records({Nav("IN1", 999.9, 1), Nav("OUT", 1000.1, 1), Nav("IN2", -500, 3)}) + std::string(14, 'z'));
  Write("747S.PB", "");
  testsupport::MakeDirs(dir.File("data/747s.pc"));  // a folder: skipped silently
  Write("747s.pd", Records({Nav("IN3", 10, 2)}));
  Write("747s", Records({Nav("NOT", 10, 1)}));  // not a navaid file name
  n.LoadFromFiles(kLat, kLon, Data(), true);
  ASSERT_TRUE(n.HasList());
  std::vector<std::string> idents;
  for (const NavaidRecord& r : *n.List()) idents.push_back(r.ident);
  EXPECT_EQ(idents, (std::vector<std::string>{"IN1", "IN2", "IN3"}));
  const std::string ok = " Navaids: Load successful.";
  EXPECT_EQ(TakeLog(), (Log{" Navaids: Trying to load navaids from 747s.pa", ok,
                            " Navaids: Trying to load navaids from 747S.PB", ok,
                            " Navaids: Trying to load navaids from 747s.pc",
                            " Navaids: Trying to load navaids from 747s.pd", ok}));
  n.Clear();
  EXPECT_FALSE(n.HasList());
  n.LoadFromFiles(kLat, kLon, Data(), false);
  EXPECT_EQ(n.List()->size(), 0u);
  double lat = 0, lon = 0;
  n.FindPosition("IN1", kLat, kLon, lat, lon);
  EXPECT_EQ(lat, -91);
  EXPECT_EQ(TakeLog(), (Log{" Navaids: Freeing used memory", " Navaids: Trying to load navaids from 747s.pa",
                            " Navaids: Trying to load navaids from 747S.PB",
                            " Navaids: Trying to load navaids from 747s.pc",
                            " Navaids: Trying to load navaids from 747s.pd"}));

  // At the edge in the loader's own arithmetic, which never gives 1000.0
  // itself: kept from the last own position at most 1000 NM away, dropped
  // from the next one east.
  const std::string edge = Records({Nav("EDG", 999.9, 1)});
  Write("747s.pa", edge);
  Write("747s.pd", "");
  const NavaidRecord r = NavaidFromRecord(Bytes(edge));
  const auto [in, out] = ndtest::DistanceEdge(kLat, kLon, r.latitude, r.longitude, 1000);
  for (const auto& [lon, size] : {std::pair{in, 1u}, {out, 0u}}) {
    n.Clear();
    n.LoadFromFiles(kLat, lon, Data(), true);
    EXPECT_EQ(n.List()->size(), size) << lon;
  }
}

TEST_F(NavaidsTest, EveryDatabaseReaderRefusesAFileBeyondTheCap) {
  // Each reader reads a file of exactly the cap; one byte more and the
  // file is refused with one log line and nothing of it is kept.
  const bool savedRequired = RequiredFilesFound;
  RequiredFilesFound = true;
  Trunways rw;
  Twaypoints w;
  Tnavaids n;
  struct Case {
    const char* file;
    std::string record;
    int records;
    std::function<std::size_t()> load;  // entries kept
  } cases[] = {
      {"747nam.apt", navdata::RunwayRecord({"ksea", 47.45, -122.31, 180, 400, 9000}), 5,
       [&] {
         rw.LoadAirports(kLat, kLon, Data(), true);
         return rw.List()->size();
       }},
      {"747s.pa", navdata::NavaidRecord(Nav("SEA", 10, 1)), 7,
       [&] {
         n.LoadFromFiles(kLat, kLon, Data(), true);
         return n.List()->size();
       }},
      {"747w.pc", navdata::WaypointRecord({"ALDER", 47.3, -122.0}), 9,
       [&] {
         w.LoadFromFile(47.2, -122.06, Data(), true);
         return w.List()->size();
       }},
      {"747world.mv", std::string(kMagVarGridBytes, '\x05'), 1,
       [&] { return LoadMagneticVariation(Data()) ? std::size_t{1} : 0; }},
  };
  for (const Case& c : cases) {
    const std::string all = [&] {
      std::string s;
      for (int i = 0; i < c.records; ++i) s += c.record;
      return s;
    }();
    const std::uint64_t saved = platform::SetMaxRecordFileBytes(all.size());
    for (const bool over : {false, true}) {
      SCOPED_TRACE(std::string(c.file) + (over ? " over" : " at") + " the cap");
      Write(c.file, all + (over ? "x" : ""));
      TakeLog();
      EXPECT_EQ(c.load(), over ? 0u : static_cast<std::size_t>(c.records));
      std::size_t refusals = 0;
      for (const std::string& line : TakeLog())
        if (line.find(std::string(c.file) + " is larger than " + std::to_string(all.size()) +
                      " bytes. Not loaded.") != std::string::npos)
          ++refusals;
      EXPECT_EQ(refusals, over ? 1u : 0u);
    }
    platform::SetMaxRecordFileBytes(saved);
    std::remove(dir.File("data/"s + c.file).c_str());
  }
  RequiredFilesFound = savedRequired;
}

TEST_F(NavaidsTest, LookUps) {
  Tnavaids n;
  bool flag = false;
  double lat = 0, lon = 0;
  // Empty: nothing found.
  n.FindPosition("sea", kLat, kLon, lat, lon);
  EXPECT_EQ(lat, -91);
  EXPECT_EQ(lon, -181);
  EXPECT_EQ(n.DmeDistance("sea", flag, kLat, kLon, 0), -999.0f);

  Write("747s.pa", Records({Nav("SEA", 10, 1, false, 400), Nav("bf", 20, 1), Nav("ol ", 25, 3),
                            Nav("DUP", 100, 1), Nav("DME", 30, 3, false, 1000), Nav("FAR", 260, 3),
                            Nav("NDB", 5, 2), Nav("EDG", 199.9, 1), Nav("EDH", 200.1, 1),
                            Nav("S65", 40, 65), Nav("S67", 41, 67), Nav("T4", 42, 4), Nav("TOP", 0, 3)}));
  Write("747s.pb", Records({Nav("DUP", -150, 1), Nav("DUP", 200.1, 1), Nav("EDH", 249.9, 3)}));
  n.LoadFromFiles(kLat, kLon, Data(), true);

  struct Find {
    const char* ident;
    double lat;  // -91: not found
  } finds[] = {
      {"sea", kLat + 10 / 60.0}, {"SeA", kLat + 10 / 60.0},
      {"BF", kLat + 20 / 60.0},            // NUL cut
      {"ol", -91}, {"OL ", kLat + 25 / 60.0},  // no blank cut here
      {"dup", kLat - 2.5},                 // the last below 200 NM wins
      {"edg", kLat + 199.9 / 60},          {"edh", -91},  // below 200 NM only
      {"ndb", -91},                        // type 2
      {"s65", kLat + 40 / 60.0}, {"s67", kLat + 41 / 60.0}, {"t4", -91}, {"", -91}, {"sea2", -91},
  };
  for (const Find& f : finds) {
    n.FindPosition(f.ident, kLat, kLon, lat, lon);
    EXPECT_NEAR(lat, f.lat, 1e-5) << f.ident;
    EXPECT_NEAR(lon, f.lat == -91 ? -181 : kLon, 1e-5) << f.ident;
  }

  // OwnAlt is the station's elevation plus 6067 ft: one mile above it.
  struct Dme {
    const char* ident;
    double alt;
    bool flagBefore;
    float distance;
    bool flagAfter;
  } dmes[] = {
      {"DME", 7067, false, 30.017f, true},
      {"sea", 6467, true, std::sqrt(10.0f * 10 + 1), false},
      {"far", 6067, false, -999, true},         // out of reach but matched: flag set
      {"ol", 6067, false, std::sqrt(25.0f * 25 + 1), true},  // blank cut
      {"bf", 6067, true, -999, true},           // no NUL cut: no match, flag kept
      {"bf", 6067, false, -999, false},
      {"ndb", 6067, true, -999, true},          // type 2: no match
      {"dup", 6067, true, std::sqrt(200.1f * 200.1f + 1), false},  // the last below 250 NM
      {"edh", 6067, false, std::sqrt(249.9f * 249.9f + 1), true},
      {"s67", 6067, false, std::sqrt(41.0f * 41 + 1), true},
      {"s65", 6067, true, std::sqrt(40.0f * 40 + 1), false},
      {"top", 45230, false, 7.455f, true},  // overhead: 7.5 shown (7.4 at 6076 ft to the mile)
  };
  for (const Dme& d : dmes) {
    flag = d.flagBefore;
    EXPECT_NEAR(n.DmeDistance(d.ident, flag, kLat, kLon, d.alt), d.distance, 1e-3) << d.ident;
    EXPECT_EQ(flag, d.flagAfter) << d.ident;
  }

  n.Clear();
  n.FindPosition("sea", kLat, kLon, lat, lon);
  EXPECT_EQ(lat, -91);
  EXPECT_EQ(n.DmeDistance("sea", flag, kLat, kLon, 0), -999.0f);
}

TEST_F(NavaidsTest, ReloadAfterConnect) {
  Write("747s.pa", Records({Nav("SEA", 10, 1)}));
  Write("747w.pc", navdata::WaypointRecord({"ALDER", 47.3, -122.0}));
  Navaids = std::make_unique<Tnavaids>();
  Waypoints = std::make_unique<Twaypoints>();
  Runways = std::make_unique<Trunways>();
  TakeLog();
  FirstDataReceived = false;
  auto feed = [&](double lat, double lon) {
    for (const std::string& l : ndtest::PositionLines(lat, lon)) ParseNavigationLine(l, Data(), true, false);
  };
  // Beyond 87 degrees: no reload.
  feed(88, -122);
  EXPECT_EQ(TakeLog(), (Log{" Broker Comm: First initialization of data after connect.",
                            " Broker Comm: First initialization successful."}));
  EXPECT_FALSE(Navaids->HasList());
  FirstDataReceived = false;
  feed(kLat, kLon);
  EXPECT_EQ(TakeLog(), (Log{" Broker Comm: First initialization of data after connect.",
                            " Navaids: Freeing used memory", " Navaids: Trying to load navaids from 747s.pa",
                            " Navaids: Load successful.", " Waypoints: Freeing used memory",
                            " Waypoints: Trying to load navaids from 747w.pc", " Waypoints: Load successful.",
                            " Aiports: Freeing used memory", " Broker Comm: First initialization successful."}));
  EXPECT_EQ(Navaids->List()->size(), 1u);
  EXPECT_EQ(Waypoints->List()->size(), 1u);
  Runways.reset();
  Navaids.reset();
  Waypoints.reset();
  EXPECT_EQ(TakeLog(), (Log{" Aiports: Freeing used memory", " Navaids: Freeing used memory",
                            " Waypoints: Freeing used memory"}));
  FirstDataReceived = false;
}

// Databases and terrain around a position that jumps to and fro across the
// block edge at 120 W, on a clock the test sets.
class JumpingPosition : public NavaidsTest {
 protected:
  void SetUp() override {
    NavaidsTest::SetUp();
    Write("747s.pa", Records({Nav("SEA", 10, 1)}));
    Write("747w.pc", navdata::WaypointRecord({"ALDER", 47.3, -122.0}));
    Navaids = std::make_unique<Tnavaids>();
    Waypoints = std::make_unique<Twaypoints>();
    Runways = std::make_unique<Trunways>();
    Terrain = std::make_unique<Tterrain>();
    Terrain->InitData(10, dir.Path());
    ReloadLog().SetClock([this] { return now; });
    EndNavigationSession();
  }
  void TearDown() override {
    EndNavigationSession();
    ReloadLog().SetClock({});
    Terrain.reset();
    Runways.reset();
    Waypoints.reset();
    Navaids.reset();
    NavaidsTest::TearDown();
  }
  // West (block column 11) or east (column 12) of the edge.
  void Feed(bool east) {
    for (const std::string& l : ndtest::PositionLines(47.2, east ? -119.9 : -120.1))
      ParseNavigationLine(l, Data(), true, false);
  }
  double now = 5000;
};

// Each row: the clock moves to t, then a position arrives (or, with
// "timer", the waiting reload is run); the block then loaded and whether a
// reload still waits.
TEST_F(JumpingPosition, ReloadsAtMostOnceASecondForTheLatestPosition) {
  enum Step { West, East, Timer };
  const struct {
    double t;
    Step step;
    int column;
    double delay;  // DeferredReloadDelay afterwards; -1: none waits
  } rows[] = {
      {0, West, 11, -1},     // first position: loaded at once
      {0.05, East, 11, 0.95},  // too soon: waits
      {0.5, West, 11, -1},   // back in the loaded block: nothing to wait for
      {0.6, East, 11, 0.4},
      {0.9, Timer, 11, 0.1},  // not yet
      {1.0, Timer, 12, -1},  // its time: loaded for the latest position
      {1.05, West, 12, 0.95},
      {1.5, East, 12, -1},
      {1.7, West, 12, 0.3},
      {2.0, West, 11, -1},   // a second after the last reload: at once
  };
  const double start = now;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.t);
    now = start + r.t;
    if (r.step == Timer) RunDeferredReload(Data(), true);
    else Feed(r.step == East);
    EXPECT_EQ(Terrain->CentreColumn, r.column);
    EXPECT_NEAR(DeferredReloadDelay(), r.delay, 1e-9);
  }
}

// A thousand reloads, a second apart: the first is logged line by line,
// then one line and one count per 10 s, and every line is either written or
// counted.
TEST_F(JumpingPosition, AThousandReloadsGiveABoundedLog) {
  Feed(false);
  TakeLog();
  for (int i = 1; i <= 1000; ++i) {
    now += 1;
    Feed(i % 2 == 1);
    ASSERT_EQ(Terrain->CentreColumn, i % 2 == 1 ? 12 : 11) << i;
  }
  EndNavigationSession();  // the counts not yet told
  const Log log = TakeLog();
  const auto first = std::find(log.begin(), log.end(), " Broker Comm: Data reload (plane position moved.");
  const auto done = std::find(first, log.end(), " Broker Comm: Data reload successful.");
  ASSERT_NE(done, log.end());
  const long long perReload = done - first + 1;
  EXPECT_NE(std::find(first, done, " Navaids: Trying to load navaids from 747s.pa"), done);
  EXPECT_NE(std::find(first, done, " Waypoints: Load successful."), done);
  EXPECT_NE(std::find(first, done, " Aiports: Freeing used memory"), done);
  long long written = 0, counted = 0;
  const std::string more = " Broker Comm: Data reload lines... ";
  for (const std::string& line : log) {
    if (line.rfind(more, 0) == 0) counted += std::stoll(line.substr(more.size()));
    else ++written;
  }
  EXPECT_EQ(written + counted, 1000 * perReload);
  // One full reload, then one line and one count per 10 s.
  EXPECT_LE(log.size(), static_cast<std::size_t>(perReload + 1 + 2 * (1000 / 10) + 1));
}

}  // namespace
