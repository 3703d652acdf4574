#include "encode/tg3/tg3_memoryPlaneset.h"

namespace Corvane {

void MemoryPlaneset::add(std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
                         const EncodedPlanes& planes) {
    for (std::size_t i = 0; i < planes.planes.size(); ++i) {
        const auto& plane = planes.planes[i];
        PlaneIndexEntry entry;
        entry.position.band = static_cast<std::uint8_t>(band);
        entry.position.subblock = subblock;
        entry.position.component = component;
        entry.position.plane = static_cast<std::uint8_t>(planes.first + static_cast<int>(i));
        entry.dataOffset = static_cast<std::int64_t>(bytes_.size());
        entry.recordOffset = entry.dataOffset;
        entry.raw = plane.raw;
        bytes_.insert(bytes_.end(), plane.bytes.begin(), plane.bytes.end());
        std::uint64_t length = plane.bytes.size();
        if (hasMSEs_) {
            const bool endsInFF = !plane.bytes.empty() && plane.bytes.back() == 0xFF;
            bytes_.push_back(endsInFF ? 0x7F : 0xFF);
            bytes_.push_back(endsInFF ? 0xFF : 0x7F);
            length += 2;
        }
        entry.length = length;
        index_.push_back(entry);
    }
}

}  // namespace Corvane
