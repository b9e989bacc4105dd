#include "pfd/Ualtitude.h"

#include <GL/gl.h>

#include <cmath>
#include <string>

#include "shared/Ufonts.h"
#include "nd/Uirs.h"
#include "support/opengl/CgDraw.h"
#include "platform/Numbers.h"

using cgdraw::Line;
using cgdraw::Number;
using cgdraw::PrintAt;
using cgdraw::PrintUnits;

namespace {

// Altitudes beyond this many feet are drawn as if they were this.
constexpr double kAltitudeLimit = 1e6;
// A minus sign before a digit moves the text left by this much of its font's size.
constexpr double kSignShift = 0.25;

// A text that carries the sign of a negative number in front of its
// leading digit, and the X at which it starts.
std::string Signed(bool sign, long long digit) { return (sign ? "-" : "") + Number(digit); }
double SignedX(bool sign, double x) { return sign ? x - kSignShift : x; }

// Figure of altitude s at tape height y: ten-thousands and thousands in
// Font8, hundreds and two zeros in Font6. A negative altitude shows its
// true figures with the minus sign in front of the first digit drawn.
void TapeFigure(long long s, double y) {
  bool sign = s < 0;
  const long long m = sign ? -s : s;
  const long long d1 = m / 10000, d2 = (m % 10000) / 1000, d3 = (m % 1000) / 100;
  const double y8 = y / 8.0 - 0.3;
  const double y6 = y * 0.167 - 0.425;
  if (d1 > 0) {
    PrintUnits(Font8, Signed(sign, d1), SignedX(sign, 1.0), y8);
    sign = false;
  }
  if (d2 > 0 || d1 > 0) {
    PrintUnits(Font8, Signed(sign, d2), SignedX(sign, 1.5), y8);
    sign = false;
  }
  PrintUnits(Font6, Signed(sign, d3), SignedX(sign, 2.8), y6);
  PrintUnits(Font6, "0", 3.3, y6);
  PrintUnits(Font6, "0", 3.7, y6);
}

int AttitudeStatus() { return Irs != nullptr ? Irs->AttitudeStatus() : 0; }

void Polygon(std::initializer_list<std::pair<double, double>> points, GLenum mode = GL_POLYGON) {
  glBegin(mode);
  for (const auto& p : points) glVertex2d(p.first, p.second);
  glEnd();
}

}  // namespace

void TAltitudeTape::Draw(bool Smooth, float Altitude, float SelectedAltitude, float RunwayElevation) {
  const double A = cgdraw::Finite(Altitude, kAltitudeLimit);
  auto y = [A](double a) { return AltitudeY(a, A); };

  cgdraw::BackgroundColour();
  glRectf(2.4f, 0, 26.4f, 136);

  // Landing-altitude marks at the active runway's elevation.
  const double y0 = y(cgdraw::Finite(RunwayElevation, kAltitudeLimit));
  glLineWidth(LineWidth * 0.5f);
  cgdraw::AmberColour();
  for (int i = -4; i <= 15; ++i) Line(2 * i + 2.4, y0, 2 * i + 11.4, y0 - 9);
  cgdraw::BlackColour();
  glRectf(-2, 0, 2.4f, 136);
  cgdraw::AmberColour();
  Line(1.4, y0, 26.4, y0);
  Line(2, y0, 2, y0 + 85);  // 500 feet above the runway
  cgdraw::WhiteColour();
  Line(2, y0 + 85, 2, y0 + 170);  // 1000 feet

  cgdraw::WhiteColour();
  glLineWidth(LineWidth);
  const long long base = (static_cast<long long>(platform::SafeRound(A)) / 100) * 100;
  if (Smooth) {
    glEnable(GL_LINE_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
  }

  // Scale: a tick every 100 feet, a double line around each thousand,
  // figures every 200 feet.
  for (int i = -10; i <= 10; ++i) {
    const long long s = base + 100LL * i;
    const double ys = y(static_cast<double>(s));
    if (s % 1000 == 0) {
      glLineWidth(LineWidth * 0.5f);
      Line(8, ys - 4, 25.5, ys - 4);
      Line(8, ys + 4, 25.5, ys + 4);
      glLineWidth(LineWidth * 2.0f);
      Line(6.1, ys, 0, ys);
    } else {
      glLineWidth(LineWidth);
      Line(6.1, ys, 2.4, ys);
    }
    if (s % 200 == 0) TapeFigure(s, ys);
  }

  cgdraw::BackgroundColour();
  glRectd(10, 57.2, 26.4, 79);  // under the readout
  cgdraw::BlackColour();
  glRectf(-5, 0, 26.4f, -5);
  glRectf(-5, 136, 26.4f, 141);

  // Selected-altitude marker, pinned to the tape's ends when beyond them.
  const double ysel = y(cgdraw::Finite(SelectedAltitude, kAltitudeLimit));
  double yL = ysel - 9.35, yH = ysel + 9.35;
  if (yL < -8.5) {
    yL = -9.35;
    yH = 9.35;
  }
  if (yH > 144.5) {
    yL = 126.65;
    yH = 145.35;
  }
  glLineWidth(LineWidth);
  cgdraw::SelectedColour();
  Polygon({{0.5, yL + 0.5},
           {12.5, yL + 0.5},
           {12.5, yH - 0.5},
           {0.5, yH - 0.5},
           {0.5, yH - 6.35},
           {3.5, yH - 9.35},
           {0.5, yL + 6.15}},
          GL_LINE_LOOP);

  cgdraw::BackgroundColour();
  if (Smooth) glDisable(GL_LINE_SMOOTH);
}

void TAltitudeTape::DrawSelected(float SelectedAltitude) {
  glDisable(GL_SCISSOR_TEST);
  const long long n = platform::SafeRound(cgdraw::Finite(SelectedAltitude, kAltitudeLimit));
  bool sign = n < 0;
  const long long m = sign ? -n : n;
  cgdraw::SelectedColour();
  if (m / 10000 > 0) {
    PrintAt(Font10, Signed(sign, m / 10000), 2, 140, sign ? -kSignShift : 0.0);
    sign = false;
  }
  PrintAt(Font10, Signed(sign, (m % 10000) / 1000), 7, 140, sign ? -kSignShift : 0.0);
  PrintAt(Font8, Number((m % 1000) / 100), 12.5, 140);
  PrintAt(Font8, "00", 17, 140);
  if (Clip) glEnable(GL_SCISSOR_TEST);
}

namespace {

// Green hatch of the ten-thousands place below 10,000 feet, rolled by r
// (in Font10 units).
void Hatch(float lineWidth, double r) {
  const double b = -10.0 * r;
  glColor3ub(0, 255, 0);
  glLineWidth(lineWidth * 0.5f);
  Line(6, b + 12.5, 9.5, b + 5.5);
  Line(6, b + 10, 8.2, b + 5.5);
  Line(6, b + 7.5, 6.9, b + 5.5);
  Line(7.4, b + 12.5, 9.5, b + 8);
  Line(8.8, b + 12.5, 9.5, b + 10.5);
  cgdraw::WhiteColour();
}

}  // namespace

void TAltitudeTicker::Draw(bool Smooth, float Altitude) {
  const double A = cgdraw::Finite(Altitude, kAltitudeLimit);
  if (Smooth) {
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
  }
  cgdraw::BlackColour();
  glRectd(3.5, 0, 28, 18);
  Polygon({{0, 9}, {3.5, 6}, {3.5, 12}}, GL_TRIANGLES);
  cgdraw::WhiteColour();

  // The drums show the altitude's magnitude; a negative altitude puts a
  // minus sign in the ten-thousands place instead of the hatch.
  const bool negative = platform::SafeRound(A) < 0;
  const double a = std::fabs(A);
  const long long n = platform::SafeRound(a);
  const long long d1 = n / 10000, d2 = (n % 10000) / 1000, d3 = (n % 1000) / 100;
  const long long e = ((n % 100) / 20) * 2;
  const double f = std::fabs(static_cast<double>((n / 100) * 100) - std::trunc(a));
  const double q = (static_cast<double>((n / 20) * 20) - a) * 0.9 / 20.0;

  // The ten-thousands place: its digit, the hatch, or the sign.
  auto place = [&](double y, double roll) {
    if (d1 == 0 && !negative)
      Hatch(LineWidth, roll);
    else
      PrintUnits(Font10, negative ? (d1 > 0 ? "-" + Number(d1) : "-") : Number(d1), 0.5, y);
  };
  const std::string nextPlace = negative ? "-" + Number(d1 + 1) : Number((d1 + 1) % 10);

  if (f > 80 && f < 100) {
    const double rh = 1.43 - std::fabs(f - 100) * 1.43 / 20.0;
    PrintUnits(Font8, Number(d3), 1.9, 0.825 - rh);
    PrintUnits(Font8, Number((d3 + 1) % 10), 1.9, 2.255 - rh);
    if (d3 == 9) {
      const double rt = 1.2 - std::fabs(f - 100) * 1.2 / 20.0;
      PrintUnits(Font10, Number(d2), 1.0, 0.6 - rt);
      PrintUnits(Font10, Number((d2 + 1) % 10), 1.0, 1.8 - rt);
      if (d2 == 9) {
        place(0.6 - rt, rt);
        PrintUnits(Font10, nextPlace, 0.5, 1.8 - rt);
      } else {
        place(0.6, 0);
      }
    } else {
      PrintUnits(Font10, Number(d2), 1.0, 0.6);
      place(0.6, 0);
    }
  } else {
    PrintUnits(Font8, Number(d3), 1.9, 0.825);
    PrintUnits(Font10, Number(d2), 1.0, 0.6);
    place(0.6, 0);
    PrintUnits(Font10, nextPlace, 0.5, 1.8);  // on the window's top edge
  }

  // Twenty-foot drum.
  const double ys[5] = {0.825 + q, 1.725 + q, 2.625 + q, -0.075 + q, -0.975 + q};
  const long long tens[5] = {e, (e + 2) % 10, (e + 4) % 10, (e + 8) % 10, (e + 6) % 10};
  for (int i = 0; i < 5; ++i) {
    PrintUnits(Font8, Number(tens[i]), 2.4, ys[i]);
    PrintUnits(Font8, "0", 2.9, ys[i]);
  }

  // Window frame.
  cgdraw::BlackColour();
  glRectd(3.5, -1, 28, 1);
  glRectd(3.5, 17, 28, 19);
  cgdraw::BackgroundColour();
  glRectf(0, 0, 28, -1);
  glRectf(0, 18, 28, 19);
  cgdraw::WhiteColour();
  glLineWidth(LineWidth);
  Polygon({{0, 9}, {3.5, 12}, {3.5, 18}, {28, 18}, {28, 0}, {3.5, 0}, {3.5, 6}}, GL_LINE_LOOP);
  if (Smooth) glDisable(GL_LINE_SMOOTH);
}

double TVSI::PointerY(double VerticalSpeed) {
  const double q = (platform::SafeRound(VerticalSpeed) / 20) * 20;
  if (q > 6000) return 104;
  if (q < -6000) return 8;
  if (q > 2000) return 92 + (q - 2000) / 2000 * 6;
  if (q > 1000) return 76 + (q - 1000) / 1000 * 16;
  if (q >= -1000) return 56 + q / 1000 * 20;
  if (q >= -2000) return 36 + (q + 1000) / 1000 * 16;
  return 20 + (q + 2000) / 2000 * 6;
}

void TVSI::Draw(bool Smooth, float VerticalSpeed) {
  const double vs = cgdraw::Finite(VerticalSpeed, 1e6);
  const int status = AttitudeStatus();
  if (Smooth) glEnable(GL_LINE_SMOOTH);
  if (status >= 1) {
    glTranslatef(4, 6, 0);
    cgdraw::BackgroundColour();
    Polygon({{16, 71}, {4.5, 71}, {0, 74}, {0, 106}, {7, 106}, {16, 83}});
    Polygon({{16, 41}, {16, 29}, {7, 6}, {0, 6}, {0, 38}, {4.5, 41}});
    Polygon({{16, 71}, {4.5, 71}, {4.5, 41}, {16, 41}});

    cgdraw::WhiteColour();
    glLineWidth(LineWidth);
    Line(4.5, 56, 7.5, 56);
    for (double t : {46, 36, 28, 20, 14, 8, 66, 76, 84, 92, 98, 104}) Line(4.5, t, 6.5, t);

    Line(7, PointerY(vs), 30, 56);

    const char* labels[6] = {"6", "2", "1", "1", "2", "6"};
    const double labelY[6] = {1.1, 3.1, 5.7, 12.4, 15.0, 17.0};
    for (int i = 0; i < 6; ++i) PrintUnits(Font6, labels[i], 0.1, labelY[i]);

    // Digital value above or below the scale, to 50 ft/min.
    if (vs < -390 || vs > 390) {
      const double py = vs < -390 ? -0.1 : 13.45;
      const long long n = (static_cast<long long>(platform::SafeRound(std::fabs(vs) + 25)) / 50) * 50;
      const long long tenThousands = n / 10000;
      if (tenThousands > 0) PrintUnits(Font8, Number(tenThousands), -0.5, py);
      if ((n % 10000) / 1000 > 0 || tenThousands > 0) PrintUnits(Font8, Number((n % 10000) / 1000), 0, py);
      PrintUnits(Font8, Number((n % 1000) / 100), 0.5, py);
      PrintUnits(Font8, Number((n % 100) / 10), 1.0, py);
      PrintUnits(Font8, "0", 1.5, py);
    }

    cgdraw::BlackColour();
    glRectf(16, 6, 30, 106);  // hides the pointer beyond the scale
    glTranslatef(-4, -6, 0);
  }
  if (status == 0) {
    glLineWidth(LineWidth * 0.5f);
    cgdraw::AmberColour();
    Polygon({{10, 77}, {17, 77}, {17, 47}, {10, 47}}, GL_LINE_LOOP);
    const char* letters[4] = {"V", "E", "R", "T"};
    for (int i = 0; i < 4; ++i) PrintAt(Font050, letters[i], 11, 64, 0, 1 - i);
  }
  if (Smooth) glDisable(GL_LINE_SMOOTH);
}
