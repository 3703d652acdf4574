#pragma once
// What a converter needs to know about one side of a conversion: the colour scheme,
// the sample type and width, and where each band sits within a pixel; plus a view of
// the pixels themselves and the optional per-band lookup table.
#include <cstddef>
#include <cstdint>
#include <vector>

// The colour scheme codes (ColorScheme) and bytesPerSampleOf are the image model's.
#include "pixel/cv_colorSpace.h"
#include "pixel/cv_dataType.h"

namespace Corvane {

class PixelLayout;

// Sample type codes a converter reads; the destination is always 8-bit.
enum TransformSampleType : std::uint32_t {
    SampleUInt8 = 0,
    SampleUInt16 = 1,
    SampleInt32 = 2,
    SampleFloat32 = 10,
    SampleFloat64 = 11,
};

struct PixelDescription {
    std::int32_t scheme = SchemeRGB;
    std::int32_t bandCount = 3;
    std::uint32_t dataType = SampleUInt8;
    std::uint32_t bitsPerSample = 8;
    std::uint32_t samplesPerPixel = 3;
    // Position of band i within a pixel, in samples.
    std::vector<std::uint32_t> bandMap = {0, 1, 2};
    // The value range of floating-point samples; absent means 0 to 255.
    bool hasValueRange = false;
    float minValue = 0.0f;
    float maxValue = 255.0f;

    std::uint32_t bytesPerSample() const { return bytesPerSampleOf(dataType); }

    // An interleaved layout with the identity band map, samplesPerPixel = bands.
    static PixelDescription interleaved(std::int32_t scheme, std::int32_t bands,
                                        std::uint32_t dataType);
    // The description of pixels laid out as an image layout says.
    static PixelDescription of(const PixelLayout& layout);
};

// Interleaved pixels: pixel (x, y) starts at data + y * rowStride + x * samplesPerPixel
// * bytesPerSample.
struct PixelRaster {
    void* data = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::size_t rowStride = 0;
    PixelDescription description;

    // Bytes the rows must hold for the description's pixels.
    std::size_t minimumRowBytes() const;
};

// A per-band table: a buffer sample v of band b stands for entry v, band b. The
// table's own description (same scheme, its own sample type) replaces the buffer's.
struct PixelLookupTable {
    PixelDescription description;
    std::int32_t entryCount = 0;
    // entryCount entries of description.bandCount samples of the table's type.
    std::vector<std::uint8_t> values;
};

}  // namespace Corvane
