#include "support/geo/geoMath.h"

#include <cmath>

namespace {

constexpr double kDegPerRad = 57.29577951308232;
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kArcCosSwitch = 0.707106781187;

// Sine and cosine of the reference latitude and longitude.
double g_sinLat = 0, g_cosLat = 1, g_sinLon = 0, g_cosLon = 1;

double Clamp1(double v) { return v < -1.0 ? -1.0 : (v > 1.0 ? 1.0 : v); }

}  // namespace

void SetReferencePoint(double Lat, double Lon) {
  const double lat = Lat / kDegPerRad, lon = Lon / kDegPerRad;
  g_sinLat = std::sin(lat);
  g_cosLat = std::cos(lat);
  g_sinLon = std::sin(lon);
  g_cosLon = std::cos(lon);
}

double ArcTan2Rad(double X, double Y) {
  if (X == 0.0 && Y == 0.0) return 0.0;
  double a;
  if (std::fabs(X) >= std::fabs(Y))
    a = std::atan(std::fabs(Y / X));
  else
    a = kHalfPi - std::atan(std::fabs(X / Y));
  // A negative zero counts as not negative.
  if (X < 0 && Y < 0) return a - kPi;
  if (X >= 0 && Y < 0) return -a;
  if (X < 0 && Y >= 0) return kPi - a;
  return a;
}

void VectorToLatLon(double& Lat, double& Lon, double X, double Y, double Z) {
  const double r = std::sqrt(X * X + Y * Y);
  Lon = ArcTan2Rad(X, Y);
  if (std::fabs(Z) >= r) {
    // Both zero: a null vector points nowhere; call it the equator.
    Lat = (Z == 0.0) ? 0.0 : kHalfPi - std::atan(std::fabs(r / Z));
  } else {
    Lat = std::atan(std::fabs(Z / r));
  }
  if (Z < 0) Lat = -Lat;
}

double SafeArcCos(double C) {
  // Rounding can carry a ratio just past 1; arccos is defined up to 1.
  C = Clamp1(C);
  double result;
  if (std::fabs(C) < kArcCosSwitch) {
    result = kHalfPi - std::atan(std::fabs(C) / std::sqrt(1.0 - C * C));
  } else {
    const double s = std::sqrt(1.0 - C * C);
    result = std::atan(s / std::sqrt(1.0 - s * s));
  }
  if (C < 0) result = kPi - result;
  return result;
}

void CalcDistanceBearing(double& Distance, double& Bearing, double Lat1, double Lon1, double Lat2, double Lon2) {
  SetReferencePoint(Lat1, Lon1);
  const double lat2 = Lat2 / kDegPerRad, lon2 = Lon2 / kDegPerRad;
  const double sinLat2 = std::sin(lat2), cosLat2 = std::cos(lat2);
  const double sinLon2 = std::sin(lon2), cosLon2 = std::cos(lon2);
  // sin and cos of (Lon2 - Lon1) from the stored values.
  const double sinDLon = sinLon2 * g_cosLon - cosLon2 * g_sinLon;
  const double cosDLon = cosLon2 * g_cosLon + sinLon2 * g_sinLon;
  const double east = cosLat2 * sinDLon;
  const double north = g_cosLat * sinLat2 - g_sinLat * cosLat2 * cosDLon;

  const bool samePosition = Lat1 == Lat2 && Lon1 == Lon2;
  const double len2 = east * east + north * north;
  if (samePosition || len2 == 0.0) {
    Bearing = 0.0;
  } else {
    Bearing = SafeArcCos(north / std::sqrt(len2)) * kDegPerRad;
    if (east < 0) Bearing = 360.0 - Bearing;
    // 360 - a tiny angle can round to 360 itself.
    if (Bearing >= 360.0) Bearing = 0.0;
  }

  const double p1 = Lat1 * kPi / 180, p2 = Lat2 * kPi / 180;
  const double l1 = Lon1 * kPi / 180, l2 = Lon2 * kPi / 180;
  const double sp = std::sin((p1 - p2) / 2), sl = std::sin((l1 - l2) / 2);
  const double h = Clamp1(sp * sp + std::cos(p1) * std::cos(p2) * sl * sl);
  Distance = samePosition ? 0.0 : 2 * std::asin(std::sqrt(h < 0 ? 0 : h)) * 21600 / kTwoPi;
}

void DestinationPoint(double& Lat, double& Lon, double Lat1, double Lon1, double Distance, double Bearing) {
  const double d = Distance / 60 / kDegPerRad;
  const double b = Bearing / kDegPerRad;
  const double phi = Lat1 / kDegPerRad, lambda = Lon1 / kDegPerRad;
  const double x0 = std::cos(d), y0 = std::sin(d) * std::sin(b), z0 = std::sin(d) * std::cos(b);
  const double x1 = x0 * std::cos(phi) - z0 * std::sin(phi);
  const double z1 = x0 * std::sin(phi) + z0 * std::cos(phi);
  const double x2 = x1 * std::cos(lambda) - y0 * std::sin(lambda);
  const double y2 = x1 * std::sin(lambda) + y0 * std::cos(lambda);
  VectorToLatLon(Lat, Lon, x2, y2, z1);
  Lat *= kDegPerRad;
  Lon *= kDegPerRad;
}

namespace {

// Brings an angle of any size into 0..360 the way the four steps do for
// -1080..1080: whole turns are removed first so that huge values fold too.
double ReduceAngle(double a) {
  if (!std::isfinite(a)) return a;
  if (a < -1080.0 || a > 1080.0) a = std::fmod(a, 360.0);
  if (a < -360) a += 720;
  if (a < 0) a += 360;
  if (a > 720) a -= 720;
  if (a > 360) a -= 360;
  return a;
}

}  // namespace

double AngleDiff(double A, double B) {
  double d = ReduceAngle(A) - ReduceAngle(B);
  if (d < -180) d += 360;
  if (d > 180) d -= 360;
  return d;
}
