#pragma once
// The integer 5-3 lifting steps, one line at a time. A line holds interleaved
// coefficients: low-pass at even positions, high-pass at odd positions. Both
// ends are extended by whole-sample symmetric reflection (the sample beyond an
// end mirrors the sample one inside it) or periodically, as the image's header
// says; lines of any length from 1 work.
#include <cstddef>
#include <cstdint>

namespace Corvane {

// s / 4 rounded to nearest, ties to even, with shifts and masks only.
inline std::int32_t liftUpdateRound(std::int32_t s) {
    const std::int32_t q = s >> 2;
    return q + ((q | s) & (s >> 1) & 1);
}

// s / 2 rounded to nearest, ties to even.
inline std::int32_t liftPredictRound(std::int32_t s) {
    const std::int32_t h = s >> 1;
    return h + (h & s & 1);
}

// How a line continues past its ends.
enum class EdgeRule {
    mirror,    // whole-sample symmetric: x[-i] = x[i], x[n - 1 + i] = x[n - 1 - i]
    periodic,  // the line repeats; see edgeNeighbour for odd lengths
};

// The position inside a line of `count` samples (count >= 2) that stands for
// position `i`, which may lie one or two samples past either end. Periodic
// lines of odd length cannot repeat with period n without a low-pass sample
// landing on a high-pass position, so they repeat with period n - 1: the
// neighbour of sample 0 is the last high-pass sample, and the neighbour of the
// last (low-pass) sample is the first high-pass sample. For even lengths this
// is plain repetition with period n.
inline std::ptrdiff_t edgeNeighbour(std::ptrdiff_t i, std::ptrdiff_t count, EdgeRule rule) {
    if (i >= 0 && i < count) return i;
    if (rule == EdgeRule::mirror) return i < 0 ? -i : 2 * (count - 1) - i;
    const std::ptrdiff_t period = count - count % 2;
    return i < 0 ? i + period : i - period;
}

// Rebuilds `count` samples in place from interleaved low- and high-pass
// coefficients; consecutive samples lie `stride` words apart, so the same
// routine lifts a row or a column.
void inverseLift53(std::int32_t* line, std::size_t count, std::ptrdiff_t stride = 1,
                   EdgeRule rule = EdgeRule::mirror);

}  // namespace Corvane
