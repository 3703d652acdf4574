// The tool's image files: every writer read back by the tool's readers (and, for PNG
// and PNM, by the independent loaders of the tests), georeferencing through GeoTIFF
// and world files, and outputs that appear only when complete.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "common/thrown_text.h"
#include "tvx_atomicOutput.h"
#include "tvx_geoReference.h"
#include "tvx_inputImage.h"
#include "tvx_rasterWriter.h"

namespace {

using tovex_test::TempDir;

std::string dataPath(const std::string& name) {
    return std::string(TOVEX_TEST_DATA_DIR) + "/" + name;
}

// Interleaves the planes into rows of native-endian samples, as the decoder delivers them.
std::vector<std::uint8_t> interleave(const Corvane::RasterImage& image) {
    const std::size_t bytes = image.bitsPerSample == 16 ? 2 : 1;
    const std::size_t bands = image.bandCount();
    const std::size_t pixels = std::size_t{image.width} * image.height;
    std::vector<std::uint8_t> out(pixels * bands * bytes);
    for (std::size_t p = 0; p < pixels; ++p) {
        for (std::size_t b = 0; b < bands; ++b) {
            const std::size_t i = p * bands + b;
            if (bytes == 2) {
                const auto sample = static_cast<std::uint16_t>(image.components[b][p]);
                std::memcpy(out.data() + 2 * i, &sample, 2);
            } else {
                out[i] = static_cast<std::uint8_t>(image.components[b][p]);
            }
        }
    }
    return out;
}

// Writes the image in bands of `rowsPerCall` rows, as `tvx decode` does.
void writeImage(const std::string& path, const Corvane::RasterImage& image,
                std::optional<tvx::GeoReference> geo = std::nullopt,
                std::uint32_t rowsPerCall = 37) {
    tvx::RasterHeader header{image.width, image.height, image.bandCount(), image.bitsPerSample,
                             geo};
    auto writer = tvx::createRasterWriter(path, header);
    const std::vector<std::uint8_t> pixels = interleave(image);
    const std::size_t stride = pixels.size() / image.height;
    for (std::uint32_t y = 0; y < image.height; y += rowsPerCall)
        writer->writeRows(pixels.data() + y * stride, stride,
                          std::min(rowsPerCall, image.height - y));
    writer->finish();
}

// A synthetic image whose samples use the whole range of their bit depth.
Corvane::RasterImage gradient(std::uint32_t width, std::uint32_t height, std::uint32_t bands,
                              int bits) {
    Corvane::RasterImage image;
    image.width = width;
    image.height = height;
    image.bitsPerSample = bits;
    const std::int32_t maxValue = (1 << bits) - 1;
    image.components.assign(bands, std::vector<std::int32_t>(std::size_t{width} * height));
    for (std::uint32_t b = 0; b < bands; ++b)
        for (std::size_t i = 0; i < image.components[b].size(); ++i)
            image.components[b][i] =
                static_cast<std::int32_t>((i * 7919 + b * 104729) % (maxValue + 1));
    return image;
}

void expectSamePixels(const Corvane::RasterImage& expected, const Corvane::RasterImage& actual) {
    ASSERT_EQ(expected.width, actual.width);
    ASSERT_EQ(expected.height, actual.height);
    ASSERT_EQ(expected.bitsPerSample, actual.bitsPerSample);
    ASSERT_EQ(expected.bandCount(), actual.bandCount());
    for (std::size_t b = 0; b < expected.bandCount(); ++b)
        EXPECT_TRUE(expected.components[b] == actual.components[b]) << "band " << b;
}

bool anyFileIn(const std::filesystem::path& directory) {
    return std::filesystem::directory_iterator(directory) != std::filesystem::directory_iterator();
}

TEST(PngFiles, ReadsWhatTheIndependentLoaderReads) {
    for (const bool rgb : {false, true}) {
        const std::string name = rgb ? "chelsea.png" : "camera.png";
        const tvx::InputImage image = tvx::readImageFile(dataPath(name));
        expectSamePixels(loadPng(name, rgb), image.raster);
        EXPECT_FALSE(image.geo.has_value());
    }
}

TEST(ImageWriters, RoundTripEveryFormatAndDepth) {
    struct Case {
        std::string file;
        std::uint32_t bands;
        int bits;
    };
    const Case cases[] = {
        {"g8.png", 1, 8},      {"rgb16.png", 3, 16}, {"g16.pgm", 1, 16}, {"rgb8.ppm", 3, 8},
        {"cmyk16.pam", 4, 16}, {"g8.pam", 1, 8},     {"g16.tif", 1, 16}, {"rgb8.tiff", 3, 8},
        {"cmyk8.tif", 4, 8},   {"rgb16.tif", 3, 16},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        // 300 x 270 crosses a tile boundary of the GeoTIFF writer in both directions.
        const Corvane::RasterImage image = gradient(300, 270, c.bands, c.bits);
        writeImage(dir.file(c.file), image);
        expectSamePixels(image, tvx::readImageFile(dir.file(c.file)).raster);
    }
}

// The loaders of tests/common take names below the data folder.
std::string relativeToData(const std::string& path) {
    return std::filesystem::relative(path, TOVEX_TEST_DATA_DIR).string();
}

TEST(ImageWriters, PnmAndPngOutputsMatchTheIndependentLoaders) {
    TempDir dir;
    const Corvane::RasterImage rgb16 = loadPnm("flower_rgb16_crop.ppm");
    ASSERT_FALSE(rgb16.empty());
    writeImage(dir.file("copy.ppm"), rgb16);
    expectSamePixels(rgb16, loadPnm(relativeToData(dir.file("copy.ppm"))));

    const Corvane::RasterImage chelsea = loadPng("chelsea.png", true);
    writeImage(dir.file("copy.png"), chelsea);
    expectSamePixels(chelsea, loadPng(relativeToData(dir.file("copy.png")), true));
}

TEST(ImageWriters, RefuseBandCountsTheFormatCannotHold) {
    TempDir dir;
    const Corvane::RasterImage rgb = gradient(4, 4, 3, 8);
    const Corvane::RasterImage cmyk = gradient(4, 4, 4, 8);
    EXPECT_NE(tovex_test::thrownText([&] { writeImage(dir.file("a.pgm"), rgb); }),
              "(nothing thrown)");
    EXPECT_NE(tovex_test::thrownText([&] { writeImage(dir.file("a.png"), cmyk); }),
              "(nothing thrown)");
    EXPECT_NE(tovex_test::thrownText([&] { writeImage(dir.file("a.jpg"), rgb); }),
              "(nothing thrown)");
    EXPECT_FALSE(anyFileIn(dir.path()));
}

TEST(GeoTiff, CarriesTheGeoreferenceThroughTiePointAndMatrix) {
    TempDir dir;
    const Corvane::RasterImage image = gradient(40, 30, 1, 8);
    tvx::GeoReference northUp{0.5, 0.25, 0.0, 0.0, 440720.25, 3751320.75};
    tvx::GeoReference rotated{0.5, 0.5, 0.125, -0.0625, -1000.5, 2000.25};
    for (const tvx::GeoReference& geo : {northUp, rotated}) {
        writeImage(dir.file("geo.tif"), image, geo);
        const tvx::InputImage back = tvx::readImageFile(dir.file("geo.tif"));
        ASSERT_TRUE(back.geo.has_value());
        EXPECT_DOUBLE_EQ(back.geo->xResolution, geo.xResolution);
        EXPECT_DOUBLE_EQ(back.geo->yResolution, geo.yResolution);
        EXPECT_DOUBLE_EQ(back.geo->xRotation, geo.xRotation);
        EXPECT_DOUBLE_EQ(back.geo->yRotation, geo.yRotation);
        EXPECT_DOUBLE_EQ(back.geo->xUL, geo.xUL);
        EXPECT_DOUBLE_EQ(back.geo->yUL, geo.yUL);
        expectSamePixels(image, back.raster);
    }
    writeImage(dir.file("plain.tif"), image);
    EXPECT_FALSE(tvx::readImageFile(dir.file("plain.tif")).geo.has_value());
}

TEST(GeoReference, CoarserLevelsKeepTheImageCornerAndWindowsMoveTheOrigin) {
    const tvx::GeoReference geo{2.0, 3.0, 0.0, 0.0, 100.0, 500.0};
    // The corner of pixel (0, 0) is at (99, 501.5); at level 1 a pixel is 4 by 6 and
    // its centre lies 2 and 3 units inside that corner.
    const tvx::GeoReference level1 = geo.atLevelAndWindow(1, 0, 0);
    EXPECT_DOUBLE_EQ(level1.xResolution, 4.0);
    EXPECT_DOUBLE_EQ(level1.yResolution, 6.0);
    EXPECT_DOUBLE_EQ(level1.xUL, 101.0);
    EXPECT_DOUBLE_EQ(level1.yUL, 498.5);
    // A window at (10, 4) of level 0 starts 10 pixels east and 4 rows south.
    const tvx::GeoReference window = geo.atLevelAndWindow(0, 10, 4);
    EXPECT_DOUBLE_EQ(window.xUL, 120.0);
    EXPECT_DOUBLE_EQ(window.yUL, 488.0);
    EXPECT_EQ(geo.atLevelAndWindow(0, 0, 0), geo);
}

TEST(WorldFile, WritesAndReadsTheSixLines) {
    TempDir dir;
    const tvx::GeoReference geo{0.3, 0.6, 0.01, -0.02, 1234567.125, -42.5};
    tvx::writeWorldFile(dir.file("image.TXW"), geo);
    std::ifstream in(dir.file("image.TXW"));
    double lines[6];
    for (double& line : lines) in >> line;
    EXPECT_DOUBLE_EQ(lines[0], 0.3);
    EXPECT_DOUBLE_EQ(lines[1], 0.01);
    EXPECT_DOUBLE_EQ(lines[2], -0.02);
    EXPECT_DOUBLE_EQ(lines[3], -0.6);
    EXPECT_DOUBLE_EQ(lines[4], 1234567.125);
    EXPECT_DOUBLE_EQ(lines[5], -42.5);
    EXPECT_EQ(tvx::readWorldFile(dir.file("image.TXW")), geo);
    EXPECT_FALSE(tvx::readWorldFile(dir.file("missing.TXW")).has_value());
    tovex_test::writeFile(dir.file("short.TXW"), "1\n0\n0\n-1\n");
    EXPECT_NE(tovex_test::thrownText([&] { tvx::readWorldFile(dir.file("short.TXW")); }),
              "(nothing thrown)");
}

TEST(PnmFiles, RefuseBrokenFilesBeforeAllocating) {
    TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {"huge.pgm", "P5\n2000000000 2000000000\n255\n\x01\x02"},
        {"truncated.ppm", "P6\n4 4\n255\n" + std::string(40, 'x')},
        {"maxval.pgm", "P5\n2 1\n0\n\x01\x02"},
        {"overmax.pgm", "P5\n2 1\n100\n\x01\xff"},
        {"bands.pam", "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nTUPLTYPE X\nENDHDR\nab"},
        {"magic.pgm", "P2\n1 1\n255\n1\n"},
    };
    for (const auto& [name, bytes] : cases) {
        tovex_test::writeFile(dir.file(name), bytes);
        EXPECT_NE(tovex_test::thrownText([&] { tvx::readImageFile(dir.file(name)); }),
                  "(nothing thrown)")
            << name;
    }
}

TEST(TiffFiles, ReportLibraryErrorsAsExceptions) {
    TempDir dir;
    tovex_test::writeFile(dir.file("bad.tif"), "II*\0garbage");
    EXPECT_NE(tovex_test::thrownText([&] { tvx::readImageFile(dir.file("bad.tif")); }),
              "(nothing thrown)");
    EXPECT_NE(tovex_test::thrownText([&] { tvx::readImageFile(dir.file("missing.tif")); }),
              "(nothing thrown)");
}

TEST(AtomicOutput, TheFileAppearsOnlyOnCommit) {
    TempDir dir;
    {
        tvx::AtomicOutput output(dir.file("out.bin"));
        output.writeAll("half");
        EXPECT_TRUE(std::filesystem::exists(output.temporaryPath()));
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.bin")));
    }
    EXPECT_FALSE(anyFileIn(dir.path()));
    {
        tvx::AtomicOutput output(dir.file("out.bin"));
        output.writeAll("whole");
        output.commit();
    }
    std::ifstream in(dir.file("out.bin"));
    std::string text;
    in >> text;
    EXPECT_EQ(text, "whole");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // A writer abandoned halfway leaves nothing behind either.
    {
        auto writer =
            tvx::createRasterWriter(dir.file("partial.tif"), {64, 64, 1, 8, std::nullopt});
        const std::vector<std::uint8_t> rows(64 * 10, 7);
        writer->writeRows(rows.data(), 64, 10);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("partial.tif")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
