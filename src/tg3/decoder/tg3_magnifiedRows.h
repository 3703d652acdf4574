#pragma once
// The magnified levels of a TG3 image. The wavelet engine only reduces, so level -m
// is served from level 0: every sample repeated 2^m times across and 2^m times down.
// Rows are widened one at a time as the scene decoder hands out level-0 rows, so a
// request costs one level-0 row and one magnified row of memory whatever its height.
//
// A level-0 row can cover the last output rows of one strip and the first of the
// next. The last row handed out is kept from request to request: a request that
// continues the previous one downwards starts the scene decoder on the row after it,
// which lets the scene decoder carry its engine on instead of decoding from the top.
#include <cstdint>
#include <functional>
#include <vector>

#include "image/cv_scene.h"
#include "support/cv_region.h"
#include "tg3/decoder/tg3_sceneDecoder.h"

namespace Corvane {

class TG3MagnifiedRows {
  public:
    // Receives one magnified row (the request's width, in the scene decoder's sample
    // layout) for output row `y`.
    using RowWriter = std::function<void(const std::uint8_t* row, std::int32_t y)>;

    TG3MagnifiedRows(TG3SceneDecoder& levelZero, std::size_t pixelBytes);

    // Whether level -magnification of a `width` x `height` image still has 32-bit
    // signed pixel coordinates.
    static bool fits(std::uint32_t width, std::uint32_t height, std::int32_t magnification);

    // Starts a request: `wanted` is in pixels of level -magnification and lies on the
    // image. A status.
    std::int32_t start(const Scene& wanted, std::int32_t magnification);
    // Hands rows `first` to `last` of the request to `write`, top to bottom. Calls of
    // one request must ask for the rows in order. A status.
    std::int32_t rows(std::int32_t first, std::int32_t last, const RowWriter& write);
    // Ends the request's scene in the scene decoder. A status.
    std::int32_t finish();

  private:
    // Makes level-0 row `row` the kept row, decoding it when it is not already.
    std::int32_t fetch(std::int64_t row);
    void widenKeptRow();

    TG3SceneDecoder& levelZero_;
    std::size_t pixelBytes_;
    std::int32_t magnification_ = 0;
    Scene wanted_;
    Region source_;  // the level-0 pixels under the request
    bool sceneStarted_ = false;

    std::vector<std::uint8_t> kept_;  // level-0 row keptRow_, columns keptColumns_
    std::int64_t keptRow_ = -1;       // -1: no row kept
    Region keptColumns_;
    std::vector<std::uint8_t> widened_;  // the kept row, magnified to the request
    std::int64_t widenedRow_ = -1;
};

}  // namespace Corvane
