#include "encode/tg3/tg3_imageCoder.h"

#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_forwardColour.h"

namespace Corvane {

std::vector<BandPlanes> transformImage(const TG3ImageInfo& info,
                                       const std::vector<std::vector<std::int32_t>>& components,
                                       std::int32_t& status) {
    std::vector<BandPlanes> bands;
    const EdgeRule rule = info.boundary == boundaryPeriodic ? EdgeRule::periodic : EdgeRule::mirror;
    for (const auto& samples : components)
        bands.push_back(forwardTransform53(samples, info.width, info.height, info.levels, rule));
    ColourParameters colour;
    status = buildColourParameters(info.colorTransform, static_cast<std::int32_t>(bands.size()),
                                   info.dynamicRangeMin, info.dynamicRangeMax, colour);
    if (status != 0) return bands;
    for (std::size_t band = 0; band < info.bands.size(); ++band) {
        for (std::size_t c = 0; c < bands.size(); ++c) colour.buffers[c] = bands[c][band].data();
        forwardBandCoefficients(colour, static_cast<std::int32_t>(band), bands[0][band].size());
    }
    return bands;
}

void codeSubblocks(const TG3ImageInfo& info, const std::vector<BandPlanes>& bands,
                   const PlaneCoding& coding, MemoryPlaneset& out) {
    codeSubblocks(info, bands, coding,
                  [&out](std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
                         EncodedPlanes&& planes, const std::vector<std::int32_t>&) {
                      out.add(band, subblock, component, planes);
                  });
}

void codeSubblocks(const TG3ImageInfo& info, const std::vector<BandPlanes>& bands,
                   const PlaneCoding& coding, const SubblockSink& sink) {
    const std::uint32_t size = info.subblockSize;
    for (std::uint32_t band = 0; band < info.bands.size(); ++band) {
        if (band % 4 == 1) continue;  // rebuilt from the coarser level
        const TG3BandInfo& b = info.bands[band];
        for (std::uint32_t row = 0; row < b.rows; ++row) {
            for (std::uint32_t column = 0; column < b.columns; ++column) {
                const std::uint32_t w = info.subblockWidth(band, column);
                const std::uint32_t h = info.subblockHeight(band, row);
                const BitPlaneEncoder encoder(static_cast<int>(band), static_cast<int>(w),
                                              static_cast<int>(h));
                for (std::size_t c = 0; c < bands.size(); ++c) {
                    std::vector<std::int32_t> block(std::size_t{w} * h);
                    for (std::uint32_t y = 0; y < h; ++y)
                        for (std::uint32_t x = 0; x < w; ++x)
                            block[std::size_t{y} * w + x] =
                                bands[c][band]
                                     [std::size_t{row * size + y} * b.width + column * size + x];
                    sink(band, info.subblockIndex(band, row, column), static_cast<std::uint16_t>(c),
                         encoder.encode(block, coding.lastPlane, coding.firstRawPlane), block);
                }
            }
        }
    }
}

}  // namespace Corvane
