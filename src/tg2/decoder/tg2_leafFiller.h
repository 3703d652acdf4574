#pragma once
// Fills the leaves of a subband tree with dequantised coefficients: finds the blocks
// of the leaf's subband that meet the wanted area, decodes the part of every
// sub-block inside it (continuing partly decoded sub-blocks from their kept state),
// dequantises with the step of the request's level and removes the dither.
#include <cstdint>
#include <functional>
#include <vector>

#include "support/cv_region.h"
#include "tg2/entropy/tg2_subBlockCache.h"

namespace Corvane {

class Subband;
class TG2StreamStructure;

class TG2LeafFiller {
  public:
    TG2LeafFiller(TG2StreamStructure& structure, TG2SubBlockCache& cache)
        : structure_(structure), cache_(cache) {}

    // Asked before and after every sub-block; it throws to stop the decode.
    void setInterruptCheck(std::function<void()> check) { interruptCheck_ = std::move(check); }
    void setDither(bool dither) { dither_ = dither; }

    // Decodes `area` (inside the leaf's support) of every band of the leaf into the
    // leaf's arrays, for a request at `level`. Leaves beyond the stream's subbands
    // (the extra details of a magnified request) stay zero.
    void fill(Subband& leaf, const Region& area, std::int32_t level);
    // Every leaf of a tree over its whole support.
    void fillAll(Subband& root, std::int32_t level);

    // Raster positions of sub-blocks decoded so far, to show that work is not repeated.
    std::uint64_t positionsDecoded() const { return positionsDecoded_; }

  private:
    void fillFromBlock(Subband& leaf, const Region& area, std::int32_t level, std::uint32_t subband,
                       std::uint32_t block);
    void interruptCheck() const {
        if (interruptCheck_) interruptCheck_();
    }

    TG2StreamStructure& structure_;
    TG2SubBlockCache& cache_;
    std::function<void()> interruptCheck_;
    bool dither_ = true;
    std::uint64_t positionsDecoded_ = 0;
    std::vector<std::uint8_t> data_;
    std::vector<std::int32_t> indices_;
    std::vector<float> coefficients_;
};

}  // namespace Corvane
