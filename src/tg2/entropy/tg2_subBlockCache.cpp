#include "tg2/entropy/tg2_subBlockCache.h"

namespace Corvane {

std::optional<TG2ResumeState> TG2SubBlockCache::find(const TG2SubBlockKey& key) const {
    const auto found = entries_.find(key);
    if (found == entries_.end()) return std::nullopt;
    return found->second;
}

void TG2SubBlockCache::store(const TG2SubBlockKey& key, const TG2ResumeState& state) {
    entries_[key] = state;
}

void TG2SubBlockCache::remove(const TG2SubBlockKey& key) {
    entries_.erase(key);
}

}  // namespace Corvane
