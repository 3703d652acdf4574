// Whole files written by the TG3 encoder and read back through the container, the
// planeset walk and the engine.
#include "encode/tg3/tg3_fileEncoder.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "common/test_images.h"
#include "tg3/encode/tg3_fileReading.h"

namespace Corvane {
namespace {

using tovex_test::readBack;

double bitsPerPixel(std::size_t bytes, const RasterImage& image) {
    return 8.0 * double(bytes) / (double(image.width) * image.height);
}

TEST(TG3FileEncoder, DefaultsGiveALosslessGreyFile) {
    const RasterImage camera = loadPng("camera.png", false);
    ASSERT_EQ(camera.width, 512u);
    const std::vector<std::uint8_t> bytes = encodeTG3(camera, {});
    std::printf("camera.png lossless: %zu bytes, %.3f bits per pixel\n", bytes.size(),
                bitsPerPixel(bytes.size(), camera));
    const auto file = readBack(bytes);
    EXPECT_EQ(file.image.components, camera.components);
    EXPECT_EQ(file.image.bitsPerSample, 8);

    // The defaults: 5 levels, sub-blocks of 64, pipelined and interleaved, 8-bit
    // greyscale over 0..255 with a DC shift, a planeset of version 0.0 and no extras.
    EXPECT_EQ(file.info.levels, 5);
    EXPECT_EQ(file.info.subblockSize, 64);
    EXPECT_EQ(file.order, orderPipelined);
    EXPECT_EQ(file.orderStyle, orderStyleInterleaved);
    EXPECT_EQ(file.planesetMinor, 0);
    EXPECT_EQ(file.info.components, 1);
    EXPECT_EQ(file.info.dataType, dataTypeUInt8);
    EXPECT_EQ(file.info.dynamicRangeMin, 0);
    EXPECT_EQ(file.info.dynamicRangeMax, 255);
    EXPECT_EQ(file.info.inputColorSpace, colorSpaceGreyscale);
    EXPECT_EQ(file.info.colorTransform, colorTransformDCShift);
    EXPECT_EQ(file.info.kernel, kernel53HV);
    EXPECT_EQ(file.info.hasMSEs, 0);
    EXPECT_EQ(file.description.flags, 0);
    EXPECT_TRUE(file.metadata.isEmpty());
    // A lossless file of a natural photograph is well below its 8 bits per pixel.
    EXPECT_LT(bitsPerPixel(bytes.size(), camera), 6.0);
}

TEST(TG3FileEncoder, DefaultsGiveALosslessRgbFile) {
    const RasterImage chelsea = cropImage(loadPng("chelsea.png", true), 100, 50, 203, 141);
    ASSERT_EQ(chelsea.components.size(), 3u);
    const std::vector<std::uint8_t> bytes = encodeTG3(chelsea, {});
    const auto file = readBack(bytes);
    EXPECT_EQ(file.image.components, chelsea.components);
    EXPECT_EQ(file.info.inputColorSpace, colorSpaceRGB);
    EXPECT_EQ(file.info.colorTransform, colorTransformYIQOpposite);
    EXPECT_EQ(file.info.components, 3);
    // 141 rows: 5 levels leave a coarsest level of 5 rows, below 8, so 4 are used.
    EXPECT_EQ(file.info.levels, 4);

    // The default is chosen for size: it must beat coding the bands as they are,
    // and code 10, whose decoding step mixes luminance into every component.
    TG3EncodeOptions identity;
    identity.colourTransform = colorTransformIdentity;
    TG3EncodeOptions code10;
    code10.colourTransform = colorTransformRGBToYIQ;
    EXPECT_LT(bytes.size(), encodeTG3(chelsea, identity).size() * 95 / 100);
    EXPECT_LT(bytes.size(), encodeTG3(chelsea, code10).size() * 95 / 100);
}

}  // namespace
}  // namespace Corvane
