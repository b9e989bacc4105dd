#include "shared/KestraneSettings.h"

bool PfdOnly = false;
std::string DataFolder;
bool DatabasesPresent = false;
std::string BrokerHost, BrokerPort;
int ScreenRotation = 0;
bool SmoothLines = false;
bool CaptainSide = true;
bool PfdVisible = true, NdVisible = true;
int DisplayCount = 2;
bool DrawInBackground = false;
bool TitleBarShown = true, TaskbarShown = true;
int SavedWindowLeft = 499, SavedWindowTop = 241, SavedWindowHeight = 453, SavedWindowWidth = 450;
std::string ProgramFolder;
std::string InfoDataFolder;

bool StationsVisible = true, WaypointsVisible = true, AirportsVisible = true,
     TrafficVisible = true, TerrainVisible = true, PositionVisible = true, NdDataVisible = true;
bool ShowSeaLevel = true, TerrainTextures = false, HideBelowCompassArc = false;
int NdRange = 10;
bool TaOnlyFlag = false, TcasOnFlag = true, TerrainAltMode = false, TerrainInhibited = false,
     MenuHidden = false;

tcasDataRecord TcasMessage;
