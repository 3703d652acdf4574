#include "encode/encode_rasterImage.h"

#include <cstddef>

namespace Corvane {

RasterImage cropRaster(const RasterImage& image, std::uint32_t x, std::uint32_t y, std::uint32_t w,
                       std::uint32_t h) {
    RasterImage result;
    result.width = w;
    result.height = h;
    result.bitsPerSample = image.bitsPerSample;
    for (const auto& plane : image.components) {
        std::vector<std::int32_t> cropped;
        cropped.reserve(std::size_t{w} * h);
        for (std::uint32_t row = y; row < y + h; ++row) {
            const auto start =
                plane.begin() + static_cast<std::ptrdiff_t>(std::size_t{row} * image.width + x);
            cropped.insert(cropped.end(), start, start + w);
        }
        result.components.push_back(std::move(cropped));
    }
    return result;
}

}  // namespace Corvane
