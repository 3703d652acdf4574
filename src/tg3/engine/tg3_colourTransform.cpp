#include "tg3/engine/tg3_colourTransform.h"

namespace Corvane {

void YiqToRgb(std::int32_t& a, std::int32_t& b, std::int32_t& c) {
    const std::int64_t d = std::int64_t{a} - b;
    const std::int64_t e = std::int64_t{c} - b;
    const std::int64_t t = b + roundFixed14(24279 * e - 11469 * d);
    const std::int64_t u = d + roundFixed14(-22640 * e);
    const std::int64_t second = e + roundFixed14(19309 * u);
    const std::int64_t first = u + t;
    const std::int64_t third = roundFixed14(19637 * second) - u;
    a = static_cast<std::int32_t>(first);
    b = static_cast<std::int32_t>(second);
    c = static_cast<std::int32_t>(third);
}

void RgbToYiq(std::int32_t& a, std::int32_t& b, std::int32_t& c) {
    // Each line undoes one line of YiqToRgb, last first.
    const std::int64_t u = roundFixed14(19637 * std::int64_t{b}) - c;
    const std::int64_t t = a - u;
    const std::int64_t e = b - roundFixed14(19309 * u);
    const std::int64_t d = u - roundFixed14(-22640 * e);
    const std::int64_t base = t - roundFixed14(24279 * e - 11469 * d);
    a = static_cast<std::int32_t>(d + base);
    b = static_cast<std::int32_t>(base);
    c = static_cast<std::int32_t>(e + base);
}

void ReversibleToRgb(std::int32_t& a, std::int32_t& b, std::int32_t& c) {
    // The arithmetic shift of the 64-bit sum is the floor of its quarter.
    const std::int64_t g = a - ((std::int64_t{b} + c) >> 2);
    a = static_cast<std::int32_t>(c + g);
    c = static_cast<std::int32_t>(b + g);
    b = static_cast<std::int32_t>(g);
}

std::int32_t dcValueFor(std::int32_t rangeMin, std::int32_t rangeMax) {
    if (rangeMin < 0) return 0;
    if (rangeMax < 2) return -1;
    int k = 0;
    for (std::int32_t v = rangeMax; v > 1; v >>= 1) ++k;
    return -(std::int32_t{1} << k);
}

std::int32_t buildColourParameters(std::int32_t transformCode, std::int32_t components,
                                   std::int32_t rangeMin, std::int32_t rangeMax,
                                   ColourParameters& out) {
    out = ColourParameters{};
    out.components = components;
    out.buffers.assign(components > 0 ? static_cast<std::size_t>(components) : 0, nullptr);
    switch (transformCode) {
        case kColourIdentity:
        case kColourYiqToRgbA:
        case kColourYiqToRgbB:
        case kColourRgbToYiq:
        case kColourCmykToYiqk:
        case kColourCmykToYiqkProcessed:
        case kColourRgbToYiqOutsideWavelet:
        case kColourReversibleJ2k:
            out.transform = transformCode;
            break;
        case kColourDcShift:
        case kColourDcShiftLuminanceOnly:
            out.transform = kColourIdentity;
            out.dcValue = dcValueFor(rangeMin, rangeMax);
            out.skipChroma = transformCode == kColourDcShiftLuminanceOnly;
            break;
        default:
            return TG3Status::unsupported;
    }
    out.active = out.transform != kColourIdentity;
    if (out.active && components < 3) return TG3Status::unsupported;
    return 0;
}

void applyToBandCoefficients(const ColourParameters& params, std::int32_t band, std::size_t count) {
    if (band == 0 && params.dcValue != 0) {
        for (std::int32_t k = 0; k < params.components; ++k) {
            if (params.skipChroma && (k == 1 || k == 2)) continue;
            std::int32_t* plane = params.buffers[static_cast<std::size_t>(k)];
            for (std::size_t i = 0; i < count; ++i)
                plane[i] = static_cast<std::int32_t>(std::int64_t{plane[i]} + params.dcValue);
        }
    }
    if (!params.active) return;
    void (*step)(std::int32_t&, std::int32_t&, std::int32_t&) = YiqToRgb;
    if (params.transform == kColourYiqToRgbA || params.transform == kColourYiqToRgbB)
        step = RgbToYiq;
    else if (params.transform == kColourReversibleJ2k)
        step = ReversibleToRgb;
    // A fourth component (K) is left as it is.
    std::int32_t* p0 = params.buffers[0];
    std::int32_t* p1 = params.buffers[1];
    std::int32_t* p2 = params.buffers[2];
    for (std::size_t i = 0; i < count; ++i) step(p0[i], p1[i], p2[i]);
}

}  // namespace Corvane
