#include "nd/Urunways.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "shared/BrokerValue.h"
#include "shared/UDeclarations.h"
#include "shared/Udebug.h"
#include "shared/Ufonts.h"
#include "nd/GridPosition.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "platform/RecordFile.h"
#include "support/geo/geoMath.h"
#include "support/opengl/CgFontFI.h"

std::unique_ptr<Trunways> Runways;

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr int kNoActiveRunway = -10000;

// The variation grid, read once.
std::vector<std::int8_t> MagVarGrid;

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "09L" -> "09l", "18 " -> "18".
std::string DesignatorKey(std::string_view half) {
  std::string k;
  for (char c : half) k.push_back(LowerAscii(c));
  if (k.size() == 3 && k[2] == ' ') k.resize(2);
  return k;
}

std::string TwoDigits(int n) {
  std::string s = platform::FormatInt(n);
  return s.size() < 2 ? "0" + s : s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Magnetic variation

bool LoadMagneticVariation(const std::string& Folder) {
  MagVarGrid.clear();
  platform::TRecordFile f;
  const std::uint8_t* grid = nullptr;
  if (f.Open(Folder + "\\747world.mv", kMagVarGridBytes)) grid = f.Next();
  if (!grid) {
    // A missing file has been reported by the required-files check.
    if (f.TooLarge())
      WriteDebug(" Startup: " + platform::RecordFileTooLargeText("747world.mv"));
    else if (RequiredFilesFound)
      WriteDebug(" Startup: 747world.mv could not be read. Magnetic variation set to 0.");
    return false;
  }
  MagVarGrid.assign(grid, grid + kMagVarGridBytes);
  return true;
}

void ClearMagneticVariation() { MagVarGrid.clear(); }

int MagVarAt(std::int8_t Lat, int Lon) {
  if (Lat > 80 || Lat < -64 || Lon > 179 || Lon < -179) return 0;
  if (!RequiredFilesFound || MagVarGrid.size() != kMagVarGridBytes) return 0;
  const std::size_t offset = static_cast<std::size_t>(Lat + 64) * 360 + static_cast<std::size_t>(Lon + 179);
  return -MagVarGrid[offset];
}

// ---------------------------------------------------------------------------
// Records

std::string RunwayDesignator(const std::uint8_t* r) {
  using platform::RecordInt16;
  using platform::RecordInt8;
  using platform::RecordUInt16;
  const std::uint16_t flags1 = RecordUInt16(r, 22), flags2 = RecordUInt16(r, 24);
  int k = 0;
  if (flags1 & 0x4000) k = -1;
  if (flags2 & 0x4000) k = 1;
  // Heading plus 4 less the variation, folded into 0..359 whatever the
  // stored heading.
  int h = RecordUInt16(r, 26) + 4 - MagVarAt(RecordInt8(r, 0), RecordInt16(r, 3));
  h = (h % 360 + 360) % 360;
  const int q = h / 10, m = h % 10;
  int n = q + k;
  if (q % 2 == 1 && m == 9) ++n;
  if (n <= 0) n += 36;
  else if (n > 36) n -= 36;
  const bool left = flags1 & 0x8000, right = flags2 & 0x8000;
  const char* s1 = " ";
  const char* s2 = " ";
  if (left && right) s1 = s2 = "C";
  else if (left) s1 = "L", s2 = "R";
  else if (right) s1 = "R", s2 = "L";
  int rn = n + 18;
  if (rn > 36) rn -= 36;
  return TwoDigits(n) + s1 + "/" + TwoDigits(rn) + s2;
}

TRunwayEntry RunwayEntryFromRecord(const std::uint8_t* r, const std::string& identOfLast) {
  using platform::RecordInt16;
  using platform::RecordInt8;
  using platform::RecordUInt16;
  TRunwayEntry e;
  std::string code(reinterpret_cast<const char*>(r + 14), 4);
  if (code == "____") {
    e.ident = identOfLast;
    e.firstOfAirport = false;
  } else {
    // A code shorter than four characters is padded with NULs.
    const std::size_t nul = code.find('\0');
    if (nul != std::string::npos) code.resize(nul);
    e.ident = code;
    e.firstOfAirport = true;
  }
  e.latitude = RecordInt8(r, 0) + RecordInt16(r, 1) / 600.0;
  e.longitude = RecordInt16(r, 3) + RecordInt16(r, 5) / 600.0;
  e.trueHeading = RecordUInt16(r, 26);
  e.elevation = RecordInt16(r, 28);
  e.length = RecordUInt16(r, 30);
  e.designator = RunwayDesignator(r);
  e.key1 = DesignatorKey(std::string_view(e.designator).substr(0, 3));
  e.key2 = DesignatorKey(std::string_view(e.designator).substr(4, 3));
  for (char c : e.ident) e.label.push_back(UpperAscii(c));
  return e;
}

bool OnCorner(double EntryLat, double EntryLon, double CornerLat, double CornerLon) {
  const double dLat = std::fabs(EntryLat - CornerLat), dLon = std::fabs(EntryLon - CornerLon);
  return (dLat < 0.00334 && dLon < 0.00167) || (dLat < 0.00167 && dLon < 0.00334);
}

RunwayPlacement PlaceRunway(const TRunwayEntry& e, double OwnLat, double OwnLon, double Heading,
                            int Range) {
  RunwayPlacement p;
  if (Range <= 0) return p;
  double d = 0, b = 0;
  CalcDistanceBearing(d, b, OwnLat, OwnLon, e.latitude, e.longitude);
  const double a = (b + 360 - Heading) * kDegToRad;
  p.x = std::sin(a) * d * DisplaySize / Range;
  p.y = std::cos(a) * d * DisplaySize / Range;
  p.angle = AngleDiff(Heading, e.trueHeading);
  p.halfLength = (e.length / 12152.0) * 2 * 70.71 / Range;
  p.extension = 2121.3 / Range;
  return p;
}

// ---------------------------------------------------------------------------
// Database

Trunways::~Trunways() { FreeAirports(); }

void Trunways::LoadAirports(double OwnLat, double OwnLon, const std::string& Folder, bool Load) {
  const std::vector<std::string> files = platform::FindFiles(Folder + "\\747*.apt");
  if (files.empty()) return;
  list_ = std::make_unique<std::vector<TRunwayEntry>>();
  matchesValid_ = activeValid_ = false;
  std::string identOfLast;
  const std::string warning = " Airports: WARNING! File access failure. Airports not loaded.";
  for (const std::string& path : files) {
    const std::string name = FileName(path);
    ReloadLog().Log(" Airports: Trying to load airports from " + name);
    if (!Load) {
      ReloadLog().Log(warning);
      continue;
    }
    platform::TRecordFile f;
    if (!RequiredFilesFound || !f.Open(path, kRunwayRecordSize)) {
      ReloadLog().Log(f.TooLarge() ? " Airports: " + platform::RecordFileTooLargeText(name) : warning);
      continue;
    }
    while (const std::uint8_t* r = f.Next()) {
      TRunwayEntry e = RunwayEntryFromRecord(r, identOfLast);
      if (e.firstOfAirport) identOfLast = e.ident;
      double d = 0, b = 0;
      CalcDistanceBearing(d, b, OwnLat, OwnLon, e.latitude, e.longitude);
      if (d <= 1000) list_->push_back(std::move(e));
    }
    f.Close();
    if (f.ReadError())
      ReloadLog().Log(" Airports: Read error in " + name + ". Rest of the file not loaded.");
    else
      ReloadLog().Log(" Airports: Load successful.");
  }
}

void Trunways::FreeAirports() {
  ReloadLog().Log(" Aiports: Freeing used memory");
  list_.reset();
  matchesValid_ = activeValid_ = false;
  matches_.clear();
}

void Trunways::Take(const TRunwayEntry& e, double d, double& best, int& result) {
  selected_ = true;
  selIdent_ = e.ident;
  selDesignator_ = e.designator;
  selLatitude_ = e.latitude;
  selLongitude_ = e.longitude;
  selElevation_ = e.elevation;
  selHeading_ = e.trueHeading;
  selHalfLength_ = e.length / 12152.0;
  result = e.elevation;
  best = d;
}

int Trunways::SelectRunway(float Lat, float Lon, float Alt) {
  double best = 20000;
  int result = 0;
  bool locked = false;
  if (!list_) return 0;
  for (const TRunwayEntry& e : *list_) {
    double d = 0, b = 0;
    CalcDistanceBearing(d, b, Lat, Lon, e.latitude, e.longitude);
    const double limit = e.length / 11000.0;
    const double h = e.trueHeading;
    // Nearest runway, until one is found that the aircraft is on or approaching.
    if (d < best && !locked) Take(e, d, best, result);
    // On the runway.
    if (d <= limit && (std::fabs(AngleDiff(b, h)) < 10 || std::fabs(AngleDiff(b, h + 180)) < 10)) {
      Take(e, d, best, result);
      locked = true;
    }
    // On the approach: on the axis within 7.4 NM and between the 230 and
    // 420 ft per NM glide paths.
    const double above = static_cast<double>(Alt) - e.elevation;
    if (limit <= d && d <= 7.4 &&
        (std::fabs(AngleDiff(b, h)) < 5 || std::fabs(AngleDiff(b, h + 180)) < 5) &&
        (d - limit) * 230 < above && above < (d - limit) * 420) {
      Take(e, d, best, result);
      locked = true;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------
// Active runway

void Trunways::ParseLine(std::string_view Line) {
  using brokerlink::ReadBrokerDouble;
  using brokerlink::ReadBrokerInt;
  using brokerlink::ValueSpan;
  std::string_view body = Line;
  if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
  if (body.find("MV.Rwy") == std::string_view::npos && body.find("MV.Center") == std::string_view::npos &&
      body.find("MV.Grid") == std::string_view::npos)
    return;
  const std::string oldStr6 = str_[5];
  if (!brokerlink::IsConnLine(Line)) {
    ReadBrokerInt(Line, "MV.CenterLon", centreLon_);
    static const char* const xNames[4] = {"MV.RwyX1", "MV.RwyX2", "MV.RwyX3", "MV.RwyX4"};
    static const char* const yNames[4] = {"MV.RwyY1", "MV.RwyY2", "MV.RwyY3", "MV.RwyY4"};
    for (int i = 0; i < 4; ++i) ReadBrokerDouble(Line, xNames[i], x_[i], ValueSpan::RestOfLine);
    for (int i = 0; i < 4; ++i) ReadBrokerDouble(Line, yNames[i], y_[i], ValueSpan::RestOfLine);
    static const char* const strNames[6] = {"MV.RwyStr1", "MV.RwyStr2", "MV.RwyStr3",
                                            "MV.RwyStr4", "MV.RwyStr5", "MV.RwyStr6"};
    for (int i = 0; i < 6; ++i) {
      std::string_view text;
      if (brokerlink::BrokerValueText(Line, strNames[i], text)) str_[i] = std::string(text);
    }
    static const char* const lenNames[6] = {"MV.RwyLen1", "MV.RwyLen2", "MV.RwyLen3",
                                            "MV.RwyLen4", "MV.RwyLen5", "MV.RwyLen6"};
    for (int i = 0; i < 6; ++i) {
      ReadBrokerInt(Line, lenNames[i], len_[i]);
      // No length: no runway of that number.
      if (len_[i] == 0) str_[i].clear();
    }
    ReadBrokerInt(Line, "MV.GridNorth", gridNorth_);
    ReadBrokerInt(Line, "MV.GridSouth", gridSouth_);
  }
  bool moved = false;
  for (int i = 0; i < 4; ++i) {
    const double lat = cornerLat_[i], lon = cornerLon_[i];
    RunwayCornerToLatLon(x_[i], y_[i], gridNorth_, gridSouth_, centreLon_, cornerLat_[i], cornerLon_[i]);
    moved = moved || lat != cornerLat_[i] || lon != cornerLon_[i];
  }
  if (moved) matchesValid_ = false;
  if (moved || str_[5] != oldStr6) activeValid_ = false;
}

void Trunways::RefreshMatches() {
  matches_.clear();
  if (list_) {
    for (std::size_t n = 0; n < list_->size(); ++n) {
      const TRunwayEntry& e = (*list_)[n];
      for (int i = 0; i < 4; ++i)
        if (OnCorner(e.latitude, e.longitude, cornerLat_[i], cornerLon_[i])) matches_.emplace_back(n, i + 1);
    }
  }
  matchesValid_ = true;
  activeValid_ = false;
}

const std::vector<std::pair<std::size_t, int>>& Trunways::CornerMatches() {
  if (!matchesValid_) RefreshMatches();
  return matches_;
}

int Trunways::ActiveRunwayElevation() {
  if (!matchesValid_) RefreshMatches();
  if (!activeValid_) {
    activeElevation_ = kNoActiveRunway;
    for (const auto& [n, corner] : matches_) {
      const TRunwayEntry& e = (*list_)[n];
      if (e.key1 == str_[5] || e.key2 == str_[5]) activeElevation_ = e.elevation;
    }
    activeValid_ = true;
  }
  return activeElevation_;
}

// ---------------------------------------------------------------------------
// Drawing

void Trunways::DrawAirports(const NdFrame& Frame) const {
  if (!list_) return;
  const double ownLat = Frame.ownLatitude, ownLon = Frame.ownLongitude;
  const int range = Frame.range;
  double k = std::fabs(std::cos(ownLat * kDegToRad));
  if (k == 0) k = 0.0001;
  const double latWindow = range * 1.5 / 60, lonWindow = range * 1.5 / (60 * k);
  BeginSymbols();
  for (const TRunwayEntry& e : *list_) {
    if (!e.firstOfAirport) continue;
    if (std::fabs(AngleDiff(e.latitude, ownLat)) < latWindow &&
        std::fabs(AngleDiff(e.longitude, ownLon)) < lonWindow)
      PlotSymbol(Frame, ndlist::kAirport, e.label.c_str(), static_cast<float>(e.latitude),
                 static_cast<float>(e.longitude));
  }
  EndSymbols();
}

void Trunways::DrawRunways(const NdFrame& Frame) {
  const double ownLat = Frame.ownLatitude, ownLon = Frame.ownLongitude;
  const int range = Frame.range;
  if (!list_ || range > 40 || range <= 0) return;
  double k = std::fabs(std::cos(ownLat * kDegToRad));
  if (k == 0) k = 0.0001;
  for (const auto& [n, corner] : CornerMatches()) {
    const TRunwayEntry& e = (*list_)[n];
    if (!(std::fabs(AngleDiff(ownLat, e.latitude)) * 60 < 1.5 * range &&
          std::fabs(AngleDiff(ownLon, e.longitude)) * 60 < 1.5 * range / k))
      continue;
    const RunwayPlacement p = PlaceRunway(e, ownLat, ownLon, Frame.heading, range);
    const double w = kRunwayHalfWidth, L = p.halfLength, E = p.extension;
    glTranslated(p.x, p.y, 0);
    if (Font040) Font040->Print(e.designator.substr(0, 3).c_str(), 0.5f, -1.1f, 0);
    glRotated(p.angle, 0, 0, 1);
    glBegin(GL_LINES);
    glVertex2d(w, L);
    glVertex2d(w, -L);
    glVertex2d(-w, L);
    glVertex2d(-w, -L);
    glEnd();
    glLineStipple(1, 0x00FF);
    glEnable(GL_LINE_STIPPLE);
    glBegin(GL_LINES);
    glVertex2d(0, L);
    glVertex2d(0, E);
    glVertex2d(0, -E);
    glVertex2d(0, -L);
    glEnd();
    glDisable(GL_LINE_STIPPLE);
    glRotated(-p.angle, 0, 0, 1);
    glColor3f(1, 1, 1);
    glTranslated(-p.x, -p.y, 0);
  }
}
