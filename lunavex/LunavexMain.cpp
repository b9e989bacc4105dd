#include "lunavex/LunavexMain.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/Fpu.h"
#include "platform/Paths.h"
#include "platform/WinSockNotices.h"

namespace lunavex {

TLunavexForm* LunavexForm = nullptr;

namespace {

// The form as its resource defines it.
constexpr int kFormLeft = 300, kFormTop = 108, kFormWidth = 419, kFormHeight = 625;

TLunavexForm* Form(void* data) { return static_cast<TLunavexForm*>(data); }

void Report(const std::string& text) { std::fprintf(stderr, "Lunavex: %s\n", text.c_str()); }

}  // namespace

// ---------------------------------------------------------------------------
// Refresh thread

TNavDisplayThread::TNavDisplayThread(TLunavexForm& form)
    : worker_([&form](platform::GuiWorker& w) {
        while (!w.StopRequested())
          if (!w.Synchronize([&form] { form.PaintND(); })) break;
      }) {
  worker_.Start();
}

TNavDisplayThread::~TNavDisplayThread() { Terminate(); }

void TNavDisplayThread::Terminate() { worker_.Stop(); }

// ---------------------------------------------------------------------------
// Form

TLunavexForm::TLunavexForm()
    : TCGForm(kFormLeft, kFormTop, kFormWidth, kFormHeight, "Lunavex"),
      overflowLog_(Report, platform::MoreDropped("receive buffer full without a line end")) {
  LunavexForm = this;
  Window()->color(FL_BLACK);
  BuildMenus();
  OnPaint = [this] { FormPaint(); };
  OnResize = [this](int, int) { FormResize(); };
  OnKeyPress = [this](char c) {
    FormKeyPress(c);
    return true;
  };
  // The close box ends the program as Exit does.
  OnCloseRequest = [this] { Exit1Click(); };
  // One receive per readiness notice; the rest waits for the next round of
  // the event loop, so a flooding broker leaves frames, menus and SIGTERM
  // their turn.
  WSocket1.ComponentOptions = {wsoNoReceiveLoop};
  // No error handler: the socket raises its errors, which the callers catch.
  WSocket1.OnDataAvailable = [this](TCustomWSocket&, std::uint16_t) { CliSocketDataAvailable(); };
  // A broker that ends the connection ends the session as Disconnect does.
  WSocket1.OnSessionClosed = [this](TCustomWSocket&, std::uint16_t) {
    if (MenuItemEnabled(kDisconnectItem)) {
      Report("the broker closed the connection");
      EndSession();
    }
  };
}

TLunavexForm::~TLunavexForm() {
  // The refresh thread never outlives the form it paints.
  thread_.reset();
  WSocket1.OnSessionClosed = nullptr;
  WSocket1.OnDataAvailable = nullptr;
  if (LunavexForm == this) LunavexForm = nullptr;
}

void TLunavexForm::BuildMenus() {
  Fl_Menu_Bar* m = MenuBar();
  auto add = [&](const char* path, Fl_Callback* cb, int flags) { m->add(path, 0, cb, this, flags); };
  add(kConnectItem, [](Fl_Widget*, void* d) { Form(d)->Connect1Click(); }, 0);
  add(kDisconnectItem, [](Fl_Widget*, void* d) { Form(d)->Disconnect1Click(); }, FL_MENU_INACTIVE);
  add(kExitItem, [](Fl_Widget*, void* d) { Form(d)->Exit1Click(); }, 0);
  add(kSettingsItem, [](Fl_Widget*, void* d) { Form(d)->Settings2Click(); }, FL_MENU_DIVIDER);
  add(kHorizonItem, [](Fl_Widget*, void* d) { Form(d)->Horizon1Click(); }, FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kSpeedItem, [](Fl_Widget*, void* d) { Form(d)->Speed1Click(); }, FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kAltitudeItem, [](Fl_Widget*, void* d) { Form(d)->Altitude1Click(); }, FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kAboutItem, [](Fl_Widget*, void* d) { Form(d)->About2Click(); }, 0);
}

Fl_Menu_Item* TLunavexForm::Item(const char* path) const {
  return const_cast<Fl_Menu_Item*>(MenuBar()->find_item(path));
}

bool TLunavexForm::MenuItemEnabled(const char* path) const {
  const Fl_Menu_Item* it = Item(path);
  return it && it->active();
}

bool TLunavexForm::MenuItemChecked(const char* path) const {
  const Fl_Menu_Item* it = Item(path);
  return it && it->value() != 0;
}

void TLunavexForm::SetEnabled(const char* path, bool on) {
  if (Fl_Menu_Item* it = Item(path)) on ? it->activate() : it->deactivate();
}

void TLunavexForm::SetChecked(const char* path, bool on) {
  if (Fl_Menu_Item* it = Item(path)) on ? it->set() : it->clear();
}

// ---------------------------------------------------------------------------
// Start-up, layout and frames

void TLunavexForm::FormCreate() {
  TStandbyValues& v = StandbyValues;
  std::error_code ec;
  std::filesystem::current_path(platform::ProgramFolder(), ec);
  ini_ = std::make_unique<platform::TIniFile>("config.ini");
  ini_->SetReporter(Report);

  ReadSettings(*ini_, v);
  SetChecked(kHorizonItem, v.HorizonVisible);
  SetChecked(kSpeedItem, v.SpeedVisible);
  SetChecked(kAltitudeItem, v.AltimeterVisible);

  CreateRenderContext();
  ComputeLayout(ClientWidth(), ClientHeight(), v);
  glViewport(0, 0, ClientWidth(), ClientHeight());
  glClearColor(1, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  ResetProjection();

  CreateStandbyFonts(DC);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  ArtHorizon.Init();
  created_ = true;
}

void TLunavexForm::ApplySavedGeometry() {
  TStandbyValues& v = StandbyValues;
  const platform::WindowGeometry g = CheckedGeometry(v, platform::Screens());
  v.WindowLeft = g.left;
  v.WindowTop = g.top;
  v.WindowHeight = g.height;
  v.WindowWidth = g.width;
  SetBounds(g.left, g.top, g.width, g.height);
}

void TLunavexForm::FormResize() {
  if (!created_) return;
  TStandbyValues& v = StandbyValues;
  if (!v.GeometryApplied) {
    v.GeometryApplied = true;
    ApplySavedGeometry();
  }
  MakeContextCurrent();
  ComputeLayout(ClientWidth(), ClientHeight(), v);
  glViewport(0, 0, ClientWidth(), ClientHeight());
  glClearColor(1, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // The depth range must hold the ball (radius 80), which the horizon
  // draws on the projection this leaves.
  ResetProjection();
  PaintND();
}

void TLunavexForm::FormPaint() { PaintND(); }

void TLunavexForm::PaintND() {
  if (!created_ || terminating_ || !Shown()) return;
  platform::FpuGuard fpu;
  if (!MakeCurrent()) return;
  DrawInstruments(ClientWidth(), ClientHeight(), ArtHorizon, SpeedScale);
  (void)glGetError();
  SwapPage();
}

void TLunavexForm::FormKeyPress(char key) {
  TStandbyValues& v = StandbyValues;
  switch (key) {
    case 'm':
      SetMenuShown(v.MenuHidden);
      v.MenuHidden = !v.MenuHidden;
      break;
    case 'f':
      if (v.TitleBarVisible) HideTitlebar();
      else ShowTitleBar();
      v.TitleBarVisible = !v.TitleBarVisible;
      break;
    case 'g':
      SetBounds(10, Top(), Width(), Height());
      break;
    default:
      break;
  }
  FormResize();
  PaintND();
}

void TLunavexForm::HideTitlebar() {
  if (!TitleBarShown()) return;
  SetTitleBar(false);
}

void TLunavexForm::ShowTitleBar() {
  if (TitleBarShown()) return;
  SetTitleBar(true);
}

// ---------------------------------------------------------------------------
// Broker

void TLunavexForm::ProcessCommand(const std::string& line) { lunavex::ProcessCommand(line, StandbyValues); }

void TLunavexForm::CliSocketDataAvailable() {
  const int n = WSocket1.Receive(buffer_.WritePtr(), static_cast<int>(buffer_.Free()));
  if (n <= 0) return;
  buffer_.Commit(n);
  TakeLines(
      buffer_, [this](const std::string& line) { ProcessCommand(line); },
      [this](std::size_t dropped) {
        overflowLog_.Log("receive buffer full without a line end, " + std::to_string(dropped) +
                         " characters discarded");
      });
}

void TLunavexForm::Connect1Click() {
  // A second click while the first still waits for the broker does nothing.
  if (connecting_ || terminating_) return;
  connecting_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{connecting_};
  const TStandbyValues& v = StandbyValues;
  try {
    if (WSocket1.State() != wsConnected) {
      WSocket1.SetProto("tcp");
      WSocket1.SetPort(v.BrokerPort);
      WSocket1.SetAddr(v.BrokerHost);
      WSocket1.Connect();
      while (WSocket1.State() == wsConnecting) {
        platform::ProcessMessages(0.1);
        if (terminating_) return;
      }
    }
    if (WSocket1.State() != wsConnected) return;
    buffer_.Clear();
    SetEnabled(kConnectItem, false);
    SetEnabled(kDisconnectItem, true);
    WSocket1.SendText(kRegisterText);
    WSocket1.SendText(kNotifyText);
    StandbyValues.ThreadRunning = true;
    // A thread of an earlier connection is stopped and joined first.
    thread_.reset();
    thread_ = std::make_unique<TNavDisplayThread>(*this);
  } catch (const std::exception& e) {
    // Without an error handler the socket raises; the program goes on
    // without a connection.
    Report(std::string("cannot connect to the broker: ") + e.what());
    if (WSocket1.State() == wsConnected || MenuItemEnabled(kDisconnectItem)) {
      EndSession();
    } else {
      try {
        WSocket1.Close();
      } catch (const std::exception&) {
      }
    }
  }
}

void TLunavexForm::EndSession() {
  overflowLog_.Reset();
  if (thread_) {
    StandbyValues.ThreadRunning = false;
    thread_->Terminate();
  }
  StandbyValues.ThreadRunning = false;
  SetEnabled(kConnectItem, true);
  SetEnabled(kDisconnectItem, false);
  try {
    WSocket1.Close();
  } catch (const std::exception& e) {
    Report(std::string("closing the connection: ") + e.what());
  }
}

void TLunavexForm::Disconnect1Click() { EndSession(); }

void TLunavexForm::CaptureGeometry() {
  closeLeft_ = Left();
  closeTop_ = Top();
  closeHeight_ = Height();
  closeWidth_ = Width();
  closeGeometryKept_ = true;
}

void TLunavexForm::Exit1Click() {
  platform::SetApplicationEnding(true);
  EndSession();
  terminating_ = true;
  CaptureGeometry();
  Close();
}

void TLunavexForm::Quit() {
  if (!terminating_) Exit1Click();
  // A dialog open at the time closes too, so that the event loop ends.
  while (Fl_Window* w = Fl::first_window()) w->hide();
}

void TLunavexForm::Finalize() {
  if (finalized_ || !ini_) return;
  finalized_ = true;
  thread_.reset();
  if (!closeGeometryKept_) CaptureGeometry();
  WriteSettings(*ini_, StandbyValues, closeLeft_, closeTop_, closeHeight_, closeWidth_);
}

// ---------------------------------------------------------------------------
// Options and About

void TLunavexForm::AfterToggle() {
  FormResize();
  PaintND();
}

void TLunavexForm::Horizon1Click() {
  TStandbyValues& v = StandbyValues;
  SetChecked(kHorizonItem, ToggleInstrument(v.HorizonVisible, v.VisibleCount));
  AfterToggle();
}

void TLunavexForm::Speed1Click() {
  TStandbyValues& v = StandbyValues;
  SetChecked(kSpeedItem, ToggleInstrument(v.SpeedVisible, v.VisibleCount));
  AfterToggle();
}

void TLunavexForm::Altitude1Click() {
  TStandbyValues& v = StandbyValues;
  SetChecked(kAltitudeItem, ToggleInstrument(v.AltimeterVisible, v.VisibleCount));
  AfterToggle();
}

void TLunavexForm::Settings2Click() {
  TStandbyValues& v = StandbyValues;
  TOKBottomDlg::TValues values;
  values.Host = v.BrokerHost;
  values.Port = v.BrokerPort;
  values.SizePercent = v.SizePercent;
  values.Spacing = v.InstrumentSpacing;
  values.Decals = v.DecalsVisible;
  OKBottomDlg.SetValues(values);
  if (!OKBottomDlg.ShowModal() || terminating_) return;
  values = OKBottomDlg.Values();
  v.BrokerHost = values.Host;
  v.BrokerPort = values.Port;
  v.DecalsVisible = values.Decals;
  v.SizePercent = values.SizePercent;
  v.InstrumentSpacing = values.Spacing;
  v.Scale = ScaleForPercent(v.SizePercent);
  FormResize();
  PaintND();
}

void TLunavexForm::About2Click() { AboutBox.ShowModal(); }

}  // namespace lunavex
