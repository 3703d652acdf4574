#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/entropy/tg2_dither.h"
#include "tg2/entropy/tg2_ditherTable.h"
#include "support/cv_exception.h"

using namespace Corvane;

TEST(Dequantise, UnitIndicesWithStepTwo) {
    EXPECT_FLOAT_EQ(dequantiseIndex(1, 2.0f), 2.12f);
    EXPECT_FLOAT_EQ(dequantiseIndex(-1, 2.0f), -2.12f);
    EXPECT_EQ(dequantiseIndex(0, 2.0f), 0.0f);
}

TEST(Dequantise, ZeroStepClearsEverything) {
    std::vector<std::int32_t> in{5, -7, 1000};
    std::vector<float> out(3, 9.0f);
    dequantiseIndices(in.data(), out.data(), in.size(), 0.0f);
    for (float v : out) EXPECT_EQ(v, 0.0f);
}

TEST(Dequantise, TableAndDirectPathsAgree) {
    std::vector<std::int32_t> in{-46, -45, -2, 0, 3, 45, 46, 100000};
    std::vector<float> out(in.size());
    dequantiseIndices(in.data(), out.data(), in.size(), 1.5f);
    EXPECT_FLOAT_EQ(out[0], (-46 + 0.44f) * 1.5f - 0.75f);
    EXPECT_FLOAT_EQ(out[1], (-45 + 0.44f) * 1.5f - 0.75f);
    EXPECT_FLOAT_EQ(out[4], (3 - 0.44f) * 1.5f + 0.75f);
    EXPECT_FLOAT_EQ(out[6], (46 - 0.44f) * 1.5f + 0.75f);
    for (std::size_t i = 0; i < in.size(); ++i) EXPECT_EQ(out[i], dequantiseIndex(in[i], 1.5f));
}

TEST(Dequantise, EffectiveStepFollowsLevelAndWeight) {
    EXPECT_EQ(effectiveStep(2.0f, 0, 1.0), 2.0f);
    EXPECT_FLOAT_EQ(effectiveStep(2.0f, 2, 0.5), 1.74660110f);
    // A magnifying request (negative level) enlarges the step.
    EXPECT_FLOAT_EQ(effectiveStep(3.0f, -1, 1.25), 3.63198773f);
}

TEST(DitherTable, FixedStartAndUniformSpread) {
    EXPECT_FLOAT_EQ(kTG2DitherTable[0][0], -0.164586f);
    EXPECT_FLOAT_EQ(kTG2DitherTable[0][1], 0.124951f);
    EXPECT_FLOAT_EQ(kTG2DitherTable[0][2], -0.201814f);
    EXPECT_FLOAT_EQ(kTG2DitherTable[0][3], 0.185233f);
    double sum = 0.0, squares = 0.0;
    int quarters[4] = {};
    for (const auto& row : kTG2DitherTable)
        for (float v : row) {
            ASSERT_GE(v, -0.25f);
            ASSERT_LE(v, 0.25f);
            sum += v;
            squares += static_cast<double>(v) * v;
            ++quarters[std::min(3, static_cast<int>((v + 0.25f) * 8.0f))];
        }
    const double n = kTG2DitherSize * kTG2DitherSize;
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(squares / n, 0.25 * 0.25 / 3.0, 0.001);  // variance of a uniform spread
    for (int q : quarters) EXPECT_NEAR(q, n / 4, n / 40);
}

TEST(Dither, SubtractsTheStepScaledTableEntryAtWrappedCoordinates) {
    // Two rows of three coefficients whose first element sits at subband column
    // 126, row 127, with chunk dither offsets 3 (columns) and 5 (rows).
    std::vector<float> c(6, 1.0f);
    const TG2DitherPlacement placement{126, 127, 3, 5, 1};
    removeDither(c.data(), 3, 2, 2.0f, placement);
    EXPECT_FLOAT_EQ(c[0], 1.0f - 2.0f * kTG2DitherTable[4][1]);
    EXPECT_FLOAT_EQ(c[2], 1.0f - 2.0f * kTG2DitherTable[4][3]);
    EXPECT_FLOAT_EQ(c[3], 1.0f - 2.0f * kTG2DitherTable[5][1]);

    std::vector<float> zeroStep(6, 1.0f);
    removeDither(zeroStep.data(), 3, 2, 0.0f, placement);
    EXPECT_EQ(zeroStep, std::vector<float>(6, 1.0f));

    std::vector<float> back(c);
    addDither(back.data(), 3, 2, 2.0f, placement);
    for (float v : back) EXPECT_NEAR(v, 1.0f, 1e-6f);
}

TEST(Dither, RefusesAnythingButOneBand) {
    std::vector<float> c(4, 0.0f);
    try {
        removeDither(c.data(), 2, 2, 1.0f, {0, 0, 0, 0, 3});
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "[4][2019]Error 1 in dth.");
    }
}

TEST(Dither, BlockDequantisationWithAndWithoutDither) {
    const std::int32_t indices[] = {1, 0, -1, 2};
    float plain[4];
    dequantiseBlock(indices, plain, 2, 2, 2.0f, nullptr);
    EXPECT_FLOAT_EQ(plain[0], 2.12f);
    EXPECT_EQ(plain[1], 0.0f);
    EXPECT_FLOAT_EQ(plain[2], -2.12f);
    EXPECT_FLOAT_EQ(plain[3], 4.12f);

    float dithered[4];
    const TG2DitherPlacement placement{10, 20, 1, 2, 1};
    dequantiseBlock(indices, dithered, 2, 2, 2.0f, &placement);
    EXPECT_FLOAT_EQ(dithered[0], 2.12f - 2.0f * kTG2DitherTable[22][11]);
    EXPECT_FLOAT_EQ(dithered[1], -2.0f * kTG2DitherTable[22][12]);
    EXPECT_FLOAT_EQ(dithered[3], 4.12f - 2.0f * kTG2DitherTable[23][12]);
}
