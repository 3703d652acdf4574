#include "encode/tg2/entropy/tg2_quantiser.h"

#include <cmath>

#include "support/cv_exception.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/synthesis/tg2_subband.h"

namespace Corvane {

namespace {
constexpr double kBias = 0.44;
}  // namespace

std::int32_t quantiseValue(float value, float step) {
    if (!(step > 0.0f) || !std::isfinite(step)) throw InvalidArgumentException("step");
    if (!std::isfinite(value)) throw InvalidArgumentException("coefficient");
    const double magnitude = std::floor(std::fabs(double{value}) / step + kBias);
    if (magnitude > kLargestQuantisationIndex)
        throw InvalidArgumentException("quantisation step too small for the coefficients");
    const auto index = static_cast<std::int32_t>(magnitude);
    return value < 0.0f ? -index : index;
}

std::vector<std::int32_t> quantisePlane(const CoefficientPlane& plane, float step,
                                        const DitherSource& dither) {
    std::vector<std::int32_t> indices(plane.samples.size());
    for (std::uint32_t r = 0; r < plane.height; ++r)
        for (std::uint32_t c = 0; c < plane.width; ++c) {
            float value = plane.at(c, r);
            if (dither) value += step * dither(c, r);
            indices[std::size_t{r} * plane.width + c] = quantiseValue(value, step);
        }
    return indices;
}

double quantisationError(const CoefficientPlane& plane, const std::vector<std::int32_t>& indices,
                         float step, const DitherSource& dither) {
    double sum = 0.0;
    for (std::uint32_t r = 0; r < plane.height; ++r)
        for (std::uint32_t c = 0; c < plane.width; ++c) {
            const std::size_t i = std::size_t{r} * plane.width + c;
            float rebuilt = dequantiseIndex(indices[i], step);
            if (dither) rebuilt -= step * dither(c, r);
            const double difference = double{plane.samples[i]} - rebuilt;
            sum += difference * difference;
        }
    return sum;
}

std::vector<double> subbandWeights(std::uint32_t width, std::uint32_t height,
                                   std::uint32_t levels) {
    // The weights do not depend on the support; one sample suffices.
    Subband root(width, height, 1, levels, 0, Region{0, 0, 0, 0});
    std::vector<double> weights;
    for (const Subband* leaf : root.leaves()) weights.push_back(leaf->weight());
    return weights;
}

void applySubbandWeights(std::vector<CoefficientPlane>& planes,
                         const std::vector<double>& weights) {
    if (weights.size() != planes.size()) throw InvalidArgumentException("weights");
    for (std::size_t i = 0; i < planes.size(); ++i)
        for (float& value : planes[i].samples) value = static_cast<float>(value * weights[i]);
}

}  // namespace Corvane
