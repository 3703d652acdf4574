#pragma once
// The samples an encoder is given: one row-major plane per component, every sample
// held as a signed 32-bit value so that 8- and 16-bit images share one shape.
#include <cstdint>
#include <vector>

namespace Corvane {

struct RasterImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitsPerSample = 8;                              // 8 or 16
    std::vector<std::vector<std::int32_t>> components;  // grey 1, RGB 3, CMYK 4

    std::uint32_t bandCount() const { return static_cast<std::uint32_t>(components.size()); }
    bool empty() const { return components.empty() || width == 0 || height == 0; }
};

// The rectangle at (x, y) of size w x h; the caller keeps it inside the image.
RasterImage cropRaster(const RasterImage& image, std::uint32_t x, std::uint32_t y, std::uint32_t w,
                       std::uint32_t h);

}  // namespace Corvane
