// The TG3 decoding path through the file-level reader: small files assembled from real
// coded data with one part changed at a time, and truncated or corrupted files, each
// either refused with a library exception or decoding to some pixels (the sanitizer
// build runs the same cases and catches any bad access).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/decode_support.h"
#include "common/temp_dir.h"
#include "common/tg3_test_files.h"
#include "common/thrown_text.h"
#include "image/cv_imageDecoder.h"
#include "reader/cv_tvxFileImageReader.h"
#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/decoder/tg3_imageStage.h"

using namespace Corvane;
namespace {

using tovex_test::Bytes;
using tovex_test::FileRecipe;
using tovex_test::thrownText;

class TG3Decoding : public testing::Test {
  protected:
    std::string write(const Bytes& bytes) {
        const std::string path = dir_.file("image.tvx");
        tovex_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
    std::string write(const TestImage& image, const FileRecipe& recipe) {
        return write(tovex_test::makeTG3File(image, recipe));
    }

    tovex_test::TempDir dir_;
};

TEST_F(TG3Decoding, HeadersAndLevelsTheDecoderCannotServeAreRefusedWithTheirReason) {
    const TestImage image = tovex_test::patternImage(40, 40);
    struct Case {
        const char* what;
        std::function<void(TG3ImageInfo&)> edit;
        bool withPlaneset;
        std::string reason;
    };
    const auto kernel = [](TG3Kernel k) { return [k](TG3ImageInfo& info) { info.kernel = k; }; };
    const std::string unimplemented = "[4][2202]Unimplemented method - file:tg3_decoderTool line:";
    const Case cases[] = {
        {"9-7 HV", kernel(kernel97HV), true, unimplemented + "190."},
        {"5-3 VH", kernel(kernel53VH), true, unimplemented + "181."},
        {"9-7 VH", kernel(kernel97VH), true, unimplemented + "186."},
        {"colour code 99", [](TG3ImageInfo& info) { info.colorTransform = TG3ColorTransform(99); },
         true, "[4][2204]Unsupported feature: colour transform 99 on 1 components."},
        {"no planeset", nullptr, false,
         "[4][2209]Invalid image data. the file holds no coded planes for its image"},
    };
    for (const Case& c : cases) {
        const FileRecipe recipe{.levels = 2, .withPlaneset = c.withPlaneset, .editHeader = c.edit};
        TvxFileImageReader reader(write(image, recipe), 0);
        // Twice: the stage stays usable after the failed creation.
        for (int attempt = 0; attempt < 2; ++attempt) {
            EXPECT_EQ(thrownText([&] { reader.createDecoder(); }), c.reason) << c.what;
            EXPECT_EQ(reader.levelCount(), 2);
        }
    }
    // A sample width other than 8 or 16 bits is refused at open.
    FileRecipe recipe;
    recipe.editHeader = [](TG3ImageInfo& info) { info.domainBits = 32; };
    EXPECT_THROW(TvxFileImageReader(write(image, recipe), 0), Exception);
    // Removed levels: the coarsest is beyond the limit, the others pass it but the engine
    // does not decode them.
    recipe.levels = 2;
    recipe.editHeader = [](TG3ImageInfo& info) {
        info.hasVirtualSupport = 1;
        info.support = {0, 0, 39, 39};
        info.levelsRemoved = 1;
    };
    TvxFileImageReader removed(write(image, recipe), 0);
    EXPECT_EQ(thrownText([&] { tovex_test::decodeScene(removed, 2, Scene(0, 0, 0, 9, 9, 0)); }),
              thrownText([] { throwStatus(TG3Status::notFound); }));
    EXPECT_THROW(tovex_test::decodeScene(removed, 1, Scene(0, 0, 0, 9, 9, 0)),
                 UnimplementedException);
}

TEST_F(TG3Decoding, WithoutDescriptionOrDisplayRangeTheDefaults) {
    const TestImage image = tovex_test::patternImage(32, 24, 1, 4095);
    TvxFileImageReader plain(write(image, {.levels = 2, .sixteenBit = true, .rangeMax = 4095}), 0);
    const ImageProperties& p = plain.properties();
    EXPECT_FALSE(p.hasGeoInformation());
    EXPECT_EQ(p.yUL(), 23.0);  // height - 1
    EXPECT_EQ(p.xResolution(), 1.0);
    // An unset display range takes the dynamic range, in the properties and the buffer.
    EXPECT_EQ(*p.dynamicRangeWindow(), 4096.0);
    EXPECT_EQ(*p.dynamicRangeLevel(), 2047.5);
    TovexNavigator navigator(plain, 0, Scene(0, 0, 0, 31, 23, 0));
    PixelBuffer buffer(p.layout());
    navigator.decode(buffer);
    EXPECT_EQ(buffer.window(), 4096.0f);
    EXPECT_EQ(buffer.level(), 2048.0f);
}

TEST_F(TG3Decoding, ProgressPerStripAndInterruptBetweenSubblocks) {
    const TestImage image = tovex_test::patternImage(40, 300);
    TvxFileImageReader reader(write(image, {.levels = 2, .subblockSize = 16}), 0);
    auto callbacks = std::make_shared<tovex_test::RecordingCallbacks>();
    const Scene whole(0, 0, 0, 39, 299, 0);
    const auto expected = tovex_test::interleave(image.components, 40, whole);
    TovexNavigator navigator(reader, 0, whole);
    navigator.setCallbacks(callbacks);
    tovex_test::decodeWith(navigator, reader.properties().layout());
    // Strips of 128, 128 and 44 rows: each reports where it starts; the end reports 1.
    const std::vector<float> progress = {0.0f, 128.0f / 300.0f, 256.0f / 300.0f, 1.0f};
    ASSERT_EQ(callbacks->values.size(), progress.size());
    for (std::size_t i = 0; i < progress.size(); ++i)
        EXPECT_NEAR(callbacks->values[i], progress[i], 1e-6) << i;

    // A scene interrupted part way leaves nothing for a scene below it to carry on
    // from, even one that starts where the rows handed out so far end (128 after the
    // first strip of the buffer): that one decodes afresh, and right.
    for (int after : {0, 3, 5, 20, 45, 75}) {
        navigator.setSceneSize(40, 300, AnchorUpperLeft);
        navigator.moveScene(0, 0, AnchorUpperLeft);
        callbacks->queries = 0;
        callbacks->interruptAfter = after;
        PixelBuffer interrupted(reader.properties().layout());
        EXPECT_THROW(navigator.decode(interrupted), Interrupt) << after;
        callbacks->interruptAfter = 1 << 30;
        navigator.setSceneSize(40, 172, AnchorUpperLeft);
        navigator.moveScene(0, 128, AnchorUpperLeft);
        EXPECT_EQ(tovex_test::decodeWith(navigator, reader.properties().layout()),
                  std::vector<std::int32_t>(expected.begin() + 40 * 128, expected.end()))
            << "interrupted after " << after;
    }
}

TEST_F(TG3Decoding, ScenesPartlyOffTheImageKeepTheBackgroundOutside) {
    const TestImage image = tovex_test::patternImage(40, 30);
    TvxFileImageReader reader(write(image, FileRecipe{}), 0);
    // 10 columns and 5 rows hang over the left and top edges.
    std::vector<std::int32_t> expected;
    for (std::int32_t y = -5; y <= 14; ++y)
        for (std::int32_t x = -10; x <= 19; ++x)
            expected.push_back(x < 0 || y < 0 ? 0 : image.components[0][std::size_t(y * 40 + x)]);
    EXPECT_EQ(tovex_test::decodeScene(reader, 0, Scene(-10, -5, 0, 19, 14, 0), 7), expected);
    EXPECT_THROW(tovex_test::decodeScene(reader, 0, Scene(50, 0, 0, 60, 9, 0)), Exception);
}

enum class Outcome { Refused, Decoded, Exact };

// Truncated and changed copies of an RGB file with a description: each is refused with a
// library exception or decodes to some pixels; a cut one never to the original pixels.
TEST_F(TG3Decoding, DamagedFilesAreRefusedOrDecode) {
    const TestImage image = tovex_test::patternImage(40, 30, 3);
    FileRecipe recipe{.levels = 2,
                      .subblockSize = 16,
                      .colorSpace = colorSpaceRGB,
                      .transform = colorTransformRGBToYIQ,
                      .order = orderPipelined};
    ImageDescription description;
    description.flags = ImageDescription::hasGeoData | ImageDescription::hasBackPixel;
    description.xRes = description.yRes = 1.0;
    description.backPixel = {3, 5, {1, 2, 3}};
    recipe.description = description;
    const Bytes good = tovex_test::makeTG3File(image, recipe);
    const auto expected = tovex_test::interleave(image.components, 40, Scene(0, 0, 0, 39, 29, 0));
    // Decodes the image's area at levels 0 and 1 in fixed windows: a damaged header may
    // claim any size, and the test must not ask for a buffer of that size itself.
    const auto attempt = [&](const Bytes& bytes) {
        try {
            TvxFileImageReader reader(write(bytes), 0);
            const auto samples = tovex_test::decodeScene(reader, 0, Scene(0, 0, 0, 39, 29, 0), 7);
            tovex_test::decodeScene(reader, 1, Scene(0, 0, 0, 19, 14, 0));
            return samples == expected ? Outcome::Exact : Outcome::Decoded;
        } catch (const Exception&) {
            return Outcome::Refused;
        } catch (const std::exception& e) {
            ADD_FAILURE() << "not a library exception: " << e.what();
        }
        return Outcome::Refused;
    };
    ASSERT_EQ(attempt(good), Outcome::Exact);
    int refused = 0, decoded = 0;
    const std::size_t step = std::max<std::size_t>(1, good.size() / 150);
    for (std::size_t size = 0; size < good.size(); size += (size < 64 ? 1 : step)) {
        const Outcome outcome = attempt(Bytes(good.begin(), good.begin() + std::ptrdiff_t(size)));
        // Without the whole file header and header packet nothing can open.
        if (size < 40) {
            EXPECT_EQ(outcome, Outcome::Refused) << size;
        }
        EXPECT_NE(outcome, Outcome::Exact) << size;
        refused += outcome == Outcome::Refused;
    }
    EXPECT_GT(refused, 40);
    // Every byte of the file header and the start of the header packet, then bytes spread
    // evenly over the rest: damage to the framing is refused, to coded data gives other
    // pixels.
    refused = 0;
    for (std::size_t at = 0; at < good.size(); at += (at < 100 ? 1 : step * 5 / 4))
        for (const int change : {0xFF, 0x00}) {
            Bytes damaged = good;
            damaged[at] = static_cast<std::uint8_t>(damaged[at] == change ? ~change : change);
            ++(attempt(damaged) == Outcome::Refused ? refused : decoded);
        }
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
}

}  // namespace
