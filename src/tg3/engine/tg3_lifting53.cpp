#include "tg3/engine/tg3_lifting53.h"

namespace Corvane {

namespace {

// Neighbour sums are taken in 64 bits so that large coefficients cannot
// overflow; the rounding only needs the low bits and the arithmetic shift.
std::int32_t sumOf(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) + b);
}

}  // namespace

void inverseLift53(std::int32_t* line, std::size_t count, std::ptrdiff_t stride, EdgeRule rule) {
    if (count < 2) return;  // a single sample is its own low-pass coefficient
    const auto n = static_cast<std::ptrdiff_t>(count);
    const auto at = [&](std::ptrdiff_t i) -> std::int32_t& {
        return line[edgeNeighbour(i, n, rule) * stride];
    };

    // Update the even positions from their high-pass neighbours (past an end,
    // the edge rule names the high-pass sample that stands in).
    for (std::ptrdiff_t i = 0; i < n; i += 2) at(i) -= liftUpdateRound(sumOf(at(i - 1), at(i + 1)));
    // Then predict the odd positions from the updated even neighbours.
    for (std::ptrdiff_t i = 1; i < n; i += 2)
        at(i) += liftPredictRound(sumOf(at(i - 1), at(i + 1)));
}

}  // namespace Corvane
