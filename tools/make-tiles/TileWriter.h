// Writes elevation tiles for tests and the demo: each tile is a sparse file
// of exactly the size a reader expects (or any size asked for), and only
// the blocks asked for are written into it; the rest reads as 0.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "nd/TerrainTiles.h"

namespace tiles {

using terrain::TileName;

// Elevation in metres of a cell of the global grid (row 0 at the North
// Pole, column 0 at 180 degrees West).
using CellFunction = std::function<std::int16_t(int row, int column)>;

struct BlockRef {
  int row, column;  // block row 0..35, block column 0..71
};

// Writes the blocks into their tiles in folder. A tile file that does not
// exist yet is created with its size set to tileBytes (0: the size its band
// expects, 57,600,000 or 51,840,000 bytes); a block, or the part of it, that
// lies beyond the end of the file is left out. Cells are written with the
// layout of the block's band. False on a file error.
bool WriteBlocks(const std::string& folder, const std::vector<BlockRef>& blocks,
                 const CellFunction& cell, std::int64_t tileBytes = 0);

// "empty-tile.dem": one block of 720,000 bytes, cell (r, c) of it given by
// cell(r, c).
bool WriteEmptyTile(const std::string& folder, const CellFunction& cell);

// A file of exactly size bytes, all 0 (sparse).
bool WriteSizedFile(const std::string& path, std::int64_t size);

// The demo terrain around the programs' default position, in metres:
// sea (-9999) in the sound and west of 124.2 W, lowland around the field,
// a mountain range in the east, a high cone to the south-south-east and a
// ridge across the demo flight's low pass.
std::int16_t DemoTerrainMetres(double latitude, double longitude);
// The same for a cell of the global grid (its centre).
std::int16_t DemoTerrainCell(int row, int column);

}  // namespace tiles
