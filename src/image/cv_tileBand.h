#pragma once
// The tile rows of one level that a caller is reading. Hosts read a level tile by
// tile, row after row; decoding each tile as its own scene decodes again, for every
// tile, what its neighbours and every coarser band share. A band instead decodes one
// whole row of tiles at the level's width into memory of its own, with a navigator
// of its own, so that the decoder carries its state from one row of tiles down to the
// next as a strip decode does. Memory is one row of tiles of the level plus the
// decoder's state for that width; the samples are those of the single-tile decode,
// since the same decoder fills the same pixels with the same background.
#include <cstdint>
#include <memory>
#include <vector>

#include "pixel/cv_pixelLayout.h"

namespace Corvane {

class ImageStage;
class TovexNavigator;

class TileBand {
  public:
    static constexpr std::int32_t kTileSize = 128;

    TileBand();
    ~TileBand();
    TileBand(const TileBand&) = delete;
    TileBand& operator=(const TileBand&) = delete;

    // Forgets the kept row and the decoder state; the next row starts afresh.
    void drop();
    // The level's grid whose rows are decoded; a different grid drops what is kept.
    void setGrid(std::int32_t level, std::uint32_t tilesAcross);

    bool holds(std::uint32_t row) const { return row_ == std::int64_t{row}; }
    // True when decoding this row continues the decoder's previous row downwards.
    bool follows(std::uint32_t row) const { return row_ >= 0 && std::int64_t{row} == row_ + 1; }

    // Decodes tile row `row` of the level; on failure nothing is kept and the
    // exception passes on.
    void decodeRow(ImageStage& image, const PixelLayout& layout, std::uint32_t row);
    // Copies tile `column` of the kept row into a host tile buffer of the same layout.
    void copyTile(std::uint32_t column, std::uint8_t* buffer) const;
    // The kept row itself: kTileSize rows of rowStride() bytes, pixel (x, y) of the
    // row at y * rowStride() + x * pixelBytes().
    const std::uint8_t* samples() const { return samples_.data(); }
    std::size_t rowStride() const { return rowStride_; }
    std::size_t pixelBytes() const { return pixelBytes_; }

  private:
    std::int32_t level_ = 0;
    std::uint32_t tilesAcross_ = 0;
    std::int64_t row_ = -1;
    std::size_t pixelBytes_ = 0;
    std::size_t rowStride_ = 0;
    std::vector<std::uint8_t> samples_;
    std::unique_ptr<TovexNavigator> navigator_;
};

}  // namespace Corvane
