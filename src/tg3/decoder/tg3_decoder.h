#pragma once
// The image decoder of TG3 images: it runs the scene decoder for each request of
// the navigator and copies the decoded rows strip by strip into the pixel buffer,
// converting them when the buffer has another layout. Magnified levels repeat the
// samples of level 0 (tg3_magnifiedRows.h).
#include <cstdint>
#include <functional>
#include <memory>

#include "image/cv_imageDecoder.h"
#include "pixel/cv_pixelLayout.h"
#include "tg3/decoder/tg3_decoderTool.h"
#include "tg3/decoder/tg3_image.h"
#include "tg3/decoder/tg3_magnifiedRows.h"
#include "tg3/decoder/tg3_sceneDecoder.h"

namespace Corvane {

class TG3Decoder : public ImageDecoder {
  public:
    explicit TG3Decoder(TG3Image& image);
    ~TG3Decoder() override;

    // Opens the decoder tool and the scene decoder; a status. Unsupported kernels
    // raise UnimplementedException. Files of several images are decoded by the
    // mosaic decoder instead (2014 here).
    std::int32_t initialise();

    void begin() override;
    void decode(PixelBuffer& buffer) override;
    void end() override;

    const PixelLayout& layout() const { return layout_; }
    const TG3ImageInfo& info() const { return info_; }
    // Whether initialise found the image's planeset packet.
    bool hasPlaneset() const { return tool_ && tool_->planeset(); }

  private:
    // A request at a level below 0.
    void decodeMagnified(PixelBuffer& buffer);
    // Runs `decodeStrip` for the part of each strip of the buffer that lies on the
    // image (in pixels of the requested level), with the progress reports around it.
    void forEachStrip(PixelBuffer& buffer,
                      const std::function<void(const Scene& onImage)>& decodeStrip);
    // Copies `count` decoded rows, starting at level row `firstRow`, into the buffer.
    void copyRows(PixelBuffer& buffer, const void* rows, std::int32_t firstRow,
                  std::int32_t count) const;

    TG3Image& image_;
    std::unique_ptr<TG3DecoderTool> tool_;
    std::unique_ptr<TG3SceneDecoder> sceneDecoder_;
    std::unique_ptr<TG3MagnifiedRows> magnified_;
    TG3ImageInfo info_;
    PixelLayout layout_;
    // The part of the request on the image, in pixels of the requested level.
    Scene clipped_;
};

}  // namespace Corvane
