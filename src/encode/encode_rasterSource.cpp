#include "encode/encode_rasterSource.h"

namespace Corvane {

RasterShape RasterImageSource::shape() const {
    return RasterShape{image_.width, image_.height, image_.bitsPerSample, image_.bandCount()};
}

void RasterImageSource::readRows(std::uint32_t firstRow, std::uint32_t count, RasterImage& strip) {
    strip = cropRaster(image_, 0, firstRow, image_.width, count);
}

RasterImage readWholeRaster(RasterSource& source) {
    const RasterShape shape = source.shape();
    RasterImage image;
    source.readRows(0, shape.height, image);
    return image;
}

}  // namespace Corvane
