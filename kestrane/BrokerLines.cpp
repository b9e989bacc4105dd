// What the main display program sends to the broker, and the "tcas" item.
#include <string_view>

#include "kestrane/KestraneMain.h"
#include "platform/Numbers.h"

std::vector<std::string> SubscriptionLines() {
  std::vector<std::string> lines = {
      "notify trk IPC.latdeg IPC.latmin IPC.londeg IPC.lonmin IPC.vs IPC.talt tcas gnd gea R.W "
      "MV.GndSpeed MV.YawTrack MV.RoundMach\r",
      "notify MV.GridNorth MV.GridSouth IPC.pitch IPC.bank IPC.ias IPC.dalt IPC.var IPC.thdg "
      "IPC.mcphdg IPC.mcpalt IPC.mcpim IPC.vs VM.FDPitch VM.FDBank VM.FMApitch VM.FMAroll "
      "VM.FMAthrust VM.FDOn VM.LocDev VM.GlideDev VM.LocOn VM.AppOn VM.FineLoc VM.FMArllArm "
      "VM.FMAptchArm VM.HiBufSpd + VM.StickShSpd ND.RA\r",
      "notify MV.Fix1Name MV.Fix2Name MV.Fix1Act MV.Fix2Act MV.Fix1Ndeg MV.Fix1Nmin MV.Fix1Edeg "
      "MV.Fix1Emin MV.Fix1Dis1 MV.Fix1Dis2 MV.Fix1Dis3 MV.Fix1Dis4 MV.Fix1Brg1 MV.Fix1Brg2 "
      "MV.Fix1Brg3 MV.Fix1Brg4 MV.Fix2Name MV.Fix2Act  MV.Fix2Ndeg MV.Fix2Nmin MV.Fix2Edeg "
      "MV.Fix2Emin MV.Fix2Dis1 MV.Fix2Dis2 MV.Fix2Dis3 MV.Fix2Dis4 MV.Fix2Brg1 MV.Fix2Brg2 "
      "MV.Fix2Brg3 MV.Fix2Brg4 MV.Fix1Type MV.Fix2Type\r",
      "notify MV.vorRad1 MV.vorRad2 MV.adfRad1 MV.adfRad2 MV.vorEfisL MV.vorEfisR MV.vor1FreqStr "
      "MV.vor2FreqStr MV.adf1FreqStr MV.adf2FreqStr MV.adf1Rec MV.adf2Rec MV.vorInRg1 MV.vorInRg2 "
      "MV.vorOldRad1 MV.vor1Ident MV.vor2Ident MV.adf1Ident MV.adf2Ident MV.vorOldRad2 MV.vorDec1 "
      "MV.vorDec2 MV.adfDec1 MV.adfDec2 MV.vorVis1 MV.vorVis2 MV.vorCrs1 MV.vorCrs2 "
      "MV.vor1FreqLen MV.vor2FreqLen MV.adf1FreqLen MV.adf2FreqLen \r",
      "notify MV.FMCPosX1 MV.FMCPosX2 MV.FMCPosX3 MV.FMCPosY1 MV.FMCPosY2 MV.FMCPosY3 "
      "MV.CenterLon MV.IrsX1 MV.IrsX2 MV.IrsX3 MV.IrsY1 MV.IrsY2 MV.IrsY3  \r",
      "notify MV.WptGMT1 MV.WptGMT2 MV.WptStr MV.WptLen R.LastLeg MV.WindRad MV.WindSpd MV.Track "
      "MV.TAS MV.HdgBugTimer MV.RwyX1 MV.RwyX2 MV.RwyX3 MV.RwyX4 MV.RwyY1 MV.RwyY2 MV.RwyY3 "
      "MV.RwyY4 MV.RwyStr1 MV.RwyStr2 MV.RwyStr3 MV.RwyStr4 MV.RwyStr5 MV.RwyStr6 MV.RwyLen1 "
      "MV.RwyLen2 MV.RwyLen3 MV.RwyLen4 MV.RwyLen5 MV.RwyLen6 \r",
      "notify MV.Irs1Align MV.Irs2Align MV.Irs3Align MV.Irs1Sel MV.Irs2Sel MV.Irs3Sel "
      "MV.Irs1Quality MV.Irs2Quality MV.Irs3Quality MV.Irs1AlignDel MV.Irs2AlignDel "
      "MV.Irs3AlignDel MV.IrsAligning MV.IrsPhdg MV.IrsAttHdg MV.Vref30P90 MV.InitialFlapMoved "
      "MV.DelayedFlapPos MV.DispVf00 MV.DispVf01 MV.DispVf05 MV.DispVf10 MV.DispVf20 MV.Vref25 "
      "MV.Vref30 MV.DispVref MV.RefSpeed MV.V1bug MV.VRbug MV.GndOnce MV.NoVSpd MV.V1Conf "
      "MV.VrConf MV.V2Conf MV.SpdAcc\r",
      "notify MV.HydOFF1 MV.HydOFF2 MV.HydOFF3 MV.HydOFF4 MV.AcBusPowered1 MV.AcBusPowered2 "
      "MV.AcBusPowered3 MV.AcBusPowered4 MV.APCmd1 MV.APCmd2 MV.APCmd3 VM.AppOn VM.RadioH "
      "MV.SpdTimer MV.RolTimer MV.PchTimer MV.AtArmOn MV.AtActive MV.PitotIce MV.Bank180 "
      "MV.FlightPhase MV.FlapYPix MV.HorPitchLim MV.PullUpPfd MV.InitalPullUp MV.WindShear "
      "MV.WindShrSpd MV.WindShrIntensity MV.aoPosWindshr MV.StatusMsg10 MV.Ac3BusFail MV.WxArea \r",
  };
  const char* const prefixes[8] = {"R.", "R.a", "R.b", "R.c", "R.d", "R.e", "R.f", "R.g"};
  for (int i = 0; i <= 4; ++i) {
    for (int j = 0; j <= 9; ++j) {
      std::string line = "notify ";
      for (const char* p : prefixes) {
        line += p;
        line += static_cast<char>('0' + i);
        line += static_cast<char>('0' + j);
        line += ' ';
      }
      line += '\r';
      lines.push_back(line);
    }
  }
  return lines;
}

bool ParseTcasLine(const std::string& lineText) {
  std::string_view line(lineText);
  const size_t p = line.find("tcas");
  if (p == std::string_view::npos) return false;
  // The whole group, however long: up to its "}" (or the line end).
  std::string_view s = line.substr(std::min(line.size(), p + 5));
  if (size_t cr = s.find('\r'); cr != std::string_view::npos) s = s.substr(0, cr);
  if (size_t brace = s.find('}'); brace != std::string_view::npos) s = s.substr(0, brace + 1);
  // Takes the next field up to its blank; false when no blank follows.
  auto field = [&s](std::string_view& out) {
    size_t blank = s.find(' ');
    if (blank == std::string_view::npos) return false;
    out = s.substr(0, blank);
    s = s.substr(blank + 1);
    return true;
  };
  std::string_view callsign, skipped, lat, lon, alt;
  // The group must hold every field up to the altitude, each followed by a
  // blank: an incomplete item is not handed on with another field's value.
  if (!field(callsign) || !field(skipped) || !field(skipped) || !field(lat) || !field(lon) ||
      !field(alt))
    return false;
  TcasMessage.callsign = std::string(callsign.substr(callsign.empty() ? 0 : 1));
  TcasMessage.latitude = static_cast<float>(platform::Clamp(platform::LenientDouble(lat), -1e30, 1e30));
  TcasMessage.longitude = static_cast<float>(platform::Clamp(platform::LenientDouble(lon), -1e30, 1e30));
  TcasMessage.altitude = platform::LenientInt(alt);
  return true;
}
