// Real files through the loaded module, read exactly as the host reads them: tiles
// assembled by the reference host's code and compared with the source images, or,
// where the file is lossy or deeper than 8 bits, with the library's own decode of
// the same level.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "amhost_hostFile.h"
#include "amhost_tileImage.h"
#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "host/host_module.h"
#include "host/library_decode.h"
#include "image/cv_scene.h"

using namespace host_test;
using Corvane::RasterImage;

namespace {

// Samples of an image interleaved as the host's PNM would hold them (8-bit only).
std::vector<std::uint8_t> interleaved(const RasterImage& image) {
    std::vector<std::uint8_t> out;
    const std::size_t pixels = std::size_t{image.width} * image.height;
    out.reserve(pixels * image.bandCount());
    for (std::size_t i = 0; i < pixels; ++i)
        for (const auto& component : image.components)
            out.push_back(static_cast<std::uint8_t>(component[i]));
    return out;
}

// A reader from the module on `path`, image 0 selected and the width asked for.
struct OpenFile {
    explicit OpenFile(const std::string& path)
        : file(path), reader(analyzer->createReader(&file)) {}
    ScopedAnalyzer analyzer;
    amhost::HostFile file;
    ScopedReader reader;
};

amhost::HostImage readThroughModule(const std::string& path, AmWord width) {
    OpenFile open(path);
    if (!open.reader.get()) throw std::runtime_error("no reader for " + path);
    if (open.reader->selectImage(0) != 1) throw std::runtime_error("no image 0");
    if (setWidth(*open.reader.get(), width) != 1) throw std::runtime_error("width refused");
    return amhost::readAllTiles(*open.reader.get());
}

class ReaderModuleFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new tovex_test::TempDir;
        astronaut_ = new RasterImage(loadPng("astronaut.png", true));
        camera_ = new RasterImage(loadPng("camera.png", false));
        Corvane::TG3EncodeOptions lossless;
        Corvane::encodeTG3File(*astronaut_, lossless, path("astronaut.tvx"));
        Corvane::encodeTG3File(*camera_, lossless, path("camera.tvx"));
        Corvane::encodeTG3File(cropImage(*astronaut_, 100, 50, 300, 200), lossless,
                               path("crop300x200.tvx"));
        Corvane::encodeTG3File(cropImage(*camera_, 0, 0, 16, 16), lossless, path("small.tvx"));
    }
    static void TearDownTestSuite() {
        delete astronaut_;
        delete camera_;
        delete dir_;
    }
    static std::string path(const std::string& name) { return dir_->file(name); }

    static tovex_test::TempDir* dir_;
    static RasterImage* astronaut_;
    static RasterImage* camera_;
};

tovex_test::TempDir* ReaderModuleFiles::dir_ = nullptr;
RasterImage* ReaderModuleFiles::astronaut_ = nullptr;
RasterImage* ReaderModuleFiles::camera_ = nullptr;

}  // namespace

TEST_F(ReaderModuleFiles, LosslessColourFileAtFullWidthIsTheSourceImage) {
    ASSERT_FALSE(astronaut_->empty());
    const amhost::HostImage image = readThroughModule(path("astronaut.tvx"), 512);
    ASSERT_EQ(image.width, 512u);
    ASSERT_EQ(image.height, 512u);
    ASSERT_EQ(image.channels, 3);
    EXPECT_TRUE(image.samples == interleaved(*astronaut_));
}

TEST_F(ReaderModuleFiles, LosslessGreyFileAtFullWidthIsTheSourceImage) {
    ASSERT_FALSE(camera_->empty());
    const amhost::HostImage image = readThroughModule(path("camera.tvx"), -1);
    ASSERT_EQ(image.channels, 1);
    EXPECT_TRUE(image.samples == interleaved(*camera_));
}

TEST_F(ReaderModuleFiles, HalfWidthIsTheLevelOneImage) {
    const amhost::HostImage tiles = readThroughModule(path("astronaut.tvx"), 256);
    const amhost::HostImage expected = host_test::libraryDecode(path("astronaut.tvx"), 1, 3);
    ASSERT_EQ(tiles.width, 256u);
    ASSERT_EQ(tiles.height, 256u);
    EXPECT_TRUE(tiles.samples == expected.samples);
}

TEST_F(ReaderModuleFiles, EdgeTilesOfA300By200Image) {
    OpenFile open(path("crop300x200.tvx"));
    ASSERT_NE(open.reader.get(), nullptr);
    ASSERT_EQ(open.reader->selectImage(0), 1);
    ASSERT_EQ(setWidth(*open.reader.get(), -1), 1);
    EXPECT_EQ(tagValue(*open.reader.get(), 256), 300);
    EXPECT_EQ(tagValue(*open.reader.get(), 257), 200);
    EXPECT_EQ(tagValue(*open.reader.get(), 338), 1);
    const auto* counts = reinterpret_cast<const std::uint32_t*>(tagValue(*open.reader.get(), 279));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(counts[i], 65536u) << i;

    // Tile 4 starts at (128, 128) of the crop, which is (228, 178) of the source.
    std::vector<std::uint8_t> tile(65536, 0);
    ASSERT_EQ(open.reader->readTile(4, tile.data()), 1);
    const std::size_t source = 178u * 512 + 228;
    for (int band = 0; band < 3; ++band)
        EXPECT_EQ(tile[band], astronaut_->components[band][source]) << band;
    for (std::size_t i = 3; i < tile.size(); i += 4) ASSERT_EQ(tile[i], 255) << i;
    // The file has no background, so the part of tile 5 right of column 299 keeps 255.
    ASSERT_EQ(open.reader->readTile(5, tile.data()), 1);
    EXPECT_EQ(tile[(10 * 128 + 44) * 4], 255);
    EXPECT_EQ(tile[(10 * 128 + 43) * 4 + 1], astronaut_->components[1][(178 + 10) * 512 + 399]);
}

TEST_F(ReaderModuleFiles, TwoReadersOnOneFileAreIndependent) {
    OpenFile first(path("astronaut.tvx"));
    amhost::HostFile sameFile(path("astronaut.tvx"));
    AmFileReader* second = first.analyzer->createReader(&sameFile);
    ASSERT_NE(first.reader.get(), nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(first.reader.get(), second);
    EXPECT_EQ(second->selectImage(0), 1);
    EXPECT_EQ(first.reader->selectImage(0), 1);
    EXPECT_EQ(setWidth(*first.reader.get(), 512), 1);
    EXPECT_EQ(setWidth(*second, 128), 1);
    EXPECT_EQ(tagValue(*first.reader.get(), 256), 512);
    EXPECT_EQ(tagValue(*second, 256), 128);
    // Destroying one leaves the other reading.
    second->destroy(1);
    std::vector<std::uint8_t> tile(65536);
    ASSERT_EQ(first.reader->readTile(0, tile.data()), 1);
    EXPECT_EQ(tile[0], astronaut_->components[0][0]);
}

TEST_F(ReaderModuleFiles, CheckFileAnswersZeroForAValidFile) {
    ScopedAnalyzer analyzer;
    amhost::HostFile file(path("small.tvx"));
    const int before = openDescriptorCount();
    EXPECT_EQ(analyzer->checkFile(&file, 0), 0);
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST_F(ReaderModuleFiles, CreatingAndDestroyingReadersLeavesNothingBehind) {
    // Under the sanitizer build the leak check at exit covers all of these.
    ScopedAnalyzer analyzer;
    amhost::HostFile file(path("small.tvx"));
    const int before = openDescriptorCount();
    for (int i = 0; i < 1000; ++i) {
        AmFileReader* reader = analyzer->createReader(&file);
        ASSERT_NE(reader, nullptr) << i;
        reader->destroy(1);
    }
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST_F(ReaderModuleFiles, TG2FilesMatchTheLibraryDecodeAtEachLevel) {
    Corvane::TG2EncodeOptions options;
    const std::string colour = path("chelsea_tg2.tvx");
    Corvane::encodeTG2File(loadPng("chelsea.png", true), options, colour);
    // chelsea is 451 x 300; asking for 451, 226 and 113 gives levels 0, 1 and 2.
    const struct {
        AmWord width;
        std::int32_t level;
    } cases[] = {{451, 0}, {226, 1}, {113, 2}};
    for (const auto& c : cases) {
        const amhost::HostImage tiles = readThroughModule(colour, c.width);
        const amhost::HostImage expected = host_test::libraryDecode(colour, c.level, 3);
        ASSERT_EQ(tiles.width, expected.width) << c.level;
        ASSERT_EQ(tiles.height, expected.height) << c.level;
        EXPECT_TRUE(tiles.samples == expected.samples) << c.level;
    }
}

TEST_F(ReaderModuleFiles, OnePixelWideTG2ImageStaysOnePixelWide) {
    RasterImage column;
    column.width = 1;
    column.height = 40;
    column.components.assign(1, std::vector<std::int32_t>(40));
    for (int y = 0; y < 40; ++y) column.components[0][y] = 5 * y;
    Corvane::TG2EncodeOptions options;
    options.levels = 3;
    const std::string file = path("column.tvx");
    Corvane::encodeTG2File(column, options, file);

    OpenFile open(file);
    ASSERT_NE(open.reader.get(), nullptr);
    ASSERT_EQ(open.reader->selectImage(0), 1);
    // The coarsest level is already one pixel wide, and 40 rows halved three times is 5.
    ASSERT_EQ(setWidth(*open.reader.get(), 1), 1);
    EXPECT_EQ(tagValue(*open.reader.get(), 256), 1);
    EXPECT_EQ(tagValue(*open.reader.get(), 257), 5);
    const amhost::HostImage tiles = amhost::readAllTiles(*open.reader.get());
    EXPECT_TRUE(tiles.samples == host_test::libraryDecode(file, 3, 1).samples);
}

TEST_F(ReaderModuleFiles, SixteenBitTG3MatchesTheLibraryDecodeInEightBits) {
    const RasterImage deep = loadPgm16("flower_green16_crop.pgm");
    ASSERT_FALSE(deep.empty());
    const std::string file = path("deep.tvx");
    Corvane::encodeTG3File(deep, Corvane::TG3EncodeOptions{}, file);
    for (std::int32_t level : {0, 1}) {
        const AmWord width = Corvane::levelExtent(static_cast<std::int32_t>(deep.width), level);
        const amhost::HostImage tiles = readThroughModule(file, width);
        const amhost::HostImage expected = host_test::libraryDecode(file, level, 1);
        ASSERT_EQ(tiles.width, expected.width);
        EXPECT_TRUE(tiles.samples == expected.samples) << level;
    }
}
