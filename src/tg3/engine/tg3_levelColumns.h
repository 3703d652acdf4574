#pragma once
// The columns each level of the inverse transform has to rebuild so that the
// finest level can deliver a requested column range, with one sample of filter
// support on either side and the mirror pads where that support leaves the line.
#include <cstdint>
#include <vector>

namespace Corvane {

struct LevelColumns {
    std::int32_t first = 0;  // requested columns of this level's output (a .. b)
    std::int32_t last = 0;
    std::int32_t length = 0;    // samples in a line of this level (n)
    std::int32_t left = 0;      // interleaved columns held while lifting (l .. r),
    std::int32_t right = 0;     // both on high-pass positions
    std::int32_t leftPad = 0;   // columns of mirrored samples left of column 0
    std::int32_t rightPad = 0;  // columns of mirrored samples right of column n - 1
    std::int32_t reserved = 0;
};

// One entry per level, finest first, then a terminating entry of zeros. The
// coarser level of an entry is asked for the low-pass columns its lifting needs.
std::vector<LevelColumns> buildLevelColumnTable(std::int32_t first, std::int32_t last,
                                                std::int32_t length, int levels);

}  // namespace Corvane
