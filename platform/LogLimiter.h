// Keeps a message that outside input can trigger again and again (a broker
// line, a frame) from filling the disk: the first occurrence is written as
// it is; the repeats after it are only counted, and at most one summary
// line per interval (10 s) says how many there were. The clock is given by
// the caller, so tests need not wait.
#pragma once
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

  // One occurrence: written as it is when it is the first one, else counted
  // (and the count written when an interval has passed since the last
  // line this limiter wrote).
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

  long long Pending() const { return pending_; }

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

// "<label>... <count> more dropped", the usual summary.
TLogLimiter::Summary MoreDropped(std::string label);

}  // namespace platform
