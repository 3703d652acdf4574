#include <gtest/gtest.h>

#include "image/cv_imageProperties.h"
#include "image_test_support.h"

using namespace Corvane;
using namespace image_test;

namespace {

const char* kColorSpaceUnknown =
    "[4][2014]The Color Space is unknown, and not enough information is available to continue "
    "with this image.";

MetadataDatabase geoMetadata() {
    MetadataDatabase m;
    m.add(array("IMAGE::XY_ORIGIN", {500000.5, 4200000.25}));
    m.add(single("IMAGE::X_RESOLUTION", MetadataValue(2.5)));
    m.add(single("IMAGE::Y_RESOLUTION", MetadataValue(3.5)));
    return m;
}

}  // namespace

TEST(ImageProperties, DefaultsBeforeAnyMetadata) {
    const ImageProperties p;
    EXPECT_FALSE(p.hasGeoInformation());
    EXPECT_EQ(p.xResolution(), 1.0);
    EXPECT_EQ(p.yResolution(), 1.0);
    EXPECT_EQ(p.xUL(), 0.0);
    EXPECT_EQ(p.yUL(), 0.0);
    EXPECT_EQ(p.xRotation(), 0.0);
    EXPECT_EQ(p.yRotation(), 0.0);
    EXPECT_TRUE(p.dither());
    EXPECT_TRUE(p.inputLookupTable().isEmpty());
    EXPECT_FALSE(p.dynamicRangeWindow().has_value());
    EXPECT_FALSE(p.dynamicRangeLevel().has_value());
    EXPECT_EQ(p.layout(), PixelLayout());
    EXPECT_TRUE(p.backgroundSamples().empty());
}

TEST(ImageProperties, EmptyMetadataGivesUpperLeftAtLastRowAndRgb) {
    ImageProperties p;
    p.initialiseFromMetadata(MetadataDatabase(), 640, 512, 3);
    EXPECT_FALSE(p.hasGeoInformation());
    EXPECT_EQ(p.xUL(), 0.0);
    EXPECT_EQ(p.yUL(), 511.0);
    EXPECT_EQ(p.xResolution(), 1.0);
    EXPECT_EQ(p.yResolution(), 1.0);
    EXPECT_TRUE(p.dither());
    EXPECT_EQ(p.layout().dataType(), DataTypeUInt8);
    EXPECT_EQ(p.layout().bitsPerSample(), 8u);
    EXPECT_EQ(p.layout().colorSpace(), ColorSpace(SchemeRGB, 3));
    EXPECT_FALSE(p.dynamicRangeWindow().has_value());
    EXPECT_FALSE(p.backgroundPixel().hasSamples());
}

TEST(ImageProperties, GeoKeysAndRotations) {
    {
        ImageProperties p;
        MetadataDatabase m = geoMetadata();
        m.add(single("IMAGE::X_ROTATION", MetadataValue(0.75)));  // Y rotation missing
        p.initialiseFromMetadata(m, 10, 10, 1);
        EXPECT_TRUE(p.hasGeoInformation());
        EXPECT_EQ(p.xUL(), 500000.5);
        EXPECT_EQ(p.yUL(), 4200000.25);
        EXPECT_EQ(p.xResolution(), 2.5);
        EXPECT_EQ(p.yResolution(), 3.5);
        EXPECT_EQ(p.xRotation(), 0.0);
        EXPECT_EQ(p.yRotation(), 0.0);
    }
    {
        ImageProperties p;
        MetadataDatabase m = geoMetadata();
        m.add(single("IMAGE::X_ROTATION", MetadataValue(0.75)));
        m.add(single("IMAGE::Y_ROTATION", MetadataValue(-0.25)));
        p.initialiseFromMetadata(m, 10, 10, 1);
        EXPECT_EQ(p.xRotation(), 0.75);
        EXPECT_EQ(p.yRotation(), -0.25);
    }
    {
        // One of the three geo keys missing: only Y UL moves.
        ImageProperties p;
        MetadataDatabase m;
        m.add(array("IMAGE::XY_ORIGIN", {7.0, 8.0}));
        m.add(single("IMAGE::X_RESOLUTION", MetadataValue(2.5)));
        p.initialiseFromMetadata(m, 10, 20, 1);
        EXPECT_FALSE(p.hasGeoInformation());
        EXPECT_EQ(p.xUL(), 0.0);
        EXPECT_EQ(p.yUL(), 19.0);
        EXPECT_EQ(p.xResolution(), 1.0);
    }
}

TEST(ImageProperties, DitherFollowsThePresenceOfNoDither) {
    ImageProperties p;
    MetadataDatabase m;
    m.add(single("IMAGE::NO_DITHER", MetadataValue(std::int32_t{0})));  // value not looked at
    p.initialiseFromMetadata(m, 4, 4, 1);
    EXPECT_FALSE(p.dither());
    p.initialiseFromMetadata(MetadataDatabase(), 4, 4, 1);
    EXPECT_TRUE(p.dither());
}

TEST(ImageProperties, DataTypeAndBitsPerSample) {
    const struct {
        std::int32_t dataTypeKey;
        std::uint32_t dataType;
        std::uint32_t bits;
    } cases[] = {
        {0, DataTypeUInt8, 12},    // bits given are taken as they stand
        {1, DataTypeFloat32, 32},  // float samples ignore the bits key
        {2, DataTypeUInt16, 12},
    };
    for (const auto& c : cases) {
        ImageProperties p;
        MetadataDatabase m;
        m.add(single("IMAGE::DATA_TYPE", MetadataValue(c.dataTypeKey)));
        m.add(single("IMAGE::BITS_PER_SAMPLE", MetadataValue(std::uint32_t{0x1000C})));
        p.initialiseFromMetadata(m, 4, 4, 1);
        EXPECT_EQ(p.layout().dataType(), c.dataType) << c.dataTypeKey;
        EXPECT_EQ(p.layout().bitsPerSample(), c.bits) << c.dataTypeKey;
    }
}

TEST(ImageProperties, UnsupportedDataTypeIsRefused) {
    for (std::int32_t value : {3, -1, 10}) {
        ImageProperties p;
        MetadataDatabase m;
        m.add(single("IMAGE::DATA_TYPE", MetadataValue(value)));
        EXPECT_EQ(thrownText([&] { p.initialiseFromMetadata(m, 4, 4, 1); }),
                  "[4][2392]Illegal sample type.")
            << value;
    }
}

TEST(ImageProperties, DynamicRangeGivesBitsWhenNoneAreGiven) {
    const struct {
        double window;
        std::uint32_t bits;
    } cases[] = {{4096, 12}, {256, 8}, {1000, 10}, {1, 0}, {4095.9, 12}};
    for (const auto& c : cases) {
        ImageProperties p;
        MetadataDatabase m;
        m.add(single("IMAGE::DATA_TYPE", MetadataValue(std::int32_t{2})));
        m.add(single("IMAGE::DYNAMIC_RANGE_WINDOW", MetadataValue(c.window)));
        m.add(single("IMAGE::DYNAMIC_RANGE_LEVEL", MetadataValue(2048.0)));
        p.initialiseFromMetadata(m, 4, 4, 1);
        EXPECT_EQ(p.layout().bitsPerSample(), c.bits) << c.window;
        ASSERT_TRUE(p.dynamicRangeWindow().has_value());
        EXPECT_EQ(*p.dynamicRangeWindow(), c.window);
        EXPECT_EQ(*p.dynamicRangeLevel(), 2048.0);
        EXPECT_EQ(p.backgroundPixel().window(), static_cast<float>(c.window));
        EXPECT_EQ(p.backgroundPixel().level(), 2048.0f);
    }
    {
        // Bits from the metadata win over the window.
        ImageProperties p;
        MetadataDatabase m;
        m.add(single("IMAGE::BITS_PER_SAMPLE", MetadataValue(std::uint16_t{10})));
        m.add(single("IMAGE::DYNAMIC_RANGE_WINDOW", MetadataValue(4096.0)));
        m.add(single("IMAGE::DYNAMIC_RANGE_LEVEL", MetadataValue(2048.0)));
        p.initialiseFromMetadata(m, 4, 4, 1);
        EXPECT_EQ(p.layout().bitsPerSample(), 10u);
    }
    {
        // A window without a level is no dynamic range at all.
        ImageProperties p;
        p.setDynamicRange(1.0, 2.0);
        MetadataDatabase m;
        m.add(single("IMAGE::DYNAMIC_RANGE_WINDOW", MetadataValue(4096.0)));
        p.initialiseFromMetadata(m, 4, 4, 1);
        EXPECT_FALSE(p.dynamicRangeWindow().has_value());
        EXPECT_FALSE(p.dynamicRangeLevel().has_value());
        EXPECT_EQ(p.layout().bitsPerSample(), 8u);
        EXPECT_EQ(p.backgroundPixel().window(), 0.0f);
    }
}

TEST(ImageProperties, WindowOfZeroDoesNotHang) {
    ImageProperties p;
    MetadataDatabase m;
    m.add(single("IMAGE::DYNAMIC_RANGE_WINDOW", MetadataValue(0.0)));
    m.add(single("IMAGE::DYNAMIC_RANGE_LEVEL", MetadataValue(0.0)));
    p.initialiseFromMetadata(m, 4, 4, 1);
    EXPECT_EQ(p.layout().bitsPerSample(), 32u);
}

TEST(ImageProperties, ColourSchemeFromKeyOrBandCount) {
    const struct {
        std::int32_t bands;
        ColorSpace expected;
    } derived[] = {{1, ColorSpace(SchemeGrayscale, 1)},
                   {3, ColorSpace(SchemeRGB, 3)},
                   {4, ColorSpace(SchemeCMYK, 4)}};
    for (const auto& c : derived) {
        ImageProperties p;
        p.initialiseFromMetadata(MetadataDatabase(), 4, 4, c.bands);
        EXPECT_EQ(p.layout().colorSpace(), c.expected) << c.bands;
        EXPECT_EQ(p.layout().samplesPerPixel(), static_cast<std::uint32_t>(c.bands));
    }
    for (std::int32_t bands : {0, 2, 5}) {
        ImageProperties p;
        EXPECT_EQ(thrownText([&] { p.initialiseFromMetadata(MetadataDatabase(), 4, 4, bands); }),
                  kColorSpaceUnknown)
            << bands;
    }
    ImageProperties p;
    MetadataDatabase m;
    m.add(single("IMAGE::COLOR_SCHEME", MetadataValue(std::int32_t{3000})));
    p.initialiseFromMetadata(m, 4, 4, 7);
    EXPECT_EQ(p.layout().colorSpace(), ColorSpace(SchemeMultispectral, 7));
    EXPECT_STREQ(p.layout().colorSpace().schemeName(), "Multispectral");
    EXPECT_EQ(p.layout().samplesPerPixel(), 7u);
    EXPECT_EQ(p.layout().bandMap().size(), 7u);
}

TEST(ImageProperties, BackgroundFromDefaultOrNoDataValue) {
    {
        // 8-bit: the no-data value serves when there is no default value.
        ImageProperties p;
        MetadataDatabase m;
        m.add(array("IMAGE::NO_DATA_VALUE", {10, 20, 300}));
        p.initialiseFromMetadata(m, 4, 4, 3);
        const PixelValue bg = p.backgroundPixel();
        ASSERT_TRUE(bg.hasSamples());
        EXPECT_EQ(bg.sample(0), 10.0);
        EXPECT_EQ(bg.sample(1), 20.0);
        EXPECT_EQ(bg.sample(2), 255.0);  // clamped into the 8-bit sample
        EXPECT_EQ(bg.layout(), p.layout());
    }
    {
        // The default value is preferred over the no-data value.
        ImageProperties p;
        MetadataDatabase m;
        m.add(array("IMAGE::NO_DATA_VALUE", {10, 20, 30}));
        m.add(array("IMAGE::DEFAULT_DATA_VALUE", {1, 2, 3, 4}));
        p.initialiseFromMetadata(m, 4, 4, 3);
        const PixelValue bg = p.backgroundPixel();
        ASSERT_TRUE(bg.hasSamples());
        EXPECT_EQ(bg.sample(0), 1.0);
        EXPECT_EQ(bg.sample(2), 3.0);
    }
    {
        // 16-bit: the no-data value is not looked at.
        ImageProperties p;
        MetadataDatabase m;
        m.add(single("IMAGE::DATA_TYPE", MetadataValue(std::int32_t{2})));
        m.add(single("IMAGE::NO_DATA_VALUE", MetadataValue(5000.0)));
        p.initialiseFromMetadata(m, 4, 4, 1);
        EXPECT_FALSE(p.backgroundPixel().hasSamples());
    }
    {
        // 16-bit with a default value keeps it at full width.
        ImageProperties p;
        MetadataDatabase m;
        m.add(single("IMAGE::DATA_TYPE", MetadataValue(std::int32_t{2})));
        m.add(single("IMAGE::DEFAULT_DATA_VALUE", MetadataValue(5000.0)));
        p.initialiseFromMetadata(m, 4, 4, 1);
        const PixelValue bg = p.backgroundPixel();
        ASSERT_TRUE(bg.hasSamples());
        EXPECT_EQ(bg.sampleByteCount(), 2u);
        EXPECT_EQ(bg.sample(0), 5000.0);
    }
    {
        // Fewer values than bands: no background.
        ImageProperties p;
        MetadataDatabase m;
        m.add(array("IMAGE::DEFAULT_DATA_VALUE", {1, 2}));
        p.initialiseFromMetadata(m, 4, 4, 3);
        EXPECT_FALSE(p.backgroundPixel().hasSamples());
    }
}

TEST(ImageProperties, InputLookupTableIsCopiedInTheDataType) {
    MetadataElement lut("IMAGE::INPUT_LUT", 3, 4);  // 3 bands, 4 entries
    for (std::size_t entry = 0; entry < 4; ++entry) {
        for (std::size_t band = 0; band < 3; ++band) {
            lut.row(entry)[band] = MetadataValue(entry * 100.0 + band + 0.5);
        }
    }
    {
        ImageProperties p;
        MetadataDatabase m;
        m.add(lut);
        p.initialiseFromMetadata(m, 4, 4, 3);
        const LookupTable& table = p.inputLookupTable();
        ASSERT_EQ(table.entryCount(), 4u);
        EXPECT_EQ(table.layout().colorSpace(), ColorSpace(SchemeRGB));
        EXPECT_EQ(table.layout().dataType(), DataTypeUInt8);
        EXPECT_EQ(table.value(1, 2), 102.0);  // truncated to 8 bits
        EXPECT_EQ(table.value(3, 0), 255.0);  // 300.5 clamped
        EXPECT_EQ(table.bytes().size(), 12u);
    }
    {
        ImageProperties p;
        MetadataDatabase m;
        m.add(single("IMAGE::DATA_TYPE", MetadataValue(std::int32_t{1})));
        m.add(lut);
        p.initialiseFromMetadata(m, 4, 4, 3);
        const LookupTable& table = p.inputLookupTable();
        EXPECT_EQ(table.layout().dataType(), DataTypeFloat32);
        EXPECT_EQ(table.value(3, 1), 301.5);
        EXPECT_EQ(table.bytes().size(), 48u);
    }
}

TEST(ImageProperties, MalformedGeoValuesAreRefused) {
    ImageProperties p;
    MetadataDatabase m = geoMetadata();
    m.add(single("IMAGE::X_ROTATION", MetadataValue("north")));
    m.add(single("IMAGE::Y_ROTATION", MetadataValue(0.0)));
    EXPECT_EQ(thrownText([&] { p.initialiseFromMetadata(m, 4, 4, 1); }),
              "[4][2408]Bad cast in metadata.");
}
