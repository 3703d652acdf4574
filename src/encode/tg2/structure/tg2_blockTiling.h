#pragma once
// How the stream cuts an area into tiles, for subbands into blocks and blocks into
// sub-blocks alike: row-major, each tile of the given size but the last of a row or
// column, which keeps what is left.
#include <algorithm>
#include <cstdint>

#include "support/cv_region.h"

namespace Corvane {

inline std::uint32_t tg2CeilDivide(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(a) + b - 1) / b);
}

inline std::uint32_t tg2TileCount(std::uint32_t width, std::uint32_t height,
                                  std::uint32_t tileWidth, std::uint32_t tileHeight) {
    if (width == 0 || height == 0) return 0;
    return tg2CeilDivide(width, tileWidth) * tg2CeilDivide(height, tileHeight);
}

// Tile k of a width x height area.
inline Region tg2Tile(std::uint32_t width, std::uint32_t height, std::uint32_t tileWidth,
                      std::uint32_t tileHeight, std::uint32_t k) {
    const std::uint32_t across = tg2CeilDivide(width, tileWidth);
    const std::uint32_t column = (k % across) * tileWidth;
    const std::uint32_t row = (k / across) * tileHeight;
    return Region::fromOrigin(column, row, std::min(tileWidth, width - column),
                              std::min(tileHeight, height - row));
}

}  // namespace Corvane
