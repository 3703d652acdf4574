#include "encode/encode_rasterSource.h"

#include <algorithm>

#include "support/cv_exception.h"

namespace Corvane {

RasterShape shapeOf(const RasterImage& image) {
    return RasterShape{image.width, image.height, image.bitsPerSample, image.bandCount()};
}

RasterShape RasterImageSource::shape() const {
    return shapeOf(image_);
}

void RasterImageSource::readRows(std::uint32_t firstRow, std::uint32_t count, RasterImage& strip) {
    strip = cropRaster(image_, 0, firstRow, image_.width, count);
}

void readStrip(RasterSource& source, std::uint32_t firstRow, std::uint32_t count,
               RasterImage& strip) {
    const RasterShape shape = source.shape();
    source.readRows(firstRow, count, strip);
    const std::size_t samples = std::size_t{shape.width} * count;
    if (strip.width != shape.width || strip.height != count ||
        strip.bandCount() != shape.bandCount ||
        std::any_of(strip.components.begin(), strip.components.end(),
                    [&](const auto& plane) { return plane.size() != samples; }))
        throw InvalidArgumentException("a strip of the source does not match its shape");
}

RasterImage readWholeRaster(RasterSource& source) {
    RasterImage image;
    readStrip(source, 0, source.shape().height, image);
    return image;
}

}  // namespace Corvane
