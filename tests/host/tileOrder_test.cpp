// The host reads a level in any tile order: row by row, backwards, column by column,
// at random, the same tile again, and across a change of level. Whatever the order,
// and whatever the reader keeps from one tile to the next, every tile must hold the
// bytes that a reader opened for that tile alone gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
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

struct Level {
    AmWord width;  // the width the host asks for
    AmWord tiles;
};

ScopedReader openAt(AmFileAnalyzer& analyzer, amhost::HostFile& file, AmWord width) {
    ScopedReader reader(analyzer.createReader(&file));
    if (reader && (reader->selectImage(0) != 1 || setWidth(*reader, width) != 1)) reader.reset();
    return reader;
}

Tile readTile(AmFileReader& reader, AmWord number) {
    Tile tile(static_cast<std::size_t>(tagValue(reader, 277)) << 14, 0x5a);
    if (reader.readTile(number, tile.data()) != 1) tile.clear();
    return tile;
}

// Tile numbers of a grid in the named order.
std::vector<AmWord> order(const std::string& name, AmWord across, AmWord count) {
    std::vector<AmWord> raster(static_cast<std::size_t>(count));
    std::iota(raster.begin(), raster.end(), 0);
    std::vector<AmWord> tiles = raster;
    if (name == "reversed") std::reverse(tiles.begin(), tiles.end());
    if (name == "columns") {
        tiles.clear();
        for (AmWord c = 0; c < across; ++c)
            for (AmWord n = c; n < count; n += across) tiles.push_back(n);
    }
    if (name == "random") std::shuffle(tiles.begin(), tiles.end(), std::mt19937(25));
    if (name == "repeated") {
        tiles.clear();
        for (AmWord n : raster) tiles.insert(tiles.end(), {n, n});
        tiles.insert(tiles.end(), raster.begin(), raster.end());
    }
    return tiles;
}

}  // namespace

TEST(TileOrder, EveryOrderGivesTheTilesOfSingleTileReads) {
    tovex_test::TempDir dir;
    // Odd sizes, so that the right and bottom tiles are partial; a lossless TG3 colour
    // file and a dithered lossy TG2 colour file, at full and at half resolution.
    Corvane::encodeTG3File(cropImage(loadPng("astronaut.png", true), 3, 5, 500, 390), {},
                           dir.file("tg3.tvx"));
    Corvane::encodeTG2File(cropImage(loadPng("chelsea.png", true), 0, 0, 451, 300), {},
                           dir.file("tg2.tvx"));
    const struct {
        const char* file;
        Level levels[2];
    } files[] = {{"tg3.tvx", {{500, 4 * 4}, {250, 2 * 2}}},
                 {"tg2.tvx", {{451, 4 * 3}, {226, 2 * 2}}}};

    ScopedAnalyzer analyzer;
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        amhost::HostFile file(dir.file(f.file));
        // Each tile from a reader that has read nothing else.
        std::map<std::pair<AmWord, AmWord>, Tile> single;
        for (const Level& level : f.levels)
            for (AmWord n = 0; n < level.tiles; ++n) {
                ScopedReader alone = openAt(*analyzer, file, level.width);
                ASSERT_NE(alone, nullptr);
                Tile& tile = single[std::make_pair(level.width, n)];
                tile = readTile(*alone, n);
                ASSERT_FALSE(tile.empty()) << n;
            }

        for (const char* name : {"raster", "reversed", "columns", "random", "repeated"}) {
            for (const Level& level : f.levels) {
                SCOPED_TRACE(testing::Message() << name << " at width " << level.width);
                ScopedReader reader = openAt(*analyzer, file, level.width);
                ASSERT_NE(reader, nullptr);
                const AmWord across = (tagValue(*reader, 256) + 127) / 128;
                for (AmWord n : order(name, across, level.tiles))
                    ASSERT_EQ(readTile(*reader, n), single[std::make_pair(level.width, n)])
                        << "tile " << n;
            }
        }

        // Half a level row by row, the other level, then the first again from the top.
        ScopedReader reader = openAt(*analyzer, file, f.levels[0].width);
        ASSERT_NE(reader, nullptr);
        for (const Level& level : {f.levels[0], f.levels[1], f.levels[0]}) {
            SCOPED_TRACE(testing::Message() << "level change to width " << level.width);
            ASSERT_EQ(setWidth(*reader, level.width), 1);
            for (AmWord n = 0; n < level.tiles; ++n)
                ASSERT_EQ(readTile(*reader, n), single[std::make_pair(level.width, n)])
                    << "tile " << n;
        }
    }
}
