#pragma once
// Mosaic files for the tests, and what a mosaic must decode to by the placement rule:
// each image decoded alone at the level, put at floor(offset / 2^level) on a blank
// canvas, later images over earlier ones; at a magnified level -m at offset * 2^m.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "pixel/cv_pixelLayout.h"

namespace tovex_test {

struct MosaicPart {
    TestImage image;
    std::int32_t x = 0, y = 0;  // offset of its upper-left pixel; unused without geo data
    bool tg2 = false;
    bool geo = true;
    std::uint32_t number = 0;
};

// The mosaic file, the parts in file order. Descriptions run downwards with unit steps
// (a part without geo data then lies at (0, 0)), or north up when asked.
std::vector<std::uint8_t> makeMosaic(const std::vector<MosaicPart>& parts, bool northUp = false);

// The mosaic at `level` as the rule builds it, interleaved samples of `layout` (with
// the same bands as the parts), `uncovered` where no part lies; width and height set.
std::vector<std::int32_t> placedAlone(const std::vector<MosaicPart>& parts, std::int32_t level,
                                      const Corvane::PixelLayout& layout, const TempDir& dir,
                                      std::int32_t& width, std::int32_t& height,
                                      std::int32_t uncovered = 0);

}  // namespace tovex_test
