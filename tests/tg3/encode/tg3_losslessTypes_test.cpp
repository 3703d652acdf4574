// Lossless files of every sample type and colour transform the encoder writes, read back
// through the container, the planeset walk and the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "common/test_images.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "tg3/encode/tg3_fileReading.h"

namespace Corvane {
namespace {

using tovex_test::readBack;

// CMYK made from an RGB photograph with full grey replacement: K takes the common part
// of C, M and Y, which leaves one of them at 0 in every pixel.
RasterImage cmykFrom(const RasterImage& rgb) {
    RasterImage cmyk = rgb;
    cmyk.components.resize(4);
    const std::int32_t top = rgb.bitsPerSample == 8 ? 255 : 65535;
    for (std::size_t i = 0; i < rgb.components[0].size(); ++i) {
        const std::int32_t c = top - rgb.components[0][i];
        const std::int32_t m = top - rgb.components[1][i];
        const std::int32_t y = top - rgb.components[2][i];
        const std::int32_t k = std::min({c, m, y});
        cmyk.components[0][i] = c - k;
        cmyk.components[1][i] = m - k;
        cmyk.components[2][i] = y - k;
        cmyk.components.back().push_back(k);
    }
    return cmyk;
}

struct Source {
    const char* name;
    RasterImage image;
    std::vector<TG3ColorTransform> transforms;
};

std::vector<Source> sources() {
    const RasterImage chelsea = cropImage(loadPng("chelsea.png", true), 170, 40, 97, 83);
    const RasterImage flower = cropImage(loadPnm("flower_small_rgb16.ppm"), 200, 150, 91, 77);
    return {
        {"8-bit grey",
         cropImage(loadPng("camera.png", false), 200, 90, 101, 73),
         {colorTransformIdentity, colorTransformDCShift}},
        {"16-bit grey",
         loadPgm16("flower_green16_crop.pgm"),
         {colorTransformIdentity, colorTransformDCShift}},
        {"8-bit RGB",
         chelsea,
         {colorTransformIdentity, colorTransformRGBToYIQ, colorTransformRGBToYIQOutside,
          colorTransformDCShift, colorTransformDCShiftNonChrominance}},
        {"16-bit RGB",
         flower,
         {colorTransformIdentity, colorTransformRGBToYIQ, colorTransformRGBToYIQOutside,
          colorTransformDCShift, colorTransformDCShiftNonChrominance}},
        {"8-bit CMYK",
         cmykFrom(chelsea),
         {colorTransformIdentity, colorTransformCMYKToYIQK, colorTransformCMYKToYIQKProcessed,
          colorTransformDCShift}},
    };
}

TEST(TG3LosslessTypes, EverySampleTypeAndColourTransformComesBackExactly) {
    for (const Source& source : sources()) {
        ASSERT_FALSE(source.image.empty()) << source.name;
        std::vector<std::optional<TG3ColorTransform>> transforms{std::nullopt};
        transforms.insert(transforms.end(), source.transforms.begin(), source.transforms.end());
        for (const auto& transform : transforms) {
            SCOPED_TRACE(testing::Message()
                         << source.name << ", transform " << (transform ? int(*transform) : 0));
            TG3EncodeOptions options;
            options.colourTransform = transform;
            const auto file = readBack(encodeTG3(source.image, options));
            EXPECT_EQ(file.image.bitsPerSample, source.image.bitsPerSample);
            EXPECT_EQ(file.image.components, source.image.components);
            if (transform) {
                EXPECT_EQ(file.info.colorTransform, *transform);
            }
            const int bits = source.image.bitsPerSample;
            EXPECT_EQ(file.info.dataType, bits == 8 ? dataTypeUInt8 : dataTypeUInt16);
            EXPECT_EQ(file.info.dynamicRangeMax, bits == 8 ? 255 : 65535);
            EXPECT_EQ(file.info.inputColorSpace, source.image.bandCount() == 1 ? colorSpaceGreyscale
                                                 : source.image.bandCount() == 3 ? colorSpaceRGB
                                                                                 : colorSpaceCMYK);
        }
    }
}

TEST(TG3LosslessTypes, WholeImagesComeBackExactly) {
    struct Case {
        const char* name;
        RasterImage image;
    };
    const Case cases[] = {
        {"astronaut.png", loadPng("astronaut.png", true)},
        {"flower_small_rgb16.ppm", loadPnm("flower_small_rgb16.ppm")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.image.empty());
        const std::vector<std::uint8_t> bytes = encodeTG3(c.image, {});
        std::printf("%s lossless: %zu bytes, %.3f bits per pixel\n", c.name, bytes.size(),
                    8.0 * double(bytes.size()) / (double(c.image.width) * c.image.height));
        const auto file = readBack(bytes);
        EXPECT_EQ(file.image.components, c.image.components);
        // A lossless coding of a photograph takes less than the raw samples.
        EXPECT_LT(bytes.size(), std::size_t{c.image.width} * c.image.height * c.image.bandCount() *
                                    c.image.bitsPerSample / 8);
    }
}

}  // namespace
}  // namespace Corvane
