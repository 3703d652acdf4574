// The tool's georeferencing paths beyond the plain north-up case: a rotated world file
// beside a TG3 file gives a GeoTIFF with a full transformation matrix, and a CMYK
// TIFF keeps its four bands through a lossless TG3 file and a TG2 file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "cli_runner.h"
#include "common/temp_dir.h"
#include "common/test_images.h"
#include "tvx_inputImage.h"
#include "tvx_rasterWriter.h"

namespace {

using tovex_test::TempDir;
using tvx_test::runTvx;

TEST(TvxCliGeo, ARotatedWorldFileBecomesAModelTransformation) {
    TempDir dir;
    ASSERT_EQ(runTvx({"encode", "--quiet", std::string(TOVEX_TEST_DATA_DIR) + "/camera.png",
                      dir.file("r.tvx")})
                  .status,
              0);
    // 30 degrees of rotation with 2 m pixels: x = 1.732 i + 1 j + 1000, y = 1 i - 1.732 j + 5000.
    const double c = 2.0 * std::cos(std::numbers::pi / 6), s = 2.0 * std::sin(std::numbers::pi / 6);
    tovex_test::writeFile(dir.file("r.TXW"), std::to_string(c) + "\n" + std::to_string(s) + "\n" +
                                                 std::to_string(s) + "\n" + std::to_string(-c) +
                                                 "\n1000\n5000\n");
    ASSERT_EQ(
        runTvx({"decode", "--quiet", "--level", "1", dir.file("r.tvx"), dir.file("r.tif")}).status,
        0);
    const tvx::InputImage back = tvx::readTiff(dir.file("r.tif"));
    ASSERT_TRUE(back.geo.has_value());
    EXPECT_TRUE(back.geo->rotated());
    // At level 1 every term doubles and the first centre moves half a full pixel
    // along both axes: (0.5, 0.5) in full-resolution pixels.
    EXPECT_NEAR(back.geo->xResolution, 2 * std::stod(std::to_string(c)), 1e-9);
    EXPECT_NEAR(back.geo->xRotation, 2 * std::stod(std::to_string(s)), 1e-9);
    EXPECT_NEAR(back.geo->yRotation, 2 * std::stod(std::to_string(s)), 1e-9);
    EXPECT_NEAR(back.geo->xUL, 1000 + 0.5 * c + 0.5 * s, 1e-4);
    EXPECT_NEAR(back.geo->yUL, 5000 + 0.5 * s - 0.5 * c, 1e-4);
}

TEST(TvxCliGeo, CmykKeepsItsFourBandsInBothGenerations) {
    TempDir dir;
    const Corvane::RasterImage chelsea = loadPng("chelsea.png", true);
    // CMYK samples from the RGB picture, the fourth the darkest of the three.
    Corvane::RasterImage cmyk;
    cmyk.width = chelsea.width;
    cmyk.height = chelsea.height;
    cmyk.components.assign(4, std::vector<std::int32_t>(chelsea.components[0].size()));
    for (std::size_t i = 0; i < cmyk.components[0].size(); ++i) {
        std::int32_t k = 255;
        for (int b = 0; b < 3; ++b) {
            cmyk.components[b][i] = 255 - chelsea.components[b][i];
            k = std::min(k, cmyk.components[b][i]);
        }
        cmyk.components[3][i] = k;
    }
    {
        auto writer = tvx::createRasterWriter(dir.file("in.tif"),
                                              {cmyk.width, cmyk.height, 4, 8, std::nullopt});
        std::vector<std::uint8_t> row(std::size_t{cmyk.width} * 4);
        for (std::uint32_t y = 0; y < cmyk.height; ++y) {
            for (std::uint32_t x = 0; x < cmyk.width; ++x)
                for (int b = 0; b < 4; ++b)
                    row[x * 4 + b] = static_cast<std::uint8_t>(
                        cmyk.components[b][std::size_t{y} * cmyk.width + x]);
            writer->writeRows(row.data(), row.size(), 1);
        }
        writer->finish();
    }
    ASSERT_EQ(runTvx({"encode", "--quiet", dir.file("in.tif"), dir.file("k.tvx")}).status, 0);
    const auto info = runTvx({"info", dir.file("k.tvx")});
    EXPECT_NE(info.out.find("Colour scheme: CMYK"), std::string::npos) << info.out;
    ASSERT_EQ(runTvx({"decode", "--quiet", dir.file("k.tvx"), dir.file("out.tif")}).status, 0);
    EXPECT_TRUE(tvx::readTiff(dir.file("out.tif")).raster.components == cmyk.components);
    // PNG cannot hold four bands: refused, nothing written.
    const auto png = runTvx({"decode", "--quiet", dir.file("k.tvx"), dir.file("out.png")});
    EXPECT_EQ(png.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.png")));

    // TG2 keeps the four bands too, within its quantiser's error, in TIFF and PAM.
    ASSERT_EQ(
        runTvx({"encode", "--quiet", "--gen", "2", dir.file("in.tif"), dir.file("k2.tvx")}).status,
        0);
    for (const char* name : {"k2.tif", "k2.pam"}) {
        SCOPED_TRACE(name);
        const auto decoded = runTvx({"decode", "--quiet", dir.file("k2.tvx"), dir.file(name)});
        ASSERT_EQ(decoded.status, 0) << decoded.err;
        const Corvane::RasterImage back = tvx::readImageFile(dir.file(name)).raster;
        ASSERT_EQ(back.components.size(), 4u);
        int largest = 0;
        for (int b = 0; b < 4; ++b)
            for (std::size_t i = 0; i < back.components[b].size(); ++i)
                largest =
                    std::max(largest, std::abs(back.components[b][i] - cmyk.components[b][i]));
        EXPECT_LE(largest, 3);
    }
}

TEST(TvxCliGeo, SixteenBitGreyTiffRoundTripsThroughPgm) {
    TempDir dir;
    const std::string source = std::string(TOVEX_TEST_DATA_DIR) + "/chessboard_GRAY_U16.tif";
    const tvx::InputImage original = tvx::readTiff(source);
    ASSERT_EQ(original.raster.bitsPerSample, 16);
    ASSERT_EQ(original.raster.bandCount(), 1u);
    ASSERT_EQ(runTvx({"encode", "--quiet", source, dir.file("b.tvx")}).status, 0);
    ASSERT_EQ(runTvx({"decode", "--quiet", dir.file("b.tvx"), dir.file("b.pgm")}).status, 0);
    const Corvane::RasterImage decoded =
        loadPnm(std::filesystem::relative(dir.file("b.pgm"), TOVEX_TEST_DATA_DIR).string());
    EXPECT_EQ(decoded.bitsPerSample, 16);
    EXPECT_TRUE(decoded.components == original.raster.components);
}

}  // namespace
