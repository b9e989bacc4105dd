// The navigation display as a whole: its element objects, the broker
// variables of the aircraft's navigation state, the database reload for the
// first position after a connect, and one ND frame in the arc or the
// profile layout.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "nd/NdFrame.h"
#include "nd/UNDObjects.h"

// ---- Element objects (made by CreateNavigationObjects) ----
extern std::unique_ptr<TCtrCompass> CtrCompass;
extern std::unique_ptr<TRoseCompass> RoseCompass;
extern std::unique_ptr<THdgBox> HdgBox;
extern std::unique_ptr<TNDDataElement> NdSymbols;
extern std::unique_ptr<TTrackLine> TrackLine;

// ---- Navigation state (broker variables and what is derived from them) ----
extern double OwnAltitude;        // "IPC.talt", ft
extern double CenterLongitude;    // "MV.CenterLon": reference longitude of the flat grid
extern double TrueAirspeed;       // "MV.TAS", kt
extern int GridNorth, GridSouth;  // "MV.GridNorth", "MV.GridSouth": 1 on a polar grid
extern int HdgBugTimer;           // "MV.HdgBugTimer": non-zero shows the selected-heading line
extern double WindDirectionRad, WindSpeedRaw;  // "MV.WindRad", "MV.WindSpd" as received
extern double WindDirection;      // degrees magnetic, 0 up to 360
extern double WindSpeed;
extern std::array<std::int16_t, 3> FmcX, FmcY;  // "MV.FMCPosX1".."MV.FMCPosY3"
extern double FmcLatitude, FmcLongitude;
extern double OwnLatitude, OwnLongitude;    // the aircraft position the ND is drawn around
extern double PrevLatitude, PrevLongitude;  // the position before the current line
extern std::array<double, 3> IrsX, IrsY;    // "MV.IrsX1".."MV.IrsY3", grid feet
extern bool FirstDataReceived;    // a position has been received since the connect
extern int FrameCycle;            // 0..49, advanced by the frame; 0 marks every 50th frame

// What the layers of the last ND frame raised.
extern NdFrameFlags NdFlags;

// ---- Values of elements that other units provide ----
// Each is empty until its element binds it; the readers below then give
// the value that shows nothing.
// Called before the alert update of every frame with the frame's flags.
extern std::function<void(NdFrameFlags&)> NdFrameFlagsHook;
// Highest and lowest terrain around the aircraft, ft (0 and 99999: none).
extern std::function<int()> TerrainMaxElevation, TerrainMinElevation;
// Distance in NM from (lat, lon) to the active route point (negative: no route).
extern std::function<double(double lat, double lon)> RouteDistanceToActive;
int HighestTerrain();
int LowestTerrain();
double RouteDistance(double lat, double lon);

// ---- Pure helpers ----

// The range label of the track line: NdRange div (4 div m), m 2 in the arc
// layout and 1 in the profile layout, with "2" shown as "2.5" and "1" as
// "1.25".
std::string RangeLabelText(int Range, int m);

// ---- Life and frame ----

// Makes the element objects; no GL work.
void CreateNavigationObjects();
// Deletes the shared lists and the quadric (context current) and frees the
// element objects.
void FreeNavigationObjects();

// Takes one broker line: stores the navigation variables, converts the
// FMC and IRS positions, and on the first position after a connect (not in
// PFD-only mode) loads the databases around it; later it loads them again
// when the aircraft has left the loaded block, at most once a second.
void ParseNavigationLine(std::string_view Line, const std::string& Folder, bool HaveDatabases,
                         bool PfdOnlyMode);
// A position that left the loaded block within a second of the last reload
// waits: the seconds until its reload may run, or a negative number when
// none waits.
double DeferredReloadDelay();
// Runs the reload that waits once its time has come, for the position of
// then (which may have come back into the loaded block and need none).
void RunDeferredReload(const std::string& Folder, bool HaveDatabases);
// The broker session ended: the next connection loads the databases again
// for its first position, a waiting reload is dropped, and connection
// notices and reload lines are logged afresh.
void EndNavigationSession();
// Reloads the navaids, waypoints and runways around the own position;
// nothing beyond 87 degrees of latitude.
void ReloadDatabases(const std::string& Folder, bool HaveDatabases);

// What the next ND frame is drawn from: the range, the layout and the
// aircraft as they stand now, no flags raised yet.
NdFrame CurrentNdFrame();

// One ND frame. The caller has set the scissor box on the ND square and put
// the model-view origin at the centre of the ND square.
void DrawNavigationDisplay(bool Smooth);

// The ND square of one frame: the scissor box on the central instrument
// area of a viewport of side ViewSize at (ViewX, ViewY), the origin moved to
// the square's centre and turned by Rotation, DrawNavigationDisplay, and
// everything undone. Scale: 255 with frames, 200 without.
void DrawNdInSquare(int ViewX, int ViewY, int ViewSize, float Scale, int Rotation, bool Smooth);
