// The main form's menus, keys and dialogs in this process on the X server:
// keys go through the toolkit's event dispatch, so a key that is a menu
// shortcut reaches the menu item while the menu bar is attached and the
// key handlers while it is detached.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Window.H>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "kestrane/About_Dialog.h"
#include "kestrane/KestraneFrame.h"
#include "kestrane/KestraneMain.h"
#include "kestrane/Settings_Dialog.h"
#include "kestrane/infobox.h"
#include "platform/GLForm.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "support/urllabel/VelUrlLabel.h"
#include "tests/common/TestSupport.h"
#include "tests/kestrane/FormTestSupport.h"

namespace {

const char* const kRangeItems[8] = {"&Range/5 NM",  "&Range/10 NM",  "&Range/20 NM",
                                    "&Range/40 NM", "&Range/80 NM",  "&Range/160 NM",
                                    "&Range/320 NM", "&Range/640 NM"};
const int kRanges[8] = {5, 10, 20, 40, 80, 160, 320, 640};
const char* const kTcasItems[5] = {"&TCAS/Off", "&TCAS/TA Only", "&TCAS/TA\\/RA", "&TCAS/Above",
                                   "&TCAS/Below"};

using formtest::Listener;
using formtest::Pump;

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server";
    form = formtest::StartForm();
    ASSERT_TRUE(form);
    // The test folder's "config.ini" is shared with other tests: this
    // form never writes it, and starts from both displays shown.
    form->SettingsFile.reset();
    if (DisplayCount != 2) {
      if (!PfdVisible) form->ShowPFD1Click();
      else form->ShowND1Click();
    }
    Pump(0.2);
  }
  void TearDown() override {
    TOKBottomDlg::SetModalHook(nullptr);
    TAboutBox::SetModalHook(nullptr);
    TInfobox1::SetModalHook(nullptr);
    formtest::StopForm(form);
  }

  // A click on a menu item: only an enabled item acts.
  void Click(const char* path) {
    Fl_Menu_Item* it = form->Item(path);
    ASSERT_NE(it, nullptr) << path;
    if (it->active()) form->MenuBar()->picked(it);
  }
  // A key as the window system delivers it to the focused main window.
  void Key(int keysym, int state = 0, const char* text = "") {
    static char buffer[8];
    const std::size_t n = std::min(std::strlen(text), sizeof buffer - 1);
    std::memcpy(buffer, text, n);
    buffer[n] = 0;
    Fl::e_keysym = keysym;
    Fl::e_state = state;
    Fl::e_text = buffer;
    Fl::e_length = static_cast<int>(std::strlen(buffer));
    Fl::focus(form->Window());
    Fl::handle(FL_KEYBOARD, form->Window());
  }
  void Char(char c) {
    const char text[2] = {c, 0};
    Key(static_cast<unsigned char>(c), 0, text);
  }
  void AttachMenu(bool on) {
    if (form->MenuShown() != on) Char('m');
    ASSERT_EQ(form->MenuShown(), on);
    ASSERT_EQ(MenuHidden, !on);
  }
  int CheckedRanges() {
    int n = 0;
    for (const char* r : kRangeItems) n += form->Checked(r) ? 1 : 0;
    return n;
  }

  std::unique_ptr<TKestraneForm> form;
};

}  // namespace

TEST_F(Menus, RangeStepsStopAtTheirLimitsWithOneItemChecked) {
  for (bool attached : {true, false}) {
    SCOPED_TRACE(attached ? "menu attached" : "menu detached");
    AttachMenu(attached);
    Click("&Range/10 NM");
    ASSERT_EQ(NdRange, 10);
    struct Step {
      std::function<void()> press;
      int want;
    };
    auto plus = [&] { Key('=', FL_SHIFT, "+"); };
    auto minus = [&] { Char('-'); };
    auto altA = [&] { Key('a', FL_ALT, "a"); };
    auto altY = [&] { Key('y', FL_ALT, "y"); };
    const std::vector<Step> steps = {
        {minus, 5},  {minus, 5},  {altY, 5},   {plus, 10},  {altA, 20},  {plus, 40},
        {plus, 80},  {altA, 160}, {plus, 320}, {plus, 640}, {plus, 640}, {altA, 640},
        {altY, 320}, {minus, 160}};
    for (std::size_t i = 0; i < steps.size(); ++i) {
      steps[i].press();
      EXPECT_EQ(NdRange, steps[i].want) << "step " << i;
      EXPECT_EQ(CheckedRanges(), 1) << "step " << i;
      for (int k = 0; k < 8; ++k) {
        if (kRanges[k] == NdRange) {
          EXPECT_TRUE(form->Checked(kRangeItems[k])) << "step " << i;
        }
      }
    }
    Click("&Range/80 NM");
    EXPECT_EQ(NdRange, 80);
    EXPECT_EQ(CheckedRanges(), 1);
    EXPECT_TRUE(form->Checked("&Range/80 NM"));
  }
}

TEST_F(Menus, RandomDisplayKeysNeverLeaveTheWindowWithoutADisplay) {
  // F1 cycles both -> ND alone -> PFD alone -> both.
  Key(FL_F + 1);
  EXPECT_TRUE(!PfdVisible && NdVisible);
  Key(FL_F + 1);
  EXPECT_TRUE(PfdVisible && !NdVisible);
  Key(FL_F + 1);
  EXPECT_TRUE(PfdVisible && NdVisible);

  std::mt19937 rng(20);
  const int keys[3] = {FL_F + 1, FL_F + 3, FL_F + 4};
  const int states[3] = {0, FL_CTRL, FL_SHIFT};  // Alt+F4 is Exit
  for (int i = 0; i < 200; ++i) {
    if (i % 50 == 0) AttachMenu(i % 100 == 0);
    Key(keys[rng() % 3], states[rng() % 3]);
    ASSERT_TRUE(PfdVisible || NdVisible) << "press " << i;
    ASSERT_EQ(DisplayCount, (PfdVisible ? 1 : 0) + (NdVisible ? 1 : 0)) << "press " << i;
    ASSERT_EQ(form->Checked("&Options/ShowPFD"), PfdVisible) << "press " << i;
    ASSERT_EQ(form->Checked("&Options/ShowND"), NdVisible) << "press " << i;
    ASSERT_EQ(ComputeLayout(400, 200).size(), static_cast<std::size_t>(DisplayCount));
  }
}

TEST_F(Menus, PfdOnlyDisplayKeysChangeNothing) {
  formtest::StopForm(form);
  form = formtest::StartForm(true);
  ASSERT_TRUE(form);
  form->SettingsFile.reset();
  // The mark comes from the shared "config.ini": on, so that losing it shows.
  form->SetChecked("&Options/ShowND", true);
  auto snapshot = [&] {
    return std::vector<int>{PfdVisible, NdVisible, DisplayCount, form->Checked("&Options/ShowPFD"),
                            form->Checked("&Options/ShowND"), form->Enabled("&Options/ShowND")};
  };
  const auto before = snapshot();
  EXPECT_EQ(before, (std::vector<int>{1, 0, 1, 1, 1, 0}));
  for (bool attached : {true, false}) {
    AttachMenu(attached);
    for (int modifiers : {0, FL_SHIFT, FL_CTRL}) {
      Key(FL_F + 1, modifiers);
      EXPECT_EQ(snapshot(), before) << "F1 " << attached << " " << modifiers;
      Key(FL_F + 4, modifiers);
      EXPECT_EQ(snapshot(), before) << "F4 " << attached << " " << modifiers;
    }
    Key(FL_F + 3);
    Click("&Options/ShowND");
    EXPECT_EQ(snapshot(), before) << attached;
  }
}

TEST_F(Menus, NavRadiosItemDoesNothingAndKeepsItsMark) {
  const char* const item = "&Options/Control Nav Radios by PS1.3";
  ASSERT_TRUE(form->Checked(item));
  for (int i = 0; i < 2; ++i) {
    const int frames = form->FrameCount;
    Click(item);
    EXPECT_TRUE(form->Checked(item)) << i;
    EXPECT_EQ(form->FrameCount, frames) << i;
  }
}

TEST_F(Menus, ExitAndTheCloseBoxStartTheProgramsEnd) {
  for (bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Exit");
    if (closeBox) {
      formtest::StopForm(form);
      form = formtest::StartForm();
      ASSERT_TRUE(form);
      form->SettingsFile.reset();
    }
    ASSERT_FALSE(platform::ApplicationEnding());
    if (closeBox) form->OnCloseRequest();
    else Click("&File/E&xit");
    EXPECT_TRUE(platform::ApplicationEnding());
  }
}

TEST_F(Menus, EscapeAndCapitalLettersChangeNothing) {
  auto snapshot = [] {
    return std::vector<int>{NdRange,        DisplayCount,   PfdVisible,   NdVisible,
                            ScreenRotation, MenuHidden,     TerrainAltMode, TitleBarShown,
                            TaskbarShown,   CaptainSide,    TrafficVisible, TerrainVisible};
  };
  for (bool attached : {true, false}) {
    AttachMenu(attached);
    const auto before = snapshot();
    Key(FL_Escape, 0, "\x1b");
    for (char c : std::string("MCFTLR")) Key(c, FL_SHIFT, std::string(1, c).c_str());
    Pump(0.1);
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(form->Window()->shown());
    EXPECT_EQ(form->MenuShown(), attached);
  }
}

TEST_F(Menus, KeysActTheSameWithTheMenuAttachedAndDetached) {
  struct Case {
    const char* name;
    int key, state;
    const char* text;
    bool* flag;
  };
  bool frames = form->FramesShown;
  const Case cases[] = {
      {"c", 'c', 0, "c", &TerrainAltMode},
      {"Ctrl+Enter", FL_Enter, FL_CTRL, "\r", &TerrainAltMode},
      {"t", 't', 0, "t", &TaskbarShown},
      {"F2", FL_F + 2, 0, "", &ShowSeaLevel},
      {"Shift+F2", FL_F + 2, FL_SHIFT, "", &ShowSeaLevel},
      {"F5", FL_F + 5, 0, "", &CaptainSide},
      {"F6", FL_F + 6, 0, "", &TrafficVisible},
      {"F7", FL_F + 7, 0, "", &StationsVisible},
      {"F8", FL_F + 8, 0, "", &WaypointsVisible},
      {"F9", FL_F + 9, 0, "", &AirportsVisible},
      {"F10", FL_F + 10, 0, "", &NdDataVisible},
      {"F11", FL_F + 11, 0, "", &PositionVisible},
      {"F12", FL_F + 12, 0, "", &TerrainVisible},
      {"Ctrl+F", 'f', FL_CTRL, "\x06", &frames},
      {"Ctrl+T", 't', FL_CTRL, "\x14", &TerrainTextures},
      {"Alt+B", 'b', FL_ALT, "b", &AirportsVisible},
      {"Alt+C", 'c', FL_ALT, "c", &StationsVisible},
      {"Alt+M", 'm', FL_ALT, "m", &PositionVisible},
      {"Alt+N", 'n', FL_ALT, "n", &NdDataVisible},
      {"Alt+V", 'v', FL_ALT, "v", &WaypointsVisible},
      {"Alt+X", 'x', FL_ALT, "x", &TerrainVisible},
  };
  for (bool attached : {true, false}) {
    AttachMenu(attached);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (attached ? " attached" : " detached"));
      frames = form->FramesShown;
      const bool before = *c.flag;
      Key(c.key, c.state, c.text);
      frames = form->FramesShown;
      EXPECT_EQ(*c.flag, !before);
      Key(c.key, c.state, c.text);
      frames = form->FramesShown;
      EXPECT_EQ(*c.flag, before);
    }
    // Rotation: four l, or l then r, come back.
    const int rotation = ScreenRotation;
    Char('l');
    EXPECT_EQ(ScreenRotation, (rotation + 90) % 360);
    Char('r');
    EXPECT_EQ(ScreenRotation, rotation);
    for (int i = 0; i < 4; ++i) Char('l');
    EXPECT_EQ(ScreenRotation, rotation);
  }
  // The side's item is renamed each time and keeps its check mark.
  const bool mark = form->Checked("&Options/Captains Instruments");
  for (bool attached : {true, false}) {
    AttachMenu(attached);
    Key(FL_F + 5);
    EXPECT_NE(form->Item("&Options/F\\/O Instruments"), nullptr);
    EXPECT_EQ(form->Item("&Options/Captains Instruments"), nullptr);
    EXPECT_EQ(form->Checked("&Options/F\\/O Instruments"), mark);
    Key(FL_F + 5);
    EXPECT_EQ(form->Checked("&Options/Captains Instruments"), mark);
  }
  // The EFIS check marks follow the flags.
  EXPECT_EQ(form->Checked("&EFIS/Airports"), AirportsVisible);
  EXPECT_EQ(form->Checked("&EFIS/Terrain"), TerrainVisible);
}

TEST_F(Menus, TcasItemsCallTheElementInTheTablesOrder) {
  std::vector<std::string> calls;
  form->TcasMenuCalls.SetAltitudeWindow = [&](int above, int below) {
    calls.push_back("window " + std::to_string(above) + " " + std::to_string(below));
  };
  form->TcasMenuCalls.SetTAOnly = [&](bool ta) { calls.push_back(ta ? "ta-only" : "ta-ra"); };
  // The switch comes after TaOnlyFlag is set and before TcasOnFlag is.
  form->TcasMenuCalls.SwitchOn = [&] {
    calls.push_back(std::string("on flags ") + (TaOnlyFlag ? "1" : "0") + (TcasOnFlag ? "1" : "0"));
  };
  form->TcasMenuCalls.SwitchOff = [&] {
    calls.push_back(std::string("off flags ") + (TaOnlyFlag ? "1" : "0") + (TcasOnFlag ? "1" : "0"));
  };
  struct Case {
    int item;
    std::vector<std::string> want;
    bool taOnly, on;
  };
  const Case cases[] = {
      {0, {"window 2700 -2700", "ta-only", "off flags 01"}, false, false},
      {1, {"window 2700 -2700", "ta-only", "on flags 10"}, true, true},
      {2, {"window 2700 -2700", "ta-ra", "on flags 01"}, false, true},
      {3, {"window 8700 -2700", "ta-ra", "on flags 01"}, false, true},
      {4, {"window 2700 -8700", "ta-ra", "on flags 01"}, false, true},
      {0, {"window 2700 -2700", "ta-only", "off flags 01"}, false, false},
      {4, {"window 2700 -8700", "ta-ra", "on flags 00"}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kTcasItems[c.item]);
    calls.clear();
    Click(kTcasItems[c.item]);
    EXPECT_EQ(calls, c.want);
    EXPECT_EQ(TaOnlyFlag, c.taOnly);
    EXPECT_EQ(TcasOnFlag, c.on);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(form->Checked(kTcasItems[k]), k == c.item) << k;
  }
  // The EFIS item only hides the traffic.
  calls.clear();
  Key(FL_F + 6);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(TcasOnFlag);
}

TEST_F(Menus, InhibitedTerrainStaysOffWhateverAsksForIt) {
  if (!TerrainVisible) Click("&EFIS/Terrain");
  ASSERT_TRUE(TerrainVisible);
  Click("&Options/Inhibit Terrain \\/ EGPWS");
  ASSERT_TRUE(TerrainInhibited);
  EXPECT_FALSE(TerrainVisible);
  EXPECT_FALSE(form->Enabled("&EFIS/Terrain"));
  for (bool attached : {true, false}) {
    AttachMenu(attached);
    Key(FL_F + 12);
    Key(FL_F + 12, FL_CTRL);
    Key('x', FL_ALT, "x");
    Click("&EFIS/Terrain");
    EXPECT_FALSE(TerrainVisible) << attached;
    EXPECT_FALSE(form->Checked("&EFIS/Terrain")) << attached;
  }
  AttachMenu(true);
  Click("&Options/Inhibit Terrain \\/ EGPWS");
  EXPECT_FALSE(TerrainInhibited);
  EXPECT_FALSE(TerrainVisible);  // off until switched on
  EXPECT_TRUE(form->Enabled("&EFIS/Terrain"));
  Key(FL_F + 12);
  EXPECT_TRUE(TerrainVisible);
  EXPECT_TRUE(form->Checked("&EFIS/Terrain"));
}

TEST_F(Menus, RepaintOnlyWhenNotConnectedExceptTheDisplayItems) {
  const std::vector<const char*> whenNotConnected = {
      "&EFIS/TCAS",          "&EFIS/Stations",    "&EFIS/Waypoints",
      "&EFIS/Airports",      "&EFIS/Data",        "&EFIS/Position",
      "&EFIS/Terrain",       "&Options/Show Sea Level", "&Options/TERR Texture Enable",
      "&Options/Hide Information below Compass Arc", "&Options/Inhibit Terrain \\/ EGPWS",
      "&Options/Inhibit Terrain \\/ EGPWS", "&Range/20 NM", "&TCAS/Above", "&TCAS/TA\\/RA"};
  const std::vector<const char*> always = {
      "&Options/ShowPFD", "&Options/ShowPFD",          "&Options/ShowND",
      "&Options/ShowND",  "&Options/Smooth Lines",
      "&Options/Smooth Polygons", "&Options/Show PFD\\/ND Frames"};
  auto count = [&](const char* path) {
    const int before = form->FrameCount;
    Click(path);
    return form->FrameCount - before;
  };
  auto countKey = [&](int key, int state, const char* text) {
    const int before = form->FrameCount;
    Key(key, state, text);
    return form->FrameCount - before;
  };
  for (const char* p : whenNotConnected) EXPECT_EQ(count(p), 1) << p;
  for (const char* p : always) EXPECT_EQ(count(p), 1) << p;
  EXPECT_EQ(count("&Options/Draw in Background"), 0);
  EXPECT_EQ(count("&Options/Draw in Background"), 0);
  EXPECT_GE(countKey('c', 0, "c"), 1);
  EXPECT_GE(countKey('q', 0, "q"), 1);  // any character
  EXPECT_GE(countKey('b', FL_ALT, "b"), 1);
  EXPECT_EQ(countKey(FL_F + 5, 0, ""), 1);  // "Captains Instruments"

  DrawInBackground = false;
  Listener l;
  BrokerHost = "127.0.0.1";
  BrokerPort = std::to_string(l.Port());
  form->Connect1Click();
  ASSERT_TRUE(form->Connected());
  // No events are handled from here on, so the timer cannot paint.
  for (const char* p : whenNotConnected) EXPECT_EQ(count(p), 0) << p;
  for (const char* p : always) EXPECT_EQ(count(p), 1) << p;
  EXPECT_EQ(countKey('c', 0, "c"), 0);
  EXPECT_EQ(countKey('q', 0, "q"), 0);
  EXPECT_EQ(countKey('b', FL_ALT, "b"), 0);
  EXPECT_EQ(countKey('-', 0, "-"), 0);
  EXPECT_EQ(countKey(FL_F + 5, 0, ""), 1);  // "Captains Instruments"
}

TEST_F(Menus, SettingsOkCopiesTheTextsCancelKeepsThem) {
  BrokerHost = "localhost";
  BrokerPort = "1863";
  const std::string folder = std::filesystem::current_path().string();
  std::string shownHost, shownPort;
  TOKBottomDlg::SetModalHook([&](TOKBottomDlg& d) {
    shownHost = d.Edit1->value();
    shownPort = d.Edit2->value();
    d.Edit1->value(" 10.0.0.7 ");
    d.Edit2->value("abc");
    ::chdir("/");  // the folder comes back whatever the dialog did
    return false;  // Cancel
  });
  Click("&Options/TCP\\/IP &Settings");
  EXPECT_EQ(shownHost, "localhost");
  EXPECT_EQ(shownPort, "1863");
  EXPECT_EQ(BrokerHost, "localhost");
  EXPECT_EQ(BrokerPort, "1863");
  EXPECT_EQ(std::filesystem::current_path().string(), folder);

  TOKBottomDlg::SetModalHook([&](TOKBottomDlg& d) {
    d.Edit1->value(" 10.0.0.7 ");
    d.Edit2->value("1864");
    return true;  // OK: taken as typed
  });
  Click("&Options/TCP\\/IP &Settings");
  EXPECT_EQ(BrokerHost, " 10.0.0.7 ");
  EXPECT_EQ(BrokerPort, "1864");
}

TEST_F(Menus, ControlCharactersFromTheSettingsDialogNeverReachTheFile) {
  testsupport::TempDir dir;
  const std::string file = dir.File("config.ini");
  testsupport::WriteFile(file, "[TCP/IP Settings]\nIPAdress=goodhost\nIPPort=1863\n");
  platform::TIniFile ini(file);
  const std::vector<std::pair<std::string, std::string>> pasted = {
      {"evil\nIPPort=1", "1863\r\n[Kestrane Settings]"}, {"a\tb", "18\x7f" "63"}};
  for (const auto& [host, port] : pasted) {
    TOKBottomDlg::SetModalHook([&](TOKBottomDlg& d) {
      d.Edit1->value(host.c_str(), static_cast<int>(host.size()));
      d.Edit2->value(port.c_str(), static_cast<int>(port.size()));
      return true;
    });
    form->Settings2Click();
    WriteSettings(ini, {10, 20, 300, 400});
    const std::string text = testsupport::ReadFile(file);
    for (unsigned char c : text) EXPECT_TRUE(c >= 0x20 || c == '\n') << int(c);
    EXPECT_NE(text.find("IPAdress=goodhost\n"), std::string::npos) << text;
    EXPECT_NE(text.find("IPPort=1863\n"), std::string::npos) << text;
    EXPECT_EQ(ini.ReadString("TCP/IP Settings", "IPAdress", ""), "goodhost");
  }
}

TEST_F(Menus, AboutVersionAndInformationFirstPageFromTheSelectedRunway) {
  std::string version, readMe;
  TAboutBox::SetModalHook([&](TAboutBox& box) {
    version = box.Version->label();
    readMe = box.WebLink->URL();
  });
  Click("&About/About");
  EXPECT_EQ(version, "V 0.98.8 (Beta) -  Dec 21th 2004");
  // The first link opens the read-me in the program folder, which the build
  // stages beside the programs as it stands in the sources.
  EXPECT_EQ(readMe, platform::ProgramFolder() + "README.md");
  EXPECT_EQ(testsupport::ReadFile(testsupport::StageDir() + "/README.md"),
            testsupport::ReadFile(testsupport::SourceDir() + "/README.md"));

  std::vector<std::string> seen;
  TInfobox1::SetModalHook([&](TInfobox1& box) {
    seen = {box.AirportValue->label(), box.RunwayValue->label(), box.ElevationValue->label()};
  });
  FieldElevation = -12;
  Click("&About/Data Information");  // no runway bound yet: empty texts
  EXPECT_EQ(seen, (std::vector<std::string>{"", "", "-12 ft"}));
  form->NearestRunway = [] { return TNearestRunway{"eddF", "25R"}; };
  FieldElevation = 364;
  Click("&About/Data Information");
  EXPECT_EQ(seen, (std::vector<std::string>{"EDDF", "25R", "364 ft"}));
}
