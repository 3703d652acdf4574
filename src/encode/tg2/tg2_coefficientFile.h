#pragma once
// The weighted subbands of a whole image kept in a scratch file as 32-bit floats,
// for an encoder that codes them several times over (a search for the step that
// fills a target size): the source image is read and analysed once, and each trial
// reads the subbands back a row at a time.
#include <cstdint>
#include <vector>

#include "encode/encode_scratchFile.h"
#include "encode/tg2/structure/tg2_streamWriter.h"
#include "encode/tg2/synthesis/tg2_rowAnalysis97.h"

namespace Corvane {

class TG2CoefficientFile : public TG2SubbandRowSink {
  public:
    explicit TG2CoefficientFile(const TG2StreamLayout& layout);

    void takeRow(std::uint32_t subband, std::uint32_t band, std::uint32_t row,
                 const float* samples) override;

    // The largest magnitude among the coefficients of each band's subbands:
    // largest()[band][subband].
    const std::vector<std::vector<float>>& largest() const { return largest_; }

    // Hands every row back to `sink`, subband after subband, each row band after band.
    void replay(TG2SubbandRowSink& sink);

  private:
    std::uint64_t rowAt(std::uint32_t subband, std::uint32_t band, std::uint32_t row) const;

    const TG2StreamLayout& layout_;
    std::vector<std::uint64_t> subbandAt_;
    std::vector<std::vector<float>> largest_;
    ScratchFile file_;
};

}  // namespace Corvane
