#include <gtest/gtest.h>

#include <vector>

#include "../../src/tg2/tg2_dequantise.h"

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
