#pragma once
// The last step of every read: decoded rows of a level, interleaved in the decode
// layout, written into the caller's GDAL buffer in its type, spacing and band order.
// Where the buffer is smaller or larger than the window, each buffer pixel takes the
// window pixel under its centre.
#include <gdal.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tvxgdal {

// Where a request's samples go, in GDAL's terms.
struct BufferTarget {
    void* data = nullptr;
    GDALDataType type = GDT_Byte;
    std::int64_t width = 0, height = 0;
    std::vector<int> bands;  // 0-based samples of the pixel, in buffer order
    GSpacing pixelSpace = 0, lineSpace = 0, bandSpace = 0;
};

// Decoded rows of a level: `rows` rows from `top`, `left` being the level column of
// their first pixel.
struct DecodedRows {
    const std::uint8_t* samples = nullptr;
    std::size_t stride = 0;
    std::int64_t left = 0, top = 0, rows = 0;
};

// The window row or column under the centre of buffer pixel `index`, for a window
// of `extent` pixels from `origin` sampled into `bufferExtent` pixels.
std::int64_t sourceOf(std::int64_t index, std::int64_t origin, std::int64_t extent,
                      std::int64_t bufferExtent);

// Writes every buffer row whose source row lies in `rows`, for the window
// (x, y, width, height) of the level; the decoded samples are of `dataType`,
// `pixelBytes` to a pixel.
void copyIntoBuffer(const DecodedRows& rows, std::size_t pixelBytes, GDALDataType dataType,
                    std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                    const BufferTarget& target);

}  // namespace tvxgdal
