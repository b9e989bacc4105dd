// Scenario files: timed broker lines that the scripted broker plays to each
// client. One step per line; "#" lines and blank lines are comments.
//
//   +<ms> <text>               after <ms> milliseconds, send <text> CR LF
//   +<ms> @raw <text>          send exactly the bytes of <text>, nothing added
//   +<ms> @fill <count> <text> send the bytes of <text> <count> times
//   +<ms> @shutdown            send "Broker is shutting down" CR LF
//   +<ms> @close               close the connection (playback ends)
//   +<ms> @repeat [<count>]    play the steps since the previous @repeat (or
//                              since the start) again, <count> more times;
//                              without a count, for ever
//
// <ms> counts from the previous step (from the start of playback for the
// first one). <text> is everything after the one blank that follows the
// keyword or the delay, blanks included, with the escapes of Escape.h
// (\r \n \t \\ \xHH); a line text that must begin with "@" starts with \x40.
// A CR at the very end of a file line (a file saved with CR LF) is dropped.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace broker {

inline constexpr std::string_view kShutdownNotice = "Broker is shutting down\r\n";

struct Step {
  enum class Kind { Send, Close, Repeat };
  Kind kind = Kind::Send;
  int64_t delayMs = 0;
  std::string bytes;       // Send: the bytes to send
  int64_t repeatCount = 0;  // Repeat: further rounds, -1 for ever
  int sourceLine = 0;       // line in the scenario file, for messages
};

// Parses a whole scenario file. On failure returns false and sets error to
// "line N: what".
bool ParseScenario(std::string_view text, std::vector<Step>& steps, std::string& error);

// Plays a parsed scenario for one client against a millisecond clock.
// Delays accumulate on the schedule, not on the send time, so a late poll
// never shifts the steps that follow.
class ScenarioPlayer {
 public:
  ScenarioPlayer() = default;
  explicit ScenarioPlayer(const std::vector<Step>* steps) : steps_(steps) {}

  void Start(int64_t nowMs);
  bool Started() const { return started_; }
  bool Finished() const;
  // Time at which the next step is due; only meaningful while not finished.
  int64_t NextDueMs() const { return dueMs_; }
  // The next Send or Close step due at nowMs, advancing past it (Repeat
  // steps are handled inside); nullptr when nothing is due yet.
  const Step* NextDue(int64_t nowMs);

 private:
  void Arm(size_t index);  // index becomes current, its delay is added
  const std::vector<Step>* steps_ = nullptr;
  bool started_ = false;
  size_t index_ = 0;
  int64_t dueMs_ = 0;
  size_t sectionStart_ = 0;      // first step of the current repeat section
  int64_t sectionStartMs_ = 0;   // due time of that step
  std::vector<int64_t> roundsLeft_;  // per Repeat step; -2 = not yet armed
};

}  // namespace broker
