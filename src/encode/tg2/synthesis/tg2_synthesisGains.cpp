#include "encode/tg2/synthesis/tg2_synthesisGains.h"

#include <algorithm>
#include <cmath>

#include "encode/tg2/entropy/tg2_quantiser.h"
#include "tg2/synthesis/tg2_lifting97.h"

namespace Corvane {

namespace {

// Deeper than this the energies are extrapolated: each further low-pass level
// multiplies them by the ratio the last computed level shows, to which they have
// long converged.
constexpr std::uint32_t kComputedDepth = 10;
// Samples of a line per sample of the deepest band: room for the basis to spread
// without meeting the mirrored ends.
constexpr std::int64_t kLineMargin = 32;

double computedEnergy(bool high, std::uint32_t depth) {
    const std::int64_t full = kLineMargin << depth;
    // The impulse sits in the middle of its band, `depth` levels down.
    std::int64_t length = full >> (depth - 1);
    std::vector<float> low(static_cast<std::size_t>((length + 1) / 2), 0.0f);
    std::vector<float> highLine(static_cast<std::size_t>(length / 2), 0.0f);
    (high ? highLine : low)[(high ? highLine : low).size() / 2] = 1.0f;
    std::vector<float> out;
    std::vector<float> scratch;
    for (;;) {
        out.assign(static_cast<std::size_t>(length), 0.0f);
        const CoefficientLine lowLine{
            low.data(), 1, {0, static_cast<std::int64_t>(low.size()) - 1}};
        const CoefficientLine detail{
            highLine.data(), 1, {0, static_cast<std::int64_t>(highLine.size()) - 1}};
        synthesiseLine97(lowLine, detail, length, 0, length - 1, out.data(), 1, scratch);
        if (length == full) break;
        low = out;
        highLine.assign(low.size(), 0.0f);
        length *= 2;
    }
    double energy = 0.0;
    for (float v : out) energy += double{v} * v;
    return energy;
}

}  // namespace

double synthesisEnergy97(bool high, std::uint32_t depth) {
    if (depth == 0) return 1.0;
    if (depth <= kComputedDepth) return computedEnergy(high, depth);
    const double ratio =
        computedEnergy(false, kComputedDepth) / computedEnergy(false, kComputedDepth - 1);
    return computedEnergy(high, kComputedDepth) * std::pow(ratio, depth - kComputedDepth);
}

std::vector<double> weightedSubbandGains(std::uint32_t width, std::uint32_t height,
                                         std::uint32_t levels) {
    const std::vector<double> weights = subbandWeights(width, height, levels);
    std::vector<double> gains(weights.size());
    gains[0] = synthesisEnergy97(false, levels) * synthesisEnergy97(false, levels);
    for (std::uint32_t level = 0; level < levels; ++level) {
        // Subband index order runs from the coarsest level to the finest.
        const std::uint32_t depth = levels - level;
        const double low = synthesisEnergy97(false, depth);
        const double high = synthesisEnergy97(true, depth);
        const std::size_t first = 3 * std::size_t{level} + 1;
        gains[first] = high * low;      // [1][0]: high-pass across the columns
        gains[first + 1] = low * high;  // [0][1]: high-pass down the rows
        gains[first + 2] = high * high;
    }
    for (std::size_t i = 0; i < gains.size(); ++i) gains[i] /= weights[i] * weights[i];
    return gains;
}

}  // namespace Corvane
