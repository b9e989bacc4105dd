// Speed tape and speed readout of the PFD.
#pragma once
#include <cstdint>
#include <string>

#include "pfd/Ugauges.h"

class TSpeedTape : public TGauge {
 public:
  // Broker values of the same names ("MV.DispVf00" ...), raw simulator
  // units: a flap or REF marker stands at (value + 1) * 5 / 7 knots, a V1
  // or VR marker at (value - 1) * 5 / 7 knots.
  std::int32_t DispVf00 = 0, DispVf01 = 0, DispVf05 = 0, DispVf10 = 0, DispVf20 = 0;
  std::int32_t DispVref = 0;
  std::int32_t V1bug = 0, VRbug = 0;
  std::int32_t GndOnce = 0;  // above 0: flap and REF markers; 0: V1 and VR markers
  std::int32_t V1Conf = 0, VrConf = 0;
  std::int32_t NoVSpd = 0;
  std::int32_t FlightPhase = 0;
  std::int32_t FlapYPix = 0;  // 261 with the flaps up

  void Draw(int SpeedTrend, float Ias, float SelectedSpeed, float SelectedMachCas, float HighBuffetSpeed,
            float StickShakerSpeed, float Vref30P90, float DelayedFlapPos, float InitialFlapMoved,
            double PitotIce);
  void DrawSelectedSpeedAndMach(double SelectedSpeed, double RoundMach, double GroundSpeed, double PitotIce);
  void DrawSpeedBugs(int DelayedFlapPos, double Ias, double PitotIce);
  // Takes one broker line.
  void ParseLine(const std::string& Line);

  // ---- Geometry, also used by the tests ----
  static constexpr double kUnitsPerKnot = 34.0 / 30.0;  // 11.333 units per 10 knots
  static constexpr double kCentreY = 68.0;               // current speed
  // Displayed speed: Ias times the pitot icing factor, limited to 30..999.
  static double DisplayedSpeed(double Ias, double PitotIce);
  // Height on the tape of speed s when the displayed speed is v.
  static double SpeedY(double s, double v) { return kCentreY + (s - v) * kUnitsPerKnot; }
  static double FlapMarkerSpeed(std::int32_t raw) { return (static_cast<double>(raw) + 1.0) * 5.0 / 7.0; }
  static double VSpeedMarkerSpeed(std::int32_t raw) { return (static_cast<double>(raw) - 1.0) * 5.0 / 7.0; }

  // Lower barber pole: blocks at First, First - 6, ... (Count blocks),
  // worked out in closed form from the height of its first block.
  struct PoleRun {
    double First = 0;
    int Count = 0;
  };
  static PoleRun LowerPole(double yStart);
};

class TSpeedTicker : public TGauge {
 public:
  void Draw(bool Smooth, float Ias, double PitotIce);
};
