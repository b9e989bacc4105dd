// The runway database: the simulator's runway files ("747*.apt") read into
// a list of the runways within 1000 NM of the aircraft, each named with its
// two-way designator ("09L/27R") from its true heading and the magnetic
// variation grid; the runway the aircraft is on, approaching or nearest to
// (its elevation is the field elevation); the active runway the simulator
// announces as four grid corners; and the airport symbols and the active
// runway on the ND.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nd/UNDObjects.h"

// ---------------------------------------------------------------------------
// Magnetic variation

// Size of the variation grid: rows of 360 bytes for the whole degrees of
// latitude -64 up to 80.
constexpr std::size_t kMagVarGridBytes = 145 * 360;

// Reads the variation grid "747WORLD.MV" of Folder once, into memory. A
// grid that is missing, unreadable or shorter than kMagVarGridBytes gives
// a variation of 0 everywhere, with one log line (none when the required-
// files check already reported the file missing). True when it was read.
bool LoadMagneticVariation(const std::string& Folder);
// Forgets the grid (variation 0 everywhere).
void ClearMagneticVariation();

// Degrees to add to a magnetic direction to get a true one, for the whole
// degrees Lat and Lon: the negated grid byte; 0 outside latitude -64..80 or
// longitude -179..179, without a grid, or while RequiredFilesFound is false.
int MagVarAt(std::int8_t Lat, int Lon);

// ---------------------------------------------------------------------------
// Runway records

// Bytes of one record of a runway file.
constexpr std::size_t kRunwayRecordSize = 50;

// The seven-character designator of a runway record ("09L/27R", "18 /36 ").
std::string RunwayDesignator(const std::uint8_t* Record);

// One runway of the list.
struct TRunwayEntry {
  std::string ident;            // airport code as stored (lower case in the files)
  bool firstOfAirport = false;  // the record carried its own code
  int elevation = 0;            // ft
  double latitude = 0, longitude = 0;
  float trueHeading = 0;        // degrees
  int length = 0;               // ft
  std::string designator;       // seven characters
  // Made at load: the lower-cased designator halves, a blank third
  // character cut ("09l", "27r", "18", "36"), and the upper-cased ident.
  std::string key1, key2;
  std::string label;
};

// A runway entry from a record; identOfLast is the code of the last record
// of this load that carried one ("____" records take it).
TRunwayEntry RunwayEntryFromRecord(const std::uint8_t* Record, const std::string& identOfLast);

// True when the entry lies on the corner at (lat, lon).
bool OnCorner(double EntryLat, double EntryLon, double CornerLat, double CornerLon);

// Where a runway is drawn: its centre in ND units and the angle its
// outline is turned by, seen from the aircraft at (OwnLat, OwnLon).
struct RunwayPlacement {
  double x = 0, y = 0;
  double angle = 0;       // degrees, counter-clockwise
  double halfLength = 0;  // ND units
  double extension = 0;   // the extended centre line reaches this far (ND units)
};
RunwayPlacement PlaceRunway(const TRunwayEntry& e, double OwnLat, double OwnLon, double Heading,
                            int Range);
// Half width of the runway outline, ND units.
constexpr double kRunwayHalfWidth = 1.1637590520079;

// ---------------------------------------------------------------------------
// The element

class Trunways : public TNDDataElement {
 public:
  Trunways() = default;
  ~Trunways() override;

  // Reads the runway files of Folder (Load: the databases are present),
  // keeping the runways within 1000 NM of (OwnLat, OwnLon).
  void LoadAirports(double OwnLat, double OwnLon, const std::string& Folder, bool Load);
  // Logs and frees the list; afterwards there is none.
  void FreeAirports();
  // Selects the runway the aircraft is on, approaching, or nearest to, and
  // returns its elevation (ft); 0 without a list or a selection.
  int SelectRunway(float Lat, float Lon, float Alt);
  // True once a runway has been selected.
  bool RunwaySelected() const { return selected_; }

  // The selected runway.
  float RunwayElevation() const { return static_cast<float>(selElevation_); }
  float RunwayHalfLength() const { return static_cast<float>(selHalfLength_); }
  float RunwayLatitude() const { return static_cast<float>(selLatitude_); }
  float RunwayLongitude() const { return static_cast<float>(selLongitude_); }
  std::string AirportIdent() const { return selIdent_; }
  std::string RunwayName() const { return selDesignator_; }

  // The broker's active runway.
  void ParseLine(std::string_view Line);
  // Elevation of the database runway on the announced corners whose
  // designator half matches designator string 6; -10000 when none does.
  int ActiveRunwayElevation();
  // Airport symbols with their codes, for the airports of the list within
  // the plotting box.
  void DrawAirports(const NdFrame& Frame) const;
  // The active runway: outline, extended centre line and label, at range
  // 40 NM and below.
  void DrawRunways(const NdFrame& Frame);

  // State, for the tests and the information box.
  bool HasList() const { return list_ != nullptr; }
  const std::vector<TRunwayEntry>* List() const { return list_.get(); }
  double CornerLatitude(int i) const { return cornerLat_[i - 1]; }
  double CornerLongitude(int i) const { return cornerLon_[i - 1]; }
  const std::string& DesignatorString(int i) const { return str_[i - 1]; }
  int Length(int i) const { return len_[i - 1]; }
  int CentreLongitude() const { return centreLon_; }
  int GridNorthFlag() const { return gridNorth_; }
  int GridSouthFlag() const { return gridSouth_; }
  // (entry index, corner 1..4) of every entry lying on an announced corner,
  // in list order.
  const std::vector<std::pair<std::size_t, int>>& CornerMatches();

 private:
  void Take(const TRunwayEntry& e, double d, double& best, int& result);
  void RefreshMatches();

  std::unique_ptr<std::vector<TRunwayEntry>> list_;

  bool selected_ = false;
  double selLatitude_ = 0, selLongitude_ = 0, selElevation_ = 0, selHeading_ = 0,
         selHalfLength_ = 0;
  std::string selIdent_, selDesignator_;

  int centreLon_ = 0;
  std::array<double, 4> x_{}, y_{};
  std::array<double, 4> cornerLat_{}, cornerLon_{};
  std::array<std::string, 6> str_;
  std::array<int, 6> len_{};
  int gridNorth_ = 0, gridSouth_ = 0;

  // Cached: the corner matches (redone when the corners or the list
  // change) and the active elevation (redone when they or string 6 change).
  bool matchesValid_ = false;
  bool activeValid_ = false;
  std::vector<std::pair<std::size_t, int>> matches_;
  int activeElevation_ = -10000;
};

// The one runway element, made at start-up (PFD-only mode too) and freed
// at program end.
extern std::unique_ptr<Trunways> Runways;
