#include "nd/GridPosition.h"

#include <cmath>
#include <numbers>

#include "support/geo/geoMath.h"

namespace {

constexpr double kFeetPerDegree = 364599;  // 6076.65 ft per NM x 60
constexpr double kDegToRad = std::numbers::pi / 180.0;

double FoldLongitude(double lon) {
  lon = std::fmod(lon + 180.0, 360.0);
  if (lon < 0) lon += 360.0;
  return lon - 180.0;
}

}  // namespace

double Real48ToDouble(const std::array<std::int16_t, 3>& words) {
  std::uint8_t b[6];
  for (int i = 0; i < 3; ++i) {
    const auto w = static_cast<std::uint16_t>(words[i]);
    b[2 * i] = static_cast<std::uint8_t>(w & 0xFF);
    b[2 * i + 1] = static_cast<std::uint8_t>(w >> 8);
  }
  if (b[0] == 0) return 0;
  const std::uint64_t fraction = (static_cast<std::uint64_t>(b[5] & 0x7F) << 32) |
                                 (static_cast<std::uint64_t>(b[4]) << 24) |
                                 (static_cast<std::uint64_t>(b[3]) << 16) |
                                 (static_cast<std::uint64_t>(b[2]) << 8) | b[1];
  const double mantissa = 1.0 + std::ldexp(static_cast<double>(fraction), -39);
  const double v = std::ldexp(mantissa, static_cast<int>(b[0]) - 129);
  return (b[5] & 0x80) ? -v : v;
}

namespace {

// On the polar grids the longitude of a position is the angle of (X, Y)
// (of (X, -Y) in the south); that of a runway corner is the angle of
// (Y, X) (of (-Y, X) in the south).
bool GridConvert(double X, double Y, int North, int South, double CentreLon, bool CornerAxes, double& lat,
                 double& lon) {
  bool converted = false;
  double la = 0, lo = 0;
  if (North == 0 && South == 0) {
    la = -Y / kFeetPerDegree;
    lo = X / (std::cos(la * kDegToRad) * kFeetPerDegree) + CentreLon;
    converted = true;
  }
  if (North == 1) {
    la = 90 - std::sqrt(X * X + Y * Y) / kFeetPerDegree;
    lo = (CornerAxes ? ArcTan2Rad(Y, X) : ArcTan2Rad(X, Y)) * 180 / std::numbers::pi;
    converted = true;
  }
  if (South == 1) {
    la = std::sqrt(X * X + Y * Y) / kFeetPerDegree - 90;
    lo = (CornerAxes ? ArcTan2Rad(-Y, X) : ArcTan2Rad(X, -Y)) * 180 / std::numbers::pi;
    converted = true;
  }
  if (!converted || !std::isfinite(la) || !std::isfinite(lo) || la < -90 || la > 90) return false;
  lat = la;
  lon = FoldLongitude(lo);
  return true;
}

}  // namespace

bool GridToLatLon(double X, double Y, int North, int South, double CentreLon, double& lat,
                  double& lon) {
  return GridConvert(X, Y, North, South, CentreLon, false, lat, lon);
}

bool RunwayCornerToLatLon(double X, double Y, int North, int South, double CentreLon, double& lat,
                          double& lon) {
  return GridConvert(X, Y, North, South, CentreLon, true, lat, lon);
}
