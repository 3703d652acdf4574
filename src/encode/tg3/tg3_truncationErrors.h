#pragma once
// What dropping the lowest planes of a coded sub-block costs: the squared error that
// the decoder's reconstruction leaves in the block for every number of planes kept.
// The decoder adds half the weight of the last plane it read to every nonzero
// magnitude, less one at even positions, and that is the value measured here.
#include <cstdint>
#include <vector>

#include "encode/tg3/tg3_bitPlaneEncoder.h"

namespace Corvane {

// Entry k is the summed squared error of the block (row by row) when only the first
// k of `planes` are kept, for k from 0 (nothing kept) to all of them.
std::vector<double> truncationErrors(const std::vector<std::int32_t>& coefficients,
                                     const EncodedPlanes& planes);

}  // namespace Corvane
