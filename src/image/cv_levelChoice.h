#pragma once
// The level that serves a wanted width: the host's rule, shared by the module's
// reader and the tools so that both stop magnifying at the same place.
#include <cstdint>
#include <optional>

namespace Corvane {

// Magnification goes at most four levels below full resolution, 16 times each way.
// A magnified level only repeats what level 0 holds while its size grows fourfold
// per step: without a bound a request of 100000 pixels for an image 512 wide would
// ask for 131072 x 131072 pixels, 17 GB from a file of 110 KB.
constexpr std::int32_t kMostMagnifiedLevel = -4;

// The extent of a level in 64 bits: halving rounds up, so one pixel stays one pixel;
// each magnified level doubles it. A level below kMostMagnifiedLevel counts as that one.
std::int64_t levelExtentOf(std::int64_t fullExtent, std::int32_t level);

// The coarsest level, from levelCount towards level 0 and on into magnification down
// to kMostMagnifiedLevel, whose width is at least `width`. nullopt when even the most
// magnified level is narrower, or the image has no width.
std::optional<std::int32_t> levelForWidth(std::int64_t fullWidth, std::int32_t levelCount,
                                          std::int64_t width);

}  // namespace Corvane
