// How the encoder reads its source: once from the top, a few rows at a time, so that
// memory follows the width. A round trip cannot show an encoder that reads the whole
// image first; these reads can.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "common/tg3_test_files.h"
#include "common/thrown_text.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "encode/tg3/tg3_imageCoder.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace Corvane;
namespace {

// Serves an image and records each pass over it: a pass starts at row 0 and must go on
// exactly where the last read ended.
class CountingSource : public RasterImageSource {
  public:
    using RasterImageSource::RasterImageSource;
    void readRows(std::uint32_t firstRow, std::uint32_t count, RasterImage& strip) override {
        if (firstRow == 0) largestReads.push_back(0);
        EXPECT_FALSE(largestReads.empty());
        EXPECT_EQ(firstRow, firstRow == 0 ? 0 : next) << "rows read out of order";
        next = firstRow + count;
        largestReads.back() = std::max(largestReads.back(), count);
        RasterImageSource::readRows(firstRow, count, strip);
    }
    std::vector<std::uint32_t> largestReads;  // per pass
    std::uint32_t next = 0;
};

TEST(TG3StripEncoder, ReadsTheSourceOnceFromTheTopInStrips) {
    const TestImage rgb = cropImage(loadPng("chelsea.png", true), 20, 30, 130, 67);
    const TestImage grey = cropImage(loadPng("camera.png", false), 3, 5, 97, 41);
    const TestImage tall = cropImage(grey, 0, 0, 3, 41);
    using R = TG3RateMode;
    const std::uint32_t strip = kSourceStripRows;
    struct Case {
        TestImage image;
        TG3EncodeOptions options;
        std::vector<std::uint32_t> largestReads;  // per pass
    };
    // clang-format off
    const Case cases[] = {
        {rgb, {}, {strip}},
        {rgb, {.subblockSize = 5, .order = orderNoPipe}, {strip}},
        {rgb, {.rateMode = R::targetSize, .targetBytes = 3000}, {strip}},
        {grey, {.levels = 0}, {strip}},
        {tall, {.levels = 1, .subblockSize = 1}, {strip}},
        {tovex_test::patternImage(37, 33, 4, 255), {}, {strip}},
        // The two cases that keep the whole image: a second pass to measure quality, and
        // a periodic transform, which needs the last rows for the first.
        {rgb, {.rateMode = R::targetQuality, .targetPsnr = 30}, {strip, 67}},
        {grey, {.periodic = true}, {41}},
    };
    // clang-format on
    for (const Case& c : cases) {
        CountingSource source(c.image);
        MemoryKernelStream file;
        encodeTG3(source, c.options, file);
        EXPECT_EQ(source.largestReads, c.largestReads);
        EXPECT_EQ(source.next, c.image.height);
    }
}

// Rows are checked as they are read: a bad sample in the last strip is refused as one
// in the first would be, and the file begun for it is removed.
TEST(TG3StripEncoder, LateBadSamplesAreRefusedAndLeaveNoFile) {
    TestImage image = cropImage(loadPng("camera.png", false), 0, 0, 64, 50);
    image.components[0].back() = 300;
    RasterImageSource source(image);
    tovex_test::TempDir dir;
    const std::string path = dir.file("bad.tvx");
    const std::string text = tovex_test::thrownText([&] { encodeTG3File(source, {}, path); });
    EXPECT_NE(text.find("samples outside the dynamic range 0..255"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
