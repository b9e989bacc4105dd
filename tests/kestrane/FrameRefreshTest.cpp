// The main form in this process on the X server: frames are swapped exactly
// once each, by the paint itself while not connected and by the timer or
// the refresh thread while connected; each frame starts from the matrices
// of start-up.
#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <GL/gl.h>

#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <cstdlib>

#include "kestrane/KestraneFrame.h"
#include "kestrane/KestraneMain.h"
#include "shared/Udebug.h"
#include "shared/KestraneSettings.h"
#include "nd/Utcas.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "tests/common/PrintRecorder.h"
#include "tests/common/TestSupport.h"
#include "tests/kestrane/FormTestSupport.h"

namespace {

using formtest::Listener;
using formtest::Pump;

class FrameRefresh : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server";
    form = formtest::StartForm();
    ASSERT_TRUE(form);
    Pump(0.3);
  }
  void TearDown() override {
    formtest::StopForm(form);
    DrawInBackground = false;
  }
  void ConnectTo(const Listener& l) {
    BrokerHost = "127.0.0.1";
    BrokerPort = std::to_string(l.Port());
    form->Connect1Click();
    ASSERT_TRUE(form->Connected());
  }
  std::unique_ptr<TKestraneForm> form;
};

}  // namespace

TEST_F(FrameRefresh, NotConnectedEachRepaintSwapsOnce) {
  const int frames = form->FrameCount, swaps = form->SwapCount;
  for (int i = 0; i < 5; ++i) form->Repaint();
  EXPECT_EQ(form->FrameCount - frames, 5);
  EXPECT_EQ(form->SwapCount - swaps, 5);
}

TEST_F(FrameRefresh, TimerDrawsAndSwapsOncePerTick) {
  DrawInBackground = false;
  Listener l;
  ConnectTo(l);
  const int frames = form->FrameCount, swaps = form->SwapCount;
  const double seconds = formtest::PumpUntil([&] { return form->FrameCount - frames >= 5; });
  const int drawn = form->FrameCount - frames;
  EXPECT_GE(drawn, 5);
  // Never faster than the 50 ms ticks (one frame may have been due).
  EXPECT_LE(drawn, seconds / 0.05 + 2);
  // Every tick paints and swaps once; a repaint the window system asks for
  // meanwhile paints without swapping.
  EXPECT_LE(form->SwapCount - swaps, drawn);
  EXPECT_GE(form->SwapCount - swaps, drawn - 2);
  form->Disconnect1Click();
  EXPECT_FALSE(form->Connected());
  const int after = form->FrameCount;
  Pump(0.3);
  // The timer has stopped; the window system may still ask for one repaint.
  EXPECT_LE(form->FrameCount - after, 1);
}

TEST_F(FrameRefresh, BackgroundThreadHandsPaintAndSwapToTheGuiThread) {
  DrawInBackground = true;
  Listener l;
  ConnectTo(l);
  const int frames = form->FrameCount, swaps = form->SwapCount;
  formtest::PumpUntil([&] { return form->FrameCount - frames >= 5; });
  const int drawn = form->FrameCount - frames;
  EXPECT_GE(drawn, 5);
  // A swap follows each of the thread's paints (one may still wait for
  // its swap); a repaint the window system asks for does not swap.
  EXPECT_LE(form->SwapCount - swaps, drawn + 1);
  EXPECT_GE(form->SwapCount - swaps, drawn - 3);
  form->Disconnect1Click();
  const int after = form->FrameCount;
  Pump(0.3);
  EXPECT_LE(form->FrameCount - after, 1);
}

TEST_F(FrameRefresh, EachFrameStartsFromTheMatricesOfStartup) {
  // Whatever a frame leaves in the matrices (here a turn by an infinity,
  // which fills them with NaN) the next frame starts afresh.
  form->MakeContextCurrent();
  glMatrixMode(GL_PROJECTION);
  glRotatef(INFINITY, 0, 0, 1);
  glMatrixMode(GL_MODELVIEW);
  glRotatef(INFINITY, 0, 0, 1);
  std::vector<testsupport::PrintRecord> printed;
  testsupport::RecordPrints(&printed);
  form->Repaint();
  testsupport::StopRecordingPrints();
  // Every text lands in the window (the model-view); nothing is projected
  // away.
  ASSERT_FALSE(printed.empty());
  for (const auto& r : printed)
    EXPECT_TRUE(std::isfinite(r.winX) && std::isfinite(r.winY)) << r.text;
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(projection[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
}

TEST_F(FrameRefresh, ShutdownNoticeNeedsItsCrAndAConnection) {
  Listener l;
  ConnectTo(l);
  form->ProcessCommand("Broker is shutting down");
  EXPECT_TRUE(form->Connected());
  form->ProcessCommand("Broker is shutting down\r");
  EXPECT_FALSE(form->Connected());
  // Not connected: the notice changes nothing.
  form->ProcessCommand("Broker is shutting down\r");
  EXPECT_FALSE(form->Connected());
}

TEST_F(FrameRefresh, TcasMenuSetsTheTrafficComputerAndOffIgnoresItems) {
  ASSERT_NE(Tcas, nullptr);
  const struct {
    const char* item;
    bool on, taOnlyCall, taOnlyFlag;
    int above, below;
  } rows[] = {{"&TCAS/Off", false, true, false, 2700, -2700},
              {"&TCAS/TA Only", true, true, true, 2700, -2700},
              {"&TCAS/Above", true, false, false, 8700, -2700},
              {"&TCAS/Below", true, false, false, 2700, -8700},
              {"&TCAS/TA\\/RA", true, false, false, 2700, -2700}};
  for (const auto& r : rows) {
    Fl_Menu_Item* item = form->Item(r.item);
    ASSERT_NE(item, nullptr) << r.item;
    form->MenuBar()->picked(item);
    EXPECT_TRUE(form->Checked(r.item)) << r.item;
    EXPECT_EQ(Tcas->Enabled(), r.on) << r.item;
    EXPECT_EQ(TcasOnFlag, r.on) << r.item;
    EXPECT_EQ(Tcas->TAOnly(), r.taOnlyCall) << r.item;
    EXPECT_EQ(TaOnlyFlag, r.taOnlyFlag) << r.item;
    EXPECT_EQ(Tcas->UpperLimit(), r.above) << r.item;
    EXPECT_EQ(Tcas->LowerLimit(), r.below) << r.item;
  }
  // On (TA/RA): items are tracked; Off forgets them and ignores new ones.
  form->ProcessCommand("tcas {ON1 1 2 47.5 -122.3 3500 0}\r");
  EXPECT_EQ(Tcas->IntruderCount(), 1u);
  form->MenuBar()->picked(form->Item("&TCAS/Off"));
  EXPECT_EQ(Tcas->IntruderCount(), 0u);
  TcasMessage = {};
  form->ProcessCommand("tcas {OFF1 1 2 47.5 -122.3 3500 0}\r");
  EXPECT_EQ(TcasMessage.callsign, "");
  EXPECT_EQ(Tcas->IntruderCount(), 0u);
  form->MenuBar()->picked(form->Item("&TCAS/TA\\/RA"));
}

TEST_F(FrameRefresh, FramesAreDrawnAroundTheDisplaysAndCanBeHidden) {
  const char* frames = "&Options/Show PFD\\/ND Frames";
  ASSERT_NE(form->Item(frames), nullptr);
  EXPECT_TRUE(form->Checked(frames));
  EXPECT_EQ(DrawScale, 255.0f);
  auto bezelPixel = [&] {
    form->Repaint();
    form->MakeContextCurrent();
    // Mesa's software swap copies the back buffer and keeps it: the frame
    // just shown is still there to read.
    glReadBuffer(GL_BACK);
    const auto layout = ComputeLayout(form->ClientWidth(), form->ClientHeight());
    unsigned char px[4] = {0, 0, 0, 0};
    // Inside the left border of the PFD square, halfway up.
    glReadPixels(layout[0].x + layout[0].size / 40, layout[0].y + layout[0].size / 2, 1, 1, GL_RGBA,
                 GL_UNSIGNED_BYTE, px);
    return std::array<int, 3>{px[0], px[1], px[2]};
  };
  auto grey = bezelPixel();
  EXPECT_GT(grey[0], 40);  // the bezel is grey, not the black of an empty window
  EXPECT_NEAR(grey[0], grey[1], 20);
  EXPECT_NEAR(grey[1], grey[2], 30);
  form->SetChecked(frames, false);
  form->ShowFramesClick();
  EXPECT_EQ(DrawScale, 200.0f);
  auto without = bezelPixel();
  EXPECT_NE(without, grey);
  form->SetChecked(frames, true);
  form->ShowFramesClick();
  EXPECT_EQ(DrawScale, 255.0f);
}
