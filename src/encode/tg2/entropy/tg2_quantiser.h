#pragma once
// Turns weighted wavelet coefficients into quantisation indices for one step,
// the mirror of the decoder's dequantisation: an index i stands for
// sign(i) x ((|i| - 0.44) q + q / 2), so a value x gets
// i = sign(x) x floor(|x| / q + 0.44), which puts every value within half a step
// of its reconstruction (within 0.56 q for values that quantise to zero).
// With subtractive dither, q times the dither value at the coefficient's place
// is added before quantising; the decoder subtracts it after reconstructing.
#include <cstdint>
#include <functional>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"

namespace Corvane {

class Subband;

// The largest index magnitude that the coded stream can carry.
inline constexpr std::int32_t kLargestQuantisationIndex = 32767;

// The dither value (in steps) for the coefficient at (column, row) of a subband.
using DitherSource = std::function<float(std::uint32_t column, std::uint32_t row)>;

// The index of one value. Throws InvalidArgumentException when the step is not a
// positive finite number or the index would exceed kLargestQuantisationIndex.
std::int32_t quantiseValue(float value, float step);

// Quantises a whole plane, row after row; `dither` may be empty (no dither).
std::vector<std::int32_t> quantisePlane(const CoefficientPlane& plane, float step,
                                        const DitherSource& dither = {});

// The sum of the squared differences between the plane's values and what the
// decoder rebuilds from `indices` with the same step and dither.
double quantisationError(const CoefficientPlane& plane, const std::vector<std::int32_t>& indices,
                         float step, const DitherSource& dither = {});

// The weight of every leaf of a full-resolution tree for an image of the given
// size and level count, in subband index order.
std::vector<double> subbandWeights(std::uint32_t width, std::uint32_t height, std::uint32_t levels);

// Multiplies every plane by the weight of its subband (planes in subband index
// order), the scaling that the decoder divides out when it dequantises.
void applySubbandWeights(std::vector<CoefficientPlane>& planes, const std::vector<double>& weights);

}  // namespace Corvane
