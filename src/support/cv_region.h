#pragma once
// The one rectangle type of the library below the host model: the columns x0 .. x1
// and rows y0 .. y1 of a plane, both ends included, as the host's scenes count them.
// A region whose last column or row lies before its first is empty. Coordinates are
// 64-bit so that a 32-bit plane moved by an offset, or widened by filter margins,
// never overflows; narrowing back to 32 bits is the caller's explicit step.
#include <algorithm>
#include <cstdint>

namespace Corvane {

struct Region {
    std::int64_t x0 = 0;
    std::int64_t y0 = 0;
    std::int64_t x1 = -1;
    std::int64_t y1 = -1;

    // The region of `width` x `height` samples whose upper-left sample is (x, y).
    static constexpr Region fromOrigin(std::int64_t x, std::int64_t y, std::int64_t width,
                                       std::int64_t height) {
        return {x, y, x + width - 1, y + height - 1};
    }

    constexpr std::int64_t width() const { return std::max<std::int64_t>(0, x1 - x0 + 1); }
    constexpr std::int64_t height() const { return std::max<std::int64_t>(0, y1 - y0 + 1); }
    constexpr bool empty() const { return x1 < x0 || y1 < y0; }
    constexpr std::int64_t area() const { return width() * height(); }

    constexpr Region translated(std::int64_t dx, std::int64_t dy) const {
        return {x0 + dx, y0 + dy, x1 + dx, y1 + dy};
    }
    constexpr Region intersection(const Region& other) const {
        return {std::max(x0, other.x0), std::max(y0, other.y0), std::min(x1, other.x1),
                std::min(y1, other.y1)};
    }
    constexpr bool contains(const Region& other) const {
        return other.x0 >= x0 && other.y0 >= y0 && other.x1 <= x1 && other.y1 <= y1;
    }
    constexpr bool meets(const Region& other) const { return !intersection(other).empty(); }

    // The samples that cover this region `steps` levels coarser: each coordinate is
    // halved that many times, rounding towards minus infinity, so a sample of the
    // coarser level holds the two of the finer one that it was made from.
    constexpr Region coarser(int steps) const {
        if (steps <= 0) return *this;
        const int shift = std::min(steps, 62);
        return {x0 >> shift, y0 >> shift, x1 >> shift, y1 >> shift};
    }

    friend constexpr bool operator==(const Region&, const Region&) = default;
};

}  // namespace Corvane
