// Attitude indicator of the PFD: sky and ground moving with pitch and
// bank, the pitch ladder (kept below the bank scale by the stencil), the
// bank scale and pointer, the aircraft symbol, flight director bars, pitch
// limit indicator, TCAS resolution-advisory pitch bands, localizer and
// glide path deviation scales, the ATT flag and the PULL UP / WINDSHEAR
// alert below the indicator.
#pragma once
#include <memory>
#include <string_view>

#include "pfd/Ugauges.h"

class THorizon : public TGauge {
 public:
  float HorizonLineWidth = 0;     // viewport size * 0.5 / 100
  int ClimbBand = -9999;          // RA pitch bands, whole degrees; -9999: none
  int DescendBand = -9999;
  int AdvisoryClimbRate = -9999;  // ft/min; -9999: no advisory
  int AdvisoryDescendRate = -9999;
  int CurrentVerticalSpeed = 0;
  // Broker values of the same names.
  int FlapYPix = 0, HorPitchLim = 0, PullUpPfd = 0, WindShrSpd = 0, WxArea = 0, AoPosWindshr = 0,
      StatusMsg10 = 0, Ac3BusFail = 0;

  // Resolution advisory rates (ft/min, -9999 for none; the descend rate as
  // the TCAS element gives it, a positive number) and the own vertical speed.
  void SetAdvisory(int ClimbRate, int DescendRate, int VerticalSpeed);
  void SetScale(int Size);
  // Pitch and Bank in degrees; FdPitch, FdBank, LocDeviation and
  // GlideDeviation in the simulator's raw units.
  void Draw(bool FdOn, bool Smooth, float Pitch, float Bank, float FdPitch, float FdBank,
            float LocDeviation, float GlideDeviation, int FineLoc);
  // "PULL UP" or "WINDSHEAR" below the indicator, or nothing.
  void DrawAlerts();
  // Takes one broker line.
  void ParseLine(std::string_view Line);

  // The alert text DrawAlerts prints (" " for none).
  const char* AlertText() const;
};

extern std::unique_ptr<THorizon> Horizon;
