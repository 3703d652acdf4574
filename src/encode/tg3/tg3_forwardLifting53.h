#pragma once
// The forward 5-3 lifting of one line, the exact inverse of inverseLift53: it
// undoes the predict step first, then the update step, with the same rounding
// and the same extension past both ends.
#include <cstddef>
#include <cstdint>

#include "tg3/engine/tg3_lifting53.h"

namespace Corvane {

// Turns `count` samples (spaced `stride` words apart) into interleaved
// coefficients: low-pass at even positions, high-pass at odd positions.
void forwardLift53(std::int32_t* line, std::size_t count, std::ptrdiff_t stride = 1,
                   EdgeRule rule = EdgeRule::mirror);

}  // namespace Corvane
