#include "nd/Uterrain.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>

#include "shared/Udebug.h"
#include "nd/TerrainTiles.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "support/geo/geoMath.h"
#include "support/opengl/CgTexture.h"
#include "support/opengl/CgUtils.h"

std::function<std::optional<TerrainRunway>()> TerrainRunways;
std::unique_ptr<Tterrain> Terrain;

namespace {

// Feet from metres by dividing: 381 m are then 1250 ft exactly, as they
// are by the definition of the foot (a factor of 1 / 0.3048 gives a hair
// less, and cells exactly at a threshold would fall on its other side).
constexpr double kMetresPerFoot = 0.3048;
constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kFeetPerNm = 6076.1154;
constexpr int kNoData = -9999;
constexpr int kNotSampled = -9998;
const double kCos105 = std::cos(105 * kDegToRad);

// Truncating division and a modulo that is never negative.
int Wrap(std::int64_t v, int n) { return static_cast<int>(((v % n) + n) % n); }

// Reads up to n bytes at offset; the number read (short at the end of the
// file or on an error).
std::int64_t ReadAt(int fd, std::uint8_t* buffer, std::int64_t n, std::int64_t offset) {
  std::int64_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd, buffer + done, static_cast<size_t>(n - done), offset + done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += r;
  }
  return done;
}

std::optional<TerrainRunway> SelectedRunway() {
  if (!TerrainRunways) return std::nullopt;
  return TerrainRunways();
}

std::string Stem(const std::string& name) { return name.substr(0, name.size() - 4); }

}  // namespace

// ---------------------------------------------------------------------------
// Pure helpers

bool InTerrainEnvelope(const TerrainEnvelope& env, double d, double E, double A, double GS,
                       double VS) {
  const double H = env.clearance;
  const double K = 1.6 * H / kFeetPerNm;
  const double d1 = GS * env.t1 / 3600;
  const double d2 = GS * env.t2 / 3600;
  // Without ground speed there is no flight path to speak of.
  const double g = GS > 0 ? VS / GS * 0.00987 : 0;
  const double climb = d * g * kFeetPerNm;
  if (0 <= d && d <= K && A - E < H - (K - d) * 3038.06) return true;
  if (K < d && d <= d1 && A - E < H - climb) return true;
  if (d1 < d && d <= d2 && E > A + (d - d1) * std::max(g, 0.1051) * kFeetPerNm) return true;
  return false;
}

namespace {

// The shown area, for a cell along and across the heading (NM).
bool InView(double along, double cross, double a, int R, bool profileMode) {
  if (profileMode) return 0 <= along && along <= 0.55 * R && std::fabs(cross) < 0.7 * R;
  if (std::fabs(a) <= 45) return true;
  return 0 <= along && along < 0.72 * R && std::fabs(cross) < 0.72 * R;
}

}  // namespace

bool TerrainCellInView(double d, double a, int R, bool profileMode) {
  return InView(d * std::cos(a * kDegToRad), d * std::sin(a * kDegToRad), a, R, profileMode);
}

double TexturePlaneFactor(int range) { return range == 10 ? 0.03 : range * 0.03 / 20; }

// ---------------------------------------------------------------------------
// Life

Tterrain::Tterrain()
    : Samples(static_cast<std::size_t>(kColumns) * kRows),
      columnTerms_(kColumns) {
  Profile.fill(-1);
}

Tterrain::~Tterrain() {
  for (auto& b : Blocks) b.reset();
  WriteDebug(" Terrain: Elevation Data removed from memory");
  // The textures belong to the GL context; DeleteTextures has freed them
  // while it was current. Should that not have happened, they are left to
  // the context rather than freed here without one.
  (void)texture50.release();
  (void)texture25.release();
}

void Tterrain::Init(int range, const std::string& programFolder) {
  texture25 = std::make_unique<TCGTexture>();
  texture50 = std::make_unique<TCGTexture>();
  TexturesFound = true;
  const std::pair<TCGTexture*, const char*> patterns[2] = {{texture25.get(), "bitmaps/texture25.jpg"},
                                                           {texture50.get(), "bitmaps/texture50.jpg"}};
  for (const auto& [texture, file] : patterns) {
    if (!platform::FileExists(file)) {
      TexturesFound = false;
      continue;
    }
    try {
      texture->LoadFromJPEG(file);
    } catch (const std::exception&) {
      // A corrupt pattern leaves the stipples in charge; start-up goes on.
      TexturesFound = false;
      WriteDebug(std::string(" Terrain: Texture not loaded: ") + file);
    }
  }
  SPlane[0] = 0.03f;
  TPlane[1] = 0.03f;
  EnableObjectLinearTexGen(SPlane[0], TPlane[1]);
  InitData(range, programFolder);
}

void Tterrain::InitData(int range, const std::string& programFolder) {
  BaseFolder = programFolder;
  for (auto& b : Blocks)
    if (!b) b = std::make_unique<std::uint8_t[]>(terrain::kBlockBytes);
  Range = range;
  ReferenceElevation = 1412;
}

void Tterrain::DeleteTextures() {
  texture50.reset();
  texture25.reset();
}

void Tterrain::ApplyTexturePlanes() const {
  glTexGenfv(GL_S, GL_OBJECT_PLANE, SPlane);
  glTexGenfv(GL_T, GL_OBJECT_PLANE, TPlane);
}

// ---------------------------------------------------------------------------
// Tiles

void Tterrain::Log(const std::string& line) { ReloadLog().Log(line); }

std::string Tterrain::DataPath(const std::string& folder, const std::string& name) const {
  return platform::ResolvePath(BaseFolder + "\\" + folder + "\\" + name);
}

void Tterrain::LoadTiles(const std::string& folder, double lat, double lon) {
  CentreRow = platform::SafeRound((90 - lat) * 120) / terrain::kBlockCells;
  CentreColumn = platform::SafeRound((lon + 180) * 120) / terrain::kBlockCells;
  Log(" Terrain: Load Terrain from tile " + std::to_string(CentreColumn) + "," + std::to_string(CentreRow));
  if (!Blocks[kCentre]) return;
  if (!(std::fabs(lat) < 87)) {
    // No block is read up here; what the buffers held belongs to another
    // place, so it goes.
    for (auto& b : Blocks) std::memset(b.get(), 0, terrain::kBlockBytes);
    Log(" Terrain: No terrain beyond 87 degrees of latitude; elevations cleared.");
    return;
  }
  struct Step {
    int dc, dr;
    Block buffer;
  };
  static constexpr Step kOrder[9] = {{0, 0, kCentre},     {-1, -1, kNorthWest}, {0, -1, kNorth},
                                     {1, -1, kNorthEast}, {-1, 0, kWest},       {1, 0, kEast},
                                     {-1, 1, kSouthWest}, {0, 1, kSouth},       {1, 1, kSouthEast}};
  for (const Step& s : kOrder) LoadBlock(CentreColumn + s.dc, CentreRow + s.dr, folder, s.buffer);
}

bool Tterrain::LoadEmptyBlock(const std::string& folder, std::uint8_t* buffer) {
  const std::string path = DataPath(folder, "empty-tile.dem");
  const int fd = platform::OpenRegularFile(path);
  Log(" Terrain: Trying.......... Filename = \\data\\empty-tile.dem");
  if (fd < 0) {
    Log(" Terrain: WARNING! Load failure Filename = \\data\\empty-tile.dem");
    std::memset(buffer, 0, terrain::kBlockBytes);
    return false;
  }
  const std::int64_t got = ReadAt(fd, buffer, terrain::kBlockBytes, 0);
  ::close(fd);
  if (got < terrain::kBlockBytes) {
    std::memset(buffer + got, 0, static_cast<std::size_t>(terrain::kBlockBytes - got));
    Log(" Terrain: Empty tile shorter than one block, the rest set to 0: \\data\\empty-tile.dem");
    return false;
  }
  Log(" Terrain: Load Success.... Filename = \\data\\empty-tile.dem");
  return true;
}

void Tterrain::LoadBlock(int column, int row, const std::string& folder, int buffer) {
  if (buffer < 0 || buffer >= 9 || !Blocks[static_cast<std::size_t>(buffer)]) return;
  std::uint8_t* out = Blocks[static_cast<std::size_t>(buffer)].get();
  const int C = Wrap(column, terrain::kBlockColumns);
  const int R = Wrap(row, terrain::kBlockRows);
  Log(" Terrain: Trying to load terrain from " + std::to_string(C) + "," + std::to_string(R));
  const std::string name = terrain::TileName(R, C);
  const std::string shown = "\\data\\" + name;
  if (R < 1 || R > 34) {
    LoadEmptyBlock(folder, out);
    return;
  }
  const int fd = platform::OpenRegularFile(DataPath(folder, name));
  struct stat st {};
  const bool sized = fd >= 0 && ::fstat(fd, &st) == 0 &&
                     (st.st_size == terrain::kWideTileBytes || st.st_size == terrain::kSouthTileBytes);
  if (!sized) {
    if (fd >= 0) ::close(fd);
    Log(" Terrain: Tile missing or of a wrong size, empty block used: " + shown);
    LoadEmptyBlock(folder, out);
    return;
  }
  Log(" Terrain: Trying.......... Filename = \\data\\" + Stem(name));
  const terrain::BlockPlace place = terrain::PlaceInTile(R, C, terrain::InSouthBand(R));
  for (int r = 0; r < terrain::kBlockCells; ++r) {
    std::uint8_t* line = out + static_cast<std::ptrdiff_t>(r) * terrain::kBlockRowBytes;
    const std::int64_t got = ReadAt(fd, line, terrain::kBlockRowBytes, place.offset + r * place.rowStride);
    if (got < terrain::kBlockRowBytes) {
      // The tile ends inside the block: what it lacks reads as 0 rather
      // than as the block that was here before.
      const std::size_t from = static_cast<std::size_t>(r) * terrain::kBlockRowBytes + static_cast<std::size_t>(got);
      std::memset(out + from, 0, static_cast<std::size_t>(terrain::kBlockBytes) - from);
      ::close(fd);
      Log(" Terrain: Tile ends inside the block, the rest set to 0: " + shown);
      return;
    }
  }
  ::close(fd);
  Log(" Terrain: Load Success.... Filename = \\data\\" + Stem(name));
}

bool Tterrain::OutsideCentreBlock(double lat, double lon) const {
  const std::int64_t r = static_cast<std::int64_t>(platform::SafeRound((90 - lat) * 120)) -
                         static_cast<std::int64_t>(CentreRow) * terrain::kBlockCells;
  const std::int64_t c = static_cast<std::int64_t>(platform::SafeRound((lon + 180) * 120)) -
                         static_cast<std::int64_t>(CentreColumn) * terrain::kBlockCells;
  return !(0 <= r && r < terrain::kBlockCells && 0 <= c && c < terrain::kBlockCells);
}

int Tterrain::ElevationAt(std::int64_t column, std::int64_t row) const {
  const std::int64_t n = terrain::kBlockCells;
  const std::int64_t dr = row - static_cast<std::int64_t>(CentreRow) * n;
  const std::int64_t dc = column - static_cast<std::int64_t>(CentreColumn) * n;
  if (dr < -n || dr >= 2 * n || dc < -n || dc >= 2 * n) return 0;
  const int br = dr < 0 ? 0 : dr < n ? 1 : 2;
  const int bc = dc < 0 ? 0 : dc < n ? 1 : 2;
  static constexpr Block kPick[3][3] = {{kNorthWest, kNorth, kNorthEast},
                                        {kWest, kCentre, kEast},
                                        {kSouthWest, kSouth, kSouthEast}};
  const std::uint8_t* b = Blocks[kPick[br][bc]].get();
  if (!b) return 0;
  const std::int64_t r = dr - (br - 1) * n, c = dc - (bc - 1) * n;
  const std::int64_t at = r * terrain::kBlockRowBytes + 2 * c;
  const int v = b[at] * 256 + b[at + 1];
  return v <= 32768 ? v : v - 65536;
}

// ---------------------------------------------------------------------------
// Sampling and alerts

void Tterrain::Scan(int range, bool, double lat, double lon, double heading, double bank,
                    double groundSpeed, double verticalSpeed, double altitude, bool profileMode,
                    bool& caution, bool& warning) {
  for (int n = 0; n <= 80; ++n) ProfileBin(n) = -1;
  Range = range;
  HighestElevation = 0;
  LowestElevation = 99999;
  LowestShownElevation = 99999;
  CautionMaxDistance = -1;
  WarningMaxDistance = -1;
  CautionMinElevation = 100000;
  WarningMinElevation = 100000;
  // Both flags are cleared first, so nothing stale survives the polar stop.
  caution = false;
  warning = false;
  if (!(std::fabs(lat) <= 87) || !Blocks[kCentre]) return;

  const int row0 = platform::SafeRound((90 - lat) * 120);
  const int column0 = platform::SafeRound((lon + 180) * 120);
  int s = 1;
  if (Range >= 40) {
    Range = 20;
    s = range / 20;
  }
  const double cosLat = std::cos(lat * kDegToRad);
  const int k = cosLat == 0 ? 5 : std::min(5, platform::SafeTrunc(1 / cosLat));
  const float p = static_cast<float>(TexturePlaneFactor(Range));
  SPlane[0] = p;
  TPlane[1] = p;

  bool inhibited = false;
  if (const auto rw = SelectedRunway(); rw && rw->AirportIdent == "lpma") {
    double dist = 0, brg = 0;
    CalcDistanceBearing(dist, brg, lat, lon, rw->RunwayLatitude, rw->RunwayLongitude);
    inhibited = dist < 5 && (std::fabs(AngleDiff(brg, 10)) <= 40 || std::fabs(AngleDiff(brg, 260)) <= 40);
  }

  // The grid holds rows -40..40 and columns -400..400; a range other than
  // those the ND offers must not reach past it.
  const int rows = std::clamp(2 * Range, 0, 40);
  const int columns = std::clamp(4 * k * Range, 0, 400);
  const double turn = groundSpeed > 0 ? std::tan(bank * kDegToRad) * 60 * 5 * 180 /
                                            (groundSpeed * 1.852 / 3.6 * std::numbers::pi)
                                      : 0;
  const std::int64_t sk = static_cast<std::int64_t>(s) * k;

  // Great-circle distance and bearing from the aircraft to each cell centre,
  // as CalcDistanceBearing has them, with the terms that depend only on the
  // row or only on the column worked out once: distance by the haversine,
  // bearing from the north and east components.
  const double p1 = lat * kDegToRad, l1 = lon * kDegToRad;
  const double sinLat1 = std::sin(p1), cosLat1 = std::cos(p1);
  for (int j = -columns; j <= columns; ++j) {
    const std::int64_t column = s * (static_cast<std::int64_t>(column0 / s) + j);
    const double l2 = ((static_cast<double>(column) + 0.5) / 120 - 180) * kDegToRad;
    columnTerms_[static_cast<std::size_t>(j + 400)] = {std::sin(l2 - l1), std::cos(l2 - l1), std::sin((l1 - l2) / 2)};
  }
  const double sinHeading = std::sin(heading * kDegToRad), cosHeading = std::cos(heading * kDegToRad);
  constexpr double kNmPerRadian = 21600 / (2 * std::numbers::pi);
  // A cell further away than both the last profile bin (20.5 / 40 of the
  // range) and the sampled area (s x Range, at most 320 NM) is only marked;
  // in haversine terms, so that its distance need not be worked out.
  const double farNm = std::max(20.5 / 40 * range, std::min<double>(s * Range, 320)) + 1;
  const double farHalfAngle = std::min(farNm / kNmPerRadian / 2, std::numbers::pi / 2);
  const double farHv = std::sin(farHalfAngle) * std::sin(farHalfAngle);

  for (int i = -rows; i <= rows; ++i) {
    const std::int64_t row = s * (static_cast<std::int64_t>(row0 / s) + i);
    const double p2 = (90 - (static_cast<double>(row) + 0.5) / 120) * kDegToRad;
    const double sinLat2 = std::sin(p2), cosLat2 = std::cos(p2);
    const double sp = std::sin((p1 - p2) / 2);
    for (int j = -columns; j <= columns; ++j) {
      TerrainSample& rec = Sample(j, i);
      rec.elevation = kNotSampled;
      const std::int64_t column = s * (static_cast<std::int64_t>(column0 / s) + j);
      if (!(column % sk == 0 || row < 600)) continue;
      const ColumnTerms& ct = columnTerms_[static_cast<std::size_t>(j + 400)];
      const double east = cosLat2 * ct.sinDLon;
      const double north = cosLat1 * sinLat2 - sinLat1 * cosLat2 * ct.cosDLon;
      const double len = std::sqrt(east * east + north * north);
      double cosB = 1, sinB = 0;
      if (len > 0) {
        cosB = north / len;
        sinB = east / len;
      }
      const double hv = std::clamp(sp * sp + cosLat1 * cosLat2 * ct.halfSin * ct.halfSin, 0.0, 1.0);
      if (hv > farHv) continue;  // beyond every use below
      const double d = 2 * std::asin(std::sqrt(hv)) * kNmPerRadian;
      // Cosine and sine of the relative bearing; the angle itself is only
      // worked out for the cells that get that far.
      const double cosA = cosB * cosHeading + sinB * sinHeading;
      const double sinA = sinB * cosHeading - cosB * sinHeading;
      int e = 0;
      bool noData = false;
      if (cosA > kCos105) {  // |a| < 105 degrees
        e = ElevationAt(column, row);
        if (e == kNoData) {
          noData = true;
          e = 0;
        }
      }
      const double E = e / kMetresPerFoot;
      const double along = d * cosA;
      if (range > 0 && along > 0 && std::fabs(d * sinA) <= 0.1 * range) {
        const int n = platform::SafeRound(d / range * 40);
        if (0 <= n && n <= 20) ProfileBin(n) = std::max(ProfileBin(n), E);
      }
      if (!(e > 0 || noData)) continue;
      if (!(d <= s * Range && d <= 320)) continue;
      double b = 0;
      if (len > 0) {
        b = std::atan2(east, north) / kDegToRad;
        if (b < 0) b += 360;
        if (b >= 360) b = 0;
      }
      const double a = AngleDiff(b, heading);
      if (!InView(along, d * sinA, a, range, profileMode)) continue;
      if (!(E - ReferenceElevation > 400 || noData)) continue;
      bool c = false, w = false;
      if (!noData) {
        const int rounded = platform::SafeRound(E);
        HighestElevation = std::max(HighestElevation, rounded);
        LowestElevation = std::min(LowestElevation, rounded);
        if (E - altitude >= -2000) LowestShownElevation = std::min(LowestShownElevation, rounded);
        const double wdeg = ArcTan2Rad(0.25, d) * 180 / std::numbers::pi;
        bool inSector = 0.999 * wdeg + 5 > std::fabs(a);
        if (bank >= 0 ? (0 <= a && a <= turn) : (turn <= a && a <= 0)) inSector = true;
        if (inSector && !inhibited) {
          c = InTerrainEnvelope(kCautionEnvelope, d, E, altitude, groundSpeed, verticalSpeed);
          w = InTerrainEnvelope(kWarningEnvelope, d, E, altitude, groundSpeed, verticalSpeed);
        }
        caution = caution || c;
        warning = warning || w;
        if (c) {
          CautionMaxDistance = std::max(CautionMaxDistance, d);
          CautionMinElevation = std::min(CautionMinElevation, static_cast<double>(e));
        }
        if (w) {
          WarningMaxDistance = std::max(WarningMaxDistance, d);
          WarningMinElevation = std::min(WarningMinElevation, static_cast<double>(e));
        }
      }
      rec.elevation = e;
      rec.distance = d;
      rec.bearing = b;
      rec.caution = c;
      rec.warning = w;
      rec.noData = noData;
    }
  }
}

double Tterrain::HeightAboveTerrain(double lat, double lon, double altitude) {
  ElevationUnderAircraft =
      ElevationAt(platform::SafeRound((lon + 180) * 120), platform::SafeRound((90 - lat) * 120)) / kMetresPerFoot;
  const double h = altitude - ElevationUnderAircraft;
  if (h >= 0) return h;
  const auto rw = SelectedRunway();
  return altitude - (rw ? rw->RunwayElevation : 0);
}

bool Tterrain::ClearanceFloorAlert(double lat, double lon, double altitude) {
  const double hat = HeightAboveTerrain(lat, lon, altitude);
  const auto rw = SelectedRunway();
  if (!rw) return false;
  const double h = rw->RunwayHalfLength + 1;
  double D = 0, b = 0;
  CalcDistanceBearing(D, b, lat, lon, rw->RunwayLatitude, rw->RunwayLongitude);
  if (h + 0.1 <= D && D < h + 4 && (D - (h + 0.1)) * 100 > hat) return true;
  if (h + 4 <= D && D < h + 12 && hat < 400) return true;
  if (h + 12 <= D && D < h + 15 && hat < (D - 13) * 100 + 400) return true;
  if (D >= h + 15 && hat < 700) return true;
  return false;
}
