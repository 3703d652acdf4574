#pragma once
// Reads the current level of a reader tile by tile, as the host does, and writes the
// tiles read as one binary PNM image.
#include <cstdint>
#include <string>

#include "host/am_host_interfaces.h"

namespace amhost {

// A rectangle of tiles, counted in tiles from the level's top-left one. The default
// covers the whole level; a rectangle reaching past the level is cut at its edge.
struct TileRange {
    std::uint32_t column = 0;
    std::uint32_t row = 0;
    std::uint32_t across = UINT32_MAX;
    std::uint32_t down = UINT32_MAX;
};

struct TileRead {
    std::uint32_t levelWidth = 0;
    std::uint32_t levelHeight = 0;
    int channels = 0;         // 1 grey, 3 RGB
    std::uint32_t tiles = 0;  // tiles read
    double seconds = 0;       // wall time spent inside readTile
    double cpuSeconds = 0;    // processor time of the process meanwhile
};

// Asks for the level's size, sample count and tile layout, then reads the tiles of
// `range` in raster order. When `output` is not empty, the pixels they cover are
// written as P5 (grey) or P6 (RGB), maximum value 255, one row of tiles at a time, so
// that the host holds no more than a row of tiles. Raises std::runtime_error when a
// tag is missing or odd, a tile fails, the fourth sample of a colour tile is not 255,
// or the output cannot be written.
TileRead readTiles(AmFileReader& reader, const TileRange& range, const std::string& output);

}  // namespace amhost
