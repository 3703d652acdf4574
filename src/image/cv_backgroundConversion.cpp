#include "image/cv_backgroundConversion.h"

#include <algorithm>
#include <vector>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "transform/cv_transformerRegistry.h"

namespace Corvane {

namespace {

// A raster of the single pixel at data.
PixelRaster onePixel(std::uint8_t* data, const PixelLayout& layout) {
    PixelRaster raster;
    raster.data = data;
    raster.width = 1;
    raster.height = 1;
    raster.description = PixelDescription::of(layout);
    raster.rowStride = raster.minimumRowBytes();
    return raster;
}

}  // namespace

PixelValue convertPixelValue(const PixelValue& value, const PixelLayout& target) {
    if (value.layout() == target && value.layout().dataType() == target.dataType()) return value;

    const std::unique_ptr<PixelConverter> converter =
        findConverter(PixelDescription::of(target), PixelDescription::of(value.layout()));
    if (!converter) throw Exception(getMessageText(kNoTransformerRegistered));

    // The converter reads whole pixels, so the source is copied into a pixel of the
    // layout's full size even when the value holds fewer bytes.
    PixelValue source(value.layout());
    std::vector<std::uint8_t> sourceBytes(source.sampleByteCount(), 0);
    if (value.hasSamples()) {
        std::copy_n(value.samples(), std::min(sourceBytes.size(), value.sampleByteCount()),
                    sourceBytes.begin());
    }
    PixelValue result(target);
    std::vector<std::uint8_t> resultBytes(result.sampleByteCount(), 0);

    converter->setSourceBuffer(onePixel(sourceBytes.data(), value.layout()));
    converter->setDestinationBuffer(onePixel(resultBytes.data(), target));
    // The value's own dynamic range says which source values span the output; a
    // value without one (window 0) is mapped by its sample range alone.
    converter->setSourceWindowWidth(value.window());
    converter->setSourceWindowCentre(value.level());
    converter->convert();

    result.setSamples(resultBytes.data());
    return result;
}

}  // namespace Corvane
