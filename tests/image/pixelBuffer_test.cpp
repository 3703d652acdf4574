#include <gtest/gtest.h>

#include <vector>

#include "image/cv_pixelBuffer.h"
#include "image_test_support.h"

using namespace Corvane;
using namespace image_test;

namespace {

std::vector<Scene> stripsOf(PixelBuffer& buffer) {
    std::vector<Scene> strips;
    buffer.prepareDecode();
    while (buffer.hasStrip()) {
        strips.push_back(buffer.currentStrip());
        buffer.nextStrip();
    }
    buffer.finishDecode();
    return strips;
}

}  // namespace

TEST(PixelBuffer, InterleavedAddressingAndStride) {
    PixelBuffer buffer(rgba());
    buffer.setScene(Scene(0, 0, 0, 127, 127, 0));
    EXPECT_EQ(buffer.rowStride(), 512u);
    EXPECT_EQ(buffer.totalSize(), 65536u);
    buffer.prepareDecode();
    ASSERT_NE(buffer.memory(), nullptr);
    EXPECT_EQ(buffer.pixel(1, 1) - buffer.memory(), 516);
    EXPECT_EQ(buffer.pixel(127, 127) - buffer.memory(), 65536 - 4);
    buffer.finishDecode();

    PixelBuffer wide(PixelLayout(0, ColorSpace(SchemeRGB), DataTypeUInt16));
    wide.setScene(Scene(5, 5, 0, 14, 6, 0));  // any box is placed at the origin
    EXPECT_EQ(wide.scene(), Scene(0, 0, 0, 9, 1, 0));
    EXPECT_EQ(wide.rowStride(), 60u);
    EXPECT_EQ(wide.totalSize(), 120u);
}

TEST(PixelBuffer, OffsetsShiftEveryAddress) {
    std::vector<std::uint8_t> memory(4 * 10 * 12, 0);
    PixelBuffer buffer(rgba(), memory.data(), memory.size());
    buffer.setScene(Scene(0, 0, 0, 9, 9, 0));
    buffer.setOffsets(2, 1);
    buffer.prepareDecode();
    EXPECT_EQ(buffer.pixel(0, 0) - memory.data(), 1 * 40 + 2 * 4);
    buffer.finishDecode();
    EXPECT_THROW(buffer.setOffsets(-1, 0), InvalidArgumentException);
}

TEST(PixelBuffer, BorrowedMemoryIsUsedAndMustBeLargeEnough) {
    std::vector<std::uint8_t> memory(65536, 0xEE);
    {
        PixelBuffer buffer(rgba(), memory.data(), memory.size());
        EXPECT_FALSE(buffer.ownsMemory());
        buffer.setScene(Scene(0, 0, 0, 127, 127, 0));
        buffer.prepareDecode();
        EXPECT_EQ(buffer.memory(), memory.data());
        buffer.finishDecode();
    }
    EXPECT_EQ(memory[100], 0xEE);  // no background set: nothing was written

    PixelBuffer tooSmall(rgba(), memory.data(), memory.size() - 1);
    tooSmall.setScene(Scene(0, 0, 0, 127, 127, 0));
    EXPECT_THROW(tooSmall.prepareDecode(), InvalidArgumentException);
    EXPECT_THROW(PixelBuffer(rgba(), nullptr, 16), NullPointerException);
}

TEST(PixelBuffer, StripsOf128RowsClippedToTheScene) {
    PixelBuffer buffer(rgba());
    buffer.setScene(Scene(0, 0, 0, 9, 299, 0));
    EXPECT_EQ(buffer.stripHeight(), 128);
    EXPECT_EQ(stripsOf(buffer),
              (std::vector<Scene>{Scene(0, 0, 0, 9, 127, 0), Scene(0, 128, 0, 9, 255, 0),
                                  Scene(0, 256, 0, 9, 299, 0)}));
    buffer.setStripHeight(0);  // the whole scene at once
    EXPECT_EQ(stripsOf(buffer), (std::vector<Scene>{Scene(0, 0, 0, 9, 299, 0)}));
    buffer.setStripHeight(100);
    EXPECT_EQ(stripsOf(buffer).size(), 3u);
    EXPECT_EQ(buffer.decodeCount(), 3);

    buffer.setScene(Scene(0, 0, 0, -1, -1, 0));  // nothing to decode
    EXPECT_TRUE(stripsOf(buffer).empty());
}

TEST(PixelBuffer, BackgroundFillWritesOnlyTheMappedSamples) {
    std::vector<std::uint8_t> memory(4 * 6 * 5, 0x77);
    PixelBuffer buffer(rgba(), memory.data(), memory.size());
    PixelValue background(rgba());
    background.setSample(0, 10);
    background.setSample(1, 20);
    background.setSample(2, 30);
    background.setSample(3, 40);  // not a band of RGB: never written
    buffer.setBackground(background);
    buffer.setScene(Scene(0, 0, 0, 5, 4, 0));
    buffer.setStripHeight(2);

    buffer.prepareDecode();
    // Only the first strip is filled until the buffer moves on.
    EXPECT_EQ(buffer.pixel(5, 1)[2], 30);
    EXPECT_EQ(buffer.pixel(0, 2)[0], 0x77);
    while (buffer.hasStrip()) buffer.nextStrip();
    buffer.finishDecode();

    for (std::int32_t y = 0; y < 5; ++y) {
        for (std::int32_t x = 0; x < 6; ++x) {
            const std::uint8_t* p = buffer.pixel(x, y);
            EXPECT_EQ(p[0], 10);
            EXPECT_EQ(p[1], 20);
            EXPECT_EQ(p[2], 30);
            EXPECT_EQ(p[3], 0x77);
        }
    }
}

TEST(PixelBuffer, BackgroundFollowsTheBandMap) {
    // BGR order in memory: band 0 (red) lives in slot 2.
    PixelLayout bgr;
    const std::uint32_t map[] = {2, 1, 0};
    bgr.setBandMap(map);
    PixelValue background(bgr);
    background.setSample(2, 200);  // red, in its slot
    background.setSample(1, 100);
    background.setSample(0, 50);
    PixelBuffer buffer(bgr);
    buffer.setBackground(background);
    buffer.setScene(Scene(0, 0, 0, 1, 0, 0));
    buffer.prepareDecode();
    EXPECT_EQ(buffer.pixel(1, 0)[0], 50);
    EXPECT_EQ(buffer.pixel(1, 0)[2], 200);
    buffer.finishDecode();
}

TEST(PixelBuffer, AnUnconvertibleBackgroundIsRefused) {
    // A 16-bit grey background cannot be painted into an 8-bit buffer without a
    // converter between the two.
    PixelValue background(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt16));
    background.setSample(0, 1000);
    PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeCMYK), DataTypeUInt8));
    buffer.setBackground(background);
    buffer.setScene(Scene(0, 0, 0, 3, 3, 0));
    EXPECT_EQ(thrownText([&] { buffer.prepareDecode(); }), "[4][2395]No transformer registered.");
    EXPECT_FALSE(buffer.inDecode());
}

TEST(PixelBuffer, ImpossibleSizesAreRefusedBeforeAllocating) {
    PixelLayout huge(0, ColorSpace(SchemeMultispectral, 4), DataTypeFloat64);
    huge.setSamplesPerPixel(0x40000000u);
    PixelBuffer buffer(huge);
    buffer.setScene(Scene(0, 0, 0, INT32_MAX - 1, INT32_MAX - 1, 0));
    EXPECT_THROW(buffer.prepareDecode(), OutOfMemoryException);
}
