// The terrain element: the elevations of the 15 x 15 degrees around the
// aircraft (nine 5-degree blocks read from the elevation tiles in the data
// folder), the sample grid filled once per ND frame, the look-ahead terrain
// caution and warning, and the terrain clearance floor.
//
// The sampling and the alerts need no GL context: only Init (textures and
// texture-coordinate generation) and ApplyTexturePlanes touch GL.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "nd/UNDObjects.h"

class TCGTexture;

// The selected runway, as far as the terrain reads it.
struct TerrainRunway {
  std::string AirportIdent;        // lower case, e.g. "ksea"
  double RunwayLatitude = 0;       // degrees
  double RunwayLongitude = 0;      // degrees
  double RunwayHalfLength = 0;     // NM
  double RunwayElevation = 0;      // ft
};
// The terrain's view of the runway element: the selected runway, or nothing
// while no runway has been taken. Unset means no runway.
// Runways (runway element) binds this to its selected runway.
extern std::function<std::optional<TerrainRunway>()> TerrainRunways;

// One cell of the sample grid.
struct TerrainSample {
  std::int32_t elevation = -9998;  // metres; -9998 not sampled in this frame
  double distance = 0;             // NM from the aircraft
  double bearing = 0;              // degrees true from the aircraft
  bool caution = false;
  bool warning = false;
  bool noData = false;             // the tile holds no data there (sea)
};

// Envelope of one look-ahead alert.
struct TerrainEnvelope {
  double clearance;  // H, ft
  double t1, t2;     // look-ahead times, s
};
inline constexpr TerrainEnvelope kCautionEnvelope{1000, 50, 120};
inline constexpr TerrainEnvelope kWarningEnvelope{800, 35, 60};

// True when terrain of elevation E (ft) at distance d (NM) ahead breaks the
// envelope for an aircraft at altitude A (ft), ground speed GS (kt) and
// vertical speed VS (ft/min). At a ground speed of 0 or less the gradient
// and the look-ahead distances are 0.
bool InTerrainEnvelope(const TerrainEnvelope& env, double d, double E, double A, double GS,
                       double VS);

// True when a cell at distance d (NM) and relative bearing a (degrees,
// -180..180) lies in the shown area for the range R (NM).
bool TerrainCellInView(double d, double a, int R, bool profileMode);

// Texture plane factor for the sampling range (after the cap to 20).
double TexturePlaneFactor(int range);

// ---- Terrain map ----

enum class TerrainPattern { Solid, Sparse, Medium, Dense };
// 32 x 32 polygon stipple masks, 128 bytes in the order glPolygonStipple
// takes them.
const std::array<std::uint8_t, 128>& TerrainStipple(TerrainPattern p);

// How one sampled cell is painted: not at all, or in a colour with a
// pattern (Solid for alerting cells).
struct TerrainCellLook {
  bool drawn = false;
  float r = 0, g = 0, b = 0;
  TerrainPattern pattern = TerrainPattern::Solid;
};
// A cell of elevation metres seen from altitude ft in the normal display.
TerrainCellLook NormalCellLook(int metres, double altitude, bool caution, bool warning);
// A cell in the peaks display between the lowest and highest terrain (ft);
// nothing below lowestShown.
TerrainCellLook PeakCellLook(int metres, int lowest, int highest, int lowestShown);

// ---- Vertical profile ----

// Vertical scale of the profile panel (ft) for the ND range.
int ProfileScale(int range);
// Panel height of a height in ft for the scale.
double ProfileY(double feet, int scale);
// The quarter-range and half-range labels of the distance scale.
std::pair<std::string, std::string> ProfileDistanceLabels(int range);
// Vertical-speed offset of the profile (units).
double ProfileVsOffset(double verticalSpeed);
// Value of bin n: the bin's own or the next filled one up to bin 20.
double ProfileValue(const std::array<double, 101>& profile, int n);
// Texts of an altitude label (ft) in print order: Font045 (large) or
// Font035, at their offsets in font units.
struct ProfileText {
  bool large;
  std::string text;
  double x, y;
};
std::vector<ProfileText> ProfileAltitudeLabel(int feet);
struct ProfileLine {
  double x1, y1, x2, y2;
  float r, g, b;
};
// The parts of the segment from (x1, y1) to (x2, y2) in their colours,
// in drawing order, against the bottom and top lines.
std::vector<ProfileLine> ProfileSegment(double x1, double y1, double x2, double y2, double yBottom,
                                        double yTop);
// The bar of a bin at x up to panel height y: green below the bottom
// line, amber up to the top line, red above it.
std::vector<ProfileLine> ProfileBar(double x, double y, double yBottom, double yTop);
// Flight-path line: its length for the range, its rise per unit of
// length (0 without ground speed).
double ProfilePathLength(int range);
double ProfilePathSlope(double verticalSpeed, double groundSpeed);
// Where the profile puts the aircraft: scroll o and symbol offset w.
struct ProfileOffsets {
  double o, w;
};
ProfileOffsets ProfileScroll(double altitude, double verticalSpeed, double elevationUnderAircraft,
                             int scale);

class Tterrain : public TNDDataElement {
 public:
  static constexpr int kColumns = 801;  // column offsets -400..400
  static constexpr int kRows = 81;      // row offsets -40..40

  Tterrain();
  // Frees the blocks and logs it; the textures must have gone with
  // DeleteTextures while the context was current (no GL calls here).
  ~Tterrain() override;

  // Program folder, textures and texture-coordinate generation (GL
  // context current), then InitData.
  void Init(int range, const std::string& programFolder);
  // The part of Init without GL: the nine blocks, the range and the
  // reference elevation 1412 ft.
  void InitData(int range, const std::string& programFolder);
  // Deletes the two pattern textures (GL context current).
  void DeleteTextures();

  void LoadTiles(const std::string& folder, double lat, double lon);
  void LoadBlock(int column, int row, const std::string& folder, int buffer);
  bool OutsideCentreBlock(double lat, double lon) const;
  int ElevationAt(std::int64_t column, std::int64_t row) const;

  void SetReferenceAltitude(int elevation) { ReferenceElevation = elevation; }
  void Scan(int range, bool textures, double lat, double lon, double heading, double bank,
            double groundSpeed, double verticalSpeed, double altitude, bool profileMode,
            bool& caution, bool& warning);
  int MaxElevation() const { return HighestElevation; }
  int MinElevation() const { return LowestShownElevation; }
  double HeightAboveTerrain(double lat, double lon, double altitude);
  bool ClearanceFloorAlert(double lat, double lon, double altitude);

  // The terrain map under the ND symbols, from this frame's scan, seen
  // from the frame's aircraft (GL). sea: cells without data are painted as
  // sea.
  void Draw(const NdFrame& Frame, bool textures, bool sea);
  // The vertical profile panel of the profile layout at the frame's
  // altitude, for vertical speed vs (ft/min) and ground speed gs (kt) (GL).
  void DrawProfile(const NdFrame& Frame, double vs, double gs);

  // Hands the current texture planes to GL (object-linear S and T).
  void ApplyTexturePlanes() const;

  // A log line of a tile load: part of the reload log (ReloadLog).
  void Log(const std::string& line);

  // Record [j][i] of the sample grid, j -400..400, i -40..40.
  TerrainSample& Sample(int j, int i) { return Samples[static_cast<std::size_t>(j + 400) * kRows + (i + 40)]; }
  const TerrainSample& Sample(int j, int i) const {
    return Samples[static_cast<std::size_t>(j + 400) * kRows + (i + 40)];
  }
  // Profile bin n, -20..80.
  double& ProfileBin(int n) { return Profile[static_cast<std::size_t>(n + 20)]; }

  std::unique_ptr<TCGTexture> texture25, texture50;
  // Buffers in the order centre, north, north-west, north-east, west, east,
  // south-west, south, south-east.
  enum Block { kCentre, kNorth, kNorthWest, kNorthEast, kWest, kEast, kSouthWest, kSouth, kSouthEast };
  std::array<std::unique_ptr<std::uint8_t[]>, 9> Blocks;
  int Range = 10;
  int CentreColumn = 0, CentreRow = 0;
  int ReferenceElevation = 1412;
  int HighestElevation = 0, LowestElevation = 99999, LowestShownElevation = 99999;
  std::array<double, 101> Profile{};
  std::vector<TerrainSample> Samples;  // kColumns x kRows, on the heap
  double CautionMaxDistance = -1, WarningMaxDistance = -1;
  double CautionMinElevation = 100000, WarningMinElevation = 100000;
  std::string BaseFolder;
  bool TexturesFound = false;
  double ElevationUnderAircraft = 0;
  float SPlane[4] = {0.03f, 0, 0, 0};
  float TPlane[4] = {0, 0.03f, 0, 0};

 private:
  // Quads of one pattern, gathered for one pass: x, y, r, g, b per corner.
  std::array<std::vector<float>, 4> batches_;
  std::vector<unsigned> quadIndices_;  // 0 1 2 0 2 3, 4 5 6 4 6 7, ...
  void FlushBatches(bool textures, double halfW, double halfH);
  // Per-column terms of the distance and bearing, filled once per scan.
  struct ColumnTerms {
    double sinDLon, cosDLon, halfSin;
  };
  std::vector<ColumnTerms> columnTerms_;
  bool LoadEmptyBlock(const std::string& folder, std::uint8_t* buffer);
  std::string DataPath(const std::string& folder, const std::string& name) const;
};

extern std::unique_ptr<Tterrain> Terrain;
