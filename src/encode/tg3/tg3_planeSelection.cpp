#include "encode/tg3/tg3_planeSelection.h"

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

}  // namespace

std::vector<int> choosePlanes(const TG3ImageInfo& info, const TG3EncodeOptions& options,
                              const CodedImage& coded, const RasterImage& source) {
    if (options.rateMode == TG3RateMode::lossless) return losslessPlanes(info);

    const std::vector<double> weights = bandWeights(info);
    const int lastStep = static_cast<int>(std::ceil(emptyDepth(weights) / kDepthStep));
    auto planesAt = [&weights](int step) { return lastPlanesForDepth(weights, step * kDepthStep); };

    if (options.rateMode == TG3RateMode::targetSize) {
        auto fileSize = [&](int step) {
            return assembleTG3File(info, options, coded.planes(planesAt(step))).size();
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

    // Quality falls as the depth grows, so search for the last step that still reaches
    // the target, counting steps from the deep end. The lossless step always does.
    auto reaches = [&](int step) {
        const RasterImage decoded =
            decodePlanes(info, coded.planeset(planesAt(step), info.hasMSEs != 0));
        return peakSignalToNoise(source, decoded, info.dynamicRangeMin, info.dynamicRangeMax) >=
               options.targetPsnr;
    };
    const int fromDeepEnd =
        firstPassingStep(0, lastStep, [&](int back) { return reaches(lastStep - back); });
    return planesAt(lastStep - fromDeepEnd);
}

}  // namespace Corvane
