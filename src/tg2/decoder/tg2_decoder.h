#pragma once
// The decoder of TG2 images. It works through the buffer strip by strip: for each
// strip it builds the subband tree of the strip's support at the request's level,
// fills its leaves from the stream, synthesises it and converts the float samples
// into the buffer. Consecutive strips share coefficients: the tree of the next strip
// is built ahead, the coefficients both trees need are set aside (the overlap), and
// the next strip decodes only what lies outside them, continuing partly decoded
// sub-blocks where the previous strip stopped.
#include <cstdint>
#include <memory>
#include <optional>

#include "image/cv_imageDecoder.h"
#include "pixel/cv_pixelLayout.h"
#include "tg2/decoder/tg2_leafFiller.h"
#include "tg2/entropy/tg2_subBlockCache.h"
#include "tg2/synthesis/tg2_subband.h"
#include "tg2/synthesis/tg2_treeOverlap.h"

namespace Corvane {

class TG2ImageStage;

class TG2Decoder : public ImageDecoder {
  public:
    explicit TG2Decoder(TG2ImageStage& stage);
    ~TG2Decoder() override;

    void begin() override;
    void decode(PixelBuffer& buffer) override;
    void end() override;

    // The layout of the synthesised samples: 32-bit floats in the image's colour
    // scheme and band count, with the image's bits per sample (8 when unknown).
    const PixelLayout& outputLayout() const { return outputLayout_; }
    // Raster positions of sub-blocks decoded since the decoder was made.
    std::uint64_t positionsDecoded() const { return filler_.positionsDecoded(); }

  private:
    void decodeStrip(const Region& support, const Region& following, PixelBuffer& buffer,
                     const Scene& bufferArea, float base, float span);
    std::unique_ptr<Subband> buildTree(const Region& support) const;
    void fillOutsideOverlap(Subband& tree);
    void report(float value) const;

    TG2ImageStage& stage_;
    TG2SubBlockCache cache_;
    TG2LeafFiller filler_;
    PixelLayout outputLayout_;
    std::unique_ptr<Subband> current_;
    std::unique_ptr<Subband> next_;
    std::optional<TG2OverlapTree> overlap_;
};

}  // namespace Corvane
