#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"
#include "encode/tg2/entropy/tg2_quantiser.h"
#include "support/cv_exception.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/synthesis/tg2_subband.h"

using namespace Corvane;

TEST(Quantiser, IndicesOfHandPickedValues) {
    struct Case {
        float value, step;
        std::int32_t index;
    };
    // i = sign(x) floor(|x| / q + 0.44): a value moves to the next index 0.56 q
    // past the previous one.
    const std::vector<Case> cases = {
        {0.0f, 2.0f, 0},     {1.1f, 2.0f, 0},   {1.13f, 2.0f, 1}, {-1.13f, 2.0f, -1},
        {2.12f, 2.0f, 1},    {3.1f, 2.0f, 1},   {3.13f, 2.0f, 2}, {-3.13f, 2.0f, -2},
        {100.0f, 0.5f, 200}, {-0.27f, 0.5f, 0}, {0.29f, 0.5f, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quantiseValue(c.value, c.step), c.index) << c.value << " / " << c.step;
}

TEST(Quantiser, ReconstructionsQuantiseToTheirOwnIndex) {
    for (float step : {0.25f, 1.0f, 3.5f})
        for (std::int32_t index = -300; index <= 300; ++index)
            EXPECT_EQ(quantiseValue(dequantiseIndex(index, step), step), index) << step;
}

TEST(Quantiser, DecodedValuesStayWithinHalfAStep) {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> value(-500.0f, 500.0f);
    for (float step : {0.1f, 1.0f, 7.0f}) {
        for (int i = 0; i < 5000; ++i) {
            const float x = value(random);
            const std::int32_t index = quantiseValue(x, step);
            // Values that fall to zero may lie up to 0.56 q away from it.
            const float reach = index == 0 ? 0.56f * step : 0.5f * step;
            EXPECT_LE(std::fabs(dequantiseIndex(index, step) - x), reach * 1.0001f)
                << x << " / " << step;
        }
    }
}

TEST(Quantiser, SubtractiveDitherIsRemovedByTheDecoder) {
    std::mt19937 random(4);
    std::uniform_real_distribution<float> value(-40.0f, 40.0f);
    std::uniform_real_distribution<float> ditherValue(-0.25f, 0.25f);
    CoefficientPlane plane;
    plane.width = 9;
    plane.height = 7;
    for (int i = 0; i < 63; ++i) plane.samples.push_back(value(random));
    std::vector<float> table(63);
    for (float& d : table) d = ditherValue(random);
    const DitherSource dither = [&](std::uint32_t column, std::uint32_t row) {
        return table[row * 9 + column];
    };
    const float step = 2.0f;
    const std::vector<std::int32_t> plain = quantisePlane(plane, step);
    const std::vector<std::int32_t> dithered = quantisePlane(plane, step, dither);
    int changed = 0;
    for (std::uint32_t r = 0; r < 7; ++r)
        for (std::uint32_t c = 0; c < 9; ++c) {
            const std::size_t i = r * 9 + c;
            EXPECT_EQ(plain[i], quantiseValue(plane.at(c, r), step));
            changed += plain[i] != dithered[i];
            const float decoded = dequantiseIndex(dithered[i], step) - step * table[i];
            EXPECT_LE(std::fabs(decoded - plane.at(c, r)), 0.56f * step * 1.0001f);
        }
    EXPECT_GT(changed, 0);
}

TEST(Quantiser, RefusesStepsAndValuesItCannotCode) {
    EXPECT_THROW(quantiseValue(1.0f, 0.0f), InvalidArgumentException);
    EXPECT_THROW(quantiseValue(1.0f, -1.0f), InvalidArgumentException);
    EXPECT_THROW(quantiseValue(1.0f, NAN), InvalidArgumentException);
    EXPECT_THROW(quantiseValue(INFINITY, 1.0f), InvalidArgumentException);
    EXPECT_EQ(quantiseValue(-32767.0f, 1.0f), -32767);
    EXPECT_THROW(quantiseValue(32767.6f, 1.0f), InvalidArgumentException);
    EXPECT_THROW(quantiseValue(1e30f, 1.0f), InvalidArgumentException);
}

TEST(Quantiser, WeightsFollowTheSubbandIndexOrder) {
    const std::vector<double> weights = subbandWeights(50, 40, 2);
    ASSERT_EQ(weights.size(), 7u);
    const double low = 1.1496044397354126, high = 0.8698644206960049;
    EXPECT_DOUBLE_EQ(weights[0], low * low * low * low);
    EXPECT_DOUBLE_EQ(weights[1], low * low * high * low);
    EXPECT_DOUBLE_EQ(weights[6], high * high);

    std::vector<CoefficientPlane> planes(7);
    for (std::size_t i = 0; i < planes.size(); ++i) planes[i].samples = {1.0f, -2.0f};
    applySubbandWeights(planes, weights);
    for (std::size_t i = 0; i < planes.size(); ++i) {
        EXPECT_EQ(planes[i].samples[0], static_cast<float>(weights[i]));
        EXPECT_EQ(planes[i].samples[1], static_cast<float>(-2.0 * weights[i]));
    }
    planes.pop_back();
    EXPECT_THROW(applySubbandWeights(planes, weights), InvalidArgumentException);
}
