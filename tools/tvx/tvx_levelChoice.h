#pragma once
// Levels of an image and the host's rule for choosing one from a wanted width.
#include <cstdint>
#include <optional>

namespace tvx {

// The extent of a level: halving rounds up, so one pixel stays one pixel.
std::int64_t levelExtentOf(std::int64_t fullExtent, std::int32_t level);

// The coarsest level, from levelCount towards level 0 and on into magnification,
// whose width is at least `width`. nullopt when even the largest magnification
// that keeps both extents within 32 bits is narrower.
std::optional<std::int32_t> levelForWidth(std::int64_t fullWidth, std::int64_t fullHeight,
                                          std::int32_t levelCount, std::int64_t width);

}  // namespace tvx
