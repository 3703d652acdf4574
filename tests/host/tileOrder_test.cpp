// The host reads a level in any tile order: row by row, backwards, column by column,
// at random, the same tile again, and across a change of level. Whatever the order,
// and whatever the reader keeps from one tile to the next, every tile must hold the
// bytes that a reader opened for that tile alone gives. A TG3 tile at twice the width
// holds the image's samples repeated.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "amhost_hostFile.h"
#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "host/host_module.h"

using namespace host_test;
using Tile = std::vector<std::uint8_t>;

namespace {

// Tile numbers of a grid in the named order.
std::vector<AmWord> tileOrder(const std::string& name, AmWord across, AmWord count) {
    const AmWord rows = count / across;
    std::vector<AmWord> tiles;
    for (AmWord i = 0; i < count; ++i)
        tiles.push_back(name == "columns" ? i % rows * across + i / rows : i);
    if (name == "reversed") std::reverse(tiles.begin(), tiles.end());
    if (name == "random") std::shuffle(tiles.begin(), tiles.end(), std::mt19937(25));
    if (name == "repeated") {  // each tile twice, then all of them again
        std::vector<AmWord> twice;
        for (AmWord n : tiles) twice.insert(twice.end(), {n, n});
        tiles.insert(tiles.begin(), twice.begin(), twice.end());
    }
    return tiles;
}

}  // namespace

TEST(TileOrder, EveryOrderGivesTheTilesOfSingleTileReads) {
    tovex_test::TempDir dir;
    // Odd sizes, so that the right and bottom tiles are partial; a lossless TG3 colour
    // file nine tiles wide (more than one band of tiles), also magnified twice, and a
    // dithered lossy TG2 colour file, at full, half and double resolution.
    const TestImage astronaut = loadPng("astronaut.png", true);
    TestImage wide = cropImage(astronaut, 0, 0, 1, 270);
    wide.width = 1100;
    for (std::size_t c = 0; c < wide.components.size(); ++c) {
        wide.components[c].resize(std::size_t{wide.width} * wide.height);
        for (std::size_t i = 0; i < wide.components[c].size(); ++i)
            wide.components[c][i] =
                astronaut.components[c][i / wide.width * 512 + i % wide.width % 512];
    }
    Corvane::encodeTG3File(wide, {}, dir.file("tg3.tvx"));
    Corvane::encodeTG2File(cropImage(loadPng("chelsea.png", true), 0, 0, 451, 300), {},
                           dir.file("tg2.tvx"));
    // A grey strip 67 tiles wide: a row read on past one wide band.
    TestImage strip = cropImage(loadPng("camera.png", false), 0, 0, 1, 3);
    strip.width = 8500;
    strip.components[0].resize(8500 * 3);
    for (std::size_t i = 0; i < strip.components[0].size(); ++i)
        strip.components[0][i] = static_cast<std::int32_t>(i * 7 % 251);
    Corvane::encodeTG3File(strip, {}, dir.file("strip.tvx"));
    const std::pair<const char*, std::vector<AmWord>> files[] = {
        {"tg3.tvx", {1100, 550, 2200}}, {"tg2.tvx", {451, 226, 902}}, {"strip.tvx", {8500, 4250}}};
    ScopedAnalyzer analyzer;
    for (const auto& [name, widths] : files) {
        SCOPED_TRACE(name);
        amhost::HostFile file(dir.file(name));
        // Each tile from a reader that has read nothing else.
        std::map<std::pair<AmWord, AmWord>, Tile> single;
        std::map<AmWord, AmWord> across, count;
        for (AmWord width : widths) {
            ScopedReader reader = openReader(*analyzer, file, width);
            ASSERT_NE(reader, nullptr);
            across[width] = (tagValue(*reader, 256) + 127) / 128;
            count[width] = across[width] * ((tagValue(*reader, 257) + 127) / 128);
            for (AmWord n = 0; n < count[width]; ++n)
                ASSERT_FALSE((single[{width, n}] = readTile(*openReader(*analyzer, file, width), n))
                                 .empty());
        }
        // At twice the width every sample of the lossless file is repeated twice across
        // and down; outside the level the tile keeps the fill, like the extra sample.
        for (AmWord n = 0; name == std::string("tg3.tvx") && n < count[2200]; ++n)
            for (std::size_t at = 0; at < 4 * 128 * 128; ++at) {
                const std::size_t x = n % across[2200] * 128 + at / 4 % 128,
                                  y = n / across[2200] * 128 + at / 512, b = at % 4;
                const bool inside = b < 3 && x < 2200 && y < 540;
                const Tile& tile = single[{2200, n}];
                ASSERT_EQ(tile[at], inside ? wide.components[b][y / 2 * 1100 + x / 2] : 255)
                    << "tile " << n << " byte " << at;
            }
        for (const char* order : {"raster", "reversed", "columns", "random", "repeated"}) {
            for (AmWord width : widths) {
                SCOPED_TRACE(testing::Message() << order << " at width " << width);
                ScopedReader reader = openReader(*analyzer, file, width);
                for (AmWord n : tileOrder(order, across[width], count[width]))
                    ASSERT_EQ(readTile(*reader, n), (single[{width, n}])) << "tile " << n;
            }
        }
        // A level row by row, the other level, then the first again from the top.
        ScopedReader reader = openReader(*analyzer, file, widths[0]);
        for (AmWord width : {widths[0], widths[1], widths[0]}) {
            SCOPED_TRACE(testing::Message() << "level change to width " << width);
            ASSERT_EQ(setWidth(*reader, width), 1);
            for (AmWord n = 0; n < count[width]; ++n)
                ASSERT_EQ(readTile(*reader, n), (single[{width, n}])) << "tile " << n;
        }
    }
}
