// Both programs under hostile conditions, as whole processes on a private
// X server: a settings file they may not read, SIGTERM with a menu or a
// dialog open, FIFOs in place of their files, a broker flooding them with
// over-long lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/TestSupport.h"
#include "tests/common/WholeProgram.h"

// Last: Xlib defines macros with common names.
#include <X11/Xlib.h>

using namespace wholeprogram;

namespace {

const std::vector<std::string> kEnv = {"LIBGL_ALWAYS_SOFTWARE=1"};
const char* const kKestraneTitle = "External Kestrane for PS1.3";

class Hardening : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(x.Start(1024, 768)) << "no Xvfb"; }

  // Kestrane with its data file, started and ready.
  void StartKestrane(Program& prog) {
    ASSERT_TRUE(prog.Ready()) << prog.Error();
    testsupport::WriteFile(prog.File("data/747world.mv"), std::string(64800, '\0'));
    ASSERT_TRUE(prog.Start({}, x.Display(), kEnv));
    ASSERT_TRUE(WaitForLine(prog.File("debug.txt"), " Startup: Initialization complete.", 20000))
        << testsupport::ReadFile(prog.File("debug.txt"));
    win = FindWindow(kKestraneTitle, 15000, prog.Pid(), x.Display());
    ASSERT_NE(win, 0ul);
  }
  void StartLunavex(Program& prog) {
    ASSERT_TRUE(prog.Ready()) << prog.Error();
    ASSERT_TRUE(prog.Start({}, x.Display(), kEnv));
    win = FindWindow("Lunavex", 20000, prog.Pid(), x.Display());
    ASSERT_NE(win, 0ul);
    Pause(500);
  }

  XServer x;
  unsigned long win = 0;
};

// The window manager's close button: WM_DELETE_WINDOW sent to window.
bool SendCloseRequest(unsigned long window, const std::string& display) {
  ::Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(d, window, False, NoEventMask, &e) != 0;
  XCloseDisplay(d);  // flushes the request
  return sent;
}

}  // namespace

// ---- Settings -------------------------------------------------------------

// Run as the user "nobody", neither program can read the root-owned file:
// each says so once (Kestrane in its log, Lunavex on stderr) and leaves
// the file exactly as it was.
TEST_F(Hardening, SettingsAnUnreadableConfigIniIsLeftUntouched) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to start the programs as the user nobody";
  if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv (util-linux) is not installed";
  const std::string original = "; shared by both programs\n[TCP/IP Settings]\nIPAdress=10.9.8.7\n";
  for (const char* name : {"kestrane", "lunavex"}) {
    SCOPED_TRACE(name);
    const bool kestrane = std::string(name) == "kestrane";
    Program prog(name, original);
    ASSERT_TRUE(prog.Ready()) << prog.Error();
    testsupport::WriteFile(prog.File("data/747world.mv"), std::string(64800, '\0'));
    ASSERT_EQ(chmod(prog.File("config.ini").c_str(), 0600), 0);
    // Everything else is open to the user: folder, log, the folders above.
    for (std::filesystem::path p = prog.Folder(); p != p.root_path(); p = p.parent_path()) {
      if (p.string() == "/tmp") break;
      chmod(p.c_str(), 0777);
    }
    struct stat before;
    ASSERT_EQ(stat(prog.File("config.ini").c_str(), &before), 0);
    ChildProcess child;
    std::vector<std::string> env = kEnv;
    env.push_back("DISPLAY=" + x.Display());
    ASSERT_TRUE(child.Start("/usr/bin/setpriv",
                            {"--reuid=65534", "--regid=65534", "--clear-groups", prog.Executable()},
                            prog.Folder(), prog.StdoutFile(), prog.StderrFile(), env));
    const std::string log = kestrane ? prog.File("debug.txt") : prog.StderrFile();
    if (kestrane) {
      ASSERT_TRUE(WaitForLine(log, " Startup: Initialization complete.", 20000))
          << testsupport::ReadFile(log) << testsupport::ReadFile(prog.StderrFile());
    } else {
      ASSERT_NE(FindWindow("Lunavex", 20000, child.Pid(), x.Display()), 0ul) << testsupport::ReadFile(log);
    }
    ExitStatus st = child.Terminate(5000);
    EXPECT_EQ(st.code, 0);
    EXPECT_EQ(CountLines(log, "config.ini\" could not be read (Permission denied)"), 1) << testsupport::ReadFile(log);
    struct stat after;
    ASSERT_EQ(stat(prog.File("config.ini").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(testsupport::ReadFile(prog.File("config.ini")), original);
  }
}

// Both programs replace the file at exit with its permission bits kept.
TEST_F(Hardening, SettingsBothProgramsKeepTheFilesPermissionBits) {
  for (const char* name : {"kestrane", "lunavex"}) {
    SCOPED_TRACE(name);
    Program prog(name, std::string("[Other]\nKeep=1\n"));
    ASSERT_EQ(chmod(prog.File("config.ini").c_str(), 0604), 0);
    if (std::string(name) == "kestrane") {
      ASSERT_NO_FATAL_FAILURE(StartKestrane(prog));
    } else {
      ASSERT_NO_FATAL_FAILURE(StartLunavex(prog));
    }
    EXPECT_EQ(prog.Terminate(5000).code, 0);
    struct stat st;
    ASSERT_EQ(stat(prog.File("config.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_NE(testsupport::ReadFile(prog.File("config.ini")).find("Window Width="), std::string::npos);
  }
}

// ---- Exit -------------------------------------------------------------------

// Each program with something open that runs its own event loop: a menu of
// the menu bar (held open), or Lunavex's modal settings dialog. SIGTERM
// ends it, and so does the window manager's close of the program window.
TEST_F(Hardening, ExitEndsOnSigtermOrWindowCloseWhateverIsOpen) {
  struct Case {
    const char* program;
    const char* open;  // "menu" or "dialog"
    bool sigterm;      // else the window manager's close
  };
  const Case cases[] = {{"kestrane", "menu", true},  {"lunavex", "menu", true},   {"lunavex", "dialog", true},
                        {"kestrane", "menu", false}, {"lunavex", "dialog", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " with its " + c.open + (c.sigterm ? " open, SIGTERM" : " open, close"));
    const bool kestrane = std::string(c.program) == "kestrane";
    Program prog(c.program, std::string("[Other]\nKeep=1\n"));
    if (kestrane) {
      ASSERT_NO_FATAL_FAILURE(StartKestrane(prog));
    } else {
      ASSERT_NO_FATAL_FAILURE(StartLunavex(prog));
    }
    ASSERT_TRUE(SendKey(win, kestrane ? "f" : "o", kAlt, x.Display()));  // File or Options menu
    Pause(700);
    if (std::string(c.open) == "dialog") {
      ASSERT_TRUE(SendKey(win, "s", 0, x.Display()));  // Options > Settings
      ASSERT_NE(FindWindow("PFD Settings", 10000, prog.Pid(), x.Display()), 0ul);
    }
    ASSERT_TRUE(prog.Running());
    ExitStatus st;
    if (c.sigterm) {
      st = prog.Terminate(5000);
    } else {
      ASSERT_TRUE(SendCloseRequest(win, x.Display()));
      st = prog.Wait(5000);
    }
    // Within a second; 5 s (times the wait factor) allowed for a loaded machine.
    EXPECT_FALSE(st.timedOut) << "still running after " << Scaled(5000) << " ms";
    EXPECT_TRUE(st.exited);
    EXPECT_EQ(st.code, 0);
    EXPECT_NE(testsupport::ReadFile(prog.File("config.ini")).find("Window Width="), std::string::npos);
  }
}

// The start-up message box of a missing data file is up: SIGTERM still
// ends the program, and the log tells of the missing file.
TEST_F(Hardening, ExitKestraneEndsOnSigtermWithAMessageBoxUp) {
  Program prog("kestrane", std::string("[Other]\nKeep=1\n"), false);
  ASSERT_TRUE(prog.Ready()) << prog.Error();
  ASSERT_TRUE(prog.Start({}, x.Display(), kEnv));
  ASSERT_TRUE(WaitForLine(prog.File("debug.txt"), " Startup: Working Directory", 20000));
  Pause(1000);
  // The box is still up: the log line comes when it closes.
  ASSERT_EQ(CountLines(prog.File("debug.txt"), "747world.mv not found"), 0);
  ASSERT_TRUE(prog.Running());
  ExitStatus st = prog.Terminate(5000);
  EXPECT_FALSE(st.timedOut);
  EXPECT_EQ(st.code, 0);
  EXPECT_EQ(CountLines(prog.File("debug.txt"), " Startup : 747world.mv not found!"), 1);
}

// ---- Files that are not files ---------------------------------------------

// A FIFO in place of a picture counts as a missing picture: start-up goes
// on (a plain open would wait for a writer for ever).
TEST_F(Hardening, FilesFifosCountAsMissing) {
  {
    Program prog("kestrane", std::string("[Other]\nKeep=1\n"));
    ASSERT_TRUE(prog.Ready());
    std::filesystem::remove(prog.File("bitmaps/PFDframe.jpg"));
    ASSERT_EQ(mkfifo(prog.File("bitmaps/PFDframe.jpg").c_str(), 0644), 0);
    ASSERT_NO_FATAL_FAILURE(StartKestrane(prog));
    // The frame images are read after " Initialization complete.".
    EXPECT_TRUE(WaitForLine(prog.File("debug.txt"), " Startup: Frame image not loaded: bitmaps/PFDframe.jpg", 20000));
    EXPECT_EQ(CountLines(prog.File("debug.txt"), " Startup: Frame image not loaded: bitmaps/PFDframe.jpg"), 1);
    EXPECT_EQ(prog.Terminate(5000).code, 0);
  }
  {
    Program prog("lunavex", std::string("[Other]\nKeep=1\n"));
    ASSERT_TRUE(prog.Ready());
    std::filesystem::remove(prog.File("bitmaps/AItexture-blue.jpg"));
    ASSERT_EQ(mkfifo(prog.File("bitmaps/AItexture-blue.jpg").c_str(), 0644), 0);
    ASSERT_NO_FATAL_FAILURE(StartLunavex(prog));
    ASSERT_TRUE(WaitForLine(prog.StderrFile(), "cannot load bitmaps\\AItexture-blue.jpg", 10000))
        << testsupport::ReadFile(prog.StderrFile());
    EXPECT_EQ(prog.Terminate(5000).code, 0);
  }
}

// ---- Logs under a hostile broker --------------------------------------------

// 3 MB of line-less bytes: thousands of buffer overflows, logged as one
// line and one count per 10 s.
TEST_F(Hardening, LogsOfAFloodOfOverlongLinesAreBounded) {
  testsupport::TempDir dir;
  const std::string scenario = dir.File("flood.txt");
  testsupport::WriteFile(scenario, "+1500 @fill 100000 x\n+0 @repeat 29\n+300 @shutdown\n");
  for (const char* name : {"kestrane", "lunavex"}) {
    SCOPED_TRACE(name);
    ScriptedBroker broker;
    ASSERT_TRUE(broker.Start(scenario, dir.File(std::string(name) + ".rec")));
    const bool kestrane = std::string(name) == "kestrane";
    Program prog(name, BrokerConfig(broker.Port()));
    if (kestrane) {
      ASSERT_NO_FATAL_FAILURE(StartKestrane(prog));
      ASSERT_TRUE(SendKey(win, "c", kControl, x.Display()));
    } else {
      ASSERT_NO_FATAL_FAILURE(StartLunavex(prog));
      ASSERT_TRUE(SendKey(win, "f", kAlt, x.Display()));
      Pause(300);
      ASSERT_TRUE(SendKey(win, "c", 0, x.Display()));
    }
    const std::string log = kestrane ? prog.File("debug.txt") : prog.StderrFile();
    const std::string first = kestrane ? " Broker Comm: Line longer than" : "receive buffer full without a line end, ";
    // The session ends with the broker's notice; the count is written then.
    ASSERT_TRUE(WaitForLine(log, "more dropped", 30000)) << testsupport::ReadFile(log);
    const int lines = CountLines(log, first), counts = CountLines(log, "more dropped");
    EXPECT_GE(lines, 1);
    EXPECT_LE(lines, counts + 1) << testsupport::ReadFile(log).substr(0, 2000);
    EXPECT_LE(counts, 4);
    EXPECT_EQ(prog.Terminate(5000).code, 0);
  }
}
