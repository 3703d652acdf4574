#include "encode/tg2/tg2_coefficientFile.h"

#include <algorithm>
#include <cmath>

namespace Corvane {

TG2CoefficientFile::TG2CoefficientFile(const TG2StreamLayout& layout)
    : layout_(layout),
      largest_(layout.bandCount, std::vector<float>(layout.subbands.size(), 0.0f)) {
    std::uint64_t at = 0;
    for (const TG2SubbandLayout& subband : layout.subbands) {
        subbandAt_.push_back(at);
        at += std::uint64_t{subband.width} * subband.height * layout.bandCount * sizeof(float);
    }
}

// Each row holds the bands one after the other, so a trial reads a row of every
// band at once.
std::uint64_t TG2CoefficientFile::rowAt(std::uint32_t subband, std::uint32_t band,
                                        std::uint32_t row) const {
    const std::uint64_t width = layout_.subbands[subband].width;
    return subbandAt_[subband] +
           (std::uint64_t{row} * layout_.bandCount + band) * width * sizeof(float);
}

void TG2CoefficientFile::takeRow(std::uint32_t subband, std::uint32_t band, std::uint32_t row,
                                 const float* samples) {
    const std::uint32_t width = layout_.subbands[subband].width;
    float& largest = largest_[band][subband];
    for (std::uint32_t i = 0; i < width; ++i) largest = std::max(largest, std::fabs(samples[i]));
    file_.write(rowAt(subband, band, row), samples, width * sizeof(float));
}

void TG2CoefficientFile::replay(TG2SubbandRowSink& sink) {
    std::vector<float> rows;
    for (std::uint32_t i = 0; i < layout_.subbands.size(); ++i) {
        const TG2SubbandLayout& subband = layout_.subbands[i];
        rows.resize(std::size_t{subband.width} * layout_.bandCount);
        for (std::uint32_t row = 0; row < subband.height && subband.width > 0; ++row) {
            file_.read(rowAt(i, 0, row), rows.data(), rows.size() * sizeof(float));
            for (std::uint32_t band = 0; band < layout_.bandCount; ++band)
                sink.takeRow(i, band, row, rows.data() + std::size_t{band} * subband.width);
        }
    }
}

}  // namespace Corvane
