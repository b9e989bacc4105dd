#include "platform/GuiThread.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using platform::GuiWorker;

namespace {
// Pumps the GUI event queue until pred holds or the time is up.
template <class Pred>
bool PumpUntil(Pred pred, double seconds = 5.0) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Fl::wait(0.01);
  }
  return true;
}
}  // namespace

TEST(GuiWorker, HandsCallsToTheGuiThreadInOrder) {
  Fl::lock();
  const auto gui = std::this_thread::get_id();
  std::atomic<int> calls{0};
  std::atomic<bool> wrongThread{false};
  GuiWorker worker([&](GuiWorker& w) {
    while (!w.StopRequested()) {
      w.Synchronize([&] {
        if (std::this_thread::get_id() != gui) wrongThread = true;
        ++calls;
      });
    }
  });
  worker.Start();
  EXPECT_TRUE(PumpUntil([&] { return calls >= 20; }));
  worker.Stop();
  EXPECT_FALSE(worker.Running());
  EXPECT_FALSE(wrongThread);
}

TEST(GuiWorker, StopWithAPendingHandOffDoesNotDeadlock) {
  Fl::lock();
  std::atomic<bool> waiting{false};
  std::atomic<int> ran{0};
  GuiWorker worker([&](GuiWorker& w) {
    while (!w.StopRequested()) {
      waiting = true;
      w.Synchronize([&] { ++ran; });
    }
  });
  worker.Start();
  while (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // The GUI thread never pumped: the hand-off is pending when we stop.
  worker.Stop();
  EXPECT_FALSE(worker.Running());
  // The cancelled call must not run later.
  for (int i = 0; i < 10; ++i) Fl::wait(0.01);
  EXPECT_EQ(ran, 0);
}
