#include "image/cv_scene.h"

#include <algorithm>

namespace Corvane {

Scene Scene::intersection(const Scene& other) const {
    return Scene(std::max(x0, other.x0), std::max(y0, other.y0), std::max(z0, other.z0),
                 std::min(x1, other.x1), std::min(y1, other.y1), std::min(z1, other.z1));
}

std::int32_t levelExtent(std::int32_t fullExtent, std::int32_t level) {
    if (level < 0) {
        // Magnification: a left shift whose count wraps at 32, done unsigned so that
        // an extent pushed past the top bit wraps instead of being undefined.
        const unsigned shift = static_cast<unsigned>(-static_cast<std::int64_t>(level)) % 32u;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(fullExtent) << shift);
    }
    std::int32_t extent = fullExtent;
    // Past 32 halvings every positive extent has reached 1 and stays there.
    const std::int32_t steps = std::min(level, 40);
    for (std::int32_t i = 0; i < steps; ++i)
        extent = static_cast<std::int32_t>((std::int64_t{extent} + 1) / 2);
    return extent;
}

}  // namespace Corvane
