// The tool's image files: every writer read back by the tool's readers (and, for PNG
// and PNM, by the independent loaders of the tests) with its georeferencing, and the
// files the readers refuse.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_runner.h"
#include "common/temp_dir.h"
#include "common/test_images.h"
#include "common/thrown_text.h"
#include "tvx_inputImage.h"

namespace {

using tovex_test::TempDir;

// A synthetic image whose samples use the whole range of their bit depth.
Corvane::RasterImage gradient(std::uint32_t width, std::uint32_t height, std::size_t bands,
                              int bits) {
    Corvane::RasterImage image;
    image.width = width;
    image.height = height;
    image.bitsPerSample = bits;
    image.components.assign(bands, std::vector<std::int32_t>(std::size_t{width} * height));
    for (std::size_t b = 0; b < bands; ++b)
        for (std::size_t i = 0; i < image.components[b].size(); ++i)
            image.components[b][i] = std::int32_t((i * 7919 + b * 104729) % (1u << bits));
    return image;
}

TEST(ImageFiles, WritersAndReadersAgreeOnEveryFormatAndDepth) {
    const tvx::GeoReference northUp{0.5, 0.25, 0.0, 0.0, 440720.25, 3751320.75};
    const tvx::GeoReference rotated{0.5, 0.5, 0.125, -0.0625, -1000.5, 2000.25};
    const struct {
        std::string file;
        std::size_t bands;
        int bits;
        std::optional<tvx::GeoReference> geo;
    } cases[] = {
        {"g8.png", 1, 8, {}},    {"rgb8.png", 3, 8, {}},      {"rgb16.png", 3, 16, {}},
        {"g16.pgm", 1, 16, {}},  {"rgb8.ppm", 3, 8, {}},      {"cmyk16.pam", 4, 16, {}},
        {"g8.pam", 1, 8, {}},    {"g16.tif", 1, 16, northUp}, {"rgb8.tiff", 3, 8, rotated},
        {"cmyk8.tif", 4, 8, {}}, {"rgb16.tif", 3, 16, {}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        // 300 x 270 crosses a tile boundary of the GeoTIFF writer in both directions.
        const Corvane::RasterImage image = gradient(300, 270, c.bands, c.bits);
        tvx_test::writeImage(dir.file(c.file), image, c.geo);
        const tvx::InputImage back = tvx::readImageFile(dir.file(c.file));
        EXPECT_EQ(back.geo, c.geo);
        EXPECT_EQ(tvx_test::compare(image, back.raster).largest, 0);
        // Strips as an encoder reads them: down the image, then back to an earlier row
        // inside a block that was read before.
        const tvx::InputSource source = tvx::openImageFile(dir.file(c.file));
        Corvane::RasterImage strip;
        for (const std::uint32_t top : {0u, 37u, 74u, 111u, 148u, 185u, 222u, 259u, 5u}) {
            const std::uint32_t rows = std::min(37u, image.height - top);
            source.source->readRows(top, rows, strip);
            EXPECT_EQ(
                tvx_test::compare(cropRaster(image, 0, top, image.width, rows), strip).largest, 0)
                << "rows from " << top;
        }
        // The loaders of tests/common take names below the data folder.
        const std::string name = std::filesystem::relative(dir.file(c.file), TOVEX_TEST_DATA_DIR);
        const bool png8 = c.file.ends_with(".png") && c.bits == 8, pnm = c.file.ends_with("m");
        const auto independent = pnm ? loadPnm(name) : png8 ? loadPng(name, c.bands == 3) : image;
        EXPECT_EQ(tvx_test::compare(image, independent).largest, 0) << "independent loader";
    }
}

TEST(ImageFiles, BrokenFilesAreRefused) {
    TempDir dir;
    // The PNM readers refuse before allocating; an empty text writes no file at all.
    const std::pair<std::string, std::string> cases[] = {
        {"huge.pgm", "P5\n2000000000 2000000000\n255\n\x01\x02"},
        {"truncated.ppm", "P6\n4 4\n255\n" + std::string(40, 'x')},
        {"maxval.pgm", "P5\n2 1\n0\n\x01\x02"},
        {"overmax.pgm", "P5\n2 1\n100\n\x01\xff"},
        {"bands.pam", "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nTUPLTYPE X\nENDHDR\nab"},
        {"magic.pgm", "P2\n1 1\n255\n1\n"},
        {"bad.tif", std::string("II*\0garbage", 11)},
        {"missing.tif", ""},
        {"short.TXW", "1\n0\n0\n-1\n"},
    };
    for (const auto& [name, bytes] : cases) {
        if (!bytes.empty()) tovex_test::writeFile(dir.file(name), bytes);
        const auto read = [&] {
            name.ends_with(".TXW") ? void(tvx::readWorldFile(dir.file(name)))
                                   : void(tvx::readImageFile(dir.file(name)));
        };
        EXPECT_NE(tovex_test::thrownText(read), "(nothing thrown)") << name;
    }
    EXPECT_FALSE(tvx::readWorldFile(dir.file("missing.TXW")).has_value());
}

}  // namespace
