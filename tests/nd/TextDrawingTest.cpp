// The ND texts, mode flags and annunciations as drawn in a whole ND frame:
// what is printed (text, font, colour), what the pilot sees, and which
// sounds the frames start.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "shared/KestraneSettings.h"
#include "shared/Ufonts.h"
#include "nd/Unavigation.h"
#include "nd/UtextVisual.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/FakePlayer.h"
#include "tests/nd/NdHarness.h"

namespace {

using testsupport::Rgba;
constexpr Rgba kYellow{255, 255, 0, 255};
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlack{0, 0, 0, 255};

struct Colour {
  float r, g, b;
};
constexpr Colour kWhiteText{1, 1, 1}, kCyanText{0.4f, 0.8f, 1.0f}, kYellowText{1, 1, 0},
    kMagentaText{225 / 255.0f, 125 / 255.0f, 225 / 255.0f}, kGreenText{0, 1, 0}, kRedText{1, 0, 0};

class TextDrawing : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    saved = {TrafficVisible, TcasOnFlag, TaOnlyFlag, TerrainVisible, AirportsVisible, WaypointsVisible,
             StationsVisible, TerrainInhibited};
    harness = std::make_unique<ndtest::NdHarness>();
    Alert->Init(&player, dir.Path() + "/");
  }
  void TearDown() override {
    harness.reset();
    NdFrameFlagsHook = nullptr;
    TerrainMaxElevation = TerrainMinElevation = nullptr;
    RouteDistanceToActive = nullptr;
    TrafficVisible = saved[0];
    TcasOnFlag = saved[1];
    TaOnlyFlag = saved[2];
    TerrainVisible = saved[3];
    AirportsVisible = saved[4];
    WaypointsVisible = saved[5];
    StationsVisible = saved[6];
    TerrainInhibited = saved[7];
  }
  // The one print of text, checked for font and colour.
  void ExpectPrinted(const std::string& text, const TCGFont3D* font, Colour c) {
    const auto records = harness->Printed(text);
    ASSERT_EQ(records.size(), 1u) << text;
    EXPECT_EQ(records[0].font, font) << text;
    EXPECT_NEAR(records[0].r, c.r, 0.01) << text;
    EXPECT_NEAR(records[0].g, c.g, 0.01) << text;
    EXPECT_NEAR(records[0].b, c.b, 0.01) << text;
  }
  // Texts printed in the flag column below "TERR".
  int BelowTerrainFlag() const {
    const auto terr = harness->Printed("TERR");
    if (terr.size() != 1) return -1;
    int n = 0;
    for (const auto& p : harness->printed)
      if (std::abs(p.winX - terr[0].winX) < 0.5f && p.winY < terr[0].winY) ++n;
    return n;
  }
  void Flags(bool ta, bool ra, bool floor, bool caution, bool warning) {
    NdFrameFlagsHook = [=](NdFrameFlags& f) {
      f.trafficAdvisoryDrawn = ta;
      f.resolutionAdvisoryDrawn = ra;
      f.clearanceFloor = floor;
      f.terrainCaution = caution;
      f.terrainWarning = warning;
    };
  }
  // Pixels of colour c in the ND rectangle (x0, y0)-(x1, y1) about the aircraft.
  int In(double x0, double y0, double x1, double y1, Rgba c) const {
    int wx0, wy0, wx1, wy1;
    harness->NdToWindow(x0, y0, wx0, wy0);
    harness->NdToWindow(x1, y1, wx1, wy1);
    return CountColour(wx0, wy0, wx1, wy1, c, 30);
  }
  std::array<bool, 8> saved{};
  testsupport::TempDir dir;
  ndtest::FakePlayer player;
  std::unique_ptr<ndtest::NdHarness> harness;
};

TEST_F(TextDrawing, WaypointBlockSpeedsAndWind) {
  double askedLat = 0, askedLon = 0;
  RouteDistanceToActive = [&](double lat, double lon) {
    askedLat = lat;
    askedLon = lon;
    return 7.25;
  };
  harness->Load(ndtest::ReferenceScenario("texts"));
  harness->Render();
  ExpectPrinted("RIVRA", Font040, kMagentaText);
  ExpectPrinted("2034.5", Font040, kWhiteText);
  ExpectPrinted("Z", Font035, kWhiteText);
  ExpectPrinted("7.2", Font040, kWhiteText);
  ExpectPrinted("NM", Font035, kWhiteText);
  ExpectPrinted("GS", Font035, kWhiteText);
  ExpectPrinted("TAS", Font035, kWhiteText);
  ExpectPrinted("\xB0/", Font050, kWhiteText);
  ExpectPrinted("12", Font050, kWhiteText);
  EXPECT_DOUBLE_EQ(askedLat, FmcLatitude);
  EXPECT_DOUBLE_EQ(askedLon, FmcLongitude);
  // ETA above distance, both left of their units; GS left of TAS.
  const auto eta = harness->Printed("2034.5")[0], z = harness->Printed("Z")[0];
  const auto dist = harness->Printed("7.2")[0], nm = harness->Printed("NM")[0];
  EXPECT_GT(eta.winY, dist.winY);
  EXPECT_LT(eta.winX, z.winX);
  EXPECT_LT(dist.winX, nm.winX);
  EXPECT_LT(harness->Printed("GS")[0].winX, harness->Printed("TAS")[0].winX);
  // An empty name hides neither ETA nor distance; an ETA of 0 hides both.
  harness->Feed({"MV.WptStr"});
  harness->Render();
  ExpectPrinted("2034.5", Font040, kWhiteText);
  ExpectPrinted("7.2", Font040, kWhiteText);
  harness->Feed({"MV.WptGMT1 0"});
  harness->Render();
  ExpectPrinted("-----", Font040, kWhiteText);
  ExpectPrinted("---", Font040, kWhiteText);
  // Slow, calm, no route: no TAS, no wind block, "---".
  RouteDistanceToActive = nullptr;
  harness->Feed({"MV.TAS 95", "MV.WindSpd 0"});
  harness->Render();
  EXPECT_TRUE(harness->Printed("TAS").empty());
  EXPECT_TRUE(harness->Printed("\xB0/").empty());
  ExpectPrinted("---", Font040, kWhiteText);
  // No position: no name, no speeds, dashes.
  harness->Feed(ndtest::UnalignedIrsLines());
  harness->Render();
  EXPECT_TRUE(harness->Printed("RIVRA").empty());
  EXPECT_TRUE(harness->Printed("GS").empty());
  ExpectPrinted("-----", Font040, kWhiteText);
  ExpectPrinted("---", Font040, kWhiteText);
}

TEST_F(TextDrawing, ModeFlagsAndTerrainNumbers) {
  TerrainMaxElevation = [] { return 12345; };
  TerrainMinElevation = [] { return 8000; };
  harness->Load(ndtest::ReferenceScenario("texts"));
  harness->Feed({"IPC.talt 10000"});
  TrafficVisible = TcasOnFlag = TerrainVisible = AirportsVisible = WaypointsVisible = StationsVisible = true;
  TaOnlyFlag = true;
  harness->Render();
  ExpectPrinted("TFC", Font040, kCyanText);
  ExpectPrinted("TA ONLY", Font040, kCyanText);
  ExpectPrinted("ARPT", Font040, kCyanText);
  ExpectPrinted("WPT", Font040, kCyanText);
  ExpectPrinted("STA", Font040, kCyanText);
  ExpectPrinted("TERR", Font050, kCyanText);
  ExpectPrinted("123", Font050, kRedText);
  ExpectPrinted("80", Font050, kGreenText);
  EXPECT_TRUE(harness->Printed("TCAS").empty());
  // Flags from top to bottom.
  const char* order[] = {"TFC", "TA ONLY", "ARPT", "WPT", "STA", "TERR", "123", "80"};
  for (int i = 1; i < 8; ++i)
    EXPECT_GT(harness->Printed(order[i - 1])[0].winY, harness->Printed(order[i])[0].winY) << order[i];

  // TCAS off: "TCAS" and "OFF" over the traffic boxes and "TA ONLY"; the
  // other flags off.
  TcasOnFlag = AirportsVisible = WaypointsVisible = StationsVisible = false;
  harness->Render();
  ExpectPrinted("TCAS", Font050, kYellowText);
  ExpectPrinted("OFF", Font050, kYellowText);
  ReadBack();
  ExpectPicture("nd-texts-tcas-off");
  EXPECT_EQ(harness->Printed("TCAS")[0].winY, harness->Printed("TFC")[0].winY);
  for (const char* hidden : {"ARPT", "WPT", "STA"}) EXPECT_TRUE(harness->Printed(hidden).empty()) << hidden;

  // Highest 0 and lowest 99999 are hidden; so are both without a position.
  TerrainMaxElevation = [] { return 0; };
  TerrainMinElevation = [] { return 99999; };
  harness->Render();
  EXPECT_EQ(BelowTerrainFlag(), 0);
  // Out of every band: black on its black box.
  TerrainMaxElevation = [] { return 200000; };
  harness->Render();
  ExpectPrinted("2000", Font050, {0, 0, 0});
  TerrainMaxElevation = [] { return 12345; };
  TerrainMinElevation = [] { return 8000; };
  harness->Feed(ndtest::UnalignedIrsLines());
  harness->Render();
  ExpectPrinted("TERR", Font050, kCyanText);
  EXPECT_EQ(BelowTerrainFlag(), 0);
  // "TA ONLY" without traffic shown: neither "TFC" nor "TCAS".
  TrafficVisible = false;
  TaOnlyFlag = true;
  harness->Render();
  ExpectPrinted("TA ONLY", Font040, kCyanText);
  EXPECT_TRUE(harness->Printed("TFC").empty() && harness->Printed("TCAS").empty());
  // Terrain off: no terrain flag and no numbers.
  TerrainVisible = false;
  harness->Feed(ndtest::AlignedIrsLines());
  harness->Render();
  EXPECT_TRUE(harness->Printed("TERR").empty());
  EXPECT_TRUE(harness->Printed("123").empty());
}

TEST_F(TextDrawing, TrafficAnnunciationYellowOnBlack) {
  harness->Load(ndtest::ReferenceScenario("texts"));
  Flags(true, false, false, false, false);
  harness->Render();
  ReadBack();
  ExpectPicture("nd-texts-traffic");
  ExpectPrinted("TRAFFIC", Font8Alias, kYellowText);
  // The box spans (60, 78.5) to (101, 86.8) about the aircraft.
  EXPECT_GT(In(60, 78.5, 101, 86.8, kYellow), 100);
  EXPECT_GT(In(60, 78.5, 101, 86.8, kBlack), 100);
  EXPECT_EQ(In(60, 78.5, 101, 86.8, kRed), 0);
  EXPECT_TRUE(harness->Printed("TERRAIN").empty());
  // A clearance floor alert takes it away.
  Flags(true, false, true, false, false);
  harness->Render();
  EXPECT_TRUE(harness->Printed("TRAFFIC").empty());
}

TEST_F(TextDrawing, TerrainAnnunciationYellowForCautionRedForWarning) {
  harness->Load(ndtest::ReferenceScenario("texts"));
  struct Case {
    const char* name;
    bool caution, warning;
    Colour text;
    Rgba pixel, absent;
  } cases[] = {{"nd-texts-terrain-caution", true, false, kYellowText, kYellow, kRed},
               {"nd-texts-terrain-warning", false, true, kRedText, kRed, kYellow},
               {"nd-texts-terrain-warning", true, true, kRedText, kRed, kYellow}};  // the warning wins
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Flags(true, false, false, c.caution, c.warning);  // traffic as well: suppressed
    harness->Render();
    ReadBack();
    ExpectPicture(c.name);
    ExpectPrinted("TERRAIN", Font8Alias, c.text);
    EXPECT_TRUE(harness->Printed("TRAFFIC").empty());
    // The box spans (66, 78.5) to (106, 88) about the aircraft.
    EXPECT_GT(In(66, 78.5, 106, 88, c.pixel), 100);
    EXPECT_EQ(In(66, 78.5, 106, 88, c.absent), 0);
  }
  EXPECT_EQ(player.Opened(dir.Path() + "/"),
            (std::vector<std::string>{Talert::kCautionSound, Talert::kWarningSound}));
}

TEST_F(TextDrawing, AdvisoryTurningResolutionKeepsTrafficWithoutReplay) {
  harness->Load(ndtest::ReferenceScenario("texts"));
  const struct {
    bool ta, ra;
  } frames[] = {{true, false}, {false, true}, {true, true}, {false, true}};
  for (const auto& f : frames) {
    Flags(f.ta, f.ra, false, false, false);
    harness->Render();
    EXPECT_EQ(harness->Printed("TRAFFIC").size(), 1u);
  }
  EXPECT_EQ(player.Opened(dir.Path() + "/"), (std::vector<std::string>{Talert::kTrafficSound}));
  // The profile layout shows it too.
  harness->Load(ndtest::ReferenceScenario("profile"));
  harness->Render();
  ReadBack();
  ExpectPicture("nd-profile-traffic");
  EXPECT_EQ(harness->Printed("TRAFFIC").size(), 1u);
  EXPECT_EQ(player.Opened(dir.Path() + "/").size(), 1u);
}

TEST_F(TextDrawing, InhibitedTerrainKeepsItsTextSilently) {
  TerrainInhibited = true;
  harness->Load(ndtest::ReferenceScenario("texts"));
  Flags(false, false, true, true, false);
  harness->Render();
  ExpectPrinted("TERRAIN", Font8Alias, kYellowText);
  EXPECT_TRUE(player.calls.empty());
}

}  // namespace
