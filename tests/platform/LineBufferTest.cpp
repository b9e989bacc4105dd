#include "platform/LineBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

using platform::LineBuffer;

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
