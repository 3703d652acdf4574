#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/thrown_text.h"
#include "encode/tg2/synthesis/tg2_forward97.h"
#include "encode/tg2/synthesis/tg2_rowAnalysis97.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/synthesis/tg2_lifting97.h"
#include "tg2/synthesis/tg2_merge2.h"
#include "tg2/synthesis/tg2_subband.h"

using namespace Corvane;

namespace {

// The low- and high-pass subband weights, and the DC gain of the unscaled analysis
// low-pass along one dimension, whose square is the per-level gain 1.5133282 by
// which the decoder divides reduced levels.
constexpr double kLow = 1.1496044397354126, kHigh = 0.8698644206960049;
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

std::vector<float> randomSamples(std::mt19937& random, std::size_t count, float low, float high) {
    std::uniform_real_distribution<float> value(low, high);
    std::vector<float> samples(count);
    for (float& v : samples) v = value(random);
    return samples;
}

CoefficientLine view(const std::vector<float>& values, std::int64_t first = 0) {
    return {values.data(), 1, IndexRange{first, first + std::int64_t(values.size()) - 1}};
}

// The line synthesised from its two halves.
std::vector<float> synthesise(const Line& line) {
    const auto length = static_cast<std::int64_t>(line.low.size() + line.high.size());
    std::vector<float> out(static_cast<std::size_t>(length)), scratch;
    synthesiseLine97(view(line.low), view(line.high), length, 0, length - 1, out.data(), 1,
                     scratch);
    return out;
}

CoefficientPlane randomImage(std::uint32_t width, std::uint32_t height, std::mt19937& random) {
    return {width, height, randomSamples(random, std::size_t{width} * height, 0.0f, 255.0f)};
}

Region whole(std::uint32_t width, std::uint32_t height) {
    return {0, 0, std::int64_t{width} - 1, std::int64_t{height} - 1};
}

// Builds the tree for `support` at `level`, fills every leaf with the part of the
// analysis plane of its subband index that it covers, and synthesises it.
Array2D reconstruct(const std::vector<CoefficientPlane>& planes, std::uint32_t width,
                    std::uint32_t height, std::uint32_t levels, std::int32_t level,
                    const Region& support, bool magnify = false) {
    Subband root(width, height, 1, levels, level, support, magnify);
    for (Subband* leaf : root.leaves()) {
        const CoefficientPlane& plane = planes.at(static_cast<std::size_t>(leaf->leafNumber()));
        const Region& s = leaf->support();
        for (std::int64_t r = s.y0; r <= s.y1; ++r)
            for (std::int64_t c = s.x0; c <= s.x1; ++c)
                leaf->band(0).at(0, c, r) = plane.at(std::uint32_t(c), std::uint32_t(r));
    }
    synthesise(root);
    return root.band(0);
}

double largestDifference(const Array2D& array, const CoefficientPlane& plane) {
    double largest = 0.0;
    const Region& s = array.area();
    for (std::int64_t r = s.y0; r <= s.y1; ++r)
        for (std::int64_t c = s.x0; c <= s.x1; ++c)
            largest = std::max(largest, std::fabs(double{array.at(0, c, r)} -
                                                  plane.at(std::uint32_t(c), std::uint32_t(r))));
    return largest;
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
    // Published CDF 9/7 synthesis filters (the low-pass normalised to unit DC gain), from
    // the centre outwards; the unscaled lifting yields them divided (low-pass) or
    // multiplied (high-pass) by the one-dimensional DC gain.
    const std::vector<double> lowTaps = {1.115087052457, 0.591271763114, -0.057543526229,
                                         -0.091271763114};
    const std::vector<double> highTaps = {0.602949018236, -0.266864118443, -0.078223266529,
                                          0.016864118443, 0.026748757411};
    for (const bool high : {false, true}) {
        Line impulse{std::vector<float>(10, 0.0f), std::vector<float>(10, 0.0f)};
        (high ? impulse.high : impulse.low)[4] = 1.0f;  // position 9 or 8
        const std::vector<float> response = synthesise(impulse);
        const std::vector<double>& taps = high ? highTaps : lowTaps;
        for (std::size_t p = 0; p < response.size(); ++p) {
            const std::size_t distance = std::size_t(std::abs(int(p) - (high ? 9 : 8)));
            const double tap = distance < taps.size() ? taps[distance] : 0.0;
            EXPECT_NEAR(response[p], high ? tap * kDcGain : tap / kDcGain, 2e-6)
                << (high ? "high" : "low") << "-pass, position " << p;
        }
    }
}

TEST(Lifting97, PartsOfALineMatchTheWholeLineBitForBit) {
    std::mt19937 random(2);
    for (std::int64_t length = 2; length <= 23; ++length) {
        const Line line = split(randomSamples(random, std::size_t(length), -50.0f, 50.0f));
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

TEST(Merge2, ForwardThenSynthesisRestoresImagesOfManySizes) {
    // Every lifting step rounds to float, yet the synthesis damps what the coarse
    // levels add: the largest error measured is 5e-4, some 32 float steps at 255. A
    // wrong factor, sign or mirror costs whole units. Eight levels go past the point
    // where every plane is one sample.
    std::mt19937 random(7);
    for (std::uint32_t width : {1u, 2u, 3u, 5u, 8u, 9u, 17u, 30u, 65u})
        for (std::uint32_t height : {1u, 2u, 3u, 6u, 11u, 37u}) {
            const CoefficientPlane image = randomImage(width, height, random);
            for (std::uint32_t levels = 0; levels <= 8; ++levels) {
                const Array2D restored = reconstruct(analyse97(image, levels), width, height,
                                                     levels, 0, whole(width, height));
                EXPECT_LT(largestDifference(restored, image), 2e-3)
                    << width << " x " << height << ", " << levels << " levels";
            }
        }
}

// Gathers the rows of the row-by-row analysis into planes, each subband's rows
// expected in order from the top.
struct PlaneGatherer : TG2SubbandRowSink {
    std::vector<CoefficientPlane> planes;
    std::vector<std::uint32_t> rows;
    void takeRow(std::uint32_t subband, std::uint32_t, std::uint32_t row,
                 const float* samples) override {
        CoefficientPlane& plane = planes.at(subband);
        ASSERT_EQ(row, rows[subband]++) << "subband " << subband;
        ASSERT_LT(row, plane.height) << "subband " << subband;
        std::copy(
            samples, samples + plane.width,
            plane.samples.begin() + static_cast<std::ptrdiff_t>(std::size_t{row} * plane.width));
    }
};

TEST(RowAnalysis97, RowByRowGivesTheWholePlaneAnalysisBitForBit) {
    std::mt19937 random(11);
    for (std::uint32_t width : {1u, 2u, 3u, 9u, 30u, 65u})
        for (std::uint32_t height : {1u, 2u, 3u, 4u, 5u, 11u, 37u}) {
            const CoefficientPlane image = randomImage(width, height, random);
            for (std::uint32_t levels = 0; levels <= 6; ++levels) {
                SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", " +
                             std::to_string(levels) + " levels");
                const std::vector<CoefficientPlane> expected = analyse97(image, levels);
                PlaneGatherer gathered;
                for (const CoefficientPlane& plane : expected) {
                    gathered.planes.push_back(plane);
                    std::fill(gathered.planes.back().samples.begin(),
                              gathered.planes.back().samples.end(), -1.0f);
                }
                gathered.rows.assign(expected.size(), 0);
                TG2RowAnalysis analysis(width, height, levels, 0, gathered);
                for (std::uint32_t r = 0; r < height; ++r) {
                    std::vector<float> row(&image.samples[std::size_t{r} * width],
                                           &image.samples[std::size_t{r} * width] + width);
                    analysis.push(row.data());
                }
                for (std::size_t i = 0; i < expected.size(); ++i) {
                    EXPECT_EQ(gathered.rows[i], expected[i].height) << "subband " << i;
                    EXPECT_TRUE(gathered.planes[i].samples == expected[i].samples)
                        << "subband " << i;
                }
            }
        }
}

TEST(Merge2, ChildrenThatLackWhatThePassesReadAreRefused) {
    // A 16 x 16 node wants columns and rows 4 to 8, which read positions 1 to 11:
    // low-pass coefficients 1 .. 5 and high-pass ones 0 .. 5 in each direction.
    // Low-low, low-high, high-low and high-high short of a column or a row, an output
    // past the plane, and every child whole.
    const Region area{4, 4, 8, 8}, all{0, 0, 5, 5}, noColumn{0, 0, 4, 5}, noRow{0, 0, 5, 4};
    const struct {
        Region children[2][2];
        Region out;
        int code;
    } cases[] = {
        {{{noColumn, all}, {all, all}}, area, 0x1d},     {{{all, noRow}, {all, all}}, area, 0x1e},
        {{{all, all}, {noColumn, all}}, area, 0x1f},     {{{all, all}, {all, noRow}}, area, 0x20},
        {{{all, all}, {all, all}}, {4, 4, 16, 8}, 0x21}, {{{all, all}, {all, all}}, area, 0},
    };
    for (const auto& c : cases) {
        const Array2D arrays[2][2] = {{Array2D(c.children[0][0]), Array2D(c.children[0][1])},
                                      {Array2D(c.children[1][0]), Array2D(c.children[1][1])}};
        const Array2D* children[2][2] = {{&arrays[0][0], &arrays[0][1]},
                                         {&arrays[1][0], &arrays[1][1]}};
        Array2D out(c.out);
        EXPECT_EQ(tovex_test::thrownText([&] { merge2(children, 16, 16, out); }),
                  c.code ? getMessageText(messageCode(1, c.code)) : "(nothing thrown)")
            << c.code;
    }
}

TEST(Subband, InvalidRequestsAreRefusedWithTheirMessages) {
    const struct {
        std::int32_t level;
        Region support;
        bool magnify;
        std::int32_t message;
    } cases[] = {
        {1, {0, 0, 3, 15}, false, kInvalidImageSupport},  // past the reduced plane
        {4, {0, 0, 1, 1}, false, kScaleOutOfRange},       // above the image's levels
        {-31, {0, 0, 1, 1}, true, kScaleBeyondLevels},    // magnified past 32 bits
    };
    for (const auto& c : cases) {
        const std::string text =
            tovex_test::thrownText([&] { Subband(40, 30, 1, 3, c.level, c.support, c.magnify); });
        EXPECT_NE(text.find(getMessageText(c.message)), std::string::npos) << text;
    }
}

TEST(Subband, DeepTreesAndHugeArraysAreHandledWithoutRecursionOrAllocation) {
    Subband root(3, 3, 1, 20000, 0, Region{0, 0, 2, 2});
    EXPECT_EQ(root.leaves().size(), 3u * 20000 + 1);
    // The cap on one allocation is 64M floats: five bands of 4096 x 4096 are 80M.
    EXPECT_THROW(Array2D(Region{0, 0, (std::int64_t{1} << 40), 1 << 22}, 4), OutOfMemoryException);
    EXPECT_THROW(Array2D(Region{0, 0, 4095, 4095}, 5), OutOfMemoryException);
    EXPECT_NO_THROW(Array2D(Region{0, 0, 4095, 4095}, 3));
}
