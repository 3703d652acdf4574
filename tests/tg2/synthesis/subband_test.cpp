#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/synthesis/tg2_subband.h"

using namespace Corvane;

namespace {

constexpr double kLow = 1.1496044397354126;
constexpr double kHigh = 0.8698644206960049;

Region box(std::int64_t c0, std::int64_t r0, std::int64_t c1, std::int64_t r1) {
    return Region{c0, r0, c1, r1};
}

}  // namespace

TEST(Subband, OneLevelImageHasFourNumberedLeaves) {
    Subband root(8, 8, 1, 1, 0, box(0, 0, 7, 7));
    ASSERT_FALSE(root.isLeaf());
    EXPECT_EQ(root.leafNumber(), -1);
    EXPECT_EQ(root.child(0, 0)->leafNumber(), 0);
    EXPECT_EQ(root.child(1, 0)->leafNumber(), 1);
    EXPECT_EQ(root.child(0, 1)->leafNumber(), 2);
    EXPECT_EQ(root.child(1, 1)->leafNumber(), 3);
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 2; ++r) {
            const Subband* leaf = root.child(c, r);
            EXPECT_TRUE(leaf->isLeaf());
            EXPECT_EQ(leaf->level(), 1);
            EXPECT_EQ(leaf->width(), 4u);
            EXPECT_EQ(leaf->height(), 4u);
            EXPECT_EQ(leaf->support(), box(0, 0, 3, 3));
            EXPECT_EQ(leaf->parent(), &root);
        }
    EXPECT_DOUBLE_EQ(root.weight(), 1.0);
    EXPECT_DOUBLE_EQ(root.child(0, 0)->weight(), 1.321590367859372);
    EXPECT_DOUBLE_EQ(root.child(1, 0)->weight(), kHigh * kLow);
    EXPECT_DOUBLE_EQ(root.child(0, 1)->weight(), kLow * kHigh);
    EXPECT_DOUBLE_EQ(root.child(1, 1)->weight(), kHigh * kHigh);
}

TEST(Subband, LeavesFollowTheSubbandIndexOrder) {
    // Three levels: the coarsest low-low band, then the details from the coarsest
    // level to the finest, each as [1][0], [0][1], [1][1].
    Subband root(40, 24, 3, 3, 0, box(0, 0, 39, 23));
    const std::vector<Subband*> leaves = root.leaves();
    ASSERT_EQ(leaves.size(), 10u);
    const Subband* level1 = &root;
    const Subband* level2 = root.child(0, 0);
    const Subband* level3 = level2->child(0, 0);
    const std::vector<const Subband*> expected = {
        level3->child(0, 0), level3->child(1, 0), level3->child(0, 1), level3->child(1, 1),
        level2->child(1, 0), level2->child(0, 1), level2->child(1, 1), level1->child(1, 0),
        level1->child(0, 1), level1->child(1, 1)};
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        EXPECT_EQ(leaves[i], expected[i]) << i;
        EXPECT_EQ(leaves[i]->leafNumber(), static_cast<std::int32_t>(i));
        EXPECT_EQ(leaves[i]->level(), 3);
    }
    // Plane sizes of the subbands of a 40 x 24 image: 20 x 12, 10 x 6, 5 x 3.
    EXPECT_EQ(leaves[0]->width(), 5u);
    EXPECT_EQ(leaves[0]->height(), 3u);
    EXPECT_EQ(leaves[3]->width(), 5u);
    EXPECT_EQ(leaves[5]->width(), 10u);
    EXPECT_EQ(leaves[9]->height(), 12u);
    // The finest [1][1] weight is that of a one-level tree; the coarsest low-low
    // carries the low-pass weight six times.
    EXPECT_DOUBLE_EQ(leaves[9]->weight(), kHigh * kHigh);
    EXPECT_NEAR(leaves[0]->weight(), 2.308291, 1e-6);
}

TEST(Subband, RequestAtTheCoarsestLevelIsOneLeaf) {
    // 100 x 60 halves to 50 x 30, 25 x 15, 13 x 8.
    Subband root(100, 60, 2, 3, 3, box(0, 0, 12, 7));
    EXPECT_TRUE(root.isLeaf());
    EXPECT_EQ(root.leafNumber(), 0);
    EXPECT_EQ(root.width(), 13u);
    EXPECT_EQ(root.height(), 8u);
    EXPECT_EQ(root.leaves().size(), 1u);
    const float gain = 1.3215904f * 1.3215904f * 1.3215904f;
    EXPECT_EQ(root.weight(), static_cast<double>(gain));
}

TEST(Subband, RootsBelowFullResolutionKeepTheSubbandNumbers) {
    Subband full(64, 64, 1, 4, 0, box(0, 0, 63, 63));
    Subband reduced(64, 64, 1, 4, 2, box(0, 0, 15, 15));
    const std::vector<Subband*> fullLeaves = full.leaves();
    const std::vector<Subband*> reducedLeaves = reduced.leaves();
    ASSERT_EQ(reducedLeaves.size(), 7u);
    for (std::size_t i = 0; i < reducedLeaves.size(); ++i) {
        EXPECT_EQ(reducedLeaves[i]->width(), fullLeaves[i]->width());
        EXPECT_EQ(reducedLeaves[i]->height(), fullLeaves[i]->height());
        EXPECT_NEAR(reducedLeaves[i]->weight(), fullLeaves[i]->weight(), 1e-6);
    }
}

TEST(Subband, ChildSupportsGrowByTheFilterMargins) {
    struct Case {
        Region parent;
        Region lowLow, highLow, lowHigh;
    };
    // Hand-computed from the margins: low-pass ceil((p0 - 3) / 2) .. (p1 + 3) / 2,
    // high-pass ceil((p0 - 5) / 2) .. (p1 + 3) / 2, at least five wide, clamped.
    const std::vector<Case> cases = {
        // One column, rows 20 to 25 of a 100 x 100 plane.
        {box(10, 20, 10, 25), box(4, 9, 8, 14), box(3, 9, 7, 14), box(4, 8, 8, 14)},
        // An odd first column.
        {box(11, 20, 11, 25), box(4, 9, 8, 14), box(3, 9, 7, 14), box(4, 8, 8, 14)},
        // The top-left corner: widened from the negative start, then clamped at 0.
        {box(0, 0, 0, 0), box(0, 0, 3, 3), box(0, 0, 2, 3), box(0, 0, 3, 2)},
        // The whole plane.
        {box(0, 0, 99, 99), box(0, 0, 49, 49), box(0, 0, 49, 49), box(0, 0, 49, 49)},
        // The bottom-right corner: widened past the end, clamped to sample 49.
        {box(99, 98, 99, 99), box(48, 48, 49, 49), box(47, 48, 49, 49), box(48, 47, 49, 49)},
    };
    for (const Case& c : cases) {
        Subband root(100, 100, 1, 1, 0, c.parent);
        EXPECT_EQ(root.child(0, 0)->support(), c.lowLow);
        EXPECT_EQ(root.child(1, 0)->support(), c.highLow);
        EXPECT_EQ(root.child(0, 1)->support(), c.lowHigh);
    }
}

TEST(Subband, OneRowStripAtTheBottomEdgeIsClampedInEveryChild) {
    Subband root(64, 512, 1, 2, 0, box(0, 511, 63, 511));
    // Low rows 254 .. 257 widened to 258, then clamped to the last row 255.
    EXPECT_EQ(root.child(0, 0)->support(), box(0, 254, 31, 255));
    EXPECT_EQ(root.child(0, 1)->support(), box(0, 253, 31, 255));
    const Subband* deeper = root.child(0, 0);
    EXPECT_EQ(deeper->child(0, 0)->support(), box(0, 126, 15, 127));
    EXPECT_EQ(deeper->child(1, 1)->support(), box(0, 125, 15, 127));
    EXPECT_EQ(deeper->child(1, 1)->height(), 128u);
}

TEST(Subband, TinyPlanesHaveEmptyHighPassChildren) {
    Subband root(1, 1, 1, 3, 0, box(0, 0, 0, 0));
    const std::vector<Subband*> leaves = root.leaves();
    ASSERT_EQ(leaves.size(), 10u);
    EXPECT_EQ(leaves[0]->support(), box(0, 0, 0, 0));
    for (std::size_t i = 1; i < leaves.size(); ++i) {
        EXPECT_TRUE(leaves[i]->support().empty()) << i;
        EXPECT_EQ(leaves[i]->band(0).width() * leaves[i]->band(0).height(), 0);
    }
}

TEST(Subband, BandsAreZeroFilledOverTheSupportOnFirstUse) {
    Subband root(30, 20, 3, 1, 0, box(5, 6, 9, 8));
    EXPECT_FALSE(root.hasBand(2));
    Array2D& band = root.band(2);
    EXPECT_TRUE(root.hasBand(2));
    EXPECT_EQ(band.area(), box(5, 6, 9, 8));
    for (std::int64_t r = 6; r <= 8; ++r)
        for (std::int64_t c = 5; c <= 9; ++c) EXPECT_EQ(band.at(0, c, r), 0.0f);
    band.at(0, 9, 8) = 4.5f;
    EXPECT_EQ(root.band(2).at(0, 9, 8), 4.5f);
    EXPECT_THROW(root.band(3), InvalidArgumentException);
}

TEST(Subband, MagnifiedRootsDoubleThePlanePerLevel) {
    Subband root(10, 6, 1, 2, -1, box(0, 0, 19, 11), true);
    EXPECT_EQ(root.width(), 20u);
    EXPECT_EQ(root.height(), 12u);
    EXPECT_DOUBLE_EQ(root.weight(), 1.0 / 1.321590367859372);
    const Subband* image = root.child(0, 0);
    EXPECT_EQ(image->width(), 10u);
    EXPECT_EQ(image->level(), 0);
    EXPECT_NEAR(image->weight(), 1.0, 1e-15);
    // The extra detail bands of the magnified level come after the image's own.
    EXPECT_EQ(root.child(1, 1)->leafNumber(), 9);
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
        {"negative first column", 0, box(-1, 0, 3, 3), false, badSupport},
        {"negative first row", 0, box(0, -2, 3, 3), false, badSupport},
        {"last column past the plane", 0, box(0, 0, 40, 3), false, badSupport},
        {"last row past the reduced plane", 1, box(0, 0, 3, 15), false, badSupport},
        {"columns inverted", 0, box(5, 0, 4, 3), false, badSupport},
        {"rows inverted", 0, box(0, 3, 4, 2), false, badSupport},
        {"level above the image's", 4, box(0, 0, 1, 1), false, outOfRange},
        {"negative level", -1, box(0, 0, 1, 1), false, outOfRange},
        {"level above the image's when magnifying", 4, box(0, 0, 1, 1), true, beyondLevels},
        {"magnification past 32 bits", -31, box(0, 0, 1, 1), true, beyondLevels},
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

TEST(Subband, DeepTreesBuildAndReleaseWithoutRecursion) {
    const std::uint32_t levels = 20000;
    Subband root(3, 3, 1, levels, 0, box(0, 0, 2, 2));
    const std::vector<Subband*> leaves = root.leaves();
    ASSERT_EQ(leaves.size(), 3u * levels + 1);
    EXPECT_EQ(leaves.back()->leafNumber(), static_cast<std::int32_t>(3 * levels));
    EXPECT_EQ(leaves.front()->width(), 1u);
}

TEST(Subband, ArraysTooLargeToIndexAreRefusedBeforeAllocating) {
    const std::int64_t huge = std::int64_t{1} << 40;
    EXPECT_THROW(Array2D(Region{0, 0, huge, huge}), OutOfMemoryException);
    EXPECT_THROW(Array2D(Region{0, 0, huge, 1 << 22}, 4), OutOfMemoryException);
    const Array2D empty(Region{3, 3, 2, 9});
    EXPECT_EQ(empty.width(), 0);
    EXPECT_TRUE(empty.containsColumns(5, 4));
}
