#include "tg3/engine/tg3_bandCache.h"

#include <algorithm>

#include "support/cv_allocationLimit.h"
#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/engine/tg3_bitPlaneDecoder.h"

namespace Corvane {

namespace {
// How far, in coefficients of a band, the requests of two decoders working on
// neighbouring columns reach into each other: twice the inverse 5-3's support, with
// room to spare. Too little only costs sub-blocks decoded twice.
constexpr std::uint32_t kNeighbourReach = 8;
}  // namespace

TG3BandCache::TG3BandCache(const TG3ImageInfo& info, PlaneStoreClient& store,
                           std::uint64_t entryBudgetBytes)
    : info_(info), store_(store), entries_(info.bands.size()), entryBudgetBytes_(entryBudgetBytes) {
    std::vector<std::uint16_t> all(info.components);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint16_t>(i);
    setComponents(all);
}

void TG3BandCache::setComponents(const std::vector<std::uint16_t>& components) {
    for (std::size_t i = 1; i < components.size(); ++i)
        if (components[i] <= components[i - 1])
            throw Exception("DecodeBase: spectral components list invalid.");
    components_ = components;
    colourStatus_ =
        buildColourParameters(info_.colorTransform, static_cast<std::int32_t>(components_.size()),
                              info_.dynamicRangeMin, info_.dynamicRangeMax, colour_);
    for (Entry& e : entries_) e = Entry{};
}

std::int32_t TG3BandCache::bandRow(std::uint32_t band, std::uint32_t row, std::uint32_t x0,
                                   std::uint32_t x1, std::int32_t** rows) {
    if (band >= info_.bands.size()) return 0;
    const TG3BandInfo& b = info_.bands[band];
    if (x1 >= b.width || row >= b.height || x0 > x1) return TG3Status::notFound;
    const std::int32_t status = fill(band, row, x0, x1);
    if (status != 0) return status;
    Entry& e = entries_[band];
    const std::size_t width = std::size_t{e.x1} - e.x0 + 1;
    const std::size_t block = width * (std::size_t{e.y1} - e.y0 + 1);
    for (std::size_t c = 0; c < components_.size(); ++c)
        rows[c] = e.data.data() + c * block + (std::size_t{row} - e.y0) * width;
    return 0;
}

std::int32_t TG3BandCache::fill(std::uint32_t band, std::uint32_t row, std::uint32_t x0,
                                std::uint32_t x1) {
    Entry& e = entries_[band];
    if (e.valid && e.x0 == x0 && e.x1 == x1 && row >= e.y0 && row <= e.y1) return 0;
    if (colourStatus_ != 0) return colourStatus_;
    if (info_.subblockSize == 0) return TG3Status::notFound;
    // The rows of the sub-block row holding `row`: all of them when they fit the
    // entry's budget, else as many as fit from `row` down (at least that one). Rows are
    // asked for in increasing order, so a later row of the same sub-block row refills
    // from there. Without the budget, large sub-blocks over many components would make
    // even a small region hold and clear hundreds of megabytes per band.
    const std::uint32_t size = info_.subblockSize;
    const TG3BandInfo& b = info_.bands[band];
    const std::size_t width = std::size_t{x1} - x0 + 1;
    const std::uint32_t rowsFrom = row - row % size;
    const std::uint32_t rowsTo = std::min(rowsFrom + size - 1, b.height - 1);
    const std::uint64_t rowBytes =
        std::max<std::uint64_t>(1, std::uint64_t{width} * components_.size() * 4);
    const std::uint64_t rowsInBudget = std::max<std::uint64_t>(1, entryBudgetBytes_ / rowBytes);
    e.valid = false;
    e.x0 = x0;
    e.x1 = x1;
    if (rowsTo - rowsFrom + 1 <= rowsInBudget) {
        e.y0 = rowsFrom;
        e.y1 = rowsTo;
    } else {
        e.y0 = row;
        e.y1 = static_cast<std::uint32_t>(std::min<std::uint64_t>(rowsTo, row + rowsInBudget - 1));
    }
    const std::size_t block = width * (std::size_t{e.y1} - e.y0 + 1);
    if (block > UINT64_MAX / 4 || !allocationFits(block * components_.size(), 4))
        return TG3Status::outOfMemory;
    e.data.assign(block * components_.size(), 0);

    std::vector<std::int32_t*> blocks(components_.size());
    for (std::size_t c = 0; c < blocks.size(); ++c) blocks[c] = e.data.data() + c * block;
    const std::int32_t status = sweep(band, e.y0, e.y1, x0, x1, blocks);
    if (status != 0) return status;

    colour_.buffers = blocks;
    applyToBandCoefficients(colour_, static_cast<std::int32_t>(band), block);
    e.valid = true;
    return 0;
}

std::int32_t TG3BandCache::sweep(std::uint32_t band, std::uint32_t y0, std::uint32_t y1,
                                 std::uint32_t x0, std::uint32_t x1,
                                 const std::vector<std::int32_t*>& blocks) {
    if (info_.hasVirtualSupport && info_.levelsRemoved != 0) {
        if (info_.levelsRemoved <= 2) throw UnimplementedException();
        return TG3Status::unsupported;
    }
    const std::uint32_t size = info_.subblockSize;
    for (std::uint32_t row = y0 / size; row <= y1 / size; ++row) {
        for (std::uint32_t column = x0 / size; column <= x1 / size; ++column) {
            std::int32_t status = decodeSubblock(band, row, column, y0, y1, x0, x1, blocks);
            if (status == 0 && progress_) status = progress_();
            if (status != 0) return status;
        }
    }
    return 0;
}

std::int32_t TG3BandCache::fetchPlanes(std::uint32_t band, std::uint32_t subblock,
                                       std::vector<PlaneList>& lists) {
    const int planeLimit = std::min<int>(PlaneList::kCapacity, info_.planes);
    for (std::size_t i = 0; i < components_.size(); ++i) {
        PlaneKey key;
        key.subblock = subblock;
        key.component = components_[i];
        key.band = static_cast<std::uint8_t>(band);
        // The first unbroken run of present planes; the probe stops at the
        // first gap after it (and at the last plane the image has).
        int first = -1;
        int last = -1;
        for (int p = 0; p < planeLimit; ++p) {
            key.plane = static_cast<std::uint8_t>(p);
            bool present = false;
            const std::int32_t status = store_.hasPlane(key, present);
            if (status != 0) return status;
            if (present) {
                if (first < 0) first = p;
                last = p;
            } else if (first >= 0) {
                break;
            }
        }
        if (first < 0) continue;
        for (int p = 0; p <= last; ++p) {
            key.plane = static_cast<std::uint8_t>(p);
            PlaneRecord record;
            const std::int32_t status = store_.getPlane(key, record);
            if (status != 0) return status;
            lists[i].append(p, record);
        }
    }
    return 0;
}

std::int32_t TG3BandCache::decodeSubblock(std::uint32_t band, std::uint32_t subblockRow,
                                          std::uint32_t subblockColumn, std::uint32_t y0,
                                          std::uint32_t y1, std::uint32_t x0, std::uint32_t x1,
                                          const std::vector<std::int32_t*>& blocks) {
    const std::uint32_t size = info_.subblockSize;
    const std::uint32_t index = info_.subblockIndex(band, subblockRow, subblockColumn);
    const std::uint32_t bx0 = subblockColumn * size;
    const std::uint32_t by0 = subblockRow * size;
    const std::uint32_t bw = info_.subblockWidth(band, subblockColumn);
    const std::uint32_t bh = info_.subblockHeight(band, subblockRow);

    const std::size_t rowLength = std::size_t{x1} - x0 + 1;
    // The part of the sub-block that meets the request.
    const std::uint32_t cx0 = std::max(bx0, x0), cx1 = std::min(bx0 + bw - 1, x1);
    const std::uint32_t cy0 = std::max(by0, y0), cy1 = std::min(by0 + bh - 1, y1);
    if (!store_.mayHavePlanes(band, index)) {
        // No plane of any component: the sub-block decodes to zeros.
        for (std::int32_t* block : blocks)
            for (std::uint32_t y = cy0; y <= cy1; ++y) {
                std::int32_t* to = block + std::size_t{y - y0} * rowLength + (cx0 - x0);
                std::fill(to, to + (cx1 - cx0 + 1), 0);
            }
        return 0;
    }
    std::vector<PlaneList> lists(components_.size());
    const std::int32_t status = fetchPlanes(band, index, lists);
    if (status != 0) return status;
    std::vector<const PlaneSource*> sources(lists.size());
    for (std::size_t i = 0; i < lists.size(); ++i) sources[i] = &lists[i];

    // The decoder keeps a flag word per coefficient (with a border) of one component,
    // and a sub-block that only partly meets the request is decoded aside.
    const std::uint64_t flagWords = (std::uint64_t{bw} + 4) * (std::uint64_t{bh} + 4);
    if (!allocationFits(flagWords, 4) || !allocationFits(std::uint64_t{bw} * bh, 4))
        return TG3Status::outOfMemory;
    BitPlaneDecoder decoder(static_cast<int>(band), static_cast<int>(bw), static_cast<int>(bh));
    const bool inside = cx0 == bx0 && cx1 == bx0 + bw - 1 && cy0 == by0 && cy1 == by0 + bh - 1;
    // A decoder working on the neighbouring columns reaches into this request by the
    // wavelet's support, a few coefficients at each inner edge: the sub-blocks within
    // that reach are wanted by both, and pass through the exchange.
    const bool nearLeftEdge = x0 > 0 && bx0 <= x0 + kNeighbourReach;
    const bool nearRightEdge =
        x1 + 1 < info_.bands[band].width && bx0 + bw - 1 + kNeighbourReach >= x1;
    const bool shared = exchange_ && (nearLeftEdge || nearRightEdge);
    std::vector<std::int32_t*> outputs(blocks.size());
    if (inside && !shared) {
        // Straight into the destination.
        const std::size_t offset = (std::size_t{by0} - y0) * rowLength + (bx0 - x0);
        for (std::size_t i = 0; i < blocks.size(); ++i) outputs[i] = blocks[i] + offset;
        decoder.decodeBand(sources, outputs, rowLength, 1);
        return 0;
    }
    // Decode the whole sub-block aside, one component at a time (each starts afresh,
    // so the result is the same), and copy the part that meets the request.
    std::vector<std::int32_t> temporary(std::size_t{bw} * bh);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const SubblockExchange::Key key{exchangeImage_, band, index, components_[i]};
        if (!shared || !exchange_->take(key, temporary)) {
            decoder.decodeBand({sources[i]}, {temporary.data()}, bw, 1);
            if (shared) exchange_->give(key, temporary);
        }
        for (std::uint32_t y = cy0; y <= cy1; ++y) {
            const std::int32_t* from = temporary.data() + std::size_t{y - by0} * bw + (cx0 - bx0);
            std::int32_t* to = blocks[i] + std::size_t{y - y0} * rowLength + (cx0 - x0);
            std::copy(from, from + (cx1 - cx0 + 1), to);
        }
    }
    return 0;
}

}  // namespace Corvane
