#include "tg3/engine/tg3_lifting53.h"

namespace Corvane {

namespace {

// Neighbour sums are taken in 64 bits so that large coefficients cannot
// overflow; the rounding only needs the low bits and the arithmetic shift.
std::int32_t sumOf(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) + b);
}

}  // namespace

void inverseLift53(std::int32_t* line, std::size_t count, std::ptrdiff_t stride) {
    if (count < 2) return;  // a single sample is its own low-pass coefficient
    const auto at = [&](std::size_t i) -> std::int32_t& {
        return line[static_cast<std::ptrdiff_t>(i) * stride];
    };
    const std::size_t last = count - 1;

    // Update the even positions from their high-pass neighbours. Past either
    // end the mirror gives back the high-pass sample one inside.
    for (std::size_t i = 0; i < count; i += 2) {
        const std::int32_t left = i == 0 ? at(1) : at(i - 1);
        const std::int32_t right = i == last ? at(i - 1) : at(i + 1);
        at(i) -= liftUpdateRound(sumOf(left, right));
    }
    // Predict the odd positions from the updated even neighbours; a line that
    // ends on a high-pass sample uses its left neighbour twice.
    for (std::size_t i = 1; i < count; i += 2) {
        const std::int32_t right = i == last ? at(i - 1) : at(i + 1);
        at(i) += liftPredictRound(sumOf(at(i - 1), right));
    }
}

}  // namespace Corvane
