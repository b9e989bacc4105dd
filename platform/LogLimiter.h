// Keeps a message that outside input can trigger again and again (a broker
// line, a frame) from filling the disk: an occurrence is written as it is
// when no line of this limiter was written during the last interval
// (10 s), after the count of the repeats not yet told; the repeats within
// an interval are only counted, and told at most once per interval. A
// flood costs one line and one count per interval; a message that comes
// again after a quiet spell is written in full. The clock is given by the
// caller, so tests need not wait.
#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <string>

namespace platform {

class TLogLimiter {
 public:
  using Sink = std::function<void(const std::string& line)>;
  // Text of the summary line for count repeats.
  using Summary = std::function<std::string(long long count)>;
  // Seconds on a clock that never goes back.
  using Clock = std::function<double()>;

  static constexpr double kInterval = 10.0;

  // An empty clock is the system's monotonic clock.
  TLogLimiter(Sink sink, Summary summary, Clock clock = {}, double interval = kInterval);

  // One occurrence: written as it is when it is the first one or an
  // interval has passed since the last line this limiter wrote (the count
  // of the repeats first), else counted.
  void Log(const std::string& line);
  // Writes the summary of the repeats not yet told, if any.
  void Flush();
  // The flood is over (a session ended): the repeats not yet told are
  // written, and the next occurrence is written as it is again.
  void Reset();

  long long Pending() const { return pending_; }

 private:
  Sink sink_;
  Summary summary_;
  Clock clock_;
  double interval_;
  bool started_ = false;
  double lastWritten_ = 0;
  long long pending_ = 0;
};

// A cap over a family of messages whose members outside input can multiply
// (one limiter per intruder, say): at most `lines` lines pass per interval;
// the rest are counted, and the count is written once the interval has
// passed, at the next line or Tick, or at Flush.
class TLogBudget {
 public:
  TLogBudget(TLogLimiter::Sink sink, TLogLimiter::Summary summary, std::size_t lines,
             TLogLimiter::Clock clock = {}, double interval = TLogLimiter::kInterval);

  void Log(const std::string& line);
  // Writes the count once the interval of the last line has passed.
  void Tick();
  // Writes the count not yet told, if any.
  void Flush();

 private:
  // Starts a new interval (the count told first) when the current one is over.
  void Roll(double now);

  TLogLimiter::Sink sink_;
  TLogLimiter::Summary summary_;
  TLogLimiter::Clock clock_;
  std::size_t lines_;
  double interval_;
  bool started_ = false;
  double start_ = 0;
  std::size_t used_ = 0;
  long long pending_ = 0;
};

// "<label>... <count> more dropped", the usual summary; the dots a label
// ends with are part of the three ("played." gives "played... ").
TLogLimiter::Summary MoreDropped(std::string label);

// The lines of a job that outside input can start again and again (the
// database reload of a position that jumps to and fro). A run that starts
// within the interval (10 s) of the run two before it is a repeat: its
// lines go through a limiter: a flood of runs writes its first two runs in
// full, then one line and one count per 10 s. Runs further apart write
// their lines as they are, so a run after a quiet spell is written in full.
class TRunLog {
 public:
  using Clock = TLogLimiter::Clock;

  // An empty clock is the system's monotonic clock.
  TRunLog(TLogLimiter::Sink sink, TLogLimiter::Summary summary, Clock clock = {});
  TRunLog(const TRunLog&) = delete;
  TRunLog& operator=(const TRunLog&) = delete;

  // A run starts (before its first line).
  void BeginRun();
  // One line of the current run.
  void Log(const std::string& line);
  // Seconds since the last run started (a very large number before the first).
  double SecondsSinceLastRun() const;
  // The runs are over (a session ended, the program ends): the repeats not
  // yet told are written, and the next run counts as the first.
  void Reset();
  // Tests run it on their own clock.
  void SetClock(Clock clock);

 private:
  double Now() const { return clock_(); }
  TLogLimiter::Sink sink_;
  Clock clock_;
  TLogLimiter limiter_;
  bool repeat_ = false;
  std::array<double, 2> starts_;  // starts of the last two runs, older first
};

}  // namespace platform
