// Fixture for the tape, readout, heading and mode annunciator tests: a
// PFD frame from broker lines with aligned IRS and no active runway, and
// look-ups of recorded texts and of colours near a gauge point.
#pragma once
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "pfd/UcommonVariables.h"
#include "pfd/Upfd.h"
#include "tests/pfd/PfdTest.h"

namespace pfdtest {

inline constexpr testsupport::Rgba kTapeBackground{51, 51, 76, 255};

// Kinds of pixel, told apart by hue so that smoothed edges still count.
using Kind = bool (*)(testsupport::Rgba);
inline bool Whitish(testsupport::Rgba p) {
  return p.r > 140 && p.g > 140 && p.b > 140 && std::abs(p.r - p.g) < 40;
}
inline bool Magentaish(testsupport::Rgba p) { return p.r > p.g + 40 && p.b > p.g + 40; }
inline bool Greenish(testsupport::Rgba p) { return p.g > 120 && p.g > p.r + 80 && p.g > p.b + 80; }
inline bool Amberish(testsupport::Rgba p) {
  return p.r > 120 && p.g > 120 && p.b < 70 && std::abs(p.r - p.g) < 40;
}
inline bool BarberRed(testsupport::Rgba p) { return p.r > 150 && p.r > p.g + 100 && p.b < 70; }
inline bool TapeBackground(testsupport::Rgba p) { return Near(p, kTapeBackground, 6); }

inline std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class InstrumentTest : public PfdTest {
 protected:
  // Neutral state, aligned IRS and the given lines; the ND's ground speed,
  // latitude and track at 0 and no active runway unless tweak changes them
  // before the frame is drawn.
  void Show(const std::vector<std::string>& lines, const std::function<void()>& tweak = {},
            const FrameParams& p = {}) {
    GroundSpeed = 0;
    IpcLatitude = 0;
    TrackInput = 0;
    harness->Load({"", With(AlignedIrsLines(), lines)});
    if (tweak) tweak();
    harness->Render(p);
    ReadBack();
  }

  // The record of text in font f printed at Print position (x, y).
  const PrintRecord* PrintedAt(const std::string& text, const TCGFont3D* f, double x, double y,
                               double tol = 0.002) const {
    for (const PrintRecord& r : harness->printed)
      if (r.text == text && r.font == f && std::fabs(r.x - x) <= tol && std::fabs(r.y - y) <= tol) return &r;
    return nullptr;
  }
  // Text printed with its origin at gauge point (gx, gy) of g.
  const PrintRecord* PrintedAtGauge(const std::string& text, const TCGFont3D* f, const TGauge& g, double gx,
                                    double gy, double tolPixels = 0.6) const {
    float wx, wy;
    harness->GaugeToWindow(g, static_cast<float>(gx), static_cast<float>(gy), wx, wy);
    for (const PrintRecord& r : harness->printed)
      if (r.text == text && r.font == f && std::fabs(r.winX - wx) <= tolPixels &&
          std::fabs(r.winY - wy) <= tolPixels)
        return &r;
    return nullptr;
  }
  // Whether some pixel within r pixels of gauge point (gx, gy) is of the
  // kind. Lines are smoothed (the fonts leave line smoothing on), so their
  // edges blend with what lies below: kinds are told apart by hue.
  bool ColourNear(const TGauge& g, double gx, double gy, Kind kind, int r = 2) const {
    float wx, wy;
    harness->GaugeToWindow(g, static_cast<float>(gx), static_cast<float>(gy), wx, wy);
    const int x = static_cast<int>(std::floor(wx)), y = static_cast<int>(std::floor(wy));
    for (int j = y - r; j <= y + r; ++j)
      for (int i = x - r; i <= x + r; ++i)
        if (kind(Pixel(i, j))) return true;
    return false;
  }
  // Pixels of the kind in the gauge rectangle (x0, y0)-(x1, y1).
  int CountKind(const TGauge& g, double x0, double y0, double x1, double y1, Kind kind) const {
    float ax, ay, bx, by;
    harness->GaugeToWindow(g, static_cast<float>(x0), static_cast<float>(y0), ax, ay);
    harness->GaugeToWindow(g, static_cast<float>(x1), static_cast<float>(y1), bx, by);
    int n = 0;
    for (int j = static_cast<int>(std::floor(std::fmin(ay, by)));
         j <= static_cast<int>(std::ceil(std::fmax(ay, by))); ++j)
      for (int i = static_cast<int>(std::floor(std::fmin(ax, bx)));
           i <= static_cast<int>(std::ceil(std::fmax(ax, bx))); ++i)
        n += kind(Pixel(i, j)) ? 1 : 0;
    return n;
  }
  static bool ColourIs(const PrintRecord* p, float r, float g, float b) {
    return p != nullptr && std::fabs(p->r - r) < 0.01f && std::fabs(p->g - g) < 0.01f &&
           std::fabs(p->b - b) < 0.01f;
  }
};

}  // namespace pfdtest
