#include "image/cv_levelChoice.h"

#include <algorithm>

namespace Corvane {

namespace {
// Past this many halvings every extent of 63 bits or fewer has reached 1.
constexpr std::int32_t kLevelOfOnePixel = 62;
}  // namespace

std::int64_t levelExtentOf(std::int64_t fullExtent, std::int32_t level) {
    if (fullExtent <= 0) return 0;
    if (level >= 0) return level >= kLevelOfOnePixel ? 1 : ((fullExtent - 1) >> level) + 1;
    return fullExtent << -std::max(level, kMostMagnifiedLevel);
}

std::optional<std::int32_t> levelForWidth(std::int64_t fullWidth, std::int32_t levelCount,
                                          std::int64_t width) {
    if (fullWidth <= 0) return std::nullopt;
    // Levels coarser than the one-pixel level are all one pixel wide, so the walk
    // need not visit each of a huge level count.
    if (width <= 1) return levelCount;
    std::int32_t level = std::min(levelCount, kLevelOfOnePixel);
    while (width > levelExtentOf(fullWidth, level)) {
        if (level <= kMostMagnifiedLevel) return std::nullopt;
        --level;
    }
    return level;
}

}  // namespace Corvane
