#pragma once
// Turns weighted wavelet coefficients into quantisation indices for one step,
// the mirror of the decoder's dequantisation: an index i stands for
// sign(i) x ((|i| - 0.44) q + q / 2), so a value x gets
// i = sign(x) x floor(|x| / q + 0.44), which puts every value within half a step
// of its reconstruction (within 0.56 q for values that quantise to zero).
// With subtractive dither, q times the dither value at the coefficient's place
// is added before quantising; the decoder subtracts it after reconstructing.
// An encoder that minimises the squared error at a given size may widen the zero
// bin instead (a dead zone): values below `deadZone` steps then quantise to zero,
// which costs a little error and saves more bits than a finer step would spend.
// Subbands are quantised a row at a time, as the analysis hands them out.
#include <cstdint>
#include <vector>

namespace Corvane {

// The largest index magnitude that the coded stream can carry; indices fit 16 bits.
inline constexpr std::int32_t kLargestQuantisationIndex = 32767;

// The dither values (in steps) along one subband row: sample c of the row takes
// values[(firstColumn + c) mod 128]. No values means no dither.
struct TG2DitherRow {
    const float* values = nullptr;
    std::uint32_t firstColumn = 0;
};

// The dither row of subband row `row` for a subband whose dither starts at
// (ditherColumn, ditherRow) of the table.
TG2DitherRow tg2DitherRow(std::uint8_t ditherColumn, std::uint8_t ditherRow, std::uint32_t row);

// No dead zone: every value goes to its nearest reconstruction.
inline constexpr double kNoDeadZone = 0.0;

// The index of one value. Throws InvalidArgumentException when the step is not a
// positive finite number or the index would exceed kLargestQuantisationIndex.
std::int32_t quantiseValue(float value, float step, double deadZone = kNoDeadZone);

// Quantises `count` values of a row into `indices`, and adds to `squaredError`, one
// sample after the other, the squared differences between the values and what the
// decoder rebuilds from the indices with the same step and dither.
void quantiseRow(const float* values, std::uint32_t count, float step, const TG2DitherRow& dither,
                 double deadZone, std::int16_t* indices, double& squaredError);

// The weight of every leaf of a full-resolution tree for an image of the given
// size and level count, in subband index order.
std::vector<double> subbandWeights(std::uint32_t width, std::uint32_t height, std::uint32_t levels);

// Multiplies a subband row by its subband's weight, the scaling that the decoder
// divides out when it dequantises.
void weightRow(float* values, std::uint32_t count, double weight);

}  // namespace Corvane
