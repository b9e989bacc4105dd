// Where the elevation tiles keep the 5 x 5 degree blocks of the 30-arc-second
// grid: the tile file of a block, its offset and the length of a tile row.
// Shared by the terrain element, which reads blocks, and by the tile
// generator, which writes them. No dependencies.
#pragma once
#include <cstdint>
#include <string>

namespace terrain {

constexpr int kBlockCells = 600;                     // cells along a block side
constexpr int kBlockRowBytes = kBlockCells * 2;      // one block row, 16-bit cells
constexpr std::int64_t kBlockBytes = 720000;         // one block
constexpr int kBlockRows = 36, kBlockColumns = 72;   // blocks on the globe
constexpr std::int64_t kWideTileBytes = 57600000;    // 40-degree tiles (4800 x 6000 cells)
constexpr std::int64_t kSouthTileBytes = 51840000;   // -60 band tiles (7200 x 3600 cells)

// Block row 30 and beyond (60 degrees South and further) lies in the -60
// band.
bool InSouthBand(int blockRow);

// File name of the tile holding block (blockRow, blockColumn), both already
// folded into 0..35 and 0..71, e.g. "w140n90.dem".
std::string TileName(int blockRow, int blockColumn);

struct BlockPlace {
  std::int64_t offset = 0;    // bytes from the start of the file to the block's first cell
  std::int64_t rowStride = 0; // bytes from one block row to the next
};
// Where the block lies in its tile, read with the -60 band layout when
// southLayout is set (7200 cells a row, 12 blocks across) and with the
// 40-degree layout (4800 cells, 8 across) otherwise.
BlockPlace PlaceInTile(int blockRow, int blockColumn, bool southLayout);

}  // namespace terrain
