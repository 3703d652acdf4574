#pragma once
// The sequences in which a planeset can store the planes of an image. The plane index
// walk and the planeset writer both step through positions with it, so they agree on
// where each plane belongs.
#include <cstdint>
#include <memory>
#include <vector>

#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

// A place in the sequence of coded planes: which band, sub-block, component and plane.
struct PlanePosition {
    std::uint8_t band = 0xFF;
    std::uint32_t subblock = 0xFFFFFFFFu;
    std::uint16_t component = 0xFFFF;
    std::uint8_t plane = 0xFF;

    // The end position has every field at its all-ones value; any one of them ends a walk.
    bool valid() const {
        return band != 0xFF && subblock != 0xFFFFFFFFu && component != 0xFFFF && plane != 0xFF;
    }
    bool operator==(const PlanePosition&) const = default;
};

// The order in which a planeset stores the planes of an image: plane fastest, then
// component, then (band, sub-block) in the order's own sequence.
class SubblockOrder {
  public:
    // Status 2009 for an order without support here (or an image too large for it). The
    // pipelined order of a 9-7 kernel raises UnimplementedException.
    static std::int32_t create(const TG3ImageInfo& info, std::uint32_t order,
                               std::unique_ptr<SubblockOrder>& result);

    void first();
    void advance(std::uint64_t steps);
    bool valid() const { return current_.valid(); }
    const PlanePosition& position() const { return current_; }

    // Number of (band, sub-block) pairs and of plane positions in the whole sequence.
    std::uint64_t pairCount() const { return pairCount_; }
    std::uint64_t positionCount() const;
    // Where a position lies in the sequence; false for a position outside the image.
    bool sequenceIndex(const PlanePosition& position, std::uint64_t& index) const;
    // The k-th (band, sub-block) pair.
    void pairAt(std::uint64_t k, std::uint8_t& band, std::uint32_t& subblock) const;

  private:
    SubblockOrder() = default;
    std::int32_t buildPipelined(const TG3ImageInfo& info);
    void settle();

    std::uint32_t components_ = 0;
    std::uint32_t planes_ = 0;
    std::uint64_t pairCount_ = 0;
    // Bands in the order they are visited, with the number of pairs before each.
    std::vector<std::uint8_t> bandSequence_;
    std::vector<std::uint64_t> pairsBefore_;  // indexed by band
    std::vector<std::uint32_t> bandPairs_;    // indexed by band
    // For the pipelined order, with pairs numbered band by band from the coarsest
    // (pairsBefore_ of order 5): the pair at each rank, and the rank of each pair.
    std::vector<std::uint32_t> pipelinedPairs_;
    std::vector<std::uint32_t> pipelinedRank_;
    bool pipelined_ = false;

    std::uint64_t pair_ = 0;
    PlanePosition current_;
};

// The rank of the sub-block at (row, column) of a band in the pipelined order, from the
// tables the order is computed with; exposed so that tests can check its properties.
class PipelinedSchedule {
  public:
    PipelinedSchedule(const TG3ImageInfo& info);
    std::uint64_t index(std::uint32_t band, std::uint32_t row, std::uint32_t column) const;

  private:
    std::int64_t size_ = 0;
    int levels_ = 0;
    std::vector<std::int64_t> height_, columns_, fullRows_, tail_, group_;
    std::int64_t fullTotal_ = 0;
};

}  // namespace Corvane
