// Aircraft state shared by the PFD and the ND: headings, vertical speed,
// bank, altitudes, position parts and the autopilot annunciation inputs.
// The PFD parser writes most of them; the ND parser writes ground speed,
// track input and the combined latitude and longitude. Angles in degrees,
// speeds in knots, altitudes in feet, vertical speed in feet per minute.
#pragma once
#include <array>

extern double SelectedHeading;     // "IPC.mcphdg"
extern double TrueHeading;         // "IPC.thdg"
extern double VerticalSpeed;       // "IPC.vs"
extern double BankAngle;           // "MV.Bank180", right wing down positive
extern double MagVariation;        // "IPC.var"
extern double DisplayedAltitude;   // "IPC.dalt"
extern double SelectedAltitude;    // "IPC.mcpalt"
extern double GroundSpeed;         // ND parser
extern double DisplayHeading;      // derived: IRS heading plus yaw track, 0 to 360
extern double NdHeading;           // derived: true heading plus yaw track
extern double HeadingMinusTrack;   // derived
extern double TrackDegrees;        // derived from TrackInput
extern double TrackInput;          // ND parser ("MV.Track", radians)
extern double DriftAngle;          // derived
extern double PolarTrueHeading;    // derived, kept outside the polar band
extern double IrsPlatformHeading;  // "MV.IrsPhdg", radians
extern double IrsHeading;          // derived
extern double YawTrack;            // "MV.YawTrack", radians
extern double YawTrackDegrees;     // derived
extern double IpcLatDegrees, IpcLatMinutes, IpcLonDegrees, IpcLonMinutes;
extern double IpcLatitude, IpcLongitude;  // ND parser

// Index 0 is system (or autopilot) 1.
extern std::array<int, 4> AcBusPowered;  // "MV.AcBusPowered1" to 4
extern std::array<int, 4> HydOff;        // "MV.HydOff1" to 4
extern std::array<int, 3> APCmd;         // "MV.APCmd1" to 3
extern int ApproachArmed;                // copy of AppOn
extern int RadioHeight;                  // "VM.RadioH", feet
