#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "shared/Ufonts.h"
#include "nd/Uirs.h"
#include "pfd/UheadFMA.h"
#include "platform/Numbers.h"
#include "tests/pfd/InstrumentTest.h"

using namespace pfdtest;

// ---- Heading arithmetic ----

TEST(HeadingScale, FoldsAnyHeadingIntoOneTurn) {
  EXPECT_DOUBLE_EQ(THeading::FoldHeading(365), 5);
  EXPECT_DOUBLE_EQ(THeading::FoldHeading(-10), 350);
  EXPECT_DOUBLE_EQ(THeading::FoldHeading(720), 0);
  EXPECT_DOUBLE_EQ(THeading::FoldHeading(-720), 0);
  EXPECT_DOUBLE_EQ(THeading::FoldHeading(std::nan("")), 0);
  EXPECT_DOUBLE_EQ(THeading::FoldHeading(std::numeric_limits<double>::infinity()), 0);
  const double tiny = THeading::FoldHeading(-1e-17);
  EXPECT_GE(tiny, 0);
  EXPECT_LT(tiny, 360);
  const double huge = THeading::FoldHeading(3e38);
  EXPECT_GE(huge, 0);
  EXPECT_LT(huge, 360);
}

TEST(HeadingScale, SelectedHeadingOffsetIsLimited) {
  EXPECT_DOUBLE_EQ(THeading::SelectedOffset(350, 10), -20);
  EXPECT_DOUBLE_EQ(THeading::SelectedOffset(10, 350), 20);
  EXPECT_DOUBLE_EQ(THeading::SelectedOffset(350, 200), 32);  // 150, limited
  EXPECT_DOUBLE_EQ(THeading::SelectedOffset(200, 350), -32);
  EXPECT_DOUBLE_EQ(THeading::SelectedOffset(-15, 345), 0);  // a grid heading below 0
}

// ---- Mode texts ----

TEST(FmaModes, RollAndPitchTables) {
  const char* roll[] = {"LOC", "ROLLOUT", "LNAV", "HDG HOLD", "HDG SEL", "ATT", "TO/GA", "", ""};
  const char* pitch[] = {"G/S", "FLARE", "VNAV SPD", "VNAV PTH", "VNAV ALT",
                         "V/S", "TO/GA", "ALT",      "FLCH SPD"};
  for (int code = 1; code <= 9; ++code) {
    EXPECT_EQ(TFMA::RollText(code), roll[code - 1]) << code;
    EXPECT_EQ(TFMA::PitchText(code), pitch[code - 1]) << code;
  }
  for (int code : {0, 10, -1, 255, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
    EXPECT_EQ(TFMA::RollText(code), "") << code;
    EXPECT_EQ(TFMA::PitchText(code), "") << code;
  }
}

TEST(FmaModes, ThrustTexts) {
  // Code 1: THR REF only while climbing in VNAV SPD below the selected altitude.
  EXPECT_EQ(TFMA::ThrustText(1, 3, 3, 1, 5000, 11000), "THR REF");
  EXPECT_EQ(TFMA::ThrustText(1, 3, 3, 1, 11000, 11000), "THR");
  EXPECT_EQ(TFMA::ThrustText(1, 3, 9, 1, 5000, 11000), "THR");
  // Code 2: THR in FLCH SPD, else THR REF.
  EXPECT_EQ(TFMA::ThrustText(2, 0, 9, 1, 0, 0), "THR");
  EXPECT_EQ(TFMA::ThrustText(2, 0, 7, 1, 0, 0), "THR REF");
  EXPECT_EQ(TFMA::ThrustText(3, 0, 0, 1, 0, 0), "HOLD");
  // Code 4: THR in FLCH SPD, IDLE otherwise, blank in rollout without a pitch mode.
  EXPECT_EQ(TFMA::ThrustText(4, 3, 9, 1, 0, 0), "THR");
  EXPECT_EQ(TFMA::ThrustText(4, 3, 2, 1, 0, 0), "IDLE");
  EXPECT_EQ(TFMA::ThrustText(4, 2, 0, 1, 0, 0), "");
  EXPECT_EQ(TFMA::ThrustText(4, 2, 12, 1, 0, 0), "");
  EXPECT_EQ(TFMA::ThrustText(4, 2, 2, 1, 0, 0), "IDLE");
  EXPECT_EQ(TFMA::ThrustText(5, 0, 0, 1, 0, 0), "SPD");
  for (int code : {0, 6, 7, -3, std::numeric_limits<int>::max()})
    EXPECT_EQ(TFMA::ThrustText(code, 0, 0, 1, 0, 0), "");
  // Autothrottle not active: blank whatever the code.
  for (int code = 1; code <= 5; ++code) EXPECT_EQ(TFMA::ThrustText(code, 3, 3, 0, 5000, 11000), "");
}

class FmaState : public ::testing::Test {
 protected:
  void SetUp() override {
    Irs = std::make_unique<tIRS>();
    Irs->IrsQuality = {1, 1, 1};
  }
  void TearDown() override { Irs.reset(); }
  std::array<int, 4> bus{1, 1, 1, 1}, hyd{0, 0, 0, 0};
};

TEST_F(FmaState, CommandedChannelsAlwaysCount) {
  TFMA f;
  f.SetAutopilotState(bus, hyd, {1, 0, 0}, 0, false);
  EXPECT_EQ(f.ApChannel, (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(f.AutopilotStatus(1000).Text, "CMD");
  EXPECT_EQ(f.AutopilotStatus(1000).X, 39);
  // Values other than 1 are not "on".
  f.SetAutopilotState({2, 2, 2, 2}, {2, 2, 2, 2}, {2, -1, 0}, 2, false);
  EXPECT_EQ(f.ApChannel, (std::array<bool, 3>{false, false, false}));
  EXPECT_FALSE(f.ApproachFlag);
  EXPECT_TRUE(f.BusPowered == (std::array<bool, 4>{false, false, false, false}));
  EXPECT_EQ(f.AutopilotStatus(1000).Text, "");
}

TEST_F(FmaState, ApproachArmsTheChannelsWithPowerHydraulicsAndIrs) {
  TFMA f;
  f.SetAutopilotState(bus, hyd, {1, 0, 0}, 1, false);
  EXPECT_EQ(f.ApChannel, (std::array<bool, 3>{true, true, true}));
  EXPECT_EQ(f.AutopilotStatus(1500).Text, "LAND3");
  EXPECT_EQ(f.AutopilotStatus(1500).X, 35);
  EXPECT_EQ(f.AutopilotStatus(1501).Text, "CMD");

  // Channel 2 rides on hydraulic system 1 and bus 1, channel 3 on system 2.
  f.SetAutopilotState(bus, {1, 0, 0, 0}, {1, 1, 0}, 1, false);
  EXPECT_EQ(f.ApChannel, (std::array<bool, 3>{true, true, true}));  // 2 is commanded itself
  f.SetAutopilotState(bus, {0, 1, 0, 0}, {1, 1, 0}, 1, false);
  EXPECT_EQ(f.ApChannel, (std::array<bool, 3>{true, true, false}));
  EXPECT_EQ(f.AutopilotStatus(1500).Text, "LAND2");
  EXPECT_EQ(f.AutopilotStatus(1501).Text, "CMD");
  // Channel 1 rides on system 3, bus 3 and IRS 1.
  f.SetAutopilotState({1, 1, 0, 1}, hyd, {0, 1, 0}, 1, false);
  EXPECT_EQ(f.ApChannel, (std::array<bool, 3>{false, true, true}));
  Irs->IrsQuality = {1, 3, 3};
  f.SetAutopilotState(bus, hyd, {1, 0, 0}, 1, false);
  EXPECT_EQ(f.ApChannel, (std::array<bool, 3>{true, false, false}));
  const TFMA::Status st = f.AutopilotStatus(200);
  EXPECT_EQ(st.Text, "NO AUTOLAND");
  EXPECT_EQ(st.X, 17);
  EXPECT_TRUE(st.Amber);
}

TEST_F(FmaState, FlightDirectorAlone) {
  TFMA f;
  f.SetAutopilotState(bus, hyd, {0, 0, 0}, 1, true);
  EXPECT_EQ(f.ApChannel, (std::array<bool, 3>{false, false, false}));  // approach without a command
  EXPECT_EQ(f.AutopilotStatus(100).Text, "FD");
  EXPECT_EQ(f.AutopilotStatus(100).X, 43);
  f.SetAutopilotState(bus, hyd, {0, 0, 1}, 0, true);
  EXPECT_EQ(f.AutopilotStatus(100).Text, "CMD");
}

// ---- Heading scale drawing ----

namespace {

std::string IrsHeadingLine(double degrees) {
  return "MV.IrsPhdg " + platform::FormatDouble(degrees * std::numbers::pi / 180, 6).substr(0, 8);
}

// Heading minus card value folded into -180..180.
double Wrap(double d) {
  d = std::fmod(d, 360);
  if (d > 180) d -= 360;
  if (d < -180) d += 360;
  return d;
}

}  // namespace

class HeadingDraw : public InstrumentTest {
 protected:
  // Every card label is where the heading puts it: the label of heading
  // value 10 L stands (H - 10 L) * 1.5 degrees of card left of the top.
  // Returns the number of labels found.
  int CheckLabels(double H) {
    int n = 0;
    for (const PrintRecord& r : harness->printed) {
      const bool big = r.font == Font10 && r.y == 7.5f, small = r.font == Font8 && r.y == 9.5f;
      if (r.x != -0.5f || !(big || small)) continue;
      const int L = std::stoi(r.text);
      EXPECT_EQ(big, L % 3 == 0) << L;
      const double a = Wrap(H - 10.0 * L) * 1.5 * std::numbers::pi / 180;
      const double lx = big ? -5 : -4, ly = big ? 75 : 76;
      const PrintRecord* at =
          PrintedAtGauge(r.text, r.font, *HeadingScale, 65 + lx * std::cos(a) - ly * std::sin(a),
                         -55 + lx * std::sin(a) + ly * std::cos(a));
      EXPECT_NE(at, nullptr) << "label " << L << " at heading " << H;
      ++n;
    }
    return n;
  }
  const PrintRecord* Label(const std::string& text) const {
    for (const PrintRecord& r : harness->printed)
      if (r.text == text && r.x == -0.5f &&
          ((r.font == Font10 && r.y == 7.5f) || (r.font == Font8 && r.y == 9.5f)))
        return &r;
    return nullptr;
  }
};

TEST_F(HeadingDraw, CardCentredOnTheHeadingAcrossNorth) {
  float topX, topY;
  Show({IrsHeadingLine(359.5)});
  harness->GaugeToWindow(*HeadingScale, 60, 20, topX, topY);  // label origin at the top of the card
  EXPECT_EQ(CheckLabels(DisplayHeading), 11);
  ASSERT_NE(Label("0"), nullptr);
  EXPECT_GT(Label("0")->winX, topX + 1);  // north just right of the top
  ASSERT_NE(Label("35"), nullptr);
  EXPECT_LT(Label("35")->winX, topX);
  ExpectPicture("heading-359");

  Show({IrsHeadingLine(0.5)});
  EXPECT_EQ(CheckLabels(DisplayHeading), 11);
  ASSERT_NE(Label("0"), nullptr);
  EXPECT_LT(Label("0")->winX, topX - 1);  // north just left of the top
  EXPECT_NE(Label("5"), nullptr);

  Show({IrsHeadingLine(47.3)});
  EXPECT_EQ(CheckLabels(DisplayHeading), 11);
  EXPECT_NE(Label("4"), nullptr);
  EXPECT_NE(Label("9"), nullptr);
  EXPECT_NE(Label("35"), nullptr);
  EXPECT_EQ(Label("10"), nullptr);  // beyond the card's reach
}

TEST_F(HeadingDraw, PolarGridHeadingBelowZeroShowsTrue) {
  // 80 N, 20 W: the grid heading is the true heading minus 20, here -15.
  Show({"IPC.latdeg 80", "IPC.londeg -20", "IPC.thdg 5"}, [] { IpcLatitude = 80; });
  EXPECT_DOUBLE_EQ(DisplayHeading, -15);
  EXPECT_EQ(CheckLabels(DisplayHeading), 11);
  EXPECT_NE(Label("33"), nullptr);
  const PrintRecord* tru = PrintedAtGauge("TRU", Font8, *HeadingScale, 78, 3);
  ASSERT_NE(tru, nullptr);
  EXPECT_TRUE(ColourIs(tru, 0, 1, 0));
  EXPECT_TRUE(ColourNear(*HeadingScale, 77, 6, Whitish, 1));  // its white frame
  EXPECT_TRUE(harness->Printed("MAG").empty());
  ExpectPicture("heading-polar");
}

TEST_F(HeadingDraw, SelectedHeadingMarkerAndReadout) {
  Show({IrsHeadingLine(350), "IPC.mcphdg 10"});
  // 20 degrees right of the heading: 30 degrees of card right of the top.
  const double a = 30 * std::numbers::pi / 180;
  EXPECT_TRUE(ColourNear(*HeadingScale, 65 + 84 * std::sin(a), -55 + 84 * std::cos(a), Magentaish, 1));
  EXPECT_FALSE(ColourNear(*HeadingScale, 65 - 84 * std::sin(a), -55 + 84 * std::cos(a), Magentaish, 2));
  const PrintRecord* d = PrintedAtGauge("1", Font8, *HeadingScale, 39 + 4, 3);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(ColourIs(d, 225 / 255.f, 125 / 255.f, 225 / 255.f));
  EXPECT_NE(PrintedAtGauge("0", Font8, *HeadingScale, 39, 3), nullptr);
  EXPECT_NE(PrintedAtGauge("0", Font8, *HeadingScale, 39 + 8, 3), nullptr);
  EXPECT_NE(PrintedAtGauge("MAG", Font8, *HeadingScale, 78, 3), nullptr);

  // Far off: held 32 degrees of heading (48 of card) to the left.
  Show({IrsHeadingLine(350), "IPC.mcphdg 200"});
  const double b = -48 * std::numbers::pi / 180;
  EXPECT_TRUE(ColourNear(*HeadingScale, 65 + 84 * std::sin(b), -55 + 84 * std::cos(b), Magentaish, 1));
  EXPECT_NE(PrintedAtGauge("2", Font8, *HeadingScale, 39, 3), nullptr);
}

TEST_F(HeadingDraw, AligningCardStandsStillWithoutLabels) {
  const std::vector<std::string> aligning = {IrsHeadingLine(47.3), "MV.IrsAligning 1", "MV.IrsAttHdg -2",
                                             "MV.Irs1Sel 1",       "MV.Irs2Sel 1",     "MV.Irs3Sel 1"};
  Show(aligning);
  EXPECT_EQ(Irs->HeadingStatus(), 1);
  EXPECT_EQ(CheckLabels(0), 0);
  EXPECT_TRUE(harness->Printed("MAG").empty());
  EXPECT_EQ(CountKind(*HeadingScale, 0, 0, 130, 40, Magentaish), 0);
  // Ticks stand as for heading 0: a long one 15 degrees of card right of the top.
  const double a = 15 * std::numbers::pi / 180;
  EXPECT_TRUE(ColourNear(*HeadingScale, 65 + 85 * std::sin(a), -55 + 85 * std::cos(a), Whitish, 1));
  // With the heading valid the card turns: at 47.3 no tick lies there.
  Show({IrsHeadingLine(47.3)});
  EXPECT_FALSE(ColourNear(*HeadingScale, 65 + 85 * std::sin(a), -55 + 85 * std::cos(a), Whitish, 1));
}

TEST_F(HeadingDraw, HeadingFlagWithoutIrs) {
  Show(UnalignedIrsLines());
  const PrintRecord* flag = PrintedAtGauge("HDG", Font050, *HeadingScale, 45 * 1.25, 4 * 1.25);
  ASSERT_NE(flag, nullptr);
  EXPECT_TRUE(ColourIs(flag, 1, 1, 0));
  EXPECT_EQ(CheckLabels(0), 0);
  EXPECT_EQ(CountKind(*HeadingScale, 0, 0, 130, 40, TapeBackground), 0);
}

// ---- Annunciator drawing ----

class FmaDraw : public InstrumentTest {
 protected:
  // The one text printed at Print position (x, y) in Font6 with the colour given.
  void ExpectMode(const std::string& text, double centre, double y, float grey) {
    const PrintRecord* r = PrintedAt(text, Font6, centre - text.size() / 4.0, y);
    ASSERT_NE(r, nullptr) << text;
    if (grey > 0)
      EXPECT_TRUE(ColourIs(r, grey, grey, grey)) << text;
    else
      EXPECT_TRUE(ColourIs(r, 0, 1, 0)) << text;
  }
  int FmaText() const {
    int n = 0;
    for (const PrintRecord& r : harness->printed)
      n += r.font == Font6 && (r.y == 0.99f || r.y == 0.0f) ? 1 : 0;
    return n;
  }
};

TEST_F(FmaDraw, ClimbModesWithChangeBoxes) {
  Show({"IPC.dalt 5000", "IPC.mcpalt 11000", "VM.FMAthrust 1", "VM.FMAroll 3", "VM.FMApitch 3",
        "VM.FMArllArm 1", "VM.FMAptchArm 1", "MV.AtActive 1", "MV.APCmd1 1", "MV.SpdTimer 10",
        "MV.PchTimer 10"});
  ExpectMode("THR REF", 3, 0.99, 0);
  ExpectMode("LNAV", 7.85, 0.99, 0);
  ExpectMode("LOC", 7.85, 0, 0.75f);
  ExpectMode("VNAV SPD", 13.2, 0.99, 0);
  ExpectMode("G/S", 13.2, 0, 0.75f);
  EXPECT_EQ(FmaText(), 5);
  const PrintRecord* cmd = PrintedAtGauge("CMD", Font10, *Fma, 39, -25);
  ASSERT_NE(cmd, nullptr);
  EXPECT_TRUE(ColourIs(cmd, 0, 1, 0));
  // Boxes around the thrust and pitch modes, none around the roll mode.
  EXPECT_GT(CountKind(*Fma, -0.3f, 6, 0.3f, 9, Greenish), 0);
  EXPECT_GT(CountKind(*Fma, 94.7f, 6, 95.3f, 9, Greenish), 0);
  EXPECT_EQ(CountKind(*Fma, 62.7f, 6, 63.3f, 9, Greenish), 0);
  ExpectPicture("fma-climb");

  // The autothrottle off blanks the thrust mode and its box.
  Show({"IPC.dalt 5000", "VM.FMAthrust 1", "VM.FMAroll 3", "VM.FMApitch 3", "MV.AtActive 0",
        "MV.SpdTimer 10"});
  EXPECT_TRUE(harness->Printed("THR REF").empty());
  EXPECT_TRUE(harness->Printed("THR").empty());
  EXPECT_EQ(CountKind(*Fma, -0.3f, 6, 0.3f, 9, Greenish), 0);
}

TEST_F(FmaDraw, ApproachAndLanding) {
  const std::vector<std::string> approach = {
      "VM.FMAthrust 5", "VM.FMAroll 1", "VM.FMApitch 1", "VM.FMArllArm 2", "VM.FMAptchArm 2", "MV.AtActive 1",
      "MV.APCmd1 1",    "MV.APCmd2 1",  "MV.APCmd3 1",   "VM.AppOn 1",     "VM.RadioH 1200"};
  Show(approach);
  ExpectMode("SPD", 3, 0.99, 0);
  ExpectMode("LOC", 7.85, 0.99, 0);
  ExpectMode("ROLLOUT", 7.85, 0, 0.75f);
  ExpectMode("G/S", 13.2, 0.99, 0);
  ExpectMode("FLARE", 13.2, 0, 0.75f);
  EXPECT_NE(PrintedAtGauge("LAND3", Font10, *Fma, 35, -25), nullptr);
  EXPECT_TRUE(harness->Printed("CMD").empty());

  // Two hydraulic systems off leave one channel: no autoland, in amber.
  Show(With(approach, {"MV.APCmd2 0", "MV.APCmd3 0", "MV.HydOff1 1", "MV.HydOff2 1"}));
  const PrintRecord* no = PrintedAtGauge("NO AUTOLAND", Font10, *Fma, 17, -25);
  ASSERT_NE(no, nullptr);
  EXPECT_TRUE(ColourIs(no, 1, 1, 0));

  // Rollout with idle thrust and no pitch mode: the thrust column is blank.
  Show(
      {"VM.FMAthrust 4", "VM.FMAroll 2", "VM.FMApitch 0", "MV.AtActive 1", "MV.SpdTimer 5", "MV.RolTimer 5"});
  EXPECT_TRUE(harness->Printed("IDLE").empty());
  EXPECT_EQ(CountKind(*Fma, -0.3f, 6, 0.3f, 9, Greenish), 0);
  EXPECT_GT(CountKind(*Fma, 62.7f, 6, 63.3f, 9, Greenish), 0);  // the roll box
}

TEST_F(FmaDraw, FlightDirectorOnlyAndNothing) {
  // The annunciator takes the flight director switch one line late.
  Show({"VM.FDOn 1", "VM.RadioH 1000"});
  EXPECT_NE(PrintedAtGauge("FD", Font10, *Fma, 43, -25), nullptr);
  Show({"VM.FDOn 0"});
  for (const PrintRecord& r : harness->printed) EXPECT_FALSE(r.font == Font10 && r.y == -2.5f) << r.text;
  EXPECT_EQ(FmaText(), 0);
}
