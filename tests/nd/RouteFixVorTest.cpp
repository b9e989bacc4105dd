// The FMC route, the fix page's fixes and the radio navigation: broker
// items into state, and the arithmetic the drawing uses (route legs, dashed
// circles, frequencies, DME texts, corner blocks and pointers).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <tuple>

#include "kestrane/Dispatch.h"
#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "shared/Udebug.h"
#include "nd/Ufixinfo.h"
#include "nd/Uroutes.h"
#include "nd/Urunways.h"
#include "nd/Uvordisplay.h"
#include "support/geo/geoMath.h"
#include "tests/common/TestSupport.h"
#include "tools/make-navdata/NavData.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The variation grid of the generated data (16 degrees at 47 N 122 W).
class WithVariation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(navdata::WriteDatabases(data.Path(), false));
    RequiredFilesFound = true;
    ASSERT_TRUE(LoadMagneticVariation(data.Path()));
    ASSERT_NE(MagVarAt(47, -122), 0);
  }
  void TearDown() override {
    ClearMagneticVariation();
    RequiredFilesFound = false;
  }
  testsupport::TempDir data;
};

// ---------------------------------------------------------------------------
// Route

class RouteItems : public ::testing::Test {
 protected:
  void SetUp() override {
    DebugFileName = dir.File("debug.txt");
    ASSERT_TRUE(ResetDebug());
    route.Clear();
  }
  void TearDown() override { DebugFileName.clear(); }
  std::string Log() const {
    std::ifstream f(DebugFileName);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  testsupport::TempDir dir;
  TRoute route;
};

TEST_F(RouteItems, ItemsConvertAsTheBrokerEncodesThem) {
  struct Case {
    const char* line;
    std::function<int(const TRoute&)> field;
    int expected;
  };
  const Case cases[] = {
      {"R.W 40", [](const TRoute& r) { return r.Count(); }, 32},
      {"R.W 32", [](const TRoute& r) { return r.Count(); }, 32},
      {"R.a01 210", [](const TRoute& r) { return r.LatDegrees(1); }, -46},
      {"R.a01 127", [](const TRoute& r) { return r.LatDegrees(1); }, 127},
      {"R.c01 65414", [](const TRoute& r) { return r.LonDegrees(1); }, -122},
      {"R.b01 601", [](const TRoute& r) { return r.LatMinutes(1); }, -64935},
      {"R.d07 600", [](const TRoute& r) { return r.LonMinutes(7); }, 600},
      {"R.e121 275", [](const TRoute& r) { return r.LegCourse(12); }, 275},
      {"R.f03 -4 R.g03 9", [](const TRoute& r) { return r.LegValueF(3) * 100 + r.LegValueG(3); }, -391},
      {"R.LastLeg 12\r", [](const TRoute& r) { return r.LastLeg(); }, 12},
  };
  for (const Case& c : cases) {
    route.Clear();
    EXPECT_TRUE(ParseRouteLine(c.line, route)) << c.line;
    EXPECT_EQ(c.field(route), c.expected) << c.line;
  }
}

TEST_F(RouteItems, NamesAndPositionsOfTheWorkedExample) {
  ParseRouteLine("R.01 KSEA R.a01 47 R.b01 270 R.02 abcdefghij", route);
  EXPECT_EQ(route.Name(1), "KSEA");
  EXPECT_DOUBLE_EQ(route.PointLatitude(1), 47.45);
  EXPECT_EQ(route.Name(2), "ABCDEFG");
}

TEST_F(RouteItems, ItemsWithoutValueOrOutsideTheSlotsChangeNothing) {
  ParseRouteLine("R.W 3 R.a01 5", route);
  for (const char* line : {"R.a01 7 R.W", "R. 5", "R.a-1 6", "R.x01 8", "R.a01"}) {
    ParseRouteLine(line, route);
  }
  EXPECT_EQ(route.Count(), 3);
  EXPECT_EQ(route.LatDegrees(1), 7);  // the item before the bare "R.W" is taken
  EXPECT_EQ(route.LatDegrees(0), -91);
  EXPECT_EQ(Log().find("Route"), std::string::npos);
}

TEST_F(RouteItems, ABadValueCostsOnlyTheItemsAfterItAndIsLogged) {
  EXPECT_FALSE(ParseRouteLine("R.01 KSEA R.a01 4x R.b01 270\r", route));
  EXPECT_EQ(route.Name(1), "KSEA");
  EXPECT_EQ(route.LatDegrees(1), -91);
  EXPECT_EQ(route.LatMinutes(1), -600);
  EXPECT_NE(Log().find("R.01 KSEA R.a01 4x R.b01 270"), std::string::npos);
}

TEST_F(RouteItems, ValuesAreDecimalWholeNumbersWithAtMostOneSign) {
  struct Case {
    const char* text;
    bool taken;
    int value;
  };
  const Case cases[] = {
      {"5", true, 5},
      {"+5", true, 5},
      {"-0", true, 0},
      {"2147483647", true, INT_MAX},
      {"-2147483648", true, INT_MIN},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"--5", false, 0},
      {"+-5", false, 0},
      {"0x10", false, 0},
      {"$10", false, 0},
      {"0x-5", false, 0},
      {"4\t", false, 0},
      {"", false, 0},
      {"+", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    route.Clear();
    ASSERT_TRUE(ParseRouteLine("R.LastLeg 77", route));
    // A value that is not taken costs the items after it on the line.
    EXPECT_EQ(ParseRouteLine(std::string("R.LastLeg ") + c.text + " R.W 3", route), c.taken);
    EXPECT_EQ(route.LastLeg(), c.taken ? c.value : 77);
    EXPECT_EQ(route.Count(), c.taken ? 3 : 0);
  }
}

TEST_F(RouteItems, ABadRouteValueLeavesTheLineToTheOtherParsers) {
  Route = std::make_unique<TRoute>();
  FixInfo = std::make_unique<TFixInfo>();
  Vor = std::make_unique<Tvor>();
  PfdOnly = false;
  DispatchToParsers("R.W 2 R.a01 4x MV.Fix1Act 1 MV.vorCrs1 90 R.W 5\r\n");
  EXPECT_EQ(Route->Count(), 2);
  EXPECT_EQ(FixInfo->Fix(1).active, 1);
  EXPECT_EQ(Vor->Side(0).course, 90);
  Vor.reset();
  FixInfo.reset();
  Route.reset();
}

TEST_F(RouteItems, ClearKeepsTheLegValuesAndTheLastLeg) {
  ParseRouteLine("R.05 ABC R.a05 1 R.b05 2 R.c05 3 R.d05 4 R.e05 5 R.f05 6 R.g05 7 R.LastLeg 8 R.W 6",
                 route);
  route.Clear();
  EXPECT_EQ(route.Name(5), "");
  EXPECT_EQ(route.LatDegrees(5), -91);
  EXPECT_EQ(route.LatMinutes(5), -600);
  EXPECT_EQ(route.LonDegrees(5), -181);
  EXPECT_EQ(route.LonMinutes(5), -600);
  EXPECT_EQ(route.LegCourse(5), -1);
  EXPECT_EQ(route.Count(), 0);
  EXPECT_EQ(route.LegValueF(5), 6);
  EXPECT_EQ(route.LegValueG(5), 7);
  EXPECT_EQ(route.LastLeg(), 8);
}

class RouteLegs : public WithVariation {
 protected:
  // Points 1..3 one NM apart going north from 47 N 122 W, inbound course
  // 090 magnetic to point 1, last leg 10 NM.
  void SetUp() override {
    WithVariation::SetUp();
    route.Clear();
    ParseRouteLine("R.01 P1 R.a01 47 R.b01 0 R.c01 65414 R.d01 0 R.e01 90 R.LastLeg 10", route);
    ParseRouteLine("R.02 P2 R.a02 47 R.b02 10 R.c02 65414 R.d02 0", route);
    ParseRouteLine("R.03 P3 R.a03 47 R.b03 20 R.c03 65414 R.d03 0 R.W 3", route);
  }
  TRoute route;
};

TEST_F(RouteLegs, ThreePointsGiveThreeLegsWithTheActiveStarAtPointTwo) {
  const auto legs = route.Legs(40, 47, -122, 0);
  ASSERT_EQ(legs.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(legs[i].to, i + 1);
    EXPECT_TRUE(legs[i].symbol);
    EXPECT_EQ(legs[i].list, i == 1 ? ndlist::kRouteActiveStar : ndlist::kRouteStar);
  }
  // Legs join: each starts where the one before ends; 1 NM north is 3.54
  // units up at range 40.
  EXPECT_NEAR(legs[1].a.x, legs[0].b.x, 1e-6);
  EXPECT_NEAR(legs[1].b.y - legs[1].a.y, 141.42 / 40, 0.01);
  EXPECT_NEAR(legs[2].a.y, legs[1].b.y, 1e-6);
}

TEST_F(RouteLegs, FirstLegStartsBehindPointOneOnItsInboundCourseMadeTrue) {
  const auto legs = route.Legs(40, 47, -122, 0);  // the aircraft at point 1
  ASSERT_FALSE(legs.empty());
  const double bearing = (MagVarAt(47, -122) + 90 + 180) * kPi / 180;
  const double len = 10 * 141.42 / 40;
  EXPECT_NEAR(legs[0].a.x, len * std::sin(bearing), 0.05);
  EXPECT_NEAR(legs[0].a.y, len * std::cos(bearing), 0.05);
  EXPECT_NEAR(legs[0].b.x, 0, 1e-6);
}

TEST_F(RouteLegs, HashAndAtMarks) {
  ParseRouteLine("R.02 #X", route);
  auto legs = route.Legs(40, 47, -122, 0);
  ASSERT_EQ(legs.size(), 1u);  // legs 1-2 and 2-3 go with their symbols
  EXPECT_EQ(legs[0].to, 1);

  ParseRouteLine("R.02 P2 R.03 @X", route);
  legs = route.Legs(40, 47, -122, 0);
  ASSERT_EQ(legs.size(), 3u);
  EXPECT_FALSE(legs[2].symbol);
  EXPECT_TRUE(legs[1].symbol);
  EXPECT_EQ(route.LastLeg(), 10);  // only a point 1 named exactly "@" zeroes it

  ParseRouteLine("R.01 @", route);
  legs = route.Legs(40, 47, -122, 0);
  EXPECT_EQ(route.LastLeg(), 0);
  EXPECT_FALSE(legs[0].symbol);
  EXPECT_NEAR(legs[0].a.x, legs[0].b.x, 1e-6);  // the first leg shrinks to point 1
  EXPECT_NEAR(legs[0].a.y, legs[0].b.y, 1e-6);
}

TEST_F(RouteLegs, CountsAndTheDistanceToTheActivePoint) {
  EXPECT_NEAR(route.DistanceToActive(47, -122), 1.0, 0.01);
  ParseRouteLine("R.W 1", route);
  EXPECT_EQ(route.Legs(40, 47, -122, 0).size(), 1u);
  EXPECT_EQ(route.DistanceToActive(47, -122), -1);
  for (const char* line : {"R.W 0", "R.W -5"}) {
    ParseRouteLine(line, route);
    EXPECT_TRUE(route.Legs(40, 47, -122, 0).empty());
    EXPECT_EQ(route.DistanceToActive(47, -122), -1);
  }
}

// ---------------------------------------------------------------------------
// Fix info

TEST(FixItems, NamesActiveTypesAndPositions) {
  TFixInfo fix;
  fix.ParseLine("MV.Fix1Name SEA MV.Fix1Act 1 MV.Fix1Ndeg 47 MV.Fix1Nmin 300 MV.Fix2Type 6\r");
  EXPECT_EQ(fix.Fix(1).name, "SEA");
  EXPECT_EQ(fix.Fix(1).active, 1);
  EXPECT_EQ(fix.Fix(2).type, 6);
  EXPECT_EQ(fix.Fix(1).type, 0);
  fix.UpdatePositions();
  EXPECT_DOUBLE_EQ(fix.Fix(1).latitude, 47.5);

  fix.ParseLine("MV.Fix1Act 0 MV.Fix1Name SEA\r");  // name last on the line: no blank after it
  EXPECT_EQ(fix.Fix(1).name, "");
  fix.ParseLine("Conn MV.Fix1Act 1 MV.Fix1Name OLM ");
  EXPECT_EQ(fix.Fix(1).active, 0);
  EXPECT_EQ(fix.Fix(1).name, "");

  const std::pair<int, unsigned> types[] = {{1, ndlist::kFixVorDme}, {3, ndlist::kFixVorDme},
                                            {2, ndlist::kFixVor},    {6, ndlist::kFixCircle},
                                            {0, ndlist::kFixTriangle}, {7, ndlist::kFixTriangle}};
  for (const auto& [type, list] : types) EXPECT_EQ(FixSymbolList(type), list) << type;
}

class FixVariation : public WithVariation {};

TEST_F(FixVariation, FarNorthFixesUseNoVariation) {
  TFixInfo fix;
  fix.ParseLine("MV.Fix1Ndeg 75 MV.Fix1Edeg -122 MV.Fix2Ndeg 47 MV.Fix2Edeg -122 ");
  fix.UpdatePositions();
  EXPECT_EQ(fix.Fix(1).magVar, 0);
  EXPECT_EQ(fix.Fix(2).magVar, MagVarAt(47, -122));
}

TEST_F(FixVariation, CourseLinesThroughStationsBeyond73NorthUseNoVariation) {
  struct Restore {
    TVorNavaidLookups saved = VorNavaids;
    ~Restore() { VorNavaids = saved; }
  } restore;
  VorNavaids.FindPosition = [](const std::string& ident, double, double, double& lat, double& lon) {
    lat = ident == "sea" ? 47.2 : 75.2;
    lon = -122;
  };
  Tvor vor;
  vor.ParseLine("MV.vor1Ident sea MV.vor2Ident far MV.vorCrs1 90 MV.vorCrs2 90 ");
  ASSERT_NE(MagVarAt(75, -122), 0);
  const int v = MagVarAt(47, -122);
  double x, y, turned[2], plain[2];
  for (int n : {0, 1}) ASSERT_TRUE(vor.CourseLine(n, 40, 47, -122, 0, x, y, turned[n]));
  ClearMagneticVariation();
  for (int n : {0, 1}) ASSERT_TRUE(vor.CourseLine(n, 40, 47, -122, 0, x, y, plain[n]));
  EXPECT_NEAR(turned[0] - plain[0], v, 1e-9);
  EXPECT_NEAR(turned[1], plain[1], 1e-9);
}

TEST(FixCircles, DashesAndSizes) {
  const TFixCircle c = FixCircle(20, 40);
  EXPECT_NEAR(c.radius, 70.71, 0.005);
  EXPECT_EQ(c.n, 120);  // 121 points
  EXPECT_EQ(VisibleFixChords(c, 0, 0).size(), 60u);
  EXPECT_NEAR(FixCirclePoint(c, 30).y, 70.71, 0.005);

  EXPECT_TRUE(VisibleFixChords(FixCircle(0, 40), 0, 0).empty());
}

TEST(FixCircles, HugeDistancesNeedSixtyFourBitsAndEmitNothingOffTheSquare) {
  const TFixCircle c = FixCircle(2147483647, 5);
  EXPECT_EQ(c.n, 2147483647LL * 48);
  EXPECT_TRUE(VisibleFixChords(c, 0, 0).empty());
  EXPECT_TRUE(VisibleFixChords(c, 30000, -20000).empty());
}

TEST(FixCircles, ClippedDashesAreTheUnclippedOnesThatMeetTheSquare) {
  const TFixCircle c = FixCircle(998, 5);
  ASSERT_GT(c.n, 40000);
  const double r = c.radius;
  const std::pair<double, double> centres[] = {
      {0, -r + 50}, {r - 150, 30}, {-r - 199, 0}, {0.7 * r, 0.7 * r}, {-0.72 * r, -0.7 * r}, {0, -r - 250}};
  for (const auto& [cx, cy] : centres) {
    std::vector<std::int64_t> all;
    for (std::int64_t j = 0; j + 1 <= c.n; j += 2)
      if (FixChordVisible(c, cx, cy, j)) all.push_back(j);
    const auto clipped = VisibleFixChords(c, cx, cy);
    EXPECT_EQ(clipped, all) << cx << " " << cy;
    EXPECT_LE(clipped.size(), 250u);
  }
}

// ---------------------------------------------------------------------------
// VOR and ADF

class Radio : public ::testing::Test {
 protected:
  void SetUp() override { saved = VorNavaids; }
  void TearDown() override { VorNavaids = saved; }
  TVorNavaidLookups saved;
  Tvor vor;
};

TEST_F(Radio, ConnectionNoticesAreReadOnlyWithAnAdfName) {
  vor.ParseLine("Conn MV.vorCrs1 45\r");
  EXPECT_EQ(vor.Side(0).course, 0);
  vor.ParseLine("Conn MV.adf1Rec 1 MV.vorCrs1 90\r");  // an ADF name lets the whole line in
  EXPECT_EQ(vor.Side(0).adfReceived, 1);
  EXPECT_EQ(vor.Side(0).course, 90);
  vor.ParseLine("MV.vorCrs1 80 MV.vor2Ident olm\r");
  EXPECT_EQ(vor.Side(0).course, 80);
  EXPECT_EQ(vor.Side(1).vorIdent, "olm");
}

TEST_F(Radio, FrequenciesAndDmeTexts) {
  const std::tuple<const char*, int, int> freqs[] = {
      {"117.30", 6, 11730}, {"11x.30", 6, -1}, {"117.30", 0, -1}, {"", 6, -1}, {"108.05", 6, 10805}};
  for (const auto& [text, len, f] : freqs) EXPECT_EQ(TunedFrequency(text, len), f) << text;
  const std::tuple<double, bool, const char*> dmes[] = {
      {12.96, true, "DME 13.0"}, {7.04, true, "DME 7.0"}, {7.36, true, "DME 7.4"}, {7.56, true, "DME 7.6"},
      {12.96, false, "DME ---"}, {-999, true, "DME ---"}};
  for (const auto& [d, decoded, text] : dmes) EXPECT_EQ(DmeText(d, decoded), text) << d;
}

TEST_F(Radio, CornerBlocks) {
  vor.ParseLine("MV.vorEfisL 2 MV.vorEfisR 0 MV.vor1FreqStr 116.80 MV.vor1FreqLen 6 MV.vor1Ident sea "
                "MV.vorDec1 0 MV.adf2FreqStr 12345678 MV.adf2FreqLen 8 MV.adfDec2 0 MV.adf2Ident ab\r");
  TVorBlock l = vor.Block(0), r = vor.Block(1);
  EXPECT_EQ(l.title, "VOR L");
  EXPECT_EQ(l.second, "116.80");
  EXPECT_FALSE(l.secondSmall);
  EXPECT_EQ(l.dme, "DME ---");
  EXPECT_EQ(r.title, "ADF R");
  EXPECT_EQ(r.second, "12345");
  EXPECT_FALSE(r.dmeShown);

  vor.ParseLine("MV.vorDec1 1 MV.adfDec2 1 ");
  vor.Side(0).dmeFlag = true;
  vor.Side(0).dmeDistance = 12.96;
  l = vor.Block(0);
  EXPECT_EQ(l.second, "SEA");
  EXPECT_TRUE(l.secondSmall);  // a DME station's decoded ident is printed small
  EXPECT_EQ(l.dme, "DME 13.0");
  EXPECT_EQ(vor.Block(1).second, "AB");

  vor.ParseLine("MV.vor1FreqLen 0 ");
  l = vor.Block(0);
  EXPECT_EQ(l.second, "");
  EXPECT_FALSE(l.dmeShown);

  vor.ParseLine("MV.vorEfisL 1 MV.vorEfisR 3 ");
  EXPECT_FALSE(vor.Block(0).shown);
  EXPECT_FALSE(vor.Block(1).shown);
}

TEST_F(Radio, PointersInOrderWithTheirColoursAndShapes) {
  vor.ParseLine("MV.vorEfisL 2 MV.vorEfisR 0 MV.vorInRg1 1 MV.adf2Rec 1 MV.vorOldRad1 900 MV.vorOldRad2 1800 ");
  auto p = vor.Pointers(false, 0);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].side, 1);  // ADF pointers come first
  EXPECT_TRUE(p[0].adf);
  EXPECT_EQ(p[0].head, ndlist::kRightHead);
  EXPECT_EQ(p[0].tail, ndlist::kRightTail);
  EXPECT_NEAR(p[0].angle, 0, 1e-9);
  EXPECT_EQ(p[1].side, 0);
  EXPECT_FALSE(p[1].adf);
  EXPECT_NEAR(p[1].angle, -90, 1e-9);
  EXPECT_NEAR(p[1].radius, 141.42, 0.01);

  p = vor.Pointers(true, 30);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[1].head, ndlist::kLeftHeadCentred);
  EXPECT_EQ(p[1].tail, ndlist::kLeftTail);
  EXPECT_NEAR(p[1].radius, 70.71, 0.01);
  EXPECT_NEAR(p[1].angle, -120, 1e-9);

  vor.Side(0).dmeFlag = true;  // a DME-only station: no VOR pointer
  EXPECT_EQ(vor.Pointers(false, 0).size(), 1u);
  vor.Side(0).dmeFlag = false;
  vor.ParseLine("MV.vorInRg1 0 MV.adf2Rec 0 ");  // out of range, nothing received
  EXPECT_TRUE(vor.Pointers(false, 0).empty());
  vor.ParseLine("MV.vorEfisL 1 MV.vorEfisR 1 ");
  EXPECT_TRUE(vor.Pointers(false, 0).empty());
}

TEST_F(Radio, CourseLinesNeedACourseAndAFoundStation) {
  VorNavaids.FindPosition = [](const std::string& ident, double, double, double& lat, double& lon) {
    if (ident == "sea") {
      lat = 47.2;
      lon = -122;
    }
  };
  vor.ParseLine("MV.vor1Ident sea MV.vor2Ident xyz MV.vorCrs1 90 MV.vorCrs2 90 MV.vorEfisL 1 ");
  double x = 0, y = 0, a = 0;
  ASSERT_TRUE(vor.CourseLine(0, 40, 47, -122, 0, x, y, a));
  EXPECT_NEAR(x, 0, 1e-6);
  EXPECT_NEAR(y, 12 * 141.42 / 40, 0.05);  // 12 NM north
  EXPECT_FALSE(vor.CourseLine(1, 40, 47, -122, 0, x, y, a));  // not found
  vor.ParseLine("MV.vorCrs1 361 ");
  EXPECT_FALSE(vor.CourseLine(0, 40, 47, -122, 0, x, y, a));
}

}  // namespace
