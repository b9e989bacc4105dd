// The navaid database of the ND: the simulator's navaid files ("747s.p*")
// read into a list of the navaids within 1000 NM of the aircraft, drawn as
// cyan symbols with their idents (bit-7 stations at every range, the
// others below 80 NM), the navaids the VOR receivers are tuned to drawn in
// green, and the two look-ups of the VOR/ADF display: a navaid's position
// by its ident and the slant (DME) distance to it.
//
// Every look-up and draw gives the result of walking the whole list in its
// order (file search order, then record order); indexes made at load let
// them touch only the records that can match or show.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "nd/UNDObjects.h"

// Bytes of one record of a navaid file.
constexpr std::size_t kNavaidRecordSize = 15;

// One navaid in memory.
struct NavaidRecord {
  std::string ident;          // three characters as stored, ASCII letters upper-cased
  float latitude = 0;         // degrees
  float longitude = 0;        // degrees
  std::uint8_t type = 0;      // the file's type byte, bit 7 included
  std::int32_t elevation = 0; // ft
  std::int32_t frequency = 0; // the file's 16-bit value, sign-extended
};

// Decodes one 15-byte record.
NavaidRecord NavaidFromRecord(const std::uint8_t* Record);

// The key FindPosition compares: the ident with a NUL third character cut,
// then a NUL second character cut, ASCII letters lower-cased.
std::string NavaidPositionKey(std::string_view Ident);
// The key DmeDistance compares: as NavaidPositionKey, with blanks instead
// of NULs.
std::string NavaidDmeKey(std::string_view Ident);
// ASCII letters lower-cased, every other byte kept.
std::string LowerAsciiText(std::string_view Text);

// What a stored ident shows as a label: cut at the first NUL, bytes outside
// 32..176 (what the label font draws) shown as blanks.
std::string SymbolLabel(std::string_view Ident);

// The symbol list of a type byte (bit 7 ignored), cyan or tuned green; 0
// when the type is not drawn.
unsigned NavaidSymbolList(std::uint8_t Type, bool Tuned);
// Whether the look-ups find a navaid of this type byte (codes 1, 3, 65, 67).
bool NavaidFoundByIdent(std::uint8_t Type);

// The window a database element draws in: |latitude - OwnLat| and
// |longitude - OwnLon| (differences folded into -180..180, so it holds
// across the antimeridian) below Range x 1.5 / 60 degrees, the longitude
// widened by 1 / |cos OwnLat| (0.0001 at the poles). False for NaN.
bool InPlotWindow(double Lat, double Lon, double OwnLat, double OwnLon, int Range);

// Positions in list order of the records whose latitude lies within Half
// degrees of Lat (bounds included), from an index sorted by latitude.
using LatitudeIndex = std::vector<std::pair<float, std::uint32_t>>;
void LatitudeBand(const LatitudeIndex& Index, double Lat, double Half,
                  std::vector<std::uint32_t>& Positions);

class Tnavaids : public TNDDataElement {
 public:
  Tnavaids() = default;
  ~Tnavaids() override;
  Tnavaids(const Tnavaids&) = delete;
  Tnavaids& operator=(const Tnavaids&) = delete;

  // Reads every "747s.p*" file of Folder (only their names are logged when
  // Enabled is false), keeping the navaids within 1000 NM of (OwnLat,
  // OwnLon). No matching file: nothing happens and nothing is logged.
  void LoadFromFiles(double OwnLat, double OwnLon, const std::string& Folder, bool Enabled);
  // Logs and frees the list; afterwards there is none.
  void Clear();

  // The navaids around the aircraft, cyan, with their idents.
  void Draw(const NdFrame& Frame) const;
  // The navaids tuned on the two VOR receivers (frequencies in hundredths
  // of a megahertz, -1 for none), green.
  void DrawTuned(const NdFrame& Frame, int Freq1, int Freq2) const;
  // The position of the last navaid in list order with this ident (any
  // case) that the look-ups find and that lies below 200 NM; -91 / -181
  // when there is none.
  void FindPosition(std::string_view Ident, double OwnLat, double OwnLon, double& Lat, double& Lon) const;
  // The slant distance (NM, 6067 ft to the mile) to the last navaid with
  // this ident that the look-ups find and that lies below 250 NM, -999 when
  // there is none. DmeFlag follows the last matching navaid at any
  // distance (on for codes 3 and 67) and is kept when none matches.
  float DmeDistance(std::string_view Ident, bool& DmeFlag, double OwnLat, double OwnLon, double OwnAlt) const;

  bool HasList() const { return list_ != nullptr; }
  const std::vector<NavaidRecord>* List() const { return list_.get(); }

 private:
  void Index(std::uint32_t Position);

  std::unique_ptr<std::vector<NavaidRecord>> list_;
  // Made at load, positions in list order.
  std::unordered_map<std::string, std::vector<std::uint32_t>> byPositionKey_, byDmeKey_;
  std::unordered_map<std::uint16_t, std::vector<std::uint32_t>> byFrequency_;
  LatitudeIndex byLatitude_;
  mutable std::vector<std::uint32_t> scratch_;
};

// The one navaid element, made and freed with the other ND objects.
extern std::unique_ptr<Tnavaids> Navaids;
