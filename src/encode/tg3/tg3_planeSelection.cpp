#include "encode/tg3/tg3_planeSelection.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "encode/tg3/tg3_bandWeights.h"
#include "encode/tg3/tg3_fileAssembler.h"
#include "encode/tg3/tg3_qualityMeter.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {

// The first step in [low, high] at which `passes` holds, given that it holds at high
// and that once it holds it keeps holding at every later step.
template <typename Test>
int firstPassingStep(int low, int high, const Test& passes) {
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (passes(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return high;
}

// The cheapest price per byte searched (as a base-2 logarithm): below it, every plane
// of a photograph pays for its bytes.
constexpr double kLowestLogPrice = -8.0;

// The planes each sub-block keeps at a price of 2^logPrice per byte: the number that
// minimises its squared error, weighted by its band and component, plus the price of
// its bytes.
KeptPlanes keptAtPrice(const CodedImage& coded, const std::vector<double>& bandGains,
                       const std::vector<double>& componentGains, double logPrice) {
    const double price = std::exp2(logPrice);
    KeptPlanes kept;
    kept.reserve(coded.subblocks().size());
    for (std::size_t n = 0; n < coded.subblocks().size(); ++n) {
        const CodedSubblock& s = coded.subblocks()[n];
        const double gain = bandGains[s.band] * componentGains[s.component];
        std::size_t best = 0;
        double bestCost = gain * coded.error(n, 0);
        for (std::size_t k = 1; k <= s.planeCount; ++k) {
            const double bytes = static_cast<double>(coded.bytes(n, k));
            const double cost = gain * coded.error(n, k) + price * bytes;
            if (cost < bestCost) {
                bestCost = cost;
                best = k;
            }
        }
        kept.push_back(best);
    }
    return kept;
}

}  // namespace

KeptPlanes choosePlanes(const TG3ImageInfo& info, const TG3EncodeOptions& options,
                        CodedImage& coded, RasterSource& source, EncodeProgress& progress) {
    if (options.rateMode == TG3RateMode::lossless) return coded.keptUpTo(losslessPlanes(info));

    // A band's weight is the energy its unit coefficient puts into the image.
    std::vector<double> gains;
    for (double weight : bandWeights(info)) gains.push_back(std::exp2(2.0 * weight));
    const std::vector<double> components = componentGains(info);
    // From a price at which every plane pays for itself to one at which none does.
    const int lastStep = static_cast<int>(
        std::ceil((2.0 * emptyDepth(bandWeights(info)) - kLowestLogPrice) / kPriceStep));
    // Step 0 keeps every plane and the last step none, whatever the prices would say.
    // A halving search over the steps makes about log2(lastStep) + 2 tries.
    const double tries = std::log2(static_cast<double>(lastStep)) + 2.0;
    int tried = 0;
    auto planesAt = [&](int step) {
        progress.report(std::min(1.0, tried++ / tries));
        if (step == 0) return coded.keptUpTo(losslessPlanes(info));
        if (step == lastStep) return KeptPlanes(coded.subblocks().size(), 0);
        return keptAtPrice(coded, gains, components, step * kPriceStep + kLowestLogPrice);
    };

    if (options.rateMode == TG3RateMode::targetSize) {
        auto fileSize = [&](int step) {
            const KeptPlanes kept = planesAt(step);
            return assembledTG3Size(info, options, *coded.content(kept, true),
                                    coded.planeCount(kept));
        };
        const std::uint64_t smallest = fileSize(lastStep);
        if (smallest > options.targetBytes) {
            const std::string why = "a target of " + std::to_string(options.targetBytes) +
                                    " bytes, below the " + std::to_string(smallest) +
                                    " bytes of the file without coded planes";
            throw InvalidArgumentException(why.c_str());
        }
        return planesAt(firstPassingStep(
            0, lastStep, [&](int step) { return fileSize(step) <= options.targetBytes; }));
    }

    // Quality falls as the price grows, so search for the last step that still reaches
    // the target, counting steps from the dear end. The lossless step always does.
    // Measuring decodes the whole image, so this mode holds it in memory.
    const RasterImage whole = readWholeRaster(source);
    auto reaches = [&](int step) {
        const RasterImage decoded =
            decodePlanes(info, coded.planeset(planesAt(step), info.hasMSEs != 0));
        return peakSignalToNoise(whole, decoded, info.dynamicRangeMin, info.dynamicRangeMax) >=
               options.targetPsnr;
    };
    const int fromDearEnd =
        firstPassingStep(0, lastStep, [&](int back) { return reaches(lastStep - back); });
    return planesAt(lastStep - fromDearEnd);
}

}  // namespace Corvane
