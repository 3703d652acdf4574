#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"
#include "tg2/synthesis/tg2_lifting97.h"

using namespace Corvane;

namespace {

// The DC gain of the unscaled analysis low-pass along one dimension; its square is
// the per-level gain 1.5133282 by which the decoder divides reduced levels.
const double kDcGain = std::sqrt(1.5133282207855925);

struct Line {
    std::vector<float> low, high;
};

Line split(const std::vector<float>& interleaved) {
    Line line;
    for (std::size_t i = 0; i < interleaved.size(); ++i)
        (i % 2 == 0 ? line.low : line.high).push_back(interleaved[i]);
    return line;
}

std::vector<float> randomLine(std::mt19937& random, std::size_t length, float reach) {
    std::uniform_real_distribution<float> value(-reach, reach);
    std::vector<float> line(length);
    for (float& v : line) v = value(random);
    return line;
}

CoefficientLine view(const std::vector<float>& values, std::int64_t first = 0) {
    return {values.data(), 1, IndexRange{first, first + std::int64_t(values.size()) - 1}};
}

// Positions first..last of the line synthesised from its two halves.
std::vector<float> synthesise(const Line& line, std::int64_t first = 0, std::int64_t last = -1) {
    const auto length = static_cast<std::int64_t>(line.low.size() + line.high.size());
    if (last < 0) last = length - 1;
    std::vector<float> out(static_cast<std::size_t>(last - first + 1)), scratch;
    synthesiseLine97(view(line.low), view(line.high), length, first, last, out.data(), 1, scratch);
    return out;
}

}  // namespace

TEST(Lifting97, MirrorRepeatsTheLineAboutItsEndSamples) {
    const std::vector<std::int64_t> five = {3, 2, 1, 0, 1, 2, 3, 4, 3, 2, 1, 0, 1};
    for (std::int64_t p = -3; p <= 9; ++p) EXPECT_EQ(mirrorPosition(p, 5), five[p + 3]) << p;
    const std::vector<std::int64_t> two = {0, 1, 0, 1, 0, 1};
    for (std::int64_t p = -2; p <= 3; ++p) EXPECT_EQ(mirrorPosition(p, 2), two[p + 2]) << p;
    EXPECT_EQ(mirrorPosition(-7, 1), 0);
    EXPECT_EQ(mirrorPosition(7, 1), 0);
}

TEST(Lifting97, ImpulsesGiveTheCdf97SynthesisFilters) {
    // Published CDF 9/7 synthesis filters (the low-pass normalised to unit DC gain);
    // the unscaled lifting yields them divided (low-pass) or multiplied (high-pass)
    // by the one-dimensional DC gain.
    const std::vector<double> lowTaps = {-0.091271763114, -0.057543526229, 0.591271763114,
                                         1.115087052457,  0.591271763114,  -0.057543526229,
                                         -0.091271763114};
    const std::vector<double> highTaps = {0.026748757411,  0.016864118443, -0.078223266529,
                                          -0.266864118443, 0.602949018236, -0.266864118443,
                                          -0.078223266529, 0.016864118443, 0.026748757411};
    for (const bool high : {false, true}) {
        Line impulse{std::vector<float>(10, 0.0f), std::vector<float>(10, 0.0f)};
        (high ? impulse.high : impulse.low)[4] = 1.0f;  // position 9 or 8
        const std::vector<float> response = synthesise(impulse);
        const std::vector<double>& taps = high ? highTaps : lowTaps;
        for (std::size_t p = 0; p < response.size(); ++p) {
            const double tap = p >= 5 && p < 5 + taps.size() ? taps[p - 5] : 0.0;
            EXPECT_NEAR(response[p], high ? tap * kDcGain : tap / kDcGain, 2e-6)
                << (high ? "high" : "low") << "-pass, position " << p;
        }
    }
}

TEST(Lifting97, ForwardThenSynthesisRestoresLinesOfEveryLength) {
    // Samples within +-128 pass eight lifting steps whose values stay below about
    // 4 x 128, each rounding to float, with synthesis gains below 2: the error stays
    // far below 2e-4, about ten times what rounding can produce.
    std::mt19937 random(97);
    for (std::size_t length = 1; length <= 64; ++length) {
        const std::vector<float> source = randomLine(random, length, 128.0f);
        std::vector<float> coefficients = source;
        forwardLift97(coefficients.data(), length);
        const std::vector<float> restored = synthesise(split(coefficients));
        for (std::size_t i = 0; i < length; ++i)
            EXPECT_NEAR(restored[i], source[i], 2e-4) << length << ":" << i;
    }
}

TEST(Lifting97, PartsOfALineMatchTheWholeLineBitForBit) {
    std::mt19937 random(2);
    for (std::int64_t length = 2; length <= 23; ++length) {
        const Line line = split(randomLine(random, static_cast<std::size_t>(length), 50.0f));
        const std::vector<float> whole = synthesise(line);
        std::vector<float> scratch;
        for (std::int64_t first = 0; first < length; ++first)
            for (std::int64_t last = first; last < length; ++last) {
                // Hand over only the coefficients that the part needs.
                IndexRange low, high;
                synthesisNeeds(length, first, last, low, high);
                const std::vector<float> lowPart(line.low.begin() + low.first,
                                                 line.low.begin() + low.last + 1);
                std::vector<float> highPart;
                if (!high.empty())
                    highPart.assign(line.high.begin() + high.first,
                                    line.high.begin() + high.last + 1);
                std::vector<float> part(static_cast<std::size_t>(last - first + 1));
                synthesiseLine97(view(lowPart, low.first), view(highPart, high.first), length,
                                 first, last, part.data(), 1, scratch);
                for (std::int64_t p = first; p <= last; ++p)
                    ASSERT_EQ(part[p - first], whole[p])
                        << "length " << length << " part " << first << ".." << last;
            }
    }
}
