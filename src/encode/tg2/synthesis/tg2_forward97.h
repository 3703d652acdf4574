#pragma once
// The forward CDF 9/7 analysis that the decoder's synthesis inverts: the same
// lifting factors in single precision, applied in the opposite order with the
// opposite signs, the same whole-sample symmetric extension and no scaling. One
// level splits a plane by rows first (columns into low and high halves), then by
// columns, because the synthesis joins columns first and rows last.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Corvane {

// A plane of wavelet coefficients, row after row.
struct CoefficientPlane {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<float> samples;

    float& at(std::uint32_t column, std::uint32_t row) {
        return samples[std::size_t{row} * width + column];
    }
    float at(std::uint32_t column, std::uint32_t row) const {
        return samples[std::size_t{row} * width + column];
    }
};

// Analyses `count` samples spaced `stride` apart in place, leaving low-pass
// coefficients at even and high-pass ones at odd positions. One sample stays as
// it is.
void forwardLift97(float* line, std::size_t count, std::ptrdiff_t stride = 1);

// Splits a plane into its four subbands, returned as [column index][row index]
// (0 low-pass, 1 high-pass): low halves hold (n + 1) / 2 samples, high halves n / 2.
void analyseLevel97(const CoefficientPlane& plane, CoefficientPlane bands[2][2]);

// Analyses an image over `levels` levels, each time splitting the low-low band of
// the previous one. The planes come back in subband index order: the coarsest
// low-low band, then for each level from the coarsest to the finest its [1][0],
// [0][1] and [1][1] bands.
std::vector<CoefficientPlane> analyse97(const CoefficientPlane& image, std::uint32_t levels);

}  // namespace Corvane
