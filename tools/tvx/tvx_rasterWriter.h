#pragma once
// The output side of `tvx decode`: an image file written from the top down, a band
// of rows at a time, so that memory does not grow with the image's height.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tvx_geoReference.h"

namespace tvx {

struct RasterHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bands = 1;  // 1 grey, 3 RGB, 4 CMYK
    int bitsPerSample = 8;    // 8 or 16
    std::optional<GeoReference> geo;
    std::optional<std::uint16_t> projectedCS;  // EPSG code, written with geo
};

class RasterWriter {
  public:
    virtual ~RasterWriter() = default;
    // Rows of interleaved samples, 16-bit samples in the machine's byte order.
    // Rows arrive in order; their count over all calls is the header's height.
    virtual void writeRows(const std::uint8_t* rows, std::size_t stride, std::uint32_t count) = 0;
    // Completes the file and gives it its final name.
    virtual void finish() = 0;
};

// A writer chosen by the path's extension: .png, .tif/.tiff, .pgm/.ppm/.pam.
// Unknown extensions are refused with a library exception.
std::unique_ptr<RasterWriter> createRasterWriter(const std::string& path,
                                                 const RasterHeader& header);
// True when createRasterWriter knows the path's extension.
bool isWritableImagePath(const std::string& path);

}  // namespace tvx
