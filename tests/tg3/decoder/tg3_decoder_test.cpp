// The TG3 decoding path through the file-level reader: small files assembled from
// real coded data with one part changed at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/temp_dir.h"
#include "common/tg3_test_files.h"
#include "common/thrown_text.h"
#include "encode/tg3/tg3_forwardTransform53.h"
#include "image/cv_imageDecoder.h"
#include "image/cv_tvxFileImageReader.h"
#include "support/cv_exception.h"
#include "support/cv_messages.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/container/tg3_status.h"
#include "tg3/decoder/decode_support.h"
#include "tg3/decoder/tg3_decoderTool.h"
#include "tg3/decoder/tg3_image.h"
#include "tg3/decoder/tg3_imageStage.h"
#include "tg3/header/tg3_headerPacket.h"
#include "transform/cv_transformerRegistry.h"

namespace Corvane {
namespace {

using tovex_test::Bytes;
using tovex_test::FileRecipe;

// The text an exception of the given kernel status carries.
std::string statusText(std::int32_t status) {
    try {
        throwStatus(status);
    } catch (const Exception& e) {
        return describe(e);
    }
    return {};
}

class TG3Decoding : public testing::Test {
  protected:
    std::string write(const Bytes& bytes, const std::string& name = "image.tvx") {
        const std::string path = dir_.file(name);
        tovex_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    tovex_test::TempDir dir_;
};

TEST_F(TG3Decoding, SmallGreyImageDecodesExactlyAtEveryLevel) {
    const TestImage image = tovex_test::patternImage(45, 37);
    FileRecipe recipe;
    recipe.levels = 3;
    recipe.subblockSize = 16;
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
    EXPECT_TRUE(reader.isTG3());
    EXPECT_EQ(reader.width(), 45);
    EXPECT_EQ(reader.height(), 37);
    EXPECT_EQ(reader.bandCount(), 1);
    EXPECT_EQ(reader.levelCount(), 3);
    EXPECT_EQ(reader.properties().layout().colorSpace().scheme(),
              static_cast<std::uint32_t>(SchemeGrayscale));
    EXPECT_EQ(reader.properties().layout().dataType(), static_cast<std::uint32_t>(DataTypeUInt8));
    EXPECT_EQ(tovex_test::decodeScene(reader, 0, tovex_test::levelBox(reader, 0)),
              tovex_test::interleave(image.components, 45, tovex_test::levelBox(reader, 0)));
    // Levels 1 to 3 are 23 x 19, 12 x 10 and 6 x 5.
    for (std::int32_t level = 1; level <= 3; ++level) {
        const Scene box = tovex_test::levelBox(reader, level);
        EXPECT_EQ(tovex_test::decodeScene(reader, level, box).size(),
                  static_cast<std::size_t>(box.width() * box.height()));
    }
    EXPECT_EQ(tovex_test::levelBox(reader, 3), Scene(0, 0, 0, 5, 4, 0));
}

TEST_F(TG3Decoding, LevelsDownToASingleSampleDecode) {
    // 13 x 11 at levels 0 to 4: 7 x 6, 4 x 3, 2 x 2 and 1 x 1.
    const TestImage image = tovex_test::patternImage(13, 11);
    FileRecipe recipe;
    recipe.levels = 4;
    recipe.subblockSize = 4;
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
    for (std::int32_t level = 0; level <= 4; ++level) {
        const Scene box = tovex_test::levelBox(reader, level);
        std::vector<std::int32_t> lowPass =
            forwardTransform53(image.components[0], 13, 11, level)[0];
        for (std::int32_t& v : lowPass) v = std::clamp(v, 0, 255);
        EXPECT_EQ(tovex_test::decodeScene(reader, level, box, 1),
                  tovex_test::interleave({lowPass}, static_cast<std::uint32_t>(box.width()), box))
            << "level " << level;
    }
    EXPECT_EQ(tovex_test::levelBox(reader, 4), Scene(0, 0, 0, 0, 0, 0));
}

TEST_F(TG3Decoding, KernelOtherThanFiveThreeFailsWhenTheDecoderIsCreated) {
    const TestImage image = tovex_test::patternImage(20, 20);
    struct Case {
        TG3Kernel kernel;
        int line;
    };
    for (const Case& c : {Case{kernel97HV, 190}, Case{kernel53VH, 181}, Case{kernel97VH, 186}}) {
        FileRecipe recipe;
        recipe.levels = 2;
        recipe.editHeader = [&c](TG3ImageInfo& info) { info.kernel = c.kernel; };
        TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
        try {
            reader.createDecoder();
            ADD_FAILURE() << "kernel " << c.kernel << " was accepted";
        } catch (const UnimplementedException& e) {
            const std::string expected =
                "[4][2202]Unimplemented method - file:tg3_decoderTool line:" +
                std::to_string(c.line) + ".";
            EXPECT_EQ(describe(e), expected);
        }
    }
}

TEST_F(TG3Decoding, LevelsBeyondTheImageAreRefused) {
    const TestImage image = tovex_test::patternImage(40, 40);
    FileRecipe recipe;
    recipe.levels = 2;
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
    EXPECT_NO_THROW(tovex_test::decodeScene(reader, 2, Scene(0, 0, 0, 9, 9, 0)));
    try {
        tovex_test::decodeScene(reader, 3, Scene(0, 0, 0, 4, 4, 0));
        ADD_FAILURE() << "level 3 of a 2-level image decoded";
    } catch (const Exception& e) {
        EXPECT_STREQ(describe(e), statusText(TG3Status::notFound).c_str());
    }
}

TEST_F(TG3Decoding, RemovedLevelCountsAgainstTheLevelLimit) {
    const TestImage image = tovex_test::patternImage(40, 40);
    FileRecipe recipe;
    recipe.levels = 2;
    recipe.editHeader = [](TG3ImageInfo& info) {
        info.hasVirtualSupport = 1;
        info.support = {0, 0, 39, 39};
        info.levelsRemoved = 1;
    };
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
    try {
        tovex_test::decodeScene(reader, 2, Scene(0, 0, 0, 9, 9, 0));
        ADD_FAILURE() << "level 2 decoded with a level removed";
    } catch (const Exception& e) {
        EXPECT_STREQ(describe(e), statusText(TG3Status::notFound).c_str());
    }
    // Lower levels pass the limit but the engine does not decode removed levels.
    EXPECT_THROW(tovex_test::decodeScene(reader, 1, Scene(0, 0, 0, 9, 9, 0)),
                 UnimplementedException);
}

TEST_F(TG3Decoding, FileWithoutPlanesetOpensButItsDecoderSaysWhyItCannotBeMade) {
    const TestImage image = tovex_test::patternImage(24, 24);
    FileRecipe recipe;
    recipe.levels = 2;
    recipe.withPlaneset = false;
    const Bytes bytes = tovex_test::makeTG3File(image, recipe);

    MemoryKernelStream stream(bytes);
    TG3Container container(stream);
    ASSERT_EQ(container.open(), 0);
    TG3Image tg3Image(container, 0, false);
    ASSERT_EQ(tg3Image.open(), 0);
    EXPECT_EQ(tg3Image.open(), TG3Status::repeatedOrMissing);
    TG3DecoderTool tool(tg3Image);
    EXPECT_EQ(tool.open(), TG3Status::repeatedOrMissing);

    TvxFileImageReader reader(write(bytes), 0);
    EXPECT_EQ(reader.width(), 24);
    // The missing packet's status (2010), not a null decoder.
    const std::string missing = getMessageText(messageCode(1, 0x4));
    EXPECT_EQ(tovex_test::thrownText([&] { reader.createDecoder(); }), missing);
    // The stage stays usable after the failed creation.
    EXPECT_EQ(reader.levelCount(), 2);
    EXPECT_EQ(tovex_test::thrownText([&] { reader.createDecoder(); }), missing);
}

TEST_F(TG3Decoding, ImageDescriptionGivesGeoDataAndItsAbsenceTheDefaults) {
    const TestImage image = tovex_test::patternImage(30, 20);
    FileRecipe recipe;
    recipe.levels = 2;
    {
        TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
        const ImageProperties& p = reader.properties();
        EXPECT_FALSE(p.hasGeoInformation());
        EXPECT_EQ(p.xUL(), 0.0);
        EXPECT_EQ(p.yUL(), 19.0);  // height - 1
        EXPECT_EQ(p.xResolution(), 1.0);
        EXPECT_TRUE(p.backgroundSamples().empty());
        auto& stage = dynamic_cast<const TG3ImageStage&>(reader.activeStage());
        EXPECT_EQ(stage.image().description(), ImageDescription{});
    }
    ImageDescription description;
    description.flags = ImageDescription::hasGeoData;
    description.xUL = 500.0;
    description.yUL = 900.0;
    description.xLR = 529.0;
    description.yLR = 880.5;
    description.xRes = 1.0;
    description.yRes = -0.5;
    recipe.description = description;
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe), "geo.tvx"), 0);
    const ImageProperties& p = reader.properties();
    EXPECT_TRUE(p.hasGeoInformation());
    EXPECT_EQ(p.xUL(), 500.0);
    EXPECT_EQ(p.yUL(), 900.0);
    EXPECT_EQ(p.xResolution(), 1.0);
    EXPECT_EQ(p.yResolution(), 0.5);  // stored as its absolute value
}

TEST_F(TG3Decoding, UnsetDynamicRangeTakesTheImageRange) {
    const TestImage image = tovex_test::patternImage(32, 24, 1, 4095);
    FileRecipe recipe;
    recipe.levels = 2;
    recipe.sixteenBit = true;
    recipe.rangeMax = 4095;
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
    EXPECT_EQ(reader.properties().layout().dataType(), static_cast<std::uint32_t>(DataTypeUInt16));
    ASSERT_TRUE(reader.properties().dynamicRangeWindow().has_value());
    EXPECT_EQ(*reader.properties().dynamicRangeWindow(), 4096.0);
    EXPECT_EQ(*reader.properties().dynamicRangeLevel(), 2047.5);

    TovexNavigator navigator(reader, 0, Scene(0, 0, 0, 31, 23, 0));
    PixelBuffer buffer(reader.properties().layout());
    ASSERT_EQ(buffer.window(), PixelBuffer::kUnsetWindow);
    ASSERT_EQ(buffer.level(), 0.0f);
    navigator.decode(buffer);
    EXPECT_EQ(buffer.window(), 4096.0f);
    EXPECT_EQ(buffer.level(), 2048.0f);
    // A range the caller set stays.
    PixelBuffer chosen(reader.properties().layout());
    chosen.setWindow(100.0f);
    chosen.setLevel(50.0f);
    navigator.decode(chosen);
    EXPECT_EQ(chosen.window(), 100.0f);
    EXPECT_EQ(chosen.level(), 50.0f);
    const std::vector<std::int32_t> decoded =
        tovex_test::decodeScene(reader, 0, Scene(0, 0, 0, 31, 23, 0));
    EXPECT_EQ(decoded, tovex_test::interleave(image.components, 32, Scene(0, 0, 0, 31, 23, 0)));
}

TEST_F(TG3Decoding, SampleWidthsOtherThanEightOrSixteenBitsAreRefused) {
    const TestImage image = tovex_test::patternImage(20, 20);
    FileRecipe recipe;
    recipe.levels = 1;
    recipe.editHeader = [](TG3ImageInfo& info) { info.domainBits = 32; };
    EXPECT_THROW(TvxFileImageReader(write(tovex_test::makeTG3File(image, recipe)), 0), Exception);
}

TEST_F(TG3Decoding, BufferOfAnotherLayoutReceivesConvertedPixels) {
    registerAll();
    const TestImage image = tovex_test::patternImage(37, 29);
    FileRecipe recipe;
    recipe.levels = 2;
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
    const Scene box(3, 2, 0, 33, 27, 0);
    TovexNavigator navigator(reader, 0, box);
    PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeRGB), DataTypeUInt8));
    buffer.setStripHeight(5);
    navigator.decode(buffer);
    for (std::int32_t y = box.y0; y <= box.y1; ++y) {
        for (std::int32_t x = box.x0; x <= box.x1; ++x) {
            const std::uint8_t* p = buffer.pixel(x - box.x0, y - box.y0);
            const std::int32_t grey = image.components[0][static_cast<std::size_t>(y) * 37 + x];
            ASSERT_EQ(p[0], p[1]);
            ASSERT_EQ(p[1], p[2]);
            ASSERT_LE(std::abs(p[0] - grey), 1) << x << "," << y;
        }
    }
}

class RecordingCallbacks : public CV_ProcessCallbacks {
  public:
    void progress(float fraction) override { values.push_back(fraction); }
    bool isInterrupted() override { return ++queries > interruptAfter; }

    std::vector<float> values;
    int queries = 0;
    int interruptAfter = 1 << 30;
};

TEST_F(TG3Decoding, ProgressPerStripAndInterruptBetweenSubblocks) {
    const TestImage image = tovex_test::patternImage(40, 300);
    FileRecipe recipe;
    recipe.levels = 2;
    recipe.subblockSize = 16;
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
    auto callbacks = std::make_shared<RecordingCallbacks>();
    const Scene whole(0, 0, 0, 39, 299, 0);
    TovexNavigator navigator(reader, 0, whole);
    navigator.setCallbacks(callbacks);
    {
        PixelBuffer buffer(reader.properties().layout());
        navigator.decode(buffer);
    }
    // Strips of 128, 128 and 44 rows: each reports where it starts; the end reports 1.
    const std::vector<float> expected = {0.0f, 128.0f / 300.0f, 256.0f / 300.0f, 1.0f};
    ASSERT_EQ(callbacks->values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(callbacks->values[i], expected[i], 1e-6) << i;
    EXPECT_GT(callbacks->queries, 10);

    for (int after : {0, 3, 20}) {
        callbacks->queries = 0;
        callbacks->interruptAfter = after;
        PixelBuffer buffer(reader.properties().layout());
        EXPECT_THROW(navigator.decode(buffer), Interrupt) << after;
    }
    // The next request starts afresh.
    callbacks->interruptAfter = 1 << 30;
    EXPECT_EQ(tovex_test::decodeScene(reader, 0, whole),
              tovex_test::interleave(image.components, 40, whole));
    PixelBuffer buffer(reader.properties().layout());
    navigator.decode(buffer);
    EXPECT_TRUE(std::equal(buffer.memory(), buffer.memory() + buffer.totalSize(),
                           tovex_test::interleave(image.components, 40, whole).begin()));

    // A scene interrupted part way leaves nothing for a scene below it to carry on
    // from, even one that starts where the rows handed out so far end (128 after the
    // first strip of the buffer): that one decodes afresh, and right.
    const Scene rest(0, 128, 0, 39, 299, 0);
    for (int after = 5; after < 80; after += 5) {
        navigator.setSceneSize(40, 300, AnchorUpperLeft);
        navigator.moveScene(0, 0, AnchorUpperLeft);
        callbacks->queries = 0;
        callbacks->interruptAfter = after;
        PixelBuffer interrupted(reader.properties().layout());
        EXPECT_THROW(navigator.decode(interrupted), Interrupt);
        callbacks->interruptAfter = 1 << 30;
        navigator.setSceneSize(40, 172, AnchorUpperLeft);
        navigator.moveScene(0, 128, AnchorUpperLeft);
        EXPECT_EQ(tovex_test::decodeWith(navigator, reader.properties().layout()),
                  tovex_test::interleave(image.components, 40, rest))
            << "interrupted after " << after;
    }
}

TEST_F(TG3Decoding, ScenesPartlyOffTheImageKeepTheBackgroundOutside) {
    const TestImage image = tovex_test::patternImage(40, 30);
    FileRecipe recipe;
    recipe.levels = 2;
    TvxFileImageReader reader(write(tovex_test::makeTG3File(image, recipe)), 0);
    // 10 columns and 5 rows hang over the left and top edges.
    const Scene scene(-10, -5, 0, 19, 14, 0);
    const std::vector<std::int32_t> decoded = tovex_test::decodeScene(reader, 0, scene, 7);
    ASSERT_EQ(decoded.size(), 30u * 20u);
    for (std::int32_t y = -5; y <= 14; ++y) {
        for (std::int32_t x = -10; x <= 19; ++x) {
            const std::int32_t got = decoded[static_cast<std::size_t>((y + 5) * 30 + (x + 10))];
            const std::int32_t want =
                x < 0 || y < 0 ? 0 : image.components[0][static_cast<std::size_t>(y) * 40 + x];
            ASSERT_EQ(got, want) << x << "," << y;
        }
    }
    // A scene wholly off the image is refused.
    EXPECT_THROW(tovex_test::decodeScene(reader, 0, Scene(50, 0, 0, 60, 9, 0)), Exception);
}

// Two images, each with a description of the given extent and resolution.
Bytes twoImageFile(const ImageDescription& first, const ImageDescription& second) {
    MemoryKernelStream file;
    EXPECT_EQ(writeFileHeader(file), 0);
    const ImageDescription* descriptions[] = {&first, &second};
    for (std::uint32_t number = 0; number < 2; ++number) {
        TG3ImageInfo info = tovex_test::recipeInfo(tovex_test::patternImage(16, 16), FileRecipe{});
        info.imageNumber = number;
        HeaderPacket header = makeHeaderPacket(info);
        HeaderPacketKind kind;
        EXPECT_EQ(writePacket(file, header.header(), *kind.newWriter(header)), 0);
        EXPECT_EQ(writeImageDescriptionPacket(file, *descriptions[number], number), 0);
    }
    return file.bytes();
}

ImageDescription extent(double xUL, double yUL, double xLR, double yLR, double resolution) {
    ImageDescription d;
    d.flags = ImageDescription::hasGeoData;
    d.xUL = xUL;
    d.yUL = yUL;
    d.xLR = xLR;
    d.yLR = yLR;
    d.xRes = resolution;
    d.yRes = -resolution;
    return d;
}

TEST(TG3Mosaic, ExtentsOfEqualResolutionAreJoinedAndOthersRefused) {
    {
        // Side by side: x 100..115 and 116..131, y 50 down to 35, unit resolution.
        MemoryKernelStream stream(
            twoImageFile(extent(100, 50, 115, 35, 1.0), extent(116, 50, 131, 35, 1.0)));
        TG3Container container(stream);
        ASSERT_EQ(container.open(), 0);
        ASSERT_EQ(container.imageCount(), 2u);
        TG3Image image(container, 0, true);
        ASSERT_EQ(image.open(), 0);
        EXPECT_EQ(image.width(), 32u);
        EXPECT_EQ(image.height(), 16u);
        EXPECT_EQ(image.description().xUL, 100.0);
        EXPECT_EQ(image.description().xLR, 131.0);
        EXPECT_EQ(image.description().yUL, 50.0);
        EXPECT_EQ(image.description().yLR, 35.0);
    }
    MemoryKernelStream stream(
        twoImageFile(extent(100, 50, 115, 35, 1.0), extent(116, 50, 147, 19, 2.0)));
    TG3Container container(stream);
    ASSERT_EQ(container.open(), 0);
    TG3Image image(container, 0, true);
    EXPECT_EQ(image.open(), TG3Status::repeatedOrMissing);
}

TEST_F(TG3Decoding, MosaicFilesOpenButAreNotDecodedYet) {
    TvxFileImageReader reader(
        write(twoImageFile(extent(0, 15, 15, 0, 1.0), extent(0, 31, 15, 16, 1.0))), 0);
    EXPECT_EQ(reader.width(), 16);
    EXPECT_EQ(reader.height(), 32);
    // Not decoded for now: the decoder says so with a status rather than being null.
    EXPECT_NE(tovex_test::thrownText([&] { reader.createDecoder(); }), "(nothing thrown)");
    EXPECT_THROW(
        TvxFileImageReader(
            write(twoImageFile(extent(0, 15, 15, 0, 1.0), extent(0, 31, 7, 16, 0.5)), "bad.tvx"),
            0),
        Exception);
}

}  // namespace
}  // namespace Corvane
