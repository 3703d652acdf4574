#include "encode/tg3/tg3_subblockRowCoder.h"

#include <algorithm>

#include "encode/tg3/tg3_bitPlaneEncoder.h"

namespace Corvane {

SubblockRowCoder::SubblockRowCoder(const TG3ImageInfo& info, const PlaneCoding& coding,
                                   CodedImage& out, EncodeProgress& progress)
    : info_(info), coding_(coding), out_(out), progress_(progress), rows_(info.bands.size()) {
    for (std::uint32_t band = 0; band < info.bands.size(); ++band)
        if (band % 4 != 1)
            total_ += static_cast<double>(info.bands[band].rows) * info.bands[band].columns;
    total_ *= info.components;
}

void SubblockRowCoder::acceptRow(std::uint32_t band, std::uint32_t row, std::int32_t* const* rows) {
    if (band % 4 == 1) return;
    const TG3BandInfo& b = info_.bands[band];
    const std::uint32_t size = info_.subblockSize;
    const std::size_t plane = std::size_t{b.width} * std::min(size, b.height);
    std::vector<std::int32_t>& held = rows_[band];
    if (held.empty()) held.resize(plane * info_.components);
    const std::size_t offset = std::size_t{row % size} * b.width;
    for (std::size_t c = 0; c < info_.components; ++c)
        std::copy(rows[c], rows[c] + b.width,
                  held.begin() + static_cast<std::ptrdiff_t>(c * plane + offset));
    if (row % size == size - 1 || row == b.height - 1) codeSubblockRow(band, row / size);
    if (row == b.height - 1) std::vector<std::int32_t>().swap(held);
}

void SubblockRowCoder::codeSubblockRow(std::uint32_t band, std::uint32_t subblockRow) {
    const TG3BandInfo& b = info_.bands[band];
    const std::uint32_t size = info_.subblockSize;
    const std::size_t plane = std::size_t{b.width} * std::min(size, b.height);
    const std::uint32_t h = info_.subblockHeight(band, subblockRow);
    for (std::uint32_t column = 0; column < b.columns; ++column) {
        const std::uint32_t w = info_.subblockWidth(band, column);
        const BitPlaneEncoder encoder(static_cast<int>(band), static_cast<int>(w),
                                      static_cast<int>(h));
        for (std::uint16_t c = 0; c < info_.components; ++c) {
            block_.resize(std::size_t{w} * h);
            for (std::uint32_t y = 0; y < h; ++y) {
                const auto from = rows_[band].begin() +
                                  static_cast<std::ptrdiff_t>(c * plane + std::size_t{y} * b.width +
                                                              std::size_t{column} * size);
                std::copy(from, from + w, block_.begin() + static_cast<std::ptrdiff_t>(y * w));
            }
            out_.add(band, info_.subblockIndex(band, subblockRow, column), c,
                     encoder.encode(block_, coding_.lastPlane, coding_.firstRawPlane), block_);
            progress_.report(static_cast<double>(++done_) / total_);
        }
    }
}

}  // namespace Corvane
