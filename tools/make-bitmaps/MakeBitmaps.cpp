// Writes the programs' own textures into a "bitmaps" folder:
//   PFDframe.jpg, NDframe.jpg     bezels drawn around the PFD and the ND;
//   texture25.jpg, texture50.jpg  the terrain map's sparse and dense dot
//                                 patterns (white on black, coloured by
//                                 the drawing colour);
//   AItexture-blue.jpg,           sky and ground of the standby attitude
//   AItexture-black.jpg           ball.
// Usage: make-bitmaps <folder>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/make-bitmaps/JpegWriter.h"

namespace {

using bitmaps::Picture;

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

void Put(Picture& p, int x, int y, Rgb c) {
  auto v = [](double d) { return static_cast<std::uint8_t>(std::clamp(std::lround(d), 0L, 255L)); };
  p.Set(x, y, v(c.r), v(c.g), v(c.b));
}

// Coverage of a shape from its signed distance (negative inside), one
// pixel of soft edge.
double Cover(double signedDistance) { return std::clamp(0.5 - signedDistance, 0.0, 1.0); }

// Signed distance to a rounded rectangle [x0, x1] x [y0, y1] with corner radius r.
double RoundedRect(double x, double y, double x0, double y0, double x1, double y1, double r) {
  const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const double hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
  const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
  const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
  return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0) - r;
}

// Small deterministic noise for a matte finish.
double Noise(int x, int y, unsigned seed) {
  unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFF) / 65535.0 - 0.5;
}

// ---- display bezels ----------------------------------------------------------

// The frame image covers the whole drawing square of 255 units; the
// instruments fill the central 200 units, 27.5 units from every edge, and
// are drawn over the frame. The opening, black glass, holds that square
// with a margin of 2 units, and reaches extraRight units further to the
// right: the PFD's vertical speed indicator, with the black mask beside
// its scale, stands out of the square there by almost 10 units. The frame
// turns with the display, so the opening fits at every rotation.
Picture Bezel(int size, bool sensorLeft, double extraRight) {
  Picture p(size, size);
  const double u = size / 255.0;  // pixels per drawing unit
  const double margin = 2.0;
  const double openLeft = (27.5 - margin) * u, openRight = (255.0 - 27.5 + margin + extraRight) * u;
  const double openTop = (27.5 - margin) * u, openBottom = (255.0 - 27.5 + margin) * u;
  const double outerR = 6 * u, openR = 2.5 * u, chamfer = 3.2 * u;
  const Rgb bezelTop{66, 68, 73}, bezelBottom{44, 46, 50};
  const Rgb glass{0, 0, 0};
  const Rgb screwLight{190, 192, 196}, screwDark{92, 94, 98};
  const double screwR = 3.6 * u;
  const double screwInset = 11.5 * u;
  const double screws[4][2] = {{screwInset, screwInset},
                               {size - screwInset, screwInset},
                               {screwInset, size - screwInset},
                               {size - screwInset, size - screwInset}};
  const double sensorX = sensorLeft ? 42 * u : size - 42 * u, sensorY = 13.5 * u, sensorR = 2.2 * u;

  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double px = x + 0.5, py = y + 0.5;  // y grows downwards in the picture
      // Body: vertical gradient, matte grain.
      Rgb c = Mix(bezelTop, bezelBottom, py / size);
      c = Scale(c, 1.0 + 0.035 * Noise(x, y, 7));
      // Outer edge: a rounded chamfer lit from the top left.
      const double dOuter = RoundedRect(px, py, 0, 0, size, size, outerR);
      if (dOuter > -chamfer) {
        const double t = std::clamp((dOuter + chamfer) / chamfer, 0.0, 1.0);
        const double light = (py < size - px) ? 1.25 : 0.7;
        c = Mix(c, Scale(c, light), t);
      }
      // Recess around the opening: dark at the top edge (shadow), lit at the bottom.
      const double dOpen = RoundedRect(px, py, openLeft, openTop, openRight, openBottom, openR);
      if (dOpen > 0 && dOpen < chamfer) {
        const double t = 1.0 - dOpen / chamfer;
        const bool upperLeft = (py - openTop) < (openRight - px) &&
                               (py - openTop) < (px - openLeft) + (openBottom - py);
        const double shade = upperLeft ? 0.35 : 0.55;
        c = Mix(c, Scale(c, shade), t);
      }
      // Screws: a brushed head with a cross slot.
      for (const auto& s : screws) {
        const double dx = px - s[0], dy = py - s[1];
        const double d = std::hypot(dx, dy);
        if (d < screwR + 1.5 * u) {
          // A shadow ring where the head sits in the bezel.
          c = Mix(c, Scale(c, 0.55), Cover(d - (screwR + 0.9 * u)));
          Rgb head = Mix(screwLight, screwDark, (dx + dy) / (2.8 * screwR) + 0.5);
          const double slot = std::min(std::fabs(dx), std::fabs(dy)) - 0.45 * u;
          head = Mix(head, Scale(screwDark, 0.45), Cover(slot) * Cover(d - 0.72 * screwR));
          c = Mix(c, head, Cover(d - screwR));
        }
      }
      // Ambient light sensor: a small dark lens.
      {
        const double d = std::hypot(px - sensorX, py - sensorY);
        Rgb lens = Mix(Rgb{10, 10, 12}, Rgb{70, 72, 80}, std::clamp(1.0 - d / sensorR, 0.0, 1.0) * 0.4);
        c = Mix(c, lens, Cover(d - sensorR));
      }
      // The glass.
      c = Mix(c, glass, Cover(dOpen));
      Put(p, x, y, c);
    }
  return p;
}

// ---- terrain patterns ----------------------------------------------------------

// White square dots on black: one dot of side d in every cell of side 2d,
// every other row of cells shifted by half a cell, covers 25 %; two dots
// a cell, diagonally (a checkerboard of dots), 50 %.
Picture DotPattern(int size, int dot, bool dense) {
  Picture p(size, size);
  const int cell = 2 * dot;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const int row = y / cell;
      const int shift = dense ? 0 : (row % 2) * dot;
      const int sx = (x + shift) % cell, sy = y % cell;
      const bool a = sx < dot && sy < dot;
      const bool b = dense && sx >= dot && sy >= dot;
      const std::uint8_t v = (a || b) ? 255 : 0;
      p.Set(x, y, v, v, v);
    }
  return p;
}

// ---- standby attitude ball -------------------------------------------------------

// The ball (radius 80) is textured by object-linear generation with
// s = 0.005 x and t = 0.004 y, wrapping (GL_REPEAT); the sky half shows y
// from 0 to 80 (t 0 to 0.32), the ground half y from -80 to 0 (t 0.68 to
// 1 after wrapping), x from -80 to 80 (s wraps at 0). Each texel is
// painted from the ball point it lands on, so marks sit where the ball's
// own pitch lines are drawn. Row 0 of the texture is the bottom row of the
// picture.
constexpr double kBallRadius = 80.0;

// Ball x and y of a texel centre (u, v in 0..1 with v = 0 at the bottom).
void BallPoint(double u, double v, double* x, double* y) {
  *x = (u < 0.5 ? u : u - 1.0) / 0.005;
  *y = (v < 0.5 ? v : v - 1.0) / 0.004;
}

// 5 x 7 digits for the pitch figures.
constexpr const char* kDigits[5][7] = {
    {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."},  // 0
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},  // 1
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},  // 2
    {"####.", "....#", "....#", ".###.", "....#", "....#", "####."},  // 3
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},  // 4
};

// Coverage of the figure "d0" (tens digit d, then 0) centred at (cx, cy)
// in ball units, each digit cell h tall.
double Figure(double x, double y, int d, double cx, double cy, double h) {
  const double cellW = h * 5.0 / 7.0, gap = h * 0.25;
  const double total = 2 * cellW + gap;
  const double left = cx - total / 2, top = cy + h / 2;
  for (int k = 0; k < 2; ++k) {
    const double x0 = left + k * (cellW + gap);
    const int col = static_cast<int>(std::floor((x - x0) / cellW * 5.0));
    const int row = static_cast<int>(std::floor((top - y) / h * 7.0));
    if (col < 0 || col > 4 || row < 0 || row > 6) continue;
    if (kDigits[k == 0 ? d : 0][row][col] == '#') return 1.0;
  }
  return 0.0;
}

// Coverage of the pitch marks and figures at ball point (x, y): long marks
// every 10 degrees (half width 25 degrees of the ball's circle), short
// marks at the fives (half width 10 degrees), as the ball's lines.
double PitchMarks(double x, double y, double lineHalfWidth) {
  if (std::fabs(x) >= kBallRadius) return 0;
  const double rowRadius = std::sqrt(kBallRadius * kBallRadius - x * x);  // 80 cos a
  double cover = 0;
  for (int deg = -40; deg <= 40; deg += 5) {
    if (deg == 0) continue;  // the horizon line is drawn on top
    const bool longMark = deg % 10 == 0;
    const double halfAngle = (longMark ? 25.0 : 10.0) * M_PI / 180.0;
    const double yc = rowRadius * std::sin(deg * M_PI / 180.0);
    if (std::fabs(x) <= kBallRadius * std::sin(halfAngle))
      cover = std::max(cover, Cover(std::fabs(y - yc) - lineHalfWidth));
    if (longMark) {
      const double fx = kBallRadius * std::sin(halfAngle) + 7.5;
      const double fy = std::sqrt(kBallRadius * kBallRadius - fx * fx) * std::sin(deg * M_PI / 180.0);
      const int d = std::abs(deg) / 10;
      cover = std::max(cover, Figure(x, y, d, fx, fy, 5.0));
      cover = std::max(cover, Figure(x, y, d, -fx, fy, 5.0));
    }
  }
  return cover;
}

Picture Ball(int size, bool sky) {
  Picture p(size, size);
  const Rgb skyHorizon{118, 178, 232}, skyHigh{38, 112, 196};
  const Rgb groundHorizon{132, 88, 46}, groundLow{82, 52, 26};
  const Rgb white{245, 245, 245};
  // Ball units per texel across a row, for soft one-texel edges.
  const double unitsPerTexel = 1.0 / (0.004 * size);
  for (int row = 0; row < size; ++row)
    for (int col = 0; col < size; ++col) {
      const double u = (col + 0.5) / size, v = 1.0 - (row + 0.5) / size;  // picture row 0 is the top
      double x, y;
      BallPoint(u, v, &x, &y);
      Rgb c;
      if (sky) {
        const double h = std::max(y, 0.0) / kBallRadius;
        c = Mix(skyHorizon, skyHigh, std::sqrt(h));
        if (y < 0) c = skyHorizon;  // reached only by rounding at the horizon
      } else {
        const double h = std::max(-y, 0.0) / kBallRadius;
        c = Mix(groundHorizon, groundLow, std::sqrt(h));
        if (y > 0) c = groundHorizon;
      }
      if ((sky && y > 0) || (!sky && y < 0)) {
        const double m = PitchMarks(x, y, 0.45 + 0.5 * unitsPerTexel);
        c = Mix(c, white, m);
      }
      Put(p, col, row, c);
    }
  return p;
}

bool Write(const std::string& dir, const std::string& name, const Picture& p, int quality) {
  const std::string path = dir + "/" + name;
  if (!bitmaps::WriteJpeg(path, p, quality)) {
    std::fprintf(stderr, "make-bitmaps: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-bitmaps <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;
  ok &= Write(dir, "PFDframe.jpg", Bezel(1024, true, 12.0), 92);
  ok &= Write(dir, "NDframe.jpg", Bezel(1024, false, 0.0), 92);
  ok &= Write(dir, "texture25.jpg", DotPattern(128, 4, false), 100);
  ok &= Write(dir, "texture50.jpg", DotPattern(128, 4, true), 100);
  ok &= Write(dir, "AItexture-blue.jpg", Ball(512, true), 92);
  ok &= Write(dir, "AItexture-black.jpg", Ball(512, false), 92);
  return ok ? 0 : 1;
}
