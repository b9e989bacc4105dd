// The real Kestrane executable in a temporary program folder on a private
// X server.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/IniFile.h"
#include "tests/common/TestSupport.h"
#include "tests/common/WholeProgram.h"

using namespace wholeprogram;

namespace {

// debug.txt without the time stamps (everything up to the first blank).
std::vector<std::string> LogMessages(const std::string& file) {
  std::vector<std::string> out;
  std::string text = testsupport::ReadFile(file);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(pos, nl - pos);
    size_t blank = line.find(' ');
    out.push_back(blank == std::string::npos ? "" : line.substr(blank));
    pos = nl + 1;
  }
  return out;
}

// The log lines of loading the staged runway files, one pair per file.
std::vector<std::string> AirportLoadLines() {
  std::vector<std::string> out;
  for (const char* f : {"747afr.apt", "747asi.apt", "747eur.apt", "747nam.apt", "747npo.apt", "747sam.apt",
                        "747spa.apt", "747spo.apt"}) {
    out.push_back(std::string(" Airports: Trying to load airports from ") + f);
    out.push_back(" Airports: Load successful.");
  }
  return out;
}

// The navaid files in search order, then the start position's waypoint
// region.
std::vector<std::string> NavaidLoadLines() {
  std::vector<std::string> out;
  for (char c = 'a'; c <= 'j'; ++c) {
    out.push_back(std::string(" Navaids: Trying to load navaids from 747s.p") + c);
    out.push_back(" Navaids: Load successful.");
  }
  out.push_back(" Waypoints: Trying to load navaids from 747w.pc");
  out.push_back(" Waypoints: Load successful.");
  return out;
}

class KestraneProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.Start()) << "no X server";
  }
  XServer x;
};

}  // namespace

TEST_F(KestraneProgram, StartsLogsShowsItsWindowAndSavesOnSigterm) {
  Program prog("kestrane", std::string("[Kestrane Settings]\nWindow Left Pos=100\nWindow Top Pos=80\n"
                                       "Window Height=420\nWindow Width=700\n[Lunavex Settings]\nKeep=1\n"));
  ASSERT_TRUE(prog.Ready()) << prog.Error();
  // The staged databases are linked in.
  ASSERT_TRUE(prog.Start({}, x.Display()));
  unsigned long win = FindWindow("External Kestrane for PS1.3", 15000, prog.Pid(), x.Display());
  ASSERT_NE(win, 0ul);
  ASSERT_TRUE(WaitForLine(prog.File("debug.txt"), " Startup: Initialization complete.", 15000));
  int wx = 0, wy = 0, ww = 0, wh = 0;
  ASSERT_TRUE(WindowGeometry(win, wx, wy, ww, wh, x.Display()));
  EXPECT_EQ(ww, 700);
  EXPECT_EQ(wh, 420);

  ExitStatus st = prog.Terminate(15000);
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);

  auto log = LogMessages(prog.File("debug.txt"));
  std::vector<std::string> expectedStart = {
      " Ident: Kestrane V 0.98.8 (Beta) -  Dec 21th 2004",
      " Startup: ND Form Created.",
      " Startup: Working Directory = " + prog.Folder() + "/",
      " Startup: PS1.3 directory set. data",
      " Startup: Init of ND display objects."};
  for (const std::string& l : AirportLoadLines()) expectedStart.push_back(l);
  expectedStart.push_back(" Startup: Init of ND data loading.");
  for (const std::string& l : NavaidLoadLines()) expectedStart.push_back(l);
  expectedStart.push_back(" Startup: Initialization complete.");
  // The terrain element's lines come between the last two; they are
  // checked on their own.
  std::vector<std::string> shell, terrainLines;
  for (const std::string& line : log) (line.rfind(" Terrain: ", 0) == 0 ? terrainLines : shell).push_back(line);
  ASSERT_GE(shell.size(), expectedStart.size());
  for (size_t i = 0; i < expectedStart.size(); ++i) EXPECT_EQ(shell[i], expectedStart[i]) << i;
  const auto loading = std::find(log.begin(), log.end(), " Startup: Init of ND data loading.");
  ASSERT_TRUE(loading != log.end() && loading + 1 != log.end());
  EXPECT_EQ(*(loading + 1), " Terrain: Load Terrain from tile 11,8");
  // The staged demo tile holds all nine blocks around the start position.
  ASSERT_EQ(terrainLines.size(), 1u + 9 * 3 + 1);
  EXPECT_EQ(terrainLines[1], " Terrain: Trying to load terrain from 11,8");
  EXPECT_EQ(terrainLines[2], " Terrain: Trying.......... Filename = \\data\\w140n90");
  EXPECT_EQ(terrainLines[3], " Terrain: Load Success.... Filename = \\data\\w140n90");
  EXPECT_EQ(terrainLines.back(), " Terrain: Elevation Data removed from memory");
  const std::vector<std::string> expectedEnd = {
      " File/Exit: Trying to exit program.", " File/Exit: ND refresh TIMER stopped.",
      " File/Exit: Leaving program.", " Alt-F4: Trying to disconnect from Broker.",
      " Alt-F4: ND refresh TIMER stopped.", " Alt-F4: Disconnected from Broker."};
  auto at = std::search(log.begin(), log.end(), expectedEnd.begin(), expectedEnd.end());
  ASSERT_NE(at, log.end());
  // The runway element goes at the end.
  EXPECT_EQ(std::count(at, log.end(), " Aiports: Freeing used memory"), 1);
  EXPECT_EQ(std::count(at, log.end(), " Navaids: Freeing used memory"), 1);
  EXPECT_EQ(std::count(at, log.end(), " Waypoints: Freeing used memory"), 1);

  platform::TIniFile ini(prog.File("config.ini"));
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Window Left Pos", -1), 100);
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Window Top Pos", -1), 80);
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Window Height", -1), 420);
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Window Width", -1), 700);
  EXPECT_EQ(ini.ReadString("Lunavex Settings", "Keep", ""), "1");
  for (const char* key : {"Smooth Lines"})
    EXPECT_NE(ini.ReadString("PFD Settings", key, "none"), "none");
  for (const char* key : {"IPAdress", "IPPort"})
    EXPECT_NE(ini.ReadString("TCP/IP Settings", key, "none"), "none");
  for (const char* key : {"Stations Visible", "Airports Visible", "Traffic Visible", "Terrain Visible",
                          "Waypoints Visible", "Position Visible", "Data Visible"})
    EXPECT_NE(ini.ReadString("EFIS Settings", key, "none"), "none") << key;
  for (const char* key : {"Terrain Textures", "Sea Level"})
    EXPECT_NE(ini.ReadString("ND Settings", key, "none"), "none") << key;
  for (const char* key : {"PFD Visible", "ND Visible", "Captains Instruments", "Draw in Background",
                          "Rotation", "Stencil"})
    EXPECT_NE(ini.ReadString("Kestrane Settings", key, "none"), "none") << key;
}

// The window system may place a window elsewhere than asked (here: not
// above y 20 without a window manager); an unmoved window keeps its values.
TEST_F(KestraneProgram, UnmovedWindowKeepsItsSavedGeometry) {
  Program prog("kestrane", std::string("[Kestrane Settings]\nWindow Left Pos=3\nWindow Top Pos=4\n"
                                       "Window Height=400\nWindow Width=500\n"));
  ASSERT_TRUE(prog.Ready()) << prog.Error();
  testsupport::WriteFile(prog.File("data/747world.mv"), "x");
  ASSERT_TRUE(prog.Start({}, x.Display()));
  ASSERT_TRUE(WaitForLine(prog.File("debug.txt"), " Startup: Initialization complete.", 15000));
  EXPECT_EQ(prog.Terminate(15000).code, 0);
  platform::TIniFile ini(prog.File("config.ini"));
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Window Left Pos", -1), 3);
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Window Top Pos", -1), 4);
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Window Height", -1), 400);
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Window Width", -1), 500);
}

TEST_F(KestraneProgram, PfdOnlyModeKeepsTheDisplayFlags) {
  Program prog("kestrane", std::string("[Kestrane Settings]\nPFD Visible=0\nND Visible=1\n"));
  ASSERT_TRUE(prog.Ready()) << prog.Error();
  ASSERT_TRUE(prog.Start({"-P"}, x.Display()));
  ASSERT_TRUE(WaitForLine(prog.File("debug.txt"), " Startup: Initialization complete.", 15000));
  ExitStatus st = prog.Terminate(15000);
  EXPECT_EQ(st.code, 0);
  auto log = LogMessages(prog.File("debug.txt"));
  // The runways load in PFD-only mode too: the PFD shows the field's elevation.
  std::vector<std::string> expected = {
      " Ident: Kestrane V 0.98.8 (Beta) -  Dec 21th 2004", " Startup: ND Form Created.",
      " Startup: Working Directory = " + prog.Folder() + "/",
      " Startup: PS1.3 directory set. data", " Startup: Init of ND display objects."};
  for (const std::string& l : AirportLoadLines()) expected.push_back(l);
  expected.push_back(" Startup: Initialization complete.");
  ASSERT_GE(log.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(log[i], expected[i]) << i;
  platform::TIniFile ini(prog.File("config.ini"));
  EXPECT_EQ(ini.ReadString("Kestrane Settings", "PFD Visible", ""), "0");
  EXPECT_EQ(ini.ReadString("Kestrane Settings", "ND Visible", ""), "1");
}
