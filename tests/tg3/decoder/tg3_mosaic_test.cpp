// Files of several images (mosaics), TG3 and embedded TG2, read back through the
// file-level reader: every level (level -1 too) and windows across image borders equal the images
// decoded alone and placed by the rule (tests/common/mosaic_files.h); mosaics whose
// images cannot be shown together are refused with their reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/decode_support.h"
#include "common/mosaic_files.h"
#include "common/thrown_text.h"
#include "reader/cv_tvxFileImageReader.h"
#include "transform/cv_transformerRegistry.h"

// The tables name only the fields of a part that differ from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace Corvane;
using tovex_test::MosaicPart;

namespace {

std::string saved(const tovex_test::TempDir& dir, const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.file("mosaic.tvx");
    tovex_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
}

}  // namespace

TEST(TG3Mosaic, EveryLevelAndWindowIsTheImagesDecodedAlonePlacedByTheRule) {
    registerAll();  // TG2 samples reach the buffer through a converter
    const TestImage grey = loadPng("camera.png", false), rgb = loadPng("chelsea.png", true);
    const auto g = [&](std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
        return cropImage(grey, x, y, w, h);
    };
    const auto c = [&](std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
        return cropImage(rgb, x, y, w, h);
    };
    // Offsets that are not multiples of 2^level, a gap, overlaps in both directions,
    // numbers out of file order, a part without geo data, and a north-up grid.
    const struct {
        const char* what;
        bool northUp;
        std::vector<MosaicPart> parts;
    } cases[] = {
        {"two TG3 with a gap",
         false,
         {{g(0, 0, 90, 70), 10, 5}, {g(100, 40, 61, 83), 107, 22, false, true, 1}}},
        {"TG3 and TG2 overlapping, north up",
         true,
         {{c(0, 0, 120, 90), 3, 0, true, true, 0}, {c(100, 80, 77, 65), 90, 61, false, true, 1}}},
        {"three, later covers earlier, out of order",
         false,
         {{g(0, 0, 80, 80), 0, 0, false, true, 2},
          {g(60, 60, 70, 50), 37, 29, false, true, 0},
          {g(200, 10, 45, 90), 21, 41, true, true, 1}}},
        {"four, one without geo data",
         false,
         {{g(0, 0, 64, 48), 5, 3},
          {g(30, 30, 50, 50), 0, 0, false, false, 1},
          {g(90, 90, 41, 33), 60, 50, true, true, 3},
          {g(9, 9, 33, 47), 40, 9, false, true, 2}}},
    };
    tovex_test::TempDir dir;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        TvxFileImageReader reader(saved(dir, tovex_test::makeMosaic(k.parts, k.northUp)), 0);
        const PixelLayout& layout = reader.properties().layout();
        const int bands = static_cast<int>(layout.samplesPerPixel());
        // The TG2 parts have 3 levels like the TG3 parts when they are large enough.
        ASSERT_GE(reader.levelCount(), 2);
        std::vector<std::int32_t> levelZero;
        for (std::int32_t level = -1; level <= reader.levelCount(); ++level) {
            SCOPED_TRACE(testing::Message() << "level " << level);
            std::int32_t w = 0, h = 0;
            const auto expected = tovex_test::placedAlone(k.parts, level, layout, dir, w, h);
            ASSERT_EQ(tovex_test::levelBox(reader, level), Scene(0, 0, 0, w - 1, h - 1, 0));
            const Scene box = tovex_test::levelBox(reader, level);
            EXPECT_EQ(tovex_test::decodeScene(reader, level, box, 7), expected);
            // A window across the borders in the middle of the mosaic, in strips.
            const Scene window(w / 4, h / 3, 0, w * 3 / 4, h * 2 / 3, 0);
            EXPECT_EQ(tovex_test::decodeScene(reader, level, window, 5),
                      tovex_test::cut(expected, w, bands, window));
            if (level == 0) levelZero = expected;
        }
        // Without TG2 parts, which magnify in their own way, level -1 is level 0 repeated.
        if (std::none_of(k.parts.begin(), k.parts.end(), [](const auto& p) { return p.tg2; })) {
            const Scene zero = tovex_test::levelBox(reader, 0);
            EXPECT_EQ(tovex_test::decodeScene(reader, -1, tovex_test::levelBox(reader, -1), 3),
                      tovex_test::repeated(levelZero, zero.width(), zero.height(), bands, 1));
        }
        EXPECT_EQ(tovex_test::thrownText(
                      [&] { tovex_test::decodeScene(reader, reader.levelCount() + 1, Scene()); }),
                  "[4][2005]Invalid argument passed to function");
    }
}

TEST(TG3Mosaic, ImagesThatCannotBeShownTogetherAreRefused) {
    const TestImage grey = cropImage(loadPng("camera.png", false), 0, 0, 40, 30);
    const TestImage rgb = cropImage(loadPng("chelsea.png", true), 0, 0, 40, 30);
    TestImage deep = grey;
    deep.bitsPerSample = 16;
    const std::string differ =
        "[4][2204]Unsupported feature: a mosaic whose images differ in band count or sample "
        "type.";
    const struct {
        const char* what;
        std::vector<MosaicPart> parts;
        bool northUp;
        std::string text;
    } cases[] = {
        {"grey and RGB", {{grey}, {rgb, 50, 0, false, true, 1}}, false, differ},
        {"8 and 16 bits", {{grey}, {deep, 50, 0, false, true, 1}}, false, differ},
        {"TG2 RGB and TG3 grey", {{rgb, 0, 0, true}, {grey, 50, 0, false, true, 1}}, false, differ},
        // Unit steps against north-up steps: the resolutions differ.
        {"no geo data in a north-up mosaic",
         {{grey, 0, 0, false, false}, {grey, 50, 0, false, true, 1}},
         true,
         "[4][2005]Invalid argument passed to function"},
    };
    tovex_test::TempDir dir;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<MosaicPart> parts = k.parts;
        std::vector<std::uint8_t> bytes;
        if (k.northUp) {
            // Only the second part is north up: build the first without geo data.
            bytes = tovex_test::makeMosaic({parts[1]}, true);
            const auto plain = tovex_test::makeMosaic({parts[0]}, false);
            // Join the packets of both single-image files after one file header.
            bytes.insert(bytes.end(), plain.begin() + 8, plain.end());
        } else {
            bytes = tovex_test::makeMosaic(parts);
        }
        const std::string path = saved(dir, bytes);
        EXPECT_EQ(tovex_test::thrownText([&] { TvxFileImageReader reader(path, 0); }), k.text);
    }
}
