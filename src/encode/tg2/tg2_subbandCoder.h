#pragma once
// Quantises and codes the weighted subband rows that the analysis hands out: each
// subband keeps the indices of one row of blocks (16 bits each) until every band has
// delivered that row's last line, then codes its blocks into band segments and lets
// the indices go. Memory is a row of blocks per subband, proportional to the width.
#include <cstdint>
#include <deque>
#include <vector>

#include "encode/tg2/structure/tg2_segmentStore.h"
#include "encode/tg2/structure/tg2_streamWriter.h"
#include "encode/tg2/synthesis/tg2_rowAnalysis97.h"

namespace Corvane {

class TG2SubbandCoder : public TG2SubbandRowSink {
  public:
    // `steps` holds the quantisation step of every band's subbands: steps[band][subband];
    // `deadZone` is the quantiser's (kNoDeadZone for none).
    TG2SubbandCoder(const TG2StreamLayout& layout, std::uint32_t subBlockWidth,
                    std::uint32_t subBlockHeight, std::vector<std::vector<float>> steps,
                    bool dither, double deadZone, TG2SegmentSink& segments);

    void takeRow(std::uint32_t subband, std::uint32_t band, std::uint32_t row,
                 const float* samples) override;

    // The squared error the quantisation leaves in the image: each subband's error
    // times its gain and its band's weight, summed band after band.
    double squaredError(const std::vector<double>& gains,
                        const std::vector<double>& bandWeights) const;

  private:
    // A row that a band delivered before the others finished the row of blocks
    // before it: the bands are analysed in turn, and one band's analysis may hand
    // out several rows at once.
    struct EarlyRow {
        std::uint32_t row = 0;
        std::vector<float> samples;
    };
    struct Pending {
        bool started = false;
        std::uint32_t firstRow = 0;  // of the row of blocks being gathered
        std::uint32_t rows = 0;
        std::vector<std::uint32_t> rowsIn;  // per band
        std::vector<std::int16_t> indices;  // band after band, rows x width each
    };

    void start(std::uint32_t subband, std::uint32_t firstRow);
    void quantise(std::uint32_t subband, std::uint32_t band, std::uint32_t row,
                  const float* samples);
    void codeBlockRow(std::uint32_t subband);

    const TG2StreamLayout& layout_;
    std::uint32_t subBlockWidth_;
    std::uint32_t subBlockHeight_;
    std::vector<std::vector<float>> steps_;  // [band][subband]
    bool dither_;
    double deadZone_;
    TG2SegmentSink& segments_;
    std::vector<Pending> pending_;                          // per subband
    std::vector<std::vector<std::deque<EarlyRow>>> early_;  // [subband][band]
    std::vector<std::vector<double>> errors_;               // [band][subband]
};

}  // namespace Corvane
