#include "nd/UNDObjects.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "platform/DisplayLists.h"
#include "platform/Numbers.h"
#include "support/geo/geoMath.h"
#include "support/opengl/CgDraw.h"

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;

void Vertices(std::initializer_list<NdPoint> points) {
  for (const NdPoint& p : points) glVertex2d(p.x, p.y);
}

void Loop(std::initializer_list<NdPoint> points) {
  glBegin(GL_LINE_LOOP);
  Vertices(points);
  glEnd();
}

void Polygon(std::initializer_list<NdPoint> points) {
  glBegin(GL_POLYGON);
  Vertices(points);
  glEnd();
}

using Loops = std::vector<std::vector<NdPoint>>;

// The navaid shapes: hexagon, its three ears, and the outline of both.
const std::vector<NdPoint> kHexagon = {{-1.2, -2.064}, {1.2, -2.064}, {2.4, 0},
                                       {1.2, 2.064},   {-1.2, 2.064}, {-2.4, 0}};
const Loops kEars = {{{2.4, 0}, {1.2, 2.064}, {2.64, 3.024}, {3.84, 0.96}},
                     {{-2.4, 0}, {-1.2, 2.064}, {-2.64, 3.024}, {-3.84, 0.96}},
                     {{-1.2, -2.064}, {1.2, -2.064}, {1.2, -3.7968}, {-1.2, -3.7968}}};
const std::vector<NdPoint> kOutline = {{-1.2, -2.064}, {-1.2, -3.7968}, {1.2, -3.7968}, {1.2, -2.064},
                                       {2.4, 0},       {3.84, 0.96},    {2.64, 3.024},  {1.2, 2.064},
                                       {-1.2, 2.064},  {-2.64, 3.024},  {-3.84, 0.96},  {-2.4, 0}};

void DrawLoops(const Loops& loops) {
  for (const auto& loop : loops) {
    glBegin(GL_LINE_LOOP);
    for (const NdPoint& p : loop) glVertex2d(p.x, p.y);
    glEnd();
  }
}
void Hexagon() { DrawLoops({kHexagon}); }
void Ears() { DrawLoops(kEars); }
void Outline() { DrawLoops({kOutline}); }
void Diamond(GLenum mode) {
  glBegin(mode);
  Vertices({{0, -2.4}, {2.4, 0}, {0, 2.4}, {-2.4, 0}});
  glEnd();
}
// Traffic arrows beside the symbol: head up (climb) or down (descent).
void Arrow(double dir) {
  glLineWidth(1);
  Polygon({{3.9, 1.5 * dir}, {5.4, 3 * dir}, {6.9, 1.5 * dir}});
  glBegin(GL_LINES);
  Vertices({{5.4, 3}, {5.4, -3}});
  glEnd();
}

struct Colour {
  float r, g, b;
};
constexpr Colour kCyan{0.4f, 0.8f, 1.0f}, kGreen{0, 1, 0}, kWhite{1, 1, 1}, kAmber{1, 1, 0},
    kRed{1, 0, 0};

// Compiles one fixed list; nullptr colour: the list keeps the current one.
template <typename Body>
void CompileSymbol(unsigned list, const Colour* colour, Body body) {
  if (!platform::BeginFixedList(list)) return;
  if (colour) glColor3f(colour->r, colour->g, colour->b);
  body();
  glEndList();
}

// Lists the element base deletes at program end; the waypoint and the
// tuned navaid lists are left to the end of the context.
constexpr unsigned kOwnedSymbolLists[] = {ndlist::kNavaidVorDme, ndlist::kNavaidVor,
                                          ndlist::kNavaidDme, ndlist::kAirport,
                                          ndlist::kTrafficOther, ndlist::kTrafficProximate,
                                          ndlist::kTrafficAdvisory, ndlist::kResolutionAdvisory,
                                          ndlist::kClimbArrow, ndlist::kDescendArrow};

}  // namespace

// ---------------------------------------------------------------------------
// Element base and symbols

std::optional<NdPoint> SymbolPosition(float AcLat, float AcLon, float Heading, float SymLat,
                                      float SymLon, int Range) {
  if (Range <= 0) return std::nullopt;
  double c = std::fabs(std::cos(AcLat * kDegToRad));
  if (c == 0) c = 0.0001;
  // Cheap window first; written so that NaN fails it.
  if (!(std::fabs(AngleDiff(AcLat, SymLat)) * 60 < 1.5 * Range)) return std::nullopt;
  if (!(std::fabs(AngleDiff(AcLon, SymLon)) * 60 < 1.5 * Range / c)) return std::nullopt;
  double d = 0, b = 0;
  CalcDistanceBearing(d, b, AcLat, AcLon, SymLat, SymLon);
  const double a = (b + 360 - Heading) * kDegToRad;
  const NdPoint p{std::sin(a) * d * DisplaySize / Range, std::cos(a) * d * DisplaySize / Range};
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
  return p;
}

void TNDDataElement::BuildSymbolLists() {
  CompileSymbol(ndlist::kWaypoint, &kCyan, [] { DrawLoops(CyanSymbolOutlines(ndlist::kWaypoint)); });
  CompileSymbol(ndlist::kNavaidVorDme, &kCyan, [] {
    Hexagon();
    Ears();
  });
  CompileSymbol(ndlist::kTunedVorDme, &kGreen, [] {
    Hexagon();
    Ears();
  });
  CompileSymbol(ndlist::kNavaidDme, &kCyan, Outline);
  CompileSymbol(ndlist::kTunedDme, &kGreen, Outline);
  CompileSymbol(ndlist::kNavaidVor, &kCyan, Hexagon);
  CompileSymbol(ndlist::kTunedVor, &kGreen, Hexagon);
  CompileSymbol(ndlist::kTrafficOther, &kWhite, [] { Diamond(GL_LINE_LOOP); });
  CompileSymbol(ndlist::kTrafficAdvisory, &kAmber, [] {
    // Points at 0, 30, 45 and 60 degrees in each quadrant.
    constexpr double a[4] = {0, 30, 45, 60};
    glBegin(GL_POLYGON);
    for (int q = 0; q < 4; ++q)
      for (double deg : a) {
        const double t = (q * 90 + deg) * kDegToRad;
        glVertex2d(2.4 * std::sin(t), -2.4 * std::cos(t));
      }
    glEnd();
  });
  CompileSymbol(ndlist::kResolutionAdvisory, &kRed,
                [] { Polygon({{2.4, -2.4}, {-2.4, -2.4}, {-2.4, 2.4}, {2.4, 2.4}}); });
  CompileSymbol(ndlist::kTrafficProximate, &kWhite, [] { Diamond(GL_POLYGON); });
  CompileSymbol(ndlist::kClimbArrow, nullptr, [] { Arrow(1); });
  CompileSymbol(ndlist::kDescendArrow, nullptr, [] { Arrow(-1); });
  CompileSymbol(ndlist::kAirport, &kCyan, [] { DrawLoops(CyanSymbolOutlines(ndlist::kAirport)); });
}

const std::vector<std::vector<NdPoint>>& CyanSymbolOutlines(unsigned List) {
  static const Loops none;
  static const Loops waypoint = {{{-2.4, -1.38}, {2.4, -1.38}, {0, 2.772}}};
  static const Loops vorDme = [] {
    Loops l = {kHexagon};
    l.insert(l.end(), kEars.begin(), kEars.end());
    return l;
  }();
  static const Loops vor = {kHexagon};
  static const Loops dme = {kOutline};
  static const Loops airport = [] {
    // Twelve points every 30 degrees from (-3, 0) through (0, -3).
    std::vector<NdPoint> loop;
    for (int i = 0; i < 12; ++i) {
      const double t = i * 30 * kDegToRad;
      loop.push_back({-3 * std::cos(t), -3 * std::sin(t)});
    }
    return Loops{loop};
  }();
  switch (List) {
    case ndlist::kWaypoint: return waypoint;
    case ndlist::kNavaidVorDme: return vorDme;
    case ndlist::kNavaidVor: return vor;
    case ndlist::kNavaidDme: return dme;
    case ndlist::kAirport: return airport;
    default: return none;
  }
}

bool SymbolOutsideCircle(NdPoint P, std::size_t Characters, double Size, NdPoint Centre, double Radius) {
  if (!(Radius > 0) || !std::isfinite(Radius)) return false;
  // A box holding the symbol (within 4 units of P, a wide line added) and
  // its label: glyphs at most 1.5 em wide, 2 em above and below the base.
  const double s = std::fabs(Size);
  const double x1 = P.x - 5, x2 = P.x + 5 + s * (0.5 + 1.5 * static_cast<double>(Characters));
  const double y1 = P.y - 5 - 3.1 * s, y2 = P.y + std::max(5.0, 0.9 * s);
  // The point of the box nearest the centre.
  const double nx = std::clamp(Centre.x, x1, x2), ny = std::clamp(Centre.y, y1, y2);
  const double d = std::hypot(nx - Centre.x, ny - Centre.y);
  return d > Radius;
}

void TNDDataElement::DeleteSymbolLists() {
  for (unsigned list : kOwnedSymbolLists) platform::DeleteFixedList(list);
}

namespace {
NdPoint ShownCentre;
double ShownRadius = 0;
}  // namespace

void TNDDataElement::SetShownArea(NdPoint Centre, double Radius) {
  ShownCentre = Centre;
  ShownRadius = Radius;
}

void TNDDataElement::DrawSymbolAt(unsigned List, const char* Label, NdPoint At) const {
  glTranslated(At.x, At.y, 0);
  glCallList(List);
  // The label starts right of and below the symbol, in the list's colour.
  if (Label && *Label && Font040) Font040->Print(Label, 0.5f, -1.1f, 0);
  glColor3f(1, 1, 1);
  glTranslated(-At.x, -At.y, 0);
}

void TNDDataElement::PlotSymbol(const NdFrame& Frame, unsigned List, const char* Label, float SymLat,
                                float SymLon) const {
  if (const auto p = SymbolPosition(static_cast<float>(Frame.ownLatitude), static_cast<float>(Frame.ownLongitude),
                                    static_cast<float>(Frame.heading), SymLat, SymLon, Frame.range)) {
    if (noting_) noted_.push_back({List, Label ? Label : "", *p, true});
    else DrawSymbolAt(List, Label, *p);
  }
  if (!noting_) glLineWidth(1);
}

void TNDDataElement::BeginSymbols() const {
  noted_.clear();
  noting_ = true;
}

void TNDDataElement::EndSymbols() const {
  noting_ = false;
  const double size = Font040 ? Font040->Size : 0;
  bool batched = true;
  for (NotedSymbol& n : noted_) {
    n.shown = !SymbolOutsideCircle(n.at, n.label.size(), size, ShownCentre, ShownRadius);
    if (n.shown && CyanSymbolOutlines(n.list).empty()) batched = false;
  }
  // Every symbol, shown or not, moves the model-view matrix there and back
  // as drawing it one by one does: the matrix keeps the same rounding, and
  // so does everything drawn after the symbols. The first shown symbol
  // meets the line width the frame has set so far; every later one is
  // drawn at width 1.
  std::size_t i = 0;
  bool first = true;
  for (; i < noted_.size() && (first || !batched); ++i) {
    const NotedSymbol& n = noted_[i];
    if (n.shown) {
      DrawSymbolAt(n.list, n.label.c_str(), n.at);
      glLineWidth(1);
      first = false;
    } else {
      glTranslated(n.at.x, n.at.y, 0);
      glTranslated(-n.at.x, -n.at.y, 0);
    }
  }
  if (i < noted_.size()) {
    // The outlines of the rest, each loop as its segments, in one list of
    // lines; then the labels.
    batch_.clear();
    for (std::size_t k = i; k < noted_.size(); ++k) {
      if (!noted_[k].shown) continue;
      const NdPoint at = noted_[k].at;
      for (const auto& loop : CyanSymbolOutlines(noted_[k].list))
        for (std::size_t v = 0; v < loop.size(); ++v) {
          const NdPoint& a = loop[v];
          const NdPoint& b = loop[(v + 1) % loop.size()];
          batch_.insert(batch_.end(), {static_cast<float>(at.x + a.x), static_cast<float>(at.y + a.y),
                                       static_cast<float>(at.x + b.x), static_cast<float>(at.y + b.y)});
        }
    }
    glColor3f(kCyan.r, kCyan.g, kCyan.b);
    if (!batch_.empty()) {
      glEnableClientState(GL_VERTEX_ARRAY);
      glVertexPointer(2, GL_FLOAT, 0, batch_.data());
      glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(batch_.size() / 2));
      glDisableClientState(GL_VERTEX_ARRAY);
    }
    // Nothing but labels until the end of the run: those kept as pixels go
    // to the screen together.
    TCGFont3D::BeginRun();
    for (; i < noted_.size(); ++i) {
      const NotedSymbol& n = noted_[i];
      glTranslated(n.at.x, n.at.y, 0);
      if (n.shown && !n.label.empty() && Font040) Font040->Print(n.label.c_str(), 0.5f, -1.1f, 0);
      glTranslated(-n.at.x, -n.at.y, 0);
    }
    TCGFont3D::EndRun();
  }
  // As after a symbol drawn one by one, shown or not.
  if (!noted_.empty()) glColor3f(1, 1, 1);
  glLineWidth(1);
  noted_.clear();
}

// ---------------------------------------------------------------------------
// Heading box

std::array<std::string, 3> HeadingDigits(double Heading, int HeadingStatus) {
  if (HeadingStatus == 1) return {"-", "-", "-"};
  // Heading is folded after rounding, with a modulo that is never negative.
  int n = (platform::SafeRound(Heading) % 360 + 360) % 360;
  return {std::to_string(n / 100), std::to_string(n / 10 % 10), std::to_string(n % 10)};
}

bool TrueHeadingRegion(double Latitude) { return Latitude >= 73 || Latitude <= PolarSouthLimit; }

void THdgBox::Draw(const NdFrame& Frame, double GridHeading) const {
  const int status = Frame.headingStatus;
  glLineWidth(2);
  cgdraw::WhiteColour();
  glBegin(GL_LINE_STRIP);
  Vertices({{-10, 8.8}, {-10, 0}, {10, 0}, {10, 8.8}});
  glEnd();
  if (status >= 1) {
    glLineWidth(2);
    const auto digits = HeadingDigits(Frame.displayHeading, status);
    const float x[3] = {-0.95f, -0.35f, 0.25f};
    for (int i = 0; i < 3; ++i) cgdraw::PrintUnits(Font10Alias, digits[i], x[i], 0.2);
    cgdraw::GreenColour();
    cgdraw::PrintUnits(Font8Alias, "HDG", -3.6, 0.2);
    if (TrueHeadingRegion(Frame.ownLatitude)) {
      cgdraw::PrintUnits(Font8Alias, "TRU", 1.6, 0.2);
      cgdraw::WhiteColour();
      glLineWidth(1);
      Loop({{12, 7.5}, {12, 0}, {28, 0}, {28, 7.5}});
      Loop({{30, 11}, {30, -2}, {44, -2}, {44, 11}});
      const auto grid = HeadingDigits(GridHeading, 2);
      const float gx[3] = {4, 4.5f, 5};
      for (int i = 0; i < 3; ++i) cgdraw::PrintUnits(Font8Alias, grid[i], gx[i], 0);
      cgdraw::PrintUnits(Font040, "GRID", 5.5, 1);
    } else {
      cgdraw::PrintUnits(Font8Alias, "MAG", 1.6, 0.2);
    }
  }
  if (status == 0) {
    // The amber "HDG" flag; the three translations cancel out.
    glLineWidth(1);
    cgdraw::AmberColour();
    glTranslated(0, 6, 0);
    Loop({{-8, 3}, {8, 3}, {8, -5}, {-8, -5}});
    glTranslated(-7, -3, 0);
    cgdraw::PrintUnits(Font050, "HDG", 0, 0);
    glTranslated(7, -3, 0);
  }
}

// ---------------------------------------------------------------------------
// Compass cards

NdPoint CompassLabelOffset(bool Rose, std::size_t Characters) {
  const double s = DisplaySize;
  if (Rose) return {(Characters > 1 ? -0.00375 : -0.001875) * s, 0.128 * s};
  return {(Characters > 1 ? -0.0075 : -0.00375) * s * 0.62, 0.128 * s * 0.62};
}

void TCompassCard::CompileCard(unsigned list, bool labelled) const {
  if (!platform::BeginFixedList(list)) return;
  const double R = rose_ ? DisplaySize * DisplaySizeFactor : DisplaySize / 2;
  auto tick = [](double deg, double r1, double r2) {
    const double t = deg * kDegToRad;
    cgdraw::Line(r1 * std::cos(t), r1 * std::sin(t), r2 * std::cos(t), r2 * std::sin(t));
  };
  glColor3f(1, 1, 1);
  glLineWidth(rose_ ? 2 : 1);
  if (labelled) {
    // Each label is followed by a turn of -30 degrees: twelve make a full turn.
    TCGFont3D* font = rose_ ? Font050 : Font040;
    for (const char* label : CompassLabels) {
      const NdPoint at = CompassLabelOffset(rose_, std::char_traits<char>::length(label));
      if (font) font->Print(label, static_cast<float>(at.x), static_cast<float>(at.y), 0);
      glRotatef(-30, 0, 0, 1);
    }
  }
  if (rose_) {
    for (int i = 0; i <= 35; ++i) tick(10.0 * i, 0.95 * R, R);
    for (int i = 1; i <= 71; i += 2) tick(5.0 * i, 0.975 * R, R);
    glBegin(GL_LINES);
    for (int i = 1; i <= 180; ++i) {
      const double a0 = 2.0 * (i - 1) * kDegToRad, a1 = 2.0 * i * kDegToRad;
      glVertex2d(R * std::cos(a0), R * std::sin(a0));
      glVertex2d(R * std::cos(a1), R * std::sin(a1));
    }
    glEnd();
  } else {
    for (int i = 0; i <= 12; ++i) tick(30.0 * i, 69.296388, 70.7106);
    for (int i = 0; i <= 36; ++i)
      if (i % 3 != 0) tick(10.0 * i, 67.17507, 70.7106);
  }
  glEndList();
}

void TCompassCard::BuildDisplayLists() const {
  CompileCard(rose_ ? RoseCompassList : CtrCompassList, true);
  CompileCard(rose_ ? RoseCompassPlainList : CtrCompassPlainList, false);
}

void TCompassCard::DeleteDisplayLists() const {
  platform::DeleteFixedList(rose_ ? RoseCompassList : CtrCompassList);
  platform::DeleteFixedList(rose_ ? RoseCompassPlainList : CtrCompassPlainList);
}

void TCompassCard::Draw(const NdFrame& Frame, int ShowSelectedLine, float Selected) const {
  const int status = Frame.headingStatus;
  const double c = rose_ ? DisplaySize : DisplaySize / 2;
  const double heading = cgdraw::Finite(static_cast<float>(Frame.displayHeading)),
               selected = cgdraw::Finite(Selected);
  if (rose_) glLineWidth(1);
  else cgdraw::WhiteColour();
  if (status >= 1) {
    glRotated(heading, 0, 0, 1);
    if (status == 2) glCallList(rose_ ? RoseCompassList : CtrCompassList);
    else glCallList(rose_ ? RoseCompassPlainList : CtrCompassPlainList);
    glRotated(-heading, 0, 0, 1);
  }
  // The aircraft symbol, apex on the aircraft position.
  if (rose_) cgdraw::WhiteColour();
  else glLineWidth(2);
  Loop({{0, 0}, {-5.8925, -14.142}, {5.8925, -14.142}});
  if (status != 2) return;
  glRotated(heading - selected, 0, 0, 1);
  cgdraw::SelectedColour();
  glBegin(GL_LINES);
  Vertices({{0, c}, {0, c - 5}, {-5, c - 5}, {5, c - 5}, {-5, c - 5}, {-5, c}, {5, c}, {-5, c},
            {5, c}, {5, c - 5}});
  if (ShowSelectedLine != 0) {
    const int dashes = rose_ ? 20 : 10;
    for (int i = 0; i < dashes; ++i) {
      glVertex2d(0, 2.0 * i / 20 * DisplaySize / 2);
      glVertex2d(0, (2.0 * i + 1) / 20 * DisplaySize / 2);
    }
  }
  glEnd();
  glRotated(selected - heading, 0, 0, 1);
}

// ---------------------------------------------------------------------------
// Track line, trend vector, altitude range arc

std::vector<NdSegment> RangeMarkSegments(double Fraction, double Bank, double Length) {
  std::vector<NdSegment> out;
  const double L = Length;
  const double k = std::fabs(Bank) >= 1 ? 1 : 0;
  if (Fraction > 0) {
    const double f = Fraction < 0.75 ? 0.36 : 0.18;
    out.push_back({{0, f * L * Fraction * k}, {0, L * Fraction}});
  } else {
    out.push_back({{0, -L * Fraction * Fraction}, {0, L * Fraction}});
  }
  const double y = 0.5 * Fraction * L;
  out.push_back({{-2, y}, {2, y}});
  if (Fraction > 0.99) {
    out.push_back({{-2, 0.25 * L}, {2, 0.25 * L}});
    out.push_back({{-2, 0.75 * L}, {2, 0.75 * L}});
  }
  return out;
}

TrendVector TrendVectorGeometry(int Range, double GroundSpeed, double Bank) {
  TrendVector tv;
  if (Bank == 0 || !(std::fabs(Bank) > 1) || !(GroundSpeed > 0) || Range <= 0) return tv;
  double m = 30 / Bank;
  if (m >= 40) m = 40;
  if (m < 1) m = 1;
  const double R = GroundSpeed * GroundSpeed / (std::tan(Bank * kDegToRad) * 68648.812) * 0.9;
  double t = std::fabs((GroundSpeed / 120) / (2 * std::numbers::pi * R)) * 360 * m;
  if (!std::isfinite(t)) return tv;
  // A full turn in 30 seconds is as much as the vector ever shows.
  if (t > 360 * m) t = 360 * m;
  const double r = R / Range * DisplaySize;
  if (!std::isfinite(r) || std::fabs(r) >= 600) return tv;
  tv.r = r;
  auto strip = [&](double from, double to) {
    std::vector<NdPoint> pts;
    const int k0 = platform::SafeRound(from), k1 = platform::SafeRound(to);
    if (k1 >= k0) pts.reserve(static_cast<std::size_t>(k1 - k0) + 1);
    for (int k = k0; k <= k1; ++k) {
      const double a = k / m * kDegToRad;
      pts.push_back({-r * std::cos(a), std::fabs(r * std::sin(a))});
    }
    tv.strips.push_back(std::move(pts));
  };
  strip(0.15 * t, t);
  if (Range >= 20) strip(1.15 * t, 2 * t);
  if (Range >= 40) strip(2.15 * t, 3 * t);
  return tv;
}

std::optional<double> AltitudeArcOffset(int Range, bool Centred, double GroundSpeed,
                                        double VerticalSpeed, double Altitude,
                                        double SelectedAltitude) {
  if (Range <= 0 || VerticalSpeed == 0) return std::nullopt;
  if (!(std::fabs(Altitude - SelectedAltitude) >= 200)) return std::nullopt;
  const double d = (SelectedAltitude - Altitude) / VerticalSpeed * GroundSpeed / 60;
  if (!std::isfinite(d) || d < 0) return std::nullopt;
  double y = (2 * d / Range - 1) * DisplaySize / 2;
  if (y > DisplaySize / 2) y = DisplaySize / 2;
  if (Centred && y > 0) y = 0;
  return y;
}

void TTrackLine::BuildDisplayLists(float NewLength) {
  Length = NewLength;
  if (platform::BeginFixedList(ndlist::kHeadingPointer)) {
    glColor3f(1, 1, 1);
    glLineWidth(1);
    Loop({{0, 0}, {-3, 4}, {3, 4}});
    glEndList();
  }
  if (platform::BeginFixedList(ndlist::kAltitudeArc)) {
    glColor3f(0, 1, 0);
    glLineWidth(1);
    glBegin(GL_LINE_STRIP);
    for (int i = -20; i <= 20; ++i)
      glVertex2d(std::sin(i * kDegToRad) * DisplaySize / 2, std::cos(i * kDegToRad) * DisplaySize / 2);
    glEnd();
    glEndList();
  }
}

void TTrackLine::DeleteDisplayLists() {
  platform::DeleteFixedList(ndlist::kHeadingPointer);
  platform::DeleteFixedList(ndlist::kAltitudeArc);
}

void TTrackLine::Draw(const NdFrame& Frame) const {
  // The pointer sits on the rose card's radius in the arc layout, on the
  // centred card's in the profile layout.
  const bool arc = Frame.layout == NdLayout::Arc;
  const double up = Frame.displaySize / (arc ? 1.0f : 2.0f);
  glTranslated(0, up, 0);
  glCallList(ndlist::kHeadingPointer);
  glTranslated(0, -up, 0);
  if (Frame.positionValid) return;
  const double y0 = arc ? 56 : -24;
  cgdraw::AmberColour();
  glTranslated(0, y0, 0);
  Loop({{-8, 3}, {8, 3}, {8, -5}, {-8, -5}});
  glTranslated(-7, -3, 0);
  cgdraw::PrintUnits(Font050, "MAP", 0, 0);
  glTranslated(7, 3 - y0, 0);
  cgdraw::WhiteColour();
}

void TTrackLine::DrawRangeMarks(float Fraction, float Bank) const {
  glLineWidth(1);
  for (const NdSegment& s : RangeMarkSegments(Fraction, Bank, Length)) cgdraw::Line(s.a.x, s.a.y, s.b.x, s.b.y);
}

void TTrackLine::DrawTrendVector(const NdFrame& Frame, float Speed, float Bank) const {
  const TrendVector tv = TrendVectorGeometry(Frame.range, Speed, Bank);
  if (tv.strips.empty()) return;
  glTranslated(tv.r, 0, 0);
  for (const auto& strip : tv.strips) {
    glBegin(GL_LINE_STRIP);
    for (const NdPoint& p : strip) glVertex2d(p.x, p.y);
    glEnd();
  }
  glTranslated(-tv.r, 0, 0);
}

void TTrackLine::DrawAltitudeArc(const NdFrame& Frame, float Speed, float Climb, float Altitude,
                                 float Selected) const {
  const auto y = AltitudeArcOffset(Frame.range, Frame.layout == NdLayout::Profile, Speed, Climb, Altitude,
                                   Selected);
  if (!y) return;
  glTranslated(0, *y, 0);
  glCallList(ndlist::kAltitudeArc);
  glTranslated(0, -*y, 0);
}
