// The demo flight's next waypoint on the running program's ND: its name
// appears in magenta in the ND's top right corner once the IRS navigate.
#include <gtest/gtest.h>

#include <memory>

#include "tests/common/TestSupport.h"
#include "tests/common/WholeProgram.h"

using namespace wholeprogram;

namespace {

TEST(NdTextsProgram, DemoShowsTheWaypointName) {
  XServer x;
  ASSERT_TRUE(x.Start()) << "no X server";
  testsupport::TempDir dir;
  ScriptedBroker broker;
  ASSERT_TRUE(broker.Start("", dir.File("record.txt"), {"--demo"}));
  Program prog("kestrane", BrokerConfig(broker.Port()));
  ASSERT_TRUE(prog.Ready()) << prog.Error();
  // The magnetic variation file it needs to start (all zero).
  testsupport::WriteFile(prog.File("data/747world.mv"), std::string(64800, '\0'));
  ASSERT_TRUE(prog.Start({}, x.Display()));
  const unsigned long win = FindWindow("External Kestrane for PS1.3", 15000, prog.Pid(), x.Display());
  ASSERT_NE(win, 0ul);
  const std::string log = prog.File("debug.txt");
  ASSERT_TRUE(WaitForLine(log, " Startup: Initialization complete.", 15000));
  // The ND is the right half of the captain's layout, a square of 255
  // units with its centre at the middle of that half. The name starts 78
  // units right of the centre and 88 above it, above the arc, where no
  // selected-heading marker reaches.
  auto magentaInCorner = [&] {
    Image img;
    EXPECT_TRUE(Screenshot(img, win, x.Display()));
    const double s = img.width / 2.0 / 255, cx = img.width * 0.75, cy = img.height / 2.0;
    return img.CountColour(static_cast<int>(cx + 82 * s), static_cast<int>(cy - 100 * s),
                           static_cast<int>(cx + 100 * s), static_cast<int>(cy - 55 * s), {225, 125, 225}, 30);
  };
  const int before = magentaInCorner();
  ASSERT_TRUE(SendKey(win, "c", kControl, x.Display()));
  ASSERT_TRUE(WaitForLine(log, " File/Connect: Init of ND refresh task complete.", 15000));
  int after = 0;
  WaitUntil([&] { return (after = magentaInCorner()) > before + 20; }, 20000, 100);
  EXPECT_GT(after, before + 20);
  EXPECT_EQ(prog.Terminate(15000).code, 0);
}

}  // namespace
