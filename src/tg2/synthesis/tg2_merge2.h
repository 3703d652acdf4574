#pragma once
// Two-dimensional 9/7 synthesis of one node of the subband tree from its four
// children: a vertical pass over the low-pass columns ([0][0] with [0][1]), one
// over the high-pass columns ([1][0] with [1][1]), then a horizontal pass that
// joins the two halves over the node's support.
#include <cstdint>

#include "tg2/synthesis/tg2_array2D.h"

namespace Corvane {

class Subband;

// Fills every band of `out` (its area is the part of the node's plane wanted)
// from the children, indexed [column index][row index], of a node whose plane is
// width x height. Throws Exception with the merge2 messages 1:1d to 1:21 when a
// child does not hold what the synthesis of that area reads or when the area
// leaves the plane.
void merge2(const Array2D* const children[2][2], std::uint32_t width, std::uint32_t height,
            Array2D& out);

// Synthesises every band of an inner node from its children's bands.
void merge2(Subband& node);

// Runs merge2 from the deepest inner node of the tree up to the root, so that the
// root's bands hold the samples of its support.
void synthesise(Subband& root);

}  // namespace Corvane
