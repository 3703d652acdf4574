#include "tg3/planeset/tg3_subblockOrder.h"

#include <algorithm>

#include "support/cv_exception.h"
#include "support/cv_status.h"

namespace Corvane {

namespace {

// The pipelined order keeps two tables of 4 bytes per sub-block (128 MiB at this
// bound); images beyond it are refused rather than allowed to take memory that no file
// justifies.
constexpr std::uint64_t maxPipelinedSubblocks = std::uint64_t{1} << 24;
constexpr int maxPipelinedLevels = 32;

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return (a + b - 1) / b;
}

}  // namespace

PipelinedSchedule::PipelinedSchedule(const TG3ImageInfo& info) {
    size_ = info.subblockSize;
    levels_ = info.levels;
    const std::size_t bands = std::size_t{4} * levels_ + 1;
    height_.assign(bands, 0);
    columns_.assign(bands, 0);
    fullRows_.assign(bands, 0);
    tail_.assign(bands, 0);
    group_.assign(static_cast<std::size_t>(levels_) + 1, 0);
    std::int64_t h = info.height;
    std::int64_t w = info.width;
    for (int j = levels_; j >= 1; --j) {
        const std::int64_t bigH = ceilDiv(h, 2), smallH = h / 2;
        const std::int64_t bigW = ceilDiv(w, 2), smallW = w / 2;
        height_[4 * j - 3] = height_[4 * j - 2] = bigH;
        height_[4 * j - 1] = height_[4 * j] = smallH;
        columns_[4 * j - 3] = columns_[4 * j - 1] = ceilDiv(bigW, size_);
        columns_[4 * j - 2] = columns_[4 * j] = ceilDiv(smallW, size_);
        for (int b = 4 * j - 3; b <= 4 * j; ++b) fullRows_[b] = height_[b] / size_;
        group_[j] =
            columns_[4 * j - 3] + columns_[4 * j - 2] + columns_[4 * j - 1] + columns_[4 * j];
        h = bigH;
        w = bigW;
    }
    if (levels_ >= 1) {
        height_[0] = height_[1];
        columns_[0] = columns_[1];
        fullRows_[0] = fullRows_[1];
        group_[1] += columns_[0];
    } else {
        // With no levels band 0 is the image itself.
        height_[0] = h;
        columns_[0] = ceilDiv(w, size_);
        fullRows_[0] = h / size_;
    }
    std::int64_t partial = 0;
    for (std::size_t b = 0; b < bands; ++b) {
        fullTotal_ += fullRows_[b] * columns_[b];
        tail_[b] = partial;
        if (height_[b] % size_ != 0) partial += columns_[b];
    }
}

std::uint64_t PipelinedSchedule::index(std::uint32_t band, std::uint32_t row,
                                       std::uint32_t column) const {
    const std::int64_t b = band, r = row, c = column, S = size_;
    if (levels_ == 0) return static_cast<std::uint64_t>(r * columns_[0] + c);
    if (r >= fullRows_[b]) return static_cast<std::uint64_t>(fullTotal_ + tail_[b] + c);

    const std::int64_t j = b >= 1 ? (b + 3) / 4 : 1;
    const std::int64_t p = b - 4 * (j - 1) < 0 ? 0 : b - 4 * (j - 1);
    std::int64_t idx = group_[j] * r + c;
    if (j == 1 && p >= 1) idx += columns_[0];
    if (p >= 2) idx += columns_[4 * j - 3];
    if (p >= 3) idx += columns_[4 * j - 2];
    if (p == 4) idx += columns_[4 * j - 1];
    std::int64_t t = (r + 1) * S - 1;
    if (p >= 3 && (r + 1) * S < height_[b - 2]) t = (r + 1) * S;

    std::int64_t u = t;
    for (std::int64_t l = j + 1; l <= levels_; ++l) {
        u = std::min(2 * u + 3, height_[4 * l - 3]);
        idx += group_[l] * (u / S);
        if (u % S == 0 && (u < height_[4 * l - 3] || height_[4 * l - 1] < height_[4 * l - 3])) {
            idx -= columns_[4 * l - 1] + columns_[4 * l];
        }
    }
    if (j > 1) {
        std::int64_t v = t;
        for (std::int64_t l = j - 1; l >= 1; --l) {
            if (v < 3) break;
            v = (v - 3) >> 1;
            idx += group_[l] * ((v + 1) / S);
            if ((v + 1) % S == 0) idx -= columns_[4 * l - 1] + columns_[4 * l];
        }
    }
    return static_cast<std::uint64_t>(idx);
}

std::int32_t SubblockOrder::create(const TG3ImageInfo& info, std::uint32_t order,
                                   std::unique_ptr<SubblockOrder>& result) {
    result.reset();
    if (info.subblockSize == 0 || info.bands.size() != std::size_t{4} * info.levels + 1) {
        return TG3Status::notFound;
    }
    std::unique_ptr<SubblockOrder> created(new SubblockOrder());
    created->components_ = info.components;
    created->planes_ = info.planes;
    const std::size_t bands = info.bands.size();
    created->bandPairs_.resize(bands);
    for (std::size_t b = 0; b < bands; ++b) created->bandPairs_[b] = info.bands[b].subblockCount();

    switch (order) {
        case 5:  // sbcp: bands from the coarsest
        case 1:  // pipelined: numbered as sbcp, visited through the rank table
            for (std::size_t b = 0; b < bands; ++b) {
                created->bandSequence_.push_back(static_cast<std::uint8_t>(b));
            }
            break;
        case 2:  // nopipe: bands from the finest
            for (std::size_t b = bands; b-- > 0;) {
                created->bandSequence_.push_back(static_cast<std::uint8_t>(b));
            }
            break;
        default:
            return TG3Status::notFound;
    }
    created->pairsBefore_.assign(bands, 0);
    std::uint64_t total = 0;
    for (std::uint8_t b : created->bandSequence_) {
        created->pairsBefore_[b] = total;
        total += created->bandPairs_[b];
    }
    created->pairCount_ = total;
    if (order == 1) {
        if (info.kernel == kernel97HV || info.kernel == kernel97VH) {
            throw UnimplementedException("tg3_subblockIter", 55);
        }
        if (info.kernel != kernel53HV && info.kernel != kernel53VH) return TG3Status::notFound;
        const std::int32_t status = created->buildPipelined(info);
        if (status != 0) return status;
    }
    created->first();
    result = std::move(created);
    return TG3Status::ok;
}

std::int32_t SubblockOrder::buildPipelined(const TG3ImageInfo& info) {
    const std::uint64_t total = pairCount_;
    // The schedule walks every level once per row of sub-blocks. Past 32 levels every
    // band of a 32-bit image is a single sample or empty; no encoder writes such a
    // pipelined file, and the walk would cost hundreds of levels per row.
    if (total > maxPipelinedSubblocks || info.levels > maxPipelinedLevels)
        return TG3Status::notFound;
    pipelined_ = true;
    constexpr std::uint32_t unset = ~std::uint32_t{0};
    pipelinedPairs_.assign(total, unset);
    pipelinedRank_.assign(total, unset);
    const PipelinedSchedule schedule(info);
    for (std::uint32_t b = 0; b < bandPairs_.size(); ++b) {
        const TG3BandInfo& band = info.bands[b];
        if (band.columns == 0) continue;  // no sub-blocks, however many rows
        for (std::uint32_t r = 0; r < band.rows; ++r) {
            // Within a row the ranks follow the columns, so the schedule's walk over the
            // levels is needed once per row, not once per sub-block.
            const std::uint64_t rowRank = schedule.index(b, r, 0);
            for (std::uint32_t c = 0; c < band.columns; ++c) {
                const std::uint64_t rank = rowRank + c;
                // The schedule must be a permutation; anything else cannot be followed.
                if (rank >= total || pipelinedPairs_[rank] != unset) return TG3Status::notFound;
                const std::uint64_t pair = pairsBefore_[b] + std::uint64_t{r} * band.columns + c;
                pipelinedPairs_[rank] = static_cast<std::uint32_t>(pair);
                pipelinedRank_[pair] = static_cast<std::uint32_t>(rank);
            }
        }
    }
    return TG3Status::ok;
}

std::uint64_t SubblockOrder::positionCount() const {
    return pairCount_ * components_ * planes_;
}

void SubblockOrder::pairAt(std::uint64_t k, std::uint8_t& band, std::uint32_t& subblock) const {
    if (pipelined_) k = pipelinedPairs_[k];
    for (std::uint8_t b : bandSequence_) {
        if (k < pairsBefore_[b] + bandPairs_[b]) {
            band = b;
            subblock = static_cast<std::uint32_t>(k - pairsBefore_[b]);
            return;
        }
    }
}

bool SubblockOrder::sequenceIndex(const PlanePosition& position, std::uint64_t& index) const {
    if (position.band >= bandPairs_.size() || position.subblock >= bandPairs_[position.band] ||
        position.component >= components_ || position.plane >= planes_) {
        return false;
    }
    std::uint64_t pair = pairsBefore_[position.band] + position.subblock;
    if (pipelined_) pair = pipelinedRank_[pair];
    index = (pair * components_ + position.component) * planes_ + position.plane;
    return true;
}

void SubblockOrder::first() {
    pair_ = 0;
    current_.component = 0;
    current_.plane = 0;
    settle();
}

void SubblockOrder::advance(std::uint64_t steps) {
    if (!valid()) return;
    const std::uint64_t planeSum = current_.plane + steps;
    current_.plane = static_cast<std::uint8_t>(planeSum % planes_);
    const std::uint64_t carry = planeSum / planes_;
    if (carry > 0) {
        const std::uint64_t componentSum = current_.component + carry;
        current_.component = static_cast<std::uint16_t>(componentSum % components_);
        pair_ += componentSum / components_;
    }
    settle();
}

void SubblockOrder::settle() {
    if (pair_ >= pairCount_ || components_ == 0 || planes_ == 0) {
        current_ = PlanePosition{};
        return;
    }
    pairAt(pair_, current_.band, current_.subblock);
}

}  // namespace Corvane
