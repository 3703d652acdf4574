#include "tg3/engine/tg3_planeCache.h"

#include <algorithm>

namespace Corvane {

PlaneCache::PlaneCache(std::uint32_t components, std::uint32_t planes)
    : components_(components),
      planes_(planes),
      present_(std::size_t{components} * planes, 0),
      records_(std::size_t{components} * planes) {}

void PlaneCache::empty() {
    for (auto& r : records_) r.clear();
    std::fill(present_.begin(), present_.end(), 0);
    band_ = 0xFFFFFFFFu;
    subblock_ = 0xFFFFFFFFu;
}

bool PlaneCache::hold(std::uint32_t band, std::uint32_t subblock,
                      const std::vector<std::uint8_t>& present,
                      const std::vector<PlaneRecord>& records) {
    empty();
    if (present.size() != present_.size() || records.size() != records_.size()) return false;
    present_ = present;
    for (std::size_t i = 0; i < records.size(); ++i)
        if (present_[i]) records_[i] = records[i];
    band_ = band;
    subblock_ = subblock;
    return true;
}

bool PlaneCache::get(std::uint32_t component, std::uint32_t plane, PlaneRecord& record) const {
    if (component >= components_ || plane >= planes_) return false;
    const std::size_t i = std::size_t{component} * planes_ + plane;
    if (present_[i])
        record = records_[i];
    else
        record.clear();
    return true;
}

}  // namespace Corvane
