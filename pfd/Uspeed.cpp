#include "pfd/Uspeed.h"

#include <GL/gl.h>

#include <cmath>

#include "shared/Ufonts.h"
#include "nd/Uirs.h"
#include "support/opengl/CgDraw.h"
#include "shared/BrokerValue.h"
#include "platform/Numbers.h"

using cgdraw::Line;
using cgdraw::Number;
using cgdraw::PrintAt;
using cgdraw::PrintUnits;

namespace {

constexpr double kTapeTop = 136.0;

// A filled block of a barber pole with its lower edge at y.
void PoleBlock(double y) {
  glBegin(GL_QUADS);
  glVertex2d(27, y);
  glVertex2d(29.5, y);
  glVertex2d(29.5, y + 2);
  glVertex2d(27, y + 2);
  glEnd();
}

// The amber band at the right edge of the tape from y1 to y2.
void AmberBand(double y1, double y2) {
  cgdraw::AmberColour();
  glBegin(GL_LINE_STRIP);
  glVertex2d(27, y1);
  glVertex2d(28.5, y1);
  glVertex2d(28.5, y2);
  glEnd();
}

bool IsPositionValid() { return Irs != nullptr && Irs->PositionValid(); }

}  // namespace

double TSpeedTape::DisplayedSpeed(double Ias, double PitotIce) {
  return platform::Clamp(Ias * PitotIce, 30.0, 999.0);  // NaN gives 30
}

TSpeedTape::PoleRun TSpeedTape::LowerPole(double yStart) {
  PoleRun run;
  if (std::isnan(yStart)) return run;
  // Lower by whole steps of 6 until the block is at or below 142 ...
  double y = yStart;
  if (y > 142.0) {
    const double r = std::isinf(y) ? 0.0 : std::fmod(y - 142.0, 6.0);
    y = (r == 0.0) ? 142.0 : 136.0 + r;
  }
  // ... then one block and further ones while they stay at or above -7.
  run.First = y;
  run.Count = 1 + (y >= -7.0 ? static_cast<int>(std::floor((y + 7.0) / 6.0)) : 0);
  return run;
}

void TSpeedTape::Draw(int SpeedTrend, float Ias, float SelectedSpeed, float SelectedMachCas,
                      float HighBuffetSpeed, float StickShakerSpeed, float Vref30P90, float DelayedFlapPos,
                      float InitialFlapMoved, double PitotIce) {
  const double v = DisplayedSpeed(Ias, PitotIce);
  auto y = [v](double s) { return SpeedY(s, v); };
  // The selected Mach number's airspeed has no value above the altitude
  // where its conversion fails; the marker is then not drawn (see below).
  const double sel = SelectedSpeed > 400 ? SelectedMachCas : SelectedSpeed;
  // Broker speeds made finite so that no vertex is NaN or infinite.
  const double highBuffet = cgdraw::Finite(HighBuffetSpeed, 1e5);
  const double stickShaker = cgdraw::Finite(StickShakerSpeed, 1e5);
  const double vref30 = cgdraw::Finite(Vref30P90, 1e5);

  // Tape.
  cgdraw::BackgroundColour();
  glBegin(GL_POLYGON);
  glVertex2d(0, 0);
  glVertex2d(0, kTapeTop);
  glVertex2d(27, kTapeTop);
  glVertex2d(27, 0);
  glEnd();
  cgdraw::WhiteColour();
  glLineWidth(LineWidth);

  // Ticks every 10 knots, figures every 20, none below 30 knots.
  const int base = (platform::SafeRound(v) / 10) * 10;
  const int order[15] = {0, 1, 2, 3, 4, 5, 6, 7, -7, -6, -5, -4, -3, -2, -1};
  for (int i : order) {
    const int s = base + 10 * i;
    if (s < 30) continue;
    const double ys = y(s);
    Line(23.3, ys, 27, ys);
    if (s % 20 != 0) continue;
    const double py = ys / 8.0 - 0.35;
    const int h = s / 100;
    const int t = (s % 100) / 10;
    if (h > 0) {
      PrintUnits(Font8, Number(h), 0.8, py);
      PrintUnits(Font8, Number(t), 1.3, py);
    } else if (t > 0) {
      PrintUnits(Font8, Number(t), 1.3, py);
    }
    PrintUnits(Font8, "0", 1.8, py);
  }

  // Masks above and below the readout and beyond the tape's ends.
  cgdraw::BackgroundColour();
  glLineWidth(5);
  Line(0, 57.8, 20, 57.8);
  Line(0, 78.1, 20, 78.1);
  cgdraw::BlackColour();
  glRectf(0, 0, 27, -5);
  glRectf(0, 136, 27, 141);

  // Selected speed (a Mach number above 400 is shown at its airspeed).
  if (std::isfinite(sel)) {
    const double ym = platform::Clamp(y(sel), 0.0, kTapeTop);
    glLineWidth(LineWidth);
    cgdraw::SelectedColour();
    glBegin(GL_LINE_LOOP);
    glVertex2d(23.3, ym);
    glVertex2d(27, ym + 2.2666667);
    glVertex2d(32.55, ym + 2.2666667);
    glVertex2d(32.55, ym - 2.2666667);
    glVertex2d(27, ym - 2.2666667);
    glEnd();
  }

  // Speed trend arrow.
  if (SpeedTrend > 5 || SpeedTrend < -5) {
    const double L = SpeedTrend * 0.715 / 10.0 * 11.333333;
    const double g = (L > 0) - (L < 0);
    glLineWidth(1);
    cgdraw::GreenColour();
    Line(22, kCentreY, 22, kCentreY + L);
    Line(21, kCentreY + L - 2 * g, 22, kCentreY + L);
    Line(22, kCentreY + L, 23, kCentreY + L - 2 * g);
  }

  // Manoeuvre margins.
  if (DelayedFlapPos == 0 && FlapYPix == 261) AmberBand(y(highBuffet - 8.0), y(highBuffet + 0.5));
  if (InitialFlapMoved == 1) AmberBand(y(vref30), y(stickShaker - 0.5));

  // Barber poles.
  glColor3f(1, 0.2f, 0);
  for (int i = 0; i < 17; ++i) PoleBlock(y(highBuffet) + 6.0 * i);
  const PoleRun lower = LowerPole((stickShaker < 90 ? y(base - 200.0) : y(stickShaker)) - 3.0);
  for (int i = 0; i < lower.Count; ++i) PoleBlock(lower.First - 6.0 * i);
}

void TSpeedTape::DrawSelectedSpeedAndMach(double SelectedSpeed, double RoundMach, double GroundSpeed,
                                          double PitotIce) {
  glDisable(GL_SCISSOR_TEST);

  // Selected speed above the tape; from 400 on it reads as a Mach number.
  const int n = platform::SafeRound(SelectedSpeed);
  cgdraw::SelectedColour();
  if (n >= 400) PrintAt(Font10, ".", 8, 140, -0.2);
  PrintAt(Font10, Number(n / 100), 8, 140);
  PrintAt(Font10, Number((n % 100) / 10), 13, 140);
  PrintAt(Font10, Number(n % 10), 18, 140);

  // Mach number from 400 (Mach 0.4) on, else the ground speed once a
  // position is known.
  const double mach = RoundMach * PitotIce;
  const bool showMach = mach >= 400;
  const double w = showMach ? mach : GroundSpeed;
  if (w >= 400 || IsPositionValid()) {
    const int m = platform::SafeRound(w);
    const int h = m / 100, t = (m % 100) / 10, u = m % 10;
    cgdraw::WhiteColour();
    if (showMach) {
      PrintAt(Font10, ".", 8, -10, -0.2);
      PrintAt(Font10, Number(h), 8, -10);
      PrintAt(Font10, Number(t), 13, -10);
    } else {
      PrintAt(Font6, "GS", 8, -10, -1.3);
      if (h > 0) PrintAt(Font10, Number(h), 8, -10);
      if (h > 0 || t > 0) PrintAt(Font10, Number(t), 13, -10);
    }
    PrintAt(Font10, Number(u), 18, -10);
  }

  if (Clip) glEnable(GL_SCISSOR_TEST);
}

void TSpeedTape::DrawSpeedBugs(int DelayedFlapPos, double Ias, double PitotIce) {
  const double v = DisplayedSpeed(Ias, PitotIce);
  glLineWidth(LineWidth);
  cgdraw::GreenColour();
  auto marker = [v](const char* label, double s) {
    const double ys = SpeedY(s, v);
    if (!std::isfinite(ys)) return;
    Line(24.41, ys, 27, ys);
    PrintAt(Font035, label, 27.5, ys - 1.75);
  };

  if (GndOnce > 0) {
    // At flap position p the markers of positions p - 1 and p (only "UP"
    // with the flaps up); no marker for a position beyond the table.
    const struct {
      const char* label;
      std::int32_t speed;
    } flaps[5] = {{"UP", DispVf00}, {"1", DispVf01}, {"5", DispVf05}, {"10", DispVf10}, {"20", DispVf20}};
    if (DelayedFlapPos >= 0 && DelayedFlapPos <= 4) {
      if (DelayedFlapPos > 0)
        marker(flaps[DelayedFlapPos - 1].label, FlapMarkerSpeed(flaps[DelayedFlapPos - 1].speed));
      marker(flaps[DelayedFlapPos].label, FlapMarkerSpeed(flaps[DelayedFlapPos].speed));
    }
    if (DispVref > 1 || DispVref < -1) marker("REF", FlapMarkerSpeed(DispVref));
  }
  if (GndOnce == 0) {
    if ((V1bug > 1 || V1bug < -1) && V1Conf == 1) marker("V1", VSpeedMarkerSpeed(V1bug));
    if ((VRbug > 1 || VRbug < -1) && VrConf == 1) marker("VR", VSpeedMarkerSpeed(VRbug));
  }

  // No V-speeds entered before take-off.
  if (NoVSpd == 1 && GndOnce == 0 && (v < 99.9 || FlightPhase <= 2)) {
    cgdraw::AmberColour();
    PrintAt(Font035, "NO", 27.5, 130);
    PrintAt(Font035, "V", 27.5, 125.5);
    PrintAt(Font035, "SPD", 27.5, 121);
  }
}

void TSpeedTape::ParseLine(const std::string& Line) {
  std::string_view copy = Line;
  if (!copy.empty() && copy.back() == '\r') copy.remove_suffix(1);
  if (copy.find("MV.") == std::string_view::npos || brokerlink::IsConnLine(Line)) return;
  struct Item {
    const char* name;
    std::int32_t TSpeedTape::*field;
  };
  static constexpr Item kItems[] = {
      {"MV.DispVf00", &TSpeedTape::DispVf00},
      {"MV.DispVf01", &TSpeedTape::DispVf01},
      {"MV.DispVf05", &TSpeedTape::DispVf05},
      {"MV.DispVf10", &TSpeedTape::DispVf10},
      {"MV.DispVf20", &TSpeedTape::DispVf20},
      {"MV.DispVref", &TSpeedTape::DispVref},
      {"MV.V1bug", &TSpeedTape::V1bug},
      {"MV.VRbug", &TSpeedTape::VRbug},
      {"MV.GndOnce", &TSpeedTape::GndOnce},
      {"MV.NoVSpd", &TSpeedTape::NoVSpd},
      {"MV.V1Conf", &TSpeedTape::V1Conf},
      {"MV.VrConf", &TSpeedTape::VrConf},
      {"MV.FlightPhase", &TSpeedTape::FlightPhase},
      {"MV.FlapYPix", &TSpeedTape::FlapYPix},
  };
  for (const Item& item : kItems) brokerlink::ReadBrokerInt(copy, item.name, this->*item.field);
}

void TSpeedTicker::Draw(bool Smooth, float Ias, double PitotIce) {
  const double v = TSpeedTape::DisplayedSpeed(Ias, PitotIce);
  if (Smooth) {
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
  }
  cgdraw::BlackColour();
  glRectd(0, 0, 18, 17);
  glBegin(GL_TRIANGLES);
  glVertex2d(18, 7);
  glVertex2d(21, 9);
  glVertex2d(18, 11);
  glEnd();
  cgdraw::BackgroundColour();
  glRectf(0, 0, 19, -1);
  glRectf(0, 18, 19, 19);
  cgdraw::WhiteColour();
  if (Smooth) glDisable(GL_LINE_SMOOTH);

  // Rolling drums: the units roll continuously, the tens and hundreds roll
  // while the digit below them passes from 9 to 0.
  const int n = platform::SafeTrunc(v);
  const double r = (v - n) * 0.75;
  const int h = n / 100, t = (n % 100) / 10, u = n % 10;
  if (n % 100 == 99) {
    if (h >= 1) PrintUnits(Font10, Number(h), 0.15, 0.6 - r);
    PrintUnits(Font10, Number(h + 1), 0.15, 1.35 - r);
  } else if (h >= 1) {
    PrintUnits(Font10, Number(h), 0.15, 0.6);
  }
  if (u == 9) {
    PrintUnits(Font10, Number(t), 0.65, 0.6 - r);
    PrintUnits(Font10, Number((t + 1) % 10), 0.65, 1.35 - r);
  } else {
    PrintUnits(Font10, Number(t), 0.65, 0.6);
  }
  PrintUnits(Font10, Number(u), 1.15, 0.6 - r);
  PrintUnits(Font10, Number((u + 1) % 10), 1.15, 1.35 - r);
  PrintUnits(Font10, Number((u + 2) % 10), 1.15, 2.1 - r);
  PrintUnits(Font10, Number((u + 9) % 10), 1.15, -0.15 - r);
  PrintUnits(Font10, Number((u + 8) % 10), 1.15, -0.9 - r);

  // Window frame.
  cgdraw::BlackColour();
  glRectd(0, 0, 18, 1);
  glRectd(0, 17, 18, 18);
  cgdraw::BackgroundColour();
  glRectf(0, 0, 19, -1);
  glRectf(0, 18, 19, 19);
  cgdraw::WhiteColour();
  glLineWidth(LineWidth);
  glBegin(GL_LINE_LOOP);
  glVertex2d(0.5, 0);
  glVertex2d(0.5, 18);
  glVertex2d(18, 18);
  glVertex2d(18, 11);
  glVertex2d(21, 9);
  glVertex2d(18, 7);
  glVertex2d(18, 0);
  glEnd();
}
