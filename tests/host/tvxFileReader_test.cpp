// The reader's level choice, tag table and tile service over a small stage whose
// decoder writes a known pattern, so that every tile byte has a known value.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "amhost_hostFile.h"
#include "host/host_slots.h"
#include "host/tvx_fileAnalyzer.h"
#include "host/tvx_fileReader.h"
#include "image/image_test_support.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
using host_test::setWidth;
using host_test::tagValue;

namespace {

struct Image {
    std::int32_t width, height, bands, levels;
    std::uint32_t scheme = SchemeRGB;
};
const Image kColour{300, 200, 3, 3};
const Image kGrey{100, 60, 1, 2, SchemeGrayscale};
const Image kColumn{1, 50, 1, 4, SchemeGrayscale};
const Image kManyLevels{300, 200, 3, 40};
const Image kBand{200, 10, 1, 1, SchemeMultispectral};

struct StageReader {
    explicit StageReader(const Image& i, bool select = true) : reader(nullptr) {
        registerAll();
        auto owned = std::make_unique<image_test::TestStage>(i.width, i.height, i.bands, i.levels);
        owned->acceptsMagnifiedLevels = true;
        owned->properties().setLayout(PixelLayout(0, ColorSpace(i.scheme, i.bands), DataTypeUInt8));
        stage = owned.get();
        reader.attachImage(std::move(owned));
        EXPECT_EQ(select ? reader.selectImage(0) : 1, 1);
    }
    image_test::TestStage* stage;
    TvxFileReader reader;
};

const std::uint32_t* byteCounts(TvxFileReader& reader) {
    return reinterpret_cast<const std::uint32_t*>(tagValue(reader, 279));
}

}  // namespace

TEST(TvxFileReader, WidthRequestsPickTheCoarsestLevelWideEnough) {
    // 300 x 200 with three levels: widths 38, 75, 150, 300, then 600 ... magnified;
    // full resolution whatever the level count. The coarsest level of the column
    // already has the one column: 50 rows halved four times is 4.
    const struct {
        Image image;
        AmWord request, level, width, height;
    } cases[] = {{kColour, 1, 3, 38, 25},        {kColour, 38, 3, 38, 25},
                 {kColour, 39, 2, 75, 50},       {kColour, 76, 1, 150, 100},
                 {kColour, 300, 0, 300, 200},    {kColour, 301, -1, 600, 400},
                 {kColour, 601, -2, 1200, 800},  {kColour, -1, 0, 300, 200},
                 {kColour, -5, 3, 38, 25},       {kColour, 4800, -4, 4800, 3200},
                 {kManyLevels, -1, 0, 300, 200}, {kColumn, 1, 4, 1, 4},
                 {kColumn, 2, -1, 2, 100}};
    for (const auto& c : cases) {
        StageReader r(c.image);
        ASSERT_EQ(setWidth(r.reader, c.request), 1) << c.request;
        EXPECT_EQ(r.reader.level(), c.level) << c.request;
        EXPECT_EQ(tagValue(r.reader, 256), c.width) << c.request;
        EXPECT_EQ(tagValue(r.reader, 257), c.height) << c.request;
    }
    // Refused requests change nothing. Magnification stops at 4800 pixels; 2^31 - 1
    // no 32-bit level holds; the height cannot be set.
    StageReader r(kColour);
    ASSERT_EQ(setWidth(r.reader, 75), 1);
    const AmWord refused[] = {0, 4801, std::numeric_limits<std::int32_t>::max()};
    for (const AmWord& width : refused) EXPECT_EQ(r.reader.setTag(256, &width), 0) << width;
    EXPECT_EQ(r.reader.setTag(257, &refused[1]), 0);
    EXPECT_EQ(r.reader.setTag(256, nullptr), 0);
    EXPECT_EQ(r.reader.level(), 2);
    EXPECT_EQ(tagValue(r.reader, 256), 75);
    StageReader empty({0, 10, 3, 2});
    EXPECT_EQ(setWidth(empty.reader, 5), 0);
    // 1600 x 1600 tiles at full resolution from a file of unknown size (0 bytes) is
    // refused; half of it, 800 x 800, is not.
    StageReader vast({204800, 204800, 1, 3, SchemeGrayscale});
    EXPECT_EQ(setWidth(vast.reader, -1), 0);
    ASSERT_EQ(setWidth(vast.reader, 102400), 1);
    EXPECT_EQ(vast.reader.tilesAcross(), 800u);
}

TEST(TvxFileReader, TileGridCountsPartialTiles) {
    // Exactly 128 wide gives one column; one more row gives a second row.
    for (const auto& [image, across, down, bytes] :
         {std::tuple{kColour, 3u, 2u, 65536u},
          {Image{128, 129, 1, 0, SchemeGrayscale}, 1u, 2u, 16384u}}) {
        StageReader r(image);
        ASSERT_EQ(setWidth(r.reader, -1), 1);
        EXPECT_EQ(r.reader.tilesAcross(), across);
        EXPECT_EQ(r.reader.tilesDown(), down);
        for (std::uint32_t i = 0; i < across * down; ++i)
            EXPECT_EQ(byteCounts(r.reader)[i], bytes) << i;
    }
    // The counts follow the samples per pixel known when the width was set.
    StageReader late(kColour, false);
    ASSERT_EQ(setWidth(late.reader, -1), 1);
    EXPECT_EQ(byteCounts(late.reader)[0], 0u);
    ASSERT_EQ(late.reader.selectImage(0), 1);
    ASSERT_EQ(setWidth(late.reader, -1), 1);
    EXPECT_EQ(byteCounts(late.reader)[5], 65536u);
}

TEST(TvxFileReader, TileBytesLandAtTheirGridPositionAndTheRestKeepsTheFill) {
    // Colour tile 4 is column 1, row 1 of 3 x 2: it starts at (128, 128) and ends at
    // row 199, so row 200 keeps the fill, as does the fourth sample of every pixel.
    // Tile 2 is the right edge: 44 columns of image. The grey rows are a magnified
    // level, 200 x 120. One band of another scheme is one sample per pixel.
    const int kFill = -1;
    // clang-format off
    const struct {
        Image image;
        AmWord width, tile;
        std::size_t offset;
        std::int32_t x, y, band;  // x == kFill: the byte keeps 255
    } cases[] = {
        {kColour, -1, 4, 0, 128, 128, 0},            {kColour, -1, 4, 2, 128, 128, 2},
        {kColour, -1, 4, 72 * 128 * 4, kFill, 0, 0}, {kColour, -1, 4, 3, kFill, 0, 0},
        {kColour, -1, 4, (71 * 128 + 127) * 4 + 1, 255, 199, 1},
        {kColour, -1, 2, (5 * 128 + 127) * 4 + 2, kFill, 0, 0},
        {kColour, -1, 2, 43 * 4, 299, 0, 0},         {kColour, -1, 2, 44 * 4, kFill, 0, 0},
        {kGrey, 200, 1, 0, 128, 0, 0},               {kGrey, 200, 1, 71, 199, 0, 0},
        {kGrey, 200, 1, 72, kFill, 0, 0},            {kColumn, 1, 0, 3 * 128, 0, 3, 0},
        {kColumn, 1, 0, 1, kFill, 0, 0},             {kColumn, 1, 0, 4 * 128, kFill, 0, 0},
        {kBand, -1, 0, 5, 5, 0, 0}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tile " << c.tile << " byte " << c.offset);
        StageReader r(c.image);
        ASSERT_EQ(setWidth(r.reader, c.width), 1);
        std::vector<std::uint8_t> tile(4 * 16384, 0x11);
        ASSERT_EQ(r.reader.readTile(c.tile, tile.data()), 1);
        EXPECT_EQ(tile[c.offset], c.x == kFill ? 255 : image_test::patternValue(c.x, c.y, c.band));
        // Nothing is written past the tile's own samples.
        const std::size_t tileBytes = std::size_t(tagValue(r.reader, 277)) << 14;
        for (std::size_t i = tileBytes; i < tile.size(); ++i) ASSERT_EQ(tile[i], 0x11) << i;
    }
}

TEST(TvxFileReader, TilesThatCannotBeMappedOrDecodedAreRefused) {
    StageReader r(kColour);
    std::vector<std::uint8_t> tile(4 * 16384, 0);
    EXPECT_EQ(r.reader.readTile(0, tile.data()), 0);  // no level chosen yet
    ASSERT_EQ(setWidth(r.reader, -1), 1);
    EXPECT_EQ(r.reader.readTile(0, nullptr), 0);
    EXPECT_EQ(r.reader.readTile(5, tile.data()), 1);
    // Numbers are whole words: none outside 0..5 may be taken for a tile of the grid.
    constexpr AmWord kLeast = std::numeric_limits<AmWord>::min();
    std::vector<AmWord> outside = {6, -1, kLeast, kLeast + 3, std::numeric_limits<AmWord>::max()};
    if constexpr (sizeof(AmWord) > 4) outside.push_back((AmWord{1} << 32) + 3);
    for (const AmWord number : outside)
        EXPECT_EQ(r.reader.readTile(number, tile.data()), 0) << number;
    r.stage->failInDecode = true;
    std::fill(tile.begin(), tile.end(), 0);
    EXPECT_EQ(r.reader.readTile(0, tile.data()), 0);
    EXPECT_EQ(tile[3], 255);  // the fill happened before the failure
}

TEST(TvxFileReader, TagsAnswerForTheChosenImage) {
    StageReader colour(kColour), grey({300, 200, 1, 3, SchemeGrayscale});
    ASSERT_EQ(setWidth(colour.reader, -1), 1);
    const std::pair<AmWord, AmWord> answers[] = {{258, 8},   {277, 4},   {274, 0}, {16884, 0},
                                                 {322, 128}, {323, 128}, {338, 1}};
    for (const auto& [tag, value] : answers) EXPECT_EQ(tagValue(colour.reader, tag), value) << tag;
    EXPECT_STREQ(reinterpret_cast<const char*>(tagValue(colour.reader, 259)), "UNCOMPRESSED");
    EXPECT_EQ(tagValue(grey.reader, 277), 1);
    // Answered without a value, refused, and refused for grey: the word stays as it was.
    TvxFileReader *c = &colour.reader, *g = &grey.reader;
    const std::tuple<TvxFileReader*, AmWord, AmWord> untouched[] = {
        {c, 16907, 1}, {c, 16893, 0}, {c, -256, 0}, {g, 338, 0}};
    for (const auto& [reader, tag, result] : untouched) {
        AmWord word = 4242;
        EXPECT_EQ(reader->getTag(tag, &word), result) << tag;
        EXPECT_EQ(word, 4242) << tag;
    }
    // Only image 0 exists; before it is chosen nothing is described.
    StageReader unselected(kColour, false);
    EXPECT_EQ(unselected.reader.selectImage(1) | unselected.reader.selectImage(-1), 0);
    EXPECT_EQ(tagValue(unselected.reader, 258), 0);
}

TEST(TvxFileAnalyzer, EveryCreateRegistersTheTransformersAfresh) {
    clearTransformerRegistry();
    const std::string key = transformerKey(SchemeCMYK, SchemeRGB);
    TvxFileAnalyzer analyzer;
    amhost::HostFile missing("/nonexistent/dir/none.tvx");
    // Registration comes before the file is touched, so even a failed open fills it.
    EXPECT_EQ(analyzer.createReader(&missing), nullptr);
    const std::shared_ptr<Transformer> first = registeredTransformer(key);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(analyzer.createReader(&missing), nullptr);
    EXPECT_NE(registeredTransformer(key), first);  // replaced, not kept beside it,
    // and still whole for whoever holds the old one.
    EXPECT_NE(first->create(PixelDescription::interleaved(SchemeRGB, 3, 0),
                            PixelDescription::interleaved(SchemeCMYK, 4, 0)),
              nullptr);
}
