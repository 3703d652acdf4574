#include "encode/tg2/entropy/tg2_quantiser.h"

#include <cmath>

#include "support/cv_exception.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/entropy/tg2_ditherTable.h"
#include "tg2/synthesis/tg2_subband.h"

namespace Corvane {

namespace {
constexpr double kBias = 0.44;
}  // namespace

TG2DitherRow tg2DitherRow(std::uint8_t ditherColumn, std::uint8_t ditherRow, std::uint32_t row) {
    return TG2DitherRow{kTG2DitherTable[(ditherRow + row) % kTG2DitherSize], ditherColumn};
}

std::int32_t quantiseValue(float value, float step, double deadZone) {
    if (!(step > 0.0f) || !std::isfinite(step)) throw InvalidArgumentException("step");
    if (!std::isfinite(value)) throw InvalidArgumentException("coefficient");
    const double steps = std::fabs(double{value}) / step;
    if (steps < deadZone) return 0;
    const double magnitude = std::floor(steps + kBias);
    if (magnitude > kLargestQuantisationIndex)
        throw InvalidArgumentException("quantisation step too small for the coefficients");
    const auto index = static_cast<std::int32_t>(magnitude);
    return value < 0.0f ? -index : index;
}

void quantiseRow(const float* values, std::uint32_t count, float step, const TG2DitherRow& dither,
                 double deadZone, std::int16_t* indices, double& squaredError) {
    for (std::uint32_t c = 0; c < count; ++c) {
        const float noise =
            dither.values ? step * dither.values[(dither.firstColumn + c) % kTG2DitherSize] : 0.0f;
        const std::int32_t index =
            quantiseValue(dither.values ? values[c] + noise : values[c], step, deadZone);
        indices[c] = static_cast<std::int16_t>(index);
        float rebuilt = dequantiseIndex(index, step);
        if (dither.values) rebuilt -= noise;
        const double difference = double{values[c]} - rebuilt;
        squaredError += difference * difference;
    }
}

std::vector<double> subbandWeights(std::uint32_t width, std::uint32_t height,
                                   std::uint32_t levels) {
    // The weights do not depend on the support; one sample suffices.
    Subband root(width, height, 1, levels, 0, Region{0, 0, 0, 0});
    std::vector<double> weights;
    for (const Subband* leaf : root.leaves()) weights.push_back(leaf->weight());
    return weights;
}

void weightRow(float* values, std::uint32_t count, double weight) {
    for (std::uint32_t c = 0; c < count; ++c) values[c] = static_cast<float>(values[c] * weight);
}

}  // namespace Corvane
