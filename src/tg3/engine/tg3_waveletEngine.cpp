#include "tg3/engine/tg3_waveletEngine.h"

#include "support/cv_allocationLimit.h"
#include "support/cv_status.h"

namespace Corvane {

WaveletEngine::WaveletEngine(int levels, std::uint32_t width, std::uint32_t height, std::int32_t x0,
                             std::int32_t x1, int components, BandRowSource& source,
                             std::int32_t& status, EdgeRule rule)
    : x0_(x0), x1_(x1), components_(components), source_(source) {
    status = TG3Status::notFound;
    if (levels < 0 || levels > 31 || width < 1 || height < 1 || components < 1) return;
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return;
    if (x0 < 0 || x0 > x1 || static_cast<std::uint32_t>(x1) >= width) return;
    // Each level holds a few lines of the region (with its filter margins) per component.
    // A periodic region that meets an edge holds whole lines.
    const std::uint64_t columns = rule == EdgeRule::periodic ? std::uint64_t{width}
                                                             : static_cast<std::uint64_t>(x1) -
                                                                   static_cast<std::uint64_t>(x0);
    const std::uint64_t lineWords = (columns + 16) * static_cast<std::uint64_t>(components);
    if (!allocationFits(lineWords, 4)) {
        status = TG3Status::outOfMemory;
        return;
    }

    bandRows_.assign(static_cast<std::size_t>(components), nullptr);
    regions_ = buildLevelColumnTable(x0, x1, static_cast<std::int32_t>(width), levels, rule);
    // Level heights, finest first: each coarser level has half the rows,
    // the odd one going to the low-pass side.
    std::vector<std::uint32_t> heights(static_cast<std::size_t>(levels) + 1, height);
    for (std::size_t i = 1; i < heights.size(); ++i) heights[i] = (heights[i - 1] + 1) / 2;

    InverseLevel* coarser = nullptr;
    for (int j = 1; j <= levels; ++j) {
        const auto finestIndex = static_cast<std::size_t>(levels - j);
        levels_.push_back(std::make_unique<InverseLevel>(
            j, regions_[finestIndex], heights[finestIndex], components, source_, coarser, rule));
        coarser = levels_.back().get();
    }
    status = TG3Status::ok;
}

std::int32_t WaveletEngine::produceRow(std::uint32_t y, const std::int32_t** out) {
    if (!levels_.empty()) return levels_.back()->produceRow(y, out);
    const std::int32_t status = source_.bandRow(0, y, static_cast<std::uint32_t>(x0_),
                                                static_cast<std::uint32_t>(x1_), bandRows_.data());
    if (status != 0) return status;
    for (int comp = 0; comp < components_; ++comp)
        out[comp] = bandRows_[static_cast<std::size_t>(comp)];
    return 0;
}

}  // namespace Corvane
