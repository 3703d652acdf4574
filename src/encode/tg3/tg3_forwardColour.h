#pragma once
// The encoder's colour and DC steps on wavelet coefficients: the exact inverse
// of what the decoder applies to each band as it leaves the band cache.
#include <cstddef>
#include <cstdint>

#include "tg3/engine/tg3_colourTransform.h"

namespace Corvane {

// Applies the forward colour transform selected by params.transform to
// `count` coefficients of params.buffers, then, for band 0, removes the
// decoder's DC value (stores -dcValue added) from the components it touches.
void forwardBandCoefficients(const ColourParameters& params, std::int32_t band, std::size_t count);

}  // namespace Corvane
