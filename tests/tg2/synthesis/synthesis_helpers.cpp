#include "synthesis_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tg2/synthesis/tg2_merge2.h"

using namespace Corvane;

namespace synthesis_test {

CoefficientPlane randomImage(std::uint32_t width, std::uint32_t height, std::mt19937& random,
                             float low, float high) {
    std::uniform_real_distribution<float> value(low, high);
    CoefficientPlane image;
    image.width = width;
    image.height = height;
    image.samples.resize(std::size_t{width} * height);
    for (float& v : image.samples) v = value(random);
    return image;
}

void fillLeaves(Subband& root, const std::vector<CoefficientPlane>& planes) {
    for (Subband* leaf : root.leaves()) {
        const CoefficientPlane& plane = planes.at(static_cast<std::size_t>(leaf->leafNumber()));
        EXPECT_EQ(plane.width, leaf->width());
        EXPECT_EQ(plane.height, leaf->height());
        Array2D& band = leaf->band(0);
        const Region& s = leaf->support();
        for (std::int64_t r = s.y0; r <= s.y1; ++r)
            for (std::int64_t c = s.x0; c <= s.x1; ++c)
                band.at(0, c, r) =
                    plane.at(static_cast<std::uint32_t>(c), static_cast<std::uint32_t>(r));
    }
}

Array2D reconstruct(const std::vector<CoefficientPlane>& planes, std::uint32_t width,
                    std::uint32_t height, std::uint32_t levels, std::int32_t level,
                    const Region& support) {
    Subband root(width, height, 1, levels, level, support);
    fillLeaves(root, planes);
    synthesise(root);
    return root.band(0);
}

double largestDifference(const Array2D& array, const CoefficientPlane& plane) {
    double largest = 0.0;
    const Region& s = array.area();
    for (std::int64_t r = s.y0; r <= s.y1; ++r)
        for (std::int64_t c = s.x0; c <= s.x1; ++c) {
            const double difference =
                std::fabs(double{array.at(0, c, r)} -
                          plane.at(static_cast<std::uint32_t>(c), static_cast<std::uint32_t>(r)));
            largest = std::max(largest, difference);
        }
    return largest;
}

}  // namespace synthesis_test
