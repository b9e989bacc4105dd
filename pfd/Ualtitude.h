// Altitude tape, altitude readout and vertical speed indicator of the PFD.
#pragma once
#include "pfd/Ugauges.h"

class TAltitudeTape : public TGauge {
 public:
  // RunwayElevation: the active runway's elevation in feet, -10000 when
  // there is none (the marks then lie far below the tape).
  void Draw(bool Smooth, float Altitude, float SelectedAltitude, float RunwayElevation);
  void DrawSelected(float SelectedAltitude);

  static constexpr double kCentreY = 67.75;      // current altitude
  static constexpr double kUnitsPerFoot = 0.17;  // 17 units per 100 feet
  static double AltitudeY(double a, double A) { return kCentreY + (a - A) * kUnitsPerFoot; }
};

class TAltitudeTicker : public TGauge {
 public:
  void Draw(bool Smooth, float Altitude);
};

class TVSI : public TGauge {
 public:
  void Draw(bool Smooth, float VerticalSpeed);  // ft/min

  // Height of the pointer's inner end on the scale for a vertical speed
  // (before the translation to the scale's origin): 56 at 0 ft/min,
  // limited to 8 and 104 beyond -6000 and +6000 ft/min.
  static double PointerY(double VerticalSpeed);
};
