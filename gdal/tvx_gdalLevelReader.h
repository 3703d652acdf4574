#pragma once
// Reads windows of one level of an image into GDAL buffers. Every request is decoded
// once for all its bands. A window is decoded in strips of rows through one
// navigator, so that the decoder carries its state down from strip to strip and
// memory stays near one strip of the window's width. Small windows that a caller
// reads one beside the other, as GDAL's block-by-block readers do, come from decoded
// rows of 128-pixel tiles, the way hosts are served.
#include <gdal.h>

#include <cstdint>

#include "image/cv_tileRows.h"
#include "pixel/cv_pixelLayout.h"
#include "tvx_gdalBufferCopy.h"

namespace Corvane {
class ImageStage;
}

namespace tvxgdal {

class LevelReader {
  public:
    LevelReader(Corvane::ImageStage& image, const Corvane::PixelLayout& layout,
                GDALDataType dataType, std::int32_t level, std::int64_t levelWidth);

    // The window (pixels of this level) sampled into the buffer.
    void read(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
              const BufferTarget& target);

  private:
    // True when the request is served from a row of tiles, decoding it if need be.
    bool readFromTileRow(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                         const BufferTarget& target);
    void readInStrips(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                      const BufferTarget& target);

    Corvane::ImageStage& image_;
    Corvane::PixelLayout layout_;
    GDALDataType dataType_;
    std::int32_t level_;
    std::int64_t levelWidth_;
    // Zero where nothing is decoded, as in the strips' own buffers.
    Corvane::TileRows tileRows_{0};
};

}  // namespace tvxgdal
