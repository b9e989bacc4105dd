#include "pfd/UcommonVariables.h"

double SelectedHeading = 136;
double TrueHeading = 136;
double VerticalSpeed = 0;
double BankAngle = 0;
double MagVariation = 0;
double DisplayedAltitude = 1000;
double SelectedAltitude = 11000;
double GroundSpeed = 0;
double DisplayHeading = 136;
double NdHeading = 154;
double HeadingMinusTrack = 154;
double TrackDegrees = 0;
double TrackInput = 0;
double DriftAngle = 0;
double PolarTrueHeading = 0;
double IrsPlatformHeading = 0;
double IrsHeading = 0;
double YawTrack = 0;
double YawTrackDegrees = 0;
double IpcLatDegrees = 0, IpcLatMinutes = 0, IpcLonDegrees = 0, IpcLonMinutes = 0;
double IpcLatitude = 0, IpcLongitude = 0;

std::array<int, 4> AcBusPowered{};
std::array<int, 4> HydOff{};
std::array<int, 3> APCmd{};
int ApproachArmed = 0;
int RadioHeight = 0;
