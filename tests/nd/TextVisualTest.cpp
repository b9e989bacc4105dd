// The ND texts' builders and broker variables, and the alert element's
// sounds: which plays when, in which order, and what is logged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "shared/Udebug.h"
#include "nd/UtextVisual.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/FakePlayer.h"

namespace {

using ndtest::FakePlayer;

TEST(TextBuilders, EtaDigitsAndHiddenEta) {
  struct Case {
    int eta;
    bool shown;
    const char* text;
  } cases[] = {{12345, true, "2034.5"}, {650, true, "0105.0"}, {7200, true, "1200.0"}, {1, true, "0000.1"},
               {0, true, "-----"},      {-650, true, "-----"}, {12345, false, "-----"}};
  for (const Case& c : cases) EXPECT_EQ(EtaText(c.eta, c.shown), c.text) << c.eta;
}

TEST(TextBuilders, DistanceDropsLeadingZerosAndTenthsFrom100) {
  struct Case {
    double d;
    bool shown;
    const char* text;
  } cases[] = {{0.4, true, "0.4"},   {7.25, true, "7.2"},   {123.4, true, "123"},  {1234.5, true, "1234"},
               {99.95, true, "99.9"}, {100, true, "100"},   {0, true, "0.0"},      {10, true, "10.0"},
               {1000, true, "1000"},  {1.0, true, "1.0"},   {-1, true, "---"},     {5, false, "---"},
               {std::nan(""), true, "---"}};
  for (const Case& c : cases) EXPECT_EQ(DistanceText(c.d, c.shown), c.text) << c.d;
}

TEST(TextBuilders, SpeedSlotsLeaveLeadingZerosEmpty) {
  using S = std::array<std::string, 3>;
  struct Case {
    double v;
    S slots;
  } cases[] = {{5, {"", "", "5"}},     {250, {"2", "5", "0"}}, {0, {"", "", "0"}},
               {105, {"1", "0", "5"}}, {99.9, {"", "9", "9"}}, {1250, {"2", "5", "0"}},
               {-5, {"", "", ""}},     {std::nan(""), {"", "", ""}}};
  for (const Case& c : cases) EXPECT_EQ(SpeedSlots(c.v), c.slots) << c.v;
}

TEST(TextBuilders, WindDirectionDigitsAreTruncatedAndSpeedRoundedToEven) {
  using S = std::array<std::string, 3>;
  EXPECT_EQ(WindDirectionDigits(45), (S{"0", "4", "5"}));
  EXPECT_EQ(WindDirectionDigits(359.7), (S{"3", "5", "9"}));
  EXPECT_EQ(WindDirectionDigits(0), (S{"0", "0", "0"}));
  EXPECT_EQ(WindSpeedText(12.5), "12");
  EXPECT_EQ(WindSpeedText(13.5), "14");
  EXPECT_EQ(WindSpeedText(std::numeric_limits<double>::infinity()), "2147483647");
}

TEST(TextBuilders, ElevationColourBandsWithTruncation) {
  enum Band { None, Green, Amber, Red };
  struct Case {
    int elevation, altitude;
    Band band;
  } cases[] = {
      {-50000, 0, Green}, {-50010, 0, None},   // a = -5000 / -5001
      {-510, 0, Green},   {-509, 0, Amber},    // 510 ft below / 509 ft below
      {-500, 0, Amber},   {1999, 0, Amber},    // a = -50 / 199
      {2000, 0, Red},     {99909, 0, Red},     // a = 200 / 9990
      {99910, 0, None},                        // a = 9991
      {12345, 10000, Red}, {8000, 10000, Green},
      {std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), None},
  };
  for (const Case& c : cases) {
    const auto colour = ElevationColourOf(c.elevation, c.altitude);
    Band got = None;
    if (colour) got = colour->b == 0.2f ? Amber : colour->r == 1 ? Red : Green;
    EXPECT_EQ(got, c.band) << c.elevation << " at " << c.altitude;
  }
}

TEST(TextParse, WaypointVariables) {
  Ttext t;
  t.ParseLine("MV.WptGMT1 12345 MV.WptStr abcdefghij MV.WptLen 10");
  EXPECT_EQ(t.WaypointEta, 12345);
  EXPECT_EQ(t.WaypointName, "abcdefgh");  // at most 8 characters
  EXPECT_EQ(t.WaypointLength, 10);
  t.ParseLine("MV.WptGMT2 0");  // keeps the first ETA
  EXPECT_EQ(t.WaypointEta, 12345);
  t.ParseLine("MV.WptGMT2 7200");
  EXPECT_EQ(t.WaypointEta, 7200);
  t.ParseLine("MV.WptGMT1 100");  // the second ETA still wins
  EXPECT_EQ(t.WaypointEta, 7200);
  EXPECT_EQ(t.AlternateEta, 7200);
  // Ignored: connection notices, lines without a waypoint variable, empty lines.
  for (const char* line : {"Conn MV.WptGMT1 5 MV.WptStr X", "IPC.talt 5 MV.GMT1 5", ""}) t.ParseLine(line);
  EXPECT_EQ(t.WaypointName, "abcdefgh");
  EXPECT_EQ(t.AlternateEta, 7200);
  t.ParseLine("MV.WptStr kSEA\r");
  EXPECT_EQ(t.WaypointName, "kSEA");
  t.ParseLine("MV.WptLen 4x MV.WptStr");  // lenient number, an empty name
  EXPECT_EQ(t.WaypointLength, 4);
  EXPECT_EQ(t.WaypointName, "");
}

TEST(TextParse, WhatTheWaypointBlockShows) {
  Ttext t;
  t.WaypointName = "#";
  t.WaypointLength = 1;
  EXPECT_FALSE(t.WaypointShown(true));
  EXPECT_FALSE(t.NameShown(true));
  t.WaypointName = "#ABC";  // only exactly "#" hides
  EXPECT_TRUE(t.NameShown(true));
  EXPECT_FALSE(t.NameShown(false));
  t.WaypointLength = 0;
  EXPECT_FALSE(t.NameShown(true));
  EXPECT_TRUE(t.WaypointShown(true));
}

struct Frame {
  bool traffic, floor, caution, warning;
};

class AlertSounds : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    folder = dir.Path() + "/";
    alert.Init(&player, folder);
    DebugFileName = dir.File("debug.txt");
    ResetDebug();
  }
  std::vector<std::string> Run(const std::vector<Frame>& frames) {
    for (const Frame& f : frames) alert.Update(f.traffic, f.floor, f.caution, f.warning, inhibited);
    return player.Opened(folder);
  }
  bool inhibited = false;  // the crew's terrain inhibit
  testsupport::TempDir dir;
  std::string folder;
  FakePlayer player;
  Talert alert;
};

constexpr Frame kNone{false, false, false, false};
constexpr Frame kTraffic{true, false, false, false};
constexpr Frame kFloor{false, true, false, false};
constexpr Frame kCaution{false, false, true, false};
constexpr Frame kWarning{false, false, false, true};
constexpr Frame kCautionWarning{false, false, true, true};

TEST_F(AlertSounds, EachSoundOncePerAlertInPriorityOrder) {
  using V = std::vector<std::string>;
  const std::string traffic = Talert::kTrafficSound, caution = Talert::kCautionSound,
                    warning = Talert::kWarningSound, floor = Talert::kFloorSound;
  struct Case {
    const char* name;
    std::vector<Frame> frames;
    V sounds;
  } cases[] = {
      {"caution for ten frames, a gap, again",
       {kCaution, kCaution, kCaution, kCaution, kCaution, kCaution, kCaution, kCaution, kCaution, kCaution,
        kNone, kCaution},
       {caution, caution}},
      {"caution turning warning, cleared, caution",
       {kCaution, kCautionWarning, kWarning, kWarning, kNone, kCaution},
       {caution, warning, caution}},
      {"warning back to caution keeps both marked", {kCaution, kWarning, kCaution, kWarning}, {caution, warning}},
      {"traffic during a caution plays when the caution clears",
       {{true, false, true, false}, {true, false, true, false}, kTraffic, kTraffic},
       {caution, traffic}},
      {"floor with a caution plays only the caution", {{false, true, true, false}, {false, true, true, false}}, {caution}},
      {"all four: the warning only", {{true, true, true, true}}, {warning}},
      {"floor before traffic", {{true, true, false, false}, {true, true, false, false}, kTraffic}, {floor, traffic}},
      {"floor cleared and back", {kFloor, kFloor, kNone, kFloor}, {floor, floor}},
      {"traffic cleared and back", {kTraffic, kTraffic, kNone, kTraffic}, {traffic, traffic}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    player.calls.clear();
    alert.Init(&player, folder);
    EXPECT_EQ(Run(c.frames), c.sounds);
    Run({kNone});
  }
}

TEST_F(AlertSounds, PlayClosesThenOpensAndPlaysAndLogsTheSuccess) {
  alert.Update(true, false, false, false, false);
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Close", "Open " + folder + "audio/TrafficTraffic.wav", "Play"}));
  EXPECT_FALSE(player.AutoOpen);
  const std::string log = testsupport::ReadFile(DebugFileName);
  const auto trying = log.find(" Sound Alerts: Trying to play audio/TrafficTraffic.wav\n");
  const auto played = log.find(" Sound Alerts: audio/TrafficTraffic.wav successfully played.\n");
  ASSERT_NE(trying, std::string::npos) << log;
  ASSERT_NE(played, std::string::npos) << log;
  EXPECT_LT(trying, played);
}

TEST_F(AlertSounds, AFailedSoundIsNotRetriedAndLogsNoSuccess) {
  for (bool openFails : {true, false}) {
    SCOPED_TRACE(openFails);
    ResetDebug();
    FakePlayer failing;
    failing.failOpen = openFails;
    failing.failPlay = !openFails;
    Talert a;
    a.Init(&failing, folder);
    for (int i = 0; i < 3; ++i) a.Update(false, false, true, false, false);
    EXPECT_EQ(failing.Opened(folder), (std::vector<std::string>{Talert::kCautionSound}));
    EXPECT_TRUE(a.CautionPlayed);
    const std::string log = testsupport::ReadFile(DebugFileName);
    EXPECT_NE(log.find("Trying to play audio/CautionTerrain.wav"), std::string::npos);
    EXPECT_EQ(log.find("successfully played"), std::string::npos) << log;
  }
}

TEST_F(AlertSounds, InhibitedTerrainIsSilentButTrafficIsNot) {
  inhibited = true;
  EXPECT_TRUE(Run({kCaution, kCautionWarning, kNone, kFloor}).empty());
  EXPECT_TRUE(alert.FloorPlayed);
  Run({kNone, kCaution, kWarning});
  EXPECT_TRUE(alert.CautionPlayed);
  EXPECT_TRUE(alert.WarningPlayed);
  EXPECT_TRUE(player.calls.empty());
  // Lifting the inhibit during the alert does not bring the sound back.
  inhibited = false;
  EXPECT_TRUE(Run({kWarning}).empty());
  EXPECT_EQ(Run({kNone, kTraffic}), (std::vector<std::string>{Talert::kTrafficSound}));
}

TEST_F(AlertSounds, RealPlayerWithoutAudioFolderLogsEachTryOnly) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  platform::TMediaPlayer real;
  alert.Init(&real, folder);
  Run({kTraffic, kCaution, kWarning, kFloor, kNone});
  const std::string log = testsupport::ReadFile(DebugFileName);
  for (const char* f : {Talert::kTrafficSound, Talert::kCautionSound, Talert::kWarningSound, Talert::kFloorSound})
    EXPECT_NE(log.find(std::string(" Sound Alerts: Trying to play ") + f + "\n"), std::string::npos) << f;
  EXPECT_EQ(log.find("successfully played"), std::string::npos);
}

TEST_F(AlertSounds, WithoutASoundDeviceOneLineSaysSoAndTheDeviceIsTriedOnce) {
  player.noDevice = true;
  for (int i = 0; i < 20; ++i) Run({kTraffic, kNone, kCaution, kWarning, kNone, kFloor, kNone});
  EXPECT_EQ(player.Opened(folder).size(), 1u);
  const std::string log = testsupport::ReadFile(DebugFileName);
  const std::string line = " Sound Alerts: No sound device; the alerts are silent.\n";
  const auto at = log.find(line);
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find(line, at + 1), std::string::npos) << log;
  // Each sound still says that it was tried.
  EXPECT_NE(log.find("Trying to play audio/TerrainPullUp.wav"), std::string::npos);
}

TEST_F(AlertSounds, RepeatedTriesOfOneSoundAreCountedNotWritten) {
  player.failOpen = true;
  for (int i = 0; i < 50; ++i) Run({kTraffic, kNone});
  const std::string log = testsupport::ReadFile(DebugFileName);
  std::size_t lines = 0;
  for (std::size_t at = log.find("Trying to play"); at != std::string::npos; at = log.find("Trying to play", at + 1))
    ++lines;
  EXPECT_EQ(lines, 1u) << log;
  EXPECT_EQ(player.Opened(folder).size(), 50u);
}

}  // namespace
