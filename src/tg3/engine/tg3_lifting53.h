#pragma once
// The integer 5-3 lifting steps, one line at a time. A line holds interleaved
// coefficients: low-pass at even positions, high-pass at odd positions. Both
// ends are extended by whole-sample symmetric reflection (the sample beyond an
// end mirrors the sample one inside it), so lines of any length from 1 work.
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

// Rebuilds `count` samples in place from interleaved low- and high-pass
// coefficients; consecutive samples lie `stride` words apart, so the same
// routine lifts a row or a column.
void inverseLift53(std::int32_t* line, std::size_t count, std::ptrdiff_t stride = 1);

}  // namespace Corvane
