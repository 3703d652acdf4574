#include "encode/tg3/tg3_forwardTransform53.h"

#include "encode/tg3/tg3_forwardLifting53.h"

namespace Corvane {

BandPlanes forwardTransform53(const std::vector<std::int32_t>& samples, std::uint32_t width,
                              std::uint32_t height, int levels, EdgeRule rule) {
    BandPlanes bands(4 * static_cast<std::size_t>(levels) + 1);
    std::vector<std::int32_t> current = samples;
    std::size_t w = width;
    std::size_t h = height;
    for (int j = levels; j >= 1; --j) {
        for (std::size_t y = 0; y < h; ++y) forwardLift53(current.data() + y * w, w, 1, rule);
        for (std::size_t x = 0; x < w; ++x)
            forwardLift53(current.data() + x, h, static_cast<std::ptrdiff_t>(w), rule);

        // Even rows and columns are low-pass: split the interleaved grid.
        const std::size_t lowW = (w + 1) / 2, highW = w / 2;
        const std::size_t lowH = (h + 1) / 2, highH = h / 2;
        auto& ll = bands[4 * static_cast<std::size_t>(j) - 3];
        auto& hl = bands[4 * static_cast<std::size_t>(j) - 2];
        auto& lh = bands[4 * static_cast<std::size_t>(j) - 1];
        auto& hh = bands[4 * static_cast<std::size_t>(j)];
        ll.assign(lowW * lowH, 0);
        hl.assign(highW * lowH, 0);
        lh.assign(lowW * highH, 0);
        hh.assign(highW * highH, 0);
        for (std::size_t y = 0; y < h; ++y) {
            for (std::size_t x = 0; x < w; ++x) {
                const std::int32_t v = current[y * w + x];
                const std::size_t bx = x / 2, by = y / 2;
                if (y % 2 == 0)
                    (x % 2 == 0 ? ll[by * lowW + bx] : hl[by * highW + bx]) = v;
                else
                    (x % 2 == 0 ? lh[by * lowW + bx] : hh[by * highW + bx]) = v;
            }
        }
        current = ll;
        w = lowW;
        h = lowH;
    }
    bands[0] = current;
    return bands;
}

}  // namespace Corvane
