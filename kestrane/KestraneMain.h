// The main display program's main form and the settings and run-time
// globals it owns, which the PFD and the ND read.
#pragma once
#include <memory>
#include <string>

#include "platform/IniFile.h"
#include "support/opengl/CgWindow.h"

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
