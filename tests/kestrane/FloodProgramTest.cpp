// Kestrane against a broker that sends valid lines as fast as the socket
// takes them: the window keeps drawing new frames and SIGTERM still ends
// the program at once.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/common/FloodServer.h"
#include "tests/common/TestSupport.h"
#include "tests/common/WholeProgram.h"
#include "tools/scripted-broker/DemoFlight.h"

using namespace wholeprogram;

namespace {

const char* const kTitle = "External Kestrane for PS1.3";

// The whole demo flight, every step's lines one after the other: a flood
// that keeps every instrument moving.
std::string DemoLoopLines() {
  broker::DemoFlight demo;
  std::string all;
  const double step = broker::DemoFlight::kStepSeconds;
  const int steps = static_cast<int>(broker::DemoFlight::kLoopSeconds / step);
  for (int i = 0; i < steps; ++i)
    for (const std::string& line : demo.Lines(i * step, i % 20 == 0)) all += line;
  return all;
}

}  // namespace

TEST(Flood, FramesGoOnAndSigtermEndsTheProgram) {
  XServer x;
  ASSERT_TRUE(x.Start(1024, 768)) << "no X server";
  FloodServer server(DemoLoopLines());
  ASSERT_TRUE(server.Listen());
  Program prog("kestrane", BrokerConfig(server.Port()));
  ASSERT_TRUE(prog.Ready()) << prog.Error();
  testsupport::WriteFile(prog.File("data/747world.mv"), std::string(64800, '\0'));
  ASSERT_TRUE(prog.Start({}, x.Display(), {"LIBGL_ALWAYS_SOFTWARE=1"}));
  const std::string log = prog.File("debug.txt");
  ASSERT_TRUE(WaitForLine(log, " Startup: Initialization complete.", 20000)) << testsupport::ReadFile(log);
  const unsigned long win = FindWindow(kTitle, 15000, prog.Pid(), x.Display());
  ASSERT_NE(win, 0ul);
  ASSERT_TRUE(SendKey(win, "c", kControl, x.Display()));
  ASSERT_TRUE(WaitForLine(log, " File/Connect: Init of ND refresh TIMER started.", 15000))
      << testsupport::ReadFile(log);
  server.StartFlood();

  // Screenshots over the flood: each one that differs from the one before
  // shows at least one new frame.
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(Scaled(10000));
  Image previous, shot;
  int newFrames = 0;
  while (Clock::now() < end) {
    if (Screenshot(shot, win, x.Display())) {
      if (previous.Valid() && shot.rgb != previous.rgb) ++newFrames;
      previous = std::move(shot);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const long long sent = server.BytesSent();
  EXPECT_GE(newFrames, 5) << sent << " bytes sent";

  const auto term = Clock::now();
  const ExitStatus status = prog.Terminate(30000);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - term).count();
  EXPECT_LE(ms, Scaled(2000)) << "SIGTERM took " << ms << " ms";
  EXPECT_TRUE(status.exited && status.code == 0);
  std::printf("flood: %d new frames seen in %d ms, %lld bytes sent, SIGTERM took %lld ms\n", newFrames,
              Scaled(10000), sent, static_cast<long long>(ms));
  server.Stop();
}
