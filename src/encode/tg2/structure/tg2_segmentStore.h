#pragma once
// Where coded band segments wait for the stream to be assembled. The encoder makes
// them as the rows of blocks of each subband complete, finest subbands first, but
// the stream orders them by subband; the store keeps their bytes in a scratch file
// and only where each lies in memory. A tally counts their bytes instead, for an
// encoder that only wants to know how large a stream would be.
#include <cstdint>
#include <functional>
#include <vector>

#include "encode/encode_scratchFile.h"
#include "encode/tg2/structure/tg2_bandSegmentWriter.h"

namespace Corvane {

class TG2SegmentSink {
  public:
    virtual ~TG2SegmentSink() = default;
    // The segment of band `band` of block `block` of subband `subband`.
    virtual void add(std::uint32_t subband, std::uint32_t block, std::uint32_t band,
                     const TG2CodedSegment& segment) = 0;
};

class TG2SegmentTally : public TG2SegmentSink {
  public:
    void add(std::uint32_t, std::uint32_t, std::uint32_t, const TG2CodedSegment& segment) override {
        bytes_ += segment.bytes.size();
    }
    std::uint64_t bytes() const { return bytes_; }

  private:
    std::uint64_t bytes_ = 0;
};

class TG2SegmentStore : public TG2SegmentSink {
  public:
    struct Entry {
        std::uint32_t subband = 0;
        std::uint32_t block = 0;
        std::uint32_t band = 0;
        std::uint32_t offsetsAt = 0;
        std::uint32_t subBlockCount = 0;
        std::uint64_t at = 0;  // in the scratch file
        std::uint64_t size = 0;
    };

    void add(std::uint32_t subband, std::uint32_t block, std::uint32_t band,
             const TG2CodedSegment& segment) override;
    std::uint64_t bytes() const { return file_.size(); }

    // The segments in stream order (by subband, block, then band), each with its bytes
    // read back into `bytes`.
    void readInStreamOrder(
        const std::function<void(const Entry&, std::vector<std::uint8_t>& bytes)>& use);
    const std::vector<Entry>& entriesInStreamOrder();

  private:
    ScratchFile file_;
    std::vector<Entry> entries_;
    bool sorted_ = true;
};

}  // namespace Corvane
