#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"
#include "support/cv_exception.h"
#include "support/cv_messages.h"
#include "synthesis_helpers.h"
#include "tg2/synthesis/tg2_merge2.h"
#include "tg2/synthesis/tg2_subband.h"

using namespace Corvane;
using namespace synthesis_test;

namespace {

// The number of levels after which every plane of the image is one sample, plus
// one more to show that further levels of single samples are harmless.
std::uint32_t levelsThatFit(std::uint32_t width, std::uint32_t height) {
    std::uint32_t levels = 0;
    for (std::uint32_t w = width, h = height; w > 1 || h > 1; w = (w + 1) / 2, h = (h + 1) / 2)
        ++levels;
    return levels + 1;
}

Region whole(std::uint32_t width, std::uint32_t height) {
    return Region{0, 0, std::int64_t{width} - 1, std::int64_t{height} - 1};
}

std::uint32_t sizeAtLevel(std::uint32_t size, std::int32_t level) {
    for (std::int32_t i = 0; i < level; ++i) size = (size + 1) / 2;
    return size;
}

}  // namespace

TEST(Merge2, ForwardThenSynthesisRestoresImagesOfManySizes) {
    // Samples in [0, 255). Every lifting step rounds to float (2^-24 relative),
    // and the low-low values grow by at most 1.52 per level, yet the synthesis
    // damps what the coarse levels add: over sizes up to 511 x 300 and ten
    // levels the largest error measured is 5e-4, some 32 float steps at 255.
    // The bound is four times that; a wrong factor, sign or mirror costs whole
    // units.
    const std::vector<std::uint32_t> sizes = {1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 30, 33, 64, 65};
    std::mt19937 random(7);
    for (std::uint32_t width : sizes)
        for (std::uint32_t height : {1u, 2u, 3u, 6u, 11u, 32u, 37u}) {
            const CoefficientPlane image = randomImage(width, height, random);
            for (std::uint32_t levels = 0; levels <= levelsThatFit(width, height); ++levels) {
                const std::vector<CoefficientPlane> planes = analyse97(image, levels);
                ASSERT_EQ(planes.size(), 3 * levels + 1);
                const Array2D restored =
                    reconstruct(planes, width, height, levels, 0, whole(width, height));
                EXPECT_LT(largestDifference(restored, image), 2e-3)
                    << width << " x " << height << ", " << levels << " levels";
            }
        }
}

TEST(Merge2, ReducedLevelsRestoreTheLowLowBandOfTheAnalysis) {
    std::mt19937 random(11);
    const std::uint32_t width = 45, height = 38, levels = 4;
    const CoefficientPlane image = randomImage(width, height, random);
    const std::vector<CoefficientPlane> planes = analyse97(image, levels);
    for (std::int32_t level = 1; level <= 4; ++level) {
        const CoefficientPlane lowLow = analyse97(image, static_cast<std::uint32_t>(level))[0];
        const Array2D restored =
            reconstruct(planes, width, height, levels, level,
                        whole(sizeAtLevel(width, level), sizeAtLevel(height, level)));
        EXPECT_EQ(restored.width(), lowLow.width);
        EXPECT_EQ(restored.height(), lowLow.height);
        EXPECT_LT(largestDifference(restored, lowLow), 2e-3) << "level " << level;
    }
}

TEST(Merge2, WindowsEqualTheSameWindowOfTheWholeImageBitForBit) {
    std::mt19937 random(5);
    struct Image {
        std::uint32_t width, height, levels;
    };
    for (const Image& shape : {Image{37, 29, 3}, Image{64, 48, 4}, Image{5, 70, 5}}) {
        const CoefficientPlane image = randomImage(shape.width, shape.height, random);
        const std::vector<CoefficientPlane> planes = analyse97(image, shape.levels);
        for (std::int32_t level = 0; level <= static_cast<std::int32_t>(shape.levels); ++level) {
            const std::int64_t w = sizeAtLevel(shape.width, level);
            const std::int64_t h = sizeAtLevel(shape.height, level);
            const Array2D full =
                reconstruct(planes, shape.width, shape.height, shape.levels, level,
                            whole(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)));
            std::vector<Region> windows = {
                {0, 0, 0, 0},
                {w - 1, h - 1, w - 1, h - 1},
                {0, h - 1, w - 1, h - 1},
                {w - 1, 0, w - 1, h - 1},
                {w / 3, h / 4, w / 2, h / 2},
            };
            std::uniform_int_distribution<std::int64_t> column(0, w - 1), row(0, h - 1);
            for (int i = 0; i < 20; ++i) {
                std::int64_t c0 = column(random), c1 = column(random);
                std::int64_t r0 = row(random), r1 = row(random);
                windows.push_back(
                    {std::min(c0, c1), std::min(r0, r1), std::max(c0, c1), std::max(r0, r1)});
            }
            for (const Region& window : windows) {
                const Array2D part =
                    reconstruct(planes, shape.width, shape.height, shape.levels, level, window);
                ASSERT_EQ(part.area(), window);
                for (std::int64_t r = window.y0; r <= window.y1; ++r)
                    for (std::int64_t c = window.x0; c <= window.x1; ++c)
                        ASSERT_EQ(part.at(0, c, r), full.at(0, c, r))
                            << shape.width << " x " << shape.height << " level " << level
                            << " window " << window.x0 << "," << window.y0 << ".." << window.x1
                            << "," << window.y1;
            }
        }
    }
}

TEST(Merge2, EveryWindowOfSmallImagesMatchesTheWholeImage) {
    // Small planes put both mirrored ends and the widened child supports inside
    // every window; all windows of every level are tried.
    std::mt19937 random(17);
    for (std::uint32_t width : {1u, 2u, 3u, 6u, 7u})
        for (std::uint32_t height : {1u, 2u, 3u, 6u, 7u}) {
            const std::uint32_t levels = 3;
            const CoefficientPlane image = randomImage(width, height, random);
            const std::vector<CoefficientPlane> planes = analyse97(image, levels);
            for (std::int32_t level = 0; level <= 3; ++level) {
                const std::int64_t w = sizeAtLevel(width, level);
                const std::int64_t h = sizeAtLevel(height, level);
                const Array2D full =
                    reconstruct(planes, width, height, levels, level, Region{0, 0, w - 1, h - 1});
                for (std::int64_t c0 = 0; c0 < w; ++c0)
                    for (std::int64_t c1 = c0; c1 < w; ++c1)
                        for (std::int64_t r0 = 0; r0 < h; ++r0)
                            for (std::int64_t r1 = r0; r1 < h; ++r1) {
                                const Array2D part = reconstruct(planes, width, height, levels,
                                                                 level, Region{c0, r0, c1, r1});
                                for (std::int64_t r = r0; r <= r1; ++r)
                                    for (std::int64_t c = c0; c <= c1; ++c)
                                        ASSERT_EQ(part.at(0, c, r), full.at(0, c, r))
                                            << width << " x " << height << " level " << level;
                            }
            }
        }
}

TEST(Merge2, EveryBandIsSynthesised) {
    std::mt19937 random(3);
    const std::uint32_t width = 20, height = 14, levels = 2;
    Subband root(width, height, 3, levels, 0, whole(width, height));
    std::vector<CoefficientPlane> images;
    for (std::uint32_t b = 0; b < 3; ++b) {
        images.push_back(randomImage(width, height, random));
        const std::vector<CoefficientPlane> planes = analyse97(images.back(), levels);
        for (Subband* leaf : root.leaves()) {
            const CoefficientPlane& plane = planes[static_cast<std::size_t>(leaf->leafNumber())];
            Array2D& band = leaf->band(b);
            for (std::uint32_t r = 0; r < plane.height; ++r)
                for (std::uint32_t c = 0; c < plane.width; ++c) band.at(0, c, r) = plane.at(c, r);
        }
    }
    synthesise(root);
    for (std::uint32_t b = 0; b < 3; ++b) {
        const Array2D& band = root.band(b);
        for (std::uint32_t r = 0; r < height; ++r)
            for (std::uint32_t c = 0; c < width; ++c)
                EXPECT_NEAR(band.at(0, c, r), images[b].at(c, r), 2e-3) << b;
    }
}

TEST(Merge2, ChildrenThatLackWhatThePassesReadAreRefused) {
    // A 16 x 16 node wants columns and rows 4 to 8, which read positions 1 to 11:
    // low-pass coefficients 1 .. 5 and high-pass ones 0 .. 5 in each direction.
    const Region area{4, 4, 8, 8};
    const Region lowPart{0, 0, 5, 5};
    const Region shortColumns{0, 0, 4, 5};
    const Region shortRows{0, 0, 5, 4};
    struct Case {
        const char* name;
        Region children[2][2];
        Region out;
        int code;
    };
    const std::vector<Case> cases = {
        {"low-low misses a column", {{shortColumns, lowPart}, {lowPart, lowPart}}, area, 0x1d},
        {"low-high misses a row", {{lowPart, shortRows}, {lowPart, lowPart}}, area, 0x1e},
        {"high-low misses a column", {{lowPart, lowPart}, {shortColumns, lowPart}}, area, 0x1f},
        {"high-high misses a row", {{lowPart, lowPart}, {lowPart, shortRows}}, area, 0x20},
        {"output leaves the plane", {{lowPart, lowPart}, {lowPart, lowPart}}, {4, 4, 16, 8}, 0x21},
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
        try {
            merge2(children, 16, 16, out);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), getMessageText(messageCode(1, c.code))) << c.name;
        }
    }
    // With every child whole, the same area goes through.
    Array2D full(lowPart);
    const Array2D* children[2][2] = {{&full, &full}, {&full, &full}};
    Array2D out(area);
    EXPECT_NO_THROW(merge2(children, 16, 16, out));
}

TEST(Merge2, MagnifiedRequestsInterpolateTheImage) {
    // With no detail beyond full resolution, a constant image comes back constant
    // at twice the size, divided by the level gain that the decoder's step
    // compensates for magnified levels.
    const std::uint32_t width = 9, height = 6, levels = 2;
    const CoefficientPlane image{width, height, std::vector<float>(width * height, 80.0f)};
    std::vector<CoefficientPlane> planes = analyse97(image, levels);
    // The detail bands of the magnified level hold nothing.
    for (int i = 0; i < 3; ++i)
        planes.push_back(CoefficientPlane{width, height, std::vector<float>(width * height, 0.0f)});
    Subband root(width, height, 1, levels, -1, Region{0, 0, 17, 11}, true);
    fillLeaves(root, planes);
    synthesise(root);
    const Array2D& band = root.band(0);
    for (std::int64_t r = 0; r < 12; ++r)
        for (std::int64_t c = 0; c < 18; ++c)
            EXPECT_NEAR(band.at(0, c, r), 80.0 / 1.5133282207855925, 1e-3) << c << "," << r;
}

TEST(Merge2, ArraysPastTheAllocationCapAreRefusedBeforeAllocating) {
    // The cap on one allocation is 64M floats: 16384 x 16384 is four times that,
    // five bands of 4096 x 4096 are 80M, three are 48M and are taken.
    EXPECT_THROW(Array2D(Region{0, 0, 16383, 16383}), OutOfMemoryException);
    EXPECT_THROW(Array2D(Region{0, 0, (std::int64_t{1} << 40) - 1, 0}), OutOfMemoryException);
    EXPECT_THROW(Array2D(Region{0, 0, 4095, 4095}, 5), OutOfMemoryException);
    EXPECT_NO_THROW(Array2D(Region{0, 0, 4095, 4095}, 3));
}
