// The main form in this process, on a private X server, against the
// scripted broker: menus, keys, the settings dialog, connect and the
// refresh thread's life.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "lunavex/LunavexMain.h"
#include "support/urllabel/VelUrlLabel.h"
#include "platform/GLForm.h"
#include "platform/WinSockNotices.h"
#include "tests/common/WholeProgram.h"

using namespace lunavex;

namespace {

int ThreadCount() {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/task")) {
    (void)e;
    ++n;
  }
  return n;
}

// Runs the event loop until done() or the timeout (times the wait factor).
bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  return wholeprogram::WaitUntil(
      [&] {
        if (done()) return true;
        platform::ProcessMessages(0.02);
        return false;
      },
      timeoutMs, 0);
}

class FormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new wholeprogram::XServer;
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    // The suite's X server serves these in-process windows (no screenshots
    // are taken); a private one only when there is none.
    if (wholeprogram::HaveDisplay()) return;
    if (!server_->Start(1024, 768)) return;
    setenv("DISPLAY", server_->Display().c_str(), 1);
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    if (!wholeprogram::HaveDisplay()) GTEST_SKIP() << "no X server";
    StandbyValues = TStandbyValues{};
    form_ = std::make_unique<TLunavexForm>();
    form_->Show();
    form_->FormCreate();
    form_->FormResize();
  }
  void TearDown() override {
    TOKBottomDlg::SetModalHook(nullptr);
    if (form_ && !form_->Terminating()) form_->Exit1Click();
    form_.reset();
    // The next form in this process starts a program that is not ending.
    platform::SetApplicationEnding(false);
  }

  void StartBroker(const std::string& scenario = "") {
    std::string file;
    if (!scenario.empty()) {
      file = dir_.File("scenario.txt");
      testsupport::WriteFile(file, scenario);
    }
    ASSERT_TRUE(broker_.Start(file, ""));
    StandbyValues.BrokerHost = "127.0.0.1";
    StandbyValues.BrokerPort = std::to_string(broker_.Port());
  }

  static wholeprogram::XServer* server_;
  testsupport::TempDir dir_;
  wholeprogram::ScriptedBroker broker_;
  std::unique_ptr<TLunavexForm> form_;
};

wholeprogram::XServer* FormTest::server_ = nullptr;

int secondClicks = 0;
void SecondClick(void* form) {
  ++secondClicks;
  static_cast<TLunavexForm*>(form)->Connect1Click();
}

}  // namespace

TEST_F(FormTest, StartsWithTheAltimeterAloneAndItsMenus) {
  EXPECT_TRUE(form_->MenuItemEnabled(kConnectItem));
  EXPECT_FALSE(form_->MenuItemEnabled(kDisconnectItem));
  EXPECT_FALSE(form_->MenuItemChecked(kHorizonItem));
  EXPECT_FALSE(form_->MenuItemChecked(kSpeedItem));
  EXPECT_TRUE(form_->MenuItemChecked(kAltitudeItem));
  EXPECT_EQ(StandbyValues.VisibleCount, 1);
  EXPECT_TRUE(StandbyValues.GeometryApplied);
  EXPECT_EQ(form_->Width(), 419);
  EXPECT_EQ(form_->Height(), 625);
  // The GL area below the menu bar: one instrument as wide as the window.
  EXPECT_EQ(StandbyValues.InstrumentSize, form_->ClientWidth());
  EXPECT_FALSE(form_->RefreshThreadRunning());
}

TEST_F(FormTest, SavedGeometryOffEveryScreenOpensTheFormAsDesigned) {
  // "config.ini" holding the lowest integer for all four keys.
  StandbyValues.WindowLeft = StandbyValues.WindowTop = INT_MIN;
  StandbyValues.WindowHeight = StandbyValues.WindowWidth = INT_MIN;
  StandbyValues.GeometryApplied = false;
  form_->FormResize();
  ASSERT_TRUE(PumpUntil([&] { return form_->Left() == 300 && form_->Top() == 108; }, 2000))
      << form_->Left() << ", " << form_->Top();
  EXPECT_EQ(form_->Width(), 419);
  EXPECT_EQ(form_->Height(), 625);
  // The geometry kept is the one applied.
  EXPECT_EQ(StandbyValues.WindowLeft, 300);
  EXPECT_EQ(StandbyValues.WindowWidth, 419);
}

TEST_F(FormTest, InstrumentTogglesKeepOneVisible) {
  form_->Altitude1Click();  // the last one stays
  EXPECT_TRUE(StandbyValues.AltimeterVisible);
  EXPECT_TRUE(form_->MenuItemChecked(kAltitudeItem));
  form_->Horizon1Click();
  form_->Speed1Click();
  EXPECT_EQ(StandbyValues.VisibleCount, 3);
  EXPECT_TRUE(form_->MenuItemChecked(kHorizonItem));
  EXPECT_TRUE(form_->MenuItemChecked(kSpeedItem));
  // Three stacked in a 419 x 600 area: 200 pixels each.
  EXPECT_EQ(StandbyValues.InstrumentSize, form_->ClientHeight() / 3);
  EXPECT_EQ(StandbyValues.InstrumentLeft, (form_->ClientWidth() - StandbyValues.InstrumentSize) / 2);
  form_->Altitude1Click();
  EXPECT_FALSE(StandbyValues.AltimeterVisible);
  EXPECT_FALSE(form_->MenuItemChecked(kAltitudeItem));
  EXPECT_EQ(StandbyValues.VisibleCount, 2);
}

TEST_F(FormTest, KeysHideTheMenuAndMoveTheWindow) {
  const int height = form_->ClientHeight();
  form_->FormKeyPress('m');
  EXPECT_TRUE(StandbyValues.MenuHidden);
  EXPECT_FALSE(form_->MenuShown());
  EXPECT_GT(form_->ClientHeight(), height);  // the GL area takes the menu's place
  form_->FormKeyPress('m');
  EXPECT_FALSE(StandbyValues.MenuHidden);
  EXPECT_TRUE(form_->MenuShown());
  EXPECT_EQ(form_->ClientHeight(), height);

  form_->FormKeyPress('g');
  EXPECT_EQ(form_->Left(), 10);
  form_->FormKeyPress('f');
  EXPECT_FALSE(StandbyValues.TitleBarVisible);
  EXPECT_FALSE(form_->TitleBarShown());
  form_->FormKeyPress('f');
  EXPECT_TRUE(StandbyValues.TitleBarVisible);
  EXPECT_TRUE(form_->TitleBarShown());
  form_->FormKeyPress('M');  // case matters: only a repaint
  EXPECT_TRUE(form_->MenuShown());
}

TEST_F(FormTest, SettingsDialogTakesEffectOnlyOnOk) {
  StandbyValues.BrokerHost = "old-host";
  TOKBottomDlg::SetModalHook([](TOKBottomDlg& dlg) {
    TOKBottomDlg::TValues v = dlg.Values();
    EXPECT_EQ(v.Host, "old-host");
    EXPECT_EQ(v.SizePercent, 80);
    v.Host = "new-host";
    v.SizePercent = 0;  // the slider's minimum
    v.Spacing = -50;
    v.Decals = true;
    dlg.SetValues(v);
    return false;  // Cancel
  });
  form_->Settings2Click();
  EXPECT_EQ(StandbyValues.BrokerHost, "old-host");
  EXPECT_FALSE(StandbyValues.DecalsVisible);

  TOKBottomDlg::SetModalHook([](TOKBottomDlg& dlg) {
    TOKBottomDlg::TValues v = dlg.Values();
    v.Host = "new-host";
    v.Port = "4000";
    v.SizePercent = 0;
    v.Spacing = -50;
    v.Decals = true;
    dlg.SetValues(v);
    return true;
  });
  form_->Settings2Click();
  EXPECT_EQ(StandbyValues.BrokerHost, "new-host");
  EXPECT_EQ(StandbyValues.BrokerPort, "4000");
  EXPECT_EQ(StandbyValues.SizePercent, 0);
  EXPECT_EQ(StandbyValues.InstrumentSpacing, -50);
  EXPECT_TRUE(StandbyValues.DecalsVisible);
  EXPECT_TRUE(std::isfinite(StandbyValues.Scale));
  EXPECT_GT(StandbyValues.Scale, 0);

  // Out-of-range values stay within the sliders.
  TOKBottomDlg::TValues v;
  v.SizePercent = 500;
  v.Spacing = -500;
  form_->OKBottomDlg.SetValues(v);
  EXPECT_EQ(form_->OKBottomDlg.Values().SizePercent, 120);
  EXPECT_EQ(form_->OKBottomDlg.Values().Spacing, -50);
}

TEST_F(FormTest, AboutBoxTextsAndLinks) {
  int shown = 0;
  TAboutBox::SetModalHook([&](TAboutBox& box) {
    ++shown;
    EXPECT_STREQ(box.Window()->label(), "About");
    EXPECT_STREQ(box.ProductName->label(), "Lunavex");
    EXPECT_STREQ(box.Version->label(), "V 0.98.6 -  May 19th 2004");
    EXPECT_STREQ(box.Comments->label(), "for Aerowinx Precision Simulator PS1.3");
    EXPECT_EQ(box.WebLink->BuildUrl(), "http://www.example.org/lunavex");
    EXPECT_EQ(box.MailLink->BuildUrl(), "mailto:lunavex@example.org?Subject=Lunavex");
    EXPECT_EQ(box.MailLink->Caption(), "lunavex@example.org");
  });
  form_->About2Click();
  TAboutBox::SetModalHook(nullptr);
  EXPECT_EQ(shown, 1);
}

TEST_F(FormTest, ConnectRegistersSubscribesAndStartsOneThread) {
  StartBroker("+50 IPC.ias 130 IPC.bank 12.5\n");
  const int before = ThreadCount();
  form_->Connect1Click();
  EXPECT_FALSE(form_->MenuItemEnabled(kConnectItem));
  EXPECT_TRUE(form_->MenuItemEnabled(kDisconnectItem));
  EXPECT_TRUE(form_->RefreshThreadRunning());
  EXPECT_TRUE(StandbyValues.ThreadRunning);
  ASSERT_TRUE(PumpUntil([] { return StandbyValues.Ias == 130.0f; }, 10000));
  EXPECT_FLOAT_EQ(StandbyValues.Bank, -12.5f);
  const int during = ThreadCount();
  EXPECT_EQ(during, before + 1);

  // Connecting again while connected replaces the thread instead of
  // adding one.
  form_->Connect1Click();
  EXPECT_TRUE(form_->RefreshThreadRunning());
  EXPECT_EQ(ThreadCount(), during);

  form_->Disconnect1Click();
  EXPECT_FALSE(form_->RefreshThreadRunning());
  EXPECT_FALSE(StandbyValues.ThreadRunning);
  EXPECT_TRUE(form_->MenuItemEnabled(kConnectItem));
  EXPECT_FALSE(form_->MenuItemEnabled(kDisconnectItem));
  EXPECT_EQ(ThreadCount(), before);
  ASSERT_TRUE(PumpUntil([&] { return wholeprogram::CountLines(broker_.RecordFile(), "closed") >= 1; }, 5000));
  const auto records = broker_.ClientRecords(1);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0], "register Lunavex running\r\n");
  EXPECT_EQ(records[1], "notify IPC.ias IPC.pitch IPC.bank IPC.dalt altim\r");
  EXPECT_EQ(records[2], records[0]);
  EXPECT_EQ(records[3], records[1]);
}

TEST_F(FormTest, SecondConnectClickDuringTheWaitDoesNothing) {
  StartBroker();
  // A click that arrives while the first still waits for the connection.
  Fl::add_timeout(0.0, SecondClick, form_.get());
  form_->Connect1Click();
  Fl::remove_timeout(SecondClick, form_.get());
  EXPECT_EQ(secondClicks, 1);
  ASSERT_TRUE(PumpUntil([&] { return broker_.ClientRecords(1).size() >= 2; }, 10000));
  platform::ProcessMessages(wholeprogram::Scaled(300) / 1000.0);
  EXPECT_EQ(broker_.ClientRecords(1).size(), 2u);
  EXPECT_EQ(wholeprogram::CountLines(broker_.RecordFile(), "connected"), 1);
}

TEST_F(FormTest, ExitWhileConnectedJoinsTheThreadFirst) {
  StartBroker("+20 IPC.ias 100\n+20 @repeat\n");
  form_->Connect1Click();
  ASSERT_TRUE(form_->RefreshThreadRunning());
  ASSERT_TRUE(PumpUntil([] { return StandbyValues.Ias == 100.0f; }, 10000));
  ASSERT_FALSE(platform::ApplicationEnding());
  form_->Exit1Click();
  EXPECT_FALSE(form_->RefreshThreadRunning());
  EXPECT_TRUE(form_->Terminating());
  EXPECT_TRUE(platform::ApplicationEnding());
  EXPECT_FALSE(form_->Shown());
  EXPECT_EQ(form_->WSocket1.State(), wsClosed);
  // Frames asked for now draw nothing.
  form_->PaintND();
  form_.reset();
}

TEST_F(FormTest, AConnectThatCannotBeMadeChangesNothing) {
  StandbyValues.BrokerHost = "127.0.0.1";
  StandbyValues.BrokerPort = "1";  // nothing listens there
  form_->Connect1Click();
  EXPECT_TRUE(form_->MenuItemEnabled(kConnectItem));
  EXPECT_FALSE(form_->MenuItemEnabled(kDisconnectItem));
  EXPECT_FALSE(form_->RefreshThreadRunning());
  // Without an error handler the socket raises; Connect catches it.
  StandbyValues.BrokerHost = "";
  form_->Connect1Click();
  EXPECT_TRUE(form_->MenuItemEnabled(kConnectItem));
  EXPECT_EQ(form_->WSocket1.State(), wsClosed);
  StandbyValues.BrokerHost = "127.0.0.1";
  StandbyValues.BrokerPort = "not-a-port";
  form_->Connect1Click();
  EXPECT_TRUE(form_->MenuItemEnabled(kConnectItem));
  EXPECT_EQ(form_->WSocket1.State(), wsClosed);
}
