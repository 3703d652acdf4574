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

std::vector<Region> supportDifference(const Region& whole, const Region& covered) {
    std::vector<Region> parts;
    if (whole.empty()) return parts;
    const Region common = whole.intersection(covered);
    if (common.empty()) {
        parts.push_back(whole);
        return parts;
    }
    if (common.y0 > whole.y0) parts.push_back({whole.x0, whole.y0, whole.x1, common.y0 - 1});
    if (common.y1 < whole.y1) parts.push_back({whole.x0, common.y1 + 1, whole.x1, whole.y1});
    if (common.x0 > whole.x0) parts.push_back({whole.x0, common.y0, common.x0 - 1, common.y1});
    if (common.x1 < whole.x1) parts.push_back({common.x1 + 1, common.y0, whole.x1, common.y1});
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
        piece.area = from[i]->support().intersection(to[i]->support());
        if (piece.area.empty()) continue;
        for (std::uint32_t b = 0; b < current.bandCount(); ++b) {
            const Array2D& source = from[i]->band(b);
            Array2D kept(piece.area);
            for (std::int64_t r = piece.area.y0; r <= piece.area.y1; ++r)
                std::copy_n(samplesAt(source, piece.area.x0, r), piece.area.width(),
                            samplesAt(kept, piece.area.x0, r));
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
        const Region inside = piece.area.intersection(leaves[i]->support());
        if (inside.empty()) continue;
        for (std::uint32_t b = 0; b < piece.bands.size() && b < tree.bandCount(); ++b) {
            Array2D& target = leaves[i]->band(b);
            for (std::int64_t r = inside.y0; r <= inside.y1; ++r)
                std::copy_n(samplesAt(piece.bands[b], inside.x0, r), inside.width(),
                            samplesAt(target, inside.x0, r));
        }
    }
}

}  // namespace Corvane
