#pragma once
// The last step of decoding a strip: CMYK post-processing, clamping to the
// image's dynamic range and storing interleaved 8- or 16-bit samples.
#include <cstddef>
#include <cstdint>

namespace Corvane {

// Data type codes of the samples a TG3 image yields.
enum SampleDataType : std::int32_t {
    kSampleUint8 = 5,
    kSampleUint16 = 7,
    kSampleSint16 = 8,
};

// Input colour space code of CMYK images.
inline constexpr std::int32_t kColourSpaceCmyk = 11;

struct OutputOptions {
    bool cmykPostProcessing = false;
    bool kRecovery = false;
    std::int32_t sampleMin = 0;
    std::int32_t sampleMax = 255;
    std::int32_t dataType = kSampleUint8;
};

OutputOptions makeOutputOptions(std::int32_t inputColourSpace, std::int32_t transformCode,
                                std::int32_t rangeMin, std::int32_t rangeMax,
                                std::int32_t dataType);

// Processes one strip of `components` planes of width x height samples (row
// stride = width) and writes them pixel-interleaved to `destination` starting
// at sample `destinationOffset`. The planes are modified in place by the CMYK
// step. Returns 0, or 2014 when CMYK post-processing meets a data type other
// than 8- or 16-bit unsigned, or the data type is not one of the three above.
std::int32_t postProcessAndStore(const OutputOptions& options, std::int32_t* const* planes,
                                 std::size_t components, std::size_t width, std::size_t height,
                                 void* destination, std::size_t destinationOffset);

}  // namespace Corvane
