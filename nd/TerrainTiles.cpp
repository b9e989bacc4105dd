#include "nd/TerrainTiles.h"

#include <cstdlib>

namespace terrain {

bool InSouthBand(int blockRow) { return blockRow >= 30; }

std::string TileName(int blockRow, int blockColumn) {
  const bool south = InSouthBand(blockRow);
  const int top = 90 - (blockRow / 10) * 50;
  const int left = south ? (blockColumn / 12) * 60 - 180 : (blockColumn / 8) * 40 - 180;
  std::string name = left <= 0 ? "w" : "e";
  const int l = std::abs(left);
  name += static_cast<char>('0' + l / 100);
  name += static_cast<char>('0' + l / 10 % 10);
  name += static_cast<char>('0' + l % 10);
  name += top < 0 ? "s" : "n";
  name += std::to_string(std::abs(top));
  return name + ".dem";
}

BlockPlace PlaceInTile(int blockRow, int blockColumn, bool southLayout) {
  const std::int64_t width = southLayout ? 7200 : 4800;
  const int across = southLayout ? 12 : 8;
  BlockPlace p;
  p.offset = ((blockRow % 10) * static_cast<std::int64_t>(kBlockCells) * width +
              (blockColumn % across) * static_cast<std::int64_t>(kBlockCells)) * 2;
  p.rowStride = width * 2;
  return p;
}

}  // namespace terrain
