// The waypoint database of the ND: the one region file of the simulator's
// thirteen ("747w.pa".."747w.pm") whose region holds the aircraft, drawn as
// cyan triangles with their idents at ranges of 40 NM and below.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shared/UDeclarations.h"
#include "nd/UNDObjects.h"
#include "nd/Unavaids.h"

// Bytes of one record of a waypoint file.
constexpr std::size_t kWaypointRecordSize = 12;

// Decodes one 12-byte record: the ident always has five characters.
wpt_rec WaypointFromRecord(const std::uint8_t* Record);

// One region of the waypoint files: which positions choose it and the
// bounds recorded for it.
struct WaypointRegionRow {
  const char* file;
  enum Band { North, South, Middle } band;  // lat >= 53, lat <= -18, -18 < lat < 53
  double lonLow, lonHigh;                   // middle band only
  bool lowIncluded, highIncluded;
  float south, north, west, east;           // recorded bounds
};
extern const WaypointRegionRow kWaypointRegions[13];
// The row of (Lat, Lon), or null when none holds it (the middle band's
// region borders, longitudes outside -180..180, NaN).
const WaypointRegionRow* ChooseWaypointRegion(double Lat, double Lon);

class Twaypoints : public TNDDataElement {
 public:
  Twaypoints() = default;
  ~Twaypoints() override;
  Twaypoints(const Twaypoints&) = delete;
  Twaypoints& operator=(const Twaypoints&) = delete;

  // Chooses the region file of (OwnLat, OwnLon) and reads it whole from
  // Folder (Enabled: the databases are present).
  void LoadFromFile(double OwnLat, double OwnLon, const std::string& Folder, bool Enabled);
  // Logs and frees the list; afterwards there is none.
  void Clear();
  // The waypoints around the aircraft, at Range 40 NM and below.
  void Draw(const NdFrame& Frame) const;

  // Bounds of the region chosen at the last load that chose one.
  float SouthBound = 0, NorthBound = 0, WestBound = 0, EastBound = 0;

  bool HasList() const { return list_ != nullptr; }
  const std::vector<wpt_rec>* List() const { return list_.get(); }

 private:
  std::unique_ptr<std::vector<wpt_rec>> list_;
  LatitudeIndex byLatitude_;  // made at load
  mutable std::vector<std::uint32_t> scratch_;
};

// The one waypoint element, made and freed with the other ND objects.
extern std::unique_ptr<Twaypoints> Waypoints;
