#include "tg3/engine/tg3_inverseLevel.h"

#include <algorithm>

#include "tg3/engine/tg3_lifting53.h"

namespace Corvane {

namespace {

// Neighbour sums wrap instead of overflowing; only their low bits and sign
// matter to the rounding.
std::int32_t sumOf(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) + b);
}
std::int32_t differenceOf(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) - b);
}

}  // namespace

InverseLevel::InverseLevel(int level, const LevelColumns& region, std::uint32_t height,
                           int components, BandRowSource& source, InverseLevel* coarser,
                           EdgeRule rule)
    : level_(level),
      region_(region),
      height_(height),
      components_(components),
      source_(source),
      coarser_(coarser),
      rule_(rule) {
    lineLength_ = region_.right - region_.left + 1;
    realFirst_ = std::max(region_.left, 0);
    realLast_ = std::min(region_.right, region_.length - 1);
    lowFirst_ = (realFirst_ + 1) / 2;
    lowCount_ = realLast_ / 2 - lowFirst_ + 1;
    highFirst_ = realFirst_ / 2;
    highCount_ = realLast_ >= 1 ? (realLast_ - 1) / 2 - highFirst_ + 1 : 0;

    const std::size_t words = static_cast<std::size_t>(lineLength_) * components_;
    lowLines_.assign(2, Line{-1, std::vector<std::int32_t>(words)});
    highLines_.assign(2, Line{-1, std::vector<std::int32_t>(words)});
    output_.assign(words, 0);
    bandRows_.assign(static_cast<std::size_t>(components_), nullptr);
}

std::uint32_t InverseLevel::edgeRow(std::int64_t y) const {
    return static_cast<std::uint32_t>(
        edgeNeighbour(static_cast<std::ptrdiff_t>(y), static_cast<std::ptrdiff_t>(height_), rule_));
}

InverseLevel::Line& InverseLevel::slotFor(std::vector<Line>& lines, std::int64_t keep) {
    // Rows advance, so the line with the lower index is the one to give up,
    // unless it is the partner of the line being made.
    Line& a = lines[0];
    Line& b = lines[1];
    if (keep >= 0 && a.index == keep) return b;
    if (keep >= 0 && b.index == keep) return a;
    return a.index <= b.index ? a : b;
}

std::int32_t InverseLevel::fetchInto(std::uint32_t band, std::uint32_t row,
                                     std::int32_t firstColumn, std::int32_t columnCount,
                                     std::int32_t* line) {
    // Band column c lands at interleaved column 2c (low-pass) or 2c + 1
    // (high-pass); `line` already points at the first of them.
    if (columnCount <= 0) return 0;
    const auto x0 = static_cast<std::uint32_t>(firstColumn);
    const std::int32_t status = source_.bandRow(
        band, row, x0, x0 + static_cast<std::uint32_t>(columnCount) - 1, bandRows_.data());
    if (status != 0) return status;
    for (int comp = 0; comp < components_; ++comp) {
        const std::int32_t* from = bandRows_[static_cast<std::size_t>(comp)];
        std::int32_t* to = line + static_cast<std::ptrdiff_t>(comp) * lineLength_;
        for (std::int32_t i = 0; i < columnCount; ++i) to[2 * i] = from[i];
    }
    return 0;
}

std::int32_t InverseLevel::fetchLowPassInput(std::uint32_t row, std::int32_t* line) {
    std::int32_t* evenStart = line + (2 * lowFirst_ - region_.left);
    if (coarser_ == nullptr) return fetchInto(0, row, lowFirst_, lowCount_, evenStart);
    std::vector<const std::int32_t*> rows(static_cast<std::size_t>(components_));
    const std::int32_t status = coarser_->produceRow(row, rows.data());
    if (status != 0) return status;
    for (int comp = 0; comp < components_; ++comp) {
        std::int32_t* to = evenStart + static_cast<std::ptrdiff_t>(comp) * lineLength_;
        const std::int32_t* from = rows[static_cast<std::size_t>(comp)];
        for (std::int32_t i = 0; i < lowCount_; ++i) to[2 * i] = from[i];
    }
    return 0;
}

std::int32_t InverseLevel::highPassLine(std::uint32_t k, const std::int32_t*& line,
                                        std::int64_t keep) {
    for (const Line& l : highLines_) {
        if (l.index == k) {
            line = l.data.data();
            return 0;
        }
    }
    // Odd row k holds band 4j - 1 at even columns and band 4j at odd ones.
    Line& slot = slotFor(highLines_, keep);
    slot.index = -1;
    std::int32_t* data = slot.data.data();
    const auto band = static_cast<std::uint32_t>(4 * level_);
    std::int32_t status =
        fetchInto(band - 1, k, lowFirst_, lowCount_, data + (2 * lowFirst_ - region_.left));
    if (status == 0)
        status =
            fetchInto(band, k, highFirst_, highCount_, data + (2 * highFirst_ + 1 - region_.left));
    if (status != 0) return status;
    slot.index = k;
    line = data;
    return 0;
}

std::int32_t InverseLevel::lowPassLine(std::uint32_t k, const std::int32_t*& line) {
    for (const Line& l : lowLines_) {
        if (l.index == k) {
            line = l.data.data();
            return 0;
        }
    }
    // Even row k: the coarser level's row k at even columns, band 4j - 2 at
    // odd ones; then the vertical update from the odd rows on either side.
    std::int64_t partner = -1;
    for (const Line& l : lowLines_)
        if (l.index >= 0 && l.index + 1 == k) partner = l.index;
    Line& slot = slotFor(lowLines_, partner);
    slot.index = -1;
    std::int32_t* data = slot.data.data();
    std::int32_t status = fetchLowPassInput(k, data);
    if (status == 0)
        status = fetchInto(static_cast<std::uint32_t>(4 * level_ - 2), k, highFirst_, highCount_,
                           data + (2 * highFirst_ + 1 - region_.left));
    if (status != 0) return status;

    if (height_ > 1) {
        const std::uint32_t above = edgeRow(2 * std::int64_t{k} - 1) / 2;
        const std::uint32_t below = edgeRow(2 * std::int64_t{k} + 1) / 2;
        // Fetch in row order so the band cache only moves forward; the
        // second fetch keeps the first line.
        const std::int32_t* first = nullptr;
        const std::int32_t* second = nullptr;
        status = highPassLine(std::min(above, below), first, -1);
        if (status == 0)
            status = highPassLine(std::max(above, below), second, std::min(above, below));
        if (status != 0) return status;
        const std::int32_t* upper = above <= below ? first : second;
        const std::int32_t* lower = above <= below ? second : first;
        for (int comp = 0; comp < components_; ++comp) {
            const std::ptrdiff_t base = static_cast<std::ptrdiff_t>(comp) * lineLength_;
            for (std::int32_t c = realFirst_; c <= realLast_; ++c) {
                const std::ptrdiff_t i = base + c - region_.left;
                data[i] = differenceOf(data[i], liftUpdateRound(sumOf(upper[i], lower[i])));
            }
        }
    }
    slot.index = k;
    line = data;
    return 0;
}

void InverseLevel::liftHorizontally(std::int32_t* line) const {
    const std::int32_t n = region_.length;
    if (n < 2) return;  // a single sample is its own low-pass coefficient
    const auto at = [&](std::int32_t column) -> std::int32_t& {
        return line[column - region_.left];
    };
    // Pads take the samples the edge rule names; a periodic level that needs
    // them holds its whole line, so they are always at hand.
    const auto stand = [&](std::int32_t column) {
        at(column) = at(static_cast<std::int32_t>(edgeNeighbour(column, n, rule_)));
    };
    if (region_.leftPad > 0) stand(-1);
    if (region_.rightPad > 0) stand(n);
    if (region_.rightPad > 1) stand(n + 1);
    // The line starts and ends on a high-pass column, so every low-pass
    // column has both neighbours; then every inner high-pass column has both
    // updated neighbours.
    for (std::int32_t c = region_.left + 1; c < region_.right; c += 2)
        at(c) = differenceOf(at(c), liftUpdateRound(sumOf(at(c - 1), at(c + 1))));
    for (std::int32_t c = region_.left + 2; c < region_.right; c += 2)
        at(c) = sumOf(at(c), liftPredictRound(sumOf(at(c - 1), at(c + 1))));
}

std::int32_t InverseLevel::produceRow(std::uint32_t y, const std::int32_t** out) {
    const std::uint32_t k = y / 2;
    std::int32_t status = 0;
    if (y % 2 == 0) {
        const std::int32_t* even = nullptr;
        status = lowPassLine(k, even);
        if (status != 0) return status;
        std::copy(even, even + output_.size(), output_.begin());
    } else {
        // Odd row: the high-pass line predicted from the updated even rows
        // on either side (past the bottom, the one the edge rule names).
        const std::uint32_t next = edgeRow(2 * std::int64_t{k} + 2) / 2;
        const std::int32_t* upper = nullptr;
        const std::int32_t* lower = nullptr;
        const std::int32_t* odd = nullptr;
        status = lowPassLine(k, upper);
        if (status == 0) status = lowPassLine(next, lower);
        if (status == 0) status = lowPassLine(k, upper);
        if (status == 0) status = highPassLine(k, odd, -1);
        if (status != 0) return status;
        for (int comp = 0; comp < components_; ++comp) {
            const std::ptrdiff_t base = static_cast<std::ptrdiff_t>(comp) * lineLength_;
            for (std::int32_t c = realFirst_; c <= realLast_; ++c) {
                const std::ptrdiff_t i = base + c - region_.left;
                output_[static_cast<std::size_t>(i)] =
                    sumOf(odd[i], liftPredictRound(sumOf(upper[i], lower[i])));
            }
        }
    }
    for (int comp = 0; comp < components_; ++comp) {
        std::int32_t* line = output_.data() + static_cast<std::ptrdiff_t>(comp) * lineLength_;
        liftHorizontally(line);
        out[comp] = line + (region_.first - region_.left);
    }
    return 0;
}

}  // namespace Corvane
