// The standby display program's state: its settings in "config.ini", the
// five displayed values and the broker lines that change them, the
// receive buffer that cuts the broker's data into lines, and the layout
// of the stacked instrument viewports.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Desktop.h"
#include "platform/IniFile.h"
#include "shared/LineBuffer.h"

namespace lunavex {

struct TStandbyValues {
  std::string BrokerHost = "localhost";
  std::string BrokerPort = "1863";
  float Ias = 0;                   // knots
  float Pitch = 5.0f;              // degrees
  float Bank = -10.0f;             // degrees, the broker's value negated
  float Altitude = 0;              // feet
  float AltimeterSetting = 2992.0f;  // hundredths of an inch of mercury
  int InstrumentSize = 0;          // side of each square viewport, pixels
  int InstrumentSpacing = 0;       // gap between two stacked instruments; may be negative
  int InstrumentLeft = 0;          // left edge of the instrument column
  int WindowLeft = 300, WindowTop = 108, WindowHeight = 625, WindowWidth = 419;
  bool GeometryApplied = false;
  bool HorizonVisible = false, SpeedVisible = false, AltimeterVisible = false;
  bool DecalsVisible = false;
  int SizePercent = 80;            // instrument size in percent of its viewport
  float Scale = 125.0f;            // half-width of the orthographic view
  int VisibleCount = 0;            // 1 to 3 after start-up
  bool MenuHidden = false, TitleBarVisible = true, ThreadRunning = false;
};

// The program's one instance.
extern TStandbyValues StandbyValues;

// ---- Settings ----
inline constexpr const char* kTcpSection = "TCP/IP Settings";
inline constexpr const char* kLunavexSection = "Lunavex Settings";

// Reads every key of the table into v (defaults for missing keys and
// non-numbers), then sets Scale and VisibleCount; with no instrument
// visible the altimeter is shown.
void ReadSettings(const platform::TIniFile& ini, TStandbyValues& v);
// Writes the settings back, with the window's current geometry. Other
// sections and keys of the file (the main display program's) are kept.
void WriteSettings(platform::TIniFile& ini, const TStandbyValues& v, int left, int top, int height,
                   int width);
// The saved window geometry as the first resize applies it: the form's
// own position and size when it is absurd or lies off every screen.
platform::WindowGeometry CheckedGeometry(const TStandbyValues& v, const std::vector<platform::ScreenRect>& screens);
// 10000 / percent; a percent below 1 counts as 1, so a size of 0 draws
// the instrument at its smallest instead of dividing by zero.
float ScaleForPercent(int percent);
int CountVisible(const TStandbyValues& v);

// ---- Broker ----
inline constexpr const char* kRegisterText = "register Lunavex running\r\n";
inline constexpr const char* kNotifyText = "notify IPC.ias IPC.pitch IPC.bank IPC.dalt altim\r";

// One broker line (without its LF): "Conn..." lines are ignored, the five
// variables are read with the 8-character value rule.
void ProcessCommand(std::string_view line, TStandbyValues& v);
// Target := value * Factor when Name occurs in Line; otherwise unchanged.
void ParseStandbyValue(std::string_view line, std::string_view name, float& target, float factor);

// The receive buffer holds 1023 characters.
inline constexpr std::size_t kReceiveCapacity = 1023;
using LineHandler = std::function<void(const std::string& line)>;
using OverflowHandler = std::function<void(std::size_t discarded)>;
// After bytes were committed to buffer: hands every complete line on (a
// handler that throws loses only its line), then empties a buffer that is
// full without a line end and reports it once.
void TakeLines(brokerlink::LineBuffer& buffer, const LineHandler& onLine, const OverflowHandler& onOverflow);

// ---- Layout ----
// InstrumentSize and InstrumentLeft for a GL area of the given size.
void ComputeLayout(int clientWidth, int clientHeight, TStandbyValues& v);

struct TViewport {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const TViewport&) const = default;
};
// Viewport of slot k (from 1 at the top) with n instruments above it.
TViewport SlotViewport(const TStandbyValues& v, int clientHeight, int k, int n);

// Instrument toggles of the Options menu: hides a visible instrument unless
// it is the last, shows a hidden one. Returns the new visibility.
bool ToggleInstrument(bool& visible, int& visibleCount);

}  // namespace lunavex
