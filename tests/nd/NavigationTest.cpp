// The navigation variables: the FMC position's 48-bit reals, the grid
// conversion, and what one broker line changes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kestrane/Dispatch.h"
#include "shared/KestraneSettings.h"
#include "shared/Udebug.h"
#include "nd/GridPosition.h"
#include "nd/Uirs.h"
#include "nd/Unavigation.h"
#include "pfd/UcommonVariables.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

std::array<std::int16_t, 3> Words(int a, int b, int c) {
  return {static_cast<std::int16_t>(a), static_cast<std::int16_t>(b), static_cast<std::int16_t>(c)};
}

TEST(Real48, DecodesTheWireFormat) {
  const struct {
    std::array<std::int16_t, 3> words;
    double value;
  } cases[] = {
      {Words(130, 0, 8192), 2.5},
      {Words(129, 0, -32768), -1},
      {Words(0, 12345, 777), 0},  // exponent byte 0 is the value 0
      {Words(128, 0, 0), 0.5},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Real48ToDouble(c.words), c.value);
}

TEST(GridConversion, FlatAndPolarGrids) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double x, y;
    int north, south;
    double centre;
    bool converted;
    double lat, lon;
  } cases[] = {
      // The FMC words of the demo field.
      {Real48ToDouble(Words(11161, -30360, -6478)), Real48ToDouble(Words(26265, 30822, -31925)), 0, 0, 0, true,
       47.2, -122.0633333},
      {0, 0, 0, 0, -122, true, 0, -122},
      {0, -364599, 1, 0, 0, true, 89, -90},
      {0, -364599, 0, 1, 0, true, -89, 90},
      {0, -364599, 1, 1, 0, true, -89, 90},     // south wins when both are set
      {100, 100, 2, 0, 0, false, 11, 22},       // unknown flag: unchanged
      {inf, 0, 0, 0, 0, false, 11, 22},         // not a number: unchanged
      {0, 364599.0 * 200, 1, 0, 0, false, 11, 22},  // beyond the pole: unchanged
      {364599.0 * 20, 0, 0, 0, 170, true, 0, -170},  // longitude folded
  };
  for (const auto& c : cases) {
    double lat = 11, lon = 22;
    EXPECT_EQ(GridToLatLon(c.x, c.y, c.north, c.south, c.centre, lat, lon), c.converted);
    EXPECT_NEAR(lat, c.lat, 1e-6) << c.x << " " << c.y;
    EXPECT_NEAR(lon, c.lon, 1e-6) << c.x << " " << c.y;
  }
}

TEST(RangeLabel, WholeTextReplaced) {
  const struct {
    int range, m;
    const char* text;
  } cases[] = {{5, 2, "2.5"},  {10, 2, "5"},  {20, 2, "10"},  {640, 2, "320"},
               {5, 1, "1.25"}, {10, 1, "2.5"}, {40, 1, "10"}, {640, 1, "160"}};
  for (const auto& c : cases) EXPECT_EQ(RangeLabelText(c.range, c.m), c.text) << c.range << " " << c.m;
}

class NavigationLines : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    DebugFileName = dir.File("debug.txt");
    ASSERT_TRUE(ResetDebug());
    harness = std::make_unique<ndtest::NdHarness>();
  }
  void TearDown() override {
    harness.reset();
    PfdOnly = false;
    DebugFileName.clear();
  }
  std::string Log() const { return testsupport::ReadFile(dir.File("debug.txt")); }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
  }
  testsupport::TempDir dir;
  std::unique_ptr<ndtest::NdHarness> harness;
};

TEST_F(NavigationLines, WordsFloatsAndIntegers) {
  harness->Feed({"MV.FMCPosX1 65535 MV.FMCPosY2 -1", "MV.GndSpeed 123.456789 MV.HdgBugTimer 123456789",
                 "MV.TAS 250.5\r"});
  EXPECT_EQ(FmcX[0], -1);
  EXPECT_EQ(FmcY[1], -1);
  EXPECT_DOUBLE_EQ(GroundSpeed, 123.456789);  // floats take the rest of the line
  EXPECT_EQ(HdgBugTimer, 12345678);           // integers at most 8 characters
  EXPECT_DOUBLE_EQ(TrueAirspeed, 250.5);
}

TEST_F(NavigationLines, ConnLineIsLoggedAndChangesNothing) {
  EndNavigationSession();
  harness->Feed({"MV.GndSpeed 100"});
  harness->Feed({"Conn MV.GndSpeed 300\r"});
  EXPECT_DOUBLE_EQ(GroundSpeed, 100);
  EXPECT_EQ(Count(Log(), " Broker Comm: Conn MV.GndSpeed 300\n"), 1);
  // A flood of notices is counted, not written line by line; a new session
  // logs its first notice again.
  for (int i = 0; i < 1000; ++i) harness->Feed({"Connected again"});
  EXPECT_EQ(Count(Log(), "Connected again"), 0);
  EndNavigationSession();
  EXPECT_EQ(Count(Log(), " Broker Comm: Connection notices... 1000 more dropped\n"), 1);
  harness->Feed({"Connected again"});
  EXPECT_EQ(Count(Log(), " Broker Comm: Connected again\n"), 1);
}

TEST_F(NavigationLines, WindDirectionFoldedAgainstVariation) {
  harness->Feed({"IPC.var 20", "MV.WindRad 0.17453 MV.WindSpd 1.852"});
  EXPECT_NEAR(WindDirection, 350, 1e-3);
  EXPECT_NEAR(WindSpeed, 20, 1e-9);
}

TEST_F(NavigationLines, FirstPositionLoadsOncePerConnectionNeverInPfdOnlyMode) {
  FirstDataReceived = false;
  harness->Feed(ndtest::PositionLines(47.2, -122.06));
  harness->Feed(ndtest::PositionLines(47.3, -122.06));
  EXPECT_EQ(Count(Log(), " Broker Comm: First initialization of data after connect.\n"), 1);
  EXPECT_EQ(Count(Log(), " Broker Comm: First initialization successful.\n"), 1);
  EXPECT_NEAR(OwnLatitude, 47.3, 1e-6);
  EXPECT_NEAR(PrevLatitude, 47.3, 1e-6);
  // A disconnect clears the flag: the next connection loads again.
  FirstDataReceived = false;
  harness->Feed(ndtest::PositionLines(47.3, -122.06));
  EXPECT_EQ(Count(Log(), " Broker Comm: First initialization of data after connect.\n"), 2);

  FirstDataReceived = false;
  PfdOnly = true;
  harness->Feed(ndtest::PositionLines(47.4, -122.06));
  harness->Feed({"MV.GndSpeed 180"});
  EXPECT_EQ(Count(Log(), " Broker Comm: First initialization of data after connect.\n"), 2);
  EXPECT_FALSE(FirstDataReceived);
  EXPECT_DOUBLE_EQ(GroundSpeed, 180);
  EXPECT_NEAR(OwnLatitude, 47.4, 1e-6);
}

TEST_F(NavigationLines, PfdOnlyModeStillFeedsThePfd) {
  // The demo's climb: ground speed, track and position reach the PFD.
  PfdOnly = true;
  broker::DemoFlight demo;
  for (const std::string& line : demo.Lines(80, false)) DispatchToParsers(line);
  EXPECT_GT(GroundSpeed, 100);
  EXPECT_NEAR(IpcLatitude, demo.At(80).latitude, 1e-4);
  EXPECT_NEAR(IpcLongitude, demo.At(80).longitude, 1e-4);
  EXPECT_NE(TrackInput, 0);
}

TEST_F(NavigationLines, ZeroPositionNeverInitialises) {
  FirstDataReceived = false;
  harness->Feed({"MV.CenterLon 0 MV.FMCPosX1 0 MV.FMCPosX2 0 MV.FMCPosX3 0 MV.FMCPosY1 0 MV.FMCPosY2 0 "
                 "MV.FMCPosY3 0"});
  EXPECT_EQ(OwnLatitude, 0);
  EXPECT_FALSE(FirstDataReceived);
}

TEST_F(NavigationLines, IrsPositionsFollowTheGrid) {
  harness->Feed(ndtest::PositionLines(47.2, -122.06));
  harness->Feed({"MV.IrsX2 nonsense MV.IrsY2 -17209072.8"});
  EXPECT_NEAR(Irs->Latitude[1], 47.2, 1e-6);
  EXPECT_NEAR(Irs->Longitude[1], -122, 1e-6);  // "nonsense" reads as 0: on the centre meridian
  EXPECT_NEAR(Irs->Latitude[0], 47.2, 1e-6);
  EXPECT_NEAR(Irs->Longitude[0], -122.06, 1e-6);
}

}  // namespace
