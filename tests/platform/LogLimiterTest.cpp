#include "platform/LogLimiter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::TLogLimiter;

namespace {

// A limiter on a clock the test sets, writing into a list. Its label ends
// with a full stop, which the summary's dots take in.
struct Fixture {
  double now = 1000.0;
  std::vector<std::string> written;
  TLogLimiter log{[this](const std::string& l) { written.push_back(l); }, platform::MoreDropped("Line dropped."),
                  [this] { return now; }};
};

}  // namespace

// Each row: occurrences "#1", "#2", ... at these times (seconds after the
// first; "reset" ends the session first; "times" occurrences, "every" s
// apart), then the lines written.
TEST(LogLimiter, InFullAfterTenQuietSecondsElseOneCountPerTenSeconds) {
  struct Event {
    double t;
    bool reset = false;
    int times = 1;
    double every = 0;
  };
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::vector<std::string> expected;
  };
  const std::string more = "Line dropped... ";
  const std::vector<Case> cases = {
      {"single", {{0}}, {"#1"}},
      {"burst within 10 s is counted, not written", {{0}, {0.1}, {5}, {9.9}}, {"#1"}},
      {"at 10 s the count of the repeats, then the line", {{0}, {1}, {2}, {10}}, {"#1", more + "2 more dropped", "#4"}},
      {"one count per interval in a flood",
       {{0}, {3}, {10}, {12}, {19.9}, {20}, {35}},
       {"#1", more + "1 more dropped", "#3", more + "2 more dropped", "#6", "#7"}},
      {"after 11 quiet seconds the same line in full", {{0}, {11}}, {"#1", "#2"}},
      {"1000 in 30 s: a line and a count per 10 s",
       {{0, false, 1000, 0.03}},
       {"#1", more + "333 more dropped", "#335", more + "333 more dropped", "#669"}},
      {"reset writes the rest and starts again", {{0}, {1}, {3, true}}, {"#1", more + "1 more dropped", "#3"}},
      {"reset with nothing pending writes nothing", {{0}, {51, true}}, {"#1", "#2"}},
      {"a clock that goes back does not silence it", {{0}, {1}, {-100}}, {"#1", more + "1 more dropped", "#3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    const double start = f.now;
    int n = 0;
    for (const Event& e : c.events) {
      if (e.reset) f.log.Reset();
      for (int k = 0; k < e.times; ++k) {
        f.now = start + e.t + k * e.every;
        f.log.Log("#" + std::to_string(++n));
      }
    }
    EXPECT_EQ(f.written, c.expected);
  }
}

// A flood of a million lines over an hour writes at most one line and one
// count per 10 s, and every occurrence is either written or counted.
TEST(LogLimiter, FloodIsBoundedAndFullyCounted) {
  Fixture f;
  const double start = f.now;
  for (int i = 0; i < 1000000; ++i) {
    f.now = start + i * 0.0036;
    f.log.Log("over-long line");
  }
  f.log.Flush();
  EXPECT_LE(f.written.size(), 2 * (3600 / 10 + 1));
  long long counted = 0, written = 0;
  for (const std::string& l : f.written) {
    if (l == "over-long line") ++written;
    else counted += std::stoll(l.substr(l.find("... ") + 4));
  }
  EXPECT_EQ(f.written.front(), "over-long line");
  EXPECT_EQ(written + counted, 1000000);
}

// A budget of two lines per 10 s: lines "#1", "#2", ... (or a Tick) at
// these times, then the lines written.
TEST(LogBudget, TwoLinesPerIntervalThenACountOncePassed) {
  struct Event {
    double t;
    bool tick = false;
  };
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::vector<std::string> expected;
  };
  const std::string more = "Over budget... ";
  const std::vector<Case> cases = {
      {"within the budget", {{0}, {9}}, {"#1", "#2"}},
      {"over it: counted", {{0}, {1}, {2}, {3}}, {"#1", "#2"}},
      {"the count, then a new interval",
       {{0}, {1}, {2}, {3}, {10}, {11}, {12}},
       {"#1", "#2", more + "2 more dropped", "#5", "#6"}},
      {"a tick tells the count once the interval is over",
       {{0}, {1}, {2}, {9.9, true}, {10, true}, {30, true}},
       {"#1", "#2", more + "1 more dropped"}},
      {"a clock that goes back starts an interval", {{0}, {1}, {2}, {-5}}, {"#1", "#2", more + "1 more dropped", "#4"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    double now = 1000;
    std::vector<std::string> written;
    platform::TLogBudget budget([&](const std::string& l) { written.push_back(l); },
                                platform::MoreDropped("Over budget"), 2, [&] { return now; });
    int n = 0;
    for (const Event& e : c.events) {
      now = 1000 + e.t;
      ++n;
      if (e.tick) budget.Tick();
      else budget.Log("#" + std::to_string(n));
    }
    EXPECT_EQ(written, c.expected);
  }
}
