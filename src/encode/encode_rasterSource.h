#pragma once
// Where an encoder takes its samples from: strips of rows, read from the top, so that
// an image larger than memory can be encoded with memory proportional to its width.
// Files are read as they stream; an image already in memory is served by
// RasterImageSource.
#include <cstdint>
#include <utility>

#include "encode/encode_rasterImage.h"

namespace Corvane {

// The size and sample shape of a source's image.
struct RasterShape {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitsPerSample = 8;        // 8 or 16
    std::uint32_t bandCount = 0;  // grey 1, RGB 3, CMYK 4
};

// The shape of an image in memory.
RasterShape shapeOf(const RasterImage& image);

class RasterSource {
  public:
    virtual ~RasterSource() = default;

    virtual RasterShape shape() const = 0;

    // Rows firstRow to firstRow + count - 1 (the caller keeps them inside the image)
    // as `strip`: width x count samples per band, in the RasterImage form. Reading
    // onwards from the last row read is cheap; reading an earlier row again may read
    // the file again from its top, so an encoder that needs several passes over the
    // samples makes them from the top each time.
    virtual void readRows(std::uint32_t firstRow, std::uint32_t count, RasterImage& strip) = 0;
};

// A whole image in memory as a source: the caller's (not owned), or one handed over.
class RasterImageSource : public RasterSource {
  public:
    explicit RasterImageSource(const RasterImage& image) : image_(image) {}
    explicit RasterImageSource(RasterImage&& image) : owned_(std::move(image)), image_(owned_) {}
    RasterImageSource(const RasterImageSource&) = delete;
    RasterImageSource& operator=(const RasterImageSource&) = delete;
    RasterShape shape() const override;
    void readRows(std::uint32_t firstRow, std::uint32_t count, RasterImage& strip) override;

  private:
    RasterImage owned_;
    const RasterImage& image_;
};

// Rows firstRow to firstRow + count - 1 of `source` as `strip`, refused with
// InvalidArgumentException unless they have the source's shape: its bands, each of
// width x count samples. Encoders read through this, so that a source that breaks its
// word cannot make them read past a row.
void readStrip(RasterSource& source, std::uint32_t firstRow, std::uint32_t count,
               RasterImage& strip);

// Every row of a source, read into memory: for encoders that still need the whole
// image at once.
RasterImage readWholeRaster(RasterSource& source);

}  // namespace Corvane
