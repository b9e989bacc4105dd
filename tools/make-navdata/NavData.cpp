#include "tools/make-navdata/NavData.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>

namespace navdata {

namespace {

void Put8(std::string& s, std::size_t off, int v) { s[off] = static_cast<char>(static_cast<std::uint8_t>(v & 0xFF)); }
void Put16(std::string& s, std::size_t off, int v) {
  const auto u = static_cast<std::uint16_t>(v & 0xFFFF);
  s[off] = static_cast<char>(u & 0xFF);
  s[off + 1] = static_cast<char>(u >> 8);
}
char At(const std::string& s, std::size_t i) { return i < s.size() ? s[i] : '\0'; }

bool WriteFile(const std::string& path, const std::string& bytes, std::string* error) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

// A small generator whose numbers are the same on every platform.
class Random {
 public:
  explicit Random(std::uint32_t seed) : g_(seed) {}
  double Uniform(double a, double b) { return a + (b - a) * (static_cast<double>(g_()) / 4294967296.0); }
  int Int(int a, int b) { return a + static_cast<int>(g_() % static_cast<std::uint32_t>(b - a + 1)); }
  std::string Letters(int n, char base) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>(base + Int(0, 25)));
    return s;
  }

 private:
  std::mt19937 g_;
};

const char* const kAptFiles[8] = {"747eur.apt", "747spa.apt", "747nam.apt", "747asi.apt",
                                  "747npo.apt", "747afr.apt", "747spo.apt", "747sam.apt"};

// Runway file of a position (a coarse split of the world).
std::string AptFile(double lat, double lon) {
  if (lat >= 15 && lon >= -170 && lon <= -50) return "747nam.apt";
  if (lat < 15 && lon >= -95 && lon <= -30) return "747sam.apt";
  if (lat >= 35 && lon > -30 && lon <= 45) return "747eur.apt";
  if (lat < 35 && lon > -30 && lon <= 55) return "747afr.apt";
  if (lat >= 0 && lon > 45) return "747asi.apt";
  if (lat < 0 && lon > 100) return "747spa.apt";
  return lat >= 0 ? "747npo.apt" : "747spo.apt";
}

struct Region {
  const char* file;
  double south, north, west, east;
};
const Region kRegions[13] = {
    {"747w.pa", 53, 90, -180, 180},  {"747w.pb", -90, -18, -180, 180}, {"747w.pc", -18, 53, -180, -115},
    {"747w.pd", -18, 53, -115, -95}, {"747w.pe", -18, 53, -95, -85},   {"747w.pf", -18, 53, -85, -78},
    {"747w.pg", -18, 53, -78, -68},  {"747w.ph", -18, 53, -68, -5},    {"747w.pi", -18, 53, -5, 8},
    {"747w.pj", -18, 53, 8, 28},     {"747w.pk", -18, 53, 28, 60},     {"747w.pl", -18, 53, 60, 120},
    {"747w.pm", -18, 53, 120, 180}};

Runway Rwy(const std::string& ident, double lat, double lon, int heading, int elevation, int length,
           bool left = false, bool right = false) {
  Runway r;
  r.ident = ident;
  r.lat = lat;
  r.lon = lon;
  r.trueHeading = heading;
  r.elevation = elevation;
  r.length = length;
  r.left = left;
  r.right = right;
  return r;
}

}  // namespace

void SplitDegrees(double value, int& degrees, int& tenths) {
  degrees = static_cast<int>(std::trunc(value));
  tenths = static_cast<int>(std::lround((value - degrees) * 600));
}

double StoredDegrees(double value) {
  int d = 0, t = 0;
  SplitDegrees(value, d, t);
  return d + t / 600.0;
}

std::string RunwayRecord(const Runway& r) {
  std::string s(50, '\0');
  int d = 0, t = 0;
  SplitDegrees(r.lat, d, t);
  Put8(s, 0, d);
  Put16(s, 1, t);
  SplitDegrees(r.lon, d, t);
  Put16(s, 3, d);
  Put16(s, 5, t);
  for (std::size_t i = 0; i < 4; ++i) s[14 + i] = At(r.ident, i);
  int f1 = 0, f2 = 0;
  if (r.adjust < 0) f1 |= 0x4000;
  if (r.adjust > 0) f2 |= 0x4000;
  if (r.left) f1 |= 0x8000;
  if (r.right) f2 |= 0x8000;
  Put16(s, 22, f1);
  Put16(s, 24, f2);
  Put16(s, 26, r.trueHeading);
  Put16(s, 28, r.elevation);
  Put16(s, 30, r.length);
  return s;
}

std::string NavaidRecord(const Navaid& n) {
  std::string s(15, '\0');
  int latD = 0, latT = 0, lonD = 0, lonT = 0;
  SplitDegrees(n.lat, latD, latT);
  SplitDegrees(n.lon, lonD, lonT);
  Put16(s, 0, lonD + 2);
  s[2] = At(n.ident, 1);
  Put8(s, 3, (n.type & 0x7F) | (n.allRanges ? 0x80 : 0));
  Put16(s, 4, latT + 34);
  Put16(s, 6, n.elevation + 1234);
  s[8] = At(n.ident, 0);
  Put16(s, 9, lonT - 56);
  s[11] = At(n.ident, 2);
  Put16(s, 12, n.frequency);
  Put8(s, 14, latD - 1);
  return s;
}

std::string WaypointRecord(const Waypoint& w) {
  std::string s(12, '\0');
  int latD = 0, latT = 0, lonD = 0, lonT = 0;
  SplitDegrees(w.lat, latD, latT);
  SplitDegrees(w.lon, lonD, lonT);
  Put16(s, 0, latT + 34);
  s[2] = At(w.ident, 1);
  s[3] = At(w.ident, 3);
  Put16(s, 4, lonT - 56);
  s[6] = At(w.ident, 0);
  Put16(s, 7, lonD + 2);
  s[9] = At(w.ident, 4);
  s[10] = At(w.ident, 2);
  Put8(s, 11, latD - 1);
  return s;
}

std::string VariationGrid(const std::function<int(int lat, int lon)>& byte) {
  std::string s;
  s.reserve(145 * 360);
  for (int lat = -64; lat <= 80; ++lat)
    for (int lon = -179; lon <= 180; ++lon) s.push_back(static_cast<char>(static_cast<std::uint8_t>(byte(lat, lon) & 0xFF)));
  return s;
}

int DemoVariationByte(int lat, int lon) {
  constexpr double kPi = 3.14159265358979323846;
  const double v = -16 + 14 * std::sin((lon + 122) * kPi / 180) + 0.2 * (lat - 47);
  return static_cast<int>(std::lround(v));
}

std::string WaypointRegion(double lat, double lon) {
  if (lat >= 53) return "747w.pa";
  if (lat <= -18) return "747w.pb";
  if (lon >= -180 && lon < -115) return "747w.pc";
  for (int i = 3; i < 13; ++i) {
    const Region& r = kRegions[i];
    if (lon > r.west && (i == 12 ? lon <= r.east : lon < r.east)) return r.file;
  }
  return "";
}

std::vector<FileRunways> DemoRunways() {
  std::vector<FileRunways> v;
  v.push_back({"747nam.apt",
               {
                   // The demo field: "14 /32 " with the grid's 16 degrees east.
                   Rwy("kdmo", 47.2, -122.0633333, 160, 430, 9000),
                   Rwy("ksea", 47.4490, -122.3070, 180, 433, 11900, true, false),
                   Rwy("____", 47.4490, -122.3110, 180, 433, 9425, true, true),
                   Rwy("____", 47.4490, -122.3180, 180, 433, 8500, false, true),
                   Rwy("kbfi", 47.5300, -122.3020, 150, 21, 10000),
                   Rwy("krnt", 47.4930, -122.2160, 174, 32, 5382),
                   Rwy("ktcm", 47.1370, -122.4760, 180, 322, 10108),
                   Rwy("kpae", 47.9060, -122.2820, 176, 606, 9010),
                   Rwy("bgtl", 76.5310, -68.7030, 250, 251, 9997),
                   Rwy("kjfk", 40.6400, -73.7800, 44, 13, 12079),
               }});
  v.push_back({"747eur.apt",
               {
                   Rwy("egll", 51.4775, -0.461, 90, 83, 12799, true, false),
                   Rwy("____", 51.4647, -0.4340, 90, 83, 12008, false, true),
                   Rwy("eham", 52.3100, 4.7600, 183, -11, 12467),
                   Rwy("lpma", 32.6940, -16.7780, 50, 192, 9124),
               }});
  v.push_back({"747spa.apt", {Rwy("yssy", -33.9461, 151.1772, 166, 21, 12999, false, true)}});
  return v;
}

bool WriteDatabases(const std::string& folder, bool full, std::string* error) {
  std::map<std::string, std::string> files;
  for (const char* f : kAptFiles) files[f];
  for (char c = 'a'; c <= 'j'; ++c) files[std::string("747s.p") + c];
  for (const Region& r : kRegions) files[r.file];

  for (const FileRunways& fr : DemoRunways())
    for (const Runway& r : fr.runways) files[fr.file] += RunwayRecord(r);
  // A partial record at the end of one file, as a reader must expect.
  files["747eur.apt"] += std::string(17, '\x5A');

  const Navaid navaids[4] = {
      {"sea", 47.4353, -122.3096, 1, false, 354, 11680},
      {"pae", 47.9198, -122.2782, 1, false, 595, 11060},
      {"olm", 46.9714, -122.9017, 1, false, 203, 11340},
      {"btg", 45.7480, -122.5918, 1, true, 200, 11660},
  };
  for (const Navaid& n : navaids) files["747s.pa"] += NavaidRecord(n);

  // Fixes around the demo field, and one in every other region.
  const Waypoint fixes[10] = {
      {"ALDER", 47.30, -122.00}, {"BEVEL", 47.25, -122.20}, {"CEDAR", 47.10, -121.95},
      {"DUNES", 47.15, -122.15}, {"EAGLE", 47.35, -122.10}, {"FERNS", 47.05, -122.05},
      {"GLADE", 47.40, -121.90}, {"HOLLY", 47.20, -121.80}, {"IVORY", 47.00, -122.30},
      {"JUNCO", 47.45, -122.25},
  };
  for (const Waypoint& w : fixes) files["747w.pc"] += WaypointRecord(w);
  for (const Region& r : kRegions) {
    if (std::string(r.file) == "747w.pc") continue;
    const double lat = r.south <= -90 ? -40 : r.north >= 90 && r.south >= 53 ? 60 : (r.south + r.north) / 2;
    files[r.file] += WaypointRecord({std::string("REG") + r.file[6] + "X", lat, (r.west + r.east) / 2});
  }

  if (full) {
    Random rnd(20131);
    // Airports: one to four runways each, about 30,000 records.
    int records = 0;
    while (records < 30000) {
      const double lat = rnd.Uniform(-56, 72), lon = rnd.Uniform(-180, 180);
      const int runways = rnd.Int(1, 4), elevation = rnd.Int(-50, 8000);
      const std::string file = AptFile(lat, lon);
      const std::string ident = rnd.Letters(4, 'a');
      for (int i = 0; i < runways; ++i, ++records) {
        Runway r = Rwy(i == 0 ? ident : "____", lat + 0.004 * i, lon, rnd.Int(0, 359), elevation,
                       rnd.Int(3000, 13000), i == 1, i == 2);
        files[file] += RunwayRecord(r);
      }
    }
    for (int i = 0; i < 20000; ++i) {
      Navaid n;
      n.ident = rnd.Letters(3, 'A');
      n.lat = rnd.Uniform(-70, 75);
      n.lon = rnd.Uniform(-180, 180);
      n.type = (i % 5 == 4) ? 2 : (i % 3 == 0 ? 3 : 1);
      n.allRanges = i % 4 == 0;
      n.elevation = rnd.Int(0, 6000);
      n.frequency = n.type == 2 ? rnd.Int(190, 535) : 10800 + rnd.Int(0, 199) * 5;
      const int band = std::min(9, static_cast<int>((n.lon + 180) / 36));
      files[std::string("747s.p") + static_cast<char>('a' + band)] += NavaidRecord(n);
    }
    // Waypoints: 45,000 in the demo's region, 155,000 in the others.
    for (int i = 0; i < 200000; ++i) {
      const Region& r = i < 45000 ? kRegions[2] : kRegions[i % 13 == 2 ? 0 : i % 13];
      const double south = std::max(r.south, -87.0), north = std::min(r.north, 87.0);
      Waypoint w{rnd.Letters(5, 'A'), rnd.Uniform(south + 0.01, north - 0.01),
                 rnd.Uniform(r.west + 0.01, r.east - 0.01)};
      files[r.file] += WaypointRecord(w);
    }
  }

  files["747WORLD.MV"] = VariationGrid(DemoVariationByte);
  for (const auto& [name, bytes] : files)
    if (!WriteFile(folder + "/" + name, bytes, error)) return false;
  return true;
}

}  // namespace navdata
