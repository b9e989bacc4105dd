// Kestrane's broker link, end to end: the real program on a private X
// server against the scripted broker.
#include <gtest/gtest.h>

#include <algorithm>

#include "kestrane/KestraneMain.h"
#include "tests/common/TestSupport.h"
#include "tests/common/WholeProgram.h"

using namespace wholeprogram;

namespace {

const char* const kTitle = "External Kestrane for PS1.3";

class BrokerLink : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(x.Start()) << "no X server"; }

  // Starts the broker with a scenario and Kestrane pointed at it.
  void StartBoth(const std::string& scenario, const std::string& extraConfig = "") {
    testsupport::WriteFile(scenarioFile(), scenario);
    ASSERT_TRUE(broker.Start(scenarioFile(), dir.File("record.txt")));
    StartKestrane(extraConfig);
  }
  // Kestrane pointed at the running broker, started up.
  void StartKestrane(const std::string& extraConfig = "") {
    prog = std::make_unique<Program>("kestrane", BrokerConfig(broker.Port()) + extraConfig);
    ASSERT_TRUE(prog->Ready()) << prog->Error();
    ASSERT_TRUE(prog->Start({}, x.Display()));
    win = FindWindow(kTitle, 15000, prog->Pid(), x.Display());
    ASSERT_NE(win, 0ul);
    ASSERT_TRUE(WaitForLine(Log(), " Startup: Initialization complete.", 15000));
  }
  void Connect() {
    ASSERT_TRUE(SendKey(win, "c", kControl, x.Display()));
    ASSERT_TRUE(WaitForLine(Log(), " File/Connect: Init of ND refresh task complete.", 15000))
        << testsupport::ReadFile(Log());
  }
  std::string Log() const { return prog->File("debug.txt"); }
  std::string scenarioFile() const { return dir.File("scenario.txt"); }
  // All bytes client n sent, joined.
  std::string Sent(int client) const {
    std::string all;
    for (const auto& r : broker.ClientRecords(client)) all += r;
    return all;
  }

  XServer x;
  testsupport::TempDir dir;
  ScriptedBroker broker;
  std::unique_ptr<Program> prog;
  unsigned long win = 0;
};

}  // namespace

TEST_F(BrokerLink, ConnectSendsRegisterAndEverySubscriptionByteForByte) {
  ASSERT_NO_FATAL_FAILURE(StartBoth("+0 IPC.pitch 5\n"));
  ASSERT_NO_FATAL_FAILURE(Connect());
  std::string expected = "register ND running\r\n";
  for (const auto& l : SubscriptionLines()) expected += l;
  WaitUntil([&] { return Sent(1).size() >= expected.size(); }, 5000, 50);
  EXPECT_EQ(Sent(1), expected);
  const auto log = testsupport::ReadFile(Log());
  for (const char* line :
       {" File/Connect: Trying to establish Broker communication.",
        " File/Connect: Broker communication established. Successful.",
        " File/Connect: Broker requests sent. Trying to init ND refresh task.",
        " File/Connect: Init of ND refresh TIMER started.",
        " File/Connect: Init of ND refresh task complete."})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  EXPECT_NE(log.find(" File/Connect: Using 127.0.0.1 " + std::to_string(broker.Port())),
            std::string::npos);
  prog->Terminate(15000);
}

TEST_F(BrokerLink, DisconnectAndReconnectSendTheRequestsAgain) {
  ASSERT_NO_FATAL_FAILURE(StartBoth(""));
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(SendKey(win, "d", kControl, x.Display()));
  ASSERT_TRUE(WaitForLine(Log(), " File/Disconnect: Disconnected from Broker.", 15000));
  EXPECT_EQ(CountLines(Log(), " File/Disconnect: ND refresh TIMER stopped."), 1);
  ASSERT_TRUE(SendKey(win, "c", kControl, x.Display()));
  WaitUntil([&] { return CountLines(Log(), " File/Connect: Init of ND refresh task complete.") >= 2; }, 5000, 50);
  EXPECT_EQ(CountLines(Log(), " File/Connect: Init of ND refresh task complete."), 2);
  WaitUntil([&] { return Sent(2).find("R.g49") != std::string::npos; }, 5000, 50);
  EXPECT_EQ(Sent(2).rfind("register ND running\r\n", 0), 0u);
  EXPECT_NE(Sent(2).find("R.g49 \r"), std::string::npos);
  prog->Terminate(15000);
}

TEST_F(BrokerLink, ShutdownNoticeDisconnects) {
  ASSERT_NO_FATAL_FAILURE(StartBoth("+1500 IPC.pitch 2\n+100 @shutdown\n+100 IPC.pitch 3\n"));
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(WaitForLine(Log(), " File/Disconnect: Disconnected from Broker.", 15000));
  EXPECT_TRUE(prog->Running());
  EXPECT_EQ(prog->Terminate(15000).code, 0);
}

TEST_F(BrokerLink, BrokerGoneEndsTheSessionLikeDisconnect) {
  ASSERT_NO_FATAL_FAILURE(StartBoth("+1500 IPC.pitch 2\n+100 @close\n"));
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(WaitForLine(Log(), " File/Disconnect: Disconnected from Broker.", 15000));
  EXPECT_TRUE(prog->Running());
  EXPECT_EQ(prog->Terminate(15000).code, 0);
}

TEST_F(BrokerLink, OverlongLineIsDroppedAndLaterLinesStillArrive) {
  ASSERT_NO_FATAL_FAILURE(StartBoth("+1200 @fill 9000 x\n+50 @raw \\nIPC.pitch 4\\r\\n\n+50 @shutdown\n"));
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(WaitForLine(Log(), " Broker Comm: Line longer than 8192 bytes without line end dropped.", 15000))
      << testsupport::ReadFile(Log());
  // The shutdown notice after it still gets through.
  ASSERT_TRUE(WaitForLine(Log(), " File/Disconnect: Disconnected from Broker.", 15000));
  prog->Terminate(15000);
}

TEST_F(BrokerLink, BackgroundThreadRefreshStopsOnDisconnect) {
  ASSERT_NO_FATAL_FAILURE(StartBoth("+0 IPC.pitch 5\n", "[Kestrane Settings]\nDraw in Background=1\n"));
  ASSERT_TRUE(SendKey(win, "c", kControl, x.Display()));
  ASSERT_TRUE(WaitForLine(Log(), " File/Connect: Init of ND refresh THREAD started.", 15000));
  Pause(500);
  ASSERT_TRUE(SendKey(win, "d", kControl, x.Display()));
  ASSERT_TRUE(WaitForLine(Log(), " File/Disconnect: ND refresh THREAD stopped.", 15000));
  ASSERT_TRUE(WaitForLine(Log(), " File/Disconnect: Disconnected from Broker.", 15000));
  EXPECT_EQ(prog->Terminate(15000).code, 0);
}

TEST_F(BrokerLink, RefusedConnectLeavesTheProgramNotConnected) {
  testsupport::WriteFile(scenarioFile(), "");
  prog = std::make_unique<Program>("kestrane", BrokerConfig(1));  // nothing listens on port 1
  ASSERT_TRUE(prog->Ready());
  testsupport::WriteFile(prog->File("data/747world.mv"), "x");
  ASSERT_TRUE(prog->Start({}, x.Display()));
  win = FindWindow(kTitle, 15000, prog->Pid(), x.Display());
  ASSERT_TRUE(WaitForLine(Log(), " Startup: Initialization complete.", 15000));
  ASSERT_TRUE(SendKey(win, "c", kControl, x.Display()));
  ASSERT_TRUE(WaitForLine(Log(), " File/Connect: Using", 15000));
  Pause(500);
  EXPECT_EQ(CountLines(Log(), "refresh"), 0);
  EXPECT_EQ(prog->Terminate(15000).code, 0);
}

TEST_F(BrokerLink, DemoFlightTurnsTheCompassCardOnTheNd) {
  ASSERT_TRUE(broker.Start("", dir.File("record.txt"), {"--demo"}));
  ASSERT_NO_FATAL_FAILURE(StartKestrane());
  // The ND is the right half of the captain's layout. Before any data the
  // heading is not available: no compass card.
  auto whiteInNd = [&] {
    Image img;
    EXPECT_TRUE(Screenshot(img, win, x.Display()));
    return img.CountColour(img.width / 2, 0, img.width - 1, img.height - 1, {255, 255, 255}, 30);
  };
  const int before = whiteInNd();
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(WaitForLine(Log(), " Broker Comm: First initialization successful.", 15000));
  // The staged databases are loaded again around the first position.
  EXPECT_EQ(CountLines(Log(), " Airports: Load successful."), 16);
  int after = 0;
  WaitUntil([&] { return (after = whiteInNd()) > before + 300; }, 5000, 100);
  EXPECT_GT(after, before + 300);
}
