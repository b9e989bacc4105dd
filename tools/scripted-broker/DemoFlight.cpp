#include "tools/scripted-broker/DemoFlight.h"

#include <algorithm>
#include <cmath>

#include "platform/Numbers.h"
#include "tools/scripted-broker/DemoTerrain.h"

namespace broker {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFeetPerDegree = 364599;  // 6076.65 ft per NM x 60
constexpr double kRunwayTrueHeading = 160;
constexpr double kMagVar = 16;
constexpr double kV1 = 145, kVR = 154, kVref = 150;
// Times of the scripted events, seconds into the loop.
constexpr double kAlignedAt = 8, kFdOnAt = 10, kRollAt = 14, kHeadingSelectAt = 62, kDescentAt = 140;
// A right turn to 234, then a left turn to 190 (degrees magnetic).
// The next waypoint of the demo: a made-up name, passed ten minutes after
// each moment of the loop, which starts at 14:20 UTC.
constexpr const char* kDemoWaypoint = "RIVRA";
constexpr double kDemoStartTenths = (14 * 60 + 20) * 10;
constexpr double kFirstSelectedHeading = 234, kLeftTurnAt = 126, kSecondSelectedHeading = 190;

double Rad(double deg) { return deg * kPi / 180; }
double Fold360(double deg) {
  double d = std::fmod(deg, 360.0);
  return d < 0 ? d + 360 : d;
}
// a - b folded into -180..180.
double Diff(double a, double b) {
  double d = Fold360(a - b);
  return d > 180 ? d - 360 : d;
}
// Moves value toward target by at most rate * dt.
double Approach(double value, double target, double rate, double dt) {
  double step = rate * dt;
  if (target > value) return std::min(target, value + step);
  return std::max(target, value - step);
}
void SetMode(int& mode, int value, double& changedAt, double t) {
  if (mode != value) {
    mode = value;
    changedAt = t;
  }
}

// Manoeuvre speeds by flap position (0 up .. 4 flaps 20), knots.
constexpr double kFlapSpeed[5] = {240, 220, 200, 185, 170};
constexpr double kStickShaker[5] = {165, 140, 132, 125, 118};

DemoState InitialState() {
  DemoState s;
  s.latitude = kDemoFieldLatitude;
  s.longitude = kDemoFieldLongitude;
  s.altitude = kDemoFieldElevation;
  s.trueHeading = kRunwayTrueHeading;
  s.trackTrue = kRunwayTrueHeading;
  s.magVar = kMagVar;
  s.windFrom = 250;
  s.windSpeed = 15;
  s.altimeterSetting = 2992;
  s.selectedAltitude = 4000;
  s.selectedHeading = kRunwayTrueHeading - kMagVar;
  s.selectedSpeed = 180;
  s.flapPosition = 4;
  s.irsAligning = true;
  s.irsQuality = 3;
  s.irsAlignMinutes = 8;
  return s;
}

// Closed-form traffic: crosses ahead of the departure path at 4500 ft and
// meets the aircraft again in the pull-up after the low pass. Its start is
// placed so that the climb brings it into a TA (by the vertical time, which
// no report timing changes) when the range time is already well inside the
// TA's limit, and into a short RA a few seconds later.
void PlaceTraffic(DemoState& s) {
  const double startNorth = -7.77, startEast = 5.91;  // NM from the field
  const double heading = Rad(250), speed = 180;     // true, knots
  double nm = speed * s.t / 3600;
  double north = startNorth + nm * std::cos(heading);
  double east = startEast + nm * std::sin(heading);
  s.trafficLatitude = kDemoFieldLatitude + north / 60;
  s.trafficLongitude = kDemoFieldLongitude + east / (60 * std::cos(Rad(kDemoFieldLatitude)));
  s.trafficAltitude = 4500;
}

// Values that round to zero are sent as zero, never as "-0.00".
std::string Fixed(double v, int decimals) {
  return platform::FormatDouble(std::abs(v) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : v, decimals);
}
std::string Int(double v) { return platform::FormatInt(platform::SafeRound(v)); }
std::string Flag(bool b) { return b ? "1" : "0"; }

// Raw marker values of the speed tape: flap and REF markers stand at
// (raw + 1) * 5 / 7 knots, V1 and VR markers at (raw - 1) * 5 / 7 knots.
std::string FlapMarker(double knots) { return Int(knots * 7 / 5 - 1); }
std::string VMarker(double knots) { return knots > 0 ? Int(knots * 7 / 5 + 1) : "0"; }

double HeightAboveField(const DemoState& s) { return std::max(0.0, s.altitude - kDemoFieldElevation); }
int StickShakerIndex(const DemoState& s) { return std::clamp(s.flapPosition, 0, 4); }

// Mode-change box timer: seconds left of the 10 s after a change.
std::string BoxTimer(const DemoState& s, double changedAt) {
  return Int(std::max(0.0, std::ceil(10 - (s.t - changedAt))));
}

// 16-bit word of the FMC position.
std::string FmcWord(const DemoState& s, bool yAxis, int word) {
  double x = 0, y = 0;
  GridFromLatLon(s.latitude, s.longitude, kDemoCenterLongitude, x, y);
  int16_t w[3];
  EncodeReal48(yAxis ? y : x, w);
  return Int(w[word]);
}
// Grid position of one IRS: IRS 2 and 3 sit a little off the aircraft.
std::string IrsGrid(const DemoState& s, int irs, bool yAxis) {
  double lat = s.latitude + (irs == 2 ? 0.004 : 0.0);
  double lon = s.longitude + (irs == 3 ? 0.006 : 0.0);
  double x = 0, y = 0;
  GridFromLatLon(lat, lon, kDemoCenterLongitude, x, y);
  return Fixed(yAxis ? y : x, 1);
}

// Grid position of a corner of the demo field's active runway: corner 1
// on the runway's reference point (its centre, where the database has it),
// corners 2 to 4 at its ends and at one side, off every database point.
std::string RunwayCorner(int corner, bool yAxis) {
  constexpr double kHalfLengthDeg = 4500.0 / 364599;  // 9000 ft runway, heading 160 true
  constexpr double kHeading = kRunwayTrueHeading * 3.14159265358979 / 180;
  const double along[4] = {0, 1, -1, 0.5};
  const double across[4] = {0, 0, 0, 0.05};
  const double lat = kDemoFieldLatitude + (along[corner - 1] * std::cos(kHeading) - across[corner - 1] * std::sin(kHeading)) * kHalfLengthDeg;
  const double lon = kDemoFieldLongitude + (along[corner - 1] * std::sin(kHeading) + across[corner - 1] * std::cos(kHeading)) *
                                               kHalfLengthDeg / std::cos(kDemoFieldLatitude * 3.14159265358979 / 180);
  double x = 0, y = 0;
  GridFromLatLon(lat, lon, kDemoCenterLongitude, x, y);
  return Fixed(yAxis ? y : x, 1);
}

std::string DegreesPart(double v) { return Int(std::trunc(v)); }
// Fraction of a degree in the units of "IPC.latmin" and "IPC.lonmin"
// (degree = whole + value / 6,000,000).
std::string FractionPart(double v) { return Int((v - std::trunc(v)) * 6000000); }

std::string TrafficItem(const DemoState& s) {
  return "{GCT101 0 0 " + Fixed(s.trafficLatitude, 5) + " " + Fixed(s.trafficLongitude, 5) + " " +
         Int(s.trafficAltitude) + " 0}";
}

// Head-on traffic: N512TC, dead ahead on the aircraft's track, closing at
// 0.15 NM/s while the aircraft is level at 4000 ft. It appears 400 ft above
// and 22 s away (a TA from its second report: a first report is never
// evaluated) and descends 600 ft/min to 200 ft above, so the RA begins when
// it comes within 300 ft. The program takes the closure rate from the
// times it handles the reports, which wander on a busy machine; starting
// well inside the TA's time limit and starting the RA by altitude, which
// no timing changes, keep each advisory from dropping out for a report
// and sounding again. Once it has passed, one all-zero report removes it;
// no item otherwise.
constexpr double kHeadOnFrom = 123;      // s into the loop
constexpr double kHeadOnRange = 3.3;     // NM at kHeadOnFrom
constexpr double kHeadOnClosure = 0.15;  // NM/s
constexpr double kHeadOnAltitude = 4400;  // ft at kHeadOnFrom
constexpr double kHeadOnDescent = 10;     // ft/s
constexpr double kHeadOnLevel = 4200;     // ft

std::string HeadOnItem(const DemoState& s) {
  if (s.t < kHeadOnFrom - 1e-6) return "";
  const double r = kHeadOnRange - kHeadOnClosure * (s.t - kHeadOnFrom);
  if (r <= 0) return r > -kHeadOnClosure ? "{N512TC 0 0 0 0 0 0}" : "";
  const double north = r * std::cos(Rad(s.trackTrue)), east = r * std::sin(Rad(s.trackTrue));
  const double lat = s.latitude + north / 60;
  const double lon = s.longitude + east / (60 * std::cos(Rad(s.latitude)));
  const double alt = std::max(kHeadOnLevel, kHeadOnAltitude - kHeadOnDescent * (s.t - kHeadOnFrom));
  return "{N512TC 0 0 " + Fixed(lat, 5) + " " + Fixed(lon, 5) + " " + Int(alt) + " 0}";
}

// A route value as the simulator sends it: negative latitude degrees as an
// unsigned byte, the other position values as unsigned 16-bit numbers.
int RouteUnsigned(int v, bool byte) { return v >= 0 ? v : v + (byte ? 256 : 65536); }

// The demo's FMC route: four points ahead of the take-off, south-east of
// the field; point 2 is the active one.
struct DemoPoint {
  const char* name;
  double lat, lon;
};
constexpr DemoPoint kRoutePoints[4] = {
    {"RW16", 47.12, -122.00}, {"ALPHA", 47.00, -121.90}, {"BRAVO", 46.88, -121.72}, {"CHARL", 46.78, -121.55}};

// Stations of the generated navaid table the radios are tuned to.
constexpr double kSeaLat = 47.4353, kSeaLon = -122.3096;  // "sea", 116.80
constexpr double kOlmLat = 46.9714, kOlmLon = -122.9017;  // "olm", 113.40

// One field of route point P (1..4), as RoutePointItems encodes it:
// 'n' the name, 'a'..'d' the position words.
template <int P, char F>
std::string RouteField(const DemoState&) {
  const DemoPoint& p = kRoutePoints[P - 1];
  if (F == 'n') return p.name;
  int latDeg = 0, latTenths = 0, lonDeg = 0, lonTenths = 0;
  RouteDegrees(p.lat, latDeg, latTenths);
  RouteDegrees(p.lon, lonDeg, lonTenths);
  const int v = F == 'a' ? latDeg : F == 'b' ? latTenths : F == 'c' ? lonDeg : lonTenths;
  return Int(RouteUnsigned(v, F == 'a'));
}

// Bearing from the aircraft to a station, magnetic, in tenths of a degree.
std::string StationBearing(const DemoState& s, double lat, double lon) {
  const double north = (lat - s.latitude) * 60;
  const double east = (lon - s.longitude) * 60 * std::cos(Rad(s.latitude));
  double b = std::atan2(east, north) * 180 / 3.14159265358979 - s.magVar;
  b = std::fmod(b + 720, 360);
  return Int(b * 10);
}
// The radial of the aircraft from a station, tenths of a degree.
std::string StationRadial(const DemoState& s, double lat, double lon) {
  const double b = platform::LenientDouble(StationBearing(s, lat, lon)) + 1800;
  return Int(std::fmod(b, 3600));
}

}  // namespace

void RouteDegrees(double value, int& degrees, int& tenths) {
  degrees = static_cast<int>(std::trunc(value));
  tenths = platform::SafeRound((value - degrees) * 600);
}

std::string RoutePointItems(int index, std::string_view name, double lat, double lon) {
  const std::string nn = (index < 10 ? "0" : "") + platform::FormatInt(index);
  int latDeg = 0, latTenths = 0, lonDeg = 0, lonTenths = 0;
  RouteDegrees(lat, latDeg, latTenths);
  RouteDegrees(lon, lonDeg, lonTenths);
  const auto word = [](int v) { return platform::FormatInt(RouteUnsigned(v, false)); };
  return "R." + nn + " " + std::string(name) + " R.a" + nn + " " +
         platform::FormatInt(RouteUnsigned(latDeg, true)) + " R.b" + nn + " " + word(latTenths) + " R.c" + nn +
         " " + word(lonDeg) + " R.d" + nn + " " + word(lonTenths);
}

// clang-format off
const std::vector<std::vector<DemoItem>>& DemoTable() {
  using S = const DemoState&;
  static const std::vector<std::vector<DemoItem>> table = {
    // Attitude, air data and the standby instruments.
    {
      {"IPC.pitch",  "degrees, nose up positive",          [](S s) { return Fixed(s.pitch, 2); }},
      {"IPC.bank",   "degrees, right wing down negative",  [](S s) { return Fixed(-s.bank, 2); }},
      {"IPC.ias",    "knots",                              [](S s) { return Fixed(s.ias, 1); }},
      {"IPC.dalt",   "feet",                               [](S s) { return Fixed(s.altitude, 1); }},
      {"altim",      "hundredths of an inch of mercury",   [](S s) { return Int(s.altimeterSetting); }},
      {"IPC.vs",     "feet per minute",                    [](S s) { return Int(s.verticalSpeed); }},
      {"IPC.talt",   "feet",                               [](S s) { return Int(s.altitude); }},
      {"IPC.thdg",   "degrees true",                       [](S s) { return Fixed(s.trueHeading, 2); }},
      {"IPC.var",    "degrees, true = magnetic + var",     [](S s) { return Fixed(s.magVar, 1); }},
      {"MV.Bank180", "radians, right wing down negative",  [](S s) { return Fixed(-Rad(s.bank), 5); }},
      {"MV.IrsPhdg", "radians, true platform heading",     [](S s) { return Fixed(Rad(s.trueHeading), 5); }},
      {"MV.YawTrack", "radians",                           [](S) { return std::string("0"); }},
    },
    // Position and navigation.
    {
      {"IPC.latdeg", "whole degrees north",                [](S s) { return DegreesPart(s.latitude); }},
      {"IPC.latmin", "degree fraction x 6,000,000",        [](S s) { return FractionPart(s.latitude); }},
      {"IPC.londeg", "whole degrees east",                 [](S s) { return DegreesPart(s.longitude); }},
      {"IPC.lonmin", "degree fraction x 6,000,000",        [](S s) { return FractionPart(s.longitude); }},
      {"MV.CenterLon", "grid reference longitude, degrees", [](S) { return Int(kDemoCenterLongitude); }},
      {"MV.GridNorth", "1 on the north polar grid",        [](S) { return std::string("0"); }},
      {"MV.GridSouth", "1 on the south polar grid",        [](S) { return std::string("0"); }},
      {"MV.FMCPosX1", "grid X feet, 6-byte real word 1",   [](S s) { return FmcWord(s, false, 0); }},
      {"MV.FMCPosX2", "grid X feet, word 2",               [](S s) { return FmcWord(s, false, 1); }},
      {"MV.FMCPosX3", "grid X feet, word 3",               [](S s) { return FmcWord(s, false, 2); }},
      {"MV.FMCPosY1", "grid Y feet (south positive), word 1", [](S s) { return FmcWord(s, true, 0); }},
      {"MV.FMCPosY2", "grid Y feet, word 2",               [](S s) { return FmcWord(s, true, 1); }},
      {"MV.FMCPosY3", "grid Y feet, word 3",               [](S s) { return FmcWord(s, true, 2); }},
      {"MV.GndSpeed", "knots",                             [](S s) { return Fixed(s.groundSpeed, 1); }},
      {"MV.TAS",     "knots",                              [](S s) { return Fixed(s.tas, 1); }},
      {"MV.Track",   "radians, heading minus track",       [](S s) { return Fixed(Rad(Diff(s.trueHeading, s.trackTrue)), 5); }},
      {"MV.WindRad", "radians true, wind from",            [](S s) { return Fixed(Rad(s.windFrom), 5); }},
      {"MV.WindSpd", "knots x 1.852 / 20",                 [](S s) { return Fixed(s.windSpeed * 1.852 / 20, 4); }},
      {"MV.RoundMach", "Mach x 1000",                      [](S s) { return Int(s.mach * 1000); }},
      {"MV.HdgBugTimer", "not 0 shortly after a heading change", [](S s) { return Flag((s.t >= kHeadingSelectAt && s.t < kHeadingSelectAt + 10) || (s.t >= kLeftTurnAt && s.t < kLeftTurnAt + 10)); }},
    },
    // Mode control panel, flight director and annunciator.
    {
      {"IPC.mcpalt", "feet",                               [](S s) { return Int(s.selectedAltitude); }},
      {"IPC.mcphdg", "degrees magnetic",                   [](S s) { return Int(s.selectedHeading); }},
      {"IPC.mcpim",  "knots (Mach x 1000 above 400)",      [](S s) { return Int(s.selectedSpeed); }},
      {"VM.FDOn",    "1 flight director on",               [](S s) { return Flag(s.fdOn); }},
      {"VM.FDPitch", "57 - 2.4 x (command - pitch)",       [](S s) { return Int(57 - 2.4 * (s.fdPitchCommand - s.pitch)); }},
      {"VM.FDBank",  "roll bar offset, 16-bit two's complement", [](S s) {
         int x = platform::SafeRound(std::clamp((s.fdBankCommand - s.bank) * 0.8, -20.0, 20.0));
         return Int(x < 0 ? x + 65536 : x); }},
      {"VM.FMApitch", "pitch mode code",                   [](S s) { return Int(s.fmaPitch); }},
      {"VM.FMAroll", "roll mode code",                     [](S s) { return Int(s.fmaRoll); }},
      {"VM.FMAthrust", "thrust mode code",                 [](S s) { return Int(s.fmaThrust); }},
      {"VM.FMArllArm", "armed roll mode code",             [](S s) { return Int(s.fmaRollArmed); }},
      {"VM.FMAptchArm", "armed pitch mode code",           [](S s) { return Int(s.fmaPitchArmed); }},
      {"VM.AppOn",   "1 approach armed",                   [](S) { return std::string("0"); }},
      {"VM.LocDev",  "raw, -46 no deviation display",      [](S) { return std::string("-46"); }},
      {"VM.GlideDev", "raw, -46 no deviation display",     [](S) { return std::string("-46"); }},
      {"VM.FineLoc", "not 0 expanded localizer",           [](S) { return std::string("0"); }},
      {"VM.HiBufSpd", "knots",                             [](S) { return std::string("350"); }},
      {"VM.StickShSpd", "knots",                           [](S s) { return Int(kStickShaker[StickShakerIndex(s)]); }},
      {"VM.RadioH",  "feet",                               [](S s) { return Int(HeightAboveField(s)); }},
    },
    // Speed tape, flaps and pitch limit.
    {
      {"MV.SpdAcc",  "knots per 10 s / 0.715",             [](S s) { return Int(s.speedTrend * 10 / 0.715); }},
      {"MV.DispVf00", "raw: knots x 7 / 5 - 1",            [](S) { return FlapMarker(kFlapSpeed[0]); }},
      {"MV.DispVf01", "raw",                               [](S) { return FlapMarker(kFlapSpeed[1]); }},
      {"MV.DispVf05", "raw",                               [](S) { return FlapMarker(kFlapSpeed[2]); }},
      {"MV.DispVf10", "raw",                               [](S) { return FlapMarker(kFlapSpeed[3]); }},
      {"MV.DispVf20", "raw",                               [](S) { return FlapMarker(kFlapSpeed[4]); }},
      {"MV.DispVref", "raw",                               [](S) { return FlapMarker(kVref); }},
      {"MV.V1bug",   "raw: knots x 7 / 5 + 1",             [](S s) { return VMarker(s.v1); }},
      {"MV.VRbug",   "raw",                                [](S s) { return VMarker(s.vr); }},
      {"MV.GndOnce", "0 before take-off (V1 and VR markers)", [](S s) { return Flag(s.airborne); }},
      {"MV.NoVSpd",  "1 no V-speeds entered",              [](S s) { return Flag(s.v1 <= 0); }},
      {"MV.V1Conf",  "1 V1 marker shown",                  [](S s) { return Flag(s.v1 > 0); }},
      {"MV.VrConf",  "1 VR marker shown",                  [](S s) { return Flag(s.vr > 0); }},
      {"MV.FlightPhase", "1 ground .. 5 descent",          [](S s) {
         return Int(!s.airborne ? (s.ias > 0 ? 2 : 1) : s.t >= kDescentAt ? 5 : s.fmaPitch == 4 ? 4 : 3); }},
      {"MV.FlapYPix", "261 flaps up",                      [](S s) { return Int(261 - 12 * s.flapPosition); }},
      {"MV.Vref30P90", "knots, bottom of the manoeuvre band", [](S s) { return Int(kStickShaker[StickShakerIndex(s)] + 25); }},
      {"MV.DelayedFlapPos", "0 up .. 4 flaps 20",          [](S s) { return Int(s.flapPosition); }},
      {"MV.InitialFlapMoved", "1 manoeuvre band shown",    [](S s) { return Flag(s.t >= kAlignedAt); }},
      {"MV.PitotIce", "airspeed factor",                   [](S) { return std::string("1.0"); }},
      {"MV.HorPitchLim", "57 - 2.4 x margin to the limit", [](S s) {
         double margin = std::clamp((s.ias - kStickShaker[StickShakerIndex(s)]) / 3 + 3, 3.0, 20.0);
         return Int(57 - 2.4 * margin); }},
    },
    // Autopilot status and alerts (none).
    {
      {"MV.AcBusPowered1", "1 powered", [](S) { return std::string("1"); }},
      {"MV.AcBusPowered2", "1 powered", [](S) { return std::string("1"); }},
      {"MV.AcBusPowered3", "1 powered", [](S) { return std::string("1"); }},
      {"MV.AcBusPowered4", "1 powered", [](S) { return std::string("1"); }},
      {"MV.HydOff1", "1 hydraulics off", [](S) { return std::string("0"); }},
      {"MV.HydOff2", "1 hydraulics off", [](S) { return std::string("0"); }},
      {"MV.HydOff3", "1 hydraulics off", [](S) { return std::string("0"); }},
      {"MV.HydOff4", "1 hydraulics off", [](S) { return std::string("0"); }},
      {"MV.APCmd1",  "1 autopilot engaged", [](S s) { return Flag(s.autopilot); }},
      {"MV.APCmd2",  "1 autopilot engaged", [](S) { return std::string("0"); }},
      {"MV.APCmd3",  "1 autopilot engaged", [](S) { return std::string("0"); }},
      {"MV.SpdTimer", "above 0 shows the thrust mode box", [](S s) { return BoxTimer(s, s.thrustChangedAt); }},
      {"MV.RolTimer", "above 0 shows the roll mode box",   [](S s) { return BoxTimer(s, s.rollChangedAt); }},
      {"MV.PchTimer", "above 0 shows the pitch mode box",  [](S s) { return BoxTimer(s, s.pitchChangedAt); }},
      {"MV.AtActive", "1 autothrottle active",             [](S s) { return Flag(s.autothrottle); }},
      {"MV.PullUpPfd", "1 PULL UP", [](S) { return std::string("0"); }},
      {"MV.WindShrSpd", "windshear", [](S) { return std::string("0"); }},
      {"MV.StatusMsg10", "status bits", [](S) { return std::string("0"); }},
      {"MV.aoPosWindshr", "windshear", [](S) { return std::string("0"); }},
      {"MV.Ac3BusFail", "bus failure", [](S) { return std::string("0"); }},
      {"MV.WxArea", "weather radar area", [](S) { return std::string("0"); }},
    },
    // Next waypoint: name, ETA in tenths of minutes since midnight UTC.
    {
      {"MV.WptStr",  "next waypoint name",                 [](S) { return std::string(kDemoWaypoint); }},
      {"MV.WptLen",  "length of the name",                 [](S) { return Int(std::string_view(kDemoWaypoint).size()); }},
      {"MV.WptGMT1", "ETA, tenths of minutes UTC",         [](S s) { return Int(std::floor(kDemoStartTenths + (s.t + 600) / 6)); }},
    },
    // Inertial reference systems (mode selectors in NAV).
    {
      {"MV.Irs1Align", "1 aligned", [](S s) { return Flag(!s.irsAligning); }},
      {"MV.Irs2Align", "1 aligned", [](S s) { return Flag(!s.irsAligning); }},
      {"MV.Irs3Align", "1 aligned", [](S s) { return Flag(!s.irsAligning); }},
      {"MV.Irs1Sel", "mode selector, 2 NAV", [](S) { return std::string("2"); }},
      {"MV.Irs2Sel", "mode selector, 2 NAV", [](S) { return std::string("2"); }},
      {"MV.Irs3Sel", "mode selector, 2 NAV", [](S) { return std::string("2"); }},
      {"MV.Irs1Quality", "1 or 2 navigating, 3 not usable", [](S s) { return Int(s.irsQuality); }},
      {"MV.Irs2Quality", "1 or 2 navigating, 3 not usable", [](S s) { return Int(s.irsQuality); }},
      {"MV.Irs3Quality", "1 or 2 navigating, 3 not usable", [](S s) { return Int(s.irsQuality); }},
      {"MV.Irs1AlignDel", "minutes of alignment left", [](S s) { return Int(s.irsAlignMinutes); }},
      {"MV.Irs2AlignDel", "minutes of alignment left", [](S s) { return Int(s.irsAlignMinutes); }},
      {"MV.Irs3AlignDel", "minutes of alignment left", [](S s) { return Int(s.irsAlignMinutes); }},
      {"MV.IrsAligning", "1 while aligning", [](S s) { return Flag(s.irsAligning); }},
      {"MV.IrsAttHdg", "-2 no attitude and heading yet", [](S s) { return s.irsAligning ? std::string("-2") : std::string("0"); }},
      {"MV.IrsX1", "grid X feet", [](S s) { return IrsGrid(s, 1, false); }},
      {"MV.IrsX2", "grid X feet", [](S s) { return IrsGrid(s, 2, false); }},
      {"MV.IrsX3", "grid X feet", [](S s) { return IrsGrid(s, 3, false); }},
      {"MV.IrsY1", "grid Y feet", [](S s) { return IrsGrid(s, 1, true); }},
      {"MV.IrsY2", "grid Y feet", [](S s) { return IrsGrid(s, 2, true); }},
      {"MV.IrsY3", "grid Y feet", [](S s) { return IrsGrid(s, 3, true); }},
    },
    // The active runway: four grid corners, its designator and length.
    {
      {"MV.RwyX1", "grid X feet, corner 1", [](S) { return RunwayCorner(1, false); }},
      {"MV.RwyX2", "grid X feet, corner 2", [](S) { return RunwayCorner(2, false); }},
      {"MV.RwyX3", "grid X feet, corner 3", [](S) { return RunwayCorner(3, false); }},
      {"MV.RwyX4", "grid X feet, corner 4", [](S) { return RunwayCorner(4, false); }},
      {"MV.RwyY1", "grid Y feet, corner 1", [](S) { return RunwayCorner(1, true); }},
      {"MV.RwyY2", "grid Y feet, corner 2", [](S) { return RunwayCorner(2, true); }},
      {"MV.RwyY3", "grid Y feet, corner 3", [](S) { return RunwayCorner(3, true); }},
      {"MV.RwyY4", "grid Y feet, corner 4", [](S) { return RunwayCorner(4, true); }},
      {"MV.RwyStr6", "designator of the runway in use", [](S) { return std::string("14"); }},
      {"MV.RwyLen6", "feet, 0 no runway", [](S) { return std::string("9000"); }},
    },
    // FMC route: four points, point 2 active, the first leg 3 NM long.
    {
      {"R.01", "route point name", RouteField<1, 'n'>},
      {"R.a01", "latitude degrees, unsigned byte", RouteField<1, 'a'>},
      {"R.b01", "latitude tenths of minutes, unsigned 16-bit", RouteField<1, 'b'>},
      {"R.c01", "longitude degrees, unsigned 16-bit", RouteField<1, 'c'>},
      {"R.d01", "longitude tenths of minutes, unsigned 16-bit", RouteField<1, 'd'>},
      {"R.02", "route point name", RouteField<2, 'n'>},
      {"R.a02", "latitude degrees, unsigned byte", RouteField<2, 'a'>},
      {"R.b02", "latitude tenths of minutes, unsigned 16-bit", RouteField<2, 'b'>},
      {"R.c02", "longitude degrees, unsigned 16-bit", RouteField<2, 'c'>},
      {"R.d02", "longitude tenths of minutes, unsigned 16-bit", RouteField<2, 'd'>},
      {"R.03", "route point name", RouteField<3, 'n'>},
      {"R.a03", "latitude degrees, unsigned byte", RouteField<3, 'a'>},
      {"R.b03", "latitude tenths of minutes, unsigned 16-bit", RouteField<3, 'b'>},
      {"R.c03", "longitude degrees, unsigned 16-bit", RouteField<3, 'c'>},
      {"R.d03", "longitude tenths of minutes, unsigned 16-bit", RouteField<3, 'd'>},
      {"R.04", "route point name", RouteField<4, 'n'>},
      {"R.a04", "latitude degrees, unsigned byte", RouteField<4, 'a'>},
      {"R.b04", "latitude tenths of minutes, unsigned 16-bit", RouteField<4, 'b'>},
      {"R.c04", "longitude degrees, unsigned 16-bit", RouteField<4, 'c'>},
      {"R.d04", "longitude tenths of minutes, unsigned 16-bit", RouteField<4, 'd'>},
      {"R.e01", "degrees magnetic, inbound course to point 1", [](S) { return std::string("160"); }},
      {"R.LastLeg", "NM", [](S) { return std::string("3"); }},
      {"R.W", "number of points", [](S) { return std::string("4"); }},
    },
    // FIX page: fix 1 on SEA with circles of 5 and 10 NM and two radials.
    {
      {"MV.Fix1Name", "fix name, followed by a blank", [](S) { return std::string("SEA"); }},
      {"MV.Fix1Act", "1 shown", [](S) { return std::string("1"); }},
      {"MV.Fix1Type", "1 VOR/DME", [](S) { return std::string("1"); }},
      {"MV.Fix1Ndeg", "latitude degrees", [](S) { int d, t; RouteDegrees(kSeaLat, d, t); return Int(d); }},
      {"MV.Fix1Nmin", "latitude tenths of minutes", [](S) { int d, t; RouteDegrees(kSeaLat, d, t); return Int(t); }},
      {"MV.Fix1Edeg", "longitude degrees", [](S) { int d, t; RouteDegrees(kSeaLon, d, t); return Int(d); }},
      {"MV.Fix1Emin", "longitude tenths of minutes", [](S) { int d, t; RouteDegrees(kSeaLon, d, t); return Int(t); }},
      {"MV.Fix1Dis1", "NM", [](S) { return std::string("5"); }},
      {"MV.Fix1Dis2", "NM", [](S) { return std::string("10"); }},
      {"MV.Fix1Dis3", "999 none", [](S) { return std::string("999"); }},
      {"MV.Fix1Dis4", "999 none", [](S) { return std::string("999"); }},
      {"MV.Fix1Brg1", "degrees", [](S) { return std::string("90"); }},
      {"MV.Fix1Brg2", "degrees", [](S) { return std::string("200"); }},
      {"MV.Fix1Brg3", "999 none", [](S) { return std::string("999"); }},
      {"MV.Fix1Brg4", "999 none", [](S) { return std::string("999"); }},
      {"MV.Fix2Act", "0 hidden", [](S) { return std::string("0"); }},
    },
    // Radios: left VOR on SEA with DME and a selected course, right ADF on OLM.
    {
      {"MV.vorEfisL", "2 VOR", [](S) { return std::string("2"); }},
      {"MV.vorEfisR", "0 ADF", [](S) { return std::string("0"); }},
      {"MV.vor1FreqStr", "MHz", [](S) { return std::string("116.80"); }},
      {"MV.vor1FreqLen", "characters", [](S) { return std::string("6"); }},
      {"MV.vor1Ident", "ident", [](S) { return std::string("sea"); }},
      {"MV.vorDec1", "1 decoded", [](S) { return std::string("1"); }},
      {"MV.vorInRg1", "1 in range", [](S) { return std::string("1"); }},
      {"MV.vorRad1", "tenths, radial from the station", [](S s) { return StationRadial(s, kSeaLat, kSeaLon); }},
      {"MV.vorOldRad1", "tenths, radial from the station", [](S s) { return StationRadial(s, kSeaLat, kSeaLon); }},
      {"MV.vorCrs1", "degrees, 361 none", [](S) { return std::string("160"); }},
      {"MV.vorCrs2", "degrees, 361 none", [](S) { return std::string("361"); }},
      {"MV.adf2FreqStr", "kHz", [](S) { return std::string("113.4"); }},
      {"MV.adf2FreqLen", "characters", [](S) { return std::string("5"); }},
      {"MV.adf2Ident", "ident", [](S) { return std::string("olm"); }},
      {"MV.adfDec2", "1 decoded", [](S) { return std::string("1"); }},
      {"MV.adf2Rec", "1 received", [](S) { return std::string("1"); }},
      {"MV.vorOldRad2", "tenths, radial from the station", [](S s) { return StationRadial(s, kOlmLat, kOlmLon); }},
    },
    // Traffic: callsign, two further fields, latitude, longitude, altitude
    // (feet), one more field.
    {
      {"tcas", "{callsign f2 f3 lat lon alt f7}", [](S s) { return TrafficItem(s); }},
    },
    // One item per line: the reader takes the first "tcas" of a line.
    {
      {"tcas", "{callsign f2 f3 lat lon alt f7}, none when empty", [](S s) { return HeadOnItem(s); }},
    },
  };
  return table;
}
// clang-format on

std::string DemoLine(const std::vector<DemoItem>& row, const DemoState& s) {
  std::string line;
  for (const DemoItem& item : row) {
    if (!line.empty()) line.push_back(' ');
    line += item.name;
    line.push_back(' ');
    line += item.value(s);
  }
  return line + "\r\n";
}

DemoFlight::DemoFlight() : state_(InitialState()) { PlaceTraffic(state_); }

const DemoState& DemoFlight::At(double seconds) {
  double t = std::isfinite(seconds) ? std::fmod(std::max(0.0, seconds), kLoopSeconds) : 0;
  if (t + 1e-9 < state_.t) {
    state_ = InitialState();
    PlaceTraffic(state_);
  }
  // At most kLoopSeconds / kStepSeconds steps.
  while (state_.t + kStepSeconds <= t + 1e-9) Step();
  return state_;
}

std::vector<std::string> DemoFlight::Lines(double seconds, bool withTraffic) {
  const DemoState& s = At(seconds);
  const auto& table = DemoTable();
  std::vector<std::string> lines;
  for (const auto& row : table) {
    // Traffic rows: sent with the traffic, and only when they have an item.
    const bool traffic = !row.empty() && row.front().name == "tcas";
    if (traffic && (!withTraffic || row.front().value(s).empty())) continue;
    lines.push_back(DemoLine(row, s));
  }
  return lines;
}

void DemoFlight::Step() {
  DemoState& s = state_;
  const double dt = kStepSeconds;
  s.t += dt;
  const double t = s.t;
  const double agl = HeightAboveField(s);

  // Alignment, then the crew sets up the flight.
  s.irsAligning = t < kAlignedAt;
  s.irsQuality = s.irsAligning ? 3 : 1;
  s.irsAlignMinutes = s.irsAligning ? platform::SafeRound(std::ceil(kAlignedAt - t)) : 0;
  if (t >= kAlignedAt) {
    s.v1 = kV1;
    s.vr = kVR;
    s.altimeterSetting = 3005;
  }
  if (t >= kFdOnAt && !s.fdOn) {
    s.fdOn = true;
    s.autothrottle = true;
    s.fmaRollArmed = 3;   // LNAV
    s.fmaPitchArmed = 3;  // VNAV SPD
  }
  if (s.fdOn && !s.airborne) {
    SetMode(s.fmaRoll, 7, s.rollChangedAt, t);     // TO/GA
    SetMode(s.fmaPitch, 7, s.pitchChangedAt, t);   // TO/GA
    SetMode(s.fmaThrust, 2, s.thrustChangedAt, t);  // THR REF
  }

  // Climb-out modes, autopilot, flap retraction.
  if (s.airborne && agl >= 400 && s.fmaRoll == 7) {
    SetMode(s.fmaRoll, 3, s.rollChangedAt, t);      // LNAV
    SetMode(s.fmaPitch, 3, s.pitchChangedAt, t);    // VNAV SPD
    SetMode(s.fmaThrust, 1, s.thrustChangedAt, t);  // THR REF below the selected altitude
    s.fmaRollArmed = 0;
    s.fmaPitchArmed = 0;
  }
  if (s.airborne && agl >= 1000) s.autopilot = true;
  // Each flap step is retracted on passing its manoeuvre speed marker.
  if (s.airborne && agl >= 1000 && s.flapPosition > 0 && t - s.flapsChangedAt >= 5 &&
      s.ias >= kFlapSpeed[s.flapPosition]) {
    --s.flapPosition;
    s.flapsChangedAt = t;
  }
  if (t >= kHeadingSelectAt && s.selectedHeading == kRunwayTrueHeading - kMagVar) {
    s.selectedHeading = kFirstSelectedHeading;
    SetMode(s.fmaRoll, 5, s.rollChangedAt, t);  // HDG SEL
  }
  if (t >= kLeftTurnAt && s.selectedHeading == kFirstSelectedHeading) {
    s.selectedHeading = kSecondSelectedHeading;
    SetMode(s.fmaRoll, 5, s.rollChangedAt, t);  // HDG SEL
  }
  if (t >= kDescentAt && t < kPullUpAt && s.selectedAltitude != kLowPassAltitude) {
    s.selectedAltitude = kLowPassAltitude;
    SetMode(s.fmaPitch, 6, s.pitchChangedAt, t);   // V/S
    SetMode(s.fmaThrust, 4, s.thrustChangedAt, t);  // IDLE
  }
  // The pull-up after the low pass: back up to 4000 ft.
  if (t >= kPullUpAt && s.selectedAltitude != 4000) {
    s.selectedAltitude = 4000;
    SetMode(s.fmaPitch, 3, s.pitchChangedAt, t);    // VNAV SPD
    SetMode(s.fmaThrust, 1, s.thrustChangedAt, t);  // THR REF
  }
  if (s.airborne && s.fmaPitch == 3 && std::abs(s.selectedAltitude - s.altitude) < 100 &&
      std::abs(s.verticalSpeed) < 300) {
    SetMode(s.fmaPitch, 4, s.pitchChangedAt, t);    // VNAV PTH
    SetMode(s.fmaThrust, 5, s.thrustChangedAt, t);  // SPD
  }

  // Speed.
  double previousIas = s.ias;
  if (!s.airborne) {
    if (t >= kRollAt) s.ias += 7 * dt;  // take-off roll
  } else {
    s.ias = Approach(s.ias, s.selectedSpeed, 2, dt);
  }
  s.speedTrend = (s.ias - previousIas) / dt;
  // Climb-out speed: 10 kt beyond the marker of the flaps set, then 250 kt.
  if (s.airborne) s.selectedSpeed = s.flapPosition > 0 ? kFlapSpeed[s.flapPosition] + 10 : 250;

  // Pitch and vertical speed: rotate at VR, lift off at 8 degrees, then
  // climb at up to 3000 ft/min toward the selected altitude.
  double pitchTarget = 0;
  if (!s.airborne) {
    pitchTarget = s.ias >= kVR ? 15 : 0;
    s.pitch = Approach(s.pitch, pitchTarget, 3, dt);
    if (s.pitch >= 8) s.airborne = true;
  } else {
    double vsTarget = std::clamp((s.selectedAltitude - s.altitude) * 10, -1500.0, 3000.0);
    s.verticalSpeed = Approach(s.verticalSpeed, vsTarget, 500, dt);
    pitchTarget = 2 + s.verticalSpeed / 300;
    s.pitch = Approach(s.pitch, pitchTarget, 2, dt);
    s.altitude += s.verticalSpeed / 60 * dt;
  }

  // Bank and heading: wings level until the heading select, then turn
  // toward the selected heading at up to 25 degrees of bank.
  double bankTarget = 0;
  if (s.airborne && (s.fmaRoll == 5 || s.fmaRoll == 4)) {
    double error = Diff(s.selectedHeading + s.magVar, s.trueHeading);
    bankTarget = std::clamp(error * 2, -25.0, 25.0);
    if (s.fmaRoll == 5 && std::abs(error) < 0.5 && std::abs(s.bank) < 1)
      SetMode(s.fmaRoll, 4, s.rollChangedAt, t);  // HDG HOLD
  }
  s.bank = Approach(s.bank, bankTarget, 4, dt);
  s.tas = s.ias * (1 + s.altitude / 1000 * 0.02);
  s.mach = s.tas / 661.5;
  if (s.airborne) s.trueHeading = Fold360(s.trueHeading + 1091 * std::tan(Rad(s.bank)) / std::max(s.tas, 100.0) * dt);
  s.fdPitchCommand = s.fdOn ? (s.airborne ? pitchTarget : (s.ias > 0 ? 8.0 : 0.0)) : 0;
  s.fdBankCommand = s.fdOn ? bankTarget : 0;

  // Ground track with the wind once airborne.
  double north = s.tas * std::cos(Rad(s.trueHeading));
  double east = s.tas * std::sin(Rad(s.trueHeading));
  if (s.airborne) {
    north -= s.windSpeed * std::cos(Rad(s.windFrom));
    east -= s.windSpeed * std::sin(Rad(s.windFrom));
  }
  s.groundSpeed = std::hypot(north, east);
  s.trackTrue = s.groundSpeed > 1 ? Fold360(std::atan2(east, north) * 180 / kPi) : s.trueHeading;
  s.latitude += north / 3600 / 60 * dt;
  s.longitude += east / 3600 / (60 * std::cos(Rad(s.latitude))) * dt;

  PlaceTraffic(s);
}

void GridFromLatLon(double lat, double lon, int centerLon, double& x, double& y) {
  y = -lat * kFeetPerDegree;
  x = (lon - centerLon) * std::cos(Rad(lat)) * kFeetPerDegree;
}

void EncodeReal48(double value, int16_t words[3]) {
  uint8_t b[6] = {0, 0, 0, 0, 0, 0};
  if (std::isfinite(value) && value != 0) {
    int exp = 0;
    double f = std::frexp(std::abs(value), &exp);  // |value| = f * 2^exp, f in [0.5, 1)
    int biased = exp - 1 + 129;                     // |value| = 2f * 2^(exp - 1)
    // 2f - 1 lies in [0, 1), so the scaled fraction fits in 39 bits (a
    // round-up to 2^39 moves into the exponent).
    uint64_t frac = static_cast<uint64_t>(std::nearbyint((2 * f - 1) * 549755813888.0));
    if (frac >= (1ULL << 39)) {
      frac = 0;
      ++biased;
    }
    if (biased > 0 && biased <= 255) {
      b[0] = static_cast<uint8_t>(biased);
      for (int i = 1; i <= 4; ++i) b[i] = static_cast<uint8_t>(frac >> (8 * (i - 1)));
      b[5] = static_cast<uint8_t>(((frac >> 32) & 0x7F) | (value < 0 ? 0x80 : 0));
    }
  }
  for (int w = 0; w < 3; ++w)
    words[w] = static_cast<int16_t>(static_cast<uint16_t>(b[2 * w] | (b[2 * w + 1] << 8)));
}

}  // namespace broker
