#include "nd/Uvordisplay.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "shared/BrokerValue.h"
#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "nd/Ufixinfo.h"
#include "nd/Urunways.h"
#include "platform/DisplayLists.h"
#include "platform/Numbers.h"
#include "support/geo/geoMath.h"
#include "support/opengl/CgFontFI.h"

std::unique_ptr<Tvor> Vor;

TVorNavaidLookups VorNavaids;

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kNdScale = 141.42;
constexpr double kNotFound = -999;

using brokerlink::BrokerValueText;
using brokerlink::ReadBrokerInt;

void FindStation(const std::string& ident, double ownLat, double ownLon, double& lat, double& lon) {
  lat = -91;
  lon = -181;
  if (VorNavaids.FindPosition) VorNavaids.FindPosition(ident, ownLat, ownLon, lat, lon);
}

double StationDme(const std::string& ident, bool& flag, double lat, double lon, double alt) {
  return VorNavaids.DmeDistance ? VorNavaids.DmeDistance(ident, flag, lat, lon, alt) : kNotFound;
}

void ReadText(std::string_view line, std::string_view name, std::string& out) {
  std::string_view t;
  if (BrokerValueText(line, name, t)) out = std::string(t);
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

void Lines(std::initializer_list<std::pair<double, double>> pts) {
  glBegin(GL_LINES);
  for (const auto& [x, y] : pts) glVertex2d(x, y);
  glEnd();
}
void Loop(std::initializer_list<std::pair<double, double>> pts) {
  glBegin(GL_LINE_LOOP);
  for (const auto& [x, y] : pts) glVertex2d(x, y);
  glEnd();
}

void LeftHead(double bar) {
  glLineWidth(2);
  Lines({{0.5, 1}, {0, 3}, {0, 3}, {-0.5, 1}, {3.5, bar}, {-3.5, bar}, {0, 3.5}, {0, bar}});
}
void RightHead(double foot, double shoulder) {
  glLineWidth(1);
  Loop({{4, foot}, {4, shoulder}, {1.5, shoulder}, {1.5, 1.5}, {0, 3.5}, {-1.5, 1.5}, {-1.5, shoulder},
        {-4, shoulder}, {-4, foot}});
}

// The turn (for DrawTurned) of a pointer or radio line for a bearing of R
// tenths of a degree: the radial the aircraft is on, so the head and the
// line point back at the station, opposite the radial.
double PointerAngle(int R, double Heading) { return AngleDiff(R / 10.0, Heading) - 180; }

}  // namespace

int TunedFrequency(const std::string& Text, int Length) {
  if (Length == 0 || Text.empty()) return -1;
  double v = 0;
  if (!platform::ParseDouble(Text, v)) return -1;
  return platform::SafeRound(v * 100);
}

std::string DmeText(double Distance, bool Decoded) {
  const double d = platform::SafeRound(Distance * 10) / 10.0;
  if (!Decoded || d == kNotFound) return "DME ---";
  const int w = platform::SafeTrunc(d);
  const int t = platform::SafeRound((d - w) * 10) % 10;
  return "DME " + std::to_string(w) + "." + std::to_string(t);
}

void Tvor::BuildDisplayLists() {
  side_[0].efis = 1;
  side_[1].efis = 1;
  if (platform::BeginFixedList(ndlist::kRightHead)) {
    RightHead(-16.5, -15);
    glEndList();
  }
  if (platform::BeginFixedList(ndlist::kRightTail)) {
    glLineWidth(1);
    Loop({{4, -4}, {0, -2}, {0, 0}, {4, -2}});
    Loop({{-4, -4}, {0, -2}, {0, 0}, {-4, -2}});
    Loop({{0, 0}, {1.5, -0.75}, {1.5, 8.5}, {0, 10.5}, {-1.5, 8.5}, {-1.5, -0.75}});
    glEndList();
  }
  if (platform::BeginFixedList(ndlist::kLeftHead)) {
    LeftHead(-15.7);
    glEndList();
  }
  if (platform::BeginFixedList(ndlist::kLeftTail)) {
    glLineWidth(2);
    Lines({{3.5, -3}, {0, -1}, {-3.5, -3}, {0, -1}, {0, -3.5}, {0, 9.7}});
    glEndList();
  }
  if (platform::BeginFixedList(ndlist::kRightHeadCentred)) {
    RightHead(-10.5, -9);
    glEndList();
  }
  if (platform::BeginFixedList(ndlist::kLeftHeadCentred)) {
    LeftHead(-9.7);
    glEndList();
  }
}

void Tvor::ParseLine(std::string_view Line) {
  std::string_view s = Line;
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  const bool adf = s.find("MV.adf") != std::string_view::npos;
  const bool vor = s.find("MV.vor") != std::string_view::npos && !brokerlink::IsConnLine(s);
  if (!adf && !vor) return;
  TVorSide& l = side_[0];
  TVorSide& r = side_[1];
  ReadBrokerInt(s, "MV.vorRad1", l.radial);
  ReadBrokerInt(s, "MV.vorRad2", r.radial);
  ReadBrokerInt(s, "MV.vorEfisL", l.efis);
  ReadBrokerInt(s, "MV.vorEfisR", r.efis);
  ReadBrokerInt(s, "MV.vorDec1", l.vorDecoded);
  ReadBrokerInt(s, "MV.vorDec2", r.vorDecoded);
  ReadBrokerInt(s, "MV.adfDec1", l.adfDecoded);
  ReadBrokerInt(s, "MV.adfDec2", r.adfDecoded);
  ReadText(s, "MV.vor1FreqStr", l.vorFreq);
  ReadText(s, "MV.vor2FreqStr", r.vorFreq);
  ReadText(s, "MV.adf1FreqStr", l.adfFreq);
  ReadText(s, "MV.adf2FreqStr", r.adfFreq);
  ReadText(s, "MV.vor1Ident", l.vorIdent);
  ReadText(s, "MV.vor2Ident", r.vorIdent);
  ReadText(s, "MV.adf1Ident", l.adfIdent);
  ReadText(s, "MV.adf2Ident", r.adfIdent);
  ReadBrokerInt(s, "MV.vorInRg1", l.vorInRange);
  ReadBrokerInt(s, "MV.vorInRg2", r.vorInRange);
  ReadBrokerInt(s, "MV.adf1Rec", l.adfReceived);
  ReadBrokerInt(s, "MV.adf2Rec", r.adfReceived);
  ReadBrokerInt(s, "MV.vorOldRad1", l.pointerBearing);
  ReadBrokerInt(s, "MV.vorOldRad2", r.pointerBearing);
  ReadBrokerInt(s, "MV.vorCrs1", l.course);
  ReadBrokerInt(s, "MV.vorCrs2", r.course);
  ReadBrokerInt(s, "MV.vor1FreqLen", l.vorFreqLength);
  ReadBrokerInt(s, "MV.vor2FreqLen", r.vorFreqLength);
  ReadBrokerInt(s, "MV.adf1FreqLen", l.adfFreqLength);
  ReadBrokerInt(s, "MV.adf2FreqLen", r.adfFreqLength);
}

void Tvor::DrawTunedNavaids(const NdFrame& Frame) {
  const int f1 = TunedFrequency(side_[0].vorFreq, side_[0].vorFreqLength);
  const int f2 = TunedFrequency(side_[1].vorFreq, side_[1].vorFreqLength);
  if (VorNavaids.DrawTuned) VorNavaids.DrawTuned(Frame, f1, f2);
}

void Tvor::DrawRadioLines(const NdFrame& Frame) {
  const int range = Frame.range;
  if (range <= 0) return;
  for (TVorSide& s : side_) {
    int R = s.pointerBearing;
    if (s.efis != 2) {
      s.dmeDistance =
          StationDme(s.vorIdent, s.dmeFlag, Frame.ownLatitude, Frame.ownLongitude, Frame.ownAltitude);
      R = s.radial;
    }
    if (s.dmeFlag || s.vorInRange != 1) continue;
    glColor3f(0, 1, 0);
    DrawTurned(PointerAngle(R, Frame.displayHeading), [&] {
      // Without a decoded station, or one not found, the line runs beyond
      // the display edge.
      if (s.vorDecoded == 0 || s.dmeDistance == kNotFound) {
        Lines({{0, 0}, {0, 5000}});
        vertices_ += 2;
      } else {
        const double L = s.dmeDistance / range * kNdScale;
        Lines({{0, 0}, {0, L}, {-2.5, L}, {2.5, L}});
        vertices_ += 4;
      }
    });
  }
}

bool Tvor::CourseLine(int Side, int Range, double Lat, double Lon, double Heading, double& x, double& y,
                      double& angle) const {
  const TVorSide& s = side_[Side];
  if (Range <= 0 || s.course == 361) return false;
  double sLat = 0, sLon = 0;
  FindStation(s.vorIdent, Lat, Lon, sLat, sLon);
  if (sLat == -91 || sLon == -181) return false;
  int v = MagVarAt(static_cast<std::int8_t>(platform::SafeTrunc(sLat)), platform::SafeTrunc(sLon));
  if (sLat > 73 || sLat < -60) v = 0;
  double d = 0, b2 = 0, back = 0, b1 = 0;
  CalcDistanceBearing(d, b2, Lat, Lon, sLat, sLon);
  CalcDistanceBearing(back, b1, sLat, sLon, Lat, Lon);
  const double a = (b2 + 360 - Heading) * kDegToRad;
  x = std::sin(a) * d * kNdScale / Range;
  y = std::cos(a) * d * kNdScale / Range;
  const double k = 180 - b1 + b2;
  angle = AngleDiff(s.course, Heading - v) + k;
  return true;
}

void Tvor::DrawStations(const NdFrame& Frame) {
  for (int n = 0; n < 2; ++n) {
    double x = 0, y = 0, angle = 0;
    if (!CourseLine(n, Frame.range, Frame.ownLatitude, Frame.ownLongitude, Frame.heading, x, y, angle))
      continue;
    glTranslated(x, y, 0);
    glColor3f(0, 1, 0);
    DrawTurned(angle, [this] {
      glBegin(GL_LINES);
      for (int j = -1200; j <= 1200; ++j) glVertex2d(0, j);
      glEnd();
      vertices_ += 2401;
    });
    glTranslated(-x, -y, 0);
  }
}

TVorBlock Tvor::Block(int Side) const {
  const TVorSide& s = side_[Side];
  TVorBlock b;
  if (s.efis != 2 && s.efis != 0) return b;
  b.shown = true;
  b.vor = s.efis == 2;
  b.title = std::string(b.vor ? "VOR " : "ADF ") + (Side == 0 ? "L" : "R");
  if (b.vor) {
    if (s.vorFreqLength != 0) b.second = s.vorDecoded != 0 ? Upper(s.vorIdent) : s.vorFreq;
    b.secondSmall = s.dmeFlag && s.vorDecoded == 1;
    b.dmeShown = s.vorFreqLength != 0;
    if (b.dmeShown) b.dme = DmeText(s.dmeDistance, s.vorDecoded != 0);
  } else if (s.adfFreqLength != 0) {
    b.second = s.adfDecoded != 0 ? Upper(s.adfIdent) : s.adfFreq.substr(0, 5);
  }
  return b;
}

void Tvor::DrawLabels(const NdFrame& Frame, double DmeLat, double DmeLon) {
  for (int n = 0; n < 2; ++n) {
    TVorSide& s = side_[n];
    if (s.efis == 2) s.dmeDistance = StationDme(s.vorIdent, s.dmeFlag, DmeLat, DmeLon, Frame.ownAltitude);
    const TVorBlock b = Block(n);
    if (!b.shown) continue;
    const float X = n == 0 ? -98 : 75;
    glPushMatrix();
    glTranslatef(X, -18, 0);
    glColor3f(0, 0, 0);
    glBegin(GL_POLYGON);
    glVertex2d(-3, 7);
    glVertex2d(25, 7);
    glVertex2d(25, -16);
    glVertex2d(0, -16);
    glEnd();
    if (b.vor) glColor3f(0, 1, 0);
    else glColor3f(0.4f, 0.8f, 1.0f);
    if (Font8Alias) Font8Alias->Print(b.title.c_str(), 0, 0, 0);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(X, -25, 0);
    TCGFont3D* font = b.secondSmall ? Font040 : Font8Alias;
    if (font) font->Print(b.second.c_str(), 0, 0, 0);
    glPopMatrix();
    if (b.dmeShown) {
      // The distance shown is kept, rounded to a tenth.
      s.dmeDistance = platform::SafeRound(s.dmeDistance * 10) / 10.0;
      glPushMatrix();
      glTranslatef(X, -32, 0);
      glColor3f(0, 1, 0);
      if (Font040) Font040->Print(b.dme.c_str(), 0, 0, 0);
      glPopMatrix();
    }
  }
}

std::vector<TVorPointer> Tvor::Pointers(bool Centred, double Heading) const {
  std::vector<TVorPointer> out;
  const double S = Centred ? DisplaySize / 2 : DisplaySize;
  const auto add = [&](int n, bool adf) {
    TVorPointer p;
    p.side = n;
    p.adf = adf;
    p.head = n == 0 ? (Centred ? ndlist::kLeftHeadCentred : ndlist::kLeftHead)
                    : (Centred ? ndlist::kRightHeadCentred : ndlist::kRightHead);
    p.tail = n == 0 ? ndlist::kLeftTail : ndlist::kRightTail;
    p.radius = S;
    p.angle = PointerAngle(side_[n].pointerBearing, Heading);
    out.push_back(p);
  };
  for (int n = 0; n < 2; ++n)
    if (side_[n].efis == 0 && side_[n].adfReceived == 1) add(n, true);
  for (int n = 0; n < 2; ++n)
    if (side_[n].efis == 2 && !side_[n].dmeFlag && side_[n].vorInRange == 1) add(n, false);
  return out;
}

void Tvor::DrawPointer(const NdFrame& Frame) {
  const std::vector<TVorPointer> pointers = Pointers(Frame.layout == NdLayout::Profile, Frame.displayHeading);
  std::size_t next = 0;
  // The colour is set for every side on ADF, then on VOR, whether or not
  // its pointer shows.
  for (const int mode : {0, 2}) {
    for (int n = 0; n < 2; ++n) {
      if (side_[n].efis != mode) continue;
      if (mode == 0) glColor3f(0.4f, 0.8f, 1.0f);
      else glColor3f(0, 1, 0);
      if (next < pointers.size() && pointers[next].side == n && pointers[next].adf == (mode == 0)) {
        const TVorPointer& p = pointers[next++];
        DrawTurned(p.angle, [&] {
          glTranslated(0, p.radius, 0);
          glCallList(p.head);
          glTranslated(0, -p.radius, 0);
          glTranslated(0, -p.radius, 0);
          glCallList(p.tail);
          glTranslated(0, p.radius, 0);
        });
      }
    }
  }
}
