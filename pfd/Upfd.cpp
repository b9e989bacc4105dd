#include "pfd/Upfd.h"

#include <cfloat>
#include <cmath>
#include <numbers>

#include "shared/UDeclarations.h"
#include "nd/Uirs.h"
#include "pfd/UcommonVariables.h"
#include "pfd/Uhorizon.h"
#include "shared/BrokerValue.h"
#include "platform/Numbers.h"
#include "support/geo/geoMath.h"

double PitchAngle = 0;
double IndicatedSpeed = 0;
double SelectedSpeed = 185;
double HighBuffetSpeed = 370;
double StickShakerSpeed = -100;
double RoundMach = 0;
double FdPitch = 57;
double FdBank = 0;
int FmaPitch = 0, FmaRoll = 0, FmaThrust = 0;
int FmaRollArmed = 0, FmaPitchArmed = 0;
int FdSwitch = 0;
int AppOn = 0;
int LocDeviation = -46, GlideDeviation = -46;
int FineLoc = 0;
int RaClimbRate = -9999;
int RaDescendRate = -9999;
int Vref30P90 = 0;
int DelayedFlapPos = 0;
int InitialFlapMoved = 0;
int SpeedTrend = 0;
int SpeedTimer = 0, RollTimer = 0, PitchTimer = 0;
int AtActive = 0;
double PitotIce = 1.0;

bool FdOn = false;
double SelectedMach = 0;
double PressureRatio = 0;
double SelectedMachCas = 0;
int RunwayElevation = kNoActiveRunway;
std::function<int()> ActiveRunwayElevation;

std::unique_ptr<TSpeedTape> SpeedTape;
std::unique_ptr<TSpeedTicker> SpeedTicker;
std::unique_ptr<TAltitudeTape> AltitudeTape;
std::unique_ptr<TAltitudeTicker> AltitudeTicker;
std::unique_ptr<THeading> HeadingScale;
std::unique_ptr<TVSI> Vsi;
std::unique_ptr<TFMA> Fma;

void CreatePfdObjects() {
  Horizon = std::make_unique<THorizon>();
  SpeedTape = std::make_unique<TSpeedTape>();
  SpeedTicker = std::make_unique<TSpeedTicker>();
  AltitudeTape = std::make_unique<TAltitudeTape>();
  AltitudeTicker = std::make_unique<TAltitudeTicker>();
  HeadingScale = std::make_unique<THeading>();
  Vsi = std::make_unique<TVSI>();
  Fma = std::make_unique<TFMA>();
  // The IRS element lives with the PFD so that it exists in PFD-only mode.
  Irs = std::make_unique<tIRS>();
}

void FreePfdObjects() {
  Fma.reset();
  Vsi.reset();
  HeadingScale.reset();
  AltitudeTicker.reset();
  AltitudeTape.reset();
  SpeedTicker.reset();
  SpeedTape.reset();
  Horizon.reset();
  Irs.reset();
}

namespace {

using brokerlink::ReadBrokerDouble;
using brokerlink::ReadBrokerInt;

void ReadValues(std::string_view Line) {
  ReadBrokerDouble(Line, "IPC.thdg", TrueHeading);
  ReadBrokerDouble(Line, "IPC.mcphdg", SelectedHeading);
  ReadBrokerDouble(Line, "IPC.var", MagVariation);
  ReadBrokerDouble(Line, "IPC.vs", VerticalSpeed);
  ReadBrokerDouble(Line, "IPC.pitch", PitchAngle);
  double bank = 0;
  // Radians, right wing down negative, to degrees, right wing down positive.
  if (ReadBrokerDouble(Line, "MV.Bank180", bank)) BankAngle = bank * -57.29578;
  ReadBrokerDouble(Line, "IPC.ias", IndicatedSpeed);
  ReadBrokerDouble(Line, "IPC.dalt", DisplayedAltitude);
  ReadBrokerDouble(Line, "IPC.mcpalt", SelectedAltitude);
  ReadBrokerDouble(Line, "IPC.mcpim", SelectedSpeed);
  ReadBrokerDouble(Line, "IPC.latdeg", IpcLatDegrees);
  ReadBrokerDouble(Line, "IPC.latmin", IpcLatMinutes);
  ReadBrokerDouble(Line, "IPC.londeg", IpcLonDegrees);
  ReadBrokerDouble(Line, "IPC.lonmin", IpcLonMinutes);
  ReadBrokerDouble(Line, "VM.FDPitch", FdPitch);
  ReadBrokerDouble(Line, "VM.FDBank", FdBank);
  ReadBrokerInt(Line, "VM.FMApitch", FmaPitch);
  ReadBrokerInt(Line, "VM.FMArllArm", FmaRollArmed);
  ReadBrokerInt(Line, "VM.FMAroll", FmaRoll);
  ReadBrokerInt(Line, "VM.FMAthrust", FmaThrust);
  ReadBrokerInt(Line, "VM.FMAptchArm", FmaPitchArmed);
  ReadBrokerInt(Line, "VM.FDOn", FdSwitch);
  ReadBrokerInt(Line, "VM.AppOn", AppOn);
  ReadBrokerInt(Line, "VM.LocDev", LocDeviation);
  ReadBrokerInt(Line, "VM.GlideDev", GlideDeviation);
  ReadBrokerInt(Line, "VM.FineLoc", FineLoc);
  ReadBrokerDouble(Line, "VM.HiBufSpd", HighBuffetSpeed);
  ReadBrokerDouble(Line, "VM.StickShSpd", StickShakerSpeed);
  ReadBrokerInt(Line, "ND.RA", RaClimbRate);
  ReadBrokerDouble(Line, "MV.IrsPhdg", IrsPlatformHeading);
  ReadBrokerDouble(Line, "MV.YawTrack", YawTrack);
  ReadBrokerDouble(Line, "MV.RoundMach", RoundMach);
  ReadBrokerInt(Line, "MV.Vref30P90", Vref30P90);
  ReadBrokerInt(Line, "MV.DelayedFlapPos", DelayedFlapPos);
  ReadBrokerInt(Line, "MV.InitialFlapMoved", InitialFlapMoved);
  ReadBrokerInt(Line, "MV.SpdAcc", SpeedTrend);
  // The subscription asks for "MV.HydOFF1".."4" while the hydraulic state
  // is known as "MV.HydOff1".."4"; take whichever spelling the broker uses.
  static constexpr const char* kHydOff[4] = {"MV.HydOff1", "MV.HydOff2", "MV.HydOff3", "MV.HydOff4"};
  static constexpr const char* kHydOFF[4] = {"MV.HydOFF1", "MV.HydOFF2", "MV.HydOFF3", "MV.HydOFF4"};
  for (int i = 0; i < 4; ++i) {
    ReadBrokerInt(Line, kHydOff[i], HydOff[i]);
    ReadBrokerInt(Line, kHydOFF[i], HydOff[i]);
  }
  static constexpr const char* kBus[4] = {"MV.AcBusPowered1", "MV.AcBusPowered2", "MV.AcBusPowered3",
                                          "MV.AcBusPowered4"};
  for (int i = 0; i < 4; ++i) ReadBrokerInt(Line, kBus[i], AcBusPowered[i]);
  static constexpr const char* kApCmd[3] = {"MV.APCmd1", "MV.APCmd2", "MV.APCmd3"};
  for (int i = 0; i < 3; ++i) ReadBrokerInt(Line, kApCmd[i], APCmd[i]);
  ReadBrokerInt(Line, "VM.RadioH", RadioHeight);
  ReadBrokerInt(Line, "MV.SpdTimer", SpeedTimer);
  ReadBrokerInt(Line, "MV.RolTimer", RollTimer);
  ReadBrokerInt(Line, "MV.PchTimer", PitchTimer);
  ReadBrokerInt(Line, "MV.AtActive", AtActive);
  ReadBrokerDouble(Line, "MV.PitotIce", PitotIce);
}

void Derive() {
  ApproachArmed = AppOn;
  // The annunciator takes the flight director flag as it stood before this
  // line: FdOn is recomputed only below.
  if (Fma) Fma->SetAutopilotState(AcBusPowered, HydOff, APCmd, ApproachArmed, FdOn);

  SelectedMach = SelectedSpeed / 1000;
  PressureRatio = std::pow(1 - 0.000006875585 * DisplayedAltitude, 5.2558797);
  // Above the altitude where the pressure formula fails the result is not
  // a number; the speed tape then hides the marker.
  SelectedMachCas =
      661.4786 *
      std::sqrt(5 * (std::pow(PressureRatio * (std::pow(1 + SelectedMach * SelectedMach / 5, 3.5) - 1) + 1,
                              0.2857142857) -
                     1));

  FdOn = (FdSwitch == 1);

  IrsHeading = IrsPlatformHeading / std::numbers::pi * 180 - MagVariation;
  YawTrackDegrees = YawTrack / std::numbers::pi * 180;
  DisplayHeading = IrsHeading + YawTrackDegrees;
  if (DisplayHeading < 0) DisplayHeading += 360;
  if (DisplayHeading >= 360) DisplayHeading -= 360;

  NdHeading = TrueHeading + YawTrackDegrees;

  TrackDegrees = TrackInput / std::numbers::pi * 180;
  HeadingMinusTrack = NdHeading - TrackDegrees;
  DriftAngle = AngleDiff(NdHeading, HeadingMinusTrack);

  // Near the poles the displays show grid headings: true heading corrected
  // by the whole degrees of longitude.
  if (IpcLatDegrees >= 73 || IpcLatDegrees <= PolarSouthLimit) {
    PolarTrueHeading = TrueHeading;
    const double lon = std::fabs(IpcLonDegrees);
    if ((IpcLonDegrees >= 0 && IpcLatDegrees <= -65) || (IpcLonDegrees < 0 && IpcLatDegrees >= 73))
      NdHeading = DisplayHeading = TrueHeading - lon;
    else
      NdHeading = DisplayHeading = TrueHeading + lon;
  }
}

// Doubles and integers handed to the gauges as singles; a value beyond the
// single range saturates instead of being undefined.
float Single(double v) {
  if (std::isnan(v)) return static_cast<float>(v);
  return static_cast<float>(platform::Clamp(v, -FLT_MAX, FLT_MAX));
}

}  // namespace

void ParsePfdLine(std::string_view Line) {
  ReadValues(Line);
  Derive();
}

void DrawPrimaryFlightDisplay(int Size, int Left, int Bottom, bool Smooth, int Rotation) {
  if (Size <= 0) return;
  if (!Horizon || !SpeedTape || !SpeedTicker || !AltitudeTape || !AltitudeTicker || !HeadingScale ||
      !Vsi || !Fma)
    return;
  if (Rotation != 0 && Rotation != 90 && Rotation != 180 && Rotation != 270) Rotation = 0;

  // The active runway's elevation comes from the runway element; without
  // one there is no active runway.
  RunwayElevation = ActiveRunwayElevation ? ActiveRunwayElevation() : kNoActiveRunway;
  Horizon->SetAdvisory(RaClimbRate, RaDescendRate, platform::SafeRound(VerticalSpeed));

  Horizon->BeginDraw(Size, Left, 0.38025f, 0.395f, 0.155f, 0.158f, 100, 108, Bottom, Rotation, true);
  Horizon->SetScale(Size);
  Horizon->Draw(FdOn, Smooth, Single(PitchAngle), Single(BankAngle), Single(FdPitch), Single(FdBank),
                Single(LocDeviation), Single(GlideDeviation), FineLoc);
  Horizon->DrawAlerts();
  Horizon->EndDraw();

  HeadingScale->BeginDraw(Size, Left, 0.389f, 0.12f, 0.14f, 0.005f, 130, 40, Bottom, Rotation, true);
  HeadingScale->Draw(Single(DisplayHeading), Single(SelectedHeading), Single(DriftAngle), IpcLatitude);
  HeadingScale->EndDraw();

  SpeedTape->BeginDraw(Size, Left, 0.181875f, 0.55f, 0, 0.08f, 45, 136, Bottom, Rotation, true);
  SpeedTape->Draw(SpeedTrend, Single(IndicatedSpeed), Single(SelectedSpeed), Single(SelectedMachCas),
                  Single(HighBuffetSpeed), Single(StickShakerSpeed), Single(Vref30P90),
                  Single(DelayedFlapPos), Single(InitialFlapMoved), PitotIce);
  SpeedTape->DrawSelectedSpeedAndMach(SelectedSpeed, RoundMach, GroundSpeed, PitotIce);
  SpeedTape->DrawSpeedBugs(DelayedFlapPos, IndicatedSpeed, PitotIce);
  SpeedTape->EndDraw();

  AltitudeTape->BeginDraw(Size, Left, 0.1067f, 0.55f, 0.555f, 0.08f, 26.4f, 136, Bottom, Rotation, true);
  AltitudeTape->Draw(Smooth, Single(DisplayedAltitude), Single(SelectedAltitude), Single(RunwayElevation));
  AltitudeTape->DrawSelected(Single(SelectedAltitude));
  AltitudeTape->EndDraw();

  AltitudeTicker->BeginDraw(Size, Left, 0.13f, 0.078f, 0.585f, 0.315f, 28, 18, Bottom, Rotation, true);
  AltitudeTicker->Draw(Smooth, Single(DisplayedAltitude));
  AltitudeTicker->EndDraw();

  SpeedTicker->BeginDraw(Size, Left, 0.095f, 0.075f, 0, 0.317f, 21, 18, Bottom, Rotation, true);
  SpeedTicker->Draw(Smooth, Single(IndicatedSpeed), PitotIce);
  SpeedTicker->EndDraw();

  Vsi->BeginDraw(Size, Left, 0.0725f, 0.461f, 0.68f, 0.116f, 20, 120, Bottom, Rotation, false);
  Vsi->Draw(Smooth, Single(VerticalSpeed));
  Vsi->EndDraw();

  Fma->BeginDraw(Size, Left, 0.38f, 0.04f, 0.14f, 0.673f, 95, 10, Bottom, Rotation, false);
  Fma->Draw(FmaThrust, FmaRoll, FmaPitch, FmaRollArmed, FmaPitchArmed, SpeedTimer, RollTimer, PitchTimer,
            AtActive);
  Fma->EndDraw();
}
