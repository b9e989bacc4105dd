// The real Kestrane executable on a private X server: each dialog opens
// from its menu item by the keyboard, shows its window and closes again,
// and the broker settings typed into the dialog are saved at exit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/IniFile.h"
#include "tests/common/TestSupport.h"
#include "tests/common/WholeProgram.h"

using namespace wholeprogram;

namespace {

// Pixels of the window that are not its background grey: the window has
// been drawn with something on it.
int Drawn(const Image& img) {
  int n = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const Rgb p = img.Pixel(x, y);
      if (p.r < 150 || p.g < 150 || p.b < 150) ++n;
    }
  return n;
}

bool WaitGone(const std::string& title, pid_t pid, const std::string& display) {
  return WaitUntil([&] { return FindWindow(title, 0, pid, display) == 0; }, 5000, 100);
}

void Type(unsigned long win, const std::string& text, const std::string& display) {
  for (char c : text) {
    const std::string key = c == '.' ? "period" : std::string(1, c);
    SendKey(win, key, 0, display);
  }
}

}  // namespace

TEST(DialogsProgram, EachDialogOpensFromItsMenuAndTheSettingsAreSavedAtExit) {
  XServer x;
  ASSERT_TRUE(x.Start()) << "no X server";
  Program prog("kestrane", std::string("[TCP/IP Settings]\nIPAdress=localhost\nIPPort=1863\n"));
  ASSERT_TRUE(prog.Ready()) << prog.Error();
  testsupport::WriteFile(prog.File("data/747world.mv"), std::string(64800, '\0'));
  ASSERT_TRUE(prog.Start({}, x.Display()));
  const unsigned long win = FindWindow("External Kestrane for PS1.3", 15000, prog.Pid(), x.Display());
  ASSERT_NE(win, 0ul);
  ASSERT_TRUE(WaitForLine(prog.File("debug.txt"), " Startup: Initialization complete.", 15000));

  struct Case {
    const char* title;
    std::vector<std::pair<std::string, unsigned>> keys;  // from the main window
  };
  // "TCP/IP &Settings" under "&Options"; the "&About" menu is the last
  // one: reached from "&TCAS" with the arrow keys.
  const Case cases[] = {
      {"ND Settings", {{"o", kAlt}, {"s", 0}}},
      {"Kestrane Database Information", {{"t", kAlt}, {"Right", 0}, {"Down", 0}, {"Return", 0}}},
      {"About", {{"t", kAlt}, {"Right", 0}, {"Down", 0}, {"Down", 0}, {"Return", 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    for (const auto& [key, mods] : c.keys) {
      ASSERT_TRUE(SendKey(win, key, mods, x.Display()));
      Pause(150);
    }
    const unsigned long dlg = FindWindow(c.title, 10000, prog.Pid(), x.Display());
    ASSERT_NE(dlg, 0ul);
    Image img;
    WaitUntil([&] { return Screenshot(img, dlg, x.Display()) && Drawn(img) > 200; }, 5000, 100);
    ASSERT_TRUE(img.Valid());
    testsupport::MakeDirs(testsupport::BinaryDir() + "/test-frames");
    img.SavePng(testsupport::BinaryDir() + "/test-frames/kestrane-dialog-" +
                std::to_string(&c - cases) + ".png");
    EXPECT_GT(Drawn(img), 200);
    ASSERT_TRUE(SendKey(dlg, "Escape", 0, x.Display()));
    EXPECT_TRUE(WaitGone(c.title, prog.Pid(), x.Display()));
    EXPECT_TRUE(prog.Running());
  }

  // New broker settings typed into the dialog and confirmed with Enter.
  ASSERT_TRUE(SendKey(win, "o", kAlt, x.Display()));
  Pause(150);
  ASSERT_TRUE(SendKey(win, "s", 0, x.Display()));
  const unsigned long dlg = FindWindow("ND Settings", 10000, prog.Pid(), x.Display());
  ASSERT_NE(dlg, 0ul);
  Pause(300);
  SendKey(dlg, "a", kControl, x.Display());
  Type(dlg, "127.0.0.9", x.Display());
  SendKey(dlg, "Tab", 0, x.Display());
  SendKey(dlg, "a", kControl, x.Display());
  Type(dlg, "4242", x.Display());
  SendKey(dlg, "Return", 0, x.Display());
  EXPECT_TRUE(WaitGone("ND Settings", prog.Pid(), x.Display()));
  EXPECT_TRUE(prog.Running());

  const ExitStatus st = prog.Terminate(15000);
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  platform::TIniFile ini(prog.File("config.ini"));
  EXPECT_EQ(ini.ReadString("TCP/IP Settings", "IPAdress", ""), "127.0.0.9");
  EXPECT_EQ(ini.ReadString("TCP/IP Settings", "IPPort", ""), "4242");
}
