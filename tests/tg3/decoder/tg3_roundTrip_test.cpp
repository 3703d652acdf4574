// Real images written by our TG3 encoder and read back through the file-level reader:
// one table over sample types, colour transforms, sub-block orders, order styles,
// planeset versions, levels and sub-block sizes. Lossless rows decode exactly; a few
// also check every reduced level, window, strip height and continued scene against the
// whole decode. Lossy rows keep their size or quality target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "common/decode_support.h"
#include "common/temp_dir.h"
#include "common/tg3_test_files.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "encode/tg3/tg3_forwardTransform53.h"
#include "reader/cv_tvxFileImageReader.h"

// The tables name only the options that differ from the defaults; the optional members
// left out are meant to stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace Corvane;
namespace {

// CMYK with full grey replacement, made from an RGB photograph: K takes the part
// common to C, M and Y.
TestImage cmykFrom(const TestImage& rgb) {
    TestImage cmyk = rgb;
    cmyk.components.push_back(rgb.components[0]);
    for (std::size_t i = 0; i < rgb.components[0].size(); ++i) {
        std::int32_t& k = cmyk.components[3][i];
        k = 255 - std::max({rgb.components[0][i], rgb.components[1][i], rgb.components[2][i]});
        for (int c = 0; c < 3; ++c) cmyk.components[c][i] = 255 - rgb.components[c][i] - k;
    }
    return cmyk;
}

TestImage withFlatQuarter(TestImage image) {
    for (std::uint32_t y = 0; y < image.height / 2; ++y)
        for (std::uint32_t x = 0; x < image.width / 2; ++x)
            image.components[0][y * image.width + x] = 100;
    return image;
}

// Twelve-bit samples held in 16 bits.
TestImage twelveBit(TestImage image) {
    for (auto& sample : image.components[0]) sample >>= 4;
    return image;
}

// The low-pass band of the forward transform at `level`, clamped to the samples'
// range: what a lossless file decodes to at that level.
std::vector<std::vector<std::int32_t>> lowPassAt(const TestImage& image, int level,
                                                 std::int32_t maximum, EdgeRule rule) {
    std::vector<std::vector<std::int32_t>> planes;
    for (const auto& samples : image.components) {
        auto band = forwardTransform53(samples, image.width, image.height, level, rule)[0];
        for (std::int32_t& v : band) v = std::clamp(v, 0, maximum);
        planes.push_back(std::move(band));
    }
    return planes;
}

// Every level equals the encoder's low-pass band, and the magnified levels -1 and -2 the
// image with each sample repeated; strip heights and scenes that continue each other
// downwards (sharing the decoder's engine, and at magnified levels a level-0 row between
// two scenes), move aside, shrink to one sample or go back up equal the same boxes of
// the whole decode.
void expectEveryLevelConsistent(TvxFileImageReader& reader, const TestImage& image,
                                std::int32_t maximum, EdgeRule rule) {
    const int components = static_cast<int>(image.components.size());
    for (std::int32_t level = -2; level <= reader.levelCount(); ++level) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        const Scene box = tovex_test::levelBox(reader, level);
        const std::int32_t w = static_cast<std::int32_t>(box.width());
        const std::int32_t h = static_cast<std::int32_t>(box.height());
        const std::vector<std::int32_t> whole = tovex_test::decodeScene(reader, level, box);
        const auto lowPass = [&](std::int32_t at) {
            const Scene atBox = tovex_test::levelBox(reader, at);
            return tovex_test::interleave(lowPassAt(image, at, maximum, rule),
                                          static_cast<std::uint32_t>(atBox.width()), atBox);
        };
        ASSERT_EQ(whole, level >= 0 ? lowPass(level)
                                    : tovex_test::repeated(lowPass(0), image.width, image.height,
                                                           components, -level));
        for (std::int32_t strip : {1, 7, 0})
            EXPECT_EQ(tovex_test::decodeScene(reader, level, box, strip), whole) << strip;

        const auto rows = [&](std::int32_t x0, std::int32_t x1, std::int32_t y0, std::int32_t n) {
            y0 = std::min(y0, h - 1);
            return Scene(x0, y0, 0, x1, std::min(h, y0 + n) - 1, 0);
        };
        std::vector<Scene> scenes;
        std::int32_t y = 0;
        for (const std::int32_t n : {5, 64, 37, 1, 100}) {
            scenes.push_back(rows(0, w - 1, y, n));
            y += n;
        }
        scenes.push_back(rows(w / 3, w / 2, 10, 20));
        scenes.push_back(rows(w - 1, w - 1, h - 1, 1));  // the last sample alone
        scenes.push_back(rows(std::min(w - 1, 17), w - 1, h / 3, 9));
        scenes.push_back(rows(0, w - 1, 0, 40));
        scenes.push_back(rows(0, w - 1, 40, 200));
        scenes.push_back(rows(0, w / 4, h / 2, h));  // the left edge down to the bottom
        TovexNavigator navigator(reader, level, scenes.front());
        for (const Scene& scene : scenes) {
            navigator.setSceneSize(static_cast<std::int32_t>(scene.width()),
                                   static_cast<std::int32_t>(scene.height()), AnchorUpperLeft);
            navigator.moveScene(scene.x0, scene.y0, AnchorUpperLeft);
            EXPECT_EQ(tovex_test::decodeWith(navigator, reader.properties().layout(), 16),
                      tovex_test::cut(whole, w, components, scene))
                << "scene " << scene.x0 << "," << scene.y0 << ".." << scene.x1 << "," << scene.y1;
        }
    }
}

struct Case {
    const char* what;
    const TestImage& image;
    TG3EncodeOptions options;
    int levels;               // as the file records them
    bool everyLevel = false;  // also every reduced level, window, strip and scene
    double minPsnr = 0;       // lossy rows: the least quality; 0 for lossless
    double sizeFraction = 0;  // a target size of this fraction of the lossless size
};

TEST(TG3RoundTrip, EveryVariantDecodesExactlyOrWithinItsBound) {
    const TestImage camera = loadPng("camera.png", false);
    const TestImage grey = cropImage(camera, 200, 150, 97, 83);
    const TestImage tiny = cropImage(camera, 300, 200, 13, 11);
    const TestImage greyEven = cropImage(camera, 7, 9, 98, 70);
    const TestImage flat = withFlatQuarter(cropImage(camera, 100, 100, 128, 128));
    const TestImage rgb = cropImage(loadPng("chelsea.png", true), 150, 60, 181, 143);
    const TestImage rgbSmall = cropImage(rgb, 20, 40, 91, 77);
    const TestImage cmyk = cmykFrom(rgbSmall);
    const TestImage rgb16 = cropImage(loadPnm("flower_small_rgb16.ppm"), 100, 150, 96, 80);
    const TestImage grey16 = loadPnm("flower_green16_crop.pgm");
    const TestImage grey12 = twelveBit(grey16);
    ASSERT_FALSE(grey.empty() || rgb.empty() || rgb16.empty() || grey16.empty());
    ASSERT_EQ(rgb16.bitsPerSample + grey16.bitsPerSample, 32);

    using O = TG3EncodeOptions;
    using R = TG3RateMode;
    constexpr auto nopipe = orderNoPipe, sbcp = orderSBCP;
    constexpr auto datafirst = orderStyleDataFirst;
    constexpr auto identity = colorTransformIdentity, yiq = colorTransformRGBToYIQ,
                   dcShift = colorTransformDCShift;
    // clang-format off
    const Case cases[] = {
        // Defaults: 5 levels or fewer, sub-blocks of 64, pipelined and interleaved, 0.0.
        {"grey, default", camera, O{}, 5, true},
        {"grey 13 x 11 down to one sample", tiny, O{.levels = 4, .subblockSize = 4}, 4, true},
        {"grey, no levels", grey, O{.levels = 0, .colourTransform = identity}, 0},
        {"grey, sub-blocks of 5, raw planes", grey,
         O{.levels = 1, .subblockSize = 5, .rawPlanes = 3}, 1},
        {"grey, sub-blocks of 1", grey, O{.levels = 2, .subblockSize = 1, .order = sbcp}, 2},
        {"grey, 6 levels, sub-blocks of 100", grey, O{.levels = 6, .subblockSize = 100}, 6},
        {"grey, flat quarter", flat, O{.subblockSize = 16}, 4},
        {"RGB, default", rgb, O{.subblockSize = 32}, 4, true},
        {"RGB, identity, sbcp datafirst 0.1", rgbSmall, O{.subblockSize = 16, .order = sbcp,
         .orderStyle = datafirst, .planesetVersionMinor = 1, .colourTransform = identity}, 3},
        {"RGB, YIQ, nopipe 0.1 with MSEs", rgbSmall, O{.subblockSize = 16, .order = nopipe,
         .planesetVersionMinor = 1, .withMSEs = true, .colourTransform = yiq}, 3},
        {"RGB, YIQ outside, pipelined datafirst with MSEs", rgbSmall, O{.subblockSize = 16,
         .orderStyle = datafirst, .withMSEs = true,
         .colourTransform = colorTransformRGBToYIQOutside}, 3},
        {"RGB, DC shift, nopipe datafirst", rgbSmall, O{.subblockSize = 16, .order = nopipe,
         .orderStyle = datafirst, .colourTransform = dcShift}, 3},
        {"RGB, DC shift of luminance, sbcp with MSEs", rgbSmall, O{.subblockSize = 16,
         .order = sbcp, .withMSEs = true,
         .colourTransform = colorTransformDCShiftNonChrominance}, 3},
        {"RGB, code 7", rgbSmall, O{.colourTransform = colorTransformYIQOppositeB}, 3},
        {"CMYK, default", cmyk, O{.subblockSize = 16}, 3},
        {"CMYK, K processed", cmyk, O{.colourTransform = colorTransformCMYKToYIQKProcessed}, 3},
        {"CMYK, DC shift", cmyk, O{.colourTransform = dcShift}, 3},
        {"16-bit grey, identity", grey16, O{.colourTransform = identity}, 3},
        {"16-bit grey, 0..4095", grey12, O{.levels = 2, .dynamicRangeMax = 4095}, 2},
        {"16-bit RGB, nopipe datafirst 0.1 with MSEs", rgb16, O{.levels = 4, .subblockSize = 32,
         .order = nopipe, .orderStyle = datafirst, .planesetVersionMinor = 1, .withMSEs = true},
         4, true},
        {"16-bit RGB, YIQ", rgb16, O{.colourTransform = yiq}, 3},
        {"16-bit RGB, DC shift", rgb16, O{.colourTransform = dcShift}, 3},
        {"RGB, code 17", rgbSmall, O{.colourTransform = colorTransformJ2KReversible}, 3},
        {"16-bit RGB, code 17, nopipe", rgb16,
         O{.order = nopipe, .colourTransform = colorTransformJ2KReversible}, 3},
        // Periodic edges at odd and even sizes that are not multiples of 2^levels.
        {"grey 13 x 11 periodic", tiny, O{.levels = 4, .subblockSize = 4, .periodic = true},
         4, true},
        {"grey 98 x 70 periodic", greyEven,
         O{.levels = 3, .subblockSize = 16, .periodic = true}, 3, true},
        {"RGB periodic, code 17", rgbSmall, O{.subblockSize = 16,
         .colourTransform = colorTransformJ2KReversible, .periodic = true}, 3, true},
        // Lossy: planes kept for a target size or a target quality.
        {"grey, 8% of the size", grey, O{.rateMode = R::targetSize}, 3, false, 22, 0.08},
        {"grey, the whole size", grey, O{.rateMode = R::targetSize}, 3, false, 0, 1.0},
        {"RGB, 30% of the size", rgbSmall, O{.rateMode = R::targetSize}, 3, false, 35, 0.3},
        {"16-bit RGB, 15% of the size", rgb16, O{.rateMode = R::targetSize}, 3, false, 45, 0.15},
        {"RGB, 38 dB, sbcp datafirst, MSEs and raw planes", rgbSmall, O{.subblockSize = 8,
         .order = sbcp, .orderStyle = datafirst, .withMSEs = true, .rateMode = R::targetQuality,
         .targetPsnr = 38, .rawPlanes = 2}, 3, false, 38},
        {"16-bit RGB, 45 dB, nopipe", rgb16,
         O{.order = nopipe, .rateMode = R::targetQuality, .targetPsnr = 45}, 3, false, 45},
    };
    // clang-format on
    tovex_test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TG3EncodeOptions options = c.options;
        TG3EncodeOptions lossless = options;
        lossless.rateMode = R::lossless;
        const std::size_t losslessSize = encodeTG3(c.image, lossless).size();
        if (c.sizeFraction > 0)
            options.targetBytes = static_cast<std::uint64_t>(c.sizeFraction * double(losslessSize));
        const std::vector<std::uint8_t> bytes = encodeTG3(c.image, options);

        // The file says what was asked for.
        const std::int32_t maximum = options.dynamicRangeMax > 0   ? options.dynamicRangeMax
                                     : c.image.bitsPerSample == 16 ? 65535
                                                                   : 255;
        const tovex_test::FileFacts facts = tovex_test::readFacts(bytes);
        const TG3ImageInfo& info = facts.info;
        EXPECT_EQ((std::vector<std::int64_t>{info.levels, info.subblockSize, facts.order,
                                             facts.orderStyle, facts.planesetMinor, info.hasMSEs,
                                             info.dynamicRangeMax}),
                  (std::vector<std::int64_t>{c.levels, options.subblockSize, options.order,
                                             options.orderStyle, options.planesetVersionMinor,
                                             options.withMSEs, maximum}));
        EXPECT_EQ(info.colorTransform, options.colourTransform.value_or(info.colorTransform));
        EXPECT_EQ(info.boundary, options.periodic ? boundaryPeriodic : boundaryReflective);
        for (const PlaneIndexEntry& entry : facts.index)
            ASSERT_EQ(entry.raw, entry.position.plane >= 32 - options.rawPlanes);

        const std::string path = dir.file("image.tvx");
        tovex_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
        TvxFileImageReader reader(path, 0);
        ASSERT_EQ(reader.width(), static_cast<std::int32_t>(c.image.width));
        ASSERT_EQ(reader.height(), static_cast<std::int32_t>(c.image.height));
        ASSERT_EQ(reader.levelCount(), c.levels);
        ASSERT_EQ(reader.properties().layout().samplesPerPixel(), c.image.components.size());

        const Scene box = tovex_test::levelBox(reader, 0);
        const auto decoded = tovex_test::decodeScene(reader, 0, box, 16);
        const auto source = tovex_test::interleave(c.image.components, c.image.width, box);
        if (c.minPsnr == 0) {
            EXPECT_EQ(decoded, source);
        } else {
            EXPECT_GE(tovex_test::difference(decoded, source, maximum).psnr, c.minPsnr);
            EXPECT_LT(bytes.size(), losslessSize);
        }
        if (c.sizeFraction > 0) {
            EXPECT_LE(bytes.size(), options.targetBytes);
            EXPECT_GT(double(bytes.size()), 0.6 * double(options.targetBytes));  // used, too
        }
        if (c.everyLevel)
            expectEveryLevelConsistent(reader, c.image, maximum,
                                       options.periodic ? EdgeRule::periodic : EdgeRule::mirror);
    }
}

}  // namespace
