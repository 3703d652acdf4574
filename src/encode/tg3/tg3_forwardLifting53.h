#pragma once
// The forward 5-3 lifting of one line, the exact inverse of inverseLift53: it
// undoes the predict step first, then the update step, with the same rounding
// and the same whole-sample symmetric reflection at both ends.
#include <cstddef>
#include <cstdint>

namespace Corvane {

// Turns `count` samples (spaced `stride` words apart) into interleaved
// coefficients: low-pass at even positions, high-pass at odd positions.
void forwardLift53(std::int32_t* line, std::size_t count, std::ptrdiff_t stride = 1);

}  // namespace Corvane
