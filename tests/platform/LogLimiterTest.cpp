#include "platform/LogLimiter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::TLogLimiter;

namespace {

// A limiter on a clock the test sets, writing into a list.
struct Fixture {
  double now = 1000.0;
  std::vector<std::string> written;
  TLogLimiter log{[this](const std::string& l) { written.push_back(l); }, platform::MoreDropped("Line dropped"),
                  [this] { return now; }};
};

}  // namespace

// Each row: occurrences "#1", "#2", ... at these times (seconds after the
// first; "reset" ends the session first), then the lines written.
TEST(LogLimiter, FirstLineAsItIsThenOneCountPerTenSeconds) {
  struct Event {
    double t;
    bool reset = false;
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
      {"count at 10 s covers every repeat", {{0}, {1}, {2}, {10}}, {"#1", more + "3 more dropped"}},
      {"one count per interval in a flood",
       {{0}, {3}, {10}, {12}, {19.9}, {20}, {35}},
       {"#1", more + "2 more dropped", more + "3 more dropped", more + "1 more dropped"}},
      {"reset writes the rest and starts again", {{0}, {1}, {3, true}}, {"#1", more + "1 more dropped", "#3"}},
      {"reset with nothing pending writes nothing", {{0}, {51, true}}, {"#1", "#2"}},
      {"a clock that goes back does not silence it", {{0}, {1}, {-100}}, {"#1", more + "2 more dropped"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    const double start = f.now;
    int n = 0;
    for (const Event& e : c.events) {
      if (e.reset) f.log.Reset();
      f.now = start + e.t;
      f.log.Log("#" + std::to_string(++n));
    }
    EXPECT_EQ(f.written, c.expected);
  }
}

// A flood of a million lines over an hour writes at most one line per 10 s,
// and every repeat is counted.
TEST(LogLimiter, FloodIsBoundedAndFullyCounted) {
  Fixture f;
  const double start = f.now;
  for (int i = 0; i < 1000000; ++i) {
    f.now = start + i * 0.0036;
    f.log.Log("over-long line");
  }
  f.log.Flush();
  EXPECT_LE(f.written.size(), 1u + 3600 / 10 + 1);
  long long counted = 0;
  for (size_t i = 1; i < f.written.size(); ++i) counted += std::stoll(f.written[i].substr(f.written[i].find("... ") + 4));
  EXPECT_EQ(f.written.front(), "over-long line");
  EXPECT_EQ(counted, 999999);
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
