// Positions as the simulator sends them: the FMC position as 48-bit reals
// in three 16-bit words, and positions in feet on the simulator's grid
// (flat about a centre longitude, or polar), turned into latitude and
// longitude. The ND composition and the runway element both read them.
#pragma once
#include <array>
#include <cstdint>

// The 48-bit real of the simulator's FMC position from its three 16-bit
// words (word 1 first). Exponent byte 0 gives 0.
double Real48ToDouble(const std::array<std::int16_t, 3>& words);

// Converts a simulator grid position (feet) to latitude and longitude
// (degrees). A result that is not a number, a latitude outside -90..90 or
// flag values other than 0 and 1 leave lat and lon unchanged (false).
// Longitudes come back folded into -180 up to 180.
bool GridToLatLon(double X, double Y, int North, int South, double CentreLon, double& lat,
                  double& lon);
// The same for a corner of the active runway: on the polar grids its
// longitude is the angle of (Y, X) in the north and of (-Y, X) in the
// south, where the aircraft's is that of (X, Y) and (X, -Y).
bool RunwayCornerToLatLon(double X, double Y, int North, int South, double CentreLon, double& lat,
                          double& lon);
