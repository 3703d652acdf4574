#pragma once
// An inclusive rectangle of a subband plane: the columns and rows of it that a
// request needs. A range whose first exceeds its last is empty. Coordinates are
// 64-bit so that the filter margins added around a 32-bit plane never overflow.
#include <algorithm>
#include <cstdint>

namespace Corvane {

struct Support {
    std::int64_t firstColumn = 0;
    std::int64_t firstRow = 0;
    std::int64_t lastColumn = -1;
    std::int64_t lastRow = -1;

    std::int64_t width() const { return std::max<std::int64_t>(0, lastColumn - firstColumn + 1); }
    std::int64_t height() const { return std::max<std::int64_t>(0, lastRow - firstRow + 1); }
    bool empty() const { return width() == 0 || height() == 0; }

    friend bool operator==(const Support&, const Support&) = default;
};

}  // namespace Corvane
