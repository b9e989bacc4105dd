#include "platform/LogLimiter.h"

#include <chrono>

namespace platform {

namespace {
// Before the first run.
constexpr double kLongAgo = -1e300;

double MonotonicSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}
// Writes the summary of pending repeats, if any, and clears the count.
void TellCount(const TLogLimiter::Sink& sink, const TLogLimiter::Summary& summary, long long& pending) {
  if (pending == 0) return;
  const long long n = pending;
  pending = 0;
  if (sink && summary) sink(summary(n));
}

}  // namespace

TLogLimiter::TLogLimiter(Sink sink, Summary summary, Clock clock, double interval)
    : sink_(std::move(sink)),
      summary_(std::move(summary)),
      clock_(clock ? std::move(clock) : Clock(MonotonicSeconds)),
      interval_(interval) {}

void TLogLimiter::Log(const std::string& line) {
  const double now = clock_();
  // A clock that jumps back counts as an interval passed, never as a
  // reason to stay silent for ever.
  if (started_ && now - lastWritten_ < interval_ && now >= lastWritten_) {
    ++pending_;
    return;
  }
  started_ = true;
  lastWritten_ = now;
  Flush();
  if (sink_) sink_(line);
}

void TLogLimiter::Flush() { TellCount(sink_, summary_, pending_); }

void TLogLimiter::Reset() {
  Flush();
  started_ = false;
}

TLogBudget::TLogBudget(TLogLimiter::Sink sink, TLogLimiter::Summary summary, std::size_t lines,
                       TLogLimiter::Clock clock, double interval)
    : sink_(std::move(sink)),
      summary_(std::move(summary)),
      clock_(clock ? std::move(clock) : TLogLimiter::Clock(MonotonicSeconds)),
      lines_(lines),
      interval_(interval) {}

void TLogBudget::Roll(double now) {
  // A clock that jumps back ends the interval too.
  if (started_ && now - start_ < interval_ && now >= start_) return;
  Flush();
  started_ = true;
  start_ = now;
  used_ = 0;
}

void TLogBudget::Log(const std::string& line) {
  Roll(clock_());
  if (used_ >= lines_) {
    ++pending_;
    return;
  }
  ++used_;
  if (sink_) sink_(line);
}

void TLogBudget::Tick() {
  if (pending_ > 0) Roll(clock_());
}

void TLogBudget::Flush() { TellCount(sink_, summary_, pending_); }

TLogLimiter::Summary MoreDropped(std::string label) {
  std::size_t dots = 0;
  while (dots < 3 && dots < label.size() && label[label.size() - 1 - dots] == '.') ++dots;
  label.resize(label.size() - dots);
  return [label = std::move(label)](long long count) {
    return label + "... " + std::to_string(count) + " more dropped";
  };
}

TRunLog::TRunLog(TLogLimiter::Sink sink, TLogLimiter::Summary summary, Clock clock)
    : sink_(std::move(sink)),
      clock_(clock ? std::move(clock) : Clock(MonotonicSeconds)),
      limiter_(sink_, std::move(summary), [this] { return Now(); }),
      starts_{kLongAgo, kLongAgo} {}

void TRunLog::BeginRun() {
  const double now = Now();
  const bool repeat = now - starts_[0] < TLogLimiter::kInterval && now >= starts_[0];
  // A flood that has ended tells its count; the next one starts afresh.
  if (repeat_ && !repeat) limiter_.Reset();
  repeat_ = repeat;
  starts_ = {starts_[1], now};
}

void TRunLog::Log(const std::string& line) {
  if (repeat_) limiter_.Log(line);
  else if (sink_) sink_(line);
}

double TRunLog::SecondsSinceLastRun() const {
  const double since = Now() - starts_[1];
  // A clock that went back counts as a long time.
  return since >= 0 ? since : -kLongAgo;
}

void TRunLog::Reset() {
  limiter_.Reset();
  repeat_ = false;
  starts_ = {kLongAgo, kLongAgo};
}

void TRunLog::SetClock(Clock clock) { clock_ = clock ? std::move(clock) : Clock(MonotonicSeconds); }

}  // namespace platform
