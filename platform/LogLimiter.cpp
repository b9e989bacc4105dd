#include "platform/LogLimiter.h"

#include <chrono>

namespace platform {

namespace {
double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
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

void TLogLimiter::Flush() {
  if (pending_ == 0) return;
  const long long n = pending_;
  pending_ = 0;
  if (sink_ && summary_) sink_(summary_(n));
}

void TLogLimiter::Reset() {
  Flush();
  started_ = false;
}

TLogLimiter::Summary MoreDropped(std::string label) {
  return [label = std::move(label)](long long count) {
    return label + "... " + std::to_string(count) + " more dropped";
  };
}

}  // namespace platform
