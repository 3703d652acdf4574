#include "tg3/engine/tg3_subblockExchange.h"

namespace Corvane {

bool SubblockExchange::take(const Key& key, std::vector<std::int32_t>& coefficients) {
    const CVScopedLock lock(lock_);
    const auto found = index_.find(key);
    if (found == index_.end()) return false;
    coefficients = std::move(found->second->second);
    heldBytes_ -= coefficients.size() * sizeof(std::int32_t);
    entries_.erase(found->second);
    index_.erase(found);
    return true;
}

void SubblockExchange::give(const Key& key, const std::vector<std::int32_t>& coefficients) {
    const std::uint64_t bytes = coefficients.size() * sizeof(std::int32_t);
    const CVScopedLock lock(lock_);
    if (bytes > budgetBytes_ || index_.count(key) != 0) return;
    while (heldBytes_ + bytes > budgetBytes_) {
        heldBytes_ -= entries_.front().second.size() * sizeof(std::int32_t);
        index_.erase(entries_.front().first);
        entries_.pop_front();
    }
    entries_.emplace_back(key, coefficients);
    index_.emplace(key, std::prev(entries_.end()));
    heldBytes_ += bytes;
}

}  // namespace Corvane
