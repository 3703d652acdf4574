#include "encode/tg3/tg3_forwardLifting53.h"

#include "tg3/engine/tg3_lifting53.h"

namespace Corvane {

namespace {

std::int32_t sumOf(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) + b);
}

}  // namespace

void forwardLift53(std::int32_t* line, std::size_t count, std::ptrdiff_t stride) {
    if (count < 2) return;
    const auto at = [&](std::size_t i) -> std::int32_t& {
        return line[static_cast<std::ptrdiff_t>(i) * stride];
    };
    const std::size_t last = count - 1;

    // The decoder predicts from even samples it has already updated, which are
    // exactly the even samples here before anything changes: remove the
    // prediction first.
    for (std::size_t i = 1; i < count; i += 2) {
        const std::int32_t right = i == last ? at(i - 1) : at(i + 1);
        at(i) -= liftPredictRound(sumOf(at(i - 1), right));
    }
    // Then reverse the update using the finished high-pass coefficients.
    for (std::size_t i = 0; i < count; i += 2) {
        const std::int32_t left = i == 0 ? at(1) : at(i - 1);
        const std::int32_t right = i == last ? at(i - 1) : at(i + 1);
        at(i) += liftUpdateRound(sumOf(left, right));
    }
}

}  // namespace Corvane
