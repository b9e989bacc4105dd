// Heading scale and flight mode annunciator of the PFD.
#pragma once
#include <array>
#include <string>

#include "pfd/Ugauges.h"

class THeading : public TGauge {
 public:
  // Heading, SelectedHeading and Drift in degrees; Latitude decides
  // between "MAG" and "TRU".
  void Draw(float Heading, float SelectedHeading, float Drift, double Latitude);

  // Heading folded into 0 (inclusive) to 360 (exclusive); NaN gives 0.
  static double FoldHeading(double Heading);
  // Heading minus selected heading folded into -180..180, then limited to
  // -32..32: the selected-heading marker's offset in degrees of heading.
  static double SelectedOffset(double Heading, double SelectedHeading);
};

class TFMA : public TGauge {
 public:
  // Index 0 of each array is system (or autopilot channel) 1.
  std::array<bool, 4> BusPowered{};
  std::array<bool, 4> HydraulicOff{};
  std::array<bool, 3> ApCommand{};
  std::array<bool, 3> ApChannel{};  // autopilot channel counted as engaged
  bool ApproachFlag = false;
  bool FdFlag = false;

  // Autopilot, hydraulic and power state, taken after every broker line.
  void SetAutopilotState(const std::array<int, 4>& AcBusPowered, const std::array<int, 4>& HydOff,
                         const std::array<int, 3>& APCmd, int ApproachArmed, bool FdOn);
  void Draw(int& Thrust, int& Roll, int& Pitch, int& RollArmed, int& PitchArmed, int& SpeedTimer,
            int& RollTimer, int& PitchTimer, int& AtActive);

  // Mode texts of the broker's mode codes; an unknown code gives "".
  static std::string RollText(int Code);
  static std::string PitchText(int Code);
  // Thrust mode text from the thrust code and the active roll and pitch
  // codes; "" while the autothrottle is not active.
  static std::string ThrustText(int Thrust, int Roll, int Pitch, int AtActive, double DisplayedAltitude,
                                double SelectedAltitude);
  // The autopilot status line below the annunciator ("CMD", "LAND2",
  // "LAND3", "NO AUTOLAND", "FD" or "" for none) and its x.
  struct Status {
    std::string Text;
    double X = 0;
    bool Amber = false;
  };
  Status AutopilotStatus(int RadioHeight) const;
};
