#pragma once
// The columns each level of the inverse transform has to rebuild so that the
// finest level can deliver a requested column range, with one sample of filter
// support on either side and the mirror pads where that support leaves the line.
#include <cstdint>
#include <vector>

#include "tg3/engine/tg3_lifting53.h"

namespace Corvane {

struct LevelColumns {
    std::int32_t first = 0;  // requested columns of this level's output (a .. b)
    std::int32_t last = 0;
    std::int32_t length = 0;    // samples in a line of this level (n)
    std::int32_t left = 0;      // interleaved columns held while lifting (l .. r),
    std::int32_t right = 0;     // both on high-pass positions
    std::int32_t leftPad = 0;   // columns of extended samples left of column 0
    std::int32_t rightPad = 0;  // columns of extended samples right of column n - 1
    std::int32_t reserved = 0;
};

// One entry per level, finest first, then a terminating entry of zeros. The
// coarser level of an entry is asked for the low-pass columns its lifting needs.
// A periodic line whose support leaves it needs samples from its far end, so
// such a level holds its whole line (and so does every coarser level).
std::vector<LevelColumns> buildLevelColumnTable(std::int32_t first, std::int32_t last,
                                                std::int32_t length, int levels,
                                                EdgeRule rule = EdgeRule::mirror);

}  // namespace Corvane
