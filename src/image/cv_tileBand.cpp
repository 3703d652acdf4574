#include "image/cv_tileBand.h"

#include <cstring>

#include "image/cv_imageStage.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"

namespace Corvane {

TileBand::TileBand() = default;
TileBand::~TileBand() = default;

void TileBand::drop() {
    row_ = -1;
    navigator_.reset();
    std::vector<std::uint8_t>().swap(samples_);
}

void TileBand::setGrid(std::int32_t level, std::uint32_t tilesAcross) {
    if (level == level_ && tilesAcross == tilesAcross_) return;
    drop();
    level_ = level;
    tilesAcross_ = tilesAcross;
}

void TileBand::decodeRow(ImageStage& image, const PixelLayout& layout, std::uint32_t row) {
    const std::int64_t width = std::int64_t{tilesAcross_} * kTileSize;
    const std::int64_t top = std::int64_t{row} * kTileSize;
    const bool continues = follows(row) && navigator_;
    row_ = -1;
    try {
        // A row that does not follow the previous one gets a fresh decoder, so no
        // state of another place of the level is carried into it.
        if (!continues) {
            navigator_ = std::make_unique<TovexNavigator>(
                image, level_,
                Scene(0, static_cast<std::int32_t>(top), 0, static_cast<std::int32_t>(width - 1),
                      static_cast<std::int32_t>(top + kTileSize - 1), 0));
        }
        PixelBuffer buffer(layout);
        pixelBytes_ = std::size_t{layout.samplesPerPixel()} * layout.bytesPerSample();
        // Borrowed memory filled as the host's tile buffer is, so that samples no
        // decoder writes (the extra fourth one) keep the same fill value.
        buffer.setScene(Scene(0, 0, 0, static_cast<std::int32_t>(width - 1), kTileSize - 1, 0));
        rowStride_ = buffer.rowStride();
        samples_.assign(rowStride_ * kTileSize, 255);
        PixelBuffer target(layout, samples_.data(), samples_.size());
        target.setBackground(image.backgroundPixel());
        navigator_->decodeAt(0, static_cast<std::int32_t>(top), static_cast<std::int32_t>(width),
                             kTileSize, target);
    } catch (...) {
        drop();
        throw;
    }
    row_ = row;
}

void TileBand::copyTile(std::uint32_t column, std::uint8_t* buffer) const {
    const std::size_t tileRowBytes = pixelBytes_ * kTileSize;
    const std::uint8_t* from = samples_.data() + std::size_t{column} * tileRowBytes;
    for (std::int32_t y = 0; y < kTileSize; ++y)
        std::memcpy(buffer + static_cast<std::size_t>(y) * tileRowBytes,
                    from + static_cast<std::size_t>(y) * rowStride_, tileRowBytes);
}

}  // namespace Corvane
