#include "tg3/engine/tg3_levelColumns.h"

namespace Corvane {

std::vector<LevelColumns> buildLevelColumnTable(std::int32_t first, std::int32_t last,
                                                std::int32_t length, int levels, EdgeRule rule) {
    std::vector<LevelColumns> table;
    table.reserve(static_cast<std::size_t>(levels) + 1);
    std::int32_t a = first;
    std::int32_t b = last;
    std::int32_t n = length;
    for (int level = 0; level < levels; ++level) {
        LevelColumns entry;
        entry.first = a;
        entry.last = b;
        entry.length = n;
        // Widen to whole sample pairs plus the high-pass sample beyond them.
        entry.left = a - (a % 2) - 1;
        entry.right = b + (b % 2) + 1;
        if (rule == EdgeRule::periodic && (entry.left < 0 || entry.right >= n)) {
            entry.left = -1;
            entry.right = n;
        }
        if (entry.left < 0) {
            entry.leftPad = 1;
            entry.left = -1;
        }
        if (entry.right >= n) {
            entry.right = n + ((n - 1) % 2);
            entry.rightPad = 1 + ((n - 1) % 2);
        }
        table.push_back(entry);

        const std::int32_t leftSupport = entry.leftPad > 1 ? entry.leftPad : 1;
        a = (entry.left + leftSupport) / 2;
        b = (entry.right - entry.rightPad) / 2;
        n = (n + 1) / 2;
    }
    table.push_back(LevelColumns{});
    return table;
}

}  // namespace Corvane
