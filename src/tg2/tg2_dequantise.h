#pragma once

#include <cstddef>
#include <cstdint>

namespace Corvane {

// Turns quantisation indices into wavelet coefficient values for one step.
// Small indices come from a table built once per call; the rest are computed.
float dequantiseIndex(std::int32_t index, float step);
void dequantiseIndices(const std::int32_t* indices, float* coefficients, std::size_t count,
                       float step);

}  // namespace Corvane
