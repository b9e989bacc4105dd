// Great-circle distance and bearing, destination points, the arctangent
// and the heading difference, with their edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/geo/geoMath.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct DB {
  double distance, bearing;
};
DB Calc(double lat1, double lon1, double lat2, double lon2) {
  DB r{-1, -1};
  CalcDistanceBearing(r.distance, r.bearing, lat1, lon1, lat2, lon2);
  return r;
}

TEST(GeoMath, DegreeStepsOnTheEquator) {
  DB r = Calc(0, 0, 0, 1);
  EXPECT_NEAR(r.distance, 60, 1e-9);
  EXPECT_NEAR(r.bearing, 90, 1e-9);
  r = Calc(0, 0, 1, 0);
  EXPECT_NEAR(r.distance, 60, 1e-9);
  EXPECT_NEAR(r.bearing, 0, 1e-9);
  EXPECT_NEAR(Calc(0, 1, 0, 0).bearing, 270, 1e-9);
  EXPECT_NEAR(Calc(0, 0, 0, -1).bearing, 270, 1e-9);
  EXPECT_NEAR(Calc(1, 0, 0, 0).bearing, 180, 1e-9);
}

// Values worked out with the spherical law of cosines, 1 NM = 1 arcminute.
TEST(GeoMath, RealAirports) {
  // New York JFK to London Heathrow and back.
  DB r = Calc(40.6398, -73.7789, 51.4700, -0.4543);
  EXPECT_NEAR(r.distance, 2989.436, 0.01);
  EXPECT_NEAR(r.bearing, 51.351, 0.001);
  r = Calc(51.4700, -0.4543, 40.6398, -73.7789);
  EXPECT_NEAR(r.distance, 2989.436, 0.01);
  EXPECT_NEAR(r.bearing, 287.942, 0.001);
  // Sydney to Melbourne (southern hemisphere, east longitudes).
  r = Calc(-33.9461, 151.1772, -37.6733, 144.8433);
  EXPECT_NEAR(r.distance, 380.626, 0.01);
  EXPECT_NEAR(r.bearing, 232.212, 0.001);
  // San Francisco to Honolulu.
  r = Calc(37.6189, -122.3750, 21.3187, -157.9225);
  EXPECT_NEAR(r.distance, 2081.137, 0.01);
  EXPECT_NEAR(r.bearing, 252.123, 0.001);
}

TEST(GeoMath, EqualAndNearlyEqualPositions) {
  for (double lat : {0.0, 47.5, -89.9, 90.0})
    for (double lon : {0.0, 8.55, -179.99, 180.0}) {
      const DB r = Calc(lat, lon, lat, lon);
      EXPECT_EQ(r.distance, 0.0) << lat << " " << lon;
      EXPECT_EQ(r.bearing, 0.0) << lat << " " << lon;
    }
  // A hair west of the start: the bearing is just under 360 or exactly 0,
  // never 360 itself, and the distance is tiny and not NaN.
  const DB r = Calc(10, 10, 10 + 1e-13, 10 - 1e-16);
  EXPECT_GE(r.bearing, 0.0);
  EXPECT_LT(r.bearing, 360.0);
  EXPECT_FALSE(std::isnan(r.distance));
  EXPECT_LT(r.distance, 1e-9);
}

TEST(GeoMath, BearingNeverReaches360) {
  // Due north but a rounding error to the west.
  for (double dlon : {-1e-15, -1e-14, -1e-12}) {
    const DB r = Calc(45, 7, 46, 7 + dlon);
    EXPECT_LT(r.bearing, 360.0) << dlon;
    EXPECT_GE(r.bearing, 0.0) << dlon;
  }
}

TEST(GeoMath, AntipodesAndPoles) {
  DB r = Calc(0, 0, 0, 180);
  EXPECT_NEAR(r.distance, 10800, 1e-6);
  EXPECT_FALSE(std::isnan(r.bearing));
  r = Calc(90, 0, -90, 0);
  EXPECT_NEAR(r.distance, 10800, 1e-6);
  EXPECT_FALSE(std::isnan(r.bearing));
  r = Calc(89, 0, 89, 180);  // over the pole
  EXPECT_NEAR(r.distance, 120, 1e-6);
  EXPECT_NEAR(r.bearing, 0, 1e-6);
}

TEST(GeoMath, SafeArcCosIsClamped) {
  EXPECT_NEAR(SafeArcCos(1), 0, 1e-12);
  EXPECT_NEAR(SafeArcCos(-1), kPi, 1e-12);
  EXPECT_NEAR(SafeArcCos(0), kPi / 2, 1e-12);
  EXPECT_NEAR(SafeArcCos(0.5), std::acos(0.5), 1e-12);
  EXPECT_NEAR(SafeArcCos(-0.8), std::acos(-0.8), 1e-12);
  EXPECT_NEAR(SafeArcCos(0.707106781187), std::acos(0.707106781187), 1e-12);
  EXPECT_EQ(SafeArcCos(1 + 1e-15), SafeArcCos(1));
  EXPECT_EQ(SafeArcCos(-1.5), SafeArcCos(-1));
  EXPECT_EQ(SafeArcCos(7), 0.0);
}

TEST(GeoMath, DestinationPoints) {
  double lat = 0, lon = 0;
  DestinationPoint(lat, lon, 0, 0, 60, 90);
  EXPECT_NEAR(lat, 0, 1e-9);
  EXPECT_NEAR(lon, 1, 1e-9);
  DestinationPoint(lat, lon, 0, 0, 60, 0);
  EXPECT_NEAR(lat, 1, 1e-9);
  EXPECT_NEAR(lon, 0, 1e-9);
  DestinationPoint(lat, lon, 10, 179.5, 60, 90);  // across the date line
  EXPECT_NEAR(lon, -179.484, 0.001);
  DestinationPoint(lat, lon, 89, 0, 120, 0);      // over the pole
  EXPECT_NEAR(lat, 89, 1e-9);
  EXPECT_NEAR(std::fabs(lon), 180, 1e-9);
}

// Going out along a bearing and measuring back gives the same distance and
// bearing.
TEST(GeoMath, DestinationRoundTrip) {
  const double starts[][2] = {{40.6398, -73.7789}, {-33.9461, 151.1772}, {64.13, -21.94}, {0, 0}};
  for (const auto& s : starts)
    for (double bearing = 5; bearing < 360; bearing += 35)
      for (double distance : {0.5, 12.0, 250.0, 3000.0}) {
        double lat = 0, lon = 0;
        DestinationPoint(lat, lon, s[0], s[1], distance, bearing);
        EXPECT_GE(lat, -90);
        EXPECT_LE(lat, 90);
        EXPECT_GE(lon, -180);
        EXPECT_LE(lon, 180);
        const DB r = Calc(s[0], s[1], lat, lon);
        EXPECT_NEAR(r.distance, distance, 1e-6 * distance + 1e-9);
        EXPECT_NEAR(r.bearing, bearing, 1e-6);
      }
}

TEST(GeoMath, ArcTan2Quadrants) {
  EXPECT_EQ(ArcTan2Rad(0, 0), 0.0);
  EXPECT_NEAR(ArcTan2Rad(-1, 0), kPi, 1e-15);
  EXPECT_NEAR(ArcTan2Rad(0, -1), -kPi / 2, 1e-15);
  EXPECT_NEAR(ArcTan2Rad(0, 1), kPi / 2, 1e-15);
  EXPECT_NEAR(ArcTan2Rad(-0.0, -0.0), 0.0, 0);
  EXPECT_NEAR(ArcTan2Rad(-1, -0.0), kPi, 1e-15);  // negative zero is not negative
  for (double x : {-3.0, -0.5, 0.25, 2.0})
    for (double y : {-2.0, -0.1, 0.3, 4.0}) EXPECT_NEAR(ArcTan2Rad(x, y), std::atan2(y, x), 1e-14) << x << "," << y;
}

TEST(GeoMath, VectorToLatLon) {
  double lat = 1, lon = 1;
  VectorToLatLon(lat, lon, 0, 0, 0);
  EXPECT_EQ(lat, 0.0);
  EXPECT_EQ(lon, 0.0);
  VectorToLatLon(lat, lon, 0, 0, -2);
  EXPECT_NEAR(lat, -kPi / 2, 1e-15);
  VectorToLatLon(lat, lon, 0, 1, 0);
  EXPECT_NEAR(lon, kPi / 2, 1e-15);
  EXPECT_NEAR(lat, 0, 1e-15);
}

TEST(GeoMath, AngleDiff) {
  EXPECT_DOUBLE_EQ(AngleDiff(10, 350), 20);
  EXPECT_DOUBLE_EQ(AngleDiff(350, 10), -20);
  EXPECT_DOUBLE_EQ(AngleDiff(-10, 10), -20);
  EXPECT_DOUBLE_EQ(AngleDiff(370, 0), 10);
  EXPECT_DOUBLE_EQ(AngleDiff(190, 10), 180);
  EXPECT_DOUBLE_EQ(AngleDiff(10, 190), -180);
  EXPECT_DOUBLE_EQ(AngleDiff(0, 360), 0);
  EXPECT_DOUBLE_EQ(AngleDiff(-1080, 1080), 0);
  EXPECT_DOUBLE_EQ(AngleDiff(725, -5), 10);
  // Inputs of any size fold.
  EXPECT_NEAR(AngleDiff(3600 + 15, 0), 15, 1e-9);
  EXPECT_NEAR(AngleDiff(-7200 - 15, 0), -15, 1e-9);
  EXPECT_NEAR(AngleDiff(1e6 + 30, 1e6), 30, 1e-6);
  EXPECT_NEAR(AngleDiff(1081, 0), 1, 1e-9);
  for (double a = -2000; a <= 2000; a += 37.5)
    for (double b = -2000; b <= 2000; b += 41.25) {
      const double d = AngleDiff(a, b);
      EXPECT_GE(d, -180);
      EXPECT_LE(d, 180);
      EXPECT_NEAR(std::remainder(d - (a - b), 360.0), 0, 1e-9) << a << " " << b;
    }
  EXPECT_TRUE(std::isnan(AngleDiff(std::numeric_limits<double>::quiet_NaN(), 0)));
}

}  // namespace
