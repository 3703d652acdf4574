#pragma once
// One or a few rows of 128 x 128 tiles of a level, over a run of tile columns,
// decoded into memory of its own by a navigator of its own. Decoding each tile as its
// own scene decodes again, for every tile, what its neighbours and every coarser band
// share; a band decodes the whole run at once, and when the rows below the same
// columns are asked for, its decoder carries its state down as a strip decode does.
// Memory is the kept rows plus the decoder's state for the run's width; the samples
// are those of the single-tile decode, since the same decoder fills the same pixels
// with the same background.
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

    // Tile columns [firstColumn, firstColumn + columns) of the level, `tileRows` rows
    // of tiles at a time. Samples that nothing writes (outside the image without a
    // background, an extra sample slot) keep `fill`, as the caller's own tile memory
    // would.
    TileBand(std::int32_t level, std::uint32_t firstColumn, std::uint32_t columns,
             std::uint32_t tileRows, std::uint8_t fill);
    ~TileBand();
    TileBand(const TileBand&) = delete;
    TileBand& operator=(const TileBand&) = delete;

    std::uint32_t firstColumn() const { return firstColumn_; }
    std::uint32_t columns() const { return columns_; }
    // The first tile row kept; meaningful while a row is kept.
    std::uint32_t firstRow() const { return static_cast<std::uint32_t>(row_); }
    std::uint32_t tileRows() const { return tileRows_; }
    bool holds(std::uint32_t row) const {
        return row_ >= 0 && std::int64_t{row} >= row_ && std::int64_t{row} < row_ + tileRows_;
    }
    // True when decoding from this row continues the decoder's rows downwards.
    bool follows(std::uint32_t row) const {
        return row_ >= 0 && std::int64_t{row} == row_ + tileRows_;
    }

    // Decodes tileRows() rows of tiles from tile row `row` over the band's columns; on
    // failure nothing is kept and the exception passes on.
    void decodeRow(ImageStage& image, const PixelLayout& layout, std::uint32_t row);
    // Copies tile (column, row), which the band holds, into a host tile buffer of the
    // same layout.
    void copyTile(std::uint32_t column, std::uint32_t row, std::uint8_t* buffer) const;
    // The kept rows themselves: tileRows() * kTileSize rows of rowStride() bytes, level
    // pixel (firstColumn() * kTileSize + x, firstRow() * kTileSize + y) at
    // y * rowStride() + x * pixelBytes().
    const std::uint8_t* samples() const { return samples_.data(); }
    std::size_t rowStride() const { return rowStride_; }
    std::size_t pixelBytes() const { return pixelBytes_; }

  private:
    void forget();

    std::int32_t level_;
    std::uint32_t firstColumn_;
    std::uint32_t columns_;
    std::uint32_t tileRows_;
    std::uint8_t fill_;
    std::int64_t row_ = -1;
    std::size_t pixelBytes_ = 0;
    std::size_t rowStride_ = 0;
    std::vector<std::uint8_t> samples_;
    std::unique_ptr<TovexNavigator> navigator_;
};

}  // namespace Corvane
