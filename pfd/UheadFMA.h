// Heading scale and flight mode annunciator of the PFD.
#pragma once
#include <array>

#include "pfd/Ugauges.h"

class THeading : public TGauge {
 public:
  void Draw(float Heading, float SelectedHeading, float Drift, double Latitude);
};

class TFMA : public TGauge {
 public:
  // Autopilot, hydraulic and power state, taken after every broker line.
  // Index 0 of each array is system 1.
  void SetAutopilotState(const std::array<int, 4>& AcBusPowered, const std::array<int, 4>& HydOff,
                         const std::array<int, 3>& APCmd, int ApproachArmed, bool FdOn);
  void Draw(int& Thrust, int& Roll, int& Pitch, int& RollArmed, int& PitchArmed, int& SpeedTimer,
            int& RollTimer, int& PitchTimer, int& AtActive);
};
