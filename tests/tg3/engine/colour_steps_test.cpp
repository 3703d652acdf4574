#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tg3/engine/tg3_colourTransform.h"
#include "tg3/engine/tg3_sampleOutput.h"

using namespace Corvane;

TEST(ColourTransform, YiqToRgbOfAKnownPosition) {
    // Worked by hand from the fixed-point formulas: d = 100, e = 0,
    // t = R(-1146900) = -70, u = 100, second = R(1930900) = 118,
    // first = 30, third = R(2317166) - 100 = 41.
    std::int32_t a = 100, b = 0, c = 0;
    YiqToRgb(a, b, c);
    EXPECT_EQ((std::vector<std::int32_t>{a, b, c}), (std::vector<std::int32_t>{30, 118, 41}));
}

TEST(ColourTransform, DcValueFollowsTheDynamicRange) {
    struct Case {
        std::int32_t min, max, dc;
    };
    const Case cases[] = {{0, 255, -128}, {0, 256, -256},   {0, 65535, -32768},
                          {0, 1, -1},     {0, 0, -1},       {-32768, 32767, 0},
                          {0, 2, -2},     {0, 4095, -2048}, {0, 3, -2}};
    for (const Case& c : cases) EXPECT_EQ(dcValueFor(c.min, c.max), c.dc) << c.min << ".." << c.max;
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
    EXPECT_EQ(buildColourParameters(kColourReversibleJ2k, 3, 0, 255, params), 2014);
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
