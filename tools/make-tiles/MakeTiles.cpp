// Writes the demo's elevation tiles into a "data" folder: "w140n90.dem"
// with the nine blocks around the programs' default position (block rows
// 7-9, columns 10-12) and an all-zero "empty-tile.dem".
// Usage: make-tiles <folder>
#include <cstdio>
#include <string>

#include "tools/make-tiles/TileWriter.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-tiles <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::vector<tiles::BlockRef> blocks;
  for (int r = 7; r <= 9; ++r)
    for (int c = 10; c <= 12; ++c) blocks.push_back({r, c});
  std::remove((dir + "/" + tiles::TileName(8, 11)).c_str());
  bool ok = tiles::WriteBlocks(dir, blocks, tiles::DemoTerrainCell);
  ok &= tiles::WriteEmptyTile(dir, [](int, int) { return std::int16_t{0}; });
  if (!ok) std::fprintf(stderr, "make-tiles: could not write the tiles in %s\n", dir.c_str());
  return ok ? 0 : 1;
}
