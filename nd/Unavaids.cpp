#include "nd/Unavaids.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "shared/Udebug.h"
#include "platform/Paths.h"
#include "platform/RecordFile.h"
#include "support/geo/geoMath.h"

std::unique_ptr<Tnavaids> Navaids;

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The ident with a third character equal to cut removed, then a second one.
std::string CutKey(std::string_view ident, char cut) {
  std::string k = LowerAsciiText(ident);
  if (k.size() >= 3 && k[2] == cut) k.resize(2);
  if (k.size() >= 2 && k[1] == cut) k.resize(1);
  return k;
}

double DistanceTo(double OwnLat, double OwnLon, const NavaidRecord& n) {
  double d = 0, b = 0;
  CalcDistanceBearing(d, b, OwnLat, OwnLon, n.latitude, n.longitude);
  return d;
}

}  // namespace

// ---------------------------------------------------------------------------
// Records and keys

NavaidRecord NavaidFromRecord(const std::uint8_t* r) {
  using platform::RecordInt16;
  using platform::RecordInt8;
  NavaidRecord n;
  n.latitude = static_cast<float>((RecordInt8(r, 14) + 1) + (RecordInt16(r, 4) - 34) / 600.0);
  n.longitude = static_cast<float>((RecordInt16(r, 0) - 2) + (RecordInt16(r, 9) + 56) / 600.0);
  n.elevation = RecordInt16(r, 6) - 1234;
  const char ident[3] = {static_cast<char>(r[8]), static_cast<char>(r[2]), static_cast<char>(r[11])};
  for (char c : ident) n.ident.push_back(UpperAscii(c));
  n.type = r[3];
  n.frequency = RecordInt16(r, 12);
  return n;
}

std::string LowerAsciiText(std::string_view Text) {
  std::string s(Text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string NavaidPositionKey(std::string_view Ident) { return CutKey(Ident, '\0'); }
std::string NavaidDmeKey(std::string_view Ident) { return CutKey(Ident, ' '); }

std::string SymbolLabel(std::string_view Ident) {
  std::string s(Ident.substr(0, std::min(Ident.size(), Ident.find('\0'))));
  for (char& c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u > 176) c = ' ';
  }
  return s;
}

unsigned NavaidSymbolList(std::uint8_t Type, bool Tuned) {
  switch (Type & 0x7F) {
    case 1:
    case 65:
      return Tuned ? ndlist::kTunedVorDme : ndlist::kNavaidVorDme;
    case 2:
      return Tuned ? ndlist::kTunedVor : ndlist::kNavaidVor;
    case 3:
    case 67:
      return Tuned ? ndlist::kTunedDme : ndlist::kNavaidDme;
    default:
      return 0;
  }
}

bool NavaidFoundByIdent(std::uint8_t Type) {
  const int code = Type & 0x7F;
  return code == 1 || code == 3 || code == 65 || code == 67;
}

bool InPlotWindow(double Lat, double Lon, double OwnLat, double OwnLon, int Range) {
  if (Range <= 0) return false;
  double c = std::fabs(std::cos(OwnLat * kDegToRad));
  if (c == 0) c = 0.0001;
  // Written so that NaN fails.
  return std::fabs(AngleDiff(OwnLat, Lat)) * 60 < 1.5 * Range &&
         std::fabs(AngleDiff(OwnLon, Lon)) * 60 < 1.5 * Range / c;
}

void LatitudeBand(const LatitudeIndex& Index, double Lat, double Half, std::vector<std::uint32_t>& Positions) {
  Positions.clear();
  if (!(Half >= 0) || !std::isfinite(Lat)) return;
  const double low = Lat - Half, high = Lat + Half;
  auto it = std::lower_bound(Index.begin(), Index.end(), low,
                             [](const std::pair<float, std::uint32_t>& e, double v) { return e.first < v; });
  for (; it != Index.end() && it->first <= high; ++it) Positions.push_back(it->second);
  std::sort(Positions.begin(), Positions.end());
}

// ---------------------------------------------------------------------------
// Database

Tnavaids::~Tnavaids() { Clear(); }

void Tnavaids::Index(std::uint32_t Position) {
  const NavaidRecord& n = (*list_)[Position];
  byPositionKey_[NavaidPositionKey(n.ident)].push_back(Position);
  byDmeKey_[NavaidDmeKey(n.ident)].push_back(Position);
  byFrequency_[static_cast<std::uint16_t>(n.frequency & 0xFFFF)].push_back(Position);
  if (std::isfinite(n.latitude)) byLatitude_.emplace_back(n.latitude, Position);
}

void Tnavaids::LoadFromFiles(double OwnLat, double OwnLon, const std::string& Folder, bool Enabled) {
  const std::vector<std::string> files = platform::FindFiles(Folder + "\\747s.p*");
  if (files.empty()) return;
  list_ = std::make_unique<std::vector<NavaidRecord>>();
  byPositionKey_.clear();
  byDmeKey_.clear();
  byFrequency_.clear();
  byLatitude_.clear();
  for (const std::string& path : files) {
    const std::string name = FileName(path);
    ReloadLog().Log(" Navaids: Trying to load navaids from " + name);
    if (!Enabled) continue;
    platform::TRecordFile f;
    if (!f.Open(path, kNavaidRecordSize)) {
      if (f.TooLarge()) ReloadLog().Log(" Navaids: " + platform::RecordFileTooLargeText(name));
      continue;
    }
    while (const std::uint8_t* r = f.Next()) {
      NavaidRecord n = NavaidFromRecord(r);
      if (!(DistanceTo(OwnLat, OwnLon, n) <= 1000)) continue;
      list_->push_back(std::move(n));
      Index(static_cast<std::uint32_t>(list_->size() - 1));
    }
    f.Close();
    if (f.ReadError())
      ReloadLog().Log(" Navaids: Read error in " + name + ". Rest of the file not loaded.");
    else
      ReloadLog().Log(" Navaids: Load successful.");
  }
  std::stable_sort(byLatitude_.begin(), byLatitude_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

void Tnavaids::Clear() {
  ReloadLog().Log(" Navaids: Freeing used memory");
  list_.reset();
  byPositionKey_.clear();
  byDmeKey_.clear();
  byFrequency_.clear();
  byLatitude_.clear();
  scratch_.clear();
}

void Tnavaids::Draw(const NdFrame& Frame) const {
  const int range = Frame.range;
  if (!list_ || range <= 0) return;
  // A little wider than the window: the window test itself decides.
  LatitudeBand(byLatitude_, Frame.ownLatitude, range * 1.5 / 60 + 1e-6, scratch_);
  BeginSymbols();
  for (std::uint32_t i : scratch_) {
    const NavaidRecord& n = (*list_)[i];
    if (!(n.type & 0x80) && range >= 80) continue;
    if (!InPlotWindow(n.latitude, n.longitude, Frame.ownLatitude, Frame.ownLongitude, range)) continue;
    const unsigned list = NavaidSymbolList(n.type, false);
    if (list == 0) continue;
    PlotSymbol(Frame, list, SymbolLabel(n.ident).c_str(), n.latitude, n.longitude);
  }
  EndSymbols();
}

void Tnavaids::DrawTuned(const NdFrame& Frame, int Freq1, int Freq2) const {
  if (!list_) return;
  // Only a frequency of 0..65535 can equal a record's low 16 bits.
  const std::vector<std::uint32_t>* found[2] = {nullptr, nullptr};
  const int freqs[2] = {Freq1, Freq2};
  for (int k = 0; k < 2; ++k) {
    if (freqs[k] < 0 || freqs[k] > 0xFFFF) continue;
    if (k == 1 && freqs[1] == freqs[0]) continue;
    const auto it = byFrequency_.find(static_cast<std::uint16_t>(freqs[k]));
    if (it != byFrequency_.end()) found[k] = &it->second;
  }
  // The two position lists merged back into list order.
  scratch_.clear();
  for (const auto* v : found)
    if (v) scratch_.insert(scratch_.end(), v->begin(), v->end());
  if (found[0] && found[1]) std::inplace_merge(scratch_.begin(), scratch_.begin() + found[0]->size(), scratch_.end());
  for (std::uint32_t i : scratch_) {
    const NavaidRecord& n = (*list_)[i];
    const unsigned list = NavaidSymbolList(n.type, true);
    if (list == 0) continue;
    const double d = DistanceTo(Frame.ownLatitude, Frame.ownLongitude, n);
    const bool inReach = (n.type & 0x80) ? d < 239 : d < 99;
    if (!inReach) continue;
    PlotSymbol(Frame, list, SymbolLabel(n.ident).c_str(), n.latitude, n.longitude);
  }
}

void Tnavaids::FindPosition(std::string_view Ident, double OwnLat, double OwnLon, double& Lat, double& Lon) const {
  Lat = -91;
  Lon = -181;
  if (!list_) return;
  const auto it = byPositionKey_.find(LowerAsciiText(Ident));
  if (it == byPositionKey_.end()) return;
  for (std::uint32_t i : it->second) {
    const NavaidRecord& n = (*list_)[i];
    if (!NavaidFoundByIdent(n.type) || !(DistanceTo(OwnLat, OwnLon, n) < 200)) continue;
    Lat = n.latitude;
    Lon = n.longitude;
  }
}

float Tnavaids::DmeDistance(std::string_view Ident, bool& DmeFlag, double OwnLat, double OwnLon,
                            double OwnAlt) const {
  float result = -999;
  if (!list_) return result;
  const auto it = byDmeKey_.find(LowerAsciiText(Ident));
  if (it == byDmeKey_.end()) return result;
  for (std::uint32_t i : it->second) {
    const NavaidRecord& n = (*list_)[i];
    if (!NavaidFoundByIdent(n.type)) continue;
    const double d = DistanceTo(OwnLat, OwnLon, n);
    if (d < 250) {
      const double h = (OwnAlt - n.elevation) / 6067;
      result = static_cast<float>(std::sqrt(d * d + h * h));
    }
    const int code = n.type & 0x7F;
    DmeFlag = code == 3 || code == 67;
  }
  return result;
}
