// Whole-program tests: run the staged executables in their own temporary
// program folders against the scripted broker, wait for their log lines,
// stop them, look at their windows and press their keys.
//
// Every wait here is bounded by a timeout in milliseconds. Nothing blocks
// for ever: a child that does not end on SIGTERM is killed.
//
// Every timeout and pause given to these helpers is multiplied by the wait
// factor (WaitFactor): the programs start, draw and answer more slowly in
// the sanitizer build and on a busy machine, and a test's wait is meant as
// "long enough", not as a measure of speed.
//
// Windows: the X display is the one in $DISPLAY (the suite runs under
// xvfb-run) unless a test starts its own XServer, which keeps other tests'
// windows from covering its own on screenshots. The X functions take the
// display name; an empty name means $DISPLAY.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/common/TestSupport.h"

namespace wholeprogram {

// The factor every wait of the whole-program tests is multiplied by: 1 in
// the normal build, 4 in the sanitizer build, times the number in the
// environment variable GC_WAIT_FACTOR when it is set to one of at least 1
// (at most 100; anything else is ignored with one warning).
double WaitFactor();
// The factor for that value of GC_WAIT_FACTOR (nullptr: not set).
double WaitFactorFor(const char* gcWaitFactor);
// ms multiplied by the wait factor (rounded up).
int Scaled(int ms);
// Sleeps Scaled(ms): time for a program to do what the test cannot see
// happen (open a menu, draw frames, not send anything more).
void Pause(int ms);
// Calls done every pollMs until it returns true (true) or Scaled(timeoutMs)
// have passed (false). done is called at least once.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 20);

// How a child process ended.
struct ExitStatus {
  bool exited = false;    // ended by exit(); code is valid
  int code = -1;
  int signal = 0;         // ended by this signal
  bool timedOut = false;  // did not end in time (and was killed, if asked to end)
};

// A child process started with posix_spawn.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // ends a child that still runs (SIGTERM, then SIGKILL)
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts program with args in workDir, standard output and error going
  // to the given files (created or truncated). env entries "NAME=value"
  // are added to (or replace those of) this process's environment.
  bool Start(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
             const std::string& stdoutFile, const std::string& stderrFile,
             const std::vector<std::string>& env = {});
  // The same, with fd3 (when not -1) handed to the child as its
  // descriptor 3 (Xvfb reports its display number there).
  bool StartWithFd3(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                    const std::string& stdoutFile, const std::string& stderrFile,
                    const std::vector<std::string>& env, int fd3);
  pid_t Pid() const { return pid_; }
  bool Running();
  // Waits for the end, at most timeoutMs.
  ExitStatus Wait(int timeoutMs);
  // SIGTERM, then waits at most timeoutMs; after that SIGKILL (timedOut set).
  ExitStatus Terminate(int timeoutMs = 5000);

 private:
  pid_t pid_ = -1;
  std::optional<ExitStatus> status_;
};

// bin/scripted-broker on a free port of 127.0.0.1.
class ScriptedBroker {
 public:
  ScriptedBroker() = default;
  ~ScriptedBroker() { Stop(); }

  // Starts the broker; scenarioFile may be empty (no scenario), recordFile
  // receives the record lines. Returns when it listens (false on failure
  // or after timeoutMs).
  bool Start(const std::string& scenarioFile, const std::string& recordFile,
             const std::vector<std::string>& extraArgs = {}, int timeoutMs = 10000);
  int Port() const { return port_; }
  const std::string& RecordFile() const { return recordFile_; }
  // The byte records of client n (1, 2, ... in order of connection),
  // decoded from the record file.
  std::vector<std::string> ClientRecords(int client) const;
  // Its standard error (connection log).
  std::string Log() const;
  ExitStatus Stop(int timeoutMs = 5000);
  ChildProcess& Process() { return process_; }

 private:
  testsupport::TempDir dir_;
  ChildProcess process_;
  std::string recordFile_;
  int port_ = 0;
};

// Parses one line of a broker record file: "client<N> <escaped bytes>".
bool ParseRecordLine(const std::string& line, int& client, std::string& bytes);

// "config.ini" text that points a program at the broker on 127.0.0.1:port.
std::string BrokerConfig(int port);

// A staged program (bin/kestrane, bin/lunavex, or any executable given by
// a path with "/") copied into a fresh program folder with "bitmaps",
// "audio" and "data" beside it. With linkStagedAssets the files staged in
// bin/bitmaps, bin/audio and bin/data are linked in. Standard output and
// error go to files outside the program folder.
class Program {
 public:
  explicit Program(const std::string& program, const std::optional<std::string>& configIni = std::nullopt,
                   bool linkStagedAssets = true);
  ~Program();
  bool Ready() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  const std::string& Folder() const { return folder_; }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  std::string Executable() const { return executable_; }
  std::string StdoutFile() const { return dir_.File("stdout.txt"); }
  std::string StderrFile() const { return dir_.File("stderr.txt"); }

  // Starts it in its folder. display empty: $DISPLAY; env as ChildProcess.
  bool Start(const std::vector<std::string>& args = {}, const std::string& display = "",
             const std::vector<std::string>& env = {});
  bool Running() { return process_.Running(); }
  pid_t Pid() const { return process_.Pid(); }
  ExitStatus Wait(int timeoutMs) { return process_.Wait(timeoutMs); }
  ExitStatus Terminate(int timeoutMs = 5000) { return process_.Terminate(timeoutMs); }

 private:
  testsupport::TempDir dir_;
  std::string folder_;
  std::string executable_;
  std::string error_;
  ChildProcess process_;
};

// Waits until some line of file contains text (the file may not exist
// yet). The matching line goes to *line when given.
bool WaitForLine(const std::string& file, const std::string& text, int timeoutMs, std::string* line = nullptr);
// Number of lines of file that contain text.
int CountLines(const std::string& file, const std::string& text);

// A private X server (Xvfb) for one test, on a display number it picks.
class XServer {
 public:
  XServer() = default;
  ~XServer();
  bool Start(int width = 1280, int height = 1024, int timeoutMs = 10000);
  const std::string& Display() const { return display_; }

 private:
  ChildProcess process_;
  testsupport::TempDir dir_;
  std::string display_;
};

// True when the display (empty: $DISPLAY) can be opened.
bool HaveDisplay(const std::string& display = "");

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

// RGB pixels, top row first.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  bool Valid() const { return width > 0 && height > 0; }
  // Pixel at (x, y), y counted from the top; black outside.
  Rgb Pixel(int x, int y) const;
  // Pixels in the rectangle (inclusive corners) within tol of c per channel.
  int CountColour(int x0, int y0, int x1, int y1, Rgb c, int tol = 40) const;
  bool SavePng(const std::string& path) const;
};

// Captures a window's contents, or the whole screen when window is 0.
bool Screenshot(Image& out, unsigned long window = 0, const std::string& display = "");

// Finds a top-level window whose title equals title (any title when it is
// empty) and, when pid is not 0, that belongs to that process; waits at
// most timeoutMs for it to appear and be mapped. 0 when none.
unsigned long FindWindow(const std::string& title, int timeoutMs, pid_t pid = 0, const std::string& display = "");
// Position (relative to the screen) and size of a window.
bool WindowGeometry(unsigned long window, int& x, int& y, int& width, int& height, const std::string& display = "");

// Modifier masks for SendKey (the X masks).
constexpr unsigned kShift = 1u << 0, kControl = 1u << 2, kAlt = 1u << 3;
// Gives the window the keyboard focus and sends it a key press and release.
// keysym is an X key name: "m", "M", "F6", "plus", "Escape", "Page_Up"...;
// Shift is added by itself for keys that need it ("M", "plus").
bool SendKey(unsigned long window, const std::string& keysym, unsigned modifiers = 0,
             const std::string& display = "");

}  // namespace wholeprogram
