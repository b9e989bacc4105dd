#include "pfd/Ugauges.h"

#include <GL/gl.h>

#include <cmath>

#include "shared/UDeclarations.h"
#include "platform/Numbers.h"

namespace {

// Pixel sizes of a gauge's box. Fractions of x and width are always taken
// of 0.78 of the square, those of y and height of 0.75.
struct GaugePixels {
  int Wp, Hp, Xp, Yp;
};

GaugePixels PixelSizes(int Size, float WidthFraction, float HeightFraction, float XFraction,
                       float YFraction) {
  const double k = static_cast<double>(Size) * DrawArea / DrawScale;
  return {platform::SafeRound(WidthFraction / 0.78 * k), platform::SafeRound(HeightFraction / 0.75 * k),
          platform::SafeRound(XFraction / 0.78 * k), platform::SafeRound(YFraction / 0.75 * k)};
}

}  // namespace

GaugeScissorBox GaugeScissor(int Size, int Left, int Bottom, float WidthFraction,
                             float HeightFraction, float XFraction, float YFraction, int Rotation) {
  const GaugePixels p = PixelSizes(Size, WidthFraction, HeightFraction, XFraction, YFraction);
  const int S = platform::SafeRound(static_cast<double>(Size) * DrawArea / DrawScale);
  const int M = platform::SafeRound(static_cast<double>(Size) * (1.0 - DrawArea / DrawScale) / 2.0);
  // One pixel left of and below the box, three pixels wider and higher.
  switch (Rotation) {
    case 0:
      return {true, Left + M + p.Xp - 1, Bottom + M + p.Yp - 1, p.Wp + 3, p.Hp + 3};
    case 90:
      return {true, Left + M + S - p.Yp - p.Hp - 1, Bottom + M + p.Xp - 1, p.Hp + 3, p.Wp + 3};
    case 180:
      return {true, Left + M + S - p.Xp - p.Wp - 1, Bottom + M + S - p.Yp - p.Hp - 1, p.Wp + 3,
              p.Hp + 3};
    case 270:
      return {true, Left + M + p.Yp - 1, Bottom + M + S - p.Xp - p.Wp - 1, p.Hp + 3, p.Wp + 3};
    default:
      return {};
  }
}

void TGauge::BeginDraw(int Size, int Left, float WidthFraction, float HeightFraction,
                       float XFraction, float YFraction, float aWidth, float aHeight, int Bottom,
                       int Rotation, bool aClip) {
  const GaugePixels p = PixelSizes(Size, WidthFraction, HeightFraction, XFraction, YFraction);
  Width = aWidth;
  Height = aHeight;
  // A zero-size viewport or box would divide by zero; the gauge then draws
  // at scale 0 (nothing visible) instead of at an infinite scale.
  const double size = static_cast<double>(Size);
  const double scale = (static_cast<double>(p.Hp) / size) / (static_cast<double>(aHeight) / DrawScale);
  Scale = std::isfinite(scale) ? static_cast<float>(scale) : 0.0f;
  OffsetX = XFraction / 0.78f * DrawArea;
  OffsetY = YFraction / 0.75f * DrawArea;

  const float m = std::fabs(DrawScale - DrawArea) / 2.0f;
  switch (Rotation) {
    case 0: RotationOffsetX = m; RotationOffsetY = m; break;
    case 90: RotationOffsetX = m; RotationOffsetY = -m; break;
    case 180: RotationOffsetX = -m; RotationOffsetY = -m; break;
    case 270: RotationOffsetX = -m; RotationOffsetY = m; break;
    default: break;
  }

  glPushMatrix();
  glTranslatef(OffsetX + RotationOffsetX, OffsetY + RotationOffsetY, 0);
  glScalef(Scale, Scale, 1);

  const GaugeScissorBox box =
      GaugeScissor(Size, Left, Bottom, WidthFraction, HeightFraction, XFraction, YFraction, Rotation);
  if (box.Valid) glScissor(box.X, box.Y, box.W, box.H);

  if (aClip) glEnable(GL_SCISSOR_TEST);
  Clip = aClip;
  LineWidth = static_cast<float>(Size) * 0.25f / 100.0f;
  glColor3f(1, 1, 1);
}

void TGauge::EndDraw() {
  if (Clip) glDisable(GL_SCISSOR_TEST);
  glPopMatrix();
}
