#include "tg3/engine/tg3_planeCache.h"

#include <algorithm>

namespace Corvane {

PlaneCache::PlaneCache(std::uint32_t components, std::uint32_t planes)
    : components_(components), planes_(planes) {}

void PlaneCache::empty() {
    entries_.clear();
    band_ = 0xFFFFFFFFu;
    subblock_ = 0xFFFFFFFFu;
}

bool PlaneCache::hold(std::uint32_t band, std::uint32_t subblock, std::vector<Entry> planes) {
    empty();
    const std::uint64_t limit = std::uint64_t{components_} * planes_;
    for (const Entry& e : planes)
        if (e.first >= limit || !e.second.present()) return false;
    std::stable_sort(planes.begin(), planes.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });
    entries_ = std::move(planes);
    band_ = band;
    subblock_ = subblock;
    return true;
}

bool PlaneCache::get(std::uint32_t component, std::uint32_t plane, PlaneRecord& record) const {
    if (component >= components_ || plane >= planes_) return false;
    const std::uint64_t slot = slotOf(component, plane);
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), slot,
                                     [](const Entry& e, std::uint64_t s) { return e.first < s; });
    if (it != entries_.end() && it->first == slot)
        record = it->second;
    else
        record.clear();
    return true;
}

}  // namespace Corvane
