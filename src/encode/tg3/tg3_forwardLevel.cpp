#include "encode/tg3/tg3_forwardLevel.h"

#include <algorithm>

#include "encode/tg3/tg3_forwardLifting53.h"

namespace Corvane {

namespace {

std::int32_t sumOf(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) + b);
}

}  // namespace

ForwardLevel::ForwardLevel(int level, std::uint32_t width, std::uint32_t height, int components,
                           BandRowSink& sink, ForwardLevel* coarser)
    : level_(level),
      width_(width),
      height_(height),
      components_(components),
      sink_(sink),
      coarser_(coarser) {
    const std::size_t line = std::size_t{width} * static_cast<std::size_t>(components);
    for (auto* v : {&even_, &odd_, &highBefore_, &incoming_}) v->resize(line);
    lowPart_.resize(line);
    highPart_.resize(line);
    lowRows_.resize(static_cast<std::size_t>(components));
    highRows_.resize(static_cast<std::size_t>(components));
}

void ForwardLevel::pushRow(const std::int32_t* const* rows) {
    for (int c = 0; c < components_; ++c) {
        std::int32_t* line = at(incoming_, c);
        std::copy(rows[c], rows[c] + width_, line);
        forwardLift53(line, width_);
    }
    const std::uint32_t y = received_++;
    if (y % 2 == 1) {
        std::swap(odd_, incoming_);
        if (y == height_ - 1) {
            // The row below the last reflects to the even row above it.
            predict(odd_, even_, even_);
            update(even_, y == 1 ? odd_ : highBefore_, odd_);
            emitLow(even_, y / 2);
            emitHigh(odd_, y / 2);
        }
        return;
    }
    if (y > 0) {
        // The odd row above is now framed by both its even neighbours, and the even row
        // above it by both its high-pass neighbours (the first reflects to the one below).
        predict(odd_, even_, incoming_);
        update(even_, y == 2 ? odd_ : highBefore_, odd_);
        emitLow(even_, y / 2 - 1);
        emitHigh(odd_, y / 2 - 1);
        std::swap(highBefore_, odd_);
    }
    std::swap(even_, incoming_);
    if (y == height_ - 1) {
        if (height_ > 1) update(even_, highBefore_, highBefore_);
        emitLow(even_, y / 2);
    }
}

void ForwardLevel::predict(std::vector<std::int32_t>& odd, std::vector<std::int32_t>& above,
                           std::vector<std::int32_t>& below) {
    for (std::size_t i = 0; i < odd.size(); ++i)
        odd[i] -= liftPredictRound(sumOf(above[i], below[i]));
}

void ForwardLevel::update(std::vector<std::int32_t>& even, std::vector<std::int32_t>& above,
                          std::vector<std::int32_t>& below) {
    for (std::size_t i = 0; i < even.size(); ++i)
        even[i] += liftUpdateRound(sumOf(above[i], below[i]));
}

void ForwardLevel::splitColumns(std::vector<std::int32_t>& line) {
    const std::uint32_t lowWidth = (width_ + 1) / 2, highWidth = width_ / 2;
    for (int c = 0; c < components_; ++c) {
        const auto k = static_cast<std::size_t>(c);
        const std::int32_t* from = at(line, c);
        lowRows_[k] = lowPart_.data() + std::size_t{lowWidth} * k;
        highRows_[k] = highPart_.data() + std::size_t{highWidth} * k;
        for (std::uint32_t x = 0; x < width_; ++x)
            (x % 2 == 0 ? lowRows_ : highRows_)[k][x / 2] = from[x];
    }
}

void ForwardLevel::emitLow(std::vector<std::int32_t>& line, std::uint32_t row) {
    splitColumns(line);
    const auto band = static_cast<std::uint32_t>(4 * level_);
    if (width_ > 1) sink_.acceptRow(band - 2, row, highRows_.data());
    if (coarser_)
        coarser_->pushRow(lowRows_.data());
    else
        sink_.acceptRow(0, row, lowRows_.data());
}

void ForwardLevel::emitHigh(std::vector<std::int32_t>& line, std::uint32_t row) {
    splitColumns(line);
    const auto band = static_cast<std::uint32_t>(4 * level_);
    sink_.acceptRow(band - 1, row, lowRows_.data());
    if (width_ > 1) sink_.acceptRow(band, row, highRows_.data());
}

}  // namespace Corvane
