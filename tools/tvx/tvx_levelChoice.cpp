#include "tvx_levelChoice.h"

#include <limits>

namespace tvx {

namespace {
// The navigator refuses to go finer than this.
constexpr std::int32_t kFinestLevel = -100;
}  // namespace

std::int64_t levelExtentOf(std::int64_t fullExtent, std::int32_t level) {
    if (fullExtent <= 0) return 0;
    if (level >= 0) return level >= 62 ? 1 : ((fullExtent - 1) >> level) + 1;
    return fullExtent << -level;
}

std::optional<std::int32_t> levelForWidth(std::int64_t fullWidth, std::int64_t fullHeight,
                                          std::int32_t levelCount, std::int64_t width) {
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
    std::int32_t level = levelCount;
    while (width > levelExtentOf(fullWidth, level)) {
        if (level <= 0 &&
            (fullWidth <= 0 || 2 * levelExtentOf(fullWidth, level) > kLargest ||
             2 * levelExtentOf(fullHeight, level) > kLargest || level <= kFinestLevel))
            return std::nullopt;
        --level;
    }
    return level;
}

}  // namespace tvx
