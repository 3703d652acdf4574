#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/synthesis/tg2_merge2.h"
#include "tg2/synthesis/tg2_subband.h"

using namespace Corvane;

namespace {

constexpr double kLevelGain = 1.5133282207855925;
constexpr double kLow = 1.1496044397354126;
constexpr double kHigh = 0.8698644206960049;

CoefficientPlane randomImage(std::uint32_t width, std::uint32_t height, std::mt19937& random) {
    std::uniform_real_distribution<float> value(0.0f, 255.0f);
    CoefficientPlane image{width, height, std::vector<float>(std::size_t{width} * height)};
    for (float& v : image.samples) v = value(random);
    return image;
}

std::uint32_t sizeAtLevel(std::uint32_t size, std::int32_t level) {
    for (std::int32_t i = 0; i < level; ++i) size = (size + 1) / 2;
    return size;
}

Region whole(std::uint32_t width, std::uint32_t height, std::int32_t level = 0) {
    return {0, 0, std::int64_t{sizeAtLevel(width, level)} - 1,
            std::int64_t{sizeAtLevel(height, level)} - 1};
}

// Builds the tree for `support` at `level`, fills every leaf with the part of the
// analysis plane of its subband index that it covers, and synthesises it.
Array2D reconstruct(const std::vector<CoefficientPlane>& planes, std::uint32_t width,
                    std::uint32_t height, std::uint32_t levels, std::int32_t level,
                    const Region& support, bool magnify = false) {
    Subband root(width, height, 1, levels, level, support, magnify);
    for (Subband* leaf : root.leaves()) {
        const CoefficientPlane& plane = planes.at(static_cast<std::size_t>(leaf->leafNumber()));
        EXPECT_EQ(plane.width, leaf->width());
        EXPECT_EQ(plane.height, leaf->height());
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

TEST(Merge2, ForwardThenSynthesisRestoresImagesOfManySizes) {
    // Every lifting step rounds to float, yet the synthesis damps what the coarse
    // levels add: the largest error measured is 5e-4, some 32 float steps at 255. A
    // wrong factor, sign or mirror costs whole units. Levels go one past the point
    // where every plane is one sample.
    std::mt19937 random(7);
    for (std::uint32_t width : {1u, 2u, 3u, 5u, 8u, 9u, 17u, 30u, 65u})
        for (std::uint32_t height : {1u, 2u, 3u, 6u, 11u, 37u}) {
            const CoefficientPlane image = randomImage(width, height, random);
            std::uint32_t fit = 1;
            while (sizeAtLevel(width, std::int32_t(fit)) > 1 ||
                   sizeAtLevel(height, std::int32_t(fit)) > 1)
                ++fit;
            for (std::uint32_t levels = 0; levels <= fit + 1; ++levels) {
                const Array2D restored = reconstruct(analyse97(image, levels), width, height,
                                                     levels, 0, whole(width, height));
                EXPECT_LT(largestDifference(restored, image), 2e-3)
                    << width << " x " << height << ", " << levels << " levels";
            }
        }
}

TEST(Merge2, ReducedLevelsRestoreTheLowLowBandOfTheAnalysis) {
    std::mt19937 random(11);
    const CoefficientPlane image = randomImage(45, 38, random);
    const std::vector<CoefficientPlane> planes = analyse97(image, 4);
    for (std::int32_t level = 1; level <= 4; ++level) {
        const CoefficientPlane lowLow = analyse97(image, std::uint32_t(level))[0];
        const Array2D restored = reconstruct(planes, 45, 38, 4, level, whole(45, 38, level));
        EXPECT_EQ(restored.width(), lowLow.width);
        EXPECT_EQ(restored.height(), lowLow.height);
        EXPECT_LT(largestDifference(restored, lowLow), 2e-3) << "level " << level;
    }
}

TEST(Merge2, EveryWindowOfSmallImagesMatchesTheWholeImageBitForBit) {
    // Small planes put both mirrored ends and the widened child supports inside
    // every window; all windows of every level are tried.
    std::mt19937 random(17);
    for (std::uint32_t width : {1u, 2u, 3u, 6u, 7u})
        for (std::uint32_t height : {1u, 2u, 3u, 6u, 7u}) {
            const std::vector<CoefficientPlane> planes =
                analyse97(randomImage(width, height, random), 3);
            for (std::int32_t level = 0; level <= 3; ++level) {
                const Region all = whole(width, height, level);
                const Array2D full = reconstruct(planes, width, height, 3, level, all);
                for (std::int64_t c0 = 0; c0 <= all.x1; ++c0)
                    for (std::int64_t c1 = c0; c1 <= all.x1; ++c1)
                        for (std::int64_t r0 = 0; r0 <= all.y1; ++r0)
                            for (std::int64_t r1 = r0; r1 <= all.y1; ++r1) {
                                const Array2D part = reconstruct(planes, width, height, 3, level,
                                                                 Region{c0, r0, c1, r1});
                                for (std::int64_t r = r0; r <= r1; ++r)
                                    for (std::int64_t c = c0; c <= c1; ++c)
                                        ASSERT_EQ(part.at(0, c, r), full.at(0, c, r))
                                            << width << " x " << height << " level " << level;
                            }
            }
        }
}

TEST(Merge2, MagnifiedRequestsInterpolateTheImage) {
    // With no detail beyond full resolution, a constant image comes back constant at
    // twice the size, divided by the level gain that the decoder's step compensates.
    const CoefficientPlane image{9, 6, std::vector<float>(54, 80.0f)};
    std::vector<CoefficientPlane> planes = analyse97(image, 2);
    for (int i = 0; i < 3; ++i) planes.push_back(CoefficientPlane{9, 6, std::vector<float>(54)});
    const Array2D band = reconstruct(planes, 9, 6, 2, -1, Region{0, 0, 17, 11}, true);
    for (std::int64_t r = 0; r < 12; ++r)
        for (std::int64_t c = 0; c < 18; ++c)
            EXPECT_NEAR(band.at(0, c, r), 80.0 / kLevelGain, 1e-3) << c << "," << r;
}

TEST(Merge2, ChildrenThatLackWhatThePassesReadAreRefused) {
    // A 16 x 16 node wants columns and rows 4 to 8, which read positions 1 to 11:
    // low-pass coefficients 1 .. 5 and high-pass ones 0 .. 5 in each direction.
    const Region area{4, 4, 8, 8}, part{0, 0, 5, 5}, shortColumns{0, 0, 4, 5},
        shortRows{0, 0, 5, 4};
    struct Case {
        const char* name;
        Region children[2][2];
        Region out;
        int code;
    };
    const std::vector<Case> cases = {
        {"low-low misses a column", {{shortColumns, part}, {part, part}}, area, 0x1d},
        {"low-high misses a row", {{part, shortRows}, {part, part}}, area, 0x1e},
        {"high-low misses a column", {{part, part}, {shortColumns, part}}, area, 0x1f},
        {"high-high misses a row", {{part, part}, {part, shortRows}}, area, 0x20},
        {"output leaves the plane", {{part, part}, {part, part}}, {4, 4, 16, 8}, 0x21},
        {"every child whole", {{part, part}, {part, part}}, area, 0},
    };
    for (const Case& c : cases) {
        Array2D arrays[2][2];
        const Array2D* children[2][2];
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                arrays[i][j] = Array2D(c.children[i][j]);
                children[i][j] = &arrays[i][j];
            }
        Array2D out(c.out);
        std::string message = "accepted";
        try {
            merge2(children, 16, 16, out);
        } catch (const Exception& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.code ? getMessageText(messageCode(1, c.code)) : "accepted") << c.name;
    }
}

TEST(Subband, LeavesFollowTheSubbandIndexOrderWithTheirWeights) {
    // The coarsest low-low band, then the details from the coarsest level to the
    // finest, each as [1][0], [0][1], [1][1]; plane sizes 20 x 12, 10 x 6, 5 x 3.
    Subband root(40, 24, 3, 3, 0, Region{0, 0, 39, 23});
    const std::vector<Subband*> leaves = root.leaves();
    ASSERT_EQ(leaves.size(), 10u);
    const Subband* level2 = root.child(0, 0);
    const Subband* level3 = level2->child(0, 0);
    const std::vector<const Subband*> expected = {
        level3->child(0, 0), level3->child(1, 0), level3->child(0, 1), level3->child(1, 1),
        level2->child(1, 0), level2->child(0, 1), level2->child(1, 1), root.child(1, 0),
        root.child(0, 1),    root.child(1, 1)};
    const std::uint32_t widths[] = {5, 5, 5, 5, 10, 10, 10, 20, 20, 20};
    const double weights[] = {std::pow(kLow, 6),
                              std::pow(kLow, 5) * kHigh,
                              std::pow(kLow, 5) * kHigh,
                              std::pow(kLow, 4) * kHigh * kHigh,
                              kLow * kLow * kLow * kHigh,
                              kLow * kLow * kLow * kHigh,
                              kLow * kLow * kHigh * kHigh,
                              kLow * kHigh,
                              kLow * kHigh,
                              kHigh * kHigh};
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        EXPECT_EQ(leaves[i], expected[i]) << i;
        EXPECT_EQ(leaves[i]->leafNumber(), static_cast<std::int32_t>(i));
        EXPECT_EQ(leaves[i]->width(), widths[i]) << i;
        EXPECT_NEAR(leaves[i]->weight(), weights[i], 1e-12) << i;
    }
    // A reduced request keeps the numbers and weights of the full tree.
    Subband reduced(40, 24, 1, 3, 2, Region{0, 0, 9, 5});
    ASSERT_EQ(reduced.leaves().size(), 4u);
    EXPECT_NEAR(reduced.leaves()[3]->weight(), weights[3], 1e-6);
}

TEST(Subband, InvalidRequestsAreRefusedWithTheirMessages) {
    const std::string badSupport = getMessageText(kInvalidImageSupport);
    const std::string beyondLevels = getMessageText(kScaleBeyondLevels);
    const std::string outOfRange = getMessageText(kScaleOutOfRange);
    struct Case {
        const char* name;
        std::int32_t level;
        Region support;
        bool magnify;
        const std::string& message;
    };
    const std::vector<Case> cases = {
        {"negative first column", 0, {-1, 0, 3, 3}, false, badSupport},
        {"last row past the reduced plane", 1, {0, 0, 3, 15}, false, badSupport},
        {"columns inverted", 0, {5, 0, 4, 3}, false, badSupport},
        {"level above the image's", 4, {0, 0, 1, 1}, false, outOfRange},
        {"level above the image's when magnifying", 4, {0, 0, 1, 1}, true, beyondLevels},
        {"magnification past 32 bits", -31, {0, 0, 1, 1}, true, beyondLevels},
    };
    for (const Case& c : cases) {
        try {
            Subband root(40, 30, 1, 3, c.level, c.support, c.magnify);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const InvalidArgumentException& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.name << ": " << e.what();
        }
    }
}

TEST(Subband, DeepTreesAndHugeArraysAreHandledWithoutRecursionOrAllocation) {
    Subband root(3, 3, 1, 20000, 0, Region{0, 0, 2, 2});
    EXPECT_EQ(root.leaves().size(), 3u * 20000 + 1);
    // The cap on one allocation is 64M floats: five bands of 4096 x 4096 are 80M.
    EXPECT_THROW(Array2D(Region{0, 0, 16383, 16383}), OutOfMemoryException);
    EXPECT_THROW(Array2D(Region{0, 0, (std::int64_t{1} << 40), 1 << 22}, 4), OutOfMemoryException);
    EXPECT_THROW(Array2D(Region{0, 0, 4095, 4095}, 5), OutOfMemoryException);
    EXPECT_NO_THROW(Array2D(Region{0, 0, 4095, 4095}, 3));
}
