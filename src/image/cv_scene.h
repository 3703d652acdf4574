#pragma once
// A box of pixels at one resolution level. Level 0 is full resolution, level L is
// the image reduced L times by two, negative levels magnify.
#include <algorithm>
#include <cstdint>

#include "support/cv_region.h"

namespace Corvane {

struct Scene {
    // Inclusive corners; z0 and z1 are always 0 here.
    std::int32_t x0 = 0;
    std::int32_t y0 = 0;
    std::int32_t z0 = 0;
    std::int32_t x1 = 0;
    std::int32_t y1 = 0;
    std::int32_t z1 = 0;

    constexpr Scene() = default;
    constexpr Scene(std::int32_t ax0, std::int32_t ay0, std::int32_t az0, std::int32_t ax1,
                    std::int32_t ay1, std::int32_t az1)
        : x0(ax0), y0(ay0), z0(az0), x1(ax1), y1(ay1), z1(az1) {}

    // Sizes in 64 bits, so that no pair of 32-bit corners can overflow them.
    std::int64_t width() const { return std::int64_t{x1} - x0 + 1; }
    std::int64_t height() const { return std::int64_t{y1} - y0 + 1; }
    bool isEmpty() const { return width() <= 0 || height() <= 0; }

    // The overlap of two boxes; empty (x1 < x0 or y1 < y0) when they do not meet.
    Scene intersection(const Scene& other) const;

    // The same box as a region, where the arithmetic of stages below the host
    // model is done; and back, with each corner held to the 32-bit range.
    Region region() const { return {x0, y0, x1, y1}; }
    static Scene fromRegion(const Region& region) {
        const auto corner = [](std::int64_t value) {
            return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
        };
        return Scene(corner(region.x0), corner(region.y0), 0, corner(region.x1), corner(region.y1),
                     0);
    }

    bool operator==(const Scene&) const = default;
};

// The extent of a level, from the full-resolution extent: halved (rounding up) once
// per level above 0, doubled once per level below 0.
std::int32_t levelExtent(std::int32_t fullExtent, std::int32_t level);

}  // namespace Corvane
