#include "encode/tg3/tg3_bandWeights.h"

#include <algorithm>
#include <cmath>

#include "tg3/engine/tg3_colourTransform.h"

namespace Corvane {

namespace {

// Beyond this depth the 1-D energies are extrapolated: each further level doubles them.
constexpr int kComputedDepth = 12;

// Energy of the 1-D synthesis basis of a coefficient `depth` levels down, of the
// high-pass band at that level when `high`, else of the low-pass band.
double synthesisEnergy(bool high, int depth) {
    static const std::vector<double> lowTaps{0.5, 1.0, 0.5};
    static const std::vector<double> highTaps{-0.125, -0.25, 0.75, -0.25, -0.125};
    const int computed = std::min(depth, kComputedDepth);
    std::vector<double> basis{1.0};
    for (int step = 0; step < computed; ++step) {
        const std::vector<double>& taps = (step == 0 && high) ? highTaps : lowTaps;
        std::vector<double> next(2 * basis.size() - 1 + taps.size() - 1, 0.0);
        for (std::size_t i = 0; i < basis.size(); ++i)
            for (std::size_t t = 0; t < taps.size(); ++t) next[2 * i + t] += basis[i] * taps[t];
        basis = std::move(next);
    }
    double energy = 0;
    for (double v : basis) energy += v * v;
    return std::ldexp(energy, depth - computed);
}

}  // namespace

std::vector<double> bandWeights(const TG3ImageInfo& info) {
    const int levels = info.levels;
    std::vector<double> weights(info.bands.size(), 0.0);
    weights[0] = 0.5 * std::log2(synthesisEnergy(false, levels) * synthesisEnergy(false, levels));
    for (int j = 1; j <= levels; ++j) {
        // Level j = levels is the finest split, one level below full resolution.
        const int depth = levels - j + 1;
        const double low = synthesisEnergy(false, depth);
        const double high = synthesisEnergy(true, depth);
        weights[static_cast<std::size_t>(4 * j - 2)] = 0.5 * std::log2(high * low);  // high across
        weights[static_cast<std::size_t>(4 * j - 1)] = 0.5 * std::log2(low * high);  // high down
        weights[static_cast<std::size_t>(4 * j)] = 0.5 * std::log2(high * high);
    }
    return weights;
}

std::vector<double> componentGains(const TG3ImageInfo& info) {
    const std::int32_t count = info.components;
    std::vector<double> gains(static_cast<std::size_t>(count), 1.0);
    ColourParameters colour;
    if (buildColourParameters(info.colorTransform, count, info.dynamicRangeMin,
                              info.dynamicRangeMax, colour) != 0)
        return gains;
    // A large error, so that the integer rounding of the steps hardly counts.
    constexpr std::int32_t kError = 1 << 16;
    for (std::int32_t c = 0; c < count; ++c) {
        std::vector<std::int32_t> samples(static_cast<std::size_t>(count), 0);
        samples[static_cast<std::size_t>(c)] = kError;
        colour.buffers.clear();
        for (std::int32_t& sample : samples) colour.buffers.push_back(&sample);
        // Band 1 carries no DC offset, so only the colour step acts.
        applyToBandCoefficients(colour, 1, 1);
        double energy = 0.0;
        for (std::int32_t sample : samples) energy += static_cast<double>(sample) * sample;
        gains[static_cast<std::size_t>(c)] = energy / (static_cast<double>(kError) * kError);
    }
    return gains;
}

double emptyDepth(const std::vector<double>& weights) {
    return 33.0 + *std::max_element(weights.begin(), weights.end());
}

}  // namespace Corvane
