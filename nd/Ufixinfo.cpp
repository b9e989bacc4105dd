#include "nd/Ufixinfo.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "shared/BrokerValue.h"
#include "shared/Ufonts.h"
#include "nd/Urunways.h"
#include "platform/DisplayLists.h"
#include "platform/Numbers.h"
#include "support/geo/geoMath.h"
#include "support/opengl/CgFontFI.h"

std::unique_ptr<TFixInfo> FixInfo;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kNdScale = 141.42;  // ND units for the selected range
// Circles with at most this many chords are tested chord by chord.
constexpr std::int64_t kSmallCircle = 4096;

using brokerlink::ReadBrokerInt;

void Loop(std::initializer_list<NdPoint> pts) {
  glBegin(GL_LINE_LOOP);
  for (const NdPoint& p : pts) glVertex2d(p.x, p.y);
  glEnd();
}

void Hexagon() { Loop({{-1.2, -2.064}, {1.2, -2.064}, {2.4, 0}, {1.2, 2.064}, {-1.2, 2.064}, {-2.4, 0}}); }

// Every fix symbol: green outline of width 2, then a ring of radius 5.
void FixSymbol(unsigned list, const std::function<void()>& outline) {
  if (!platform::BeginFixedList(list)) return;
  glLineWidth(2);
  glColor3f(0, 1, 0);
  outline();
  glLineWidth(1);
  Loop({{-5, 0}, {-4.32, -2.5}, {-2.5, -4.32}, {0, -5}, {2.5, -4.32}, {4.32, -2.5}, {5, 0}, {4.32, 2.5},
        {2.5, 4.32}, {0, 5}, {-2.5, 4.32}, {-4.32, 2.5}});
  glEndList();
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// A fix name: the value text up to a blank; none when no blank follows
// within the eight characters taken.
void ReadFixName(std::string_view line, std::string_view name, std::string& out) {
  const std::size_t p = line.find(name);
  if (p == std::string_view::npos) return;
  const std::size_t start = p + name.size() + 1;
  std::string_view text = start < line.size() ? line.substr(start, 8) : std::string_view{};
  const std::size_t cr = text.find('\r');
  if (cr != std::string_view::npos) text = text.substr(0, cr);
  const std::size_t blank = text.find(' ');
  out = blank == std::string_view::npos ? std::string() : std::string(text.substr(0, blank));
}

// Whether the segment p0-p1 meets the square |x|, |y| <= h (clipping of the
// segment's parameter range against the four sides).
bool SegmentMeetsSquare(NdPoint p0, NdPoint p1, double h) {
  double t0 = 0, t1 = 1;
  const double dx = p1.x - p0.x, dy = p1.y - p0.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {p0.x + h, h - p0.x, p0.y + h, h - p0.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  return true;
}

double Fold2Pi(double a) {
  a = std::fmod(a, 2 * kPi);
  return a < 0 ? a + 2 * kPi : a;
}

}  // namespace

void DrawTurned(double Degrees, const std::function<void()>& Draw) {
  glRotated(-Degrees, 0, 0, 1);
  Draw();
  glRotated(Degrees, 0, 0, 1);
}

double FixRadialAngle(int B, double Heading, int MagVar) { return AngleDiff(B, Heading - MagVar); }

unsigned FixSymbolList(int Type) {
  switch (Type) {
    case 1:
    case 3: return ndlist::kFixVorDme;
    case 2: return ndlist::kFixVor;
    case 6: return ndlist::kFixCircle;
    default: return ndlist::kFixTriangle;
  }
}

TFixCircle FixCircle(int D, int Range) {
  TFixCircle c;
  if (Range <= 0) return c;
  c.radius = kNdScale / Range * D;
  c.n = static_cast<std::int64_t>(D) * 240 / Range;
  return c;
}

NdPoint FixCirclePoint(const TFixCircle& c, std::int64_t j) {
  const double a = static_cast<double>(j) * (360.0 / static_cast<double>(c.n)) * kDegToRad;
  return {c.radius * std::cos(a), c.radius * std::sin(a)};
}

bool FixChordVisible(const TFixCircle& c, double cx, double cy, std::int64_t j) {
  const NdPoint a = FixCirclePoint(c, j), b = FixCirclePoint(c, j + 1);
  return SegmentMeetsSquare({cx + a.x, cy + a.y}, {cx + b.x, cy + b.y}, kFixVisibleHalf);
}

std::vector<std::int64_t> VisibleFixChords(const TFixCircle& c, double cx, double cy) {
  std::vector<std::int64_t> chords;
  if (c.n < 1 || !std::isfinite(c.radius) || !std::isfinite(cx) || !std::isfinite(cy)) return chords;
  std::vector<std::int64_t> candidates;
  if (c.n <= kSmallCircle) {
    for (std::int64_t j = 0; j + 1 <= c.n; j += 2) candidates.push_back(j);
  } else {
    // The arcs of the circle that lie in the square widened by more than a
    // chord: every chord that meets the square starts within them.
    const double r = c.radius;
    const double step = 2 * kPi / static_cast<double>(c.n);
    const double h = kFixVisibleHalf + 2 * r * std::sin(step / 2) + 1;
    std::vector<double> cuts = {0, 2 * kPi};
    for (const double side : {-h, h}) {
      const double kx = (side - cx) / r;
      if (std::fabs(kx) <= 1) {
        const double t = std::acos(kx);
        cuts.push_back(t);
        cuts.push_back(2 * kPi - t);
      }
      const double ky = (side - cy) / r;
      if (std::fabs(ky) <= 1) {
        const double t = std::asin(ky);
        cuts.push_back(Fold2Pi(t));
        cuts.push_back(Fold2Pi(kPi - t));
      }
    }
    std::sort(cuts.begin(), cuts.end());
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
      const double mid = (cuts[i] + cuts[i + 1]) / 2;
      if (std::fabs(cx + r * std::cos(mid)) > h || std::fabs(cy + r * std::sin(mid)) > h) continue;
      std::int64_t first = static_cast<std::int64_t>(std::floor(cuts[i] / step)) - 2;
      std::int64_t last = static_cast<std::int64_t>(std::ceil(cuts[i + 1] / step)) + 2;
      first = std::max<std::int64_t>(0, first) & ~std::int64_t{1};
      last = std::min(last, c.n - 1);
      for (std::int64_t j = first; j <= last; j += 2) candidates.push_back(j);
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  }
  for (const std::int64_t j : candidates)
    if (FixChordVisible(c, cx, cy, j)) chords.push_back(j);
  return chords;
}

// ---------------------------------------------------------------------------

void TFixInfo::BuildDisplayLists() {
  FixSymbol(ndlist::kFixVorDme, [] {
    Hexagon();
    Loop({{2.4, 0}, {1.2, 2.064}, {2.64, 3.024}, {3.84, 0.96}});
    Loop({{-2.4, 0}, {-1.2, 2.064}, {-2.64, 3.024}, {-3.84, 0.96}});
    Loop({{-1.2, -2.064}, {1.2, -2.064}, {1.2, -3.7968}, {-1.2, -3.7968}});
  });
  FixSymbol(ndlist::kFixVor, [] { Hexagon(); });
  FixSymbol(ndlist::kFixCircle, [] {
    Loop({{-3, 0}, {-2.592, -1.5}, {-1.5, -2.592}, {0, -3}, {1.5, -2.592}, {2.592, -1.5}, {3, 0},
          {2.592, 1.5}, {1.5, 2.592}, {0, 3}, {-1.5, 2.592}, {-2.592, 1.5}});
  });
  FixSymbol(ndlist::kFixTriangle, [] { Loop({{-2.4, -1.38}, {2.4, -1.38}, {0, 2.772}}); });
}

void TFixInfo::ParseLine(std::string_view Line) {
  std::string_view s = Line;
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  if (s.find("MV.Fix") == std::string_view::npos || brokerlink::IsConnLine(s)) return;
  for (int n = 0; n < 2; ++n) {
    TFix& f = fix_[n];
    const std::string p = "MV.Fix" + std::to_string(n + 1);
    ReadFixName(s, p + "Name", f.name);
    ReadBrokerInt(s, p + "Act", f.active);
    ReadBrokerInt(s, p + "Ndeg", f.latDegrees);
    ReadBrokerInt(s, p + "Nmin", f.latTenths);
    ReadBrokerInt(s, p + "Edeg", f.lonDegrees);
    ReadBrokerInt(s, p + "Emin", f.lonTenths);
    for (int i = 0; i < 4; ++i) {
      ReadBrokerInt(s, p + "Dis" + std::to_string(i + 1), f.distances[i]);
      ReadBrokerInt(s, p + "Brg" + std::to_string(i + 1), f.bearings[i]);
    }
    ReadBrokerInt(s, p + "Type", f.type);
  }
}

void TFixInfo::UpdatePositions() {
  for (TFix& f : fix_) {
    f.latitude = f.latDegrees + f.latTenths / 600.0;
    f.longitude = f.lonDegrees + f.lonTenths / 600.0;
    f.magVar = MagVarAt(static_cast<std::int8_t>(f.latDegrees), f.lonDegrees);
    if (f.latitude > 73 || f.latitude < -60) f.magVar = 0;
  }
}

void TFixInfo::Draw(const NdFrame& Frame) {
  vertices_ = 0;
  UpdatePositions();
  const int range = Frame.range;
  const double heading = Frame.heading;
  if (range <= 0) return;
  for (const TFix& f : fix_) {
    if (f.active <= 0) continue;
    PlotSymbol(Frame, FixSymbolList(f.type), Upper(f.name).c_str(), static_cast<float>(f.latitude),
               static_cast<float>(f.longitude));
    double d = 0, b = 0;
    CalcDistanceBearing(d, b, Frame.ownLatitude, Frame.ownLongitude, f.latitude, f.longitude);
    if (!(d < kFixRingLimit)) continue;
    const double a = (b + 360 - heading) * kDegToRad;
    const double cx = std::sin(a) * d * kNdScale / range, cy = std::cos(a) * d * kNdScale / range;
    glTranslated(cx, cy, 0);
    for (const int D : f.distances)
      if (FixValueShown(D)) DrawCircle(D, range, cx, cy);
    for (const int B : f.bearings)
      if (FixValueShown(B)) DrawRadial(B, heading, f.magVar);
    glTranslated(-cx, -cy, 0);
  }
}

void TFixInfo::DrawCircle(int D, int Range, double cx, double cy) {
  const TFixCircle c = FixCircle(D, Range);
  glColor3f(0, 1, 0);
  // Only the chords that can show are sent; the others lie off the ND.
  glBegin(GL_LINES);
  for (const std::int64_t j : VisibleFixChords(c, cx, cy)) {
    const NdPoint p = FixCirclePoint(c, j), q = FixCirclePoint(c, j + 1);
    glVertex2d(p.x, p.y);
    glVertex2d(q.x, q.y);
    vertices_ += 2;
  }
  glEnd();
  const double o = 0.74 * c.radius;
  glTranslated(o, -o, 0);
  if (Font040) Font040->Print(std::to_string(D).c_str(), 0, 0, 0);
  glTranslated(-o, o, 0);
}

void TFixInfo::DrawRadial(int B, double Heading, int MagVar) {
  glColor3f(0, 1, 0);
  DrawTurned(FixRadialAngle(B, Heading, MagVar), [this] {
    glBegin(GL_LINES);
    for (int j = 0; j <= 1200; ++j) glVertex2d(0, 2 * j);
    glEnd();
    vertices_ += 1201;
  });
}
