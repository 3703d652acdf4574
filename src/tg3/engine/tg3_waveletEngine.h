#pragma once
// The inverse 5-3 transform over all levels of an image for one column range:
// a chain of line-based levels from the coarsest to the finest, or, for an
// image without levels, band 0 read as it is.
#include <cstdint>
#include <memory>
#include <vector>

#include "tg3/engine/tg3_bandRowSource.h"
#include "tg3/engine/tg3_inverseLevel.h"

namespace Corvane {

class WaveletEngine {
  public:
    // Status 2009 in `status` when the geometry cannot be decoded: an empty
    // image, no components, or columns x0..x1 outside the image. `width` and
    // `height` are those of the decoded level, which may be as small as 1 x 1
    // when a reduced level is decoded. `rule` extends every level's lines and
    // columns past the image's edges.
    WaveletEngine(int levels, std::uint32_t width, std::uint32_t height, std::int32_t x0,
                  std::int32_t x1, int components, BandRowSource& source, std::int32_t& status,
                  EdgeRule rule = EdgeRule::mirror);

    // Image row y (rows in increasing order), columns x0..x1, one pointer per
    // component. Returns 0 or a band source status.
    std::int32_t produceRow(std::uint32_t y, const std::int32_t** out);

    const std::vector<LevelColumns>& regions() const { return regions_; }

  private:
    std::int32_t x0_;
    std::int32_t x1_;
    int components_;
    BandRowSource& source_;
    std::vector<LevelColumns> regions_;
    std::vector<std::unique_ptr<InverseLevel>> levels_;  // coarsest first
    std::vector<std::int32_t*> bandRows_;
};

}  // namespace Corvane
