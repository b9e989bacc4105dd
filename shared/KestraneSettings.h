// Settings and run-time globals that the main form sets from the command
// line, "config.ini", menus and keys, and that the PFD and ND read. A leaf
// header: no window, toolkit or socket behind it, so the displays can read
// the settings without knowing the form.
#pragma once
#include <string>

#include "shared/UDeclarations.h"

// ---- Settings and run-time globals (set by the main form) ----
extern bool PfdOnly;                 // PFD-only mode from the command line
extern std::string DataFolder;       // "data", relative to the program folder
extern bool DatabasesPresent;
extern std::string BrokerHost, BrokerPort;
extern int ScreenRotation;           // 0, 90, 180 or 270 degrees
extern bool SmoothLines;
extern bool CaptainSide;             // PFD left, ND right
extern bool PfdVisible, NdVisible;
extern int DisplayCount;             // PfdVisible + NdVisible
extern bool DrawInBackground;
extern bool TitleBarShown, TaskbarShown;
extern int SavedWindowLeft, SavedWindowTop, SavedWindowHeight, SavedWindowWidth;
extern std::string ProgramFolder;    // with its trailing "/"
extern std::string InfoDataFolder;   // database folder shown by the information box

// ---- Display flags of the navigation display, kept in "config.ini" ----
extern bool StationsVisible, WaypointsVisible, AirportsVisible, TrafficVisible, TerrainVisible,
    PositionVisible, NdDataVisible;
extern bool ShowSeaLevel, TerrainTextures, HideBelowCompassArc;
extern int NdRange;                  // nautical miles, 5 to 640
extern bool TaOnlyFlag, TcasOnFlag, TerrainAltMode, TerrainInhibited, MenuHidden;

// The last "tcas" item received (callsign, latitude, longitude, altitude).
extern tcasDataRecord TcasMessage;

