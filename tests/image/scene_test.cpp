#include <gtest/gtest.h>

#include "image/cv_scene.h"

using namespace Corvane;

TEST(Scene, LevelExtentHalvesRoundingUpAndDoublesWhenMagnified) {
    for (std::int32_t x : {0, 1, 2, 3, 7, 125, 600, 1000, 65537}) {
        for (std::int32_t level = 0; level <= 20; ++level) {
            const std::int32_t expected = x == 0 ? 0 : ((x - 1) >> level) + 1;
            ASSERT_EQ(levelExtent(x, level), expected) << x << " at level " << level;
        }
    }
    EXPECT_EQ(levelExtent(1000, -1), 2000);
    EXPECT_EQ(levelExtent(1000, -3), 8000);
    EXPECT_EQ(levelExtent(1000, -32), 1000);  // the shift count wraps at 32
    EXPECT_EQ(levelExtent(1000, 1000), 1);
}

TEST(Scene, SizesAndIntersection) {
    const Scene box(-2, -27, 0, 125, 100, 0);
    EXPECT_EQ(box.width(), 128);
    EXPECT_EQ(box.height(), 128);
    EXPECT_FALSE(box.isEmpty());
    EXPECT_EQ(box.intersection(Scene(0, 0, 0, 124, 74, 0)), Scene(0, 0, 0, 124, 74, 0));
    EXPECT_TRUE(box.intersection(Scene(200, 0, 0, 300, 10, 0)).isEmpty());
    EXPECT_TRUE(Scene(0, 1, 0, -1, 0, 0).isEmpty());
    // Corners at the ends of the 32-bit range do not overflow the width.
    EXPECT_EQ(Scene(INT32_MIN, 0, 0, INT32_MAX, 0, 0).width(), std::int64_t{1} << 32);
}
