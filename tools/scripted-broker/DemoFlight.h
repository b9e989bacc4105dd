// The built-in demo flight of the scripted broker: a short loop near the
// programs' default position (47.2 N, 122.06 W) that moves every instrument.
// IRS alignment, flight director on, take-off roll with V-speed bugs,
// rotation, climb to the selected altitude with flap retraction, a turn to a
// new selected heading, level-off, and a descent, each with its mode
// annunciations; a traffic target crosses ahead, and another one closes
// head-on while the aircraft is level at 4000 ft. Then a low pass over a
// ridge (tools/scripted-broker/DemoTerrain.h) raises the terrain caution
// and warning until a pull-up back to 4000 ft.
//
// The flight is integrated in fixed steps from the start of the loop, so the
// state at a given time is always the same. What is sent is the item table
// in DemoFlight.cpp (DemoTable): one row per broker line, one entry per
// variable with its unit and how its value text is made from the state.
// To feed a new display, add its variables to the state and to the table.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace broker {

struct DemoState {
  double t = 0;  // seconds into the loop

  // Aircraft.
  double pitch = 0;        // degrees, nose up positive
  double bank = 0;         // degrees, right wing down positive
  double ias = 0;          // knots
  double tas = 0;          // knots
  double groundSpeed = 0;  // knots
  double mach = 0;
  double altitude = 0;     // feet, displayed (and true) altitude
  double verticalSpeed = 0;  // feet per minute
  double trueHeading = 0;  // degrees
  double trackTrue = 0;    // degrees
  double latitude = 0;     // degrees north
  double longitude = 0;    // degrees east
  double speedTrend = 0;   // knots per second
  bool airborne = false;

  // Environment.
  double magVar = 0;           // degrees, true = magnetic + variation
  double windFrom = 0;         // degrees true
  double windSpeed = 0;        // knots
  double altimeterSetting = 0;  // hundredths of an inch of mercury

  // Mode control panel.
  double selectedAltitude = 0;  // feet
  double selectedHeading = 0;   // degrees magnetic
  double selectedSpeed = 0;     // knots

  // Flight director and annunciator.
  bool fdOn = false;
  double fdPitchCommand = 0;  // degrees
  double fdBankCommand = 0;   // degrees, right wing down positive
  int fmaThrust = 0, fmaRoll = 0, fmaPitch = 0, fmaRollArmed = 0, fmaPitchArmed = 0;
  double thrustChangedAt = -100, rollChangedAt = -100, pitchChangedAt = -100;
  bool autothrottle = false;
  bool autopilot = false;

  // Speeds and flaps.
  int flapPosition = 0;  // 0 up, 1, 2 (flaps 5), 3 (flaps 10), 4 (flaps 20)
  double flapsChangedAt = 0;
  double v1 = 0, vr = 0;  // knots; 0 = not set

  // Inertial reference systems.
  bool irsAligning = false;
  int irsAlignMinutes = 0;
  int irsQuality = 0;  // 1 or 2 navigating, 3 not yet usable

  // Traffic target.
  double trafficLatitude = 0, trafficLongitude = 0, trafficAltitude = 0;
};

// Field of the demo: the programs' default position and its runway.
inline constexpr double kDemoFieldLatitude = 47.2;
inline constexpr double kDemoFieldLongitude = -122.06333333;
inline constexpr double kDemoFieldElevation = 430;  // feet
inline constexpr int kDemoCenterLongitude = -122;   // reference longitude of the flat grid

class DemoFlight {
 public:
  static constexpr double kLoopSeconds = 270;
  static constexpr double kStepSeconds = 0.05;

  DemoFlight();
  // State at a time since the start of the demo (folded into the loop).
  const DemoState& At(double seconds);
  // The broker lines for that time, each ending in CR LF. The traffic line
  // is added when withTraffic is set (the broker sends it once a second).
  std::vector<std::string> Lines(double seconds, bool withTraffic);

 private:
  void Step();
  DemoState state_;
};

// One broker variable of the demo.
struct DemoItem {
  std::string_view name;
  std::string_view unit;
  std::string (*value)(const DemoState&);
};
// The item table: one entry per broker line (the traffic rows, one "tcas"
// item each, last; a traffic item whose text is empty is not sent).
const std::vector<std::vector<DemoItem>>& DemoTable();
// Joins one table row into a broker line ending in CR LF.
std::string DemoLine(const std::vector<DemoItem>& row, const DemoState& s);

// Grid position of the flat simulator grid (feet) for a latitude and
// longitude, and its inverse: Y = -lat * 364599, X = (lon - centre) *
// cos(lat) * 364599.
void GridFromLatLon(double lat, double lon, int centerLon, double& x, double& y);
// A value as the three 16-bit words of a 6-byte real (exponent byte biased
// by 129, 39-bit fraction with implied leading 1, sign in the top bit),
// each word returned as a signed 16-bit number.
void EncodeReal48(double value, int16_t words[3]);

// The FMC route items of point index (two digits) as the simulator sends
// them: "R.NN name", then whole degrees of latitude as an unsigned byte
// ("R.aNN"), tenths of arc minutes of latitude, whole degrees and tenths of
// longitude as unsigned 16-bit numbers ("R.bNN".."R.dNN"; -122 is 65414).
std::string RoutePointItems(int index, std::string_view name, double lat, double lon);
// Whole degrees and tenths of arc minutes of a value, both with its sign.
void RouteDegrees(double value, int& degrees, int& tenths);

}  // namespace broker
