#include "pfd/UheadFMA.h"

#include <GL/gl.h>

#include <cmath>

#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "nd/Uirs.h"
#include "support/opengl/CgDraw.h"
#include "pfd/UcommonVariables.h"
#include "platform/Numbers.h"

using cgdraw::Line;
using cgdraw::Number;
using cgdraw::PrintAt;
using cgdraw::PrintUnits;

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
// Centre of the heading card's arc.
constexpr double kCardX = 65.0, kCardY = -55.0;

int HeadingStatus() { return Irs != nullptr ? Irs->HeadingStatus() : 0; }
int IrsQuality(int index) { return Irs != nullptr ? Irs->Quality(index) : 0; }

// Line along the card's radius at card angle a (degrees, clockwise from
// the top) from radius r1 to r2.
void RadialLine(double a, double r1, double r2) {
  const double s = std::sin(a * kDegToRad), c = std::cos(a * kDegToRad);
  Line(kCardX + r1 * s, kCardY + r1 * c, kCardX + r2 * s, kCardY + r2 * c);
}

// Model-view matrix moved to the card's centre and turned by angle degrees
// (counter-clockwise positive); undone by glPopMatrix.
void PushAboutCard(double angle) {
  glPushMatrix();
  glTranslated(kCardX, kCardY, 0);
  glRotated(angle, 0, 0, 1);
}

void LineLoop(std::initializer_list<std::pair<double, double>> points) {
  glBegin(GL_LINE_LOOP);
  for (const auto& p : points) glVertex2d(p.first, p.second);
  glEnd();
}

}  // namespace

double THeading::FoldHeading(double Heading) {
  if (!std::isfinite(Heading)) return 0.0;
  double h = std::fmod(Heading, 360.0);
  if (h < 0) h += 360.0;
  if (h >= 360.0) h -= 360.0;  // a tiny negative remainder plus 360
  return h;
}

double THeading::SelectedOffset(double Heading, double SelectedHeading) {
  double d = FoldHeading(Heading) - FoldHeading(SelectedHeading);
  if (d < -180) d += 360;
  if (d > 180) d -= 360;
  return platform::Clamp(d, -32.0, 32.0);
}

void THeading::Draw(float Heading, float SelectedHeading, float Drift, double Latitude) {
  const int status = HeadingStatus();
  if (status < 1) {
    // No heading: only the flag.
    glPushMatrix();
    glScaled(1.25, 1.25, 1.25);
    glLineWidth(1);
    cgdraw::AmberColour();
    glTranslated(52, 7, 0);
    LineLoop({{-8, 3}, {8, 3}, {8, -5}, {-8, -5}});
    glTranslated(-7, -3, 0);
    PrintUnits(Font050, "HDG", 0, 0);
    glPopMatrix();
    return;
  }

  // Every integer step below works on the heading folded into 0..360.
  const double H = FoldHeading(Heading);

  cgdraw::BlackColour();
  glRectd(-1, -1, 131, 35);
  cgdraw::BackgroundColour();
  glBegin(GL_POLYGON);
  for (int a = -60; a <= 60; a += 3)
    glVertex2d(kCardX + 86 * std::sin(a * kDegToRad), kCardY + 86 * std::cos(a * kDegToRad));
  glEnd();
  cgdraw::BlackColour();
  glRectd(-1, -1, 131, 0);
  glRectd(0, 0, 3, 8);
  glRectd(127, 0, 130, 7);
  cgdraw::WhiteColour();

  double rem = H - 30 * (platform::SafeRound(H) / 30);

  if (status >= 2) {
    // Track line.
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(LineWidth * 0.5f);
    cgdraw::WhiteColour();
    PushAboutCard(cgdraw::Finite(Drift, 360.0) * 1.5);
    Line(0, 0, 0, 86);
    Line(-2, 63, 2, 63);
    glPopMatrix();

    // Magnetic or, at polar latitudes, true heading.
    cgdraw::GreenColour();
    glPushMatrix();
    glTranslated(78, 3, 0);
    if (Latitude >= 73 || Latitude <= PolarSouthLimit) {
      PrintUnits(Font8Alias, "TRU", 0, 0);
      cgdraw::WhiteColour();
      glLineWidth(1);
      LineLoop({{-1, 6.5}, {-1, -1}, {15, -1}, {15, 6.5}});
    } else {
      PrintUnits(Font8Alias, "MAG", 0, 0);
    }
    glPopMatrix();

    // Selected heading readout, three digits with leading zeros.
    cgdraw::SelectedColour();
    glPushMatrix();
    glTranslated(39, 3, 0);
    const int s = platform::SafeRound(FoldHeading(SelectedHeading)) % 360;
    PrintUnits(Font8Alias, Number(s / 100), 0, 0);
    PrintUnits(Font8Alias, Number((s % 100) / 10), 0.5, 0);
    PrintUnits(Font8Alias, Number(s % 10), 1.0, 0);
    glPopMatrix();
  }

  cgdraw::WhiteColour();
  if (status == 1) rem = 0;  // aligning: the card stands still

  // Ticks every 5 degrees, long ones every 10.
  const int I = platform::SafeRound(rem);
  for (int J = -180 - I; J <= 180 + I; ++J) {
    const double a = (J - rem) * 1.5;
    if (J % 10 == 0) {
      glLineWidth(2);
      RadialLine(a, 86, 83.5);
    } else if (J % 10 == 5 || J % 10 == -5) {
      glLineWidth(1);
      RadialLine(a, 86, 85);
    }
  }

  // Selected-heading marker, held at the scale's edge when far off.
  PushAboutCard(SelectedOffset(H, SelectedHeading) * 1.5);
  if (status >= 2) {
    cgdraw::SelectedColour();
    Line(0, 86, 0, 82);
    Line(-4, 82, 4, 82);
    Line(-4, 82, -4, 86);
    Line(4, 86, -4, 86);
    Line(4, 86, 4, 82);
  }
  glPopMatrix();

  // Labels every 10 degrees, large every 30.
  cgdraw::WhiteColour();
  const int T = platform::SafeRound(H) / 10;
  PushAboutCard(75 + (H - 10.0 * T) * 1.5);
  if (status >= 2) {
    for (int k = T - 5; k <= T + 5; ++k) {
      const int label = (k + 36) % 36;
      if (label % 3 == 0)
        PrintUnits(Font10, Number(label), -0.5, 7.5);
      else
        PrintUnits(Font8, Number(label), -0.5, 9.5);
      glRotated(-15, 0, 0, 1);
    }
  }
  glPopMatrix();
}

// ---- Flight mode annunciator ----

std::string TFMA::RollText(int Code) {
  static const char* const kTexts[] = {"LOC", "ROLLOUT", "LNAV", "HDG HOLD", "HDG SEL", "ATT", "TO/GA"};
  if (Code < 1 || Code > 7) return "";
  return kTexts[Code - 1];
}

std::string TFMA::PitchText(int Code) {
  static const char* const kTexts[] = {"G/S",  "FLARE", "VNAV SPD", "VNAV PTH", "VNAV ALT",
                                       "V/S",  "TO/GA", "ALT",      "FLCH SPD"};
  if (Code < 1 || Code > 9) return "";
  return kTexts[Code - 1];
}

std::string TFMA::ThrustText(int Thrust, int Roll, int Pitch, int AtActive, double DisplayedAltitude,
                             double SelectedAltitude) {
  if (AtActive == 0) return "";
  const std::string pitch = PitchText(Pitch);
  switch (Thrust) {
    case 1: return (pitch == "VNAV SPD" && DisplayedAltitude < SelectedAltitude) ? "THR REF" : "THR";
    case 2: return pitch == "FLCH SPD" ? "THR" : "THR REF";
    case 3: return "HOLD";
    case 4:
      if (RollText(Roll) == "ROLLOUT" && (Pitch == 0 || Pitch > 9)) return "";
      return pitch == "FLCH SPD" ? "THR" : "IDLE";
    case 5: return "SPD";
    default: return "";
  }
}

void TFMA::SetAutopilotState(const std::array<int, 4>& AcBusPowered, const std::array<int, 4>& HydOff,
                             const std::array<int, 3>& APCmd, int ApproachArmed, bool FdOn) {
  for (int i = 0; i < 4; ++i) {
    BusPowered[i] = AcBusPowered[i] == 1;
    HydraulicOff[i] = HydOff[i] == 1;
  }
  bool anyCommand = false;
  for (int i = 0; i < 3; ++i) {
    ApCommand[i] = APCmd[i] == 1;
    anyCommand = anyCommand || ApCommand[i];
  }
  ApproachFlag = ApproachArmed == 1;
  const bool any = ApproachFlag && anyCommand;
  // Each channel with approach armed needs its hydraulic system, its bus
  // and an IRS that is not failed: channel 1 on system 3, 2 on 1, 3 on 2.
  static constexpr int kSystem[3] = {2, 0, 1};
  for (int i = 0; i < 3; ++i) {
    const int sys = kSystem[i];
    ApChannel[i] = ApCommand[i] || (any && !HydraulicOff[sys] && BusPowered[sys] && IrsQuality(i + 1) != 3);
  }
  FdFlag = FdOn;
}

TFMA::Status TFMA::AutopilotStatus(int RadioHeight) const {
  int count = 0;
  for (bool c : ApChannel) count += c ? 1 : 0;
  if (count == 0 && !FdFlag) return {};
  Status st{"CMD", 39, false};
  if (RadioHeight <= 1500 && ApproachFlag) {
    if (count == 1) st = {"NO AUTOLAND", 17, true};
    if (count == 2) st = {"LAND2", 35, false};
    if (count == 3) st = {"LAND3", 35, false};
  }
  if (count == 0 && FdFlag) st = {"FD", 43, false};
  return st;
}

void TFMA::Draw(int& Thrust, int& Roll, int& Pitch, int& RollArmed, int& PitchArmed, int& SpeedTimer,
                int& RollTimer, int& PitchTimer, int& AtActive) {
  cgdraw::BlackColour();
  glRectd(-1, -1, 101, 11);
  cgdraw::WhiteColour();
  Line(33, 0, 33, 10);
  Line(65, 0, 65, 10);

  const std::string roll = RollText(Roll), rollArmed = RollText(RollArmed);
  const std::string pitch = PitchText(Pitch), pitchArmed = PitchText(PitchArmed);
  const std::string thrust = ThrustText(Thrust, Roll, Pitch, AtActive, DisplayedAltitude, SelectedAltitude);
  // Texts centred in their columns: each character is about half a unit wide.
  auto centred = [](const std::string& t, double centre) { return centre - t.size() / 4.0; };
  const float grey = 0.75f;

  cgdraw::GreenColour();
  PrintUnits(Font6, roll, centred(roll, 7.85), 0.99);
  glColor3f(grey, grey, grey);
  PrintUnits(Font6, rollArmed, centred(rollArmed, 7.85), 0);

  cgdraw::GreenColour();
  PrintUnits(Font6, pitch, centred(pitch, 13.2), 0.99);
  glColor3f(grey, grey, grey);
  PrintUnits(Font6, pitchArmed, centred(pitchArmed, 13.2), 0);

  cgdraw::GreenColour();
  PrintUnits(Font6, thrust, centred(thrust, 3), 0.99);

  // Mode-change boxes while the broker's timers run.
  auto box = [](double x) { LineLoop({{x, 5}, {x, 10}, {x + 28, 10}, {x + 28, 5}}); };
  if (SpeedTimer > 0 && !thrust.empty()) box(0);
  if (RollTimer > 0 && !roll.empty()) box(35);
  if (PitchTimer > 0 && !pitch.empty()) box(67);

  // Autopilot status below the annunciator.
  glDisable(GL_SCISSOR_TEST);
  cgdraw::GreenColour();
  const Status st = AutopilotStatus(RadioHeight);
  if (st.Amber) cgdraw::AmberColour();
  PrintAt(Font10, st.Text, st.X, -25);
}
