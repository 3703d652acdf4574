#pragma once
// The encoder's colour and DC steps on wavelet coefficients: the exact inverse
// of what the decoder applies to each band as it leaves the band cache.
#include <cstddef>
#include <cstdint>

#include "tg3/engine/tg3_colourTransform.h"

namespace Corvane {

// The reversible integer transform that ReversibleToRgb undoes: R, G, B in
// a, b, c become Y = floor((R + 2G + B) / 4), Cb = B - G, Cr = R - G.
void RgbToReversible(std::int32_t& a, std::int32_t& b, std::int32_t& c);

// Applies the forward colour transform selected by params.transform to
// `count` coefficients of params.buffers, then, for band 0, removes the
// decoder's DC value (stores -dcValue added) from the components it touches.
void forwardBandCoefficients(const ColourParameters& params, std::int32_t band, std::size_t count);

}  // namespace Corvane
