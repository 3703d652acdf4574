#include "encode/tg3/tg3_forwardLifting53.h"

#include "tg3/engine/tg3_lifting53.h"

namespace Corvane {

namespace {

std::int32_t sumOf(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) + b);
}

}  // namespace

void forwardLift53(std::int32_t* line, std::size_t count, std::ptrdiff_t stride, EdgeRule rule) {
    if (count < 2) return;
    const auto n = static_cast<std::ptrdiff_t>(count);
    const auto at = [&](std::ptrdiff_t i) -> std::int32_t& {
        return line[edgeNeighbour(i, n, rule) * stride];
    };

    // The decoder predicts from even samples it has already updated, which are
    // exactly the even samples here before anything changes: remove the
    // prediction first.
    for (std::ptrdiff_t i = 1; i < n; i += 2)
        at(i) -= liftPredictRound(sumOf(at(i - 1), at(i + 1)));
    // Then reverse the update using the finished high-pass coefficients.
    for (std::ptrdiff_t i = 0; i < n; i += 2) at(i) += liftUpdateRound(sumOf(at(i - 1), at(i + 1)));
}

}  // namespace Corvane
