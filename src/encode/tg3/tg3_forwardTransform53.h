#pragma once
// The forward 2-D 5-3 transform over all levels: the exact inverse of the
// decoder's line-based transform. Each level lifts every row first and then
// every column, the reverse of the decoder's vertical-then-horizontal order.
#include <cstdint>
#include <vector>

#include "tg3/engine/tg3_lifting53.h"

namespace Corvane {

// One component's bands in the numbering of the band table: 4 L + 1 planes,
// row-major, each of its band's width and height. Band 0 is the coarsest
// low-pass band; each band 4j - 3 holds the low-pass band that level j splits
// further (band 1 equals band 0).
using BandPlanes = std::vector<std::vector<std::int32_t>>;

BandPlanes forwardTransform53(const std::vector<std::int32_t>& samples, std::uint32_t width,
                              std::uint32_t height, int levels, EdgeRule rule = EdgeRule::mirror);

}  // namespace Corvane
