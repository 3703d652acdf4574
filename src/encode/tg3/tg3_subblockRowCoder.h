#pragma once
// Codes sub-blocks as the forward transform finishes them: each coded band gathers its
// rows until a whole row of sub-blocks is in, codes every sub-block of that row plane
// by plane and hands the planes to the coded image, then lets the rows go. Memory holds
// one row of sub-blocks per band.
#include <cstdint>
#include <vector>

#include "encode/encode_progress.h"
#include "encode/tg3/tg3_bandRowSink.h"
#include "encode/tg3/tg3_codedImage.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

struct PlaneCoding {
    int lastPlane = 31;      // 31: lossless
    int firstRawPlane = 32;  // planes from here down are stored raw
};

class SubblockRowCoder : public BandRowSink {
  public:
    // Reports the share of sub-blocks coded to `progress`.
    SubblockRowCoder(const TG3ImageInfo& info, const PlaneCoding& coding, CodedImage& out,
                     EncodeProgress& progress);

    // Band 0 and the detail bands are coded; the low-pass bands 4j - 3 are rebuilt by
    // the decoder, and their rows are ignored.
    void acceptRow(std::uint32_t band, std::uint32_t row, std::int32_t* const* rows) override;

  private:
    void codeSubblockRow(std::uint32_t band, std::uint32_t subblockRow);

    const TG3ImageInfo& info_;
    PlaneCoding coding_;
    CodedImage& out_;
    EncodeProgress& progress_;
    // Per band: the rows of its current row of sub-blocks, component by component.
    std::vector<std::vector<std::int32_t>> rows_;
    std::vector<std::int32_t> block_;
    double total_ = 0;
    std::size_t done_ = 0;
};

}  // namespace Corvane
