#pragma once
// The library's own decode of a whole level, in-process and without tiles: the
// reference that the module's tiles are compared with where the source image is not.
#include <cstdint>
#include <string>

#include "amhost_tileImage.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"
#include "reader/cv_tvxFileImageReader.h"
#include "transform/cv_transformerRegistry.h"

namespace host_test {

// The library's own decode of one whole level as 8-bit grey or RGB.
inline amhost::HostImage libraryDecode(const std::string& path, std::int32_t level, int channels) {
    using namespace Corvane;
    registerAll();
    TvxFileImageReader image(FileSpecification(path), 0);
    const std::int32_t w = levelExtent(image.width(), level);
    const std::int32_t h = levelExtent(image.height(), level);
    TovexNavigator navigator(image, level, Scene(0, 0, 0, w - 1, h - 1, 0));
    PixelLayout layout(0, ColorSpace(channels == 1 ? SchemeGrayscale : SchemeRGB), DataTypeUInt8);
    amhost::HostImage result;
    result.width = static_cast<std::uint32_t>(w);
    result.height = static_cast<std::uint32_t>(h);
    result.channels = channels;
    result.samples.resize(std::size_t(w) * h * channels);
    // The decode writes straight into the result's samples.
    PixelBuffer buffer(layout, result.samples.data(), result.samples.size());
    buffer.setBackground(image.backgroundPixel());
    navigator.decode(buffer);
    return result;
}

}  // namespace host_test
