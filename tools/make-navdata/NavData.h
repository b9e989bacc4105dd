// Writer of the programs' own navigation databases in the simulator's
// layouts: runway files "747*.apt" (50-byte records), navaid files
// "747s.pa".."747s.pj" (15-byte records), waypoint region files
// "747w.pa".."747w.pm" (12-byte records) and the magnetic variation grid
// "747WORLD.MV". Used by the make-navdata tool, the tests and the
// benchmarks; everything it writes is made up here.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace navdata {

struct Runway {
  std::string ident;     // lower case; "____" for a further runway of the preceding airport
  double lat = 0, lon = 0;  // centre of the runway
  int trueHeading = 0;   // degrees
  int elevation = 0;     // ft, may be negative
  int length = 0;        // ft
  bool left = false;     // suffix L (reciprocal R)
  bool right = false;    // suffix R (reciprocal L); both: C
  int adjust = 0;        // -1 or +1: designator number one lower or higher
};

struct Navaid {
  std::string ident;  // three characters
  double lat = 0, lon = 0;
  int type = 1;       // type code (bits 0-6)
  bool allRanges = false;  // bit 7 of the type byte
  int elevation = 0;  // ft
  int frequency = 0;  // hundredths of a megahertz
};

struct Waypoint {
  std::string ident;  // up to five characters
  double lat = 0, lon = 0;
};

// Whole degrees and tenths of arc minutes, each with the sign of the value
// (47.2 -> 47, 120; -0.461 -> 0, -277).
void SplitDegrees(double value, int& degrees, int& tenths);
// The position a record stores for value (what a reader decodes).
double StoredDegrees(double value);

std::string RunwayRecord(const Runway& r);
std::string NavaidRecord(const Navaid& n);
std::string WaypointRecord(const Waypoint& w);
// The 52,200-byte grid; byte(lat, lon) for whole degrees lat -64..80, lon
// -179..180 (the last byte of a row is never read).
std::string VariationGrid(const std::function<int(int lat, int lon)>& byte);
// The grid of the demo data: smooth, -16 at (47, -122).
int DemoVariationByte(int lat, int lon);

// Waypoint region file ("747w.pa".."747w.pm") of a position, empty when
// it lies on a region border.
std::string WaypointRegion(double lat, double lon);

// All 31 database files and "747WORLD.MV" in folder: the demo data (the
// demo field, Seattle's airports and navaids, a few far airports, fixes
// around the field); full adds a world-wide database of about 30,000
// runways, 20,000 navaids and 200,000 waypoints, always the same.
// False with error set when a file cannot be written.
bool WriteDatabases(const std::string& folder, bool full, std::string* error = nullptr);

// The demo data's runways, in file order, with the file each goes to.
struct FileRunways {
  std::string file;
  std::vector<Runway> runways;
};
std::vector<FileRunways> DemoRunways();

}  // namespace navdata
