#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"

using namespace Corvane;

namespace {

// The two-dimensional DC gain of one level of the unscaled analysis, the factor
// by which the decoder divides each level of a reduced-resolution request.
constexpr double kLevelGain = 1.5133282207855925;

CoefficientPlane constantImage(std::uint32_t width, std::uint32_t height, float value) {
    CoefficientPlane image;
    image.width = width;
    image.height = height;
    image.samples.assign(std::size_t{width} * height, value);
    return image;
}

}  // namespace

TEST(Forward97, PlanesComeInSubbandIndexOrderWithTheirSizes) {
    // 13 x 7 splits into 7 x 4 / 6 x 3, then 4 x 2 / 3 x 2.
    const std::vector<CoefficientPlane> planes = analyse97(constantImage(13, 7, 1.0f), 2);
    ASSERT_EQ(planes.size(), 7u);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes = {
        {4, 2}, {3, 2}, {4, 2}, {3, 2}, {6, 4}, {7, 3}, {6, 3}};
    for (std::size_t i = 0; i < planes.size(); ++i) {
        EXPECT_EQ(planes[i].width, sizes[i].first) << i;
        EXPECT_EQ(planes[i].height, sizes[i].second) << i;
        EXPECT_EQ(planes[i].samples.size(), std::size_t{sizes[i].first} * sizes[i].second);
    }
}

TEST(Forward97, ConstantImagesKeepOnlyTheLowLowBandScaledByTheLevelGain) {
    for (std::uint32_t levels = 0; levels <= 4; ++levels) {
        const std::vector<CoefficientPlane> planes =
            analyse97(constantImage(40, 24, 100.0f), levels);
        const double expected = 100.0 * std::pow(kLevelGain, levels);
        for (float value : planes[0].samples)
            EXPECT_NEAR(value, expected, 1e-5 * expected) << levels;
        for (std::size_t i = 1; i < planes.size(); ++i)
            for (float value : planes[i].samples)
                EXPECT_NEAR(value, 0.0, 1e-3) << levels << ":" << i;
    }
}
