#include "encode/tg2/tg2_subbandCoder.h"

#include <algorithm>

#include "encode/tg2/entropy/tg2_quantiser.h"
#include "encode/tg2/structure/tg2_blockTiling.h"
#include "support/cv_exception.h"

namespace Corvane {

TG2SubbandCoder::TG2SubbandCoder(const TG2StreamLayout& layout, std::uint32_t subBlockWidth,
                                 std::uint32_t subBlockHeight,
                                 std::vector<std::vector<float>> steps, bool dither,
                                 double deadZone, TG2SegmentSink& segments)
    : layout_(layout),
      subBlockWidth_(subBlockWidth),
      subBlockHeight_(subBlockHeight),
      steps_(std::move(steps)),
      dither_(dither),
      deadZone_(deadZone),
      segments_(segments),
      pending_(layout.subbands.size()),
      early_(layout.subbands.size(), std::vector<std::deque<EarlyRow>>(layout.bandCount)),
      errors_(layout.bandCount, std::vector<double>(layout.subbands.size(), 0.0)) {
    if (steps_.size() != layout.bandCount ||
        std::any_of(steps_.begin(), steps_.end(),
                    [&](const auto& band) { return band.size() != layout.subbands.size(); }))
        throw InvalidArgumentException("steps");
}

void TG2SubbandCoder::start(std::uint32_t subband, std::uint32_t firstRow) {
    const TG2SubbandLayout& shape = layout_.subbands[subband];
    Pending& pending = pending_[subband];
    pending.started = true;
    pending.firstRow = firstRow;
    pending.rows = std::min(shape.blockHeight, shape.height - firstRow);
    pending.rowsIn.assign(layout_.bandCount, 0);
    pending.indices.resize(std::size_t{layout_.bandCount} * pending.rows * shape.width);
}

void TG2SubbandCoder::takeRow(std::uint32_t subband, std::uint32_t band, std::uint32_t row,
                              const float* samples) {
    const TG2SubbandLayout& shape = layout_.subbands[subband];
    if (shape.width == 0) return;  // the high-pass half of a line of one sample
    Pending& pending = pending_[subband];
    if (!pending.started) start(subband, row - row % shape.blockHeight);
    if (row >= pending.firstRow + pending.rows) {
        early_[subband][band].push_back(
            EarlyRow{row, std::vector<float>(samples, samples + shape.width)});
        return;
    }
    quantise(subband, band, row, samples);
}

void TG2SubbandCoder::quantise(std::uint32_t subband, std::uint32_t band, std::uint32_t row,
                               const float* samples) {
    const TG2SubbandLayout& shape = layout_.subbands[subband];
    Pending& pending = pending_[subband];
    const std::uint32_t line = row - pending.firstRow;
    if (row < pending.firstRow || line != pending.rowsIn[band])
        throw InvalidArgumentException("subband rows out of order");
    std::int16_t* indices =
        pending.indices.data() + (std::size_t{band} * pending.rows + line) * shape.width;
    const TG2DitherRow dither =
        dither_ ? tg2DitherRow(shape.ditherColumn, shape.ditherRow, row) : TG2DitherRow{};
    quantiseRow(samples, shape.width, steps_[band][subband], dither, deadZone_, indices,
                errors_[band][subband]);
    ++pending.rowsIn[band];
    if (!std::all_of(pending.rowsIn.begin(), pending.rowsIn.end(),
                     [&](std::uint32_t n) { return n == pending.rows; }))
        return;
    codeBlockRow(subband);
    // Rows that arrived early belong to the next row of blocks.
    const std::uint32_t next = pending.firstRow + pending.rows;
    pending = Pending{};
    for (std::uint32_t b = 0; b < layout_.bandCount; ++b) {
        std::deque<EarlyRow>& waiting = early_[subband][b];
        while (!waiting.empty()) {
            if (!pending_[subband].started) start(subband, next);
            const Pending& now = pending_[subband];
            if (waiting.front().row >= now.firstRow + now.rows) break;
            const EarlyRow early = std::move(waiting.front());
            waiting.pop_front();
            quantise(subband, b, early.row, early.samples.data());
        }
    }
}

void TG2SubbandCoder::codeBlockRow(std::uint32_t subband) {
    const TG2SubbandLayout& shape = layout_.subbands[subband];
    Pending& pending = pending_[subband];
    const std::uint32_t across = tg2CeilDivide(shape.width, shape.blockWidth);
    const std::uint32_t firstBlock = pending.firstRow / shape.blockHeight * across;
    std::vector<std::int32_t> block;
    for (std::uint32_t column = 0; column < across; ++column) {
        const std::uint32_t x = column * shape.blockWidth;
        const std::uint32_t width = std::min(shape.blockWidth, shape.width - x);
        for (std::uint32_t band = 0; band < layout_.bandCount; ++band) {
            block.clear();
            bool anyIndex = false;
            for (std::uint32_t line = 0; line < pending.rows; ++line) {
                const std::int16_t* row = pending.indices.data() +
                                          (std::size_t{band} * pending.rows + line) * shape.width +
                                          x;
                for (std::uint32_t i = 0; i < width; ++i) {
                    block.push_back(row[i]);
                    anyIndex = anyIndex || row[i] != 0;
                }
            }
            // A band with nothing but zeros in a block is stored without data.
            if (!anyIndex) continue;
            segments_.add(subband, firstBlock + column, band,
                          writeBandSegment(block.data(), width, pending.rows, steps_[band][subband],
                                           subBlockWidth_, subBlockHeight_));
        }
    }
}

double TG2SubbandCoder::squaredError(const std::vector<double>& gains,
                                     const std::vector<double>& bandWeights) const {
    double sum = 0.0;
    for (std::size_t band = 0; band < errors_.size(); ++band)
        for (std::size_t i = 0; i < errors_[band].size(); ++i)
            sum += bandWeights[band] * gains[i] * errors_[band][i];
    return sum;
}

}  // namespace Corvane
