// Parsing of the PFD's broker variables and the values derived after each
// line.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "kestrane/Dispatch.h"
#include "pfd/UcommonVariables.h"
#include "pfd/Upfd.h"
#include "tests/pfd/PfdHarness.h"

namespace {

void Feed(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) ParsePfdLine(l);
}

class PfdParse : public ::testing::Test {
 protected:
  // Every test starts from the same plain state, whatever ran before.
  void SetUp() override {
    Feed(pfdtest::NeutralLines());
    TrackInput = 0;
  }
};

TEST_F(PfdParse, ValuesTakeAtMostEightCharactersCutAtCrAndBlank) {
  ParsePfdLine("IPC.dalt 10000.1234");
  EXPECT_DOUBLE_EQ(DisplayedAltitude, 10000.12);
  ParsePfdLine("IPC.vs -1200\r");
  EXPECT_DOUBLE_EQ(VerticalSpeed, -1200);
  ParsePfdLine("IPC.pitch 3.5 IPC.ias 251");
  EXPECT_DOUBLE_EQ(PitchAngle, 3.5);
  EXPECT_DOUBLE_EQ(IndicatedSpeed, 251);
  // Lenient: the digits before the first bad character, or 0.
  ParsePfdLine("VM.FMAroll 12x");
  EXPECT_EQ(FmaRoll, 12);
  ParsePfdLine("VM.FMAroll abc");
  EXPECT_EQ(FmaRoll, 0);
  // A variable absent from the line keeps its value.
  ParsePfdLine("IPC.ias 140");
  EXPECT_DOUBLE_EQ(PitchAngle, 3.5);
  // Lines that begin with "Conn" are parsed like any other; empty lines are harmless.
  ParsePfdLine("Conn IPC.pitch -2");
  EXPECT_DOUBLE_EQ(PitchAngle, -2);
  ParsePfdLine("");
  EXPECT_DOUBLE_EQ(PitchAngle, -2);
}

TEST_F(PfdParse, BankIsTurnedFromRadiansToDegreesRightWingDownPositive) {
  ParsePfdLine("MV.Bank180 0.5");
  EXPECT_NEAR(BankAngle, -28.64789, 1e-5);
  ParsePfdLine("MV.Bank180 -0.34907");
  EXPECT_NEAR(BankAngle, 20.0, 1e-3);
}

TEST_F(PfdParse, SelectedMachBecomesCalibratedAirspeed) {
  Feed({"IPC.mcpim 840", "IPC.dalt 35000"});
  EXPECT_DOUBLE_EQ(SelectedMach, 0.84);
  EXPECT_NEAR(PressureRatio, 0.2353, 1e-4);
  EXPECT_NEAR(SelectedMachCas, 287.1, 0.1);
  // At sea level Mach 0.3 is about 198.5 kt.
  Feed({"IPC.mcpim 300", "IPC.dalt 0"});
  EXPECT_NEAR(SelectedMachCas, 198.5, 0.5);
}

TEST_F(PfdParse, DisplayHeadingFollowsTheIrsAndIsFoldedOnce) {
  Feed({"MV.IrsPhdg 0", "MV.YawTrack 0", "IPC.var -365"});
  EXPECT_NEAR(DisplayHeading, 5, 1e-9);
  Feed({"IPC.var 10"});
  EXPECT_NEAR(DisplayHeading, 350, 1e-9);
  // Platform heading 90 degrees (radians) less a variation of 20 east, plus yaw track 5.
  Feed({"MV.IrsPhdg 1.570796", "IPC.var 20", "MV.YawTrack 0.087266"});
  EXPECT_NEAR(IrsHeading, 70, 1e-4);
  EXPECT_NEAR(YawTrackDegrees, 5, 1e-4);
  EXPECT_NEAR(DisplayHeading, 75, 1e-4);
  // The ND heading is the true heading plus yaw track, not folded.
  Feed({"IPC.thdg 358"});
  EXPECT_NEAR(NdHeading, 363, 1e-4);
}

TEST_F(PfdParse, DriftIsTheTrackFoldedAboutTheHeading) {
  Feed({"IPC.thdg 10", "MV.YawTrack 0"});
  TrackInput = 350 * M_PI / 180;  // written by the ND parser
  ParsePfdLine("");
  EXPECT_NEAR(TrackDegrees, 350, 1e-9);
  EXPECT_NEAR(HeadingMinusTrack, -340, 1e-9);
  EXPECT_NEAR(DriftAngle, -10, 1e-9);
  TrackInput = 4 * M_PI / 180;
  ParsePfdLine("");
  EXPECT_NEAR(DriftAngle, 4, 1e-9);
}

TEST_F(PfdParse, PolarLatitudesShowGridHeadings) {
  Feed({"IPC.thdg 100", "IPC.latdeg 80", "IPC.londeg -10"});
  EXPECT_DOUBLE_EQ(DisplayHeading, 90);
  EXPECT_DOUBLE_EQ(NdHeading, 90);
  EXPECT_DOUBLE_EQ(PolarTrueHeading, 100);
  Feed({"IPC.latdeg -70", "IPC.londeg 20"});
  EXPECT_DOUBLE_EQ(DisplayHeading, 80);
  Feed({"IPC.latdeg 75", "IPC.londeg 20"});
  EXPECT_DOUBLE_EQ(DisplayHeading, 120);
  EXPECT_DOUBLE_EQ(NdHeading, 120);
  // Grid headings are not folded.
  Feed({"IPC.thdg 355", "IPC.latdeg 75", "IPC.londeg 20"});
  EXPECT_DOUBLE_EQ(DisplayHeading, 375);
  // South of 73 north and north of 65 south the IRS heading stands and the
  // last polar true heading is kept.
  Feed({"IPC.latdeg 72", "IPC.thdg 200", "MV.IrsPhdg 0", "IPC.var 0", "MV.YawTrack 0"});
  EXPECT_DOUBLE_EQ(DisplayHeading, 0);
  EXPECT_DOUBLE_EQ(NdHeading, 200);
  EXPECT_DOUBLE_EQ(PolarTrueHeading, 355);
  Feed({"IPC.latdeg -65", "IPC.londeg 5"});
  EXPECT_DOUBLE_EQ(DisplayHeading, 195);
}

TEST_F(PfdParse, TheAnnunciatorTakesTheFlightDirectorFlagOfTheLineBefore) {
  CreatePfdObjects();
  ParsePfdLine("VM.FDOn 1");
  EXPECT_TRUE(FdOn);
  EXPECT_FALSE(Fma->FdFlag);  // the flag as it stood before this line
  ParsePfdLine("IPC.vs 100");
  EXPECT_TRUE(Fma->FdFlag);
  ParsePfdLine("VM.FDOn 0 VM.AppOn 1");
  EXPECT_FALSE(FdOn);
  EXPECT_TRUE(Fma->FdFlag);
  EXPECT_TRUE(Fma->ApproachFlag);  // the approach flag is copied first, without a lag
  FreePfdObjects();
}

TEST_F(PfdParse, FlightDirectorFlagFollowsTheSwitch) {
  ParsePfdLine("VM.FDOn 1");
  EXPECT_TRUE(FdOn);
  ParsePfdLine("VM.FDOn 2");
  EXPECT_FALSE(FdOn);
  Feed({"VM.AppOn 1"});
  EXPECT_EQ(ApproachArmed, 1);
}

TEST_F(PfdParse, AdvisoryRateFromTheBrokerLastsUntilTheNextFrame) {
  ParsePfdLine("ND.RA 1500");
  EXPECT_EQ(RaClimbRate, 1500);
  // The frame loop overwrites it from the TCAS element.
  RaClimbRate = -9999;
  ParsePfdLine("IPC.vs 0");
  EXPECT_EQ(RaClimbRate, -9999);
}

TEST_F(PfdParse, HydraulicStateIsReadInEitherSpelling) {
  ParsePfdLine("MV.HydOff2 1");
  EXPECT_EQ(HydOff[1], 1);
  ParsePfdLine("MV.HydOFF3 1");
  EXPECT_EQ(HydOff[2], 1);
  ParsePfdLine("MV.HydOFF2 0 MV.HydOff4 1");
  EXPECT_EQ(HydOff[1], 0);
  EXPECT_EQ(HydOff[3], 1);
  Feed({"MV.AcBusPowered3 0", "MV.APCmd2 1", "VM.RadioH 1200"});
  EXPECT_EQ(AcBusPowered[2], 0);
  EXPECT_EQ(APCmd[1], 1);
  EXPECT_EQ(RadioHeight, 1200);
}

TEST_F(PfdParse, EveryTableVariableReachesItsGlobal) {
  Feed({"IPC.mcphdg 271", "IPC.mcpalt 15000", "VM.FDPitch 40", "VM.FDBank 65500", "VM.FMApitch 3",
        "VM.FMArllArm 4", "VM.FMAthrust 5", "VM.FMAptchArm 6", "VM.LocDev 120", "VM.GlideDev 65500",
        "VM.FineLoc 1", "VM.HiBufSpd 330", "VM.StickShSpd 140", "MV.RoundMach 780", "MV.Vref30P90 150",
        "MV.DelayedFlapPos 3", "MV.InitialFlapMoved 1", "MV.SpdAcc -12", "MV.SpdTimer 7",
        "MV.RolTimer 8", "MV.PchTimer 9", "MV.AtActive 1", "MV.PitotIce 0.9", "IPC.latmin 12.5",
        "IPC.lonmin 40"});
  EXPECT_DOUBLE_EQ(SelectedHeading, 271);
  EXPECT_DOUBLE_EQ(SelectedAltitude, 15000);
  EXPECT_DOUBLE_EQ(FdPitch, 40);
  EXPECT_DOUBLE_EQ(FdBank, 65500);
  EXPECT_EQ(FmaPitch, 3);
  EXPECT_EQ(FmaRollArmed, 4);
  EXPECT_EQ(FmaThrust, 5);
  EXPECT_EQ(FmaPitchArmed, 6);
  EXPECT_EQ(LocDeviation, 120);
  EXPECT_EQ(GlideDeviation, 65500);
  EXPECT_EQ(FineLoc, 1);
  EXPECT_DOUBLE_EQ(HighBuffetSpeed, 330);
  EXPECT_DOUBLE_EQ(StickShakerSpeed, 140);
  EXPECT_DOUBLE_EQ(RoundMach, 780);
  EXPECT_EQ(Vref30P90, 150);
  EXPECT_EQ(DelayedFlapPos, 3);
  EXPECT_EQ(InitialFlapMoved, 1);
  EXPECT_EQ(SpeedTrend, -12);
  EXPECT_EQ(SpeedTimer, 7);
  EXPECT_EQ(RollTimer, 8);
  EXPECT_EQ(PitchTimer, 9);
  EXPECT_EQ(AtActive, 1);
  EXPECT_DOUBLE_EQ(PitotIce, 0.9);
  EXPECT_DOUBLE_EQ(IpcLatMinutes, 12.5);
  EXPECT_DOUBLE_EQ(IpcLonMinutes, 40);
}

TEST_F(PfdParse, HugeAndMalformedValuesNeverBreakTheParser) {
  Feed({"IPC.dalt 99999999", "IPC.mcpim 99999999", "IPC.pitch 1e999999", "VM.LocDev 99999999999",
        "IPC.vs -", "MV.Bank180 .", "IPC.var", "VM.FDOn"});
  EXPECT_TRUE(std::isnan(PressureRatio) || PressureRatio >= 0);
  EXPECT_EQ(LocDeviation, 99999999);  // eight characters only
  EXPECT_DOUBLE_EQ(VerticalSpeed, 0);
  // The next ordinary line still parses.
  ParsePfdLine("IPC.pitch 4");
  EXPECT_DOUBLE_EQ(PitchAngle, 4);
}

TEST_F(PfdParse, DispatchReachesThePfdParser) {
  DispatchToParsers("IPC.pitch 7.25\r");
  EXPECT_DOUBLE_EQ(PitchAngle, 7.25);
}

}  // namespace
