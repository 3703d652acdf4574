#include "transform/cv_pixelDescription.h"

#include "pixel/cv_pixelLayout.h"

namespace Corvane {

PixelDescription PixelDescription::of(const PixelLayout& layout) {
    PixelDescription d;
    d.scheme = static_cast<std::int32_t>(layout.colorSpace().scheme());
    d.bandCount = layout.colorSpace().bandCount();
    d.dataType = layout.dataType();
    d.bitsPerSample = layout.bitsPerSample();
    d.samplesPerPixel = layout.samplesPerPixel();
    d.bandMap = layout.bandMap();
    return d;
}

PixelDescription PixelDescription::interleaved(std::int32_t scheme, std::int32_t bands,
                                               std::uint32_t dataType) {
    PixelDescription d;
    d.scheme = scheme;
    d.bandCount = bands;
    d.dataType = dataType;
    d.bitsPerSample = 8 * bytesPerSampleOf(dataType);
    d.samplesPerPixel = static_cast<std::uint32_t>(bands > 0 ? bands : 0);
    d.bandMap.clear();
    for (std::int32_t i = 0; i < bands; ++i) d.bandMap.push_back(static_cast<std::uint32_t>(i));
    return d;
}

std::size_t PixelRaster::minimumRowBytes() const {
    return static_cast<std::size_t>(width > 0 ? width : 0) * description.samplesPerPixel *
           description.bytesPerSample();
}

}  // namespace Corvane
