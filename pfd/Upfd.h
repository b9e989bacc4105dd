// The PFD's own variables, their parser, the gauge objects and the drawing
// of the whole PFD.
#pragma once
#include <functional>
#include <memory>
#include <string_view>

#include "pfd/Ualtitude.h"
#include "pfd/UheadFMA.h"
#include "pfd/Uspeed.h"

// ---- Broker variables (initial values as before any line) ----
extern double PitchAngle;        // "IPC.pitch", degrees, nose up positive
extern double IndicatedSpeed;    // "IPC.ias", kt
extern double SelectedSpeed;     // "IPC.mcpim": kt, or Mach * 1000 above 400
extern double HighBuffetSpeed;   // "VM.HiBufSpd"
extern double StickShakerSpeed;  // "VM.StickShSpd"
extern double RoundMach;         // "MV.RoundMach", Mach * 1000
extern double FdPitch;           // "VM.FDPitch", raw; 57 is level
extern double FdBank;            // "VM.FDBank", raw 16-bit signed
extern int FmaPitch, FmaRoll, FmaThrust;   // "VM.FMApitch", "VM.FMAroll", "VM.FMAthrust"
extern int FmaRollArmed, FmaPitchArmed;    // "VM.FMArllArm", "VM.FMAptchArm"
extern int FdSwitch;             // "VM.FDOn"
extern int AppOn;                // "VM.AppOn"
extern int LocDeviation, GlideDeviation;  // "VM.LocDev", "VM.GlideDev"; -46 in both: none
extern int FineLoc;              // "VM.FineLoc"
extern int RaClimbRate;          // "ND.RA"; the frame loop overwrites it every frame (-9999: none)
extern int RaDescendRate;        // written by the frame loop only (-9999: none)
extern int Vref30P90;            // "MV.Vref30P90"
extern int DelayedFlapPos;       // "MV.DelayedFlapPos"
extern int InitialFlapMoved;     // "MV.InitialFlapMoved"
extern int SpeedTrend;           // "MV.SpdAcc"
extern int SpeedTimer, RollTimer, PitchTimer;  // "MV.SpdTimer", "MV.RolTimer", "MV.PchTimer"
extern int AtActive;             // "MV.AtActive"
extern double PitotIce;          // "MV.PitotIce", factor on every displayed airspeed

// ---- Derived ----
extern bool FdOn;                // FdSwitch = 1, as of the line before (see ParsePfdLine)
extern double SelectedMach;
extern double PressureRatio;
extern double SelectedMachCas;   // calibrated airspeed of SelectedMach at DisplayedAltitude
extern int RunwayElevation;      // active runway elevation, set each frame
constexpr int kNoActiveRunway = -10000;
// Where each frame takes the active runway's elevation from (the runway
// element); unset: no active runway.
extern std::function<int()> ActiveRunwayElevation;

// ---- Gauge objects (the attitude indicator, Horizon, lives in Uhorizon) ----
extern std::unique_ptr<TSpeedTape> SpeedTape;
extern std::unique_ptr<TSpeedTicker> SpeedTicker;
extern std::unique_ptr<TAltitudeTape> AltitudeTape;
extern std::unique_ptr<TAltitudeTicker> AltitudeTicker;
extern std::unique_ptr<THeading> HeadingScale;
extern std::unique_ptr<TVSI> Vsi;
extern std::unique_ptr<TFMA> Fma;

// Creates Horizon, SpeedTape, SpeedTicker, AltitudeTape, AltitudeTicker,
// HeadingScale, Vsi, Fma and the IRS element Irs, in this order.
void CreatePfdObjects();
// Frees them again (Fma first, Irs last).
void FreePfdObjects();

// Stores the PFD variables that the line carries, then derives the
// displayed headings, drift, polar grid heading and the selected Mach
// number's airspeed. Never throws.
void ParsePfdLine(std::string_view Line);

// Draws the whole PFD into the square viewport of side Size pixels whose
// lower left corner is (Left, Bottom). The caller has loaded the
// orthographic square 0..DrawScale into the model-view matrix, turned it
// for Rotation and cleared the stencil; the matrix is left as found.
// Smooth: the line-smoothing setting; Rotation: 0, 90, 180 or 270 (any
// other value draws as 0). Nothing is drawn for a viewport of no size or
// before CreatePfdObjects.
void DrawPrimaryFlightDisplay(int Size, int Left, int Bottom, bool Smooth, int Rotation);
