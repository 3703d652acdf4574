#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"
#include "tg2/synthesis/tg2_lifting97.h"

using namespace Corvane;

namespace {

// The DC gain of the unscaled analysis low-pass along one dimension; its square
// is the per-level gain 1.5133282 by which the decoder divides reduced levels.
const double kDcGain = std::sqrt(1.5133282207855925);

struct Line {
    std::vector<float> low;
    std::vector<float> high;
};

Line split(const std::vector<float>& interleaved) {
    Line line;
    for (std::size_t i = 0; i < interleaved.size(); ++i)
        (i % 2 == 0 ? line.low : line.high).push_back(interleaved[i]);
    return line;
}

CoefficientLine view(const std::vector<float>& values, std::int64_t first = 0) {
    CoefficientLine line;
    line.data = values.data();
    line.range = IndexRange{first, first + static_cast<std::int64_t>(values.size()) - 1};
    return line;
}

std::vector<float> synthesiseWhole(const Line& line) {
    const auto length = static_cast<std::int64_t>(line.low.size() + line.high.size());
    std::vector<float> out(line.low.size() + line.high.size());
    std::vector<float> scratch;
    synthesiseLine97(view(line.low), view(line.high), length, 0, length - 1, out.data(), 1,
                     scratch);
    return out;
}

std::vector<float> randomLine(std::mt19937& random, std::size_t length, float reach) {
    std::uniform_real_distribution<float> value(-reach, reach);
    std::vector<float> line(length);
    for (float& v : line) v = value(random);
    return line;
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
    // Published CDF 9/7 synthesis filters (normalised to unit DC gain for the
    // low-pass); the unscaled lifting yields them divided (low-pass) or
    // multiplied (high-pass) by the one-dimensional DC gain.
    const std::vector<double> lowTaps = {-0.091271763114, -0.057543526229, 0.591271763114,
                                         1.115087052457,  0.591271763114,  -0.057543526229,
                                         -0.091271763114};
    const std::vector<double> highTaps = {0.026748757411,  0.016864118443, -0.078223266529,
                                          -0.266864118443, 0.602949018236, -0.266864118443,
                                          -0.078223266529, 0.016864118443, 0.026748757411};
    Line impulse{std::vector<float>(10, 0.0f), std::vector<float>(10, 0.0f)};
    impulse.low[4] = 1.0f;  // position 8
    std::vector<float> response = synthesiseWhole(impulse);
    for (std::size_t p = 0; p < response.size(); ++p) {
        const double expected = p >= 5 && p <= 11 ? lowTaps[p - 5] / kDcGain : 0.0;
        EXPECT_NEAR(response[p], expected, 2e-6) << "low-pass, position " << p;
    }
    impulse.low[4] = 0.0f;
    impulse.high[4] = 1.0f;  // position 9
    response = synthesiseWhole(impulse);
    for (std::size_t p = 0; p < response.size(); ++p) {
        const double expected = p >= 5 && p <= 13 ? highTaps[p - 5] * kDcGain : 0.0;
        EXPECT_NEAR(response[p], expected, 2e-6) << "high-pass, position " << p;
    }
}

TEST(Lifting97, ConstantLinesCarryTheDcGain) {
    for (std::size_t length : {2u, 3u, 8u, 13u}) {
        std::vector<float> line(length, 10.0f);
        forwardLift97(line.data(), length);
        for (std::size_t i = 0; i < length; ++i)
            EXPECT_NEAR(line[i], i % 2 == 0 ? 10.0 * kDcGain : 0.0, 2e-5) << length << ":" << i;
    }
}

TEST(Lifting97, ForwardThenSynthesisRestoresLinesOfEveryLength) {
    // Samples within +-128 pass through eight lifting steps whose intermediate
    // values stay below about 4 x 128; each step rounds to float (relative error
    // 2^-24), and the synthesis gains are below 2, so the error stays far below
    // 2e-4. The bound is about ten times what rounding can produce.
    std::mt19937 random(97);
    for (std::size_t length = 1; length <= 64; ++length) {
        const std::vector<float> source = randomLine(random, length, 128.0f);
        std::vector<float> coefficients = source;
        forwardLift97(coefficients.data(), length);
        const std::vector<float> restored = synthesiseWhole(split(coefficients));
        for (std::size_t i = 0; i < length; ++i)
            EXPECT_NEAR(restored[i], source[i], 2e-4) << length << ":" << i;
    }
}

TEST(Lifting97, ALineOfOneSampleIsItsLowPassValue) {
    std::vector<float> single = {42.5f};
    forwardLift97(single.data(), 1);
    EXPECT_EQ(single[0], 42.5f);
    EXPECT_EQ(synthesiseWhole(Line{{-3.25f}, {}})[0], -3.25f);
}

TEST(Lifting97, PartsOfALineMatchTheWholeLineBitForBit) {
    std::mt19937 random(2);
    for (std::int64_t length = 2; length <= 23; ++length) {
        const Line line = split(randomLine(random, static_cast<std::size_t>(length), 50.0f));
        const std::vector<float> whole = synthesiseWhole(line);
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

TEST(Lifting97, NeedsStayInsideTheTreeMargins) {
    IndexRange low, high;
    // An even sample reads three positions each way, an odd one four.
    synthesisNeeds(100, 10, 10, low, high);
    EXPECT_EQ(low.first, 4);
    EXPECT_EQ(low.last, 6);
    EXPECT_EQ(high.first, 3);
    EXPECT_EQ(high.last, 6);
    synthesisNeeds(100, 11, 11, low, high);
    EXPECT_EQ(low.first, 4);
    EXPECT_EQ(low.last, 7);
    EXPECT_EQ(high.first, 3);
    EXPECT_EQ(high.last, 7);
    // At the left end the mirrored positions fall back inside the line.
    synthesisNeeds(100, 0, 0, low, high);
    EXPECT_EQ(low.first, 0);
    EXPECT_EQ(low.last, 1);
    EXPECT_EQ(high.first, 0);
    EXPECT_EQ(high.last, 1);
    synthesisNeeds(1, 0, 0, low, high);
    EXPECT_EQ(low.first, 0);
    EXPECT_EQ(low.last, 0);
    EXPECT_TRUE(high.empty());
}

TEST(Lifting97, NeighbouringLinesTogetherMatchEachLineAloneBitForBit) {
    // `count` lines stored side by side (line k at offset k of each row), of every
    // length up to 23 including 1, in parts: each must equal the one-line synthesis.
    std::mt19937 random(3);
    std::vector<float> scratch;
    for (const std::size_t count : {1u, 3u, 64u}) {
        for (std::int64_t length = 1; length <= 23; ++length) {
            std::vector<Line> lines;
            for (std::size_t k = 0; k < count; ++k)
                lines.push_back(split(randomLine(random, static_cast<std::size_t>(length), 50.0f)));
            const std::size_t lows = lines[0].low.size(), highs = lines[0].high.size();
            std::vector<float> low(lows * count), high(std::max<std::size_t>(highs, 1) * count);
            for (std::size_t k = 0; k < count; ++k) {
                for (std::size_t i = 0; i < lows; ++i) low[i * count + k] = lines[k].low[i];
                for (std::size_t i = 0; i < highs; ++i) high[i * count + k] = lines[k].high[i];
            }
            CoefficientLine lowSide{low.data(), static_cast<std::ptrdiff_t>(count),
                                    IndexRange{0, static_cast<std::int64_t>(lows) - 1}};
            CoefficientLine highSide{high.data(), static_cast<std::ptrdiff_t>(count),
                                     IndexRange{0, static_cast<std::int64_t>(highs) - 1}};
            for (const auto& [first, last] : {std::pair<std::int64_t, std::int64_t>{0, length - 1},
                                              {length / 2, length - 1},
                                              {0, length / 3}}) {
                const auto rows = static_cast<std::size_t>(last - first + 1);
                std::vector<float> together(rows * count);
                synthesiseLines97(lowSide, highSide, count, length, first, last, together.data(),
                                  static_cast<std::ptrdiff_t>(count), scratch);
                for (std::size_t k = 0; k < count; ++k) {
                    std::vector<float> alone(rows);
                    synthesiseLine97(view(lines[k].low), view(lines[k].high), length, first, last,
                                     alone.data(), 1, scratch);
                    for (std::size_t r = 0; r < rows; ++r)
                        ASSERT_EQ(together[r * count + k], alone[r])
                            << "count " << count << " length " << length << " line " << k << " row "
                            << first + static_cast<std::int64_t>(r);
                }
            }
        }
    }
}
