// A mosaic read through the module's slots as the host reads it, tile by tile at
// twice, full and half width: every tile holds the images decoded alone and placed by the rule;
// where no image lies, the tile keeps the reader's fill (255).
#include <gtest/gtest.h>

#include "amhost_hostFile.h"
#include "common/mosaic_files.h"
#include "host/host_module.h"
#include "transform/cv_transformerRegistry.h"

using namespace host_test;

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

TEST(MosaicTiles, EveryTileIsTheImagesPlacedByTheRule) {
    Corvane::registerAll();  // for the images decoded alone in this process
    const TestImage rgb = loadPng("chelsea.png", true);
    const std::vector<tovex_test::MosaicPart> parts = {
        {cropImage(rgb, 0, 0, 150, 120), 0, 0},
        {cropImage(rgb, 140, 100, 131, 90), 101, 77, true, true, 1},
        {cropImage(rgb, 300, 0, 60, 170), 230, 3, false, true, 2}};
    tovex_test::TempDir dir;
    const std::vector<std::uint8_t> bytes = tovex_test::makeMosaic(parts);
    tovex_test::writeFile(dir.file("mosaic.tvx"), std::string(bytes.begin(), bytes.end()));
    amhost::HostFile file(dir.file("mosaic.tvx"));
    ScopedAnalyzer analyzer;
    const Corvane::PixelLayout rgb8(0, Corvane::ColorSpace(Corvane::SchemeRGB),
                                    Corvane::DataTypeUInt8);
    for (const std::int32_t level : {-1, 0, 1}) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        std::int32_t w = 0, h = 0;
        const auto expected = tovex_test::placedAlone(parts, level, rgb8, dir, w, h, 255);
        ScopedReader reader = openReader(*analyzer, file, w);
        ASSERT_TRUE(reader);
        const AmWord across = (w + 127) / 128, down = (h + 127) / 128;
        for (AmWord n = 0; n < across * down; ++n) {
            const std::vector<std::uint8_t> tile = readTile(*reader, n);
            ASSERT_EQ(tile.size(), 4u * 128 * 128) << "tile " << n;
            for (std::int32_t y = 0; y < 128 && (n / across) * 128 + y < h; ++y)
                for (std::int32_t x = 0; x < 128 && (n % across) * 128 + x < w; ++x)
                    for (int b = 0; b < 3; ++b) {
                        const std::size_t at = (std::size_t((n / across) * 128 + y) * w +
                                                std::size_t((n % across) * 128 + x)) *
                                                   3 +
                                               b;
                        ASSERT_EQ(tile[(y * 128 + x) * 4 + b], expected[at])
                            << "tile " << n << " at " << x << ", " << y;
                    }
        }
    }
}
