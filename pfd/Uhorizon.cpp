#include "pfd/Uhorizon.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <string>

#include "shared/Ufonts.h"
#include "support/opengl/CgDraw.h"
#include "nd/Uirs.h"
#include "shared/BrokerValue.h"
#include "platform/Numbers.h"

std::unique_ptr<THorizon> Horizon;

namespace {

constexpr float kCentreX = 50, kCentreY = 54;  // where the aircraft symbol sits
constexpr int kNoAdvisory = -9999;
constexpr int kNoDeviation = -46;

void Sky() { glColor3ub(65, 145, 254); }
void Ground() { glColor3ub(150, 99, 48); }

using cgdraw::PrintAt;
// Lines of the attitude indicator are drawn inside open GL_LINES groups.
void Line(float x0, float y0, float x1, float y1) { cgdraw::LineVertices(x0, y0, x1, y1); }

// Raw 16-bit two's complement deviation as sent by the simulator.
float SignedDeviation(float v) { return v > 200 ? v - 65536 : v; }

// A small circle marking a deviation scale position.
void Dot(float x, float y, float r) {
  glBegin(GL_LINE_LOOP);
  for (int i = 0; i < 12; ++i) {
    const double a = i * 30.0 * std::numbers::pi / 180.0;
    glVertex2d(x + r * std::sin(a), y + r * std::cos(a));
  }
  glEnd();
}

void Diamond(bool filled, float cx, float cy, float hx, float hy) {
  glBegin(filled ? GL_POLYGON : GL_LINE_LOOP);
  glVertex2f(cx - hx, cy);
  glVertex2f(cx, cy + hy);
  glVertex2f(cx + hx, cy);
  glVertex2f(cx, cy - hy);
  glEnd();
}

void ClearStencil() {
  glStencilMask(1);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
}

// Integer division truncating toward zero, in a width that cannot overflow.
std::int64_t T(std::int64_t a, std::int64_t b) { return a / b; }

// The bank-scale area's lower edge: above it the ladder is masked.
constexpr float kBankMaskEdge[][2] = {{0, 66},  {10, 66}, {20, 82}, {30, 90.5}, {40, 95}, {50, 96},
                                      {60, 95}, {70, 90.5}, {80, 82}, {90, 66}, {100, 66}};

void DrawPitchLimit(int HorPitchLim, float lineWidth) {
  glPushMatrix();
  glTranslatef(0, (57.0f - static_cast<float>(HorPitchLim)) * 5.0f / 6.0f, 0);
  cgdraw::AmberColour();
  glLineWidth(lineWidth);
  glBegin(GL_LINES);
  Line(-26, 0, -19, 0);
  Line(-19, 0, -19, -2);
  Line(-26, 3, -24, 0);
  Line(-24.5f, 3, -22.5f, 0);
  Line(-23, 3, -21, 0);
  Line(26, 3, 24, 0);
  Line(24.5f, 3, 22.5f, 0);
  Line(23, 3, 21, 0);
  Line(19, -2, 19, 0);
  Line(19, 0, 26, 0);
  glEnd();
  glPopMatrix();
}

void DrawLadder(float Pitch, float Bank) {
  glBegin(GL_LINES);
  if (!(std::fabs(Pitch) == 25 && Bank == 0)) Line(-100, 0, 100, 0);
  for (int i = -10; i <= 10; ++i) {
    const float y = 10.0f * (2 * i + 1);
    Line(-10, y, 10, y);
  }
  for (int j = -10; j <= 10; ++j) {
    Line(-5, 5.0f * (4 * j + 1), 5, 5.0f * (4 * j + 1));
    Line(-5, 5.0f * (4 * j + 3), 5, 5.0f * (4 * j + 3));
  }
  for (int k = -10; k <= 10; ++k) {
    if (k == 0) continue;
    Line(-20, 20.0f * k, 20, 20.0f * k);
  }
  glEnd();
  if (!Font6 || Font6->Size == 0) return;
  // Every point of the box lies within 74 units of the attitude centre; a
  // label farther than that along the ladder (its glyphs reach less than 5
  // units beside its line) would be clipped whole, so it is not drawn.
  // Glyphs are by far the most expensive part of the ladder.
  constexpr float kBoxReach = 74, kLabelHalfHeight = 5;
  for (int k = -10; k <= 10; ++k) {
    if (k == 0) continue;
    if (std::fabs(20.0f * k - 2 * Pitch) - kLabelHalfHeight > kBoxReach) continue;
    const std::string label = std::to_string(std::abs(k) * 10);
    const float y = 20.0f * k / Font6->Size - 0.35f;
    Font6->Print(label.c_str(), -4.5f, y, 0);
    Font6->Print(label.c_str(), 3.7f, y, 0);
  }
}

// Black frame around the indicator with rounded inner corners.
void DrawMasks() {
  cgdraw::BlackColour();
  glRectf(-5, -5, 0, 120);
  glRectf(100, -5, 105, 120);
  glRectf(-5, 108, 115, 113);
  glRectf(-5, 0, 115, -5);
  struct Corner {
    float x, y, from;
  };
  static constexpr Corner kCorners[4] = {{0, 0, 180}, {0, 108, 270}, {100, 108, 0}, {100, 0, 90}};
  for (const Corner& c : kCorners) {
    const float sx = c.x > 0 ? 1.0f : -1.0f;
    const float sy = c.y > 0 ? 1.0f : -1.0f;
    const double cx = c.x - 7 * sx, cy = c.y - 7 * sy;
    glBegin(GL_TRIANGLE_FAN);
    glVertex2f(c.x + sx, c.y + sy);
    for (int step = 0; step <= 6; ++step) {  // 90 degrees in steps of 15
      const double a = (c.from + 15.0 * step) * std::numbers::pi / 180.0;
      glVertex2d(cx + 7 * std::sin(a), cy + 7 * std::cos(a));
    }
    glEnd();
  }
}

void DrawAircraftSymbol(float outlineWidth) {
  glEnable(GL_LINE_SMOOTH);
  cgdraw::BlackColour();
  glRectf(-1.25f, -1.25f, 1.25f, 1.25f);
  for (float side : {1.0f, -1.0f}) {
    glRectf(side * 19, -1.25f, side * 39, 1.25f);
    glRectf(side * 19, -5.75f, side * 22, -1.25f);
  }
  cgdraw::WhiteColour();
  glLineWidth(outlineWidth);
  glBegin(GL_LINE_LOOP);
  glVertex2f(-1.25f, -1.25f);
  glVertex2f(1.25f, -1.25f);
  glVertex2f(1.25f, 1.25f);
  glVertex2f(-1.25f, 1.25f);
  glEnd();
  for (float side : {1.0f, -1.0f}) {
    glBegin(GL_LINE_LOOP);
    glVertex2f(side * 39, 1.25f);
    glVertex2f(side * 19, 1.25f);
    glVertex2f(side * 19, -5.75f);
    glVertex2f(side * 22, -5.75f);
    glVertex2f(side * 22, -1.25f);
    glVertex2f(side * 39, -1.25f);
    glEnd();
  }
}

}  // namespace

void THorizon::SetAdvisory(int ClimbRate, int DescendRate, int VerticalSpeed) {
  AdvisoryClimbRate = ClimbRate;
  AdvisoryDescendRate = DescendRate;
  CurrentVerticalSpeed = VerticalSpeed;
}

void THorizon::SetScale(int Size) { HorizonLineWidth = static_cast<float>(Size) * 0.5f / 100.0f; }

void THorizon::Draw(bool FdOn, bool Smooth, float Pitch, float Bank, float FdPitch, float FdBank,
                    float LocDeviation, float GlideDeviation, int FineLoc) {
  // The turns and shifts below are made of these two.
  Pitch = static_cast<float>(cgdraw::Finite(Pitch));
  Bank = static_cast<float>(cgdraw::Finite(Bank));
  const int status = Irs ? Irs->AttitudeStatus() : 0;
  const bool valid = status == 2;

  glLineWidth(2);

  // Sky and ground, turned with bank and moved with pitch (2 units a degree).
  if (valid) {
    glPushMatrix();
    glTranslatef(kCentreX, kCentreY, 0);
    glRotated(Bank, 0, 0, 1);
    glTranslated(0, -2.0 * Pitch, 0);
    Ground();
    glBegin(GL_POLYGON);
    glVertex2f(-300, -300);
    glVertex2f(-300, 0);
    glVertex2f(300, 0);
    glVertex2f(300, -300);
    glEnd();
    Sky();
    glBegin(GL_POLYGON);
    glVertex2f(-300, 0);
    glVertex2f(-300, 300);
    glVertex2f(300, 300);
    glVertex2f(300, 0);
    glEnd();
    glPopMatrix();
  }

  ClearStencil();
  glEnable(GL_STENCIL_TEST);

  // Stencil 1 over the bank-scale area (and the deviation scales when
  // shown): the ladder is not drawn there.
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glDepthMask(GL_FALSE);
  glStencilFunc(GL_ALWAYS, 1, 1);
  glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
  glStencilMask(1);
  glBegin(GL_QUADS);
  for (size_t i = 0; i + 1 < std::size(kBankMaskEdge); ++i) {
    glVertex2f(kBankMaskEdge[i][0], kBankMaskEdge[i][1]);
    glVertex2f(kBankMaskEdge[i + 1][0], kBankMaskEdge[i + 1][1]);
    glVertex2f(kBankMaskEdge[i + 1][0], 108);
    glVertex2f(kBankMaskEdge[i][0], 108);
  }
  glEnd();
  LocDeviation = SignedDeviation(LocDeviation);
  GlideDeviation = SignedDeviation(GlideDeviation);
  const bool deviations = LocDeviation != kNoDeviation || GlideDeviation != kNoDeviation;
  if (deviations) {
    glRectf(4, -2, 96, 6);
    glRectf(92, 6, 100, 98);
  }
  glDisable(GL_STENCIL_TEST);

  // Bank scale, fixed to the box; positive angles counter-clockwise.
  glStencilMask(1);
  glDepthMask(GL_TRUE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glLineWidth(HorizonLineWidth * 0.5f);
  cgdraw::WhiteColour();
  glPushMatrix();
  glTranslatef(kCentreX, kCentreY, 0);
  glBegin(GL_TRIANGLES);
  glVertex2f(0, 51);
  glVertex2f(-2.3f, 54);
  glVertex2f(2.3f, 54);
  glEnd();
  struct Tick {
    float angle, length;
  };
  static constexpr Tick kTicks[] = {{10, 3}, {20, 3}, {30, 7}, {45, 3}};
  glBegin(GL_LINES);
  for (const Tick& t : kTicks)
    for (float sign : {1.0f, -1.0f}) {
      const double a = sign * t.angle * std::numbers::pi / 180.0;
      glVertex2d(-51 * std::sin(a), 51 * std::cos(a));
      glVertex2d(-(51 + t.length) * std::sin(a), (51 + t.length) * std::cos(a));
    }
  glEnd();
  glPopMatrix();

  // From here on only where the stencil is 0.
  glEnable(GL_STENCIL_TEST);
  glStencilFunc(GL_EQUAL, 0, 255);

  glPushMatrix();
  glTranslatef(kCentreX, kCentreY, 0);
  // The pitch limit moves neither with pitch nor with bank.
  if (valid && FlapYPix != 261 && FlapYPix != 0) DrawPitchLimit(HorPitchLim, HorizonLineWidth * 0.6f);
  glRotated(Bank, 0, 0, 1);
  glTranslated(0, -2.0 * Pitch, 0);
  cgdraw::WhiteColour();
  glLineWidth(1);
  if (Smooth) {
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
  }
  if (valid) DrawLadder(Pitch, Bank);
  glDisable(GL_STENCIL_TEST);
  ClearStencil();
  glPopMatrix();

  DrawMasks();

  glPushMatrix();
  glTranslatef(kCentreX, kCentreY, 0);

  // TCAS resolution advisory pitch bands: the red chevrons bound the
  // pitch region to avoid. The descend rate comes as a positive number of
  // feet per minute; as a vertical speed it is a descent.
  glColor3f(0.9f, 0.2f, 0);
  glLineWidth(2);
  const std::int64_t vs = CurrentVerticalSpeed;
  if (AdvisoryClimbRate == kNoAdvisory) {
    ClimbBand = kNoAdvisory;
  } else {
    const std::int64_t band = platform::SafeRound(-Pitch) + T(-T(AdvisoryClimbRate - vs, 40), 10);
    ClimbBand = platform::SafeRound(static_cast<double>(band));
    if (AdvisoryClimbRate == 0) ClimbBand = -platform::SafeRound(Pitch - 1.0);
  }
  if (ClimbBand != kNoAdvisory) {
    const float y0 = -2.0f * ClimbBand - 2 * Pitch + 2;
    glBegin(GL_LINE_STRIP);
    glVertex2f(-50, y0 - 130);
    glVertex2f(-7, y0);
    glVertex2f(7, y0);
    glVertex2f(50, y0 - 130);
    glEnd();
  }
  if (AdvisoryDescendRate == kNoAdvisory) {
    DescendBand = kNoAdvisory;
  } else {
    const std::int64_t descent = -static_cast<std::int64_t>(AdvisoryDescendRate);
    const std::int64_t band = platform::SafeRound(Pitch) + T(T(descent - vs, 40), 10);
    DescendBand = platform::SafeRound(static_cast<double>(band));
    if (AdvisoryDescendRate == 0) DescendBand = platform::SafeRound(Pitch + 1.0);
  }
  if (DescendBand != kNoAdvisory) {
    const float y0 = 2.0f * DescendBand - 2 * Pitch - 2;
    glBegin(GL_LINE_STRIP);
    glVertex2f(-50, y0 + 130);
    glVertex2f(-7, y0);
    glVertex2f(7, y0);
    glVertex2f(50, y0 + 130);
    glEnd();
  }

  DrawAircraftSymbol(HorizonLineWidth * 0.5f);

  // Flight director bars.
  if (FdOn && valid) {
    cgdraw::SelectedColour();
    glLineWidth(HorizonLineWidth);
    const float y = (57 - FdPitch) * 5 / 6;
    const float x = FdBank >= 32767 ? FdBank - 65536 : FdBank;
    glBegin(GL_LINES);
    Line(-24, y, 24, y);
    Line(x, -24, x, 24);
    glEnd();
    glLineWidth(1);
  }

  // Bank pointer.
  if (valid) {
    glRotated(Bank, 0, 0, 1);
    cgdraw::WhiteColour();
    glLineWidth(2);
    glBegin(GL_LINE_LOOP);
    glVertex2f(-4.5f, 44.5f);
    glVertex2f(4.5f, 44.5f);
    glVertex2f(4.5f, 46.5f);
    glVertex2f(-4.5f, 46.5f);
    glEnd();
    glBegin(GL_LINE_STRIP);
    glVertex2f(-4.5f, 46.5f);
    glVertex2f(0, 51);
    glVertex2f(4.5f, 46.5f);
    glEnd();
    glRotated(-Bank, 0, 0, 1);
  }

  // Localizer and glide path deviation scales.
  if (deviations) {
    glTranslatef(0, -5, 0);
    glBegin(GL_LINES);
    Line(0, -42, 0, -50);
    Line(42, 5, 50, 5);
    glEnd();
    glLineWidth(2);
    const float dotWidth = HorizonLineWidth * 0.5f;
    if (FineLoc == 0) {
      glLineWidth(dotWidth);
      for (float x : {-36.0f, -18.0f, 18.0f, 36.0f}) Dot(x, -46, Scale);
    } else {
      for (float x : {-36.0f, 36.0f}) {
        glBegin(GL_LINE_LOOP);
        glVertex2f(x - 1.5f, -47.5f);
        glVertex2f(x + 1.5f, -47.5f);
        glVertex2f(x + 1.5f, -44.5f);
        glVertex2f(x - 1.5f, -44.5f);
        glEnd();
      }
    }
    glLineWidth(dotWidth);
    for (float y : {-23.0f, -9.0f, 19.0f, 33.0f}) Dot(46, y, Scale);
    cgdraw::SelectedColour();
    constexpr float s = 3.5f;
    Diamond(std::fabs(LocDeviation) <= 109, LocDeviation / 2.5f, -46, 1.2f * s, 0.8f * s);
    Diamond(std::fabs(GlideDeviation) <= 40, 46, 5 - (GlideDeviation - 4) / 1.3f, 0.8f * s, 1.2f * s);
    glTranslatef(0, 5, 0);
  }
  glPopMatrix();

  if (status == 0) {
    glLineWidth(1);
    cgdraw::AmberColour();
    glBegin(GL_LINE_LOOP);
    glVertex2f(42, 75);
    glVertex2f(58, 75);
    glVertex2f(58, 67);
    glVertex2f(42, 67);
    glEnd();
    PrintAt(Font050, "ATT", 44, 68.5f);
  }
  if (Smooth) glDisable(GL_LINE_SMOOTH);
}

const char* THorizon::AlertText() const {
  const char* text = " ";
  if (PullUpPfd == 1) text = "PULL UP";
  if (WindShrSpd != 0 && Ac3BusFail <= 0 && (StatusMsg10 & 0x20) == 0 && (WxArea == 1 || WxArea == 5) &&
      (WindShrSpd > 0 || AoPosWindshr > 0))
    text = "WINDSHEAR";
  return text;
}

void THorizon::DrawAlerts() {
  glDisable(GL_SCISSOR_TEST);
  glColor3f(1, 0, 0);
  PrintAt(Font10, AlertText(), 28, -10);
}

void THorizon::ParseLine(std::string_view Line) {
  if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
  if (Line.find("MV.") == std::string_view::npos || brokerlink::IsConnLine(Line)) return;
  using brokerlink::ReadBrokerInt;
  ReadBrokerInt(Line, "MV.FlapYPix", FlapYPix);
  ReadBrokerInt(Line, "MV.HorPitchLim", HorPitchLim);
  ReadBrokerInt(Line, "MV.PullUpPfd", PullUpPfd);
  ReadBrokerInt(Line, "MV.WindShrSpd", WindShrSpd);
  ReadBrokerInt(Line, "MV.StatusMsg10", StatusMsg10);
  ReadBrokerInt(Line, "MV.aoPosWindshr", AoPosWindshr);
  ReadBrokerInt(Line, "MV.Ac3BusFail", Ac3BusFail);
  ReadBrokerInt(Line, "MV.WxArea", WxArea);
}
