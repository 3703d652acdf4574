#include "encode/tg3/tg3_forwardColour.h"

namespace Corvane {

void RgbToReversible(std::int32_t& a, std::int32_t& b, std::int32_t& c) {
    const std::int64_t r = a, g = b, blue = c;
    a = static_cast<std::int32_t>((r + 2 * g + blue) >> 2);
    b = static_cast<std::int32_t>(blue - g);
    c = static_cast<std::int32_t>(r - g);
}

void forwardBandCoefficients(const ColourParameters& params, std::int32_t band, std::size_t count) {
    // Reverse order of the decoder: it adds the DC value first and then runs
    // the inverse colour step, so the encoder transforms first.
    if (params.active) {
        void (*step)(std::int32_t&, std::int32_t&, std::int32_t&) = RgbToYiq;
        if (params.transform == kColourYiqToRgbA || params.transform == kColourYiqToRgbB)
            step = YiqToRgb;
        else if (params.transform == kColourReversibleJ2k)
            step = RgbToReversible;
        std::int32_t* p0 = params.buffers[0];
        std::int32_t* p1 = params.buffers[1];
        std::int32_t* p2 = params.buffers[2];
        for (std::size_t i = 0; i < count; ++i) step(p0[i], p1[i], p2[i]);
    }
    if (band == 0 && params.dcValue != 0) {
        for (std::int32_t k = 0; k < params.components; ++k) {
            if (params.skipChroma && (k == 1 || k == 2)) continue;
            std::int32_t* plane = params.buffers[static_cast<std::size_t>(k)];
            for (std::size_t i = 0; i < count; ++i)
                plane[i] = static_cast<std::int32_t>(std::int64_t{plane[i]} - params.dcValue);
        }
    }
}

}  // namespace Corvane
