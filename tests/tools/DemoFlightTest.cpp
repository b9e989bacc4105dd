#include <gtest/gtest.h>

#include <cctype>

#include <array>
#include <cstdint>

#include "nd/GridPosition.h"

#include <cmath>
#include <map>
#include <set>

#include "platform/Numbers.h"
#include "tools/scripted-broker/DemoFlight.h"

using broker::DemoFlight;
using broker::DemoState;

namespace {

// Items of a demo line without its CR LF: name -> value text.
std::map<std::string, std::string> Items(const std::string& line) {
  std::map<std::string, std::string> items;
  std::string body = line.substr(0, line.size() - 2);
  size_t pos = 0;
  while (pos < body.size()) {
    size_t sp = body.find(' ', pos);
    std::string name = body.substr(pos, sp - pos);
    size_t valueEnd = name == "tcas" ? body.find('}', sp) + 1 : body.find(' ', sp + 1);
    if (valueEnd == std::string::npos || valueEnd > body.size()) valueEnd = body.size();
    items[name] = body.substr(sp + 1, valueEnd - sp - 1);
    pos = valueEnd + 1;
  }
  return items;
}

std::map<std::string, std::string> AllItems(DemoFlight& demo, double t) {
  std::map<std::string, std::string> all;
  for (const auto& line : demo.Lines(t, true)) all.merge(Items(line));
  return all;
}

double Value(DemoFlight& demo, double t, const std::string& name) {
  double v = 0;
  EXPECT_TRUE(platform::ParseDouble(AllItems(demo, t)[name], v)) << name;
  return v;
}

// The program's own decoder of the 6-byte real of the FMC position words.
double DecodeReal48(const std::string& w1, const std::string& w2, const std::string& w3) {
  std::array<std::int16_t, 3> words;
  const int values[3] = {std::stoi(w1), std::stoi(w2), std::stoi(w3)};
  for (int i = 0; i < 3; ++i) words[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(values[i]));
  return Real48ToDouble(words);
}

}  // namespace

// The value reader takes the first occurrence of a name; a name that
// begins a longer one must therefore come first on its line, or the
// longer one's text is read in its place.
TEST(DemoFlight, EveryNameIsFoundAtItsOwnItem) {
  DemoFlight demo;
  for (double t : {0.0, 30.0, 90.0}) {
    for (const std::string& line : demo.Lines(t, true)) {
      for (const auto& [name, value] : Items(line)) {
        size_t first = line.find(name);
        ASSERT_NE(first, std::string::npos);
        EXPECT_TRUE(first == 0 || line[first - 1] == ' ') << name;
        EXPECT_EQ(line.compare(first, name.size() + 1, name + " "), 0) << name;
        EXPECT_EQ(line.substr(first + name.size() + 1, value.size()), value) << name;
      }
    }
  }
}

TEST(DemoFlight, LinesFitTheReceiversAndValuesTheirReaders) {
  DemoFlight demo;
  for (double t = 0; t < DemoFlight::kLoopSeconds; t += 7.3) {
    for (const std::string& line : demo.Lines(t, true)) {
      ASSERT_GE(line.size(), 2u);
      EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
      EXPECT_EQ(line.find_first_of("\r\n"), line.size() - 2);
      EXPECT_LT(line.size(), 1000u);  // the standby program holds 1023 bytes
      for (const auto& [name, value] : Items(line)) {
        if (name == "tcas") continue;
        // Route point names, fix names and station idents are texts.
        const bool text = (name.size() == 4 && name.rfind("R.", 0) == 0 && std::isdigit(name[2])) ||
                          name.find("Name") != std::string::npos || name.find("Ident") != std::string::npos;
        if (text) continue;
        double v = 0;
        // The next waypoint's name is the one text value.
        if (name != "MV.WptStr") {
          EXPECT_TRUE(platform::ParseDouble(value, v)) << name << " " << value;
        }
        // Most readers take 8 characters; the IRS positions and the runway
        // corners are read to the end of the line.
        if (name.rfind("MV.IrsX", 0) != 0 && name.rfind("MV.IrsY", 0) != 0 && name.rfind("MV.RwyX", 0) != 0 &&
            name.rfind("MV.RwyY", 0) != 0) {
          EXPECT_LE(value.size(), 8u) << name << " " << value;
        }
      }
    }
  }
}

TEST(DemoFlight, StandbyVariablesAndTrafficItem) {
  DemoFlight demo;
  auto lines = demo.Lines(70, true);
  auto all = AllItems(demo, 70);
  for (const char* name : {"IPC.ias", "IPC.pitch", "IPC.bank", "IPC.dalt", "altim"})
    EXPECT_NE(lines[0].find(std::string(name) + " "), std::string::npos) << name;
  EXPECT_EQ(all["altim"], "3005");
  EXPECT_GT(demo.At(70).bank, 10);  // turning right
  EXPECT_NEAR(Value(demo, 70, "IPC.bank"), -demo.At(70).bank, 0.006);

  ASSERT_EQ(demo.Lines(70, false).size() + 1, lines.size());
  const std::string& tcas = lines.back();
  ASSERT_EQ(tcas.rfind("tcas {GCT101 ", 0), 0u);
  // Callsign, two fields, latitude, longitude, altitude, one more field.
  std::string group = tcas.substr(6, tcas.find('}') - 6);
  std::vector<std::string> fields;
  for (size_t p = 0; p <= group.size();) {
    size_t sp = std::min(group.find(' ', p), group.size());
    fields.push_back(group.substr(p, sp - p));
    p = sp + 1;
  }
  ASSERT_EQ(fields.size(), 7u);
  EXPECT_NEAR(std::stod(fields[3]), 47.2, 0.3);
  EXPECT_NEAR(std::stod(fields[4]), -122.06, 0.3);
  EXPECT_EQ(fields[5], "4500");
}

TEST(DemoFlight, PositionWordsDecodeToTheAircraftPosition) {
  DemoFlight demo;
  for (double t : {0.0, 60.0, 120.0}) {
    auto all = AllItems(demo, t);
    double x = DecodeReal48(all["MV.FMCPosX1"], all["MV.FMCPosX2"], all["MV.FMCPosX3"]);
    double y = DecodeReal48(all["MV.FMCPosY1"], all["MV.FMCPosY2"], all["MV.FMCPosY3"]);
    double lat = -y / 364599;
    double lon = x / (std::cos(lat * M_PI / 180) * 364599) + std::stoi(all["MV.CenterLon"]);
    EXPECT_NEAR(lat, demo.At(t).latitude, 1e-6);
    EXPECT_NEAR(lon, demo.At(t).longitude, 1e-6);
    // The minutes items give the same position.
    EXPECT_NEAR(std::stoi(all["IPC.latdeg"]) + std::stoi(all["IPC.latmin"]) / 6e6, lat, 1e-5);
    EXPECT_NEAR(std::stoi(all["IPC.londeg"]) + std::stoi(all["IPC.lonmin"]) / 6e6, lon, 1e-5);
  }
  EXPECT_NEAR(demo.At(0).latitude, 47.2, 1e-9);
  EXPECT_NEAR(demo.At(0).longitude, -122.0633, 1e-3);
}

TEST(DemoFlight, Real48Encoding) {
  auto words = [](double v) {
    int16_t w[3];
    broker::EncodeReal48(v, w);
    return std::vector<int>{w[0], w[1], w[2]};
  };
  EXPECT_EQ(words(0), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(words(1), (std::vector<int>{129, 0, 0}));
  EXPECT_EQ(words(0.5), (std::vector<int>{128, 0, 0}));
  EXPECT_EQ(words(3), (std::vector<int>{130, 0, 0x4000}));
  EXPECT_EQ(words(-1), (std::vector<int>{129, 0, -32768}));
  EXPECT_EQ(words(std::nan("")), (std::vector<int>{0, 0, 0}));
  for (double v : {-17209072.8, 14859.25, 1e-3, 123456789.0}) {
    auto w = words(v);
    EXPECT_NEAR(DecodeReal48(std::to_string(w[0]), std::to_string(w[1]), std::to_string(w[2])), v,
                std::abs(v) * 1e-11);
  }
}

TEST(DemoFlight, TheLoopMovesEveryInstrument) {
  DemoFlight demo;
  const DemoState& aligning = demo.At(1);
  EXPECT_TRUE(aligning.irsAligning);
  EXPECT_FALSE(aligning.fdOn);
  EXPECT_EQ(AllItems(demo, 1)["MV.IrsAligning"], "1");
  EXPECT_EQ(AllItems(demo, 1)["MV.NoVSpd"], "1");

  auto ready = AllItems(demo, 12);
  EXPECT_EQ(ready["MV.IrsAligning"], "0");
  EXPECT_EQ(ready["MV.Irs1Quality"], "1");
  EXPECT_EQ(ready["VM.FDOn"], "1");
  EXPECT_EQ(ready["VM.FMAroll"], "7");
  EXPECT_EQ(ready["VM.FMApitch"], "7");
  EXPECT_EQ(ready["VM.FMAthrust"], "2");
  EXPECT_EQ(ready["MV.V1bug"], "204");  // 145 kt
  EXPECT_EQ(ready["MV.GndOnce"], "0");

  double maxIas = 0, maxPitch = 0, maxBank = 0, maxVs = 0, minVs = 0, maxAlt = 0;
  std::set<int> roll, pitch, thrust, flaps;
  bool flew = false, boxShown = false;
  for (double t = 0; t < DemoFlight::kLoopSeconds; t += 0.5) {
    const DemoState& s = demo.At(t);
    maxIas = std::max(maxIas, s.ias);
    maxPitch = std::max(maxPitch, s.pitch);
    maxBank = std::max(maxBank, std::abs(s.bank));
    maxVs = std::max(maxVs, s.verticalSpeed);
    minVs = std::min(minVs, s.verticalSpeed);
    maxAlt = std::max(maxAlt, s.altitude);
    roll.insert(s.fmaRoll);
    pitch.insert(s.fmaPitch);
    thrust.insert(s.fmaThrust);
    flaps.insert(s.flapPosition);
    flew = flew || s.airborne;
    boxShown = boxShown || AllItems(demo, t)["MV.RolTimer"] != "0";
  }
  EXPECT_TRUE(flew);
  EXPECT_TRUE(boxShown);
  EXPECT_GE(maxIas, 240);
  EXPECT_GE(maxPitch, 12);
  EXPECT_GE(maxBank, 20);
  EXPECT_GE(maxVs, 2500);
  EXPECT_LE(minVs, -1000);
  EXPECT_NEAR(maxAlt, 4000, 100);  // levels at the selected altitude
  EXPECT_EQ(roll, (std::set<int>{0, 3, 4, 5, 7}));
  EXPECT_EQ(pitch, (std::set<int>{0, 3, 4, 6, 7}));
  EXPECT_EQ(thrust, (std::set<int>{0, 1, 2, 4, 5}));
  EXPECT_EQ(flaps, (std::set<int>{0, 1, 2, 3, 4}));

  // After the right turn the aircraft holds the selected heading, then
  // turns left to the next one; the selected-heading line shows for 10 s
  // after each selection.
  const DemoState& level = demo.At(125);
  EXPECT_NEAR(level.trueHeading, 234 + level.magVar, 2);
  EXPECT_EQ(level.fmaRoll, 4);
  EXPECT_NEAR(level.altitude, 4000, 50);
  EXPECT_LT(demo.At(138).bank, -20);
  for (double t : {61.0, 64.0, 80.0, 127.0, 140.0})
    EXPECT_EQ(AllItems(demo, t)["MV.HdgBugTimer"], t == 64.0 || t == 127.0 ? "1" : "0") << t;
}

TEST(DemoFlight, StateDependsOnlyOnTheTime) {
  DemoFlight a, b;
  double ias = a.At(100).ias, hdg = a.At(100).trueHeading;
  b.At(130);
  b.At(20);
  EXPECT_EQ(b.At(100).ias, ias);
  EXPECT_EQ(b.At(100).trueHeading, hdg);
  EXPECT_EQ(a.At(100 + DemoFlight::kLoopSeconds).ias, ias);  // the loop repeats
  // Odd times fold into the loop instead of running away.
  EXPECT_EQ(a.At(std::nan("")).t, 0);
  EXPECT_EQ(a.At(-5).t, 0);
  EXPECT_LT(a.At(1e15).t, DemoFlight::kLoopSeconds);
}
