#pragma once
// Decoded sub-blocks handed from one decoder to another working beside it on the
// same image. When the columns of an image are shared out between threads, each
// thread's decoder needs the sub-blocks that straddle its edges whole, because a
// sub-block is entropy-decoded whole; without an exchange both neighbours decode
// those columns of every band, a tenth of the work on a photograph of a few
// thousand pixels. The decoder that meets such a sub-block first leaves its
// coefficients here and the other takes them. Safe to use from several threads.
#include <cstdint>
#include <list>
#include <map>
#include <tuple>
#include <vector>

#include "platform/cv_sync.h"

namespace Corvane {

class SubblockExchange {
  public:
    // The coefficients held at most; the oldest give way beyond it, so that sub-blocks
    // that no neighbour takes cannot pile up. On 8192 x 8192 with two threads, 4 MiB
    // saves as much work as 16 or 32 MiB did, with 3 and 7 MiB less at the peak.
    static constexpr std::uint64_t kDefaultBudgetBytes = std::uint64_t{4} << 20;

    explicit SubblockExchange(std::uint64_t budgetBytes = kDefaultBudgetBytes)
        : budgetBytes_(budgetBytes) {}

    struct Key {
        std::uint32_t image = 0;
        std::uint32_t band = 0;
        std::uint32_t subblock = 0;
        std::uint16_t component = 0;
        bool operator<(const Key& other) const {
            return std::tie(image, band, subblock, component) <
                   std::tie(other.image, other.band, other.subblock, other.component);
        }
    };

    // The coefficients another decoder left under `key`, which leave the exchange;
    // false when there are none.
    bool take(const Key& key, std::vector<std::int32_t>& coefficients);
    // Leaves coefficients for another decoder; ignored when some are there already.
    void give(const Key& key, const std::vector<std::int32_t>& coefficients);

  private:
    using Entries = std::list<std::pair<Key, std::vector<std::int32_t>>>;

    CVCriticalSection lock_;
    std::uint64_t budgetBytes_;
    std::uint64_t heldBytes_ = 0;
    Entries entries_;  // oldest first
    std::map<Key, Entries::iterator> index_;
};

}  // namespace Corvane
