#include "lunavex/Indicators.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>

#include "lunavex/LunavexState.h"
#include "platform/Numbers.h"
#include "support/opengl/CgDraw.h"
#include "support/opengl/CgTexture.h"
#include "support/opengl/CgUtils.h"

namespace lunavex {

TStandbyFonts StandbyFonts;

void CreateStandbyFonts(platform::HDC DC) {
  StandbyFonts.Font2D = std::make_unique<TCGFont2D>("Arial", 24, 700, DC);
  StandbyFonts.Font30 = std::make_unique<TCGFont3D>("Arial", 30.0f, 0.0f, DC);
  StandbyFonts.Font15 = std::make_unique<TCGFont3D>("Arial", 15.0f, 0.0f, DC);
  StandbyFonts.Font10 = std::make_unique<TCGFont3D>("Arial", 10.0f, 0.0f, DC);
  StandbyFonts.Font12 = std::make_unique<TCGFont3D>("Arial", 12.0f, 0.0f, DC);
  StandbyFonts.Font6 = std::make_unique<TCGFont3D>("Arial", 6.0f, 0.0f, DC);
  StandbyFonts.Font7 = std::make_unique<TCGFont3D>("Arial", static_cast<float>(141.42 * 1.0 * 0.05), 0.0f, DC);
}

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
constexpr double kDialRadius = 82.4;

// A point at angle a (degrees clockwise from the top) and radius r.
void DialVertex(double r, double a) {
  glVertex2d(r * std::sin(a * kDegToRad), r * std::cos(a * kDegToRad));
}

// A point of the ball's great circle in its y = 0 plane.
void BallVertex(double a) {
  glVertex3d(80.5 * std::sin(a * kDegToRad), 0.0, -80.5 * std::cos(a * kDegToRad));
}

void DialMark(double a, double r0, double r1) {
  glBegin(GL_LINES);
  DialVertex(r0, a);
  DialVertex(r1, a);
  glEnd();
}

// A circle of 73 points, every 5 degrees from 0 to 360.
void Circle(GLenum mode, double r) {
  glBegin(mode);
  for (int i = 0; i <= 72; ++i) DialVertex(r, 5.0 * i);
  glEnd();
}

// Case plate (with decals) and dial face, drawn first by every instrument.
void DrawCommon(float faceGrey) {
  glColor3f(0.75f, 0.55f, 0.4f);
  glDisable(GL_POLYGON_SMOOTH);
  if (StandbyValues.DecalsVisible) {
    glBegin(GL_POLYGON);
    glVertex2d(-100, -70.4);
    glVertex2d(-100, 70.4);
    glVertex2d(-70.4, 100);
    glVertex2d(70.4, 100);
    glVertex2d(100, 70.4);
    glVertex2d(100, -70.4);
    glVertex2d(70.4, -100);
    glVertex2d(-70.4, -100);
    glEnd();
  }
  glColor3f(faceGrey, faceGrey, faceGrey);
  Circle(GL_POLYGON, kDialRadius * 1.067);
}

void Print(const std::unique_ptr<TCGFont3D>& font, const std::string& text, float x, float y) {
  if (font) font->Print(text.c_str(), x, y, 0);
}

std::string Text(int v) { return platform::FormatInt(v); }

// A needle from the hub to radius 75, turned clockwise by angle degrees.
void DrawNeedle(double angle, double halfWidth) {
  glRotated(-angle, 0, 0, 1);
  glEnable(GL_POLYGON_SMOOTH);
  glBegin(GL_POLYGON);
  glVertex2d(-halfWidth, 7.5);
  glVertex2d(halfWidth, 7.5);
  glVertex2d(halfWidth, 60);
  glVertex2d(0, 75);
  glVertex2d(-halfWidth, 60);
  glEnd();
  glRotated(angle, 0, 0, 1);
}

}  // namespace

void ResetProjection() {
  const double s = StandbyValues.Scale;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-s, s, -s, s, -100, 100);
}

void DrawInstruments(int clientWidth, int clientHeight, TArtHorizon& horizon, TSpeedScale& speed) {
  TStandbyValues& v = StandbyValues;
  glColor3f(1, 1, 1);
  glViewport(0, 0, clientWidth, clientHeight);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  int k = 1, n = 0;
  auto setViewport = [&] {
    const TViewport vp = SlotViewport(v, clientHeight, k, n);
    glViewport(vp.x, vp.y, vp.w, vp.h);
  };
  setViewport();
  if (v.HorizonVisible) {
    horizon.Draw(v.Pitch, v.Bank);
    ++k;
    ++n;
  }
  setViewport();
  if (v.SpeedVisible) {
    speed.Draw(v.Ias);
    ++k;
    ++n;
  }
  setViewport();
  if (v.AltimeterVisible) DrawAltimeter(v.Altitude, v.AltimeterSetting);
}

// ---- Attitude indicator ----

TArtHorizon::TArtHorizon() = default;

TArtHorizon::~TArtHorizon() {
  if (quadric_) gluDeleteQuadric(static_cast<GLUquadric*>(quadric_));
}

void TArtHorizon::Init() {
  // A texture that cannot be loaded is reported and replaced by its plain
  // colour, so that the ball still shows sky above ground.
  auto load = [](std::unique_ptr<TCGTexture>& texture, const char* file, std::uint32_t plain) {
    texture = std::make_unique<TCGTexture>();
    try {
      texture->LoadFromJPEG(file);
      return true;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "Lunavex: cannot load %s: %s\n", file, e.what());
      texture->SetWidth(1);
      texture->SetHeight(1);
      texture->SetPixel(0, 0, plain);
      return false;
    }
  };
  SkyLoaded = load(SkyTexture, kSkyFile, 0xFFCC6600u);       // red 0, green 102, blue 204
  GroundLoaded = load(GroundTexture, kGroundFile, 0xFF000000u);  // black

  EnableObjectLinearTexGen(0.005, 0.004);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  if (!quadric_) quadric_ = gluNewQuadric();
}

void TArtHorizon::Draw(float PitchIn, float BankIn) {
  const double pitch = cgdraw::Finite(PitchIn), bank = cgdraw::Finite(BankIn);
  static const GLfloat white[4] = {1, 1, 1, 1};
  static const GLfloat lightPosition[4] = {0, 0, -200, 0};
  static const GLdouble backHalf[4] = {0, 0, -1, 0};
  static const GLdouble upperHalf[4] = {0, 1, 0, 0};
  static const GLdouble lowerHalf[4] = {0, -1, 0, 0};
  if (!quadric_) quadric_ = gluNewQuadric();
  auto* ball = static_cast<GLUquadric*>(quadric_);

  DrawCommon(0.1f);

  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glClipPlane(GL_CLIP_PLANE3, backHalf);
  glEnable(GL_CLIP_PLANE3);

  // Sky half.
  glColor3f(1, 1, 1);
  glClipPlane(GL_CLIP_PLANE0, upperHalf);
  glRotated(-pitch, 1, 0, 0);
  glRotated(bank, 0, 0, 1);
  glEnable(GL_CLIP_PLANE0);
  if (SkyTexture) SkyTexture->Enable();
  if (ball) gluSphere(ball, 80, 36, 10);
  if (SkyTexture) SkyTexture->Disable();
  glDisable(GL_CLIP_PLANE0);

  // Ground half.
  glColor3f(0, 0, 0);
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, white);
  glClipPlane(GL_CLIP_PLANE0, lowerHalf);
  glEnable(GL_CLIP_PLANE0);
  if (GroundTexture) GroundTexture->Enable();
  if (ball) gluSphere(ball, 80, 36, 10);
  if (GroundTexture) GroundTexture->Disable();
  glDisable(GL_CLIP_PLANE0);
  glDisable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glDisable(GL_DEPTH_TEST);

  // Horizon line, turned with the ball.
  glColor3f(1, 1, 1);
  glLineWidth(3);
  glBegin(GL_LINE_LOOP);
  for (int i = 0; i <= 72; ++i) BallVertex(5.0 * i);
  glEnd();

  // Pitch scale: long marks every 10 degrees from 40 to -40, short ones
  // between them.
  glEnable(GL_LINE_SMOOTH);
  glColor3f(1, 1, 1);
  glLineWidth(1);
  glRotated(40, 1, 0, 0);
  for (int mark = 1; mark <= 9; ++mark) {
    glBegin(GL_LINE_STRIP);
    for (int a = -25; a <= 25; a += 5) BallVertex(a);
    glEnd();
    glRotated(-5, 1, 0, 0);
    if (mark != 9) {
      glBegin(GL_LINE_STRIP);
      for (int a = -10; a <= 10; a += 5) BallVertex(a);
      glEnd();
      glRotated(-5, 1, 0, 0);
    }
  }

  ResetProjection();

  // Fixed aircraft symbol.
  glColor3f(1, 0.5f, 0);
  glLineWidth(5);
  glBegin(GL_LINE_STRIP);
  for (int a = -25; a <= -5; a += 5) BallVertex(a);
  glEnd();
  glBegin(GL_LINE_STRIP);
  for (int a = 5; a <= 25; a += 5) BallVertex(a);
  glEnd();
  glBegin(GL_LINE_STRIP);
  for (int i = -1; i <= 1; ++i) BallVertex(1.25 * i);
  glEnd();
  glDisable(GL_LINE_SMOOTH);

  // Roll scale.
  glLineWidth(3);
  glColor3f(1, 1, 1);
  glEnable(GL_LINE_SMOOTH);
  const double size = StandbyValues.InstrumentSize;
  const double scale = StandbyValues.Scale;
  for (int i = -12; i <= 12; ++i) {
    const int m = std::abs(i);
    const double a = 5.0 * i;
    if (m == 0 || m == 6 || m == 12) {
      glLineWidth(static_cast<GLfloat>(size * (scale * 5 / 100) / 500));
      DialMark(a, kDialRadius * 0.97, kDialRadius * 1.04);
    } else if (m == 2 || m == 4 || m == 9) {
      glLineWidth(static_cast<GLfloat>(size * (scale * 2 / 100) / 500));
      DialMark(a, kDialRadius * 0.97, kDialRadius * 1.005);
    }
  }
  glDisable(GL_LINE_SMOOTH);

  // Bank pointer.
  glRotated(bank, 0, 0, 1);
  glBegin(GL_POLYGON);
  glVertex2d(-5, 65);
  glVertex2d(5, 65);
  glVertex2d(0, 77);
  glEnd();
  glRotated(-bank, 0, 0, 1);
}

// ---- Airspeed indicator ----

double SpeedNeedleAngle(float Ias) {
  const double ias = Ias;
  if (!(ias >= 60)) return 0;  // below 60 knots, and a NaN, rest at the stop
  const double a = ias - 60;
  if (a <= 180) return a / 70 * 90;
  const double b = a - 180;
  if (b <= 10) return 231.42857 + b / 70 * 90;
  return 244.28572 + (b - 10) * 0.5;
}

void TSpeedScale::Draw(float Ias) {
  ResetProjection();
  DrawCommon(0.0f);
  glColor3f(1, 1, 1);
  glLineWidth(1.5f);
  glEnable(GL_LINE_SMOOTH);

  // Main scale, 2 knots a mark from 60 to 250.
  for (int i = 0; i <= 95; ++i)
    DialMark(i * 180.0 / 70.0, kDialRadius * 0.945, kDialRadius * (i % 5 == 0 ? 1.02 : 1.0));
  // Upper scale.
  for (int i = 46; i <= 65; ++i)
    DialMark(i * 360.0 / 70.0, kDialRadius * 0.945, kDialRadius * (i % 5 == 0 ? 1.02 : 1.0));

  glLineWidth(2);
  Circle(GL_LINE_LOOP, 7.5);

  struct Label {
    const char* text;
    float x, y;
  };
  static const Label labels[] = {
      {"60", -0.5f, 4.2f},    {"80", 1.4f, 3.7f},     {"100", 2.5f, 2.5f},   {"120", 3.3f, 0.7f},
      {"140", 3.3f, -1.25f},  {"160", 2.5f, -3.05f},  {"180", 0.9f, -4.35f}, {"200", -0.7f, -4.85f},
      {"220", -2.7f, -4.35f}, {"240", -3.7f, -3.35f}, {"250", -4.5f, -2.35f}, {"300", -4.8f, -0.35f},
      {"350", -4.5f, 1.85f},  {"400", -3.2f, 3.35f},  {"IAS", -0.7f, 0.75f},
  };
  for (const Label& l : labels) Print(StandbyFonts.Font15, l.text, l.x, l.y);
  glColor3f(0.4f, 0.6f, 1.0f);
  Print(StandbyFonts.Font15, "KNOTS", -1.5f, -1.75f);
  glColor3f(1, 1, 1);

  DrawNeedle(SpeedNeedleAngle(Ias), 2);
}

// ---- Altimeter ----

TAltimeterDrums AltimeterDrums(float Altitude) {
  TAltimeterDrums d;
  d.R = platform::SafeRound(Altitude);
  d.T = platform::SafeTrunc(Altitude);
  d.D5 = d.R / 10000;
  d.D4 = (d.R % 10000) / 1000;
  d.D3 = (d.R % 1000) / 100;
  // R and T differ by at most one, so these differences cannot overflow.
  d.F = std::fabs(static_cast<double>((d.R / 100) * 100) - d.T) * 0.8 / 100;
  d.N = std::fabs(static_cast<double>((d.R / 1000) * 1000) - d.T);
  return d;
}

TSettingDigits SettingDigits(float Setting) {
  TSettingDigits s;
  // Kept as a single, as the value is stored; one too large for a single
  // stays a double and is clamped by the rounding.
  double millibars = static_cast<double>(Setting) * 1013.2 / 2992.0;
  if (std::fabs(millibars) <= FLT_MAX) millibars = static_cast<float>(millibars);
  auto split = [](int v, std::string (&out)[4]) {
    out[0] = Text(v / 1000);
    out[1] = Text((v % 1000) / 100);
    out[2] = Text((v % 100) / 10);
    out[3] = Text(v % 10);
  };
  split(platform::SafeRound(millibars), s.Millibars);
  split(platform::SafeRound(Setting), s.Inches);
  return s;
}

void DrawAltimeterMarker(double Offset) {
  const double d = Offset * -19 / 0.65;
  glColor3ub(0, 255, 0);
  glLineWidth(1);
  glBegin(GL_POLYGON);
  glVertex2d(-41, 23 + d);
  glVertex2d(-41, 44 + d);
  glVertex2d(-28, 44 + d);
  glVertex2d(-28, 23 + d);
  glEnd();
  glColor3ub(255, 255, 255);
}

void DrawAltimeter(float Altitude, float Setting) {
  ResetProjection();
  DrawCommon(0.0f);
  glColor3f(1, 1, 1);

  const TAltimeterDrums d = AltimeterDrums(Altitude);
  const float F = static_cast<float>(d.F);
  const auto& drum = StandbyFonts.Font30;
  // A drum digit, or the green flag in the ten-thousands place for 0.
  auto tenThousands = [&](int digit, float y, double offset) {
    if (digit == 0) DrawAltimeterMarker(offset);
    else Print(drum, Text(digit), -1.4f, y);
  };

  if (d.D4 == 9 && d.D3 == 9) {
    tenThousands(d.D5, 0.8f - F, d.F);
    tenThousands((d.D5 + 1) % 10, 1.6f - F, d.F);
  } else {
    tenThousands(d.D5, 0.8f, 0);
  }
  if (d.D3 == 9) {
    Print(drum, Text(d.D4), -0.8f, 0.8f - F);
    Print(drum, Text((d.D4 + 1) % 10), -0.8f, 1.6f - F);
  } else {
    Print(drum, Text(d.D4), -0.8f, 0.8f);
  }
  Print(drum, Text(d.D3), 0.1f, 0.8f - F);
  Print(drum, Text((d.D3 + 1) % 10), 0.1f, 1.6f - F);
  Print(drum, ",", -0.2f, 0.8f);
  Print(drum, "00", 0.6f, 0.8f);

  // Window: masks over the drum digits outside it, and its frame.
  glColor3f(0, 0, 0);
  glBegin(GL_POLYGON);
  glVertex2d(-50, -10);
  glVertex2d(50, -10);
  glVertex2d(50, 20);
  glVertex2d(-50, 20);
  glEnd();
  glBegin(GL_POLYGON);
  glVertex2d(-50, 44);
  glVertex2d(50, 44);
  glVertex2d(50, 70);
  glVertex2d(-50, 70);
  glEnd();
  glColor3f(1, 1, 1);
  glBegin(GL_LINE_LOOP);
  glVertex2d(-50, 20);
  glVertex2d(52, 20);
  glVertex2d(52, 46);
  glVertex2d(-50, 46);
  glEnd();

  // Dial marks, one per 20 feet.
  glLineWidth(3);
  glEnable(GL_LINE_SMOOTH);
  for (int i = 0; i <= 50; ++i)
    DialMark(7.2 * i, kDialRadius * 0.9, kDialRadius * (i % 5 == 0 ? 1.035 : 0.975));

  glLineWidth(2);
  Circle(GL_LINE_LOOP, 7.5);

  struct Label {
    const char* text;
    float x, y;
  };
  static const Label figures[] = {
      {"0", -0.3f, 4.0f},   {"1", 2.3f, 3.3f},   {"2", 4.1f, 0.75f},   {"3", 4.0f, -1.8f},
      {"4", 2.3f, -4.1f},   {"5", -0.3f, -4.85f}, {"6", -2.7f, -4.1f}, {"7", -4.5f, -1.8f},
      {"8", -4.5f, 0.95f},  {"9", -2.7f, 3.35f},
  };
  for (const Label& l : figures) Print(StandbyFonts.Font15, l.text, l.x, l.y);
  Print(StandbyFonts.Font12, "ALT", -1.0f, -2.0f);

  const TSettingDigits s = SettingDigits(Setting);
  static const float mbX[4] = {-3.5f, -3.0f, -2.5f, -2.0f};
  static const float inX[4] = {1.5f, 2.0f, 2.5f, 3.0f};
  for (int i = 0; i < 4; ++i) Print(StandbyFonts.Font12, s.Millibars[i], mbX[i], -3.75f);
  for (int i = 0; i < 4; ++i) Print(StandbyFonts.Font12, s.Inches[i], inX[i], -3.75f);

  Print(StandbyFonts.Font6, "MB/H PA", -6.75f, -5.75f);
  Print(StandbyFonts.Font6, "IN HG", 3.8f, -5.75f);

  glColor3f(1, 1, 1);
  DrawNeedle(d.NeedleAngle(), 1);
}

}  // namespace lunavex
