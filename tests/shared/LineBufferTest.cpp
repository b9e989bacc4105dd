#include "shared/LineBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

using brokerlink::LineBuffer;

namespace {
void Feed(LineBuffer& b, const std::string& bytes) {
  ASSERT_LE(bytes.size(), b.Free());
  std::memcpy(b.WritePtr(), bytes.data(), bytes.size());
  b.Commit(static_cast<long>(bytes.size()));
}
std::vector<std::string> Drain(LineBuffer& b) {
  std::vector<std::string> out;
  std::string line;
  while (b.NextLine(line)) out.push_back(line);
  return out;
}
}  // namespace

TEST(LineBuffer, ThreeLinesInOneReadInOrderWithCrKept) {
  LineBuffer b(8192);
  Feed(b, "IPC.vs -1200\r\nA 1\n\nB 2\r\n");
  EXPECT_EQ(Drain(b), (std::vector<std::string>{"IPC.vs -1200\r", "A 1", "", "B 2\r"}));
  EXPECT_EQ(b.Count(), 0u);
}

TEST(LineBuffer, SplitLineIsHandedOnOnceWhole) {
  LineBuffer b(64);
  Feed(b, "IPC.pi");
  EXPECT_TRUE(Drain(b).empty());
  Feed(b, "tch 5\nIPC.ba");
  EXPECT_EQ(Drain(b), (std::vector<std::string>{"IPC.pitch 5"}));
  EXPECT_EQ(b.Count(), 6u);
}

TEST(LineBuffer, FullWithoutLineEndIsDroppedAndTheLinkGoesOn) {
  LineBuffer b(16);
  Feed(b, std::string(16, 'x'));
  EXPECT_TRUE(Drain(b).empty());
  EXPECT_EQ(b.DropIfFull(), 16u);
  Feed(b, "ok 1\n");
  EXPECT_EQ(Drain(b), (std::vector<std::string>{"ok 1"}));
  EXPECT_EQ(b.DropIfFull(), 0u);
}

TEST(LineBuffer, FullBufferWithALineIsNotDropped) {
  LineBuffer b(8);
  Feed(b, "abc\ndefg");
  EXPECT_EQ(b.DropIfFull(), 0u);
  EXPECT_EQ(Drain(b), (std::vector<std::string>{"abc"}));
}

TEST(LineBuffer, BadCountsAreClamped) {
  LineBuffer b(8);
  b.Commit(-5);
  EXPECT_EQ(b.Count(), 0u);
  b.Commit(1000);
  EXPECT_EQ(b.Count(), 8u);
}

TEST(LineBuffer, AThrowingHandlerLosesOnlyItsLine) {
  LineBuffer b(64);
  Feed(b, "A 1\nBAD\nB 2\n");
  std::vector<std::string> handled, failed;
  b.TakeLines(
      [&](const std::string& l) {
        if (l == "BAD") throw std::runtime_error("not a number");
        handled.push_back(l);
      },
      [&](const std::string& l, const char* what) { failed.push_back(l + ": " + what); });
  EXPECT_EQ(handled, (std::vector<std::string>{"A 1", "B 2"}));
  EXPECT_EQ(failed, (std::vector<std::string>{"BAD: not a number"}));
  EXPECT_EQ(b.Count(), 0u);
}

TEST(LineBuffer, TakeLinesReportsAnOverflowOnce) {
  LineBuffer b(8);
  Feed(b, "12345678");
  std::size_t dropped = 0;
  int lines = 0;
  b.TakeLines([&](const std::string&) { ++lines; }, {}, [&](std::size_t n) { dropped += n; });
  EXPECT_EQ(lines, 0);
  EXPECT_EQ(dropped, 8u);
  EXPECT_EQ(b.Free(), 8u);
}
