// The scripted broker's cutting of received bytes into records.
#include <gtest/gtest.h>

#include "tools/scripted-broker/Broker.h"

using broker::RecordCutter;

TEST(RecordCutter, CutsAtLfAndAtLoneCr) {
  RecordCutter c;
  c.Add("register ND running\r\nnotify a \rnotify b\r", 0);
  EXPECT_EQ(c.Take(0, false), (std::vector<std::string>{"register ND running\r\n", "notify a \r"}));
  // The last CR may still be followed by its LF: held for a while.
  EXPECT_TRUE(c.Take(RecordCutter::kCrHoldMs - 1, false).empty());
  EXPECT_EQ(c.HoldDeadline(), RecordCutter::kCrHoldMs);
  EXPECT_EQ(c.Take(RecordCutter::kCrHoldMs, false), (std::vector<std::string>{"notify b\r"}));
  EXPECT_EQ(c.HoldDeadline(), -1);
}

TEST(RecordCutter, CrLfSplitOverTwoReadsIsOneRecord) {
  RecordCutter c;
  c.Add("line\r", 0);
  EXPECT_TRUE(c.Take(10, false).empty());
  c.Add("\nnext", 20);
  EXPECT_EQ(c.Take(20, false), (std::vector<std::string>{"line\r\n"}));
  EXPECT_TRUE(c.Take(1000, false).empty());  // no line end yet
  EXPECT_EQ(c.Take(1000, true), (std::vector<std::string>{"next"}));
}

TEST(RecordCutter, EmptyLinesAndOverlongRuns) {
  RecordCutter c;
  c.Add("\n\r\n", 0);
  EXPECT_EQ(c.Take(0, false), (std::vector<std::string>{"\n", "\r\n"}));
  c.Add(std::string(RecordCutter::kMaxRecord + 10, 'a'), 0);
  auto r = c.Take(0, false);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].size(), RecordCutter::kMaxRecord);
  EXPECT_EQ(c.Take(0, true)[0].size(), 10u);
}
