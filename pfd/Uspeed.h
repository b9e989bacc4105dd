// Speed tape and speed readout of the PFD.
#pragma once
#include <string>

#include "pfd/Ugauges.h"

class TSpeedTape : public TGauge {
 public:
  void Draw(int SpeedTrend, float Ias, float SelectedSpeed, float SelectedMachCas, float HighBuffetSpeed,
            float StickShakerSpeed, float Vref30P90, float DelayedFlapPos, float InitialFlapMoved,
            double PitotIce);
  void DrawSelectedSpeedAndMach(double SelectedSpeed, double RoundMach, double GroundSpeed, double PitotIce);
  void DrawSpeedBugs(int DelayedFlapPos, double Ias, double PitotIce);
  // Takes one broker line.
  void ParseLine(const std::string& Line);
};

class TSpeedTicker : public TGauge {
 public:
  void Draw(bool Smooth, float Ias, double PitotIce);
};
