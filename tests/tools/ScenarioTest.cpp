#include <gtest/gtest.h>

#include "tools/scripted-broker/Scenario.h"

using broker::ParseScenario;
using broker::ScenarioPlayer;
using broker::Step;

namespace {

std::vector<Step> Parse(const std::string& text) {
  std::vector<Step> steps;
  std::string error;
  EXPECT_TRUE(ParseScenario(text, steps, error)) << error;
  return steps;
}

// Everything the player hands out up to nowMs, as text ("<close>" for Close).
std::vector<std::string> Drain(ScenarioPlayer& p, int64_t nowMs) {
  std::vector<std::string> out;
  for (int i = 0; i < 100000; ++i) {
    const Step* s = p.NextDue(nowMs);
    if (!s) break;
    out.push_back(s->kind == Step::Kind::Close ? "<close>" : s->bytes);
  }
  return out;
}

}  // namespace

TEST(Scenario, StepKindsAndTheirBytes) {
  auto steps = Parse(
      "# a comment\n"
      "\n"
      "+0 IPC.vs -1200\n"
      "+10 @raw IPC.bank 12.5\\r\n"
      "+20 @fill 3 ab\n"
      "+30 @shutdown\n"
      "+0  two blanks, trailing blank \n"
      "+5\n"
      "+0 \\x40raw is text here\n"
      "+40 @repeat 2\n"
      "+0 @repeat\n"
      "+50 @close\r\n");
  ASSERT_EQ(steps.size(), 10u);
  EXPECT_EQ(steps[0].bytes, "IPC.vs -1200\r\n");
  EXPECT_EQ(steps[0].delayMs, 0);
  EXPECT_EQ(steps[0].sourceLine, 3);
  EXPECT_EQ(steps[1].bytes, "IPC.bank 12.5\r");
  EXPECT_EQ(steps[1].delayMs, 10);
  EXPECT_EQ(steps[2].bytes, "ababab");
  EXPECT_EQ(steps[3].bytes, "Broker is shutting down\r\n");
  EXPECT_EQ(steps[4].bytes, " two blanks, trailing blank \r\n");
  EXPECT_EQ(steps[5].bytes, "\r\n");
  EXPECT_EQ(steps[6].bytes, "@raw is text here\r\n");
  EXPECT_EQ(steps[7].kind, Step::Kind::Repeat);
  EXPECT_EQ(steps[7].repeatCount, 2);
  EXPECT_EQ(steps[8].repeatCount, -1);
  EXPECT_EQ(steps[9].kind, Step::Kind::Close);
  EXPECT_EQ(steps[9].delayMs, 50);
}

TEST(Scenario, ErrorsNameTheLine) {
  const char* bad[] = {"hello",          "+x hi",          "+-5 hi",           "+10 @bogus",
                       "+0 @fill 3",     "+0 @fill 9999999 abc", "+0 @close now", "+0 @repeat x",
                       "+0 bad \\q",     "+0 @shutdown now", "+99999999999 x"};
  for (const char* b : bad) {
    std::vector<Step> steps;
    std::string error;
    EXPECT_FALSE(ParseScenario(std::string("+0 ok\n") + b + "\n", steps, error)) << b;
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
  }
}

TEST(ScenarioPlayer, DelaysAccumulateFromTheStart) {
  auto steps = Parse("+0 A\n+100 B\n+50 C\n");
  ScenarioPlayer p(&steps);
  p.Start(1000);
  EXPECT_EQ(Drain(p, 1000), (std::vector<std::string>{"A\r\n"}));
  EXPECT_EQ(p.NextDueMs(), 1100);
  EXPECT_TRUE(Drain(p, 1099).empty());
  EXPECT_EQ(Drain(p, 1150), (std::vector<std::string>{"B\r\n", "C\r\n"}));
  EXPECT_TRUE(p.Finished());
}

TEST(ScenarioPlayer, LatePollKeepsOrderAndSchedule) {
  auto steps = Parse("+10 A\n+10 B\n+10 C\n+10 D\n");
  ScenarioPlayer p(&steps);
  p.Start(0);
  EXPECT_EQ(Drain(p, 25).size(), 2u);
  EXPECT_EQ(p.NextDueMs(), 30);  // not shifted by the late poll
  EXPECT_EQ(Drain(p, 1000), (std::vector<std::string>{"C\r\n", "D\r\n"}));
}

TEST(ScenarioPlayer, RepeatReplaysItsSection) {
  auto steps = Parse("+0 X\n+0 @repeat 0\n+0 A\n+10 @repeat 2\n+0 Z\n");
  ScenarioPlayer p(&steps);
  p.Start(0);
  EXPECT_EQ(Drain(p, 0), (std::vector<std::string>{"X\r\n", "A\r\n"}));
  EXPECT_EQ(Drain(p, 10), (std::vector<std::string>{"A\r\n"}));
  EXPECT_EQ(Drain(p, 1000), (std::vector<std::string>{"A\r\n", "Z\r\n"}));
  EXPECT_TRUE(p.Finished());
}

TEST(ScenarioPlayer, EndlessRepeatWithoutDelayStillAdvancesTime) {
  auto steps = Parse("+0 A\n+0 @repeat\n");
  ScenarioPlayer p(&steps);
  p.Start(0);
  EXPECT_EQ(Drain(p, 0).size(), 1u);
  EXPECT_EQ(Drain(p, 100).size(), 100u);  // one round per millisecond
  EXPECT_FALSE(p.Finished());
}

TEST(ScenarioPlayer, CloseEndsPlayback) {
  auto steps = Parse("+0 A\n+5 @close\n+0 B\n");
  ScenarioPlayer p(&steps);
  p.Start(0);
  EXPECT_EQ(Drain(p, 100), (std::vector<std::string>{"A\r\n", "<close>"}));
  EXPECT_TRUE(p.Finished());
}

TEST(ScenarioPlayer, NothingBeforeStartOrWithoutSteps) {
  auto steps = Parse("+0 A\n");
  ScenarioPlayer p(&steps);
  EXPECT_TRUE(p.Finished());
  EXPECT_EQ(p.NextDue(0), nullptr);
  std::vector<Step> none;
  ScenarioPlayer q(&none);
  q.Start(0);
  EXPECT_TRUE(q.Finished());
  EXPECT_EQ(q.NextDue(10), nullptr);
}
