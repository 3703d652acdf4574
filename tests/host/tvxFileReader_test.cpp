// The reader's level choice, tag table and tile service over a small stage whose
// decoder writes a known pattern, so that every tile byte has a known value.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "amhost_hostFile.h"
#include "host/host_module.h"
#include "host/tvx_fileAnalyzer.h"
#include "host/tvx_fileReader.h"
#include "image/image_test_support.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
using host_test::setWidth;
using host_test::tagValue;
using image_test::patternValue;
using image_test::TestStage;

namespace {

constexpr std::size_t kTileBytes = 128 * 128;

struct StageReader {
    TestStage* stage = nullptr;
    std::unique_ptr<TvxFileReader> reader;
};

StageReader makeReader(std::int32_t width, std::int32_t height, std::int32_t bands,
                       std::int32_t levels, std::uint32_t scheme) {
    auto stage = std::make_unique<TestStage>(width, height, bands, levels);
    stage->acceptsMagnifiedLevels = true;
    stage->properties().setLayout(PixelLayout(0, ColorSpace(scheme, bands), DataTypeUInt8));
    StageReader result;
    result.stage = stage.get();
    result.reader = std::make_unique<TvxFileReader>(nullptr);
    result.reader->attachImage(std::move(stage));
    return result;
}

StageReader colourReader(std::int32_t width, std::int32_t height, std::int32_t levels) {
    return makeReader(width, height, 3, levels, SchemeRGB);
}

struct Level {
    AmWord level;
    AmWord width;
    AmWord height;
};

Level currentLevel(TvxFileReader& reader) {
    return {reader.level(), tagValue(reader, 256), tagValue(reader, 257)};
}

}  // namespace

class TvxFileReaderTest : public ::testing::Test {
  protected:
    // The transformers the tile conversions look up.
    void SetUp() override { registerAll(); }
};

TEST_F(TvxFileReaderTest, WidthRequestsPickTheCoarsestLevelWideEnough) {
    // 300 x 200 with three levels: widths 38, 75, 150, 300, then 600 and 1200 magnified.
    StageReader r = colourReader(300, 200, 3);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    const struct {
        AmWord request;
        Level expected;
    } cases[] = {
        {1, {3, 38, 25}},      {38, {3, 38, 25}},        {39, {2, 75, 50}},
        {75, {2, 75, 50}},     {76, {1, 150, 100}},      {150, {1, 150, 100}},
        {151, {0, 300, 200}},  {300, {0, 300, 200}},     {301, {-1, 600, 400}},
        {600, {-1, 600, 400}}, {601, {-2, 1200, 800}},   {-1, {0, 300, 200}},
        {-5, {3, 38, 25}},     {4800, {-4, 4800, 3200}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(setWidth(*r.reader, c.request), 1) << c.request;
        const Level got = currentLevel(*r.reader);
        EXPECT_EQ(got.level, c.expected.level) << c.request;
        EXPECT_EQ(got.width, c.expected.width) << c.request;
        EXPECT_EQ(got.height, c.expected.height) << c.request;
    }
}

TEST_F(TvxFileReaderTest, FullResolutionRequestIgnoresTheLevelCount) {
    for (std::int32_t levels : {0, 1, 6, 40}) {
        StageReader r = colourReader(300, 200, levels);
        ASSERT_EQ(setWidth(*r.reader, -1), 1);
        EXPECT_EQ(r.reader->level(), 0);
        EXPECT_EQ(tagValue(*r.reader, 256), 300);
        EXPECT_EQ(tagValue(*r.reader, 257), 200);
    }
}

TEST_F(TvxFileReaderTest, OnePixelWideImageStaysOnePixelWide) {
    StageReader r = makeReader(1, 50, 1, 4, SchemeGrayscale);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    ASSERT_EQ(setWidth(*r.reader, 1), 1);
    // The coarsest level already has the one column: 50 rows halved four times is 4.
    EXPECT_EQ(currentLevel(*r.reader).level, 4);
    EXPECT_EQ(tagValue(*r.reader, 256), 1);
    EXPECT_EQ(tagValue(*r.reader, 257), 4);
    ASSERT_EQ(setWidth(*r.reader, 2), 1);
    EXPECT_EQ(currentLevel(*r.reader).level, -1);
    EXPECT_EQ(tagValue(*r.reader, 257), 100);

    std::vector<std::uint8_t> tile(kTileBytes);
    ASSERT_EQ(setWidth(*r.reader, 1), 1);
    ASSERT_EQ(r.reader->readTile(0, tile.data()), 1);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(tile[y * 128], patternValue(0, y, 0)) << y;
    EXPECT_EQ(tile[1], 255);        // right of the image
    EXPECT_EQ(tile[4 * 128], 255);  // below it
}

TEST_F(TvxFileReaderTest, RefusedRequestsChangeNothing) {
    StageReader r = colourReader(300, 200, 3);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    ASSERT_EQ(setWidth(*r.reader, 75), 1);
    const AmWord widthRequest = 500;
    const AmWord zero = 0;
    // Magnification stops at level -4, 4800 pixels: one more is too wide, and so is
    // 2^31 - 1, which no 32-bit level could hold anyway.
    const AmWord pastMagnification = 4801;
    const AmWord huge = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(r.reader->setTag(256, &zero), 0);
    EXPECT_EQ(r.reader->setTag(257, &widthRequest), 0);
    EXPECT_EQ(r.reader->setTag(256, nullptr), 0);
    EXPECT_EQ(r.reader->setTag(256, &pastMagnification), 0);
    EXPECT_EQ(r.reader->setTag(256, &huge), 0);
    EXPECT_EQ(r.reader->level(), 2);
    EXPECT_EQ(tagValue(*r.reader, 256), 75);
    EXPECT_EQ(r.reader->tilesAcross(), 1u);
}

TEST_F(TvxFileReaderTest, ImageOfWidthZeroNeverSatisfiesAWidth) {
    StageReader r = colourReader(0, 10, 2);
    EXPECT_EQ(setWidth(*r.reader, 5), 0);
}

TEST_F(TvxFileReaderTest, TileGridAndByteCounts) {
    StageReader r = colourReader(300, 200, 3);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    ASSERT_EQ(setWidth(*r.reader, -1), 1);
    EXPECT_EQ(r.reader->tilesAcross(), 3u);
    EXPECT_EQ(r.reader->tilesDown(), 2u);
    const auto* counts = reinterpret_cast<const std::uint32_t*>(tagValue(*r.reader, 279));
    ASSERT_NE(counts, nullptr);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(counts[i], 4u * 16384u) << i;

    // Exactly 128 wide gives one column; one more pixel gives two.
    StageReader exact = makeReader(128, 129, 1, 0, SchemeGrayscale);
    ASSERT_EQ(exact.reader->selectImage(0), 1);
    ASSERT_EQ(setWidth(*exact.reader, -1), 1);
    EXPECT_EQ(exact.reader->tilesAcross(), 1u);
    EXPECT_EQ(exact.reader->tilesDown(), 2u);
    const auto* greyCounts = reinterpret_cast<const std::uint32_t*>(tagValue(*exact.reader, 279));
    EXPECT_EQ(greyCounts[0], 16384u);
    EXPECT_EQ(greyCounts[1], 16384u);
}

TEST_F(TvxFileReaderTest, ByteCountsFollowSamplesPerPixelAtTheTimeOfSetTag) {
    StageReader r = colourReader(300, 200, 3);
    ASSERT_EQ(setWidth(*r.reader, -1), 1);
    auto counts = reinterpret_cast<const std::uint32_t*>(tagValue(*r.reader, 279));
    EXPECT_EQ(counts[0], 0u);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    counts = reinterpret_cast<const std::uint32_t*>(tagValue(*r.reader, 279));
    EXPECT_EQ(counts[5], 0u);
    ASSERT_EQ(setWidth(*r.reader, -1), 1);
    counts = reinterpret_cast<const std::uint32_t*>(tagValue(*r.reader, 279));
    EXPECT_EQ(counts[5], 65536u);
}

TEST_F(TvxFileReaderTest, TagTable) {
    StageReader colour = colourReader(300, 200, 3);
    StageReader grey = makeReader(300, 200, 1, 3, SchemeGrayscale);
    for (StageReader* r : {&colour, &grey}) {
        ASSERT_EQ(r->reader->selectImage(0), 1);
        ASSERT_EQ(setWidth(*r->reader, -1), 1);
    }
    EXPECT_EQ(tagValue(*colour.reader, 258), 8);
    EXPECT_EQ(tagValue(*colour.reader, 277), 4);
    EXPECT_EQ(tagValue(*grey.reader, 277), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(tagValue(*colour.reader, 259)), "UNCOMPRESSED");
    EXPECT_EQ(tagValue(*colour.reader, 274), 0);
    EXPECT_EQ(tagValue(*colour.reader, 16884), 0);
    EXPECT_EQ(tagValue(*colour.reader, 322), 128);
    EXPECT_EQ(tagValue(*colour.reader, 323), 128);
    EXPECT_EQ(tagValue(*colour.reader, 338), 1);

    // Answered without a value, refused, and refused for grey: the word stays as it was.
    const struct {
        TvxFileReader* reader;
        AmWord tag;
        AmWord result;
    } untouched[] = {{colour.reader.get(), 16907, 1},
                     {colour.reader.get(), 16893, 0},
                     {colour.reader.get(), 0, 0},
                     {colour.reader.get(), -256, 0},
                     {grey.reader.get(), 338, 0}};
    for (const auto& c : untouched) {
        AmWord word = 4242;
        EXPECT_EQ(c.reader->getTag(c.tag, &word), c.result) << c.tag;
        EXPECT_EQ(word, 4242) << c.tag;
    }
}

TEST_F(TvxFileReaderTest, SelectImageAcceptsOnlyImageZero) {
    StageReader r = colourReader(300, 200, 3);
    EXPECT_EQ(r.reader->selectImage(1), 0);
    EXPECT_EQ(r.reader->selectImage(-1), 0);
    EXPECT_EQ(tagValue(*r.reader, 258), 0);
    EXPECT_EQ(tagValue(*r.reader, 277), 0);
    EXPECT_EQ(r.reader->selectImage(0), 1);
    EXPECT_EQ(tagValue(*r.reader, 258), 8);
}

TEST_F(TvxFileReaderTest, ColourTilesLandAtTheirGridPosition) {
    StageReader r = colourReader(300, 200, 3);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    ASSERT_EQ(setWidth(*r.reader, -1), 1);
    std::vector<std::uint8_t> tile(4 * kTileBytes);
    // Tile 4 is column 1, row 1: its first pixel is (128, 128); it ends at row 199.
    ASSERT_EQ(r.reader->readTile(4, tile.data()), 1);
    for (int band = 0; band < 3; ++band) EXPECT_EQ(tile[band], patternValue(128, 128, band));
    const std::size_t lastRow = 71 * 128 * 4;
    EXPECT_EQ(tile[lastRow + 127 * 4 + 1], patternValue(255, 199, 1));
    EXPECT_EQ(tile[lastRow + 128 * 4], 255);  // row 200 is past the image
    for (std::size_t i = 3; i < tile.size(); i += 4) ASSERT_EQ(tile[i], 255) << i;

    // Tile 2 is the right edge: 44 columns of image, the rest keeps the fill.
    ASSERT_EQ(r.reader->readTile(2, tile.data()), 1);
    EXPECT_EQ(tile[43 * 4], patternValue(299, 0, 0));
    EXPECT_EQ(tile[44 * 4], 255);
    EXPECT_EQ(tile[(5 * 128 + 127) * 4 + 2], 255);
}

TEST_F(TvxFileReaderTest, TilesOfAMagnifiedLevel) {
    StageReader r = makeReader(100, 60, 1, 2, SchemeGrayscale);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    ASSERT_EQ(setWidth(*r.reader, 200), 1);
    ASSERT_EQ(r.reader->level(), -1);
    std::vector<std::uint8_t> tile(kTileBytes);
    ASSERT_EQ(r.reader->readTile(1, tile.data()), 1);
    EXPECT_EQ(tile[0], patternValue(128, 0, 0));
    EXPECT_EQ(tile[71], patternValue(199, 0, 0));
    EXPECT_EQ(tile[72], 255);
    EXPECT_EQ(r.stage->log.levels.back(), -1);
}

TEST_F(TvxFileReaderTest, OneBandInAnotherSchemeWritesOneSamplePerPixel) {
    StageReader r = makeReader(200, 10, 1, 1, SchemeMultispectral);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    ASSERT_EQ(tagValue(*r.reader, 277), 1);
    ASSERT_EQ(setWidth(*r.reader, -1), 1);
    // A buffer larger than the host's: nothing may be written past one sample per pixel.
    std::vector<std::uint8_t> buffer(4 * kTileBytes, 0x11);
    ASSERT_EQ(r.reader->readTile(0, buffer.data()), 1);
    EXPECT_EQ(buffer[0], patternValue(0, 0, 0));
    EXPECT_EQ(buffer[5], patternValue(5, 0, 0));
    for (std::size_t i = kTileBytes; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0x11) << i;
}

TEST_F(TvxFileReaderTest, TilesThatCannotBeMappedAreRefused) {
    StageReader r = colourReader(300, 200, 3);
    std::vector<std::uint8_t> tile(4 * kTileBytes);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    EXPECT_EQ(r.reader->readTile(0, tile.data()), 0);  // no level chosen yet
    ASSERT_EQ(setWidth(*r.reader, -1), 1);
    EXPECT_EQ(r.reader->readTile(6, tile.data()), 0);  // past the last of 3 x 2 tiles
    EXPECT_EQ(r.reader->readTile(0, nullptr), 0);
    EXPECT_EQ(r.reader->readTile(5, tile.data()), 1);
    // Numbers are whole words: none outside 0..5 may be taken for a tile of the grid
    // by losing its high bits.
    std::vector<AmWord> outside = {-1, std::numeric_limits<AmWord>::min(),
                                   std::numeric_limits<AmWord>::max(),
                                   std::numeric_limits<AmWord>::min() + 3};
    if constexpr (sizeof(AmWord) > 4) {
        outside.push_back((AmWord{1} << 32) + 3);
        outside.push_back((AmWord{1} << 40) + 3);
    }
    for (const AmWord number : outside)
        EXPECT_EQ(r.reader->readTile(number, tile.data()), 0) << number;
}

TEST_F(TvxFileReaderTest, DecodeFailureBecomesZero) {
    StageReader r = colourReader(300, 200, 3);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    ASSERT_EQ(setWidth(*r.reader, -1), 1);
    r.stage->failInDecode = true;
    std::vector<std::uint8_t> tile(4 * kTileBytes, 0);
    EXPECT_EQ(r.reader->readTile(0, tile.data()), 0);
    EXPECT_EQ(tile[3], 255);  // the fill happened before the failure
}

TEST_F(TvxFileReaderTest, PassThroughAndRecordSlots) {
    amhost::HostFile file("unused");
    TvxFileReader reader(&file);
    EXPECT_EQ(reader.passThrough3(5, 6), amhost::HostFile::kSlot7Answer + 5);
    EXPECT_EQ(file.slot7Calls().count, 1);
    EXPECT_EQ(file.slot7Calls().second, 6);
    EXPECT_EQ(file.slot11Calls().count, 0);
    EXPECT_EQ(reader.passThrough4(8, 9), amhost::HostFile::kSlot11Answer + 8);
    EXPECT_EQ(file.slot11Calls().count, 1);
    EXPECT_EQ(file.slot11Calls().first, 8);
    EXPECT_EQ(file.slot11Calls().second, 9);

    AmWordPair record{0x5555, -7};
    EXPECT_EQ(reader.recordSlot15(&record), &record);
    EXPECT_EQ(record.first, 0);
    EXPECT_EQ(record.second, 0);
    EXPECT_EQ(reader.inertSlot5(), 0);
    EXPECT_EQ(reader.inertSlot8(1, 2), 0);
    EXPECT_EQ(reader.inertSlot12(1, 2, 3), 0);
    EXPECT_EQ(reader.inertSlot14(1), 0);
}

TEST(TvxFileAnalyzerRegistry, EveryCreateRegistersTheTransformersAfresh) {
    clearTransformerRegistry();
    const std::string key = transformerKey(SchemeCMYK, SchemeRGB);
    ASSERT_EQ(registeredTransformer(key), nullptr);
    TvxFileAnalyzer analyzer;
    amhost::HostFile missing("/nonexistent/dir/none.tvx");
    // Registration comes before the file is touched, so even a failed open fills it.
    EXPECT_EQ(analyzer.createReader(&missing), nullptr);
    const std::shared_ptr<Transformer> first = registeredTransformer(key);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(analyzer.createReader(&missing), nullptr);
    const std::shared_ptr<Transformer> second = registeredTransformer(key);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);  // the earlier one was replaced, not kept beside it
    // and stays whole for whoever still holds it.
    EXPECT_NE(first->create(PixelDescription::interleaved(SchemeRGB, 3, 0),
                            PixelDescription::interleaved(SchemeCMYK, 4, 0)),
              nullptr);
}

TEST_F(TvxFileReaderTest, GridsOfMoreTilesThanTheFileHasBytesAreRefusedPastAMillion) {
    // 204800 x 204800 pixels: 1600 x 1600 tiles at full resolution, more than 2^20,
    // from a reader whose file size is unknown (0 bytes); half of it is 800 x 800.
    StageReader r = makeReader(204800, 204800, 1, 3, SchemeGrayscale);
    ASSERT_EQ(r.reader->selectImage(0), 1);
    const AmWord full = -1;
    EXPECT_EQ(r.reader->setTag(256, &full), 0);
    ASSERT_EQ(setWidth(*r.reader, 102400), 1);
    EXPECT_EQ(r.reader->tilesAcross(), 800u);
    EXPECT_EQ(tagValue(*r.reader, 256), 102400);
}
