// Spherical-earth and angle routines: great-circle distance and bearing,
// the point reached along a bearing, a four-quadrant arctangent and the
// signed difference of two headings. One nautical mile is one minute of
// arc; latitudes and longitudes in degrees, north and east positive.
#pragma once

// Great-circle distance (NM) and initial true bearing (degrees, 0 up to but
// not including 360) from position 1 to position 2. Equal positions give 0
// and 0. Not safe to call from two threads at once.
void CalcDistanceBearing(double& Distance, double& Bearing, double Lat1, double Lon1, double Lat2, double Lon2);
// Stores the sine and cosine of a reference position.
void SetReferencePoint(double Lat, double Lon);
// Position reached from (Lat1, Lon1) after Distance NM along the initial
// true Bearing; latitude -90..90, longitude -180..180.
void DestinationPoint(double& Lat, double& Lon, double Lat1, double Lon1, double Distance, double Bearing);
// Angle in radians of the vector (X, Y) from +X toward +Y, -pi..pi; 0 for (0, 0).
double ArcTan2Rad(double X, double Y);
// A - B in degrees folded into -180..180.
double AngleDiff(double A, double B);

// Building blocks, exposed for tests.
// Arccos in radians; the argument is clamped to -1..1 first.
double SafeArcCos(double C);
// Latitude and longitude in radians of the direction (X, Y, Z): +Z north
// pole, +X latitude 0 longitude 0, +Y latitude 0 longitude 90 east.
void VectorToLatLon(double& Lat, double& Lon, double X, double Y, double Z);
