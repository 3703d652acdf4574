#pragma once
// From quantisation indices back to wavelet coefficients: the reconstruction of one
// index, and the step that applies at a given resolution level and subband weight.
#include <cstddef>
#include <cstdint>

namespace Corvane {

// Turns quantisation indices into wavelet coefficient values for one step.
// Small indices come from a table built once per call; the rest are computed.
float dequantiseIndex(std::int32_t index, float step);
void dequantiseIndices(const std::int32_t* indices, float* coefficients, std::size_t count,
                       float step);

// The step a band segment's indices are dequantised with when decoding at
// `level` (0 = full resolution, positive = reduced) into a subband leaf of the
// given weight: the stored step scaled down by 1.5133282207855925 per level
// and divided by the weight, rounded to single precision.
float effectiveStep(float segmentStep, int level, double weight);

}  // namespace Corvane
