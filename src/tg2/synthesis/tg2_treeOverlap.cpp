#include "tg2/synthesis/tg2_treeOverlap.h"

#include <algorithm>

#include "support/cv_exception.h"
#include "tg2/synthesis/tg2_subband.h"

namespace Corvane {

namespace {

// The first sample of `row` from `column` on, inside the array's area.
const float* samplesAt(const Array2D& array, std::int64_t column, std::int64_t row) {
    return array.band(0) + (row - array.firstRow()) * array.width() +
           (column - array.firstColumn());
}

float* samplesAt(Array2D& array, std::int64_t column, std::int64_t row) {
    return array.band(0) + (row - array.firstRow()) * array.width() +
           (column - array.firstColumn());
}

}  // namespace

Support supportIntersection(const Support& a, const Support& b) {
    return Support{std::max(a.firstColumn, b.firstColumn), std::max(a.firstRow, b.firstRow),
                   std::min(a.lastColumn, b.lastColumn), std::min(a.lastRow, b.lastRow)};
}

std::vector<Support> supportDifference(const Support& whole, const Support& covered) {
    std::vector<Support> parts;
    if (whole.empty()) return parts;
    const Support common = supportIntersection(whole, covered);
    if (common.empty()) {
        parts.push_back(whole);
        return parts;
    }
    if (common.firstRow > whole.firstRow)
        parts.push_back({whole.firstColumn, whole.firstRow, whole.lastColumn, common.firstRow - 1});
    if (common.lastRow < whole.lastRow)
        parts.push_back({whole.firstColumn, common.lastRow + 1, whole.lastColumn, whole.lastRow});
    if (common.firstColumn > whole.firstColumn)
        parts.push_back(
            {whole.firstColumn, common.firstRow, common.firstColumn - 1, common.lastRow});
    if (common.lastColumn < whole.lastColumn)
        parts.push_back({common.lastColumn + 1, common.firstRow, whole.lastColumn, common.lastRow});
    return parts;
}

TG2OverlapTree intersectTrees(Subband& current, Subband& next) {
    const std::vector<Subband*> from = current.leaves();
    const std::vector<Subband*> to = next.leaves();
    if (from.size() != to.size() || current.level() != next.level())
        throw InvalidArgumentException("trees of different shapes");
    TG2OverlapTree overlap(from.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
        TG2LeafPiece& piece = overlap[i];
        piece.area = supportIntersection(from[i]->support(), to[i]->support());
        if (piece.area.empty()) continue;
        for (std::uint32_t b = 0; b < current.bandCount(); ++b) {
            const Array2D& source = from[i]->band(b);
            Array2D kept(piece.area);
            for (std::int64_t r = piece.area.firstRow; r <= piece.area.lastRow; ++r)
                std::copy_n(samplesAt(source, piece.area.firstColumn, r), piece.area.width(),
                            samplesAt(kept, piece.area.firstColumn, r));
            piece.bands.push_back(std::move(kept));
        }
    }
    return overlap;
}

void copyOverlap(const TG2OverlapTree& overlap, Subband& tree) {
    const std::vector<Subband*> leaves = tree.leaves();
    if (leaves.size() != overlap.size())
        throw InvalidArgumentException("trees of different shapes");
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        const TG2LeafPiece& piece = overlap[i];
        if (piece.area.empty()) continue;
        const Support inside = supportIntersection(piece.area, leaves[i]->support());
        if (inside.empty()) continue;
        for (std::uint32_t b = 0; b < piece.bands.size() && b < tree.bandCount(); ++b) {
            Array2D& target = leaves[i]->band(b);
            for (std::int64_t r = inside.firstRow; r <= inside.lastRow; ++r)
                std::copy_n(samplesAt(piece.bands[b], inside.firstColumn, r), inside.width(),
                            samplesAt(target, inside.firstColumn, r));
        }
    }
}

}  // namespace Corvane
