#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "support/cv_exception.h"
#include "tg2_decode_helpers.h"

using namespace Corvane;
using namespace tg2_test;

namespace {

std::uint32_t bigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

}  // namespace

TEST(TG2FileEncoder, DefaultLevelsKeepTheCoarsestBandUsable) {
    EXPECT_EQ(defaultTG2Levels(512, 512), 5u);
    EXPECT_EQ(defaultTG2Levels(4000, 3000), 5u);
    EXPECT_EQ(defaultTG2Levels(16, 16), 1u);
    EXPECT_EQ(defaultTG2Levels(512, 20), 1u);
    EXPECT_EQ(defaultTG2Levels(10, 300), 0u);
    EXPECT_EQ(defaultTG2Levels(1, 1), 0u);
    const TG2EncodeOptions defaults;
    EXPECT_TRUE(defaults.dither);
    EXPECT_FALSE(defaults.levels.has_value());
}

TEST(TG2FileEncoder, WritesTheHeaderOfTheImage) {
    const RasterImage image = cropImage(loadPng("astronaut.png", true), 10, 10, 70, 50);
    TG2EncodeOptions options;
    options.levels = 2;
    const std::vector<std::uint8_t> bytes = encodeTG2(image, options);
    ASSERT_GT(bytes.size(), 64u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "tovx");
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[5], 0);
    EXPECT_EQ(bigEndian32(bytes, 7), 3u);    // bands
    EXPECT_EQ(bigEndian32(bytes, 11), 2u);   // levels
    EXPECT_EQ(bigEndian32(bytes, 15), 70u);  // width
    EXPECT_EQ(bigEndian32(bytes, 19), 50u);  // height
    // Seven subbands, then FF D0 and the offset of the metadata block (FF D1).
    EXPECT_EQ(bytes[12 * 2 + 27], 0xFF);
    EXPECT_EQ(bytes[12 * 2 + 28], 0xD0);
    const std::uint32_t metadata = bigEndian32(bytes, 12 * 2 + 29);
    ASSERT_LT(metadata + 1, bytes.size());
    EXPECT_EQ(bytes[metadata], 0xFF);
    EXPECT_EQ(bytes[metadata + 1], 0xD1);

    // The file holds the same bytes.
    tovex_test::TempDir dir;
    const std::string path = dir.file("astronaut.tvx");
    encodeTG2File(image, options, path);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> stored((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    EXPECT_EQ(stored, bytes);
}

TEST(TG2FileEncoder, RefusesImagesAndOptionsItCannotEncode) {
    const RasterImage grey = cropImage(loadPng("camera.png", false), 0, 0, 16, 16);
    RasterImage deep = grey;
    deep.bitsPerSample = 16;
    RasterImage twoBands = grey;
    twoBands.components.push_back(grey.components[0]);
    RasterImage empty = grey;
    empty.width = 0;
    RasterImage shortBand = grey;
    shortBand.components[0].pop_back();
    for (const RasterImage* image : {&deep, &twoBands, &empty, &shortBand})
        EXPECT_THROW(encodeTG2(*image, TG2EncodeOptions{}), InvalidArgumentException);

    for (const float step : {0.0f, -1.0f, NAN, INFINITY, 1e-9f}) {
        TG2EncodeOptions options;
        options.step = step;
        EXPECT_THROW(encodeTG2(grey, options), InvalidArgumentException) << step;
    }
    TG2EncodeOptions noBlocks;
    noBlocks.blockWidth = 0;
    EXPECT_THROW(encodeTG2(grey, noBlocks), InvalidArgumentException);
    TG2EncodeOptions noSubBlocks;
    noSubBlocks.subBlockHeight = 0;
    EXPECT_THROW(encodeTG2(grey, noSubBlocks), InvalidArgumentException);

    tovex_test::TempDir dir;
    EXPECT_THROW(encodeTG2File(grey, TG2EncodeOptions{}, dir.file("missing/dir/x.tvx")),
                 IOException);
}
