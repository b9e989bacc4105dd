#include "tools/make-tiles/TileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <map>

#include "tools/scripted-broker/DemoTerrain.h"

namespace tiles {

namespace {

bool WriteAll(int fd, const std::uint8_t* data, std::int64_t n, std::int64_t offset) {
  std::int64_t done = 0;
  while (done < n) {
    const ssize_t w = ::pwrite(fd, data + done, static_cast<size_t>(n - done), offset + done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += w;
  }
  return true;
}

void PutCell(std::uint8_t* at, std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  at[0] = static_cast<std::uint8_t>(u >> 8);
  at[1] = static_cast<std::uint8_t>(u & 0xFF);
}

}  // namespace

bool WriteSizedFile(const std::string& path, std::int64_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ::ftruncate(fd, size) == 0;
  return ::close(fd) == 0 && ok;
}

bool WriteBlocks(const std::string& folder, const std::vector<BlockRef>& blocks,
                 const CellFunction& cell, std::int64_t tileBytes) {
  std::map<std::string, int> open;
  bool ok = true;
  std::vector<std::uint8_t> line(terrain::kBlockRowBytes);
  for (const BlockRef& b : blocks) {
    const std::string name = TileName(b.row, b.column);
    auto it = open.find(name);
    if (it == open.end()) {
      const std::string path = folder + "/" + name;
      int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
      if (fd < 0) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        const std::int64_t size =
            tileBytes > 0 ? tileBytes : terrain::InSouthBand(b.row) ? terrain::kSouthTileBytes : terrain::kWideTileBytes;
        if (fd < 0 || ::ftruncate(fd, size) != 0) ok = false;
      }
      if (fd < 0) continue;
      it = open.emplace(name, fd).first;
    }
    const int fd = it->second;
    const std::int64_t end = ::lseek(fd, 0, SEEK_END);
    const terrain::BlockPlace place = terrain::PlaceInTile(b.row, b.column, terrain::InSouthBand(b.row));
    for (int r = 0; r < terrain::kBlockCells; ++r) {
      for (int c = 0; c < terrain::kBlockCells; ++c)
        PutCell(&line[static_cast<std::size_t>(2 * c)],
                cell(b.row * terrain::kBlockCells + r, b.column * terrain::kBlockCells + c));
      const std::int64_t at = place.offset + r * place.rowStride;
      const std::int64_t n = std::min<std::int64_t>(terrain::kBlockRowBytes, end - at);
      if (n > 0) ok &= WriteAll(fd, line.data(), n, at);
    }
  }
  for (const auto& [name, fd] : open) ok &= ::close(fd) == 0;
  return ok;
}

bool WriteEmptyTile(const std::string& folder, const CellFunction& cell) {
  std::vector<std::uint8_t> block(static_cast<std::size_t>(terrain::kBlockBytes));
  for (int r = 0; r < terrain::kBlockCells; ++r)
    for (int c = 0; c < terrain::kBlockCells; ++c)
      PutCell(&block[static_cast<std::size_t>(r * terrain::kBlockRowBytes + 2 * c)], cell(r, c));
  const int fd = ::open((folder + "/empty-tile.dem").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, block.data(), terrain::kBlockBytes, 0);
  return ::close(fd) == 0 && ok;
}

// ---------------------------------------------------------------------------
// Demo terrain

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFieldLat = 47.2, kFieldLon = -122.06333333;

// Offsets in NM north and east of a point.
void Offsets(double lat, double lon, double refLat, double refLon, double& north, double& east) {
  north = (lat - refLat) * 60;
  east = (lon - refLon) * 60 * std::cos(refLat * kPi / 180);
}

double Smooth(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

}  // namespace

std::int16_t DemoTerrainMetres(double lat, double lon) {
  // Sea: the open water west of 124.2 W, and the sound, a channel around
  // 122.45 W.
  if (lon < -124.2) return -9999;
  if (std::fabs(lon + 122.45 - 0.05 * std::sin(lat * 3)) < 0.035 && lat > 46.9 && lat < 48.3) return -9999;

  double n = 0, e = 0;
  Offsets(lat, lon, kFieldLat, kFieldLon, n, e);
  const double fieldDistance = std::hypot(n, e);

  // Rolling lowland: gentle waves, kept at 110 m or less near the field
  // and higher further out.
  const double waves = 0.5 + 0.25 * std::sin(lat * 9.1) + 0.25 * std::cos(lon * 7.3);
  const double lowCap = 40 + 70 * waves;  // 40..110 m
  const double outer = 60 + 180 * waves;  // 60..240 m
  double h = lowCap + (outer - lowCap) * Smooth(14, 30, fieldDistance);

  // The range near 121.3 W: 1,500 to 2,400 m along its spine.
  {
    const double across = (lon + 121.3) * 60 * std::cos(lat * kPi / 180);  // NM east of the spine
    const double spine = 1950 + 450 * std::sin(lat * 23.0) * std::cos(lon * 11.0);
    h = std::max(h, spine * std::exp(-across * across / (2 * 5.0 * 5.0)));
  }
  // The cone 25 NM south-south-east of the field: 4,300 m.
  {
    double cn = 0, ce = 0;
    Offsets(lat, lon, kFieldLat - 23.0 / 60, kFieldLon + 9.8 / (60 * std::cos(kFieldLat * kPi / 180)), cn, ce);
    const double r = std::hypot(cn, ce);
    h = std::max(h, 4300 * std::exp(-r / 2.2) - 0.0);
  }
  // The ridge across the low pass: its crest kRidgeClearance below the
  // pass, running along kRidgeAxis and fading out beyond its half length.
  {
    double rn = 0, re = 0;
    Offsets(lat, lon, broker::kRidgeLatitude, broker::kRidgeLongitude, rn, re);
    const double ax = broker::kRidgeAxis * kPi / 180;
    const double along = rn * std::cos(ax) + re * std::sin(ax);
    const double across = -rn * std::sin(ax) + re * std::cos(ax);
    const double crest = (broker::kLowPassAltitude - broker::kRidgeClearance) * 0.3048;
    const double fade = 1 - Smooth(broker::kRidgeHalfLength - 1, broker::kRidgeHalfLength + 0.5, std::fabs(along));
    h = std::max(h, crest * fade * std::exp(-across * across / (2 * 0.5 * 0.5)));
  }
  return static_cast<std::int16_t>(std::clamp(std::floor(h + 0.5), -9998.0, 32767.0));
}

std::int16_t DemoTerrainCell(int row, int column) {
  return DemoTerrainMetres(90 - (row + 0.5) / 120, (column + 0.5) / 120 - 180);
}

}  // namespace tiles
