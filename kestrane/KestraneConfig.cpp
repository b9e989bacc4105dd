// The keys of "config.ini" that the main display program reads at start-up
// and writes back at its end, the command line's PFD-only switch and the
// check of the saved window geometry.
#include <strings.h>

#include <string>

#include "kestrane/KestraneMain.h"
#include "shared/KestraneSettings.h"

using platform::TIniFile;

namespace {

// The sections of "config.ini".
const char* const kKestrane = "Kestrane Settings";
const char* const kTcp = "TCP/IP Settings";
const char* const kEfis = "EFIS Settings";
const char* const kNd = "ND Settings";
const char* const kPfd = "PFD Settings";

}  // namespace

bool PfdOnlyFromCommandLine(int argc, const char* const* argv) {
  if (argc < 2 || !argv[1]) return false;
  std::string first = argv[1];
  return strcasecmp(first.c_str(), "-PFDONLY") == 0 || strcasecmp(first.c_str(), "-P") == 0;
}

void ReadSettings(const TIniFile& ini) {
  platform::TIniBatch batch(ini);  // the file is read once
  SavedWindowLeft = ini.ReadInteger(kKestrane, "Window Left Pos", 499);
  SavedWindowTop = ini.ReadInteger(kKestrane, "Window Top Pos", 241);
  SavedWindowHeight = ini.ReadInteger(kKestrane, "Window Height", 453);
  SavedWindowWidth = ini.ReadInteger(kKestrane, "Window Width", 450);
  ScreenRotation = ini.ReadInteger(kKestrane, "Rotation", 0);
  if (ScreenRotation != 0 && ScreenRotation != 90 && ScreenRotation != 180 && ScreenRotation != 270)
    ScreenRotation = 0;
  BrokerHost = ini.ReadString(kTcp, "IPAdress", "localhost");
  BrokerPort = ini.ReadString(kTcp, "IPPort", "1863");
  StationsVisible = ini.ReadBool(kEfis, "Stations Visible", true);
  WaypointsVisible = ini.ReadBool(kEfis, "Waypoints Visible", true);
  AirportsVisible = ini.ReadBool(kEfis, "Airports Visible", true);
  TrafficVisible = ini.ReadBool(kEfis, "Traffic Visible", true);
  TerrainVisible = ini.ReadBool(kEfis, "Terrain Visible", true);
  PositionVisible = ini.ReadBool(kEfis, "Position Visible", true);
  NdDataVisible = ini.ReadBool(kEfis, "Data Visible", true);
  // Terrain textures always start off, whatever is stored.
  (void)ini.ReadBool(kNd, "Terrain Textures", true);
  TerrainTextures = false;
  ShowSeaLevel = ini.ReadBool(kNd, "Sea Level", true);
  PfdVisible = ini.ReadBool(kKestrane, "PFD Visible", true);
  NdVisible = ini.ReadBool(kKestrane, "ND Visible", true);
  DrawInBackground = ini.ReadBool(kKestrane, "Draw in Background", false);
  SmoothLines = ini.ReadBool(kPfd, "Smooth Lines", false);
  CaptainSide = ini.ReadBool(kKestrane, "Captains Instruments", true);
  HideBelowCompassArc = ini.ReadBool(kKestrane, "Stencil", false);
}

void WriteSettings(TIniFile& ini, const WindowGeometry& g) {
  platform::TIniBatch batch(ini);  // read once, replaced once
  ini.WriteBool(kPfd, "Smooth Lines", SmoothLines);
  ini.WriteString(kTcp, "IPAdress", BrokerHost);  // refused when it holds a control character
  ini.WriteString(kTcp, "IPPort", BrokerPort);
  ini.WriteBool(kEfis, "Stations Visible", StationsVisible);
  ini.WriteBool(kEfis, "Airports Visible", AirportsVisible);
  ini.WriteBool(kEfis, "Traffic Visible", TrafficVisible);
  ini.WriteBool(kEfis, "Terrain Visible", TerrainVisible);
  ini.WriteBool(kEfis, "Waypoints Visible", WaypointsVisible);
  ini.WriteBool(kEfis, "Position Visible", PositionVisible);
  ini.WriteBool(kEfis, "Data Visible", NdDataVisible);
  ini.WriteBool(kNd, "Terrain Textures", TerrainTextures);
  ini.WriteBool(kNd, "Sea Level", ShowSeaLevel);
  if (!PfdOnly) {
    ini.WriteBool(kKestrane, "PFD Visible", PfdVisible);
    ini.WriteBool(kKestrane, "ND Visible", NdVisible);
  }
  ini.WriteBool(kKestrane, "Captains Instruments", CaptainSide);
  ini.WriteBool(kKestrane, "Draw in Background", DrawInBackground);
  ini.WriteInteger(kKestrane, "Window Left Pos", g.left);
  ini.WriteInteger(kKestrane, "Window Top Pos", g.top);
  ini.WriteInteger(kKestrane, "Window Height", g.height);
  ini.WriteInteger(kKestrane, "Window Width", g.width);
  ini.WriteInteger(kKestrane, "Rotation", ScreenRotation);
  ini.WriteBool(kKestrane, "Stencil", HideBelowCompassArc);
}

WindowGeometry CheckedGeometry(const WindowGeometry& g, const std::vector<ScreenRect>& screens) {
  return platform::CheckedGeometry(g, {499, 241, 453, 450}, {60, 32768, 32768, 40}, screens);
}
