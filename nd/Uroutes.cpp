#include "nd/Uroutes.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "shared/UDeclarations.h"
#include "shared/Udebug.h"
#include "nd/Urunways.h"
#include "platform/DisplayLists.h"
#include "platform/LogLimiter.h"
#include "platform/Numbers.h"
#include "support/geo/geoMath.h"

std::unique_ptr<TRoute> Route;

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr std::size_t kMaxNameLength = 7;
constexpr std::size_t kMaxLoggedLine = 200;

platform::TLogLimiter& BadValueLog() {
  static platform::TLogLimiter log([](const std::string& l) { WriteDebug(l); },
                                   platform::MoreDropped(" Broker Comm: Route lines with a bad value"));
  return log;
}

bool ValidIndex(int i) { return i >= 0 && i < TRoute::kSlots; }

// Values above the top of the field's range came as unsigned numbers.
int Signed16(int v) { return v > 600 ? v - 65536 : v; }

void Star() {
  glLineWidth(1);
  glBegin(GL_LINE_LOOP);
  glVertex2d(-0.9, 0.9);
  glVertex2d(0, 4.5);
  glVertex2d(0.9, 0.9);
  glVertex2d(4.5, 0);
  glVertex2d(0.9, -0.9);
  glVertex2d(0, -4.5);
  glVertex2d(-0.9, -0.9);
  glVertex2d(-4.5, 0);
  glEnd();
}

std::string UpperName(std::string_view v) {
  std::string s(v.substr(0, kMaxNameLength));
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

void TRoute::BuildDisplayLists() {
  Clear();
  if (platform::BeginFixedList(ndlist::kRouteActiveStar)) {
    glColor3f(0, 0, 0);
    glColor3ub(225, 125, 225);
    Star();
    glEndList();
  }
  if (platform::BeginFixedList(ndlist::kRouteStar)) {
    glColor3f(1, 1, 1);
    Star();
    glEndList();
  }
}

void TRoute::Clear() {
  for (int i = 0; i < kSlots; ++i) {
    name_[i].clear();
    latDeg_[i] = -91;
    latMin_[i] = -600;
    lonDeg_[i] = -181;
    lonMin_[i] = -600;
    course_[i] = -1;
  }
  count_ = 0;
}

void TRoute::SetName(std::string_view Value, int Index) {
  if (ValidIndex(Index)) name_[Index] = UpperName(Value);
}
void TRoute::SetLatDegrees(int Value, int Index) {
  if (ValidIndex(Index)) latDeg_[Index] = Value > 127 ? Value - 256 : Value;
}
void TRoute::SetLatMinutes(int Value, int Index) {
  if (ValidIndex(Index)) latMin_[Index] = Signed16(Value);
}
void TRoute::SetLonDegrees(int Value, int Index) {
  if (ValidIndex(Index)) lonDeg_[Index] = Signed16(Value);
}
void TRoute::SetLonMinutes(int Value, int Index) {
  if (ValidIndex(Index)) lonMin_[Index] = Signed16(Value);
}
void TRoute::SetLegCourse(int Value, int Index) {
  if (ValidIndex(Index)) course_[Index] = Value;
}
void TRoute::SetLegValueF(int Value, int Index) {
  if (ValidIndex(Index)) f_[Index] = Value;
}
void TRoute::SetLegValueG(int Value, int Index) {
  if (ValidIndex(Index)) g_[Index] = Value;
}
void TRoute::SetCount(int Value) { count_ = Value > kMaxCount ? kMaxCount : Value; }
void TRoute::SetLastLeg(int Value) { lastLeg_ = Value; }

double TRoute::PointLatitude(int k) const { return latDeg_[k] + latMin_[k] / 600.0; }
double TRoute::PointLongitude(int k) const { return lonDeg_[k] + lonMin_[k] / 600.0; }

std::vector<TRouteLeg> TRoute::Legs(int Range, float OwnLat, float OwnLon, float Heading) {
  std::vector<TRouteLeg> legs;
  if (Range <= 0) return legs;
  const double scale = DisplaySize / Range;
  if (name_[1] == "@") lastLeg_ = 0;
  const auto screen = [&](double lat, double lon) {
    double d = 0, b = 0;
    CalcDistanceBearing(d, b, OwnLat, OwnLon, lat, lon);
    const double a = (b + 360 - Heading) * kDegToRad;
    return NdPoint{std::sin(a) * d * scale, std::cos(a) * d * scale};
  };
  for (int i = 0; i < count_; ++i) {
    double aLat = PointLatitude(i), aLon = PointLongitude(i);
    if (i == 0) {
      // The first leg starts last-leg NM behind point 1 on its inbound
      // course made true.
      const double bearing =
          MagVarAt(static_cast<std::int8_t>(latDeg_[1]), lonDeg_[1]) + static_cast<double>(course_[1]) + 180;
      DestinationPoint(aLat, aLon, PointLatitude(1), PointLongitude(1), lastLeg_, bearing);
    }
    if (name_[i].starts_with('#') || name_[i + 1].starts_with('#')) continue;
    TRouteLeg leg;
    leg.to = i + 1;
    leg.endLat = PointLatitude(i + 1);
    leg.endLon = PointLongitude(i + 1);
    leg.a = screen(aLat, aLon);
    leg.b = screen(leg.endLat, leg.endLon);
    leg.symbol = !name_[i + 1].starts_with('@');
    leg.list = i == 1 ? ndlist::kRouteActiveStar : ndlist::kRouteStar;
    legs.push_back(leg);
  }
  return legs;
}

void TRoute::Draw(const NdFrame& Frame) {
  const float lat = static_cast<float>(Frame.ownLatitude), lon = static_cast<float>(Frame.ownLongitude);
  for (const TRouteLeg& leg : Legs(Frame.range, lat, lon, static_cast<float>(Frame.heading))) {
    glColor3ub(225, 125, 225);
    glLineWidth(2);
    glBegin(GL_LINE_LOOP);
    glVertex2d(leg.a.x, leg.a.y);
    glVertex2d(leg.b.x, leg.b.y);
    glEnd();
    if (leg.symbol)
      PlotSymbol(Frame, leg.list, name_[leg.to].c_str(), static_cast<float>(leg.endLat),
                 static_cast<float>(leg.endLon));
  }
}

float TRoute::DistanceToActive(float Lat, float Lon) const {
  if (count_ < 2) return -1;
  double d = 0, b = 0;
  CalcDistanceBearing(d, b, Lat, Lon, PointLatitude(2), PointLongitude(2));
  return static_cast<float>(d);
}

// ---------------------------------------------------------------------------
// Broker items

namespace {

// One item; false when a number in it is not a whole number.
bool TakeRouteItem(std::string_view name, std::string_view value, TRoute& route) {
  if (name.size() < 3) return true;
  const char kind = name[2];
  int index = 0, v = 0;
  if (kind >= '0' && kind <= '9') {
    if (!platform::ParseDecimalInt(name.substr(2, 2), index)) return false;
    route.SetName(value, index);
    return true;
  }
  if (kind >= 'a' && kind <= 'g') {
    if (!platform::ParseDecimalInt(name.substr(3, 2), index)) return false;
    if (!platform::ParseDecimalInt(value, v)) return false;
    if (!ValidIndex(index)) return true;
    switch (kind) {
      case 'a': route.SetLatDegrees(v, index); break;
      case 'b': route.SetLatMinutes(v, index); break;
      case 'c': route.SetLonDegrees(v, index); break;
      case 'd': route.SetLonMinutes(v, index); break;
      case 'e': route.SetLegCourse(v, index); break;
      case 'f': route.SetLegValueF(v, index); break;
      default: route.SetLegValueG(v, index); break;
    }
    return true;
  }
  if (kind == 'W' || kind == 'L') {
    if (!platform::ParseDecimalInt(value, v)) return false;
    if (kind == 'W') route.SetCount(v);
    else route.SetLastLeg(v);
  }
  return true;
}

}  // namespace

bool ParseRouteLine(std::string_view Line, TRoute& Target) {
  std::string_view s = Line;
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  std::size_t p = s.find("R.");
  // Every turn starts further on in the line, so the walk ends.
  while (p != std::string_view::npos) {
    s = s.substr(p);
    const std::size_t blank = s.find(' ');
    if (blank == std::string_view::npos) break;
    const std::string_view name = s.substr(0, blank);
    const std::string_view rest = s.substr(blank + 1);
    const std::size_t end = rest.find(' ');
    const std::string_view value = end == std::string_view::npos ? rest : rest.substr(0, end);
    s = rest;
    p = s.find("R.");
    if (!TakeRouteItem(name, value, Target)) {
      std::string shown(Line.substr(0, kMaxLoggedLine));
      if (!shown.empty() && shown.back() == '\r') shown.pop_back();
      BadValueLog().Log(" Broker Comm: Route value is not a whole number: " + shown);
      return false;
    }
  }
  return true;
}
