#include "encode/tg3/tg3_qualityMeter.h"

#include <algorithm>
#include <cmath>

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/engine/tg3_bandCache.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_filePlaneStoreClient.h"

namespace Corvane {

namespace {

constexpr std::int32_t kRowsPerRequest = 64;

}  // namespace

double peakSignalToNoise(const RasterImage& source, const RasterImage& decoded,
                         std::int32_t rangeMin, std::int32_t rangeMax) {
    double squared = 0;
    std::size_t count = 0;
    for (std::size_t c = 0; c < source.components.size(); ++c) {
        const auto& a = source.components[c];
        const auto& b = decoded.components[c];
        for (std::size_t i = 0; i < a.size(); ++i) {
            const double d = double(a[i]) - double(b[i]);
            squared += d * d;
        }
        count += a.size();
    }
    if (squared == 0) return std::numeric_limits<double>::infinity();
    const double peak = double(rangeMax) - double(rangeMin);
    return 10.0 * std::log10(peak * peak * double(count) / squared);
}

RasterImage decodePlanes(const TG3ImageInfo& info, const MemoryPlaneset& planes) {
    MemoryKernelStream stream(planes.bytes());
    tg3_filePlaneStoreClient store(info, planes.index(), stream, 0, info.hasMSEs != 0);
    TG3BandCache bands(info, store);
    const Region region = Region::fromOrigin(0, 0, info.width, info.height);
    DecodeBase decoder(info, bands, region, info.levels, info.width, info.height, info.components,
                       kRowsPerRequest);
    checkStatus(decoder.status());
    checkStatus(decoder.initialise());

    RasterImage image;
    image.width = info.width;
    image.height = info.height;
    image.bitsPerSample = decoder.bytesPerSample() == 1 ? 8 : 16;
    const std::size_t components = info.components;
    image.components.assign(components,
                            std::vector<std::int32_t>(std::size_t{info.width} * info.height));
    const std::size_t rowSamples = std::size_t{info.width} * components;
    for (std::int32_t y = 0; y <= region.y1; y += kRowsPerRequest) {
        const std::int32_t last =
            static_cast<std::int32_t>(std::min<std::int64_t>(y + kRowsPerRequest - 1, region.y1));
        const void* rows = nullptr;
        checkStatus(decoder.readRows(y, last, rows));
        const std::size_t count = rowSamples * static_cast<std::size_t>(last - y + 1);
        const std::size_t base = std::size_t{info.width} * static_cast<std::size_t>(y);
        for (std::size_t i = 0; i < count; ++i) {
            const std::int32_t v = decoder.bytesPerSample() == 1
                                       ? static_cast<const std::uint8_t*>(rows)[i]
                                       : static_cast<const std::uint16_t*>(rows)[i];
            image.components[i % components][base + i / components] = v;
        }
    }
    return image;
}

}  // namespace Corvane
