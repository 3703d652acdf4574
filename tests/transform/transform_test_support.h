#pragma once
// Runs one converter over a row of pixels given as plain numbers.
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "transform/cv_pixelConverter.h"
#include "transform/cv_transformerRegistry.h"

namespace tovex_test {

using Corvane::PixelConverter;
using Corvane::PixelDescription;
using Corvane::PixelRaster;

template <class Sample>
PixelRaster rasterOver(std::vector<Sample>& samples, const PixelDescription& d, std::int32_t width,
                       std::int32_t height = 1) {
    PixelRaster r;
    r.data = samples.data();
    r.width = width;
    r.height = height;
    r.description = d;
    r.rowStride = static_cast<std::size_t>(width) * d.samplesPerPixel * sizeof(Sample);
    return r;
}

// Converts width pixels of source through the registered converter for the pair and
// answers the destination samples. prepare may set windows or tables.
template <class Sample>
std::vector<std::uint8_t> convertRow(
    const PixelDescription& destination, const PixelDescription& source,
    std::vector<Sample> samples,
    const std::function<void(PixelConverter&)>& prepare = [](PixelConverter&) {}) {
    const auto width = static_cast<std::int32_t>(samples.size() / source.samplesPerPixel);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * destination.samplesPerPixel,
                                  0xEE);
    std::unique_ptr<PixelConverter> converter = Corvane::findConverter(destination, source);
    if (!converter) return {};
    converter->setSourceBuffer(rasterOver(samples, source, width));
    converter->setDestinationBuffer(rasterOver(out, destination, width));
    prepare(*converter);
    converter->convert();
    return out;
}

}  // namespace tovex_test
