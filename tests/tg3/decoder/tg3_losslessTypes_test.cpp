// Every sample type and colour transform the encoder writes comes back exactly
// through the file-level reader, in the layout the header names.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "common/temp_dir.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "reader/cv_tvxFileImageReader.h"
#include "tg3/decoder/decode_support.h"

namespace Corvane {
namespace {

// CMYK with full grey replacement, made from an RGB photograph: K takes the part
// common to C, M and Y.
TestImage cmykFrom(const TestImage& rgb) {
    TestImage cmyk = rgb;
    cmyk.components.assign(4, std::vector<std::int32_t>(rgb.components[0].size()));
    for (std::size_t i = 0; i < rgb.components[0].size(); ++i) {
        const std::int32_t c = 255 - rgb.components[0][i];
        const std::int32_t m = 255 - rgb.components[1][i];
        const std::int32_t y = 255 - rgb.components[2][i];
        const std::int32_t k = std::min({c, m, y});
        cmyk.components[0][i] = c - k;
        cmyk.components[1][i] = m - k;
        cmyk.components[2][i] = y - k;
        cmyk.components[3][i] = k;
    }
    return cmyk;
}

TestImage onePlane(const TestImage& image, std::size_t component) {
    TestImage plane = image;
    plane.components = {image.components[component]};
    return plane;
}

TEST(TG3LosslessTypes, EverySampleTypeAndColourTransformDecodesExactly) {
    const TestImage grey = cropImage(loadPng("camera.png", false), 200, 150, 97, 83);
    const TestImage rgb = cropImage(loadPng("astronaut.png", true), 180, 60, 91, 77);
    const TestImage rgb16 = cropImage(loadPnm("flower_small_rgb16.ppm"), 100, 200, 75, 69);
    const TestImage grey16 = onePlane(rgb16, 1);
    const TestImage cmyk = cmykFrom(rgb);
    ASSERT_FALSE(grey.empty() || rgb.empty() || rgb16.empty());
    ASSERT_EQ(rgb16.bitsPerSample, 16);

    struct Case {
        const char* what;
        const TestImage& image;
        std::optional<TG3ColorTransform> transform;
        ColorScheme scheme;
    };
    const Case cases[] = {
        {"8-bit grey, default", grey, std::nullopt, SchemeGrayscale},
        {"8-bit grey, identity", grey, colorTransformIdentity, SchemeGrayscale},
        {"8-bit RGB, default", rgb, std::nullopt, SchemeRGB},
        {"8-bit RGB, identity", rgb, colorTransformIdentity, SchemeRGB},
        {"8-bit RGB, YIQ outside", rgb, colorTransformRGBToYIQOutside, SchemeRGB},
        {"8-bit RGB, DC shift", rgb, colorTransformDCShift, SchemeRGB},
        {"8-bit RGB, DC shift of luminance", rgb, colorTransformDCShiftNonChrominance, SchemeRGB},
        {"8-bit CMYK, default", cmyk, std::nullopt, SchemeCMYK},
        {"8-bit CMYK, K processed", cmyk, colorTransformCMYKToYIQKProcessed, SchemeCMYK},
        {"16-bit grey, default", grey16, std::nullopt, SchemeGrayscale},
        {"16-bit grey, identity", grey16, colorTransformIdentity, SchemeGrayscale},
        {"16-bit RGB, default", rgb16, std::nullopt, SchemeRGB},
        {"16-bit RGB, DC shift", rgb16, colorTransformDCShift, SchemeRGB},
    };
    tovex_test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TG3EncodeOptions options;
        options.levels = 3;
        options.subblockSize = 16;
        options.colourTransform = c.transform;
        const std::string path = dir.file("image.tvx");
        encodeTG3File(c.image, options, path);

        TvxFileImageReader reader(path, 0);
        const PixelLayout& layout = reader.properties().layout();
        EXPECT_EQ(layout.colorSpace().scheme(), static_cast<std::uint32_t>(c.scheme));
        EXPECT_EQ(layout.samplesPerPixel(), c.image.components.size());
        EXPECT_EQ(layout.dataType(), c.image.bitsPerSample == 16 ? DataTypeUInt16 : DataTypeUInt8);
        const Scene box = tovex_test::levelBox(reader, 0);
        EXPECT_EQ(tovex_test::decodeScene(reader, 0, box, 16),
                  tovex_test::interleave(c.image.components, c.image.width, box));
    }
}

}  // namespace
}  // namespace Corvane
