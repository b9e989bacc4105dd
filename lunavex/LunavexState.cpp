#include "lunavex/LunavexState.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "shared/BrokerValue.h"

namespace lunavex {

TStandbyValues StandbyValues;

float ScaleForPercent(int percent) {
  if (percent < 1) percent = 1;
  return 10000.0f / static_cast<float>(percent);
}

int CountVisible(const TStandbyValues& v) {
  return (v.HorizonVisible ? 1 : 0) + (v.SpeedVisible ? 1 : 0) + (v.AltimeterVisible ? 1 : 0);
}

void ReadSettings(const platform::TIniFile& ini, TStandbyValues& v) {
  platform::TIniBatch batch(ini);  // the file is read once
  v.BrokerHost = ini.ReadString(kTcpSection, "IPAdress", "localhost");
  v.BrokerPort = ini.ReadString(kTcpSection, "IPPort", "1863");
  v.WindowLeft = ini.ReadInteger(kLunavexSection, "Window Left Pos", 300);
  v.WindowTop = ini.ReadInteger(kLunavexSection, "Window Top Pos", 108);
  v.WindowHeight = ini.ReadInteger(kLunavexSection, "Window Height", 625);
  v.WindowWidth = ini.ReadInteger(kLunavexSection, "Window Width", 419);
  v.HorizonVisible = ini.ReadBool(kLunavexSection, "Attitude Indicator", false);
  v.SpeedVisible = ini.ReadBool(kLunavexSection, "Airspeed Indicator", false);
  v.AltimeterVisible = ini.ReadBool(kLunavexSection, "Altimeter", false);
  v.DecalsVisible = ini.ReadBool(kLunavexSection, "Decals Visible", false);
  v.SizePercent = ini.ReadInteger(kLunavexSection, "Instrument Size Percent", 80);
  v.InstrumentSpacing = ini.ReadInteger(kLunavexSection, "Instrument Spacing", 0);

  v.Scale = ScaleForPercent(v.SizePercent);
  v.VisibleCount = CountVisible(v);
  if (v.VisibleCount == 0) {
    v.AltimeterVisible = true;
    v.VisibleCount = 1;
  }
}

void WriteSettings(platform::TIniFile& ini, const TStandbyValues& v, int left, int top, int height,
                   int width) {
  platform::TIniBatch batch(ini);  // read once, replaced once
  ini.WriteString(kTcpSection, "IPAdress", v.BrokerHost);
  ini.WriteString(kTcpSection, "IPPort", v.BrokerPort);
  ini.WriteBool(kLunavexSection, "Attitude Indicator", v.HorizonVisible);
  ini.WriteBool(kLunavexSection, "Airspeed Indicator", v.SpeedVisible);
  ini.WriteBool(kLunavexSection, "Altimeter", v.AltimeterVisible);
  ini.WriteBool(kLunavexSection, "Decals Visible", v.DecalsVisible);
  ini.WriteInteger(kLunavexSection, "Instrument Size Percent", v.SizePercent);
  ini.WriteInteger(kLunavexSection, "Instrument Spacing", v.InstrumentSpacing);
  ini.WriteInteger(kLunavexSection, "Window Left Pos", left);
  ini.WriteInteger(kLunavexSection, "Window Top Pos", top);
  ini.WriteInteger(kLunavexSection, "Window Height", height);
  ini.WriteInteger(kLunavexSection, "Window Width", width);
}

platform::WindowGeometry CheckedGeometry(const TStandbyValues& v, const std::vector<platform::ScreenRect>& screens) {
  // Sides the display and the GL driver can take; a hand-edited file must
  // not ask for a window of a million pixels a side or of none.
  constexpr platform::GeometryLimits kLimits{50, 8192, 16384, 40};
  const TStandbyValues form;
  return platform::CheckedGeometry({v.WindowLeft, v.WindowTop, v.WindowHeight, v.WindowWidth},
                                   {form.WindowLeft, form.WindowTop, form.WindowHeight, form.WindowWidth},
                                   kLimits, screens);
}

void ParseStandbyValue(std::string_view line, std::string_view name, float& target, float factor) {
  float value = 0;
  if (!brokerlink::ReadBrokerFloat(line, name, value)) return;
  target = value * factor;
}

void ProcessCommand(std::string_view line, TStandbyValues& v) {
  if (brokerlink::IsConnLine(line)) return;
  ParseStandbyValue(line, "IPC.ias", v.Ias, 1);
  ParseStandbyValue(line, "IPC.pitch", v.Pitch, 1);
  ParseStandbyValue(line, "IPC.bank", v.Bank, -1);
  ParseStandbyValue(line, "IPC.dalt", v.Altitude, 1);
  ParseStandbyValue(line, "altim", v.AltimeterSetting, 1);
}

void TakeLines(brokerlink::LineBuffer& buffer, const LineHandler& onLine, const OverflowHandler& onOverflow) {
  // A line that could not be handled is dropped silently; the rest go on.
  buffer.TakeLines(onLine, {}, onOverflow);
}

void ComputeLayout(int clientWidth, int clientHeight, TStandbyValues& v) {
  const int count = v.VisibleCount < 1 ? 1 : v.VisibleCount;
  v.InstrumentSize = clientWidth;
  if (static_cast<long long>(clientHeight) < static_cast<long long>(clientWidth) * count)
    v.InstrumentSize = clientHeight / count;
  v.InstrumentLeft = std::abs(clientWidth - v.InstrumentSize) / 2;
}

TViewport SlotViewport(const TStandbyValues& v, int clientHeight, int k, int n) {
  // The spacing comes from "config.ini" and may be any integer.
  const long long y = static_cast<long long>(clientHeight) -
                      static_cast<long long>(k) * v.InstrumentSize -
                      static_cast<long long>(n) * v.InstrumentSpacing;
  const int clamped = static_cast<int>(std::clamp<long long>(y, INT_MIN, INT_MAX));
  return {v.InstrumentLeft, clamped, v.InstrumentSize, v.InstrumentSize};
}

bool ToggleInstrument(bool& visible, int& visibleCount) {
  if (visible) {
    if (visibleCount > 1) {
      visible = false;
      --visibleCount;
    }
  } else {
    visible = true;
    ++visibleCount;
  }
  return visible;
}

}  // namespace lunavex
