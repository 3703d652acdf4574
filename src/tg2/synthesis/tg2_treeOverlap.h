#pragma once
// What two subband trees of consecutive strips share. The coefficients of the
// current tree's leaves that the next tree also needs are set aside before the
// current tree is released; the next tree then decodes only the parts of its
// leaves outside them (the difference) and takes the rest from the overlap.
#include <cstdint>
#include <vector>

#include "support/cv_region.h"
#include "tg2/synthesis/tg2_array2D.h"

namespace Corvane {

class Subband;

// The kept coefficients of one leaf: one array per band over `area`.
struct TG2LeafPiece {
    Region area;
    std::vector<Array2D> bands;
};

// One piece per leaf, in leaf-number order.
using TG2OverlapTree = std::vector<TG2LeafPiece>;

// The parts of `whole` outside `covered`, as at most four disjoint rectangles: the
// rows above and below the covered rows, then the columns left and right of it.
std::vector<Region> supportDifference(const Region& whole, const Region& covered);

// Copies out of every leaf of `current` the part that the same leaf of `next`
// covers. Both trees must be of the same level and image.
TG2OverlapTree intersectTrees(Subband& current, Subband& next);

// Writes the pieces into the leaves of a tree of the same shape.
void copyOverlap(const TG2OverlapTree& overlap, Subband& tree);

}  // namespace Corvane
