#pragma once
// Serves the 128 x 128 tiles of one level to a caller that asks for them one at a
// time, as hosts do: in practice row by row, left to right, or a few neighbouring
// tiles around the place a viewer shows. A tile on its own is decoded alone,
// unless it starts a row. Tiles read along a row come from bands (a decoded row of a run of tiles,
// whose decoder carries on into the next row), whose width follows the reading:
// - the second tile of a run gets a narrow band of kNarrowColumns tiles from the
//   run's first one: a viewer's group of neighbours then costs about one band and
//   its continuation downwards, since the tiles of a group share coarse sub-blocks
//   and filter support that a lone tile decodes for itself alone;
// - a run longer than a narrow band gets a wide band of kWideColumns tiles and
//   kWideRows rows of tiles from the run's first one, in the place of the narrow
//   band, so that a level read row by row costs about one strip decode of the level.
// Memory is bounded by kMostColumns tile columns of bands, whatever the level's
// width; the band used longest ago gives way.
#include <cstdint>
#include <memory>
#include <vector>

#include "image/cv_tileBand.h"
#include "pixel/cv_pixelLayout.h"

namespace Corvane {

class ImageStage;

class TileRows {
  public:
    // Chosen by measurement on an 8192 x 8192 lossless colour image: a band of four
    // tiles costs a third more than one tile alone, while bands of 4, 8 and 16 tiles
    // read a whole level 52 %, 25 % and 10 % slower than bands as wide as the level.
    static constexpr std::uint32_t kNarrowColumns = 4;
    static constexpr std::uint32_t kWideColumns = 64;
    static constexpr std::uint32_t kMostColumns = 256;
    // Four rows of tiles to a wide band: each request decodes again the sub-blocks
    // that straddle its top and bottom, which cost TG2 files a quarter more with one
    // row of tiles to a request (TG3 files measured the same either way). Narrow
    // bands keep one row, so that a small group decodes little below itself.
    static constexpr std::uint32_t kWideRows = 4;

    // `fill`: the value of samples that nothing writes (see TileBand).
    explicit TileRows(std::uint8_t fill);
    ~TileRows();
    TileRows(const TileRows&) = delete;
    TileRows& operator=(const TileRows&) = delete;

    // The level whose tiles are served and its width in tiles; a different grid
    // forgets every band.
    void setGrid(std::int32_t level, std::uint32_t tilesAcross);
    // Forgets every band and the reading seen so far.
    void drop();

    // The band that holds tile (column, row), decoded if need be. Null for a tile
    // better decoded alone, and when the band fails to decode (the tile's own
    // decode then reports what is wrong).
    const TileBand* bandFor(ImageStage& image, const PixelLayout& layout, std::uint32_t column,
                            std::uint32_t row);

  private:
    struct Kept {
        std::unique_ptr<TileBand> band;
        std::uint64_t lastUse = 0;
    };
    // A band over the column that holds the row or can go on into it.
    Kept* find(std::uint32_t column, std::uint32_t row);
    // A new band, after the ones used longest ago have given way to it.
    Kept& add(std::uint32_t firstColumn, std::uint32_t columns, std::uint32_t tileRows);

    std::uint8_t fill_;
    std::int32_t level_ = 0;
    std::uint32_t tilesAcross_ = 0;
    std::vector<Kept> bands_;
    std::uint64_t uses_ = 0;
    std::int64_t lastColumn_ = -1;
    std::int64_t lastRow_ = -1;
    // Tiles read left to right along the current row, the last one included.
    std::uint32_t run_ = 0;
};

}  // namespace Corvane
