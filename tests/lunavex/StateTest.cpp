#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "lunavex/LunavexState.h"
#include "tests/common/TestSupport.h"

using namespace lunavex;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// ---- Settings ----

TEST(Settings, DefaultsWithoutAFile) {
  TempDir dir;
  platform::TIniFile ini(dir.File("config.ini"));
  TStandbyValues v;
  ReadSettings(ini, v);
  EXPECT_EQ(v.BrokerHost, "localhost");
  EXPECT_EQ(v.BrokerPort, "1863");
  EXPECT_EQ(v.WindowLeft, 300);
  EXPECT_EQ(v.WindowTop, 108);
  EXPECT_EQ(v.WindowHeight, 625);
  EXPECT_EQ(v.WindowWidth, 419);
  EXPECT_FALSE(v.DecalsVisible);
  EXPECT_EQ(v.SizePercent, 80);
  EXPECT_FLOAT_EQ(v.Scale, 125.0f);
  EXPECT_EQ(v.InstrumentSpacing, 0);
  // With no instrument chosen, the altimeter alone is shown.
  EXPECT_FALSE(v.HorizonVisible);
  EXPECT_FALSE(v.SpeedVisible);
  EXPECT_TRUE(v.AltimeterVisible);
  EXPECT_EQ(v.VisibleCount, 1);
  EXPECT_FALSE(testsupport::Exists(dir.File("config.ini")));  // reading creates nothing
}

TEST(Settings, ReadsEveryKeyCaseInsensitively) {
  TempDir dir;
  WriteFile(dir.File("config.ini"),
            "[tcp/ip settings]\nipadress=broker.lan\nIPPort=4000\n"
            "[Lunavex Settings]\nWindow Left Pos=12\nWindow Top Pos=34\nWindow Height=900\n"
            "Window Width=400\nAttitude Indicator=1\nAirspeed Indicator=0\nAltimeter=5\n"
            "Decals Visible=1\nInstrument Size Percent=50\nInstrument Spacing=-20\n");
  platform::TIniFile ini(dir.File("config.ini"));
  TStandbyValues v;
  ReadSettings(ini, v);
  EXPECT_EQ(v.BrokerHost, "broker.lan");
  EXPECT_EQ(v.BrokerPort, "4000");
  EXPECT_EQ(v.WindowLeft, 12);
  EXPECT_EQ(v.WindowTop, 34);
  EXPECT_EQ(v.WindowHeight, 900);
  EXPECT_EQ(v.WindowWidth, 400);
  EXPECT_TRUE(v.HorizonVisible);
  EXPECT_FALSE(v.SpeedVisible);
  EXPECT_TRUE(v.AltimeterVisible);  // any integer but 0 is true
  EXPECT_EQ(v.VisibleCount, 2);
  EXPECT_TRUE(v.DecalsVisible);
  EXPECT_EQ(v.SizePercent, 50);
  EXPECT_FLOAT_EQ(v.Scale, 200.0f);
  EXPECT_EQ(v.InstrumentSpacing, -20);
}

TEST(Settings, GarbageValuesGiveTheDefaults) {
  TempDir dir;
  WriteFile(dir.File("config.ini"),
            "[Lunavex Settings]\nWindow Left Pos=left\nWindow Height=\nAttitude Indicator=yes\n"
            "Airspeed Indicator=true\nInstrument Size Percent=eighty\nInstrument Spacing=1.5\n"
            "garbage line without equals\n");
  platform::TIniFile ini(dir.File("config.ini"));
  TStandbyValues v;
  ReadSettings(ini, v);
  EXPECT_EQ(v.WindowLeft, 300);
  EXPECT_EQ(v.WindowHeight, 625);
  EXPECT_FALSE(v.HorizonVisible);
  EXPECT_FALSE(v.SpeedVisible);
  EXPECT_TRUE(v.AltimeterVisible);
  EXPECT_EQ(v.SizePercent, 80);
  EXPECT_EQ(v.InstrumentSpacing, 0);
}

TEST(Settings, SizePercentZeroOrNegativeNeverDividesByZero) {
  EXPECT_FLOAT_EQ(ScaleForPercent(80), 125.0f);
  EXPECT_FLOAT_EQ(ScaleForPercent(120), 10000.0f / 120.0f);
  for (int p : {0, -5, -2147483647 - 1}) {
    float s = ScaleForPercent(p);
    EXPECT_TRUE(std::isfinite(s)) << p;
    EXPECT_GT(s, 0) << p;
  }
  TempDir dir;
  WriteFile(dir.File("config.ini"), "[Lunavex Settings]\nInstrument Size Percent=0\n");
  platform::TIniFile ini(dir.File("config.ini"));
  TStandbyValues v;
  ReadSettings(ini, v);
  EXPECT_EQ(v.SizePercent, 0);  // kept as stored
  EXPECT_TRUE(std::isfinite(v.Scale));
}

TEST(Settings, WrittenBackAndReadAgain) {
  TempDir dir;
  platform::TIniFile ini(dir.File("config.ini"));
  TStandbyValues v;
  v.BrokerHost = "10.0.0.7";
  v.BrokerPort = "1999";
  v.HorizonVisible = true;
  v.SpeedVisible = true;
  v.AltimeterVisible = false;
  v.DecalsVisible = true;
  v.SizePercent = 95;
  v.InstrumentSpacing = -7;
  WriteSettings(ini, v, 11, 22, 333, 444);
  const std::string text = ReadFile(dir.File("config.ini"));
  EXPECT_NE(text.find("IPAdress=10.0.0.7"), std::string::npos);
  EXPECT_NE(text.find("Attitude Indicator=1"), std::string::npos);
  EXPECT_NE(text.find("Altimeter=0"), std::string::npos);
  EXPECT_NE(text.find("Instrument Spacing=-7"), std::string::npos);

  TStandbyValues r;
  ReadSettings(ini, r);
  EXPECT_EQ(r.BrokerHost, "10.0.0.7");
  EXPECT_EQ(r.BrokerPort, "1999");
  EXPECT_EQ(r.WindowLeft, 11);
  EXPECT_EQ(r.WindowTop, 22);
  EXPECT_EQ(r.WindowHeight, 333);
  EXPECT_EQ(r.WindowWidth, 444);
  EXPECT_TRUE(r.HorizonVisible);
  EXPECT_TRUE(r.SpeedVisible);
  EXPECT_FALSE(r.AltimeterVisible);
  EXPECT_EQ(r.VisibleCount, 2);
  EXPECT_TRUE(r.DecalsVisible);
  EXPECT_EQ(r.SizePercent, 95);
  EXPECT_EQ(r.InstrumentSpacing, -7);
}

TEST(Settings, OtherSectionsOfASharedFileSurvive) {
  TempDir dir;
  WriteFile(dir.File("config.ini"),
            "; written by the main display program\n[Kestrane Settings]\nRotation=90\n"
            "[TCP/IP Settings]\nIPAdress=shared-host\nIPPort=1863\n[EFIS Settings]\nTCAS=1\n");
  platform::TIniFile ini(dir.File("config.ini"));
  TStandbyValues v;
  ReadSettings(ini, v);
  EXPECT_EQ(v.BrokerHost, "shared-host");
  v.BrokerPort = "2001";
  WriteSettings(ini, v, 1, 2, 3, 4);
  const std::string text = ReadFile(dir.File("config.ini"));
  EXPECT_NE(text.find("; written by the main display program"), std::string::npos);
  EXPECT_NE(text.find("[Kestrane Settings]\nRotation=90\n"), std::string::npos);
  EXPECT_NE(text.find("[EFIS Settings]\nTCAS=1"), std::string::npos);
  EXPECT_NE(text.find("IPAdress=shared-host"), std::string::npos);
  EXPECT_NE(text.find("IPPort=2001"), std::string::npos);
  EXPECT_EQ(text.find("IPPort=1863"), std::string::npos);
  EXPECT_NE(text.find("[Lunavex Settings]"), std::string::npos);
}

// ---- Broker lines ----

TEST(BrokerLines, RegisterAndNotifyBytes) {
  EXPECT_EQ(std::string(kRegisterText), "register Lunavex running\r\n");
  EXPECT_EQ(std::string(kNotifyText), "notify IPC.ias IPC.pitch IPC.bank IPC.dalt altim\r");
}

TEST(BrokerLines, TheFiveVariables) {
  TStandbyValues v;
  EXPECT_FLOAT_EQ(v.Pitch, 5.0f);
  EXPECT_FLOAT_EQ(v.Bank, -10.0f);
  EXPECT_FLOAT_EQ(v.AltimeterSetting, 2992.0f);
  ProcessCommand("IPC.bank 12.5\r", v);
  EXPECT_FLOAT_EQ(v.Bank, -12.5f);
  ProcessCommand("IPC.ias 250.1234567\r", v);
  EXPECT_FLOAT_EQ(v.Ias, 250.1234f);  // 8 characters
  ProcessCommand("IPC.pitch -3.25 IPC.dalt 12345 altim 3012\r", v);
  EXPECT_FLOAT_EQ(v.Pitch, -3.25f);
  EXPECT_FLOAT_EQ(v.Altitude, 12345.0f);
  EXPECT_FLOAT_EQ(v.AltimeterSetting, 3012.0f);
  EXPECT_FLOAT_EQ(v.Ias, 250.1234f);  // absent: kept
}

TEST(BrokerLines, ConnLinesAndAbsentNamesChangeNothing) {
  TStandbyValues v;
  ProcessCommand("Connected IPC.ias 99", v);
  ProcessCommand("Conn", v);
  ProcessCommand("", v);
  ProcessCommand("IPC.vs 1200\r", v);
  EXPECT_FLOAT_EQ(v.Ias, 0.0f);
  EXPECT_FLOAT_EQ(v.Pitch, 5.0f);
  EXPECT_FLOAT_EQ(v.Bank, -10.0f);
}

TEST(BrokerLines, LenientAndOutOfRangeValues) {
  TStandbyValues v;
  ProcessCommand("IPC.ias abc\r", v);
  EXPECT_FLOAT_EQ(v.Ias, 0.0f);  // not a number: stored as 0
  ProcessCommand("IPC.pitch 7x5", v);
  EXPECT_FLOAT_EQ(v.Pitch, 7.0f);
  ProcessCommand("IPC.dalt 1e999999", v);
  EXPECT_TRUE(std::isfinite(v.Altitude));
  ProcessCommand("IPC.bank nan", v);
  EXPECT_FLOAT_EQ(v.Bank, 0.0f);
  ProcessCommand("IPC.ias", v);  // name at the end of the line
  EXPECT_FLOAT_EQ(v.Ias, 0.0f);
  ProcessCommand("altim 2992 4", v);  // cut at the first blank
  EXPECT_FLOAT_EQ(v.AltimeterSetting, 2992.0f);
}

// ---- Receive buffer ----

namespace {
struct Feed {
  brokerlink::LineBuffer buffer{kReceiveCapacity};
  std::vector<std::string> lines;
  std::vector<std::size_t> overflows;
  void operator()(const std::string& data) {
    size_t pos = 0;
    while (pos < data.size()) {
      size_t n = std::min(buffer.Free(), data.size() - pos);
      std::copy(data.begin() + static_cast<long>(pos), data.begin() + static_cast<long>(pos + n),
                buffer.WritePtr());
      buffer.Commit(static_cast<long>(n));
      pos += n;
      TakeLines(
          buffer, [&](const std::string& l) { lines.push_back(l); },
          [&](std::size_t d) { overflows.push_back(d); });
    }
  }
};
}  // namespace

TEST(ReceiveBuffer, TwoLinesInOneReadAndALineSplitOverTwo) {
  Feed f;
  f("IPC.ias 120\r\nIPC.pitch 2\r\nIPC.ba");
  ASSERT_EQ(f.lines.size(), 2u);
  EXPECT_EQ(f.lines[0], "IPC.ias 120\r");  // the CR stays
  EXPECT_EQ(f.lines[1], "IPC.pitch 2\r");
  f("nk 4\n");
  ASSERT_EQ(f.lines.size(), 3u);
  EXPECT_EQ(f.lines[2], "IPC.bank 4");
  EXPECT_EQ(f.buffer.Count(), 0u);
  EXPECT_TRUE(f.overflows.empty());
}

TEST(ReceiveBuffer, ALineOf1022CharactersFitsOneLongerIsDropped) {
  Feed f;
  f(std::string(1022, 'a') + "\n");
  ASSERT_EQ(f.lines.size(), 1u);
  EXPECT_EQ(f.lines[0].size(), 1022u);
  EXPECT_TRUE(f.overflows.empty());

  // 1023 characters without a line end fill the buffer: emptied once.
  f(std::string(1023, 'b'));
  ASSERT_EQ(f.overflows.size(), 1u);
  EXPECT_EQ(f.overflows[0], 1023u);
  EXPECT_EQ(f.buffer.Count(), 0u);
  // The tail of the long line ends at its LF; the next line is whole again.
  f("tail\nIPC.ias 88\n");
  ASSERT_EQ(f.lines.size(), 3u);
  EXPECT_EQ(f.lines[1], "tail");
  EXPECT_EQ(f.lines[2], "IPC.ias 88");
}

TEST(ReceiveBuffer, AThrowingHandlerLosesOnlyItsLine) {
  brokerlink::LineBuffer buffer(kReceiveCapacity);
  const std::string data = "one\nbad\nthree\n";
  std::copy(data.begin(), data.end(), buffer.WritePtr());
  buffer.Commit(static_cast<long>(data.size()));
  std::vector<std::string> seen;
  TakeLines(
      buffer,
      [&](const std::string& l) {
        if (l == "bad") throw std::runtime_error("parser failed");
        seen.push_back(l);
      },
      nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"one", "three"}));
  EXPECT_EQ(buffer.Count(), 0u);
}

// ---- Layout ----

TEST(Layout, InstrumentSizeAndLeft) {
  TStandbyValues v;
  v.VisibleCount = 3;
  ComputeLayout(400, 900, v);
  EXPECT_EQ(v.InstrumentSize, 300);
  EXPECT_EQ(v.InstrumentLeft, 50);
  ComputeLayout(400, 1300, v);  // tall enough: the width decides
  EXPECT_EQ(v.InstrumentSize, 400);
  EXPECT_EQ(v.InstrumentLeft, 0);
  v.VisibleCount = 1;
  ComputeLayout(419, 600, v);
  EXPECT_EQ(v.InstrumentSize, 419);
  ComputeLayout(600, 100, v);
  EXPECT_EQ(v.InstrumentSize, 100);
  EXPECT_EQ(v.InstrumentLeft, 250);
}

TEST(Layout, SlotsStackFromTheTopWithSpacing) {
  TStandbyValues v;
  v.VisibleCount = 3;
  v.InstrumentSpacing = 10;
  ComputeLayout(400, 900, v);
  EXPECT_EQ(SlotViewport(v, 900, 1, 0), (TViewport{50, 600, 300, 300}));
  EXPECT_EQ(SlotViewport(v, 900, 2, 1), (TViewport{50, 290, 300, 300}));
  EXPECT_EQ(SlotViewport(v, 900, 3, 2), (TViewport{50, -20, 300, 300}));
  v.InstrumentSpacing = 2147483647;  // from a hand-edited file: no overflow
  EXPECT_EQ(SlotViewport(v, 900, 3, 2).y, -2147483647 - 1);
}

TEST(Layout, TogglesKeepTheLastInstrument) {
  bool horizon = true, speed = false;
  int count = 1;
  EXPECT_TRUE(ToggleInstrument(horizon, count));  // the last visible stays
  EXPECT_EQ(count, 1);
  EXPECT_TRUE(ToggleInstrument(speed, count));
  EXPECT_EQ(count, 2);
  EXPECT_FALSE(ToggleInstrument(horizon, count));
  EXPECT_EQ(count, 1);
  EXPECT_TRUE(speed);
}
