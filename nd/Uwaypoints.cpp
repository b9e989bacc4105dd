#include "nd/Uwaypoints.h"

#include <algorithm>
#include <cmath>

#include "shared/Udebug.h"
#include "platform/RecordFile.h"

std::unique_ptr<Twaypoints> Waypoints;

namespace {
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

const WaypointRegionRow kWaypointRegions[13] = {
    {"747w.pa", WaypointRegionRow::North, 0, 0, false, false, 53, 90, -180, 180},
    {"747w.pb", WaypointRegionRow::South, 0, 0, false, false, -90, -18, -180, 180},
    {"747w.pc", WaypointRegionRow::Middle, -180, -115, true, false, -18, 53, -180, -115},
    {"747w.pd", WaypointRegionRow::Middle, -115, -95, false, false, -18, 53, -115, -95},
    {"747w.pe", WaypointRegionRow::Middle, -95, -85, false, false, -18, 53, -95, -85},
    {"747w.pf", WaypointRegionRow::Middle, -85, -78, false, false, -18, 53, -85, -78},
    {"747w.pg", WaypointRegionRow::Middle, -78, -68, false, false, -18, 53, -78, -68},
    {"747w.ph", WaypointRegionRow::Middle, -68, -5, false, false, -18, 53, -68, -5},
    {"747w.pi", WaypointRegionRow::Middle, -5, 8, false, false, -18, 53, -5, 8},
    {"747w.pj", WaypointRegionRow::Middle, 8, 28, false, false, -18, 53, 8, 28},
    {"747w.pk", WaypointRegionRow::Middle, 28, 60, false, false, -18, 53, 28, 60},
    {"747w.pl", WaypointRegionRow::Middle, 60, 120, false, false, -18, 53, 60, 120},
    {"747w.pm", WaypointRegionRow::Middle, 120, 180, false, true, -18, 53, 120, 180},
};

const WaypointRegionRow* ChooseWaypointRegion(double Lat, double Lon) {
  for (const WaypointRegionRow& r : kWaypointRegions) {
    switch (r.band) {
      case WaypointRegionRow::North:
        if (Lat >= 53) return &r;
        break;
      case WaypointRegionRow::South:
        if (Lat <= -18) return &r;
        break;
      case WaypointRegionRow::Middle: {
        if (!(Lat > -18 && Lat < 53)) break;
        const bool aboveLow = r.lowIncluded ? Lon >= r.lonLow : Lon > r.lonLow;
        const bool belowHigh = r.highIncluded ? Lon <= r.lonHigh : Lon < r.lonHigh;
        if (aboveLow && belowHigh) return &r;
        break;
      }
    }
  }
  return nullptr;
}

wpt_rec WaypointFromRecord(const std::uint8_t* r) {
  using platform::RecordInt16;
  using platform::RecordInt8;
  wpt_rec w;
  w.latitude = static_cast<float>((RecordInt8(r, 11) + 1) + (RecordInt16(r, 0) - 34) / 600.0);
  w.longitude = static_cast<float>((RecordInt16(r, 7) - 2) + (RecordInt16(r, 4) + 56) / 600.0);
  for (int off : {6, 2, 10, 3, 9}) w.ident.push_back(UpperAscii(static_cast<char>(r[off])));
  return w;
}

Twaypoints::~Twaypoints() { Clear(); }

void Twaypoints::LoadFromFile(double OwnLat, double OwnLon, const std::string& Folder, bool Enabled) {
  std::string name;
  if (const WaypointRegionRow* r = ChooseWaypointRegion(OwnLat, OwnLon)) {
    name = r->file;
    SouthBound = r->south;
    NorthBound = r->north;
    WestBound = r->west;
    EastBound = r->east;
  }
  ReloadLog().Log(" Waypoints: Trying to load navaids from " + name);
  list_ = std::make_unique<std::vector<wpt_rec>>();
  byLatitude_.clear();
  const std::string warning = " Waypoints: WARNING! File access failure. Navaids not loaded.";
  platform::TRecordFile f;
  // An empty name never opens the folder itself.
  if (!Enabled || name.empty() || !f.Open(Folder + "\\" + name, kWaypointRecordSize)) {
    ReloadLog().Log(f.TooLarge() ? " Waypoints: " + platform::RecordFileTooLargeText(name) : warning);
    return;
  }
  while (const std::uint8_t* rec = f.Next()) {
    list_->push_back(WaypointFromRecord(rec));
    const wpt_rec& w = list_->back();
    if (std::isfinite(w.latitude))
      byLatitude_.emplace_back(w.latitude, static_cast<std::uint32_t>(list_->size() - 1));
  }
  f.Close();
  std::stable_sort(byLatitude_.begin(), byLatitude_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  if (f.ReadError())
    ReloadLog().Log(" Waypoints: Read error in " + name + ". Rest of the file not loaded.");
  else
    ReloadLog().Log(" Waypoints: Load successful.");
}

void Twaypoints::Clear() {
  ReloadLog().Log(" Waypoints: Freeing used memory");
  list_.reset();
  byLatitude_.clear();
  scratch_.clear();
}

void Twaypoints::Draw(const NdFrame& Frame) const {
  const int range = Frame.range;
  if (!list_ || range > 40 || range <= 0) return;
  // A little wider than the window: the window test itself decides.
  LatitudeBand(byLatitude_, Frame.ownLatitude, range * 1.5 / 60 + 1e-6, scratch_);
  BeginSymbols();
  for (std::uint32_t i : scratch_) {
    const wpt_rec& w = (*list_)[i];
    if (!InPlotWindow(w.latitude, w.longitude, Frame.ownLatitude, Frame.ownLongitude, range)) continue;
    PlotSymbol(Frame, ndlist::kWaypoint, SymbolLabel(w.ident).c_str(), w.latitude, w.longitude);
  }
  EndSymbols();
}
