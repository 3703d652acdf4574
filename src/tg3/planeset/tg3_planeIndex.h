#pragma once
// Where each coded plane of a planeset lies, found by walking its length records once,
// and the directory through which decoders find a sub-block's planes.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "tg3/container/tg3_kernelStream.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planesetPacket.h"
#include "tg3/planeset/tg3_subblockOrder.h"

namespace Corvane {

// Where one coded plane lies; offsets are relative to the planeset packet's first byte.
struct PlaneIndexEntry {
    PlanePosition position;
    std::int64_t dataOffset = 0;
    std::int64_t recordOffset = 0;
    std::uint64_t length = 0;  // including the two extra bytes of an image with MSEs
    bool raw = false;
    bool operator==(const PlaneIndexEntry&) const = default;
};

using PlaneIndex = std::vector<PlaneIndexEntry>;

// A plane index arranged for lookup by (band, sub-block). Built once per image and
// shared, read-only, by every decoder of it.
class PlaneDirectory {
  public:
    explicit PlaneDirectory(PlaneIndex index);

    const PlaneIndex& entries() const { return index_; }
    // The entries of one (band, sub-block), in planeset order, as positions in
    // byPair(); an empty range when the planeset holds none.
    std::pair<std::size_t, std::size_t> rangeOf(std::uint32_t band, std::uint32_t subblock) const;
    const PlaneIndexEntry& byPair(std::size_t k) const { return index_[byPair_[k]]; }

  private:
    PlaneIndex index_;
    std::vector<std::size_t> byPair_;  // index_ positions sorted by (band, sub-block)
};

// Walks the plane records of a planeset and appends one entry per coded plane.
std::int32_t indexPlanes(KernelStream& stream, const PlanesetPacket& planeset,
                         const TG3ImageInfo& info, PlaneIndex& index);

}  // namespace Corvane
