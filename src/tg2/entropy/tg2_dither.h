#pragma once
// The subtractive dither of TG2 streams: removed after dequantisation by the decoder,
// added before quantisation by the encoder. It sits beside dequantisation because the
// decoder does both to a block in one pass.
#include <cstdint>

namespace Corvane {

// Where a block of coefficients sits for the subtractive dither: the subband
// coordinates of its first element, the subband chunk's dither offsets, and
// the number of bands the coefficient array holds (the dither works on one).
struct TG2DitherPlacement {
    std::uint32_t firstColumn = 0;
    std::uint32_t firstRow = 0;
    std::uint8_t ditherColumn = 0;
    std::uint8_t ditherRow = 0;
    int bandCount = 1;
};

// Subtracts step x table[(ditherRow + row) mod 128][(ditherColumn + column) mod 128]
// from each of the width x height coefficients (row by row). A zero step
// leaves them alone. Raises Exception 1:12 unless the array holds one band.
void removeDither(float* coefficients, std::uint32_t width, std::uint32_t height, float step,
                  const TG2DitherPlacement& placement);

// A block of indices (row by row) to coefficients with the given step, with
// the dither removed when a placement is given.
void dequantiseBlock(const std::int32_t* indices, float* coefficients, std::uint32_t width,
                     std::uint32_t height, float step, const TG2DitherPlacement* dither);

// The encoder's mirror: adds the same dither.
void addDither(float* coefficients, std::uint32_t width, std::uint32_t height, float step,
               const TG2DitherPlacement& placement);

}  // namespace Corvane
