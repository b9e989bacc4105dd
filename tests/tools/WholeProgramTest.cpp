// The whole-program helpers themselves: child processes, program folders,
// log waits, and (on a private X server) windows, screenshots and keys.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/common/WholeProgram.h"

using namespace wholeprogram;
namespace fs = std::filesystem;

namespace {
// The fixture program is built beside this test.
fs::path TestFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }
std::string Fixture() { return (TestFolder() / "window-fixture").string(); }
}  // namespace

TEST(WaitForLine, SeesALineWrittenLaterAndGivesUpInTime) {
  testsupport::TempDir dir;
  std::string file = dir.File("debug.txt");
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    testsupport::WriteFile(file, "10:00:00 Startup: one\n10:00:01 File/Connect: two\n");
  });
  std::string line;
  EXPECT_TRUE(WaitForLine(file, "File/Connect:", 5000, &line));
  EXPECT_EQ(line, "10:00:01 File/Connect: two");
  writer.join();
  EXPECT_FALSE(WaitForLine(file, "never", 100));
  EXPECT_FALSE(WaitForLine(dir.File("missing.txt"), "x", 50));
  EXPECT_EQ(CountLines(file, "10:00:0"), 2);
}

TEST(WaitFactor, TheEnvironmentRaisesTheBuildsFactor) {
  const double build = WaitFactorFor(nullptr);
  EXPECT_GE(build, 1);
  const struct {
    const char* value;
    double factor;  // times the build's
  } cases[] = {{"", 1}, {"1", 1}, {"3", 3}, {"2.5", 2.5}, {"100", 100},
               {"0.5", 1}, {"0", 1}, {"-4", 1}, {"101", 1}, {"1e9", 1}, {"nan", 1}, {"3x", 1}, {"fast", 1}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(WaitFactorFor(c.value), build * c.factor) << c.value;
  // Waits are never shortened, and a wait for what never comes lasts its scaled time.
  EXPECT_GE(WaitFactor(), build);
  EXPECT_EQ(Scaled(0), 0);
  EXPECT_GE(Scaled(1), 1);
  int calls = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WaitUntil([&] { return ++calls < 0; }, 100));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(Scaled(100)));
  EXPECT_GE(calls, 2);
  EXPECT_TRUE(WaitUntil([] { return true; }, 0));
}

TEST(ChildProcess, RunsInItsFolderWithTheGivenEnvironment) {
  testsupport::TempDir dir;
  ChildProcess p;
  ASSERT_TRUE(p.Start("/bin/sh", {"-c", "echo \"$GC_TEST_VALUE\"; pwd; echo oops >&2; exit 3"}, dir.Path(),
                      dir.File("out"), dir.File("err"), {"GC_TEST_VALUE=hello"}));
  ExitStatus s = p.Wait(10000);
  EXPECT_TRUE(s.exited);
  EXPECT_EQ(s.code, 3);
  EXPECT_EQ(testsupport::ReadFile(dir.File("out")), "hello\n" + fs::canonical(dir.Path()).string() + "\n");
  EXPECT_EQ(testsupport::ReadFile(dir.File("err")), "oops\n");
  EXPECT_FALSE(p.Running());
  EXPECT_EQ(p.Wait(0).code, 3);  // the status is kept
}

TEST(ChildProcess, TerminateEndsOrKills) {
  testsupport::TempDir dir;
  ChildProcess polite;
  ASSERT_TRUE(polite.Start("/bin/sleep", {"30"}, dir.Path(), dir.File("o1"), dir.File("e1")));
  EXPECT_TRUE(polite.Running());
  ExitStatus s = polite.Terminate(5000);
  EXPECT_EQ(s.signal, SIGTERM);
  EXPECT_FALSE(s.timedOut);

  ChildProcess stubborn;
  ASSERT_TRUE(stubborn.Start("/bin/sh", {"-c", "trap '' TERM; echo ready; while :; do sleep 1; done"}, dir.Path(),
                             dir.File("o2"), dir.File("e2")));
  ASSERT_TRUE(WaitForLine(dir.File("o2"), "ready", 5000));
  s = stubborn.Terminate(200);
  EXPECT_TRUE(s.timedOut);
  EXPECT_EQ(s.signal, SIGKILL);
  EXPECT_FALSE(stubborn.Running());

  ChildProcess never;
  EXPECT_FALSE(never.Start(dir.File("no-such-program"), {}, dir.Path(), dir.File("o3"), dir.File("e3")) &&
               never.Wait(5000).code == 0);
}

TEST(Program, MakesAProgramFolder) {
  Program p(Fixture(), std::string("[TCP/IP Settings]\nIPPort=1\n"));
  ASSERT_TRUE(p.Ready()) << p.Error();
  EXPECT_EQ(fs::path(p.Executable()).parent_path(), fs::path(p.Folder()));
  EXPECT_FALSE(fs::is_symlink(p.Executable()));  // the program finds its folder by its own path
  for (const char* sub : {"bitmaps", "audio", "data"}) EXPECT_TRUE(fs::is_directory(p.File(sub))) << sub;
  EXPECT_EQ(testsupport::ReadFile(p.File("config.ini")), "[TCP/IP Settings]\nIPPort=1\n");
  EXPECT_EQ(BrokerConfig(4567), "[TCP/IP Settings]\nIPAdress=127.0.0.1\nIPPort=4567\n");

  Program missing("/no/such/program");
  EXPECT_FALSE(missing.Ready());
  EXPECT_FALSE(missing.Start());
}

// Windows on a private X server, so other tests' windows never cover them.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("/usr/bin/Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(x_.Start(640, 480)) << "Xvfb did not start";
  }
  XServer x_;
};

TEST_F(WindowTest, FindsPhotographsAndTypesIntoAWindow) {
  Program p(Fixture());
  ASSERT_TRUE(p.Ready()) << p.Error();
  std::string log = p.File("keys.txt");
  ASSERT_TRUE(p.Start({"gc fixture", "20b040", log, "extra"}, x_.Display(), {"LIBGL_ALWAYS_SOFTWARE=1"}));
  unsigned long w = FindWindow("gc fixture", 15000, p.Pid(), x_.Display());
  ASSERT_NE(w, 0u) << testsupport::ReadFile(p.StderrFile());
  ASSERT_TRUE(WaitForLine(log, "painted", 15000));
  EXPECT_TRUE(WaitForLine(log, "cwd " + fs::canonical(p.Folder()).string(), 0));
  EXPECT_TRUE(WaitForLine(log, "arg extra", 0));
  EXPECT_EQ(FindWindow("gc fixture", 0, p.Pid() + 100000, x_.Display()), 0u);
  EXPECT_EQ(FindWindow("another title", 50, 0, x_.Display()), 0u);

  int x = 0, y = 0, width = 0, height = 0;
  ASSERT_TRUE(WindowGeometry(w, x, y, width, height, x_.Display()));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);

  // The GL area (below the menu bar) shows the fixture's colour.
  Image shot;
  EXPECT_TRUE(WaitUntil(
      [&] {
        return Screenshot(shot, w, x_.Display()) &&
               shot.CountColour(0, 100, 319, 239, {0x20, 0xb0, 0x40}, 8) > 300 * 100;
      },
      5000, 50));
  ASSERT_TRUE(shot.Valid());
  Rgb c = shot.Pixel(160, 200);
  EXPECT_NEAR(c.r, 0x20, 8);
  EXPECT_NEAR(c.g, 0xb0, 8);
  EXPECT_NEAR(c.b, 0x40, 8);
  EXPECT_TRUE(shot.SavePng((TestFolder() / "window-fixture.png").string()));
  Image screen;
  ASSERT_TRUE(Screenshot(screen, 0, x_.Display()));
  EXPECT_EQ(screen.width, 640);
  EXPECT_EQ(screen.height, 480);
  Rgb same = screen.Pixel(x + 160, y + 200);
  EXPECT_EQ(same.g, c.g);

  ASSERT_TRUE(SendKey(w, "m", 0, x_.Display()));
  ASSERT_TRUE(SendKey(w, "M", 0, x_.Display()));
  ASSERT_TRUE(SendKey(w, "plus", 0, x_.Display()));
  EXPECT_TRUE(WaitForLine(log, "key m", 5000));
  EXPECT_TRUE(WaitForLine(log, "key M", 5000));
  EXPECT_TRUE(WaitForLine(log, "key +", 5000));
  EXPECT_FALSE(SendKey(w, "NoSuchKeyName", 0, x_.Display()));

  ExitStatus s = p.Terminate(10000);
  EXPECT_TRUE(s.exited);
  EXPECT_EQ(s.code, 0);
  EXPECT_TRUE(WaitForLine(log, "quit", 0));
  EXPECT_FALSE(Screenshot(shot, w, x_.Display()));  // the window is gone
}
