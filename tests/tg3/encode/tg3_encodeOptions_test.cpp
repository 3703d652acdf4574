// The encoder's options as a reader finds them in the written file, and the input and
// options it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "metadata/cv_classicalImport.h"
#include "metadata/cv_classicalStandardTags.h"
#include "support/cv_exception.h"
#include "tg3/encode/tg3_fileReading.h"

namespace Corvane {
namespace {

using tovex_test::readBack;

RasterImage greyCrop() {
    return cropImage(loadPng("camera.png", false), 150, 120, 77, 59);
}
RasterImage rgbCrop() {
    return cropImage(loadPng("chelsea.png", true), 140, 60, 67, 45);
}

TEST(TG3EncodeOptions, EveryOrderStyleVersionAndMseChoiceReadsBack) {
    const RasterImage image = rgbCrop();
    for (TG3Order order : {orderPipelined, orderNoPipe, orderSBCP}) {
        for (TG3OrderStyle style : {orderStyleInterleaved, orderStyleDataFirst}) {
            for (std::uint8_t minor : {0, 1}) {
                for (bool mses : {false, true}) {
                    SCOPED_TRACE(testing::Message() << "order " << order << " style " << style
                                                    << " 0." << int{minor} << " MSEs " << mses);
                    TG3EncodeOptions options;
                    options.order = order;
                    options.orderStyle = style;
                    options.planesetVersionMinor = minor;
                    options.withMSEs = mses;
                    options.subblockSize = 16;
                    const auto file = readBack(encodeTG3(image, options));
                    EXPECT_EQ(file.order, order);
                    EXPECT_EQ(file.orderStyle, style);
                    EXPECT_EQ(file.planesetMinor, minor);
                    EXPECT_EQ(file.info.hasMSEs, mses ? 1 : 0);
                    EXPECT_EQ(file.image.components, image.components);
                }
            }
        }
    }
}

TEST(TG3EncodeOptions, LevelsAndSubblockSizes) {
    const RasterImage image = greyCrop();  // 77 x 59
    struct Case {
        int levels;
        std::uint32_t subblockSize;
        int expectedLevels;
    };
    const Case cases[] = {
        {-1, 64, 3},  // 59 rows: 3 levels leave 8 rows, 4 levels only 4
        {0, 64, 0},  {1, 5, 1}, {3, 7, 3}, {6, 64, 6}, {2, 1, 2}, {4, 100, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "levels " << c.levels << " size " << c.subblockSize);
        TG3EncodeOptions options;
        options.levels = c.levels;
        options.subblockSize = c.subblockSize;
        const auto file = readBack(encodeTG3(image, options));
        EXPECT_EQ(file.info.levels, c.expectedLevels);
        EXPECT_EQ(file.info.subblockSize, c.subblockSize);
        EXPECT_EQ(file.image.components, image.components);
    }
}

TEST(TG3EncodeOptions, AutomaticLevelsKeepTheCoarsestLevelAtLeastEightPixels) {
    struct Case {
        std::uint32_t width, height;
        int levels;
    };
    const Case cases[] = {{3, 3, 0},   {14, 40, 0},   {15, 40, 1},   {16, 16, 1},  {40, 17, 1},
                          {32, 32, 2}, {255, 300, 5}, {256, 256, 5}, {2000, 64, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        RasterImage image;
        image.width = c.width;
        image.height = c.height;
        std::vector<std::int32_t> ramp(std::size_t{c.width} * c.height);
        for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::int32_t>(i % 251);
        image.components.push_back(ramp);
        const auto file = readBack(encodeTG3(image, {}));
        EXPECT_EQ(file.info.levels, c.levels);
        EXPECT_EQ(file.image.components, image.components);
    }
}

TEST(TG3EncodeOptions, RawPlanesAreTheLowestOnes) {
    const RasterImage image = greyCrop();
    for (int raw : {0, 3, 32}) {
        SCOPED_TRACE(raw);
        TG3EncodeOptions options;
        options.rawPlanes = raw;
        const auto file = readBack(encodeTG3(image, options));
        EXPECT_EQ(file.image.components, image.components);
        bool sawRaw = false;
        for (const PlaneIndexEntry& entry : file.index) {
            EXPECT_EQ(entry.raw, entry.position.plane >= 32 - raw) << int{entry.position.plane};
            sawRaw = sawRaw || entry.raw;
        }
        EXPECT_EQ(sawRaw, raw > 0);
    }
}

TEST(TG3EncodeOptions, NarrowDynamicRangeForSixteenBitSamples) {
    // Twelve-bit samples held in 16 bits, declared as the range 0..4095.
    RasterImage image = loadPgm16("flower_green16_crop.pgm");
    ASSERT_FALSE(image.empty());
    for (auto& sample : image.components[0]) sample >>= 4;
    TG3EncodeOptions options;
    options.dynamicRangeMax = 4095;
    const auto file = readBack(encodeTG3(image, options));
    EXPECT_EQ(file.info.dynamicRangeMin, 0);
    EXPECT_EQ(file.info.dynamicRangeMax, 4095);
    EXPECT_EQ(file.info.dataType, dataTypeUInt16);
    EXPECT_EQ(file.image.components, image.components);
}

TEST(TG3EncodeOptions, MetadataAndImageDescriptionAreWritten) {
    const RasterImage image = greyCrop();
    TG3EncodeOptions options;
    options.metadata.emplace();
    setImageWidth(&options.metadata->table(), image.width);
    setImageHeight(&options.metadata->table(), image.height);
    setInputName(&options.metadata->table(), "camera.png");
    setXYOrigin(&options.metadata->table(), 500000.0, 4200000.0);
    ImageDescription geo;
    geo.flags = ImageDescription::hasGeoData | ImageDescription::hasBackPixel;
    geo.xUL = 500000.0;
    geo.yUL = 4200000.0;
    geo.xRes = 2.5;
    geo.yRes = -2.5;
    geo.xLR = geo.xUL + geo.xRes * (image.width - 1);
    geo.yLR = geo.yUL + geo.yRes * (image.height - 1);
    geo.backPixel = {1, 5, {17}};
    options.description = geo;

    const auto file = readBack(encodeTG3(image, options));
    EXPECT_EQ(file.image.components, image.components);
    EXPECT_EQ(file.description, geo);
    TG3ClassicalMetadata written = *options.metadata;
    setEndOfMetadata(&written.table());  // the block writer closes the table with it
    MetadataDatabase expected;
    importTagTable(written.table(), expected);
    EXPECT_EQ(file.metadata, expected);
    EXPECT_FALSE(file.metadata.isEmpty());
}

TEST(TG3EncodeOptions, EncodeTG3FileWritesTheSameBytes) {
    const RasterImage image = greyCrop();
    tovex_test::TempDir dir;
    const std::string path = dir.file("camera.tvx");
    encodeTG3File(image, {}, path);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> written((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
    EXPECT_EQ(written, encodeTG3(image, {}));
    EXPECT_THROW(encodeTG3File(image, {}, dir.file("missing/directory/camera.tvx")), IOException);
}

TEST(TG3EncodeOptions, UnsupportedInputIsRefusedWithTheReason) {
    const RasterImage grey = greyCrop();
    const RasterImage rgb = rgbCrop();
    auto modified = [](RasterImage image, auto change) {
        change(image);
        return image;
    };
    struct Case {
        const char* what;
        RasterImage image;
        TG3EncodeOptions options;
        const char* reason;
        bool isArgument;  // else an unsupported feature
    };
    auto with = [](auto change) {
        TG3EncodeOptions options;
        change(options);
        return options;
    };
    const Case cases[] = {
        {"two bands",
         modified(rgb, [](RasterImage& i) { i.components.pop_back(); }),
         {},
         "2 bands",
         false},
        {"five bands",
         modified(rgb,
                  [](RasterImage& i) {
                      i.components.push_back(i.components[0]);
                      i.components.push_back(i.components[0]);
                  }),
         {},
         "5 bands",
         false},
        {"twelve bits",
         modified(grey, [](RasterImage& i) { i.bitsPerSample = 12; }),
         {},
         "12 bits per sample",
         false},
        {"zero size", RasterImage{}, {}, "no samples", false},
        {"zero width",
         modified(grey, [](RasterImage& i) { i.width = 0; }),
         {},
         "no samples",
         false},
        {"two rows", cropImage(grey, 0, 0, 40, 2), {}, "smaller than 3 x 3", false},
        {"short component",
         modified(grey, [](RasterImage& i) { i.components[0].pop_back(); }),
         {},
         "component 0",
         false},
        {"sample above 255",
         modified(grey, [](RasterImage& i) { i.components[0][7] = 256; }),
         {},
         "dynamic range 0..255",
         false},
        {"negative sample",
         modified(rgb, [](RasterImage& i) { i.components[2][0] = -1; }),
         {},
         "component 2",
         false},
        {"sample above the declared range",
         modified(grey, [](RasterImage& i) { i.components[0][0] = 101; }),
         with([](TG3EncodeOptions& o) { o.dynamicRangeMax = 100; }), "dynamic range 0..100", false},
        {"range above the type", grey, with([](TG3EncodeOptions& o) { o.dynamicRangeMax = 256; }),
         "dynamic range maximum", true},
        {"31 levels", grey, with([](TG3EncodeOptions& o) { o.levels = 31; }), "levels", true},
        {"more levels than the image has", grey, with([](TG3EncodeOptions& o) { o.levels = 8; }),
         "8 levels", true},
        {"sub-block size 0", grey, with([](TG3EncodeOptions& o) { o.subblockSize = 0; }),
         "sub-block size", true},
        {"sub-block size 65536", grey, with([](TG3EncodeOptions& o) { o.subblockSize = 65536; }),
         "sub-block size", true},
        {"order 6", grey, with([](TG3EncodeOptions& o) { o.order = orderPipelined97; }), "order",
         true},
        {"lengthfirst", grey,
         with([](TG3EncodeOptions& o) { o.orderStyle = orderStyleLengthFirst; }), "order style",
         true},
        {"planeset 0.2", grey, with([](TG3EncodeOptions& o) { o.planesetVersionMinor = 2; }),
         "planeset version", true},
        {"33 raw planes", grey, with([](TG3EncodeOptions& o) { o.rawPlanes = 33; }), "raw planes",
         true},
        {"YIQ on grey", grey,
         with([](TG3EncodeOptions& o) { o.colourTransform = colorTransformRGBToYIQ; }),
         "colour transform 10", true},
        {"reversible transform", rgb,
         with([](TG3EncodeOptions& o) { o.colourTransform = colorTransformJ2KReversible; }),
         "colour transform 17", true},
        {"YIQK on RGB", rgb,
         with([](TG3EncodeOptions& o) { o.colourTransform = colorTransformCMYKToYIQK; }),
         "colour transform 13", true},
        {"target of 0 bytes", grey,
         with([](TG3EncodeOptions& o) { o.rateMode = TG3RateMode::targetSize; }), "0 bytes", true},
        {"target below the headers", grey, with([](TG3EncodeOptions& o) {
             o.rateMode = TG3RateMode::targetSize;
             o.targetBytes = 20;
         }),
         "target of 20 bytes", true},
        {"quality of 0 dB", grey,
         with([](TG3EncodeOptions& o) { o.rateMode = TG3RateMode::targetQuality; }), "PSNR", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            encodeTG3(c.image, c.options);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            const std::string text = e.what() ? e.what() : "";
            EXPECT_NE(text.find(c.reason), std::string::npos) << text;
            const std::string prefix = c.isArgument ? "[4][2334]Invalid argument passed to "
                                                    : "[4][2204]Unsupported feature: ";
            EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
        }
    }
}

}  // namespace
}  // namespace Corvane
