#include "tools/scripted-broker/Scenario.h"

#include "platform/Numbers.h"
#include "tools/scripted-broker/Escape.h"

namespace broker {

namespace {

constexpr int64_t kMaxDelayMs = 24LL * 3600 * 1000;
constexpr size_t kMaxFillBytes = 16u << 20;

bool ParseCount(std::string_view text, int64_t maxValue, int64_t& out) {
  int v = 0;
  if (text.empty() || text.front() == '-' || text.front() == '+' || !platform::ParseInt(text, v) ||
      v < 0 || v > maxValue)
    return false;
  out = v;
  return true;
}

// Splits "word rest" at the first blank; rest keeps its blanks.
void SplitWord(std::string_view s, std::string_view& word, std::string_view& rest, bool& hadBlank) {
  size_t sp = s.find(' ');
  hadBlank = sp != std::string_view::npos;
  word = s.substr(0, sp);
  rest = hadBlank ? s.substr(sp + 1) : std::string_view();
}

bool ParseStep(std::string_view line, Step& step, std::string& what) {
  if (line.empty() || line.front() != '+') {
    what = "a step starts with +<ms>";
    return false;
  }
  std::string_view delay, rest;
  bool hasText = false;
  SplitWord(line.substr(1), delay, rest, hasText);
  if (!ParseCount(delay, kMaxDelayMs, step.delayMs)) {
    what = "bad delay \"" + std::string(delay) + "\"";
    return false;
  }
  std::string err;
  if (rest.empty() || rest.front() != '@') {  // a plain line, CR LF added
    if (!UnescapeBytes(rest, step.bytes, &err)) {
      what = err;
      return false;
    }
    step.bytes += "\r\n";
    return true;
  }
  std::string_view keyword, arg;
  bool hasArg = false;
  SplitWord(rest, keyword, arg, hasArg);
  if (keyword == "@raw") {
    if (!UnescapeBytes(arg, step.bytes, &err)) {
      what = err;
      return false;
    }
    return true;
  }
  if (keyword == "@fill") {
    std::string_view count, pattern;
    bool hasPattern = false;
    SplitWord(arg, count, pattern, hasPattern);
    int64_t n = 0;
    std::string unit;
    if (!ParseCount(count, static_cast<int64_t>(kMaxFillBytes), n)) {
      what = "bad @fill count \"" + std::string(count) + "\"";
      return false;
    }
    if (!UnescapeBytes(pattern, unit, &err) || unit.empty()) {
      what = unit.empty() && err.empty() ? "@fill needs a text" : err;
      return false;
    }
    if (static_cast<size_t>(n) * unit.size() > kMaxFillBytes) {
      what = "@fill larger than 16 MiB";
      return false;
    }
    step.bytes.reserve(static_cast<size_t>(n) * unit.size());
    for (int64_t i = 0; i < n; ++i) step.bytes += unit;
    return true;
  }
  if (keyword == "@shutdown" || keyword == "@close") {
    if (hasArg) {
      what = std::string(keyword) + " takes nothing after it";
      return false;
    }
    if (keyword == "@shutdown")
      step.bytes = std::string(kShutdownNotice);
    else
      step.kind = Step::Kind::Close;
    return true;
  }
  if (keyword == "@repeat") {
    step.kind = Step::Kind::Repeat;
    step.repeatCount = -1;
    if (hasArg && !ParseCount(arg, 1000000000, step.repeatCount)) {
      what = "bad @repeat count \"" + std::string(arg) + "\"";
      return false;
    }
    return true;
  }
  what = "unknown directive " + std::string(keyword);
  return false;
}

}  // namespace

bool ParseScenario(std::string_view text, std::vector<Step>& steps, std::string& error) {
  std::vector<Step> parsed;
  int lineNo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '#') continue;
    Step step;
    step.sourceLine = lineNo;
    std::string what;
    if (!ParseStep(line, step, what)) {
      error = "line " + std::to_string(lineNo) + ": " + what;
      return false;
    }
    parsed.push_back(std::move(step));
  }
  steps = std::move(parsed);
  return true;
}

void ScenarioPlayer::Start(int64_t nowMs) {
  started_ = true;
  index_ = 0;
  sectionStart_ = 0;
  roundsLeft_.assign(steps_ ? steps_->size() : 0, -2);
  dueMs_ = nowMs;
  sectionStartMs_ = nowMs;
  if (!Finished()) Arm(0);
}

void ScenarioPlayer::Arm(size_t index) {
  index_ = index;
  if (index_ < steps_->size()) dueMs_ += (*steps_)[index_].delayMs;
}

bool ScenarioPlayer::Finished() const { return !started_ || !steps_ || index_ >= steps_->size(); }

const Step* ScenarioPlayer::NextDue(int64_t nowMs) {
  // Each pass either returns, advances index_, or jumps back with one round
  // used up; a section that takes no time is given 1 ms per round, so the
  // loop always ends.
  while (!Finished() && dueMs_ <= nowMs) {
    const Step& step = (*steps_)[index_];
    if (step.kind != Step::Kind::Repeat) {
      Arm(index_ + 1);
      if (step.kind == Step::Kind::Close) index_ = steps_->size();
      return &step;
    }
    int64_t& left = roundsLeft_[index_];
    if (left == -2) left = step.repeatCount;
    if (left == 0) {
      left = -2;  // an enclosing round that comes back here starts afresh
      sectionStart_ = index_ + 1;
      sectionStartMs_ = dueMs_;
      Arm(index_ + 1);
      continue;
    }
    if (left > 0) --left;
    if (dueMs_ == sectionStartMs_) ++dueMs_;
    sectionStartMs_ = dueMs_;
    Arm(sectionStart_);
  }
  return nullptr;
}

}  // namespace broker
