#pragma once
// Where partly decoded sub-blocks stand. A strip decodes each sub-block only down to
// the last row it needs; the next strip continues from the state kept here instead
// of decoding the leading rows again.
#include <cstdint>
#include <map>
#include <optional>
#include <tuple>

#include "tg2/entropy/tg2_subBlockDecoder.h"

namespace Corvane {

struct TG2SubBlockKey {
    std::uint32_t subband = 0;
    std::uint32_t band = 0;
    std::uint32_t block = 0;
    std::uint32_t subBlock = 0;

    friend bool operator<(const TG2SubBlockKey& a, const TG2SubBlockKey& b) {
        return std::tie(a.subband, a.band, a.block, a.subBlock) <
               std::tie(b.subband, b.band, b.block, b.subBlock);
    }
};

class TG2SubBlockCache {
  public:
    std::optional<TG2ResumeState> find(const TG2SubBlockKey& key) const;
    void store(const TG2SubBlockKey& key, const TG2ResumeState& state);
    void remove(const TG2SubBlockKey& key);
    void clear() { entries_.clear(); }
    std::size_t size() const { return entries_.size(); }

  private:
    std::map<TG2SubBlockKey, TG2ResumeState> entries_;
};

}  // namespace Corvane
