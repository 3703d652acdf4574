#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "tg2_decode_helpers.h"

using namespace Corvane;
using namespace tg2_test;

namespace {

struct Source {
    const char* name;
    bool rgb;
};

const Source kSources[] = {{"camera.png", false}, {"astronaut.png", true}};

TG2EncodeOptions fineOptions(bool dither) {
    TG2EncodeOptions options;
    options.levels = 5;
    options.step = 0.5f;
    options.dither = dither;
    return options;
}

}  // namespace

TEST(TG2RoundTrip, SmallStepWithoutDitherRestoresEverySampleWithinOne) {
    for (const Source& source : kSources) {
        const RasterImage image = loadPng(source.name, source.rgb);
        ASSERT_EQ(image.width, 512u) << source.name;
        EncodedImage file(image, fineOptions(false));
        EXPECT_FALSE(file.stage().properties().dither());
        const Pixels decoded = decodeLevel(file.stage(), 0, 128);
        EXPECT_LE(largestError(decoded, image), 1) << source.name;
        EXPECT_GE(psnr(decoded, image), 50.0) << source.name;
    }
}

TEST(TG2RoundTrip, SmallStepWithDitherKeepsFiftyDecibels) {
    for (const Source& source : kSources) {
        const RasterImage image = loadPng(source.name, source.rgb);
        EncodedImage file(image, fineOptions(true));
        EXPECT_TRUE(file.stage().properties().dither());
        const Pixels decoded = decodeLevel(file.stage(), 0, 128);
        EXPECT_GE(psnr(decoded, image), 50.0) << source.name;
    }
}

TEST(TG2RoundTrip, OddSizesBlocksAndSubBlocksRoundTrip) {
    const RasterImage camera = loadPng("camera.png", false);
    const RasterImage astronaut = loadPng("astronaut.png", true);
    struct Case {
        RasterImage image;
        std::uint32_t levels;
        std::uint32_t block;
        std::uint32_t subBlock;
    };
    const Case cases[] = {
        {cropImage(camera, 3, 5, 1, 1), 0, 64, 32},
        {cropImage(camera, 100, 100, 1, 37), 2, 8, 3},
        {cropImage(camera, 100, 100, 37, 1), 3, 8, 5},
        {cropImage(camera, 11, 200, 97, 61), 4, 16, 7},
        {cropImage(astronaut, 300, 17, 45, 33), 3, 13, 4},
        {cropImage(astronaut, 0, 0, 2, 3), 1, 64, 32},
    };
    for (const Case& c : cases) {
        TG2EncodeOptions options;
        options.levels = c.levels;
        options.step = 0.5f;
        options.dither = false;
        options.blockWidth = options.blockHeight = c.block;
        options.subBlockWidth = c.subBlock;
        options.subBlockHeight = c.subBlock + 1;
        EncodedImage file(c.image, options);
        EXPECT_LE(largestError(decodeLevel(file.stage(), 0, 5), c.image), 1)
            << c.image.width << " x " << c.image.height << ", " << c.levels << " levels";
    }
}

// Also prints the figures of camera.png at a fine, a medium and a coarse step with
// the encoder's defaults (5 levels, dither on): file size, bits per pixel and PSNR.
TEST(TG2RoundTrip, CoarserStepsCostQualityAndSaveBytes) {
    const RasterImage image = loadPng("camera.png", false);
    ASSERT_FALSE(image.empty());
    double lastPsnr = INFINITY;
    std::uint64_t lastSize = UINT64_MAX;
    for (const float step : {1.0f, 4.0f, 16.0f}) {
        TG2EncodeOptions options;
        options.step = step;
        EncodedImage file(image, options);
        const double quality = psnr(decodeLevel(file.stage(), 0), image);
        const double bitsPerPixel = 8.0 * static_cast<double>(file.fileSize()) /
                                    (static_cast<double>(image.width) * image.height);
        std::printf("camera.png step %5.1f: %8llu bytes, %.3f bits per pixel, PSNR %.2f dB\n",
                    double{step}, static_cast<unsigned long long>(file.fileSize()), bitsPerPixel,
                    quality);
        EXPECT_LT(quality, lastPsnr) << step;
        EXPECT_LT(file.fileSize(), lastSize) << step;
        // Still a recognisable image.
        EXPECT_GT(quality, 25.0) << step;
        lastPsnr = quality;
        lastSize = file.fileSize();
    }
}

TEST(TG2RoundTrip, FlatImagesStayFlatAtEveryLevel) {
    // The level steps and weights undo the gain of the low-pass filters, so a
    // flat image keeps its value however far it is reduced.
    RasterImage flat;
    flat.width = 96;
    flat.height = 80;
    flat.components.assign(1, std::vector<std::int32_t>(96 * 80, 137));
    TG2EncodeOptions options;
    options.levels = 4;
    options.step = 0.25f;
    options.dither = false;
    EncodedImage file(flat, options);
    for (std::int32_t level = 0; level <= 4; ++level) {
        const Pixels pixels = decodeLevel(file.stage(), level);
        for (const std::uint8_t sample : pixels.samples)
            ASSERT_NEAR(sample, 137, 1) << "level " << level;
    }
}
