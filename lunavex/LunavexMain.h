// The standby display program's main form: start-up, its "config.ini",
// the broker conversation, the refresh thread, the stacked instrument
// viewports, menus and keys.
#pragma once
#include <memory>
#include <string>

#include "lunavex/About_Dialog2.h"
#include "lunavex/Indicators.h"
#include "lunavex/LunavexState.h"
#include "lunavex/Settings_Dialog.h"
#include "platform/GuiThread.h"
#include "platform/IniFile.h"
#include "shared/LineBuffer.h"
#include "platform/LogLimiter.h"
#include "support/opengl/CgWindow.h"
#include "support/socket/WSocket.h"

struct Fl_Menu_Item;

namespace lunavex {

class TLunavexForm;

// Asks the GUI thread for one frame after the other, without sleeping, at
// the lowest priority, until it is terminated. Terminate (or destruction)
// stops and joins it.
class TNavDisplayThread {
 public:
  explicit TNavDisplayThread(TLunavexForm& form);  // starts at once
  ~TNavDisplayThread();
  TNavDisplayThread(const TNavDisplayThread&) = delete;
  TNavDisplayThread& operator=(const TNavDisplayThread&) = delete;
  void Terminate();
  bool Running() const { return worker_.Running(); }

 private:
  platform::GuiWorker worker_;
};

// Menu item paths.
inline constexpr const char* kConnectItem = "&File/&Connect";
inline constexpr const char* kDisconnectItem = "&File/&Disconnect";
inline constexpr const char* kExitItem = "&File/E&xit";
inline constexpr const char* kSettingsItem = "&Options/&Settings";
inline constexpr const char* kHorizonItem = "&Options/Artificial Horizon";
inline constexpr const char* kSpeedItem = "&Options/Speed";
inline constexpr const char* kAltitudeItem = "&Options/Altitude";
inline constexpr const char* kAboutItem = "About/About";

class TLunavexForm : public TCGForm {
 public:
  TLunavexForm();
  ~TLunavexForm() override;

  // Start-up, once the window is shown: settings, rendering context,
  // layout, fonts, textures.
  void FormCreate();
  void FormResize();
  void FormPaint();
  // One frame.
  void PaintND();
  void FormKeyPress(char key);
  void ProcessCommand(const std::string& line);
  void CliSocketDataAvailable();

  void Connect1Click();
  void Disconnect1Click();
  void Exit1Click();
  void Settings2Click();
  void Horizon1Click();
  void Speed1Click();
  void Altitude1Click();
  void About2Click();
  void HideTitlebar();
  void ShowTitleBar();

  // SIGTERM, SIGINT: ends the program as Exit does, and closes any dialog.
  void Quit();
  // At program end: writes the settings back to "config.ini".
  void Finalize();

  bool MenuItemEnabled(const char* path) const;
  bool MenuItemChecked(const char* path) const;
  bool Terminating() const { return terminating_; }
  bool RefreshThreadRunning() const { return thread_ && thread_->Running(); }

  TWSocket WSocket1;
  TOKBottomDlg OKBottomDlg;
  TAboutBox AboutBox;
  TArtHorizon ArtHorizon;
  TSpeedScale SpeedScale;

 private:
  void BuildMenus();
  Fl_Menu_Item* Item(const char* path) const;
  void SetEnabled(const char* path, bool on);
  void SetChecked(const char* path, bool on);
  void SetUpProjection();
  void ApplySavedGeometry();
  void CaptureGeometry();
  // Stops the refresh, sets the menus to "not connected" and closes the
  // socket (Disconnect, Exit, and a broker that ends the connection).
  void EndSession();
  void AfterToggle();

  std::unique_ptr<platform::TIniFile> ini_;
  brokerlink::LineBuffer buffer_{kReceiveCapacity};
  // The broker can overflow the buffer with every line it sends.
  platform::TLogLimiter overflowLog_;
  std::unique_ptr<TNavDisplayThread> thread_;
  bool created_ = false;
  bool connecting_ = false;
  bool terminating_ = false;
  bool finalized_ = false;
  int closeLeft_ = 0, closeTop_ = 0, closeHeight_ = 0, closeWidth_ = 0;
  bool closeGeometryKept_ = false;
};

// The program's one form, while it exists.
extern TLunavexForm* LunavexForm;

}  // namespace lunavex
