#include "image/cv_tileRows.h"

#include <algorithm>

#include "support/cv_exception.h"

namespace Corvane {

TileRows::TileRows(std::uint8_t fill) : fill_(fill) {}
TileRows::~TileRows() = default;

void TileRows::setGrid(std::int32_t level, std::uint32_t tilesAcross) {
    if (level == level_ && tilesAcross == tilesAcross_) return;
    drop();
    level_ = level;
    tilesAcross_ = tilesAcross;
}

void TileRows::drop() {
    bands_.clear();
    lastColumn_ = lastRow_ = -1;
    run_ = 0;
}

TileRows::Kept* TileRows::find(std::uint32_t column, std::uint32_t row) {
    Kept* following = nullptr;
    for (Kept& kept : bands_) {
        const TileBand& band = *kept.band;
        if (column < band.firstColumn() || column - band.firstColumn() >= band.columns()) continue;
        if (band.holds(row)) return &kept;
        if (band.follows(row)) following = &kept;
    }
    return following;
}

TileRows::Kept& TileRows::add(std::uint32_t firstColumn, std::uint32_t columns,
                              std::uint32_t tileRows) {
    columns = std::min(columns, tilesAcross_ - firstColumn);
    // Bands within the new one would only be decoded again beside it.
    std::erase_if(bands_, [&](const Kept& kept) {
        return kept.band->firstColumn() >= firstColumn &&
               kept.band->firstColumn() + kept.band->columns() <= firstColumn + columns;
    });
    const auto keptColumns = [&] {
        std::uint64_t total = 0;
        for (const Kept& kept : bands_) total += kept.band->columns();
        return total;
    };
    while (!bands_.empty() && keptColumns() + columns > kMostColumns)
        bands_.erase(
            std::min_element(bands_.begin(), bands_.end(),
                             [](const Kept& a, const Kept& b) { return a.lastUse < b.lastUse; }));
    bands_.push_back(
        {std::make_unique<TileBand>(level_, firstColumn, columns, tileRows, fill_), 0});
    return bands_.back();
}

const TileBand* TileRows::bandFor(ImageStage& image, const PixelLayout& layout,
                                  std::uint32_t column, std::uint32_t row) {
    const bool alongRow = lastRow_ == std::int64_t{row} && lastColumn_ + 1 == std::int64_t{column};
    run_ = alongRow ? run_ + 1 : 1;
    lastColumn_ = column;
    lastRow_ = row;
    if (column >= tilesAcross_) return nullptr;
    Kept* kept = find(column, row);
    if (!kept) {
        // A tile on its own costs least decoded alone. A second one along the row
        // says the caller reads a group of neighbours, from the run's first tile on;
        // past a narrow band's width, it reads rows. A row's first tile starts a
        // run at once, since that is where hosts start reading rows.
        // A wide band starts where the run did when it takes over from the narrow
        // one, and at the tile itself when the run goes on past a wide band.
        if (!alongRow && column != 0) return nullptr;
        if (run_ <= kNarrowColumns)
            kept = &add(column - (run_ - 1), kNarrowColumns, 1);
        else
            kept = &add(run_ == kNarrowColumns + 1 ? column - kNarrowColumns : column, kWideColumns,
                        kWideRows);
    }
    kept->lastUse = ++uses_;
    if (kept->band->holds(row)) return kept->band.get();
    try {
        kept->band->decodeRow(image, layout, row);
    } catch (const Exception&) {
        return nullptr;
    }
    return kept->band.get();
}

}  // namespace Corvane
