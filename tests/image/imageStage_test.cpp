#include <gtest/gtest.h>

#include <sstream>

#include "image_test_support.h"

using namespace Corvane;
using namespace image_test;

TEST(ImageStage, DumpWritesPropertiesThenMetadataKeys) {
    TestStage stage(640, 480, 3, 4);
    stage.version_ = {1, 2, 0x80};  // only the low 7 bits of each number are shown
    stage.metadata_.add(single("IMAGE::WIDTH", MetadataValue(std::uint32_t{640})));
    stage.metadata_.add(single("GEO::DATUM", MetadataValue("WGS84")));
    stage.properties().setXUL(1.5);
    stage.properties().setYUL(-2.25);
    stage.properties().setXResolution(0.5);

    std::ostringstream out;
    stage.dump(out);
    EXPECT_EQ(out.str(),
              "  Image width: 640\n"
              "  Image height: 480\n"
              "  Samples-per-pixel: 3\n"
              "  Number of levels: 4\n"
              "  X UL: 1.5\n"
              "  Y UL: -2.25\n"
              "  X res: 0.5\n"
              "  Y res: 1\n"
              "  File version: 1.2.0\n"
              "Metadata Keys:\n"
              "GEO::DATUM\n"
              "IMAGE::WIDTH\n");
}

TEST(ImageStage, InitialisesFromItsOwnMetadataAndSize) {
    TestStage stage(100, 512, 1, 2);
    stage.metadata_.add(single("IMAGE::NO_DITHER", MetadataValue(std::uint8_t{1})));
    stage.metadata_.add(single("IMAGE::DEFAULT_DATA_VALUE", MetadataValue(std::uint8_t{9})));
    stage.initialiseFromMetadata();
    EXPECT_EQ(stage.properties().yUL(), 511.0);
    EXPECT_FALSE(stage.properties().dither());
    EXPECT_EQ(stage.properties().layout().colorSpace(), ColorSpace(SchemeGrayscale));

    const PixelValue bg = stage.backgroundPixel();
    ASSERT_TRUE(bg.hasSamples());
    EXPECT_EQ(bg.sample(0), 9.0);
    EXPECT_EQ(stage.coreObject(), nullptr);

    stage.properties().setDither(false);
    stage.metadata_.clear();
    stage.readDither();
    EXPECT_TRUE(stage.properties().dither());
}
