#pragma once
// The encoder's steps on samples before the wavelet transform: the exact inverse of the
// CMYK post-processing that the decoder runs on samples after the inverse transform.
#include <cstdint>
#include <vector>

namespace Corvane {

// Prepares C, M, Y, K planes for K recovery: C, M and Y each get K added and the fourth
// plane becomes min(C, M, Y) of the original samples, so that the decoder's
// K = min(C', M', Y') - K' gives K back and C' - K gives C.
void cmykPreProcess(std::vector<std::vector<std::int32_t>>& components);

}  // namespace Corvane
