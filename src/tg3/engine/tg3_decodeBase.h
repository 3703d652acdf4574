#pragma once
// Decodes a rectangle of a TG3 image into interleaved samples, strip by strip:
// wavelet coefficients from a band row source, the inverse 5-3 over all
// levels, then clamping and storage in the image's sample type. Rows come out
// in increasing order; rows produced beyond a request are kept for the next.
#include <cstdint>
#include <memory>
#include <vector>

#include "support/cv_region.h"
#include "tg3/engine/tg3_bandRowSource.h"
#include "tg3/engine/tg3_sampleOutput.h"
#include "tg3/engine/tg3_waveletEngine.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

class DecodeBase {
  public:
    // The image geometry (levels, width, height, components) is given apart
    // from `info`, which supplies the output options. `stripHeight` is R, the
    // rows decoded per step. status() tells whether construction succeeded.
    DecodeBase(const TG3ImageInfo& info, BandRowSource& source, const Region& region, int levels,
               std::uint32_t width, std::uint32_t height, int components,
               std::int32_t stripHeight = 16);
    virtual ~DecodeBase();

    DecodeBase(const DecodeBase&) = delete;
    DecodeBase& operator=(const DecodeBase&) = delete;

    // Allocates the coefficient strip (N planes of R rows of the region).
    virtual std::int32_t allocateStripBuffers();
    // Makes rows first..last available as interleaved samples at `rows`
    // (rows of region width x N samples, 1 or 2 bytes each). Requests must
    // not go back before rows already handed out. Returns 0 or a status.
    virtual std::int32_t readRows(std::int32_t first, std::int32_t last, const void*& rows);
    virtual void releaseBuffers();
    // Sizes the output buffer and decodes the first row pair of the region.
    virtual std::int32_t initialise();

    // Lets the region grow downwards to row `y1`, so that a scene directly below the
    // one decoded continues from the engine's state instead of starting afresh. False
    // (and nothing changes) when y1 lies above the region's end or below the image,
    // or the engine has failed.
    bool extendRegion(std::int32_t y1);
    // Whether rows from `first` on can still be handed out.
    bool canContinueAt(std::int32_t first) const {
        return status_ == 0 && initialised_ && first >= producedFirst_;
    }
    const Region& region() const { return region_; }

    std::int32_t status() const { return status_; }
    std::int32_t bytesPerSample() const { return bytesPerSample_; }
    std::int32_t regionWidth() const { return static_cast<std::int32_t>(region_.width()); }
    const OutputOptions& outputOptions() const { return options_; }

  private:
    // Decodes rows [producedEnd_, end) and appends their samples.
    std::int32_t decodeStrip(std::int32_t end);
    std::size_t rowBytes() const;
    // Whether the strip's coefficient plane and output rows fit the allocation cap.
    bool stripBuffersFit() const;

    OutputOptions options_;
    Region region_;
    int levels_;
    std::uint32_t width_;
    std::uint32_t height_;
    int components_;
    std::int32_t stripHeight_;
    std::int32_t bytesPerSample_ = 1;
    BandRowSource& source_;
    std::int32_t status_;

    std::unique_ptr<WaveletEngine> engine_;
    std::vector<std::int32_t> coefficients_;  // N planes of R rows
    std::vector<std::int32_t*> planes_;
    std::vector<std::uint16_t> output_;  // held rows, interleaved samples
    std::int32_t producedFirst_ = 0;     // first row held in output_
    std::int32_t producedEnd_ = 0;       // one past the last row produced
    bool initialised_ = false;
};

}  // namespace Corvane
