#pragma once
#include <cstdint>
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

// Walks the plane records of a planeset and appends one entry per coded plane.
std::int32_t indexPlanes(KernelStream& stream, const PlanesetPacket& planeset,
                         const TG3ImageInfo& info, PlaneIndex& index);

}  // namespace Corvane
