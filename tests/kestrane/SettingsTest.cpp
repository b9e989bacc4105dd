#include <gtest/gtest.h>

#include "kestrane/KestraneMain.h"
#include "tests/common/TestSupport.h"

using platform::TIniFile;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {
bool PfdOnlyFor(std::vector<const char*> args) {
  args.insert(args.begin(), "kestrane");
  return PfdOnlyFromCommandLine(static_cast<int>(args.size()), args.data());
}

class Settings : public ::testing::Test {
 protected:
  void SetUp() override { PfdOnly = false; }
  void TearDown() override { PfdOnly = false; }
  TempDir dir;
  std::string File() const { return dir.File("config.ini"); }
};
}  // namespace

TEST(CommandLine, OnlyTheFirstArgumentSelectsPfdOnly) {
  EXPECT_TRUE(PfdOnlyFor({"-p"}));
  EXPECT_TRUE(PfdOnlyFor({"-P"}));
  EXPECT_TRUE(PfdOnlyFor({"-pfdonly"}));
  EXPECT_TRUE(PfdOnlyFor({"-PFDONLY"}));
  EXPECT_TRUE(PfdOnlyFor({"-PfdOnly", "x"}));
  EXPECT_FALSE(PfdOnlyFor({"-PFD"}));
  EXPECT_FALSE(PfdOnlyFor({""}));
  EXPECT_FALSE(PfdOnlyFor({"x", "-p"}));
  EXPECT_FALSE(PfdOnlyFor({}));
}

TEST_F(Settings, MissingFileGivesEveryDefault) {
  ReadSettings(TIniFile(File()));
  EXPECT_EQ(SavedWindowLeft, 499);
  EXPECT_EQ(SavedWindowTop, 241);
  EXPECT_EQ(SavedWindowHeight, 453);
  EXPECT_EQ(SavedWindowWidth, 450);
  EXPECT_EQ(ScreenRotation, 0);
  EXPECT_EQ(BrokerHost, "localhost");
  EXPECT_EQ(BrokerPort, "1863");
  EXPECT_TRUE(StationsVisible && WaypointsVisible && AirportsVisible && TrafficVisible &&
              TerrainVisible && PositionVisible && NdDataVisible);
  EXPECT_FALSE(TerrainTextures);
  EXPECT_TRUE(ShowSeaLevel);
  EXPECT_TRUE(PfdVisible);
  EXPECT_TRUE(NdVisible);
  EXPECT_FALSE(DrawInBackground);
  EXPECT_FALSE(SmoothLines);
  EXPECT_TRUE(CaptainSide);
  EXPECT_FALSE(HideBelowCompassArc);
}

TEST_F(Settings, GarbageGivesDefaultsAnyCaseMatchesAndTwoIsTrue) {
  WriteFile(File(),
            "[KESTRANE SETTINGS]\nwindow left pos=abc\nWINDOW TOP POS=12\nrotation=45\n"
            "draw in background=2\n[pfd settings]\nsmooth lines=1\n[ND Settings]\nTerrain Textures=1\n");
  ReadSettings(TIniFile(File()));
  EXPECT_EQ(SavedWindowLeft, 499);
  EXPECT_EQ(SavedWindowTop, 12);
  EXPECT_EQ(ScreenRotation, 0);  // not a quarter turn
  EXPECT_TRUE(DrawInBackground);
  EXPECT_TRUE(SmoothLines);
  EXPECT_FALSE(TerrainTextures);  // always starts off
}

TEST_F(Settings, QuarterTurnsAreKept) {
  for (int r : {0, 90, 180, 270}) {
    WriteFile(File(), "[Kestrane Settings]\nRotation=" + std::to_string(r) + "\n");
    ReadSettings(TIniFile(File()));
    EXPECT_EQ(ScreenRotation, r);
  }
}

TEST_F(Settings, WritesEveryKeyInOrderAndKeepsOtherSections) {
  WriteFile(File(), "; my notes\n[Lunavex Settings]\nSize=80\n[TCP/IP Settings]\nIPAdress=sim\nIPPort=2000\n");
  TIniFile ini(File());
  ReadSettings(ini);
  WriteSettings(ini, {10, 20, 300, 400});
  const std::string text = ReadFile(File());
  EXPECT_NE(text.find("; my notes\n[Lunavex Settings]\nSize=80\n"), std::string::npos);
  EXPECT_NE(text.find("IPAdress=sim\nIPPort=2000\n"), std::string::npos);
  const char* order[] = {"Smooth Lines=", "Stations Visible=", "Airports Visible=",
                         "Traffic Visible=", "Terrain Visible=", "Waypoints Visible=",
                         "Position Visible=", "Data Visible=", "Terrain Textures=", "Sea Level=",
                         "PFD Visible=", "ND Visible=", "Captains Instruments=",
                         "Draw in Background=", "Window Left Pos=10", "Window Top Pos=20",
                         "Window Height=300", "Window Width=400", "Rotation=", "Stencil="};
  size_t last = 0;
  for (const char* key : order) {
    size_t at = text.find(key);
    ASSERT_NE(at, std::string::npos) << key;
    if (std::string(key).rfind("Smooth", 0) != 0 && std::string(key).find("Visible") == std::string::npos &&
        std::string(key).rfind("Terrain Textures", 0) != 0 && std::string(key).rfind("Sea", 0) != 0) {
      EXPECT_GT(at, last) << key;  // keys of one section appear in writing order
      last = at;
    }
  }
}

TEST_F(Settings, PfdOnlyNeverWritesTheDisplayFlags) {
  WriteFile(File(), "[Kestrane Settings]\nPFD Visible=0\nND Visible=1\n");
  TIniFile ini(File());
  ReadSettings(ini);
  PfdOnly = true;
  PfdVisible = true;
  NdVisible = false;
  WriteSettings(ini, {499, 241, 453, 450});
  EXPECT_EQ(ini.ReadString("Kestrane Settings", "PFD Visible", ""), "0");
  EXPECT_EQ(ini.ReadString("Kestrane Settings", "ND Visible", ""), "1");
}

TEST_F(Settings, ReadThenWriteChangesNothing) {
  WriteFile(File(), "");
  TIniFile ini(File());
  ReadSettings(ini);
  WriteSettings(ini, {SavedWindowLeft, SavedWindowTop, SavedWindowHeight, SavedWindowWidth});
  const std::string first = ReadFile(File());
  ReadSettings(ini);
  WriteSettings(ini, {SavedWindowLeft, SavedWindowTop, SavedWindowHeight, SavedWindowWidth});
  EXPECT_EQ(ReadFile(File()), first);
}

TEST_F(Settings, HostWithLineBreakIsNeverWritten) {
  TIniFile ini(File());
  ReadSettings(ini);
  BrokerHost = "evil\r\n[EFIS Settings]\r\nTerrain Visible=0";
  WriteSettings(ini, {499, 241, 453, 450});
  EXPECT_EQ(ini.ReadString("TCP/IP Settings", "IPAdress", "missing"), "missing");
  EXPECT_EQ(ini.ReadString("EFIS Settings", "Terrain Visible", ""), "1");
  BrokerHost = "localhost";
}

TEST(Geometry, AbsurdOrOffScreenFallsBackToDefaults) {
  const std::vector<ScreenRect> screens = {{0, 0, 1280, 1024}};
  const WindowGeometry def{499, 241, 453, 450};
  auto same = [](WindowGeometry a, WindowGeometry b) {
    return a.left == b.left && a.top == b.top && a.height == b.height && a.width == b.width;
  };
  EXPECT_TRUE(same(CheckedGeometry({10, 20, 300, 400}, screens), {10, 20, 300, 400}));
  EXPECT_TRUE(same(CheckedGeometry({10, 20, -300, 400}, screens), def));
  EXPECT_TRUE(same(CheckedGeometry({10, 20, 300, 100000}, screens), def));
  EXPECT_TRUE(same(CheckedGeometry({5000, 20, 300, 400}, screens), def));
  EXPECT_TRUE(same(CheckedGeometry({-390, 20, 300, 400}, screens), def));  // 10 px visible
  // A second screen to the left makes negative positions valid.
  EXPECT_TRUE(same(CheckedGeometry({-900, 20, 300, 400}, {{-1280, 0, 1280, 1024}, screens[0]}),
                   {-900, 20, 300, 400}));
}
