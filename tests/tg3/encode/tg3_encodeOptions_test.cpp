// What the encoder writes besides the planes, and the input and options it refuses. Exact
// decoding of every option, and the levels it chooses, lie with the round trip table of the
// decoder tests.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "common/tg3_test_files.h"
#include "common/thrown_text.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "metadata/cv_classicalImport.h"
#include "metadata/cv_classicalStandardTags.h"
#include "support/cv_exception.h"

// The tables name only the options that differ from the defaults; the optional members
// left out are meant to stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace Corvane;
namespace {

using tovex_test::readFacts;

RasterImage greyCrop() {
    return cropImage(loadPng("camera.png", false), 150, 120, 77, 59);
}

TEST(TG3EncodeOptions, MetadataAndImageDescriptionAreWritten) {
    const RasterImage image = greyCrop();
    TG3EncodeOptions options;
    options.metadata.emplace();
    setImageWidth(&options.metadata->table(), image.width);
    setInputName(&options.metadata->table(), "camera.png");
    setXYOrigin(&options.metadata->table(), 500000.0, 4200000.0);
    ImageDescription geo;
    geo.flags = ImageDescription::hasGeoData | ImageDescription::hasBackPixel;
    std::tie(geo.xUL, geo.yUL, geo.xRes, geo.yRes) = std::tuple(500000.0, 4200000.0, 2.5, -2.5);
    geo.xLR = geo.xUL + geo.xRes * (image.width - 1);
    geo.yLR = geo.yUL + geo.yRes * (image.height - 1);
    geo.backPixel = {1, 5, {17}};
    options.description = geo;

    const std::vector<std::uint8_t> bytes = encodeTG3(image, options);
    const tovex_test::FileFacts facts = readFacts(bytes);
    EXPECT_EQ(facts.description, geo);
    TG3ClassicalMetadata written = *options.metadata;
    setEndOfMetadata(&written.table());  // the block writer closes the table with it
    MetadataDatabase expected;
    importTagTable(written.table(), expected);
    EXPECT_EQ(facts.metadata, expected);
    EXPECT_FALSE(facts.metadata.isEmpty());
    EXPECT_TRUE(readFacts(encodeTG3(image, {})).metadata.isEmpty());

    // The file writer writes the same bytes, or says why it cannot.
    tovex_test::TempDir dir;
    encodeTG3File(image, options, dir.file("camera.tvx"));
    std::ifstream in(dir.file("camera.tvx"), std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), bytes);
    EXPECT_THROW(encodeTG3File(image, {}, dir.file("missing/directory/camera.tvx")), IOException);
}

TEST(TG3EncodeOptions, UnsupportedInputIsRefusedWithTheReason) {
    const RasterImage grey = greyCrop();
    const RasterImage rgb = cropImage(loadPng("chelsea.png", true), 140, 65, 67, 45);
    // The image with one change: f(image) is applied to a copy.
    const auto with = [](RasterImage image, const std::function<void(RasterImage&)>& f) {
        f(image);
        return image;
    };
    using Image = RasterImage&;
    using O = TG3EncodeOptions;
    using R = TG3RateMode;
    const std::string unsupported = "[4][2204]Unsupported feature: ";
    const std::string argument = "[4][2334]Invalid argument passed to ";
    struct Case {
        RasterImage image;
        TG3EncodeOptions options;
        const char* reason;
        const std::string& kind;
    };
    // clang-format off
    const Case cases[] = {
        {with(rgb, [](Image i) { i.components.pop_back(); }), {}, "2 bands", unsupported},
        {with(rgb, [](Image i) { i.components.resize(5, i.components[0]); }), {}, "5 bands",
         unsupported},
        {with(grey, [](Image i) { i.bitsPerSample = 12; }), {}, "12 bits per", unsupported},
        {RasterImage{}, {}, "no samples", unsupported},
        {cropImage(grey, 0, 0, 40, 2), {}, "smaller than 3 x 3", unsupported},
        {with(grey, [](Image i) { i.components[0].pop_back(); }), {}, "component 0", unsupported},
        {with(grey, [](Image i) { i.components[0][7] = 256; }), {}, "range 0..255", unsupported},
        {with(rgb, [](Image i) { i.components[2][0] = -1; }), {}, "component 2", unsupported},
        {with(grey, [](Image i) { i.components[0][0] = 101; }), {.dynamicRangeMax = 100},
         "range 0..100", unsupported},
        {grey, {.dynamicRangeMax = 256}, "dynamic range maximum", argument},
        {grey, {.levels = 31}, "levels", argument},
        {grey, {.levels = 8}, "8 levels", argument},
        {grey, {.subblockSize = 65536}, "sub-block size", argument},
        {grey, {.order = orderPipelined97}, "order", argument},
        {grey, {.orderStyle = orderStyleLengthFirst}, "order style", argument},
        {grey, {.planesetVersionMinor = 2}, "planeset version", argument},
        {grey, {.rawPlanes = 33}, "raw planes", argument},
        {grey, {.colourTransform = colorTransformRGBToYIQ}, "colour transform 10", argument},
        {grey, {.colourTransform = colorTransformJ2KReversible}, "colour transform 17", argument},
        {rgb, {.colourTransform = colorTransformCMYKToYIQK}, "colour transform 13", argument},
        {grey, {.rateMode = R::targetSize}, "0 bytes", argument},
        {grey, {.rateMode = R::targetSize, .targetBytes = 20}, "target of 20 bytes", argument},
        {grey, O{.rateMode = R::targetQuality}, "PSNR", argument},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::string text = tovex_test::thrownText([&] { encodeTG3(c.image, c.options); });
        EXPECT_EQ(text.rfind(c.kind, 0), 0u) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    }
}

}  // namespace
