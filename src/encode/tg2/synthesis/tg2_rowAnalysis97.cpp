#include "encode/tg2/synthesis/tg2_rowAnalysis97.h"

#include <algorithm>

#include "encode/tg2/synthesis/tg2_forward97.h"
#include "tg2/synthesis/tg2_lifting97.h"

namespace Corvane {

namespace {

// The four steps of the forward lifting, in order: the rows of `parity` change by
// `factor` times the sum of their two neighbours.
struct LiftingStep {
    std::uint32_t parity;
    float factor;
};
constexpr LiftingStep kSteps[4] = {{1, -kLift97SecondPredict},
                                   {0, -kLift97SecondUpdate},
                                   {1, kLift97FirstPredict},
                                   {0, kLift97FirstUpdate}};

void liftRow(float* target, const float* left, const float* right, std::uint32_t count,
             float factor) {
    for (std::uint32_t i = 0; i < count; ++i) target[i] = target[i] + factor * (left[i] + right[i]);
}

}  // namespace

TG2LevelAnalyser::TG2LevelAnalyser(std::uint32_t width, std::uint32_t height)
    : width_(width), height_(height), lowWidth_((width + 1) / 2) {
    for (auto& row : window_) row.resize(width);
}

std::uint32_t TG2LevelAnalyser::mirror(std::int64_t row) const {
    if (row < 0) return 1;
    if (row >= height_) return height_ - 2;
    return static_cast<std::uint32_t>(row);
}

void TG2LevelAnalyser::emit(std::uint32_t row) {
    const float* samples = slot(row);
    out_.push_back(Output{static_cast<int>(row % 2), row / 2, samples, samples + lowWidth_});
}

const std::vector<TG2LevelAnalyser::Output>& TG2LevelAnalyser::push(float* row) {
    out_.clear();
    // Across the columns first, low-pass samples to the left half, high-pass to the right.
    forwardLift97(row, width_);
    float* target = slot(received_);
    for (std::uint32_t i = 0; i < width_; ++i) target[i / 2 + (i % 2 ? lowWidth_ : 0)] = row[i];
    ++received_;
    if (height_ == 1) {
        emit(0);
    } else {
        advance();
    }
    return out_;
}

// Runs every lifting step as far down as the rows received allow. A step may change
// a row once it and both its neighbours hold the previous step's values: for the
// first step once they have arrived, for the others once the previous step has passed
// them.
// The last step of each parity leaves its rows finished.
void TG2LevelAnalyser::advance() {
    for (int s = 0; s < 4; ++s) {
        const LiftingStep& step = kSteps[s];
        const std::uint32_t ready = s == 0 ? received_ : next_[static_cast<std::size_t>(s - 1)];
        std::uint32_t& p = next_[static_cast<std::size_t>(s)];
        for (; p < height_ && std::max(p, mirror(std::int64_t{p} + 1)) < ready; p += 2) {
            liftRow(slot(p), slot(mirror(std::int64_t{p} - 1)), slot(mirror(std::int64_t{p} + 1)),
                    width_, step.factor);
            if (s >= 2) emit(p);
        }
    }
}

TG2RowAnalysis::TG2RowAnalysis(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                               std::uint32_t band, TG2SubbandRowSink& sink)
    : levels_(levels), band_(band), sink_(sink) {
    for (std::uint32_t level = 0; level < levels; ++level) {
        analysers_.push_back(std::make_unique<TG2LevelAnalyser>(width, height));
        width = (width + 1) / 2;
        height = (height + 1) / 2;
        lowLow_.emplace_back(width);
    }
}

TG2RowAnalysis::~TG2RowAnalysis() = default;

void TG2RowAnalysis::push(float* row) {
    pushAt(0, row);
}

void TG2RowAnalysis::pushAt(std::uint32_t level, float* row) {
    if (level == levels_) {
        sink_.takeRow(0, band_, rowsOut_++, row);
        return;
    }
    // The finest level's subbands come last in the stream's index order.
    const std::uint32_t first = 3 * (levels_ - 1 - level) + 1;
    for (const TG2LevelAnalyser::Output& out : analysers_[level]->push(row)) {
        if (out.rowKind == 0) {
            sink_.takeRow(first, band_, out.row, out.highColumns);
            std::vector<float>& lowLow = lowLow_[level];
            std::copy(out.lowColumns, out.lowColumns + lowLow.size(), lowLow.begin());
            pushAt(level + 1, lowLow.data());
        } else {
            sink_.takeRow(first + 1, band_, out.row, out.lowColumns);
            sink_.takeRow(first + 2, band_, out.row, out.highColumns);
        }
    }
}

}  // namespace Corvane
