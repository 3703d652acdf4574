#include "tg3/engine/tg3_sampleOutput.h"

#include <algorithm>

#include "tg3/engine/tg3_colourTransform.h"

namespace Corvane {

OutputOptions makeOutputOptions(std::int32_t inputColourSpace, std::int32_t transformCode,
                                std::int32_t rangeMin, std::int32_t rangeMax,
                                std::int32_t dataType) {
    OutputOptions options;
    options.cmykPostProcessing = inputColourSpace == kColourSpaceCmyk;
    options.kRecovery = options.cmykPostProcessing && transformCode == kColourCmykToYiqkProcessed;
    options.sampleMin = rangeMin;
    options.sampleMax = rangeMax;
    options.dataType = dataType;
    return options;
}

namespace {

std::int32_t clampTo(std::int32_t v, std::int32_t low, std::int32_t high) {
    return v < low ? low : (v > high ? high : v);
}

std::int32_t difference(std::int32_t a, std::int32_t b) {
    // Saturate instead of overflowing: the result is clamped right after.
    const std::int64_t d = std::int64_t{a} - b;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(d, INT32_MIN, INT32_MAX));
}

std::int32_t postProcessCmyk(const OutputOptions& options, std::int32_t* const* planes,
                             std::size_t count) {
    std::int32_t high;
    if (options.dataType == kSampleUint8)
        high = options.sampleMax & 0xFF;
    else if (options.dataType == kSampleUint16)
        high = options.sampleMax & 0xFFFF;
    else
        return TG3Status::unsupported;
    const std::int32_t low = options.sampleMin;
    std::int32_t* c = planes[0];
    std::int32_t* m = planes[1];
    std::int32_t* y = planes[2];
    std::int32_t* k = planes[3];
    for (std::size_t i = 0; i < count; ++i) {
        if (options.kRecovery) {
            // The fourth plane holds min(C, M, Y) - K; recover K and take it
            // back out of the three colours.
            const std::int32_t least = std::min({c[i], m[i], y[i]});
            k[i] = clampTo(difference(least, k[i]), low, high);
            c[i] = clampTo(difference(c[i], k[i]), low, high);
            m[i] = clampTo(difference(m[i], k[i]), low, high);
            y[i] = clampTo(difference(y[i], k[i]), low, high);
        } else {
            c[i] = clampTo(c[i], low, high);
            m[i] = clampTo(m[i], low, high);
            y[i] = clampTo(y[i], low, high);
            k[i] = clampTo(k[i], low, high);
        }
    }
    return 0;
}

}  // namespace

std::int32_t postProcessAndStore(const OutputOptions& options, std::int32_t* const* planes,
                                 std::size_t components, std::size_t width, std::size_t height,
                                 void* destination, std::size_t destinationOffset) {
    const std::size_t count = width * height;
    if (options.dataType != kSampleUint8 && options.dataType != kSampleUint16 &&
        options.dataType != kSampleSint16)
        return TG3Status::unsupported;
    if (options.cmykPostProcessing) {
        if (components < 4) return TG3Status::unsupported;
        if (const std::int32_t status = postProcessCmyk(options, planes, count); status != 0)
            return status;
    }
    for (std::size_t comp = 0; comp < components; ++comp) {
        const std::int32_t* plane = planes[comp];
        for (std::size_t i = 0; i < count; ++i) {
            const std::int32_t v = clampTo(plane[i], options.sampleMin, options.sampleMax);
            const std::size_t at = destinationOffset + comp + components * i;
            // The stored value is the low bits of the clamped sample.
            if (options.dataType == kSampleUint8)
                static_cast<std::uint8_t*>(destination)[at] = static_cast<std::uint8_t>(v);
            else
                static_cast<std::uint16_t*>(destination)[at] = static_cast<std::uint16_t>(v);
        }
    }
    return 0;
}

}  // namespace Corvane
