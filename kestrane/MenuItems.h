// The main form's menu item paths, read by every unit of the form: start-up
// sets the marks from the settings, the broker link enables and disables
// the File items, the frame keeps the Terrain mark, the menus build them.
#pragma once

class TKestraneForm;

namespace kestranemenu {

// Menu item paths ("/" inside a caption is escaped for the menu bar).
inline constexpr const char* kConnect = "&File/&Connect";
inline constexpr const char* kDisconnect = "&File/&Disconnect";
inline constexpr const char* kExit = "&File/E&xit";
inline constexpr const char* kSettings = "&Options/TCP\\/IP &Settings";
inline constexpr const char* kFrames = "&Options/Show PFD\\/ND Frames";
inline constexpr const char* kTerrTexture = "&Options/TERR Texture Enable";
inline constexpr const char* kSeaLevel = "&Options/Show Sea Level";
inline constexpr const char* kShowPfd = "&Options/ShowPFD";
inline constexpr const char* kShowNd = "&Options/ShowND";
inline constexpr const char* kCaptains = "&Options/Captains Instruments";
inline constexpr const char* kFirstOfficers = "&Options/F\\/O Instruments";
inline constexpr const char* kBackground = "&Options/Draw in Background";
inline constexpr const char* kSmoothLines = "&Options/Smooth Lines";
inline constexpr const char* kSmoothPolygons = "&Options/Smooth Polygons";
inline constexpr const char* kHideBelow = "&Options/Hide Information below Compass Arc";
inline constexpr const char* kInhibit = "&Options/Inhibit Terrain \\/ EGPWS";
inline constexpr const char* kNavRadios = "&Options/Control Nav Radios by PS1.3";
inline constexpr const char* kTcasVis = "&EFIS/TCAS";
inline constexpr const char* kStations = "&EFIS/Stations";
inline constexpr const char* kWaypoints = "&EFIS/Waypoints";
inline constexpr const char* kAirports = "&EFIS/Airports";
inline constexpr const char* kData = "&EFIS/Data";
inline constexpr const char* kPosition = "&EFIS/Position";
inline constexpr const char* kTerrain = "&EFIS/Terrain";

// The form a menu, timer or socket callback of the toolkit was given as its
// data pointer.
inline TKestraneForm* Form(void* data) { return static_cast<TKestraneForm*>(data); }

}  // namespace kestranemenu
