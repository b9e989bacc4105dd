// The main display program's main form, and the start-up pieces, broker
// lines and settings keys around it that need no window.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "platform/Desktop.h"
#include "platform/GuiThread.h"
#include "platform/IniFile.h"
#include "platform/MediaPlayer.h"
#include "shared/LineBuffer.h"
#include "support/socket/WSocket.h"
#include "support/opengl/CgWindow.h"

class Fl_Menu_Bar;
class TCGTexture;
class TAboutBox;
class TInfobox1;
class TOKBottomDlg;
struct Fl_Menu_Item;

// What the first page of the database information box shows of the
// runway selected for the current position (runway element: its
// AirportIdent and RunwayName).
struct TNearestRunway {
  std::string AirportIdent;
  std::string RunwayName;
};

// The calls the TCAS menu makes into the TCAS element, in the order the
// menu makes them. Unbound entries are skipped.
struct TTcasMenuCalls {
  std::function<void(int above, int below)> SetAltitudeWindow;
  std::function<void(bool taOnly)> SetTAOnly;
  std::function<void()> SwitchOn;
  std::function<void()> SwitchOff;
};

// The five items of the TCAS menu, in menu order.
enum class TTcasMode { Off, TAOnly, TARA, Above, Below };

// ---- Broker lines ----
// Parses the "tcas" item of line into TcasMessage. False when the line
// holds no "tcas" or the item lacks a field (nothing is then handed on).
bool ParseTcasLine(const std::string& line);
// The exact lines Connect sends after registering: eight subscription
// lines and fifty route lines, each ending in CR.
std::vector<std::string> SubscriptionLines();

// ---- Start-up pieces that need no window ----
// True when the first argument, upper-cased, is "-PFDONLY" or "-P".
bool PfdOnlyFromCommandLine(int argc, const char* const* argv);
// Reads every key of "config.ini" into the settings globals, in order, and
// checks them: an unknown rotation reads as 0.
void ReadSettings(const platform::TIniFile& ini);
using platform::WindowGeometry;
// Writes the keys back in their order; PFD-only mode leaves "PFD Visible"
// and "ND Visible" as they are. A host or port holding a control character is kept out.
void WriteSettings(platform::TIniFile& ini, const WindowGeometry& geometry);
// The saved window geometry as start-up applies it: Kestrane's defaults
// (the window's design-time position and size) when it is absurd or lies
// off every screen.
using platform::ScreenRect;
WindowGeometry CheckedGeometry(const WindowGeometry& g, const std::vector<ScreenRect>& screens);

// The main window. Its methods live in one unit per job: start-up and
// finalization in KestraneMain.cpp, the broker link in KestraneBroker.cpp,
// the paint and refresh in KestraneFrame.cpp, the menus and the dialogs'
// callers in KestraneMenus.cpp, the keys in KestraneKeys.cpp.
class TKestraneForm : public TCGForm {
 public:
  TKestraneForm();
  ~TKestraneForm() override;

  // Start-up sequence; false when a step failed and the displays must not draw.
  bool FormCreate(int argc, const char* const* argv);
  void FormDestroy();
  // Program end after the message loop: refresh stopped, settings written,
  // GL objects freed while the context is still current.
  void Finalize();

  static bool CheckPS13Databases(const std::string& folder);
  static void CheckRequiredFiles();

  // Menu commands.
  void Connect1Click();
  void Disconnect1Click();
  void Exit1Click();
  void ShowFramesClick();
  void ShowPFD1Click();
  void ShowND1Click();
  void CaptainsInstruments1Click();
  void SimpleTiming1Click();
  void SmoothLines1Click();
  void SmoothPolygons1Click();
  void ToggleItem(const char* path, bool& flag, bool repaintAlways);
  void IncreaseNDRange();
  void DecreaseNDRange();
  void SetRange(int nm);
  void InhibitTerrainEGPWS1Click();
  void Settings2Click();
  void Info1Click();
  void About2Click();
  void Off1Click();
  void TAOnly1Click();
  void TARA1Click();
  void Above1Click();
  void Below1Click();
  void SetTcasMode(TTcasMode mode);

  // Frame.
  void FormPaint();
  void FormResize(int w, int h);
  void Timer1Timer();
  void SetTimerEnabled(bool on);
  void SwapPage();
  bool Connected() const;
  void Repaint();
  void RepaintWhenNotConnected();

  // Broker link.
  void CliSocketDataAvailable();
  void ProcessCommand(const std::string& line);
  void WSocket1Error();
  void WSocket1SessionClosed();
  // A reload the position asked for too soon after the last one runs when
  // its time has come (a timer; no further line is needed).
  void ScheduleDeferredReload();
  void DeferredReloadTimer();

  bool FormKeyDown(int key, int state);
  bool FormKeyPress(char c);

  Fl_Menu_Item* Item(const char* path) const;
  bool Checked(const char* path) const;
  void SetChecked(const char* path, bool on);
  void SetEnabled(const char* path, bool on);
  bool Enabled(const char* path) const;

  bool StartupComplete = false;
  bool FramesShown = true;  // "Show PFD/ND Frames"
  bool Painting = false;
  bool GeometryApplied = false;
  bool TimerEnabled = false;
  bool ReloadTimerSet = false;
  int FrameCount = 0;  // frames painted, for tests and the log
  WindowGeometry ClosingGeometry{};
  WindowGeometry ShownGeometry{};
  bool ShownRecorded = false;
  std::unique_ptr<platform::TIniFile> SettingsFile;
  std::unique_ptr<TWSocket> WSocket1;
  platform::TMediaPlayer MediaPlayer1;  // the ND's alert sounds
  brokerlink::LineBuffer ReceiveBuffer{8192};
  int SwapCount = 0;  // buffers swapped, for tests and the log
  std::unique_ptr<TCGTexture> PfdFrameTexture, NdFrameTexture;
  platform::Taskbar TaskbarWindow;
  std::unique_ptr<TOKBottomDlg> OKBottomDlg;
  std::unique_ptr<TInfobox1> Infobox1;
  std::unique_ptr<TAboutBox> AboutBox;
  // Bound by the program to the runway and TCAS elements.
  std::function<TNearestRunway()> NearestRunway;
  TTcasMenuCalls TcasMenuCalls;

 private:
  void BuildMenu();
  void StopRefresh(const char* timerLog, const char* threadLog);
  // The broker socket with its event handlers (KestraneBroker.cpp).
  void CreateBrokerSocket();
  // A deferred reload still waiting is dropped.
  void CancelDeferredReload();
  void CaptureGeometry();

  std::unique_ptr<platform::GuiWorker> RefreshThread;
  bool RefreshThreadRunning = false;
  bool Finalized = false;
  bool Connecting = false;
  bool Terminating = false;
  bool CaptainsCheckedAtStart = true;
};

extern TKestraneForm* KestraneForm;
