#include "encode/tg2/structure/tg2_segmentStore.h"

#include <algorithm>
#include <tuple>

namespace Corvane {

void TG2SegmentStore::add(std::uint32_t subband, std::uint32_t block, std::uint32_t band,
                          const TG2CodedSegment& segment) {
    Entry entry{
        subband, block, band, segment.offsetsAt, segment.subBlockCount, 0, segment.bytes.size()};
    entry.at = file_.append(segment.bytes.data(), segment.bytes.size());
    entries_.push_back(entry);
    sorted_ = false;
}

const std::vector<TG2SegmentStore::Entry>& TG2SegmentStore::entriesInStreamOrder() {
    if (!sorted_) {
        std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
            return std::tie(a.subband, a.block, a.band) < std::tie(b.subband, b.block, b.band);
        });
        sorted_ = true;
    }
    return entries_;
}

void TG2SegmentStore::readInStreamOrder(
    const std::function<void(const Entry&, std::vector<std::uint8_t>& bytes)>& use) {
    std::vector<std::uint8_t> bytes;
    for (const Entry& entry : entriesInStreamOrder()) {
        bytes.resize(entry.size);
        file_.read(entry.at, bytes.data(), bytes.size());
        use(entry, bytes);
    }
}

}  // namespace Corvane
