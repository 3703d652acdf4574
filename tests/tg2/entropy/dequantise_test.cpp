#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/thrown_text.h"
#include "encode/tg2/entropy/tg2_quantiser.h"
#include "support/cv_exception.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/entropy/tg2_dither.h"
#include "tg2/entropy/tg2_ditherTable.h"

using namespace Corvane;

TEST(Dequantise, IndicesComeBackAtTheMidpointOfTheirInterval) {
    // A non-zero index i of step q decodes to sign(i) ((|i| - 0.44) q + q / 2).
    struct Case {
        std::int32_t index;
        float step, value;
    };
    const std::vector<Case> cases = {
        {1, 2.0f, 2.12f},           {-1, 2.0f, -2.12f},   {0, 2.0f, 0.0f},  {2, 2.0f, 4.12f},
        {-46, 1.5f, -69.09f},       {-45, 1.5f, -67.59f}, {3, 1.5f, 4.59f}, {46, 1.5f, 69.09f},
        {100000, 1.5f, 150000.09f}, {5, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(dequantiseIndex(c.index, c.step), c.value) << c.index << " " << c.step;
        // The table for small indices and the direct path agree.
        float many[1];
        dequantiseIndices(&c.index, many, 1, c.step);
        EXPECT_EQ(many[0], dequantiseIndex(c.index, c.step)) << c.index;
    }
    // The step of a level divides by the level gain 1.5133282 per level and the weight.
    EXPECT_EQ(effectiveStep(2.0f, 0, 1.0), 2.0f);
    EXPECT_FLOAT_EQ(effectiveStep(2.0f, 2, 0.5), 1.74660110f);
    EXPECT_FLOAT_EQ(effectiveStep(3.0f, -1, 1.25), 3.63198773f);  // magnified
}

TEST(Quantiser, IndicesOfHandPickedValuesAndRefusals) {
    // i = sign(x) floor(|x| / q + 0.44): a value moves to the next index 0.56 q past
    // the previous one.
    struct Case {
        float value, step;
        std::int32_t index;
    };
    const std::vector<Case> cases = {
        {0.0f, 2.0f, 0},  {1.1f, 2.0f, 0},           {1.13f, 2.0f, 1},    {-1.13f, 2.0f, -1},
        {3.1f, 2.0f, 1},  {3.13f, 2.0f, 2},          {100.0f, 0.5f, 200}, {-0.27f, 0.5f, 0},
        {0.29f, 0.5f, 1}, {-32767.0f, 1.0f, -32767},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quantiseValue(c.value, c.step), c.index) << c.value << " / " << c.step;
    const std::vector<std::pair<float, float>> refused = {{1.0f, 0.0f},     {1.0f, -1.0f},
                                                          {1.0f, NAN},      {INFINITY, 1.0f},
                                                          {32767.6f, 1.0f}, {1e30f, 1.0f}};
    for (const auto& [value, step] : refused)
        EXPECT_THROW(quantiseValue(value, step), InvalidArgumentException)
            << value << " / " << step;
}

TEST(Dither, TheTableHasItsFixedStartAndSpread) {
    EXPECT_FLOAT_EQ(kTG2DitherTable[0][0], -0.164586f);
    EXPECT_FLOAT_EQ(kTG2DitherTable[0][1], 0.124951f);
    EXPECT_FLOAT_EQ(kTG2DitherTable[0][2], -0.201814f);
    EXPECT_FLOAT_EQ(kTG2DitherTable[0][3], 0.185233f);
    double sum = 0.0;
    for (const auto& row : kTG2DitherTable)
        for (float v : row) {
            ASSERT_GE(v, -0.25f);
            ASSERT_LE(v, 0.25f);
            sum += v;
        }
    EXPECT_NEAR(sum / (kTG2DitherSize * kTG2DitherSize), 0.0, 0.01);
}

TEST(Dither, SubtractsTheStepScaledTableEntryAtWrappedCoordinates) {
    // Two rows of three coefficients whose first element sits at subband column 126,
    // row 127, with chunk dither offsets 3 (columns) and 5 (rows).
    std::vector<float> c(6, 1.0f);
    const TG2DitherPlacement placement{126, 127, 3, 5, 1};
    removeDither(c.data(), 3, 2, 2.0f, placement);
    EXPECT_FLOAT_EQ(c[0], 1.0f - 2.0f * kTG2DitherTable[4][1]);
    EXPECT_FLOAT_EQ(c[2], 1.0f - 2.0f * kTG2DitherTable[4][3]);
    EXPECT_FLOAT_EQ(c[3], 1.0f - 2.0f * kTG2DitherTable[5][1]);
    std::vector<float> back(c);
    addDither(back.data(), 3, 2, 2.0f, placement);
    for (float v : back) EXPECT_NEAR(v, 1.0f, 1e-6f);

    // Whole blocks are dequantised and the dither removed in one pass.
    const std::int32_t indices[] = {1, 0, -1, 2};
    float dithered[4];
    const TG2DitherPlacement block{10, 20, 1, 2, 1};
    dequantiseBlock(indices, dithered, 2, 2, 2.0f, &block);
    EXPECT_FLOAT_EQ(dithered[0], 2.12f - 2.0f * kTG2DitherTable[22][11]);
    EXPECT_FLOAT_EQ(dithered[1], -2.0f * kTG2DitherTable[22][12]);
    EXPECT_FLOAT_EQ(dithered[3], 4.12f - 2.0f * kTG2DitherTable[23][12]);

    EXPECT_EQ(tovex_test::thrownText([&] {
                  removeDither(c.data(), 2, 2, 1.0f, {0, 0, 0, 0, 3});
              }),
              "[4][2019]Error 1 in dth.");
}
