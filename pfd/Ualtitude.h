// Altitude tape, altitude readout and vertical speed indicator of the PFD.
#pragma once
#include "pfd/Ugauges.h"

class TAltitudeTape : public TGauge {
 public:
  void Draw(bool Smooth, float Altitude, float SelectedAltitude, float RunwayElevation);
  void DrawSelected(float SelectedAltitude);
};

class TAltitudeTicker : public TGauge {
 public:
  void Draw(bool Smooth, float Altitude);
};

class TVSI : public TGauge {
 public:
  void Draw(bool Smooth, float VerticalSpeed);  // ft/min
};
