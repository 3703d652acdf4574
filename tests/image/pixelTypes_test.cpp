#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pixel/cv_colorSpace.h"
#include "pixel/cv_dataType.h"
#include "pixel/cv_pixelLayout.h"
#include "pixel/cv_pixelValue.h"

using namespace Corvane;

TEST(DataType, BytesPerSampleByCode) {
    const struct {
        std::uint32_t code;
        std::uint32_t bytes;
    } cases[] = {{0, 1}, {1, 2}, {2, 4},  {10, 4},         {11, 8},
                 {3, 0}, {9, 0}, {12, 0}, {0xFFFFFFFFu, 0}};
    for (const auto& c : cases) EXPECT_EQ(bytesPerSampleOf(c.code), c.bytes) << c.code;
}

TEST(ColorSpace, BandCountAndNameFromSchemeAlone) {
    const struct {
        std::uint32_t scheme;
        std::int32_t bands;
        const char* name;
    } cases[] = {
        {0, 3, "RGB"},
        {1, 0, "Unknown"},
        {2, 4, "CMYK"},
        {3, 1, "Grayscale"},
        {4, 4, "RGBK"},
        {5, 0, "Unknown"},
        {10, 3, "YIQ"},
        {11, 4, "YIQK"},
        {2000, 0, "Elevation"},
        {3000, 0, "Multispectral"},
        {50000, 0, "Unknown"},
        {50001, 0, "User Defined"},
        {99998, 0, "User Defined"},
        {99999, 0, "Unknown"},
    };
    for (const auto& c : cases) {
        const ColorSpace space(c.scheme);
        EXPECT_EQ(space.bandCount(), c.bands) << c.scheme;
        EXPECT_STREQ(space.schemeName(), c.name) << c.scheme;
    }
}

TEST(ColorSpace, UnsetExplicitCountsAndOrdering) {
    const ColorSpace unset;
    EXPECT_EQ(unset.scheme(), 0xFFFFFFFFu);
    EXPECT_EQ(unset.bandCount(), 0);
    EXPECT_STREQ(unset.schemeName(), "Unknown");

    const ColorSpace multi(3000, 7);
    EXPECT_EQ(multi.bandCount(), 7);
    EXPECT_EQ(ColorSpace(0, 3), ColorSpace(0));
    EXPECT_NE(ColorSpace(0, 4), ColorSpace(0));
    EXPECT_LT(ColorSpace(0, 9), ColorSpace(2, 1));  // scheme decides first
    EXPECT_LT(ColorSpace(3000, 2), ColorSpace(3000, 7));
    EXPECT_LT(ColorSpace(3), unset);  // the unset scheme is the largest code
}

TEST(PixelLayout, DefaultAndBuiltForTypeAndSpace) {
    const PixelLayout byDefault;
    EXPECT_EQ(byDefault.colorSpace(), ColorSpace(0, 3));
    EXPECT_EQ(byDefault.bitsPerSample(), 8u);
    EXPECT_EQ(byDefault.samplesPerPixel(), 3u);
    EXPECT_EQ(byDefault.dataType(), 0u);
    EXPECT_EQ(byDefault.rowAlignment(), 1);
    EXPECT_EQ(byDefault.bandSequential(), 0);
    EXPECT_EQ(byDefault.reservedWord(), -1);
    EXPECT_EQ(byDefault.bandMap(), (std::vector<std::uint32_t>{0, 1, 2}));

    const PixelLayout floatCmyk(0, ColorSpace(2), DataTypeFloat32);
    EXPECT_EQ(floatCmyk.bitsPerSample(), 32u);
    EXPECT_EQ(floatCmyk.bytesPerSample(), 4u);
    EXPECT_EQ(floatCmyk.samplesPerPixel(), 4u);
    EXPECT_EQ(floatCmyk.bandMap(), (std::vector<std::uint32_t>{0, 1, 2, 3}));

    const PixelLayout wide(0, ColorSpace(3000, 5), DataTypeUInt16);
    EXPECT_EQ(wide.bitsPerSample(), 16u);
    EXPECT_EQ(wide.samplesPerPixel(), 5u);
    EXPECT_EQ(wide.bandMap().size(), 5u);
}

TEST(PixelLayout, SettingColorSpaceKeepsOrReplacesSamplesPerPixel) {
    PixelLayout layout;
    layout.setSamplesPerPixel(4);  // RGB with an extra sample, as tiles are
    layout.setColorSpace(SchemeYIQ);
    EXPECT_EQ(layout.samplesPerPixel(), 4u);  // still holds all three bands
    layout.setColorSpace(SchemeGrayscale);
    EXPECT_EQ(layout.samplesPerPixel(), 1u);  // Grayscale always takes its band count
    layout.setColorSpace(ColorSpace(3000, 6));
    EXPECT_EQ(layout.samplesPerPixel(), 6u);  // too few slots for the new bands
    EXPECT_EQ(layout.bandMap(), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(PixelLayout, EqualityComparesBandMapButNotDataType) {
    PixelLayout a(0, ColorSpace(0), DataTypeUInt8);
    PixelLayout b(0, ColorSpace(0), DataTypeUInt8);
    b.setDataType(DataTypeUInt16);
    b.setBitsPerSample(8);
    EXPECT_EQ(a, b);

    const std::uint32_t swapped[] = {2, 1, 0};
    b.setBandMap(swapped);
    EXPECT_FALSE(a == b);
    PixelLayout copy(b);
    EXPECT_EQ(copy.bandMap(), (std::vector<std::uint32_t>{2, 1, 0}));
    EXPECT_EQ(copy, b);
    b.setIdentityBandMap();
    EXPECT_EQ(a, b);
    b.setSamplesPerPixel(4);
    EXPECT_FALSE(a == b);
}

TEST(PixelValue, SamplesAreTypedAndOptional) {
    PixelValue value(PixelLayout(0, ColorSpace(0), DataTypeUInt16));
    EXPECT_FALSE(value.hasSamples());
    EXPECT_EQ(value.samples(), nullptr);
    EXPECT_EQ(value.sampleByteCount(), 6u);
    EXPECT_EQ(value.window(), 0.0f);
    EXPECT_EQ(value.level(), 0.0f);

    value.setSample(0, 70000.0);  // clamped to the 16-bit range
    value.setSample(1, 12.9);     // truncated
    value.setSample(2, -4.0);
    ASSERT_TRUE(value.hasSamples());
    EXPECT_EQ(value.sample(0), 65535.0);
    EXPECT_EQ(value.sample(1), 12.0);
    EXPECT_EQ(value.sample(2), 0.0);

    PixelValue copy(value);
    value.setSample(1, 99.0);
    EXPECT_EQ(copy.sample(1), 12.0);  // the copy owns its own bytes

    PixelValue floats(PixelLayout(0, ColorSpace(3), DataTypeFloat32));
    floats.setSample(0, -1.5);
    EXPECT_EQ(floats.sample(0), -1.5);
}
