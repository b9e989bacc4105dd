// The staged program under its own X server against the scripted broker:
// start, connect through the File menu, receive, exit; its "config.ini",
// its standard error and a screenshot of its window; and a broker that
// floods it with valid lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/FloodServer.h"
#include "tests/common/TestSupport.h"
#include "tests/common/WholeProgram.h"

using namespace wholeprogram;

namespace {

const std::vector<std::string> kEnv = {"LIBGL_ALWAYS_SOFTWARE=1"};

// The window at a known place: 419 x 625 with a 25-pixel menu bar leaves a
// 419 x 600 GL area, three instruments of 200 pixels from x = 109.
std::string Settings(int port, const std::string& extra = "") {
  return BrokerConfig(port) +
         "[Lunavex Settings]\nAttitude Indicator=1\nAirspeed Indicator=1\nAltimeter=1\n"
         "Window Left Pos=20\nWindow Top Pos=10\nWindow Height=625\nWindow Width=419\n" +
         extra;
}

std::string Scenario(const std::string& text) {
  static testsupport::TempDir dir;
  static int n = 0;
  std::string file = dir.File("scenario" + std::to_string(++n) + ".txt");
  testsupport::WriteFile(file, text);
  return file;
}

// File menu, Connect: Alt+F opens the menu, "c" picks its &Connect.
void ClickConnect(unsigned long window, const std::string& display) {
  ASSERT_TRUE(SendKey(window, "f", kAlt, display));
  Pause(300);
  ASSERT_TRUE(SendKey(window, "c", 0, display));
}

bool IsSky(Rgb p) { return p.b > 120 && p.b > p.r + 60; }

struct Slot {
  int x0, y0;  // top-left of an instrument in the window, y from the top
};

// Pixels of a 200-pixel instrument slot, in instrument units (-125..125).
Rgb SlotPixel(const Image& img, const Slot& s, double x, double y) {
  return img.Pixel(s.x0 + static_cast<int>(100 + x * 0.8), s.y0 + static_cast<int>(100 - y * 0.8));
}

int CountWhite(const Image& img, const Slot& s, double x0, double y0, double x1, double y1) {
  return img.CountColour(s.x0 + static_cast<int>(100 + x0 * 0.8), s.y0 + static_cast<int>(100 - y1 * 0.8),
                         s.x0 + static_cast<int>(100 + x1 * 0.8), s.y0 + static_cast<int>(100 - y0 * 0.8),
                         {255, 255, 255}, 60);
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::Exists(testsupport::StageDir() + "/lunavex")) GTEST_SKIP() << "lunavex not staged";
    ASSERT_TRUE(x_.Start(1024, 768)) << "no Xvfb";
  }
  XServer x_;
};

}  // namespace

TEST_F(ProgramTest, ConnectsReceivesDrawsAndExits) {
  // The five variables of a reference state, after a notice, a line split
  // over two sends, and a line too long for the receive buffer.
  const std::string scenario = Scenario(
      "+100 Connected to broker\n"
      "+50 @raw IPC.pitch 0 IPC.ba\n"
      "+30 @raw nk 0\\r\\n\n"
      "+50 @fill 1500 x\n"
      "+50 \n"
      "+50 IPC.ias 130 IPC.dalt 12345\n"
      "+50 altim 2992\n"
      "+200 @repeat\n");
  ScriptedBroker broker;
  ASSERT_TRUE(broker.Start(scenario, ""));
  Program program("lunavex", Settings(broker.Port()));
  ASSERT_TRUE(program.Ready()) << program.Error();
  ASSERT_TRUE(program.Start({}, x_.Display(), kEnv));
  const unsigned long window = FindWindow("Lunavex", 15000, program.Pid(), x_.Display());
  ASSERT_NE(window, 0u);
  int wx = 0, wy = 0, ww = 0, wh = 0;
  ASSERT_TRUE(WindowGeometry(window, wx, wy, ww, wh, x_.Display()));
  EXPECT_EQ(ww, 419);
  EXPECT_EQ(wh, 625);

  ClickConnect(window, x_.Display());
  // Exactly the register and notify texts, in this order.
  ASSERT_TRUE(WaitUntil([&] { return broker.ClientRecords(1).size() >= 2; }, 10000, 50)) << broker.Log();
  Pause(300);
  const auto records = broker.ClientRecords(1);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], "register Lunavex running\r\n");
  EXPECT_EQ(records[1], "notify IPC.ias IPC.pitch IPC.bank IPC.dalt altim\r");

  // The refresh thread draws the received state: the airspeed needle
  // leaves its rest once 130 knots are drawn.
  const Slot horizon{109, 25}, speed{109, 225}, altimeter{109, 425};
  Image img;
  WaitUntil([&] { return Screenshot(img, window, x_.Display()) && CountWhite(img, speed, 30, -3, 55, 3) > 20; },
            10000, 100);
  ASSERT_TRUE(img.Valid());
  img.SavePng(testsupport::BinaryDir() + "/tests/test-frames/lunavex-program.png");
  ASSERT_EQ(img.width, 419);
  // Attitude indicator on top: level (pitch 0, bank 0), sky over ground.
  EXPECT_TRUE(IsSky(SlotPixel(img, horizon, 50, 30)));
  EXPECT_TRUE(IsSky(SlotPixel(img, horizon, -50, 30)));
  EXPECT_FALSE(IsSky(SlotPixel(img, horizon, 50, -30)));
  EXPECT_FALSE(IsSky(SlotPixel(img, horizon, -50, -30)));
  // Airspeed indicator: the needle at 130 knots points right.
  EXPECT_GT(CountWhite(img, speed, 30, -3, 55, 3), 20);
  EXPECT_EQ(CountWhite(img, speed, -3, 30, 3, 55), 0);
  // Altimeter: its needle at 124.2 degrees, the drum window lit.
  EXPECT_GT(CountWhite(img, altimeter, 44, -40, 56, -28), 3);
  EXPECT_GT(CountWhite(img, altimeter, -45, 22, 45, 44), 50);
  // Black beside the column.
  EXPECT_EQ(img.CountColour(0, 30, 100, 620, {0, 0, 0}, 10), 101 * 591);

  // Exit through SIGTERM: settings written, no log of its own.
  ExitStatus st = program.Terminate(10000);
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  const std::string ini = testsupport::ReadFile(program.File("config.ini"));
  EXPECT_NE(ini.find("IPPort=" + std::to_string(broker.Port())), std::string::npos) << ini;
  EXPECT_NE(ini.find("Attitude Indicator=1"), std::string::npos);
  EXPECT_NE(ini.find("Instrument Size Percent=80"), std::string::npos);
  EXPECT_NE(ini.find("Window Width=419"), std::string::npos);
  EXPECT_NE(ini.find("Window Height=625"), std::string::npos);
  EXPECT_FALSE(testsupport::Exists(program.File("debug.txt")));
  // The over-long line is dropped with one line on standard error each
  // time round the scenario; nothing else is reported.
  const std::string err = testsupport::ReadFile(program.StderrFile());
  EXPECT_GE(CountLines(program.StderrFile(), "receive buffer full without a line end"), 1) << err;
  EXPECT_EQ(CountLines(program.StderrFile(), "Lunavex:"),
            CountLines(program.StderrFile(), "receive buffer full without a line end"))
      << err;
  EXPECT_TRUE(WaitUntil([&] { return CountLines(broker.RecordFile(), "event client1 closed") == 1; }, 5000, 50));
}

TEST_F(ProgramTest, BrokerClosingEndsTheSessionAndReconnectWorks) {
  const std::string scenario = Scenario("+200 IPC.ias 130\n+300 @close\n");
  ScriptedBroker broker;
  ASSERT_TRUE(broker.Start(scenario, ""));
  Program program("lunavex", Settings(broker.Port()));
  ASSERT_TRUE(program.Start({}, x_.Display(), kEnv));
  const unsigned long window = FindWindow("Lunavex", 15000, program.Pid(), x_.Display());
  ASSERT_NE(window, 0u);
  ClickConnect(window, x_.Display());
  ASSERT_TRUE(WaitForLine(program.StderrFile(), "the broker closed the connection", 10000))
      << testsupport::ReadFile(program.StderrFile());
  // Connect is offered again: a second session registers anew.
  ClickConnect(window, x_.Display());
  ASSERT_TRUE(WaitUntil([&] { return broker.ClientRecords(2).size() >= 2; }, 10000, 50)) << broker.Log();
  EXPECT_EQ(broker.ClientRecords(2)[0], "register Lunavex running\r\n");
  ExitStatus st = program.Terminate(10000);
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
}

TEST_F(ProgramTest, NoBrokerLeavesItUnconnectedAndRunning) {
  // Nothing listens on the port; no host at all, which the socket
  // raises as an error.
  for (const std::string& host : {std::string("127.0.0.1"), std::string()}) {
    Program program("lunavex", "[TCP/IP Settings]\nIPAdress=" + host + "\nIPPort=1\n");
    ASSERT_TRUE(program.Start({}, x_.Display(), kEnv));
    const unsigned long window = FindWindow("Lunavex", 15000, program.Pid(), x_.Display());
    ASSERT_NE(window, 0u);
    ClickConnect(window, x_.Display());
    Pause(1500);
    EXPECT_TRUE(program.Running()) << host;
    ExitStatus st = program.Terminate(10000);
    EXPECT_TRUE(st.exited) << host;
    EXPECT_EQ(st.code, 0) << host;
    // Only the altimeter was chosen (no instrument in the file).
    const std::string ini = testsupport::ReadFile(program.File("config.ini"));
    EXPECT_NE(ini.find("Altimeter=1"), std::string::npos) << ini;
    EXPECT_NE(ini.find("IPAdress=" + host), std::string::npos) << ini;
  }
}

TEST_F(ProgramTest, SharesConfigIniWithTheMainProgram) {
  const std::string kestrane = testsupport::StageDir() + "/kestrane";
  if (!testsupport::Exists(kestrane)) GTEST_SKIP() << "kestrane not staged";
  Program program("lunavex", Settings(4567, "Instrument Spacing=-12\n"));
  ASSERT_TRUE(program.Ready()) << program.Error();
  std::error_code ec;
  std::filesystem::copy_file(kestrane, program.File("kestrane"), ec);
  ASSERT_FALSE(ec) << ec.message();
  std::filesystem::permissions(program.File("kestrane"), std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add, ec);

  // Each program runs until it is up (the main program may stop at a
  // message box about its missing databases), then ends on SIGTERM.
  auto cycle = [&](const std::string& exe, const std::function<bool(pid_t)>& up) {
    ChildProcess child;
    ASSERT_TRUE(child.Start(program.File(exe), {}, program.Folder(), program.Folder() + "/../" + exe + ".out",
                            program.Folder() + "/../" + exe + ".err", {"DISPLAY=" + x_.Display(), kEnv[0]}));
    ASSERT_TRUE(up(child.Pid())) << exe;
    Pause(1000);
    ExitStatus st = child.Terminate(10000);
    EXPECT_TRUE(st.exited) << exe;
  };
  auto kestraneUp = [&](pid_t) { return WaitForLine(program.File("debug.txt"), "Startup:", 20000); };
  auto lunavexUp = [&](pid_t pid) { return FindWindow("Lunavex", 20000, pid, x_.Display()) != 0; };
  cycle("kestrane", kestraneUp);
  cycle("lunavex", lunavexUp);
  std::filesystem::remove(program.File("debug.txt"), ec);
  cycle("kestrane", kestraneUp);

  const std::string ini = testsupport::ReadFile(program.File("config.ini"));
  EXPECT_NE(ini.find("[Kestrane Settings]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[Lunavex Settings]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Instrument Spacing=-12"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Attitude Indicator=1"), std::string::npos) << ini;
  EXPECT_EQ(CountLines(program.File("config.ini"), "[TCP/IP Settings]"), 1) << ini;
  EXPECT_EQ(CountLines(program.File("config.ini"), "IPPort=4567"), 1) << ini;
  EXPECT_EQ(CountLines(program.File("config.ini"), "IPAdress=127.0.0.1"), 1) << ini;
}

TEST_F(ProgramTest, AFloodOfLinesLeavesFramesMenuAndSigtermTheirTurn) {
  // Valid lines of some hundred bytes, every value moving, so that each
  // frame differs from the one before; none holds the final state below.
  const std::string more = " IPC.vs 1500 IPC.talt 4000 IPC.thdg 123.45 IPC.var 17.5 MV.Bank180 0.52360";
  std::string flood;
  for (int i = 0; i < 200; ++i)
    flood += "IPC.pitch " + std::to_string(i % 20 - 10) + " IPC.bank " + std::to_string(i % 60 - 30) +
             " IPC.ias " + std::to_string(200 + i) + " IPC.dalt " + std::to_string(3000 + 50 * i) +
             " altim 2992" + more + more + "\r\n";
  FloodServer server(flood);
  ASSERT_TRUE(server.Listen());
  Program program("lunavex", Settings(server.Port()));
  ASSERT_TRUE(program.Start({}, x_.Display(), kEnv));
  const unsigned long window = FindWindow("Lunavex", 15000, program.Pid(), x_.Display());
  ASSERT_NE(window, 0u);
  ClickConnect(window, x_.Display());
  ASSERT_TRUE(WaitUntil([&] { return server.Connected(); }, 10000));
  server.StartFlood();

  // Screenshots over the flood: one that differs from the one before
  // shows a new frame; one comes at least every second.
  using Clock = std::chrono::steady_clock;
  auto msSince = [](Clock::time_point t) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
  };
  std::vector<int> changed(8, 0);
  int lastChange = 0, longestGap = 0;
  const auto start = Clock::now();
  Image previous, shot;
  for (int ms = 0; ms < Scaled(8000); ms = msSince(start)) {
    if (Screenshot(shot, window, x_.Display())) {
      if (previous.Valid() && shot.rgb != previous.rgb) {
        ++changed[std::min(7, ms / Scaled(1000))];
        longestGap = std::max(longestGap, ms - lastChange);
        lastChange = ms;
      }
      previous = std::move(shot);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  longestGap = std::max(longestGap, msSince(start) - lastChange);
  std::string perSecond;
  for (int n : changed) perSecond += " " + std::to_string(n);
  EXPECT_LE(longestGap, Scaled(1000)) << "new frames per second:" << perSecond;

  // The File menu opens over the black beside the instruments, and closes.
  auto menuShown = [&] {
    return Screenshot(shot, window, x_.Display()) && shot.CountColour(5, 30, 60, 60, {0, 0, 0}, 10) < 100;
  };
  const auto menuAsked = Clock::now();
  ASSERT_TRUE(SendKey(window, "f", kAlt, x_.Display()));
  EXPECT_TRUE(WaitUntil(menuShown, 2000, 50));
  const int menuMs = msSince(menuAsked);
  ASSERT_TRUE(SendKey(window, "Escape", 0, x_.Display()));
  EXPECT_TRUE(WaitUntil([&] { return !menuShown(); }, 2000, 50));

  // A burst, then silence: the last line sent stands on the instruments
  // (the airspeed needle at 130 knots points right, the horizon is level).
  server.EndWith("IPC.ias 130 IPC.pitch 0 IPC.bank 0 IPC.dalt 12345 altim 2992\r\n");
  const auto quiet = Clock::now();
  const Slot horizon{109, 25}, speed{109, 225};
  EXPECT_TRUE(WaitUntil(
      [&] { return Screenshot(shot, window, x_.Display()) && CountWhite(shot, speed, 30, -3, 55, 3) > 20; }, 20000,
      100));
  const int lastMs = msSince(quiet);
  Pause(500);
  ASSERT_TRUE(Screenshot(shot, window, x_.Display()));
  EXPECT_GT(CountWhite(shot, speed, 30, -3, 55, 3), 20);
  EXPECT_TRUE(IsSky(SlotPixel(shot, horizon, -50, 30)) && IsSky(SlotPixel(shot, horizon, 50, 30)));
  EXPECT_FALSE(IsSky(SlotPixel(shot, horizon, -50, -30)) || IsSky(SlotPixel(shot, horizon, 50, -30)));

  // SIGTERM in the middle of a flood.
  server.StartFlood();
  Pause(1000);
  const auto term = Clock::now();
  const ExitStatus st = program.Terminate(30000);
  const int termMs = msSince(term);
  EXPECT_LE(termMs, Scaled(2000));
  EXPECT_TRUE(st.exited && st.code == 0);
  std::printf("flood: new frames per second:%s (longest gap %d ms); menu after %d ms; last line shown %d ms "
              "after the burst; SIGTERM took %d ms; %lld bytes sent\n",
              perSecond.c_str(), longestGap, menuMs, lastMs, termMs, server.BytesSent());
}
