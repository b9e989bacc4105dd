#include "platform/LogLimiter.h"

#include <chrono>

namespace platform {

namespace {
double SteadySeconds() {
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
      clock_(clock ? std::move(clock) : Clock(SteadySeconds)),
      interval_(interval) {}

void TLogLimiter::Log(const std::string& line) {
  const double now = clock_();
  if (!started_) {
    started_ = true;
    lastWritten_ = now;
    if (sink_) sink_(line);
    return;
  }
  ++pending_;
  // A clock that jumps back counts as an interval passed, never as a
  // reason to stay silent for ever.
  if (now - lastWritten_ >= interval_ || now < lastWritten_) {
    lastWritten_ = now;
    Flush();
  }
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
      clock_(clock ? std::move(clock) : TLogLimiter::Clock(SteadySeconds)),
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
  return [label = std::move(label)](long long count) {
    return label + "... " + std::to_string(count) + " more dropped";
  };
}

}  // namespace platform
