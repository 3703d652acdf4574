// Pixel layouts and values, the buffer's addressing, strips and background fill, and
// the conversion of a background into the buffer's layout.
#include <gtest/gtest.h>

#include <vector>

#include "common/thrown_text.h"
#include "image/cv_backgroundConversion.h"
#include "image/cv_pixelBuffer.h"
#include "image_test_support.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
using namespace image_test;
using tovex_test::thrownText;

TEST(PixelTypes, LayoutsFollowTheirSchemeAndValuesClampIntoTheirType) {
    // A layout keeps its samples per pixel while they hold the new scheme's bands.
    PixelLayout layout;
    layout.setSamplesPerPixel(4);
    layout.setColorSpace(SchemeYIQ);
    EXPECT_EQ(layout.samplesPerPixel(), 4u);
    layout.setColorSpace(SchemeGrayscale);
    EXPECT_EQ(layout.samplesPerPixel(), 1u);
    layout.setColorSpace(ColorSpace(3000, 6));
    EXPECT_EQ(layout.bandMap(), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    // Values are clamped and truncated into their type.
    PixelValue value(PixelLayout(0, ColorSpace(0), DataTypeUInt16));
    EXPECT_FALSE(value.hasSamples());
    value.setSample(0, 70000.0);
    value.setSample(1, 12.9);
    value.setSample(2, -4.0);
    EXPECT_EQ(value.sample(0) + value.sample(1) + value.sample(2), 65535.0 + 12.0);
}

TEST(PixelBuffer, AddressingStripsAndMemory) {
    std::vector<std::uint8_t> memory(4 * 10 * 12, 0);
    PixelBuffer offset(rgba(), memory.data(), memory.size());
    offset.setScene(Scene(5, 5, 0, 14, 14, 0));  // any box is placed at the origin
    EXPECT_EQ(offset.scene(), Scene(0, 0, 0, 9, 9, 0));
    EXPECT_EQ(offset.rowStride(), 40u);
    offset.setOffsets(2, 1);
    offset.prepareDecode();
    EXPECT_EQ(offset.pixel(1, 1) - memory.data(), 2 * 40 + 3 * 4);
    offset.finishDecode();
    EXPECT_THROW(offset.setOffsets(-1, 0), InvalidArgumentException);

    PixelBuffer buffer(rgba());
    const struct {
        std::int32_t stripHeight, rows;
        std::vector<std::int32_t> firstRows;
    } strips[] = {
        {128, 300, {0, 128, 256}}, {0, 300, {0}}, {100, 300, {0, 100, 200}}, {128, 0, {}}};
    for (const auto& c : strips) {
        buffer.setScene(Scene(0, 0, 0, 9, c.rows - 1, 0));
        buffer.setStripHeight(c.stripHeight);
        std::vector<std::int32_t> firstRows;
        buffer.prepareDecode();
        for (; buffer.hasStrip(); buffer.nextStrip()) {
            const Scene strip = buffer.currentStrip();
            EXPECT_EQ(strip.y1,
                      std::min(strip.y0 + (c.stripHeight ? c.stripHeight : 300), c.rows) - 1);
            firstRows.push_back(strip.y0);
        }
        buffer.finishDecode();
        EXPECT_EQ(firstRows, c.firstRows) << c.stripHeight;
    }

    PixelBuffer tooSmall(rgba(), memory.data(), memory.size());
    tooSmall.setScene(Scene(0, 0, 0, 9, 12, 0));
    EXPECT_THROW(tooSmall.prepareDecode(), InvalidArgumentException);
    EXPECT_THROW(PixelBuffer(rgba(), nullptr, 16), NullPointerException);
    PixelLayout huge(0, ColorSpace(SchemeMultispectral, 4), DataTypeFloat64);
    huge.setSamplesPerPixel(0x40000000u);
    PixelBuffer impossible(huge);
    impossible.setScene(Scene(0, 0, 0, INT32_MAX - 1, INT32_MAX - 1, 0));
    EXPECT_THROW(impossible.prepareDecode(), OutOfMemoryException);  // before allocating
}

TEST(PixelBuffer, BackgroundFillsTheMappedSamplesStripByStrip) {
    std::vector<std::uint8_t> memory(4 * 6 * 5, 0x77);
    PixelBuffer buffer(rgba(), memory.data(), memory.size());
    PixelValue background(rgba());
    for (std::size_t slot = 0; slot < 4; ++slot) background.setSample(slot, 10.0 * (slot + 1));
    buffer.setBackground(background);
    buffer.setScene(Scene(0, 0, 0, 5, 4, 0));
    buffer.setStripHeight(2);
    buffer.prepareDecode();
    EXPECT_EQ(buffer.pixel(5, 1)[2], 30);
    EXPECT_EQ(buffer.pixel(0, 2)[0], 0x77);  // the next strip waits for its turn
    while (buffer.hasStrip()) buffer.nextStrip();
    buffer.finishDecode();
    for (std::size_t i = 0; i < memory.size(); ++i)
        ASSERT_EQ(memory[i], i % 4 == 3 ? 0x77 : 10 * (i % 4 + 1)) << i;  // slot 3 is no band

    // BGR order in memory: band 0 (red) lives in slot 2.
    PixelLayout bgr;
    const std::uint32_t map[] = {2, 1, 0};
    bgr.setBandMap(map);
    PixelValue red(bgr);
    red.setSample(2, 200);
    red.setSample(1, 100);
    red.setSample(0, 50);
    PixelBuffer mapped(bgr);
    mapped.setBackground(red);
    mapped.setScene(Scene(0, 0, 0, 1, 0, 0));
    mapped.prepareDecode();
    EXPECT_EQ(mapped.pixel(1, 0)[0], 50);
    EXPECT_EQ(mapped.pixel(1, 0)[2], 200);
    mapped.finishDecode();
}

TEST(PixelBuffer, BackgroundsAreConvertedIntoTheBuffersLayout) {
    registerAll();
    const PixelLayout grey8(0, ColorSpace(SchemeGrayscale), DataTypeUInt8);
    const PixelLayout grey16(0, ColorSpace(SchemeGrayscale), DataTypeUInt16);
    // Window 4096 about 2048 spans 0 to 4095 over 256 outputs, 16 steps to one.
    const struct {
        double sample;
        float window;
        double expected;
    } cases[] = {{1000, 4096, 62}, {65535, 0, 255}, {255, 0, 0}};
    for (const auto& c : cases) {
        PixelValue value(grey16);
        value.setSample(0, c.sample);
        if (c.window) value.setDynamicRange(c.window, 2048.0f);
        EXPECT_EQ(convertPixelValue(value, grey8).sample(0), c.expected) << c.sample;
        EXPECT_EQ(convertPixelValue(value, grey16).sample(0), c.sample);
    }
    // No transformer between the two: refused, also when the buffer paints it.
    PixelValue value(grey8);
    value.setSample(0, 1);
    const PixelLayout cmyk(0, ColorSpace(SchemeCMYK), DataTypeUInt8);
    const char* none = "[4][2395]No transformer registered.";
    EXPECT_EQ(thrownText([&] { convertPixelValue(value, cmyk); }), none);
    PixelBuffer buffer(cmyk);
    buffer.setBackground(value);
    buffer.setScene(Scene(0, 0, 0, 3, 3, 0));
    EXPECT_EQ(thrownText([&] { buffer.prepareDecode(); }), none);
    EXPECT_FALSE(buffer.inDecode());
}
