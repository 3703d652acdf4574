#pragma once
// The decoder of a TG3 file of several images. For each strip of the buffer it asks
// the decoder of every image under the strip, in file order, for the part of the
// strip that the image covers, and copies that part into the buffer; what no image
// covers keeps the buffer's background. Each image keeps its decoder from request to
// request, so an image read strip by strip carries its decoding state downwards, and
// the memory taken is one strip of the scene per image at most.
#include <cstdint>
#include <memory>
#include <vector>

#include "image/cv_imageDecoder.h"
#include "tg3/decoder/tg3_mosaic.h"

namespace Corvane {

class TG3MosaicDecoder : public ImageDecoder {
  public:
    // `width` and `height` are the mosaic's full-resolution size.
    TG3MosaicDecoder(TG3Mosaic& mosaic, std::int32_t width, std::int32_t height);
    ~TG3MosaicDecoder() override;

    void begin() override;
    void decode(PixelBuffer& buffer) override;
    void end() override;

  private:
    // Decodes `part` (pixels of the mosaic at the current level) of image `index`
    // into the buffer, whose pixel (0, 0) is the scene's upper-left pixel.
    void decodePart(std::size_t index, const Scene& part, PixelBuffer& buffer);
    void copyPart(const PixelBuffer& from, const Scene& part, PixelBuffer& buffer) const;

    TG3Mosaic& mosaic_;
    std::int32_t width_;
    std::int32_t height_;
    std::vector<std::unique_ptr<ImageDecoder>> decoders_;
    std::shared_ptr<CV_ProcessCallbacks> forImages_;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace Corvane
