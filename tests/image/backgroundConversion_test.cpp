#include <gtest/gtest.h>

#include "image/cv_backgroundConversion.h"
#include "image/cv_tovexNavigator.h"
#include "image_test_support.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
using namespace image_test;

namespace {

const PixelLayout kGrey8(0, ColorSpace(SchemeGrayscale), DataTypeUInt8);
const PixelLayout kGrey16(0, ColorSpace(SchemeGrayscale), DataTypeUInt16);

class BackgroundConversion : public ::testing::Test {
  protected:
    void SetUp() override { registerAll(); }
};

}  // namespace

TEST_F(BackgroundConversion, SameLayoutIsKeptAsItIs) {
    PixelValue value(kGrey16);
    value.setSample(0, 40000);
    const PixelValue same = convertPixelValue(value, kGrey16);
    EXPECT_EQ(same.layout().dataType(), DataTypeUInt16);
    EXPECT_EQ(same.sample(0), 40000.0);
}

TEST_F(BackgroundConversion, SixteenBitGreyThroughItsWindow) {
    // Window 4096 about 2048 spans source values 0 to 4095 over the 256 outputs,
    // 16 source steps to one output step.
    PixelValue value(kGrey16);
    value.setSample(0, 1000);
    value.setDynamicRange(4096.0f, 2048.0f);
    EXPECT_EQ(convertPixelValue(value, kGrey8).sample(0), 62.0);

    // Without a dynamic range the full 16-bit range maps onto 8 bits.
    PixelValue plain(kGrey16);
    plain.setSample(0, 65535);
    EXPECT_EQ(convertPixelValue(plain, kGrey8).sample(0), 255.0);
    plain.setSample(0, 255);
    EXPECT_EQ(convertPixelValue(plain, kGrey8).sample(0), 0.0);
}

TEST_F(BackgroundConversion, PairsWithoutATransformerAreRefused) {
    PixelValue value(kGrey8);
    value.setSample(0, 1);
    EXPECT_EQ(thrownText([&] {
                  convertPixelValue(value, PixelLayout(0, ColorSpace(SchemeCMYK), DataTypeUInt8));
              }),
              "[4][2395]No transformer registered.");
}

TEST_F(BackgroundConversion, StageBackgroundFillsAFourSampleTile) {
    // The tile path: an RGB stage with a background, read into RGB tiles of four
    // samples per pixel. The fourth sample is never painted.
    TestStage stage(100, 50, 3, 0);
    stage.metadata_.add(array("IMAGE::NO_DATA_VALUE", {10, 20, 30}));
    stage.initialiseFromMetadata();
    TovexNavigator navigator(stage, 0, Scene(90, 40, 0, 109, 59, 0));
    std::vector<std::uint8_t> memory(20 * 20 * 4, 0xAB);
    PixelBuffer buffer(rgba(), memory.data(), memory.size());
    buffer.setBackground(stage.backgroundPixel());
    navigator.decode(buffer);

    const std::uint8_t* inside = buffer.pixel(5, 5);  // level pixel (95, 45)
    EXPECT_EQ(inside[0], patternValue(95, 45, 0));
    EXPECT_EQ(inside[3], 0xAB);
    const std::uint8_t* outside = buffer.pixel(15, 15);
    EXPECT_EQ(outside[0], 10);
    EXPECT_EQ(outside[1], 20);
    EXPECT_EQ(outside[2], 30);
    EXPECT_EQ(outside[3], 0xAB);
}
