#include "tvx_gdalLevelReader.h"

#include <algorithm>

#include "image/cv_imageStage.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"
#include "support/cv_allocationLimit.h"

namespace tvxgdal {

namespace {

constexpr std::int64_t kTile = Corvane::TileBand::kTileSize;
// A strip holds about this many pixels, unless one row is wider.
constexpr std::int64_t kStripPixels = std::int64_t{1} << 20;

Corvane::Scene sceneOf(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
    return Corvane::Scene(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0,
                          static_cast<std::int32_t>(x + width - 1),
                          static_cast<std::int32_t>(y + height - 1), 0);
}

}  // namespace

LevelReader::LevelReader(Corvane::ImageStage& image, const Corvane::PixelLayout& layout,
                         GDALDataType dataType, std::int32_t level, std::int64_t levelWidth)
    : image_(image), layout_(layout), dataType_(dataType), level_(level), levelWidth_(levelWidth) {
    tileRows_.setGrid(level, static_cast<std::uint32_t>((levelWidth + kTile - 1) / kTile));
}

void LevelReader::read(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                       const BufferTarget& target) {
    if (width <= 0 || height <= 0 || target.width <= 0 || target.height <= 0) return;
    if (readFromTileRow(x, y, width, height, target)) return;
    readInStrips(x, y, width, height, target);
}

bool LevelReader::readFromTileRow(std::int64_t x, std::int64_t y, std::int64_t width,
                                  std::int64_t height, const BufferTarget& target) {
    // A window within one tile, as GDAL's block-by-block readers ask.
    const std::int64_t row = y / kTile;
    const std::int64_t column = x / kTile;
    if ((y + height - 1) / kTile != row || (x + width - 1) / kTile != column) return false;
    const Corvane::TileBand* band = tileRows_.bandFor(
        image_, layout_, static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(row));
    if (!band) return false;
    const DecodedRows rows{band->samples(), band->rowStride(), band->firstColumn() * kTile,
                           band->firstRow() * kTile, band->tileRows() * kTile};
    copyIntoBuffer(rows, band->pixelBytes(), dataType_, x, y, width, height, target);
    return true;
}

void LevelReader::readInStrips(std::int64_t x, std::int64_t y, std::int64_t width,
                               std::int64_t height, const BufferTarget& target) {
    const std::size_t pixelBytes =
        std::size_t{layout_.samplesPerPixel()} * layout_.bytesPerSample();
    Corvane::requireAllocation(static_cast<std::uint64_t>(width), pixelBytes);
    const std::int64_t stripRows = std::clamp<std::int64_t>(kStripPixels / width, 1, 256);
    std::unique_ptr<Corvane::TovexNavigator> navigator;
    // Strips start at the next buffer row's source row, so rows that no buffer row
    // samples (a buffer much lower than the window) are skipped, not decoded.
    std::int64_t decodedEnd = y;
    for (std::int64_t j = 0; j < target.height; ++j) {
        const std::int64_t row = sourceOf(j, y, height, target.height);
        if (row < decodedEnd) continue;
        const std::int64_t rows = std::min(stripRows, y + height - row);
        const Corvane::Scene scene = sceneOf(x, row, width, rows);
        if (!navigator)
            navigator = std::make_unique<Corvane::TovexNavigator>(image_, level_, scene);
        Corvane::PixelBuffer buffer(layout_);
        buffer.setBackground(image_.backgroundPixel());
        navigator->decodeAt(scene.x0, scene.y0, static_cast<std::int32_t>(width),
                            static_cast<std::int32_t>(rows), buffer);
        const DecodedRows decoded{buffer.memory(), buffer.rowStride(), x, row, rows};
        copyIntoBuffer(decoded, buffer.pixelBytes(), dataType_, x, y, width, height, target);
        decodedEnd = row + rows;
    }
}

}  // namespace tvxgdal
