// The strip engine over bands held in memory, as the forward transform leaves them: signed
// samples of every size and level count; the 5-3 lifting steps and the colour steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

#include "common/tg3_test_files.h"
#include "encode/tg3/tg3_forwardLifting53.h"
#include "encode/tg3/tg3_forwardTransform53.h"
#include "support/cv_status.h"
#include "tg3/engine/tg3_colourTransform.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_lifting53.h"
#include "tg3/engine/tg3_sampleOutput.h"

using namespace Corvane;

namespace {

// One component's bands held in memory.
struct MemoryBandSource : BandRowSource {
    MemoryBandSource(const TG3ImageInfo& i, BandPlanes b) : info(i), bands(std::move(b)) {}
    std::int32_t bandRow(std::uint32_t band, std::uint32_t row, std::uint32_t x0, std::uint32_t x1,
                         std::int32_t** rows) override {
        if (band >= info.bands.size()) return 0;
        const TG3BandInfo& b = info.bands[band];
        if (x1 >= b.width || row >= b.height || x0 > x1) return TG3Status::notFound;
        rows[0] = bands[band].data() + std::size_t{row} * b.width + x0;
        return 0;
    }
    TG3ImageInfo info;
    BandPlanes bands;
};

TG3ImageInfo signedImageInfo(std::uint32_t w, std::uint32_t h, int levels) {
    TG3ImageInfo info = tovex_test::imageInfo(w, h, static_cast<std::uint8_t>(levels), 64);
    info.dataType = dataTypeSInt16;
    info.dynamicRangeMin = -32768;
    info.dynamicRangeMax = 32767;
    return info;
}

std::vector<std::int32_t> randomSamples(std::size_t count, std::mt19937& rng) {
    std::uniform_int_distribution<std::int32_t> value(-30000, 30000);
    std::vector<std::int32_t> v(count);
    for (auto& x : v) x = value(rng);
    return v;
}

}  // namespace

TEST(DecodeBase, ForwardThenInverseIsIdentityForEverySizeAndLevelCount) {
    std::mt19937 rng(2024);
    for (std::uint32_t w = 3; w <= 20; ++w)
        for (std::uint32_t h = 3; h <= 20; ++h) {
            const auto image = randomSamples(std::size_t{w} * h, rng);
            int maxLevels = 0;
            for (std::uint32_t m = std::max(w, h); m > 1; m = (m + 1) / 2) ++maxLevels;
            for (int levels = 0; levels <= maxLevels; ++levels) {
                const TG3ImageInfo info = signedImageInfo(w, h, levels);
                MemoryBandSource source(info, forwardTransform53(image, w, h, levels));
                DecodeBase decoder(info, source, Region::fromOrigin(0, 0, w, h), levels, w, h, 1,
                                   4);
                ASSERT_EQ(decoder.initialise(), 0);
                std::vector<std::int32_t> decoded;  // in requests of up to four rows
                for (std::uint32_t y = 0; y < h; y += 4) {
                    const std::uint32_t last = std::min(y + 3, h - 1);
                    const void* rows = nullptr;
                    ASSERT_EQ(decoder.readRows(std::int32_t(y), std::int32_t(last), rows), 0);
                    const auto* samples = static_cast<const std::int16_t*>(rows);
                    decoded.insert(decoded.end(), samples, samples + w * (last - y + 1));
                }
                ASSERT_EQ(decoded, image) << w << "x" << h << " with " << levels << " levels";
            }
        }
}

TEST(Lifting53, RoundingGoesToTheEvenNeighbourOnTies) {
    // Update: s / 4; predict: s / 2.
    const std::pair<std::int32_t, std::int32_t> update[] = {
        {2, 0},  {6, 2},  {-2, 0},   {-6, -2},  {3, 1}, {0, 0},
        {10, 2}, {14, 4}, {-10, -2}, {-14, -4}, {5, 1}, {-5, -1}};
    for (auto [s, expected] : update) EXPECT_EQ(liftUpdateRound(s), expected) << "U(" << s << ")";
    const std::pair<std::int32_t, std::int32_t> predict[] = {{1, 0}, {3, 2},   {-1, 0}, {-3, -2},
                                                             {5, 2}, {-5, -2}, {4, 2},  {0, 0}};
    for (auto [s, expected] : predict) EXPECT_EQ(liftPredictRound(s), expected) << "P(" << s << ")";
}

TEST(Lifting53, ShortLinesReflectOrRepeatAtBothEnds) {
    constexpr auto mirror = EdgeRule::mirror, periodic = EdgeRule::periodic;
    const std::tuple<EdgeRule, std::vector<std::int32_t>, std::vector<std::int32_t>> cases[] = {
        // rule, coefficients, samples
        {mirror, {7}, {7}},
        // x0 - U(2*3) = 8, then x1 + P(2*8) = 11.
        {mirror, {10, 3}, {8, 11}},
        // Both low-pass ends see the single high-pass sample twice.
        {mirror, {10, 4, 20}, {8, 17, 18}},
        // Even length: the last (high-pass) sample sees its left neighbour twice.
        {mirror, {10, 4, 20, -3}, {8, 18, 20, 17}},
        {mirror, {10, 4, 20, -3, 6}, {8, 18, 20, 11, 8}},
        // Two and three samples repeat the way they reflect.
        {periodic, {10, 3}, {8, 11}},
        {periodic, {10, 4, 20}, {8, 17, 18}},
        // x0 - U(-3 + 4) = 10; x3 + P(20 + x0) = 12.
        {periodic, {10, 4, 20, -3}, {10, 19, 20, 12}},
        // Odd length repeats with period 4: x4 - U(-3 + 4) = 6.
        {periodic, {10, 4, 20, -3, 6}, {10, 19, 20, 10, 6}},
    };
    for (const auto& [rule, coefficients, samples] : cases) {
        std::vector<std::int32_t> line = coefficients;
        inverseLift53(line.data(), line.size(), 1, rule);
        EXPECT_EQ(line, samples) << "width " << line.size();
        forwardLift53(line.data(), line.size(), 1, rule);
        EXPECT_EQ(line, coefficients) << "width " << line.size();
    }
}

TEST(ColourTransform, YiqToRgbAndDcValuesAreTheFixedOnes) {
    // Worked by hand from the fixed-point formulas: d = 100, e = 0,
    // t = R(-1146900) = -70, u = 100, second = R(1930900) = 118,
    // first = 30, third = R(2317166) - 100 = 41.
    std::int32_t a = 100, b = 0, c = 0;
    YiqToRgb(a, b, c);
    EXPECT_EQ((std::vector<std::int32_t>{a, b, c}), (std::vector<std::int32_t>{30, 118, 41}));
    // The reversible transform: G = Y - floor((Cb + Cr) / 4), R = Cr + G, B = Cb + G.
    const std::array<std::int32_t, 6> reversible[] = {
        {100, -7, 10, 110, 100, 93}, {0, -7, 2, 4, 2, -5}, {5, 0, 0, 5, 5, 5}};
    for (const auto& [y, cb, cr, r, g, blue] : reversible) {
        a = y, b = cb, c = cr;
        ReversibleToRgb(a, b, c);
        EXPECT_EQ((std::vector<std::int32_t>{a, b, c}), (std::vector<std::int32_t>{r, g, blue}));
    }
    // minimum, maximum, DC value
    const std::tuple<std::int32_t, std::int32_t, std::int32_t> dc[] = {
        {0, 255, -128},     {0, 256, -256}, {0, 65535, -32768}, {0, 1, -1}, {0, 0, -1},
        {-32768, 32767, 0}, {0, 2, -2},     {0, 4095, -2048},   {0, 3, -2}};
    for (auto [min, max, value] : dc) EXPECT_EQ(dcValueFor(min, max), value) << min << ".." << max;
}

TEST(ColourTransform, DcShiftTouchesBandZeroOnly) {
    std::vector<std::int32_t> p0 = {0, 10}, p1 = {5, 6}, p2 = {7, 8};
    ColourParameters params;
    ASSERT_EQ(buildColourParameters(kColourDcShiftLuminanceOnly, 3, 0, 255, params), 0);
    EXPECT_FALSE(params.active);
    params.buffers = {p0.data(), p1.data(), p2.data()};
    applyToBandCoefficients(params, 1, 2);
    EXPECT_EQ(p0, (std::vector<std::int32_t>{0, 10}));
    applyToBandCoefficients(params, 0, 2);
    EXPECT_EQ(p0, (std::vector<std::int32_t>{-128, -118}));
    // Code 20 leaves the chrominance components alone.
    EXPECT_EQ(p1, (std::vector<std::int32_t>{5, 6}));
    EXPECT_EQ(p2, (std::vector<std::int32_t>{7, 8}));

    ASSERT_EQ(buildColourParameters(kColourDcShift, 3, 0, 255, params), 0);
    params.buffers = {p0.data(), p1.data(), p2.data()};
    applyToBandCoefficients(params, 0, 2);
    EXPECT_EQ(p1, (std::vector<std::int32_t>{-123, -122}));

    // Signed data carries no offset.
    ASSERT_EQ(buildColourParameters(kColourDcShift, 3, -100, 255, params), 0);
    EXPECT_EQ(params.dcValue, 0);
}

TEST(ColourTransform, UnsupportedCodesAreRefused) {
    ColourParameters params;
    EXPECT_EQ(buildColourParameters(kColourReversibleJ2k, 1, 0, 255, params), 2014);
    EXPECT_EQ(buildColourParameters(99, 3, 0, 255, params), 2014);
    EXPECT_EQ(buildColourParameters(kColourRgbToYiq, 1, 0, 255, params), 2014);
    EXPECT_EQ(buildColourParameters(kColourIdentity, 1, 0, 255, params), 0);
    // CMYK post-processing has no rule for signed 16-bit data.
    std::int32_t sample = 0;
    std::int32_t* planes[] = {&sample, &sample, &sample, &sample};
    std::uint16_t out[4] = {};
    EXPECT_EQ(postProcessAndStore(
                  makeOutputOptions(kColourSpaceCmyk, kColourCmykToYiqk, 0, 255, kSampleSint16),
                  planes, 4, 1, 1, out, 0),
              2014);
}
