// The traffic computer without drawing: sensitivity levels, TA and RA
// detection with their log lines, the sense of an RA and how long it holds,
// the modes, the intruder list and its bound, and the "tcas" item reader.
// Intruders sit on the own meridian (1/60 degree is 1 NM); the clock is
// stepped by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "kestrane/KestraneMain.h"
#include "shared/Udebug.h"
#include "nd/Utcas.h"
#include "nd/UtextVisual.h"
#include "platform/Numbers.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/FakePlayer.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

// A clock the test steps: monotonic seconds and the wall clock's time of
// day, which wraps at midnight.
struct StepClock {
  double mono = 5000;
  double tod = 12 * 3600;
  TcasClock Fn() {
    return [this] {
      TcasTime t;
      t.monotonic = mono;
      t.timeOfDay = tod;
      t.text = "T" + platform::FormatDouble(tod, 3);
      return t;
    };
  }
  void Step(double s) {
    mono += s;
    tod = std::fmod(tod + s, 86400.0);
  }
};

tcasDataRecord Report(const std::string& callsign, double nmNorth, int altitude) {
  tcasDataRecord m;
  m.callsign = callsign;
  m.latitude = static_cast<float>(nmNorth / 60);
  m.longitude = 0;
  m.altitude = altitude;
  return m;
}

class TcasLogic : public ::testing::Test {
 protected:
  void SetUp() override {
    DebugFileName = dir.File("debug.txt");
    ASSERT_TRUE(ResetDebug());
    tcas = std::make_unique<Ttcas>(clock.Fn());
    tcas->Init();
  }
  void TearDown() override { DebugFileName.clear(); }

  // One report from nm NM north, the own aircraft at (0, 0), then a step.
  void Send(const std::string& cs, double nm, int alt, double ownAlt = 15000, double ownVs = 0,
            double step = 1) {
    tcas->UpdateIntruder(Report(cs, nm, alt), 0, 0, ownAlt, ownVs);
    clock.Step(step);
  }
  // The log's messages (the time of day cut off) that hold what.
  std::vector<std::string> Messages(const std::string& what = " TCAS:") const {
    std::vector<std::string> out;
    std::istringstream in(testsupport::ReadFile(dir.File("debug.txt")));
    for (std::string line; std::getline(in, line);) {
      const size_t p = line.find(what);
      if (p != std::string::npos) out.push_back(line.substr(p));
    }
    return out;
  }
  // The TCAS messages that hold what, whole.
  std::vector<std::string> Having(const std::string& what) const {
    std::vector<std::string> out;
    for (const std::string& m : Messages())
      if (m.find(what) != std::string::npos) out.push_back(m);
    return out;
  }
  const tcasDataRecord& Rec(const std::string& cs) const {
    const tcasDataRecord* r = tcas->Intruder(cs);
    EXPECT_NE(r, nullptr) << cs;
    static tcasDataRecord none;
    return r ? *r : none;
  }

  testsupport::TempDir dir;
  StepClock clock;
  std::unique_ptr<Ttcas> tcas;
};

TEST_F(TcasLogic, SensitivityLevelFollowsOwnAltitudeAndHeight) {
  // Identified by DMOD TA and tau RA: 2 (0.3, 0), 3 (0.33, 15), 4 (0.48,
  // 20), 6 (1.0, 30), 7 (1.3, 35).
  EXPECT_EQ(tcas->Sensitivity().dmodTA, 0);  // nothing before the first update
  tcas->SelectSensitivityLevel(42000, 5000);
  EXPECT_EQ(tcas->Sensitivity().tauTA, 0);
  const struct {
    double own, height, dmodTA, tauRA;
  } cases[] = {{999, 5000, 0.3, 0},   {1000, 5000, 0.33, 15}, {2349, 5000, 0.33, 15},
               {2350, 5000, 0.48, 20}, {41999, 5000, 1.3, 35}, {42000, 5000, 1.3, 35},
               {1e9, 5000, 1.3, 35},   {15000, 999, 0.3, 0},   {15000, 1000, 1.0, 30},
               {42000, 999, 0.3, 0}};
  for (const auto& c : cases) {
    tcas->SelectSensitivityLevel(c.own, c.height);
    EXPECT_EQ(tcas->Sensitivity().dmodTA, c.dmodTA) << c.own << " " << c.height;
    EXPECT_EQ(tcas->Sensitivity().tauRA, c.tauRA) << c.own << " " << c.height;
  }
}

TEST_F(TcasLogic, OwnAltitudeDecidesWhatTwoReportsCanRaise) {
  // Two "tcas" items 1 s apart closing on the own meridian, read as the line
  // handler reads them, into a computer that has set no level yet.
  const struct {
    double own;
    int alt;
    double from, to;
    bool ta, ra;
  } cases[] = {
      {800, 1050, 3.0, 2.8, true, false},      // level 2: tau RA and ALIM are 0
      {1000, 1050, 3.0, 2.8, true, true},      // level 3
      {41999, 41999, 5.0, 4.8, true, true},    // level 7
      {45000, 45000, 5.0, 4.8, false, false},  // no level: all thresholds 0
  };
  for (const auto& c : cases) {
    tcas = std::make_unique<Ttcas>(clock.Fn());
    tcas->Init();
    for (double nm : {c.from, c.to}) {
      ASSERT_TRUE(ParseTcasLine("tcas {N9 0 0 " + platform::FormatDouble(nm / 60, 5) + " 0.00000 " +
                                std::to_string(c.alt) + " 0}"));
      tcas->UpdateIntruder(TcasMessage, 0, 0, c.own, 0);
      clock.Step(1);
    }
    EXPECT_EQ(Rec("N9").trafficAdvisory, c.ta) << c.own;
    EXPECT_EQ(Rec("N9").resolutionAdvisory, c.ra) << c.own;
  }
}

TEST_F(TcasLogic, WorkedHeadOnGivesADescendAdvisoryAndItsLogLines) {
  // The arithmetic first: r 4.8 NM closing 0.2 NM/s at 15000 ft.
  EXPECT_NEAR(ModifiedTau(4.8, -0.2, 0), 24, 1e-9);
  EXPECT_NEAR(ModifiedTau(4.8, -0.2, 1.0), 22.9583, 1e-3);
  EXPECT_NEAR(ModifiedTau(4.8, -0.2, 0.8), 23.3333, 1e-3);
  const double sd = SeparationWithRate(0, -25, 0, 24, 23.3333);
  EXPECT_NEAR(sd, -583.33, 0.01);
  EXPECT_NEAR(SeparationWithRate(0, 25, 0, 24, 23.3333), -sd, 1e-9);

  Send("N1", 5.0, 15000);
  EXPECT_TRUE(Messages().empty());  // a first report is never evaluated
  Send("N1", 4.8, 15000);
  EXPECT_TRUE(Rec("N1").trafficAdvisory);
  EXPECT_TRUE(Rec("N1").resolutionAdvisory);
  EXPECT_EQ(tcas->UpdateAdvisoryState(), 2);
  EXPECT_EQ(tcas->DescendRate(), 1500);  // a tie goes to the descent
  EXPECT_EQ(tcas->ClimbRate(), -9999);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            " TCAS: RA detected: callsign=N1",
                            " TCAS: distance=4.80, old distance=5.00, deltaT=1.000, altitude=15000, "
                            "old altitude=15000",
                            " TCAS: ownalt=15000, own_vs=0, intruder_vs=0, dmodRA=0.8, tauRA=30.0, "
                            "tau_brRA=23.3",
                            " TCAS: EstAltSep=-9999, tau_alt=0, tresh_alt=400"}));
}

TEST_F(TcasLogic, FiveHundredFeetAboveIsATrafficAdvisoryOnly) {
  Send("N2", 5.0, 15500);
  Send("N2", 4.8, 15500);
  EXPECT_TRUE(Rec("N2").trafficAdvisory);
  EXPECT_FALSE(Rec("N2").resolutionAdvisory);
  EXPECT_EQ(tcas->UpdateAdvisoryState(), 0);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            " TCAS: TA detected: callsign=N2",
                            " TCAS: distance=4.80, old distance=5.00, deltaT=1.000, altitude=15500, "
                            "old altitude=15500",
                            " TCAS: ownalt=15000, own_vs=0, intruder_vs=0, dmodTA=1.0, tauTA=45.0, "
                            "tau_brTA=23.0",
                            " TCAS: EstAltSep=-9999, tau_alt=0, tresh_alt=850"}));
}

TEST_F(TcasLogic, ClimbingIntruderOutsideZthrGoesThroughTheVerticalTau) {
  // 1000 ft above and both level: vertical tau 100, nothing.
  Send("N3", 5.0, 16000);
  Send("N3", 4.8, 16000);
  EXPECT_FALSE(Rec("N3").trafficAdvisory);
  EXPECT_FALSE(Rec("N3").resolutionAdvisory);
  EXPECT_TRUE(Messages().empty());
  // 1000 ft below and climbing 50 ft/s: co-altitude in 20 s.
  Send("N4", 5.0, 13950);
  Send("N4", 4.8, 14000);
  EXPECT_NEAR(VerticalTau(1000, 0, 50), 20, 1e-9);
  EXPECT_TRUE(Rec("N4").trafficAdvisory);
  EXPECT_TRUE(Rec("N4").resolutionAdvisory);
  const auto m = Messages();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[3], " TCAS: EstAltSep=-148, tau_alt=20, tresh_alt=400");
  EXPECT_EQ(EstAltSep(100, 0, 50, 1, 3), 0);  // the sign changes between the two estimates
}

TEST_F(TcasLogic, RangeOpeningFasterThanSixKnotsClearsBothInsideDmod) {
  const struct {
    double from, to;
    bool flags;
  } cases[] = {{0.19, 0.2, false}, {0.2, 0.2014, true}, {0.2, 0.2, true}, {0.3, 0.2, true}};
  int n = 0;
  for (const auto& c : cases) {
    const std::string cs = "R" + std::to_string(n++);
    Send(cs, c.from, 15000);
    Send(cs, c.to, 15000);
    EXPECT_EQ(Rec(cs).trafficAdvisory, c.flags) << c.from << " " << c.to;
    EXPECT_EQ(Rec(cs).resolutionAdvisory, c.flags) << c.from << " " << c.to;
  }
}

TEST_F(TcasLogic, ThousandFeetOrLessAboveTheFieldNeverGetsAnRa) {
  tcas->SetFieldElevation(14000);
  for (int alt : {15000, 15001}) {
    const std::string cs = "F" + std::to_string(alt);
    Send(cs, 5.0, alt);
    Send(cs, 4.8, alt);
    EXPECT_TRUE(Rec(cs).trafficAdvisory) << alt;
    EXPECT_EQ(Rec(cs).resolutionAdvisory, alt > 15000) << alt;
  }
}

TEST_F(TcasLogic, TheFirstSenseHoldsUntilTheRatesReset) {
  Send("A", 5.0, 15000);
  Send("A", 4.8, 15000);  // descend
  tcas->UpdateAdvisoryState();
  Send("B", 5.0, 14800);
  Send("B", 4.8, 14800);  // 200 ft below: a climb would do better
  EXPECT_TRUE(Rec("B").resolutionAdvisory);
  EXPECT_EQ(tcas->UpdateAdvisoryState(), 2);
  EXPECT_EQ(tcas->DescendRate(), 1500);
  EXPECT_EQ(tcas->ClimbRate(), -9999);
  clock.Step(10);  // more than 10 s after B's RA: the advisory ends
  EXPECT_EQ(tcas->UpdateAdvisoryState(), 0);
  EXPECT_EQ(tcas->DescendRate(), -9999);
  Send("B", 2.6, 14800);
  EXPECT_EQ(tcas->UpdateAdvisoryState(), 2);
  EXPECT_EQ(tcas->ClimbRate(), 1500);
  EXPECT_EQ(tcas->DescendRate(), -9999);
}

TEST_F(TcasLogic, AdvisoryLastsTenSecondsAfterTheLastRa) {
  Send("A", 5.0, 15000);
  Send("A", 4.8, 15000, 15000, 0, 0);
  clock.Step(10.0);
  EXPECT_EQ(tcas->UpdateAdvisoryState(), 2);
  clock.Step(0.1);
  EXPECT_EQ(tcas->UpdateAdvisoryState(), 0);
  EXPECT_EQ(tcas->ClimbRate(), -9999);
  EXPECT_EQ(tcas->DescendRate(), -9999);
}

TEST_F(TcasLogic, TaOnlyComputesAndLogsRasButNeverHandsThemOn) {
  tcas->SetTAOnly(true);
  Send("A", 5.0, 15000);
  Send("A", 4.8, 15000);
  EXPECT_TRUE(Rec("A").resolutionAdvisory);
  EXPECT_EQ(Messages().front(), " TCAS: RA detected: callsign=A");
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_EQ(tcas->UpdateAdvisoryState(), 0);
    EXPECT_EQ(tcas->ClimbRate(), -9999);
    EXPECT_EQ(tcas->DescendRate(), -9999);
  }
}

TEST_F(TcasLogic, OffForgetsEveryIntruderAndOnStartsEmpty) {
  Send("A", 5.0, 15000);
  Send("B", 5.0, 15000);
  ASSERT_EQ(tcas->IntruderCount(), 2u);
  tcas->SwitchOff();
  EXPECT_FALSE(tcas->Enabled());
  EXPECT_EQ(tcas->IntruderCount(), 0u);
  tcas->SwitchOn();
  EXPECT_TRUE(tcas->Enabled());
  EXPECT_EQ(tcas->IntruderCount(), 0u);
}

TEST_F(TcasLogic, ReportsLessThanATenthApartAreTakenAsFiveSeconds) {
  Send("A", 5.0, 15000, 15000, 0, 0.05);
  // 0.2 NM in "5 s": tau 120 s, no advisory.
  Send("A", 4.8, 15000);
  EXPECT_FALSE(Rec("A").trafficAdvisory);
  EXPECT_EQ(Messages("deltaT = 0"), (std::vector<std::string>{"deltaT = 0 detected. Old Timestamp : T43200.000 , "
                                                           "Current Timestamp : T43200.050"}));
}

TEST_F(TcasLogic, CrossingMidnightChangesNothing) {
  clock.tod = 86399.5;
  Send("A", 5.0, 15000);
  EXPECT_LT(clock.tod, 1);
  Send("A", 4.8, 15000);
  EXPECT_EQ(tcas->UpdateAdvisoryState(), 2);
  EXPECT_EQ(tcas->DescendRate(), 1500);
  EXPECT_TRUE(Messages("deltaT = 0").empty());
  EXPECT_EQ(Messages()[1], " TCAS: distance=4.80, old distance=5.00, deltaT=1.000, altitude=15000, "
                           "old altitude=15000");
}

TEST_F(TcasLogic, AllZeroReportsRemoveKnownCallsignsOnly) {
  tcas->UpdateIntruder(Report("A", 0, 0), 0, 0, 15000, 0);  // unknown: ignored
  EXPECT_EQ(tcas->IntruderCount(), 0u);
  Send("A", 5.0, 15000);
  Send("B", 5.0, 15000);
  const tcasDataRecord& first = Rec("A");
  EXPECT_FALSE(first.trafficAdvisory);
  EXPECT_EQ(first.prevSlantRange, -1);
  EXPECT_EQ(first.prevTimeOfDay, -1);
  EXPECT_NEAR(first.slantRange, 5.0, 1e-4);
  tcas->UpdateIntruder(Report("A", 0, 0), 0, 0, 15000, 0);
  EXPECT_EQ(tcas->Intruder("A"), nullptr);
  EXPECT_NE(tcas->Intruder("B"), nullptr);
  // Case-sensitive callsigns.
  tcas->UpdateIntruder(Report("b", 0, 0), 0, 0, 15000, 0);
  EXPECT_NE(tcas->Intruder("B"), nullptr);
}

TEST_F(TcasLogic, TheListHoldsAtMost256CallsignsAndSaysSoOncePerFlood) {
  for (int i = 0; i < 256; ++i) Send("C" + std::to_string(i), 30, 15000, 15000, 0, 0);
  ASSERT_EQ(tcas->IntruderCount(), 256u);
  for (int i = 0; i < 1000; ++i) Send("X" + std::to_string(i), 30, 15000, 15000, 0, 0.001);
  EXPECT_EQ(tcas->IntruderCount(), 256u);
  EXPECT_EQ(tcas->Intruder("X0"), nullptr);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("X0"), std::string::npos);
  // After 10 quiet seconds: the count, then the next report in full.
  clock.Step(10);
  Send("X1000", 30, 15000);
  ASSERT_EQ(Messages().size(), 3u);
  EXPECT_NE(Messages()[1].find("999 more dropped"), std::string::npos) << Messages()[1];
  EXPECT_NE(Messages()[2].find("X1000"), std::string::npos) << Messages()[2];
  // Known callsigns are still followed.
  Send("C0", 29, 15000);
  EXPECT_NEAR(Rec("C0").slantRange, 29, 1e-3);
}

TEST_F(TcasLogic, DetectionFloodsAreCountedNotWritten) {
  // Inside DMOD, 500 ft above: a TA at every report.
  Send("A", 0.6, 15500);
  for (int i = 0; i < 500; ++i) Send("A", 0.5, 15500, 15000, 0, 0.01);
  EXPECT_TRUE(Rec("A").trafficAdvisory);
  // One set of TA lines and the first deltaT line; the repeats are counted.
  EXPECT_EQ(Messages("TA detected").size(), 1u);
  EXPECT_EQ(Messages("deltaT = 0").size(), 1u);
  // Clear for 10 s: the next encounter is logged in full again.
  tcas->UpdateIntruder(Report("A", 0, 0), 0, 0, 15000, 0);
  tcas->UpdateAdvisoryState();
  clock.Step(10);
  tcas->UpdateAdvisoryState();
  Send("B", 5.0, 15500);
  Send("B", 4.8, 15500);
  EXPECT_EQ(Messages(" TCAS: TA detected: callsign=B").size(), 1u);
}

TEST_F(TcasLogic, TwoIntrudersAtOnceAreEachNamed) {
  // Both close at 0.2 NM/s, 100 ft apart: TAs from about 9 NM, RAs from 6 NM.
  for (int k = 0; k <= 25; ++k) {
    Send("A", 10 - 0.2 * k, 15000, 15000, 0, 0);
    Send("B", 10 - 0.2 * k, 15100);
    tcas->UpdateAdvisoryState();
  }
  ASSERT_TRUE(Rec("A").resolutionAdvisory && Rec("B").resolutionAdvisory);
  EXPECT_EQ(Having("detected"),
            (std::vector<std::string>{" TCAS: TA detected: callsign=A", " TCAS: TA detected: callsign=B",
                                      " TCAS: RA detected: callsign=A", " TCAS: RA detected: callsign=B"}));
  EXPECT_EQ(Messages(" TCAS: distance=").size(), 4u);
}

TEST_F(TcasLogic, AStaleIntruderDoesNotSilenceLaterEncounters) {
  Send("A", 5.0, 15000);
  Send("A", 4.8, 15000);  // an RA; then A reports no more and keeps its flags
  for (int frame = 0; frame < 200; ++frame) {
    tcas->UpdateAdvisoryState();
    clock.Step(1);
  }
  ASSERT_TRUE(Rec("A").resolutionAdvisory);
  for (double nm : {5.0, 4.8, 4.6}) Send("B", nm, 15000);
  EXPECT_EQ(Having("RA detected"),
            (std::vector<std::string>{" TCAS: RA detected: callsign=A", " TCAS: RA detected: callsign=B"}));
  EXPECT_EQ(Messages(" TCAS: distance=").back(),
            " TCAS: distance=4.80, old distance=5.00, deltaT=1.000, altitude=15000, old altitude=15000");
}

// Inside DMOD and 500 ft above: a TA at every report; the four after the
// first are counted, and the count is written when the encounter ends.
TEST_F(TcasLogic, AnIntrudersRepeatsAreWrittenWhenItsEncounterEnds) {
  const struct {
    const char* name;
    std::function<void()> end;
    bool tracked;  // the intruder is still followed afterwards
  } endings[] = {
      {"flags clear", [this] { Send("A", 30, 15500); }, true},
      {"all-zero report", [this] { tcas->UpdateIntruder(Report("A", 0, 0), 0, 0, 15000, 0); }, false},
      {"switched off", [this] { tcas->SwitchOff(); }, false},
      {"reset", [this] { tcas->Init(); }, false},
      {"link ends", [this] { tcas->EndSession(); }, true},
  };
  const std::string full = " TCAS: TA detected: callsign=A";
  for (const auto& e : endings) {
    SCOPED_TRACE(e.name);
    ASSERT_TRUE(ResetDebug());
    tcas = std::make_unique<Ttcas>(clock.Fn());
    tcas->Init();
    for (double nm : {0.6, 0.5, 0.5, 0.5, 0.5, 0.5}) Send("A", nm, 15500);
    for (int frame = 0; frame < 30; ++frame) {
      tcas->UpdateAdvisoryState();
      clock.Step(1);
    }
    EXPECT_TRUE(Having("more dropped").empty());
    e.end();
    EXPECT_EQ(Having("more dropped"), (std::vector<std::string>{full + "... 4 more dropped"}));
    EXPECT_EQ(tcas->Intruder("A") != nullptr, e.tracked);
    // The next encounter of the same callsign is written in full again.
    tcas->SwitchOn();
    for (double nm : {0.6, 0.5}) Send("A", nm, 15500);
    const auto m = Having("TA detected");
    EXPECT_EQ(std::count(m.begin(), m.end(), full), 2);
  }
}

// A broker inventing callsigns: each makes an RA and is removed again, five
// a second for ten minutes. The detection lines stay within the overall
// cap, and every set held back is counted.
TEST_F(TcasLogic, AStreamOfNewCallsignsIsCappedAndCounted) {
  constexpr int kCallsigns = 3000;
  for (int i = 0; i < kCallsigns; ++i) {
    const std::string cs = "S" + std::to_string(i);
    Send(cs, 5.0, 15000, 15000, 0, 0.1);
    Send(cs, 4.98, 15000, 15000, 0, 0.1);
    tcas->UpdateIntruder(Report(cs, 0, 0), 0, 0, 15000, 0);
    tcas->UpdateAdvisoryState();
  }
  clock.Step(10);
  tcas->UpdateAdvisoryState();
  long long written = 0, counted = 0;
  for (const std::string& m : Messages()) {
    if (m.rfind(" TCAS: RA detected: callsign=", 0) == 0) ++written;
    const size_t more = m.find("... ");
    if (more != std::string::npos) counted += std::stoll(m.substr(more + 4));
  }
  EXPECT_EQ(written + counted, kCallsigns);
  EXPECT_LE(written, 8 * (600 / 10 + 1));
  EXPECT_LE(Messages().size(), 4 * 8 * (600 / 10 + 1) + 600 / 10 + 1);
}

TEST(TcasItem, GroupsOfAnyLengthParseAndShortOnesAreSkipped) {
  TcasMessage = {};
  const std::string longCallsign(70, 'Q');
  ASSERT_TRUE(ParseTcasLine("tcas {" + longCallsign + " 1234567890 1234567890 47.123456789 -122.987654321 "
                            "12345 0}\r"));
  EXPECT_EQ(TcasMessage.callsign, longCallsign);
  EXPECT_FLOAT_EQ(TcasMessage.latitude, 47.123456789f);
  EXPECT_FLOAT_EQ(TcasMessage.longitude, -122.987654321f);
  EXPECT_EQ(TcasMessage.altitude, 12345);
  for (const char* line : {"tcas {SHORT 1 2 47.5 -122.3 3500}", "tcas {SHORT 1 2 47.5 -122.3}",
                           "tcas {SHORT}", "tcas {SHORT 1 2 47.5 -122.3 3500\r 0}"}) {
    EXPECT_FALSE(ParseTcasLine(line)) << line;
    EXPECT_EQ(TcasMessage.callsign, longCallsign) << line;
  }
}

// The demo's traffic as the program meets it: a report a second, each
// handled up to a quarter of a second late (a busy machine), so the spans
// between reports range from 0.75 to 1.25 s. Each intruder raises the traffic alert once
// (one "Traffic, traffic", its two sound lines in full each time), a TA
// before its RA, and the log names both.
TEST_F(TcasLogic, DemoEncountersAlertOnceWhateverTheArrivalTimes) {
  const struct {
    const char* name;
    double (*late)(int t);  // s after its time that report t is handled
  } arrivals[] = {
      {"on time", [](int) { return 0.0; }},
      {"late, on time, late", [](int t) { return t % 2 ? 0.25 : 0.0; }},
      {"on time, late, on time", [](int t) { return t % 2 ? 0.0 : 0.25; }},
      {"scattered", [](int t) { return 0.25 * ((t * 7919) % 13) / 12.0; }},
  };
  for (const auto& a : arrivals) {
    SCOPED_TRACE(a.name);
    ASSERT_TRUE(ResetDebug());
    tcas = std::make_unique<Ttcas>(clock.Fn());
    tcas->Init();
    tcas->SetFieldElevation(broker::kDemoFieldElevation);
    broker::DemoFlight demo;
    ndtest::FakePlayer player;
    Talert sounds;
    sounds.LogClock = [this] { return clock.mono; };
    sounds.Init(&player, dir.Path());
    bool alert = false;
    int alerts = 0;
    for (int t = 0; t < broker::DemoFlight::kLoopSeconds; ++t) {
      clock.mono = 1000 + t + a.late(t);
      const broker::DemoState s = demo.At(t);
      for (const std::string& line : demo.Lines(t, true))
        if (line.rfind("tcas {", 0) == 0 && ParseTcasLine(line))
          tcas->UpdateIntruder(TcasMessage, s.latitude, s.longitude, s.altitude, s.verticalSpeed);
      tcas->UpdateAdvisoryState();
      // What the ND would draw until the next report.
      TrafficView v;
      v.ownLat = s.latitude;
      v.ownLon = s.longitude;
      v.ownAlt = s.altitude;
      v.fieldElevation = broker::kDemoFieldElevation;
      bool now = false;
      for (const char* cs : {"N512TC", "GCT101"}) {
        const tcasDataRecord* r = tcas->Intruder(cs);
        const TrafficClass c = r ? ClassifyIntruder(*r, v).cls : TrafficClass::None;
        now = now || c == TrafficClass::Advisory || c == TrafficClass::Resolution;
      }
      if (now && !alert) sounds.Play(Talert::kTrafficSound);
      alerts += now && !alert;
      alert = now;
    }
    EXPECT_EQ(alerts, 2);
    const std::string trying = " Sound Alerts: Trying to play audio/TrafficTraffic.wav",
                      played = " Sound Alerts: audio/TrafficTraffic.wav successfully played.";
    EXPECT_EQ(Messages(" Sound Alerts:"), (std::vector<std::string>{trying, played, trying, played}));
    std::vector<std::string> full = Having("detected: callsign=");
    std::erase_if(full, [](const std::string& m) { return m.find("more dropped") != std::string::npos; });
    EXPECT_EQ(full,
              (std::vector<std::string>{" TCAS: TA detected: callsign=N512TC", " TCAS: RA detected: callsign=N512TC",
                                        " TCAS: TA detected: callsign=GCT101", " TCAS: RA detected: callsign=GCT101"}));
  }
}

// The demo's reports through the traffic computer: N512TC is a TA before
// it is an RA (a descent), and the all-zero report after it has passed
// removes it.
TEST(TcasDemo, HeadOnTrafficTurnsTaThenDescendRa) {
  StepClock clock;
  Ttcas tcas(clock.Fn());
  tcas.Init();
  tcas.SetFieldElevation(broker::kDemoFieldElevation);
  broker::DemoFlight demo;
  double firstTa = -1, firstRa = -1, removed = -1;
  int descend = 0, climb = 0;
  bool seen = false;
  for (int t = 100; t <= 159; ++t) {
    clock.mono = 1000 + t;
    const broker::DemoState s = demo.At(t);
    for (const std::string& line : demo.Lines(t, true)) {
      if (line.rfind("tcas {", 0) != 0 || !ParseTcasLine(line)) continue;
      tcas.UpdateIntruder(TcasMessage, s.latitude, s.longitude, s.altitude, s.verticalSpeed);
    }
    if (const tcasDataRecord* r = tcas.Intruder("N512TC")) {
      seen = true;
      if (r->trafficAdvisory && firstTa < 0) firstTa = t;
      if (r->resolutionAdvisory && firstRa < 0) firstRa = t;
    } else if (seen && removed < 0) {
      removed = t;
    }
    if (tcas.UpdateAdvisoryState() == 2) {
      descend += tcas.DescendRate() == 1500;
      climb += tcas.ClimbRate() == 1500;
    }
  }
  EXPECT_GT(firstTa, 100);
  EXPECT_GT(firstRa, firstTa);
  EXPECT_LT(firstRa, 140);  // while the aircraft is level
  EXPECT_GT(descend, 10);
  EXPECT_EQ(climb, 0);
  EXPECT_GT(removed, 140);  // once it has passed
  EXPECT_EQ(tcas.Intruder("N512TC"), nullptr);
  EXPECT_NE(tcas.Intruder("GCT101"), nullptr);
}

}  // namespace
