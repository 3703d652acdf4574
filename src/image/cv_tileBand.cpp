#include "image/cv_tileBand.h"

#include <cstring>

#include "image/cv_imageStage.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"

namespace Corvane {

TileBand::TileBand(std::int32_t level, std::uint32_t firstColumn, std::uint32_t columns,
                   std::uint32_t tileRows, std::uint8_t fill)
    : level_(level),
      firstColumn_(firstColumn),
      columns_(columns),
      tileRows_(tileRows),
      fill_(fill) {}

TileBand::~TileBand() = default;

void TileBand::forget() {
    row_ = -1;
    navigator_.reset();
    std::vector<std::uint8_t>().swap(samples_);
}

void TileBand::decodeRow(ImageStage& image, const PixelLayout& layout, std::uint32_t row) {
    const std::int64_t left = std::int64_t{firstColumn_} * kTileSize;
    const std::int64_t width = std::int64_t{columns_} * kTileSize;
    const std::int64_t top = std::int64_t{row} * kTileSize;
    const std::int64_t height = std::int64_t{tileRows_} * kTileSize;
    const auto scene = [&](std::int64_t x, std::int64_t y) {
        return Scene(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0,
                     static_cast<std::int32_t>(x + width - 1),
                     static_cast<std::int32_t>(y + height - 1), 0);
    };
    const bool continues = follows(row) && navigator_;
    row_ = -1;
    try {
        // A row that does not follow the previous one gets a fresh decoder, so no
        // state of another place of the level is carried into it.
        if (!continues)
            navigator_ = std::make_unique<TovexNavigator>(image, level_, scene(left, top));
        pixelBytes_ = std::size_t{layout.samplesPerPixel()} * layout.bytesPerSample();
        // Borrowed memory filled as the caller's tile memory is, so that samples no
        // decoder writes keep the same value.
        PixelBuffer sizing(layout);
        sizing.setScene(scene(0, 0));
        rowStride_ = sizing.rowStride();
        samples_.assign(rowStride_ * static_cast<std::size_t>(height), fill_);
        PixelBuffer target(layout, samples_.data(), samples_.size());
        target.setBackground(image.backgroundPixel());
        navigator_->decodeAt(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                             static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                             target);
    } catch (...) {
        forget();
        throw;
    }
    row_ = row;
}

void TileBand::copyTile(std::uint32_t column, std::uint32_t row, std::uint8_t* buffer) const {
    const std::size_t tileRowBytes = pixelBytes_ * kTileSize;
    const std::uint8_t* from = samples_.data() +
                               std::size_t{row - firstRow()} * kTileSize * rowStride_ +
                               std::size_t{column - firstColumn_} * tileRowBytes;
    for (std::int32_t y = 0; y < kTileSize; ++y)
        std::memcpy(buffer + static_cast<std::size_t>(y) * tileRowBytes,
                    from + static_cast<std::size_t>(y) * rowStride_, tileRowBytes);
}

}  // namespace Corvane
