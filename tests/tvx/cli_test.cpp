// The `tvx` binary end to end: encode then decode round trips of real images, crops
// against the library's own decode, GeoTIFF georeferencing, failures that leave no
// file behind, usage errors and the JSON of `tvx info`.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli_runner.h"
#include "common/temp_dir.h"
#include "common/test_images.h"
#include "reader/cv_tvxFileImageReader.h"
#include "tg3/decoder/decode_support.h"
#include "tvx_inputImage.h"
#include "tvx_rasterWriter.h"

namespace {

using tovex_test::TempDir;
using tvx_test::runTvx;

std::string dataPath(const std::string& name) {
    return std::string(TOVEX_TEST_DATA_DIR) + "/" + name;
}

// The loaders of tests/common take names below the data folder.
std::string relativeToData(const std::string& path) {
    return std::filesystem::relative(path, TOVEX_TEST_DATA_DIR).string();
}

void expectSuccess(const tvx_test::RunResult& result) {
    EXPECT_EQ(result.status, 0) << result.err;
}

double psnr(const Corvane::RasterImage& a, const Corvane::RasterImage& b) {
    double squared = 0;
    std::size_t count = 0;
    for (std::size_t c = 0; c < a.bandCount(); ++c)
        for (std::size_t i = 0; i < a.components[c].size(); ++i) {
            const double d = a.components[c][i] - b.components[c][i];
            squared += d * d;
            ++count;
        }
    const double peak = (1 << a.bitsPerSample) - 1;
    return squared == 0 ? INFINITY : 10.0 * std::log10(peak * peak * count / squared);
}

int largestError(const Corvane::RasterImage& a, const Corvane::RasterImage& b) {
    int largest = 0;
    for (std::size_t c = 0; c < a.bandCount(); ++c)
        for (std::size_t i = 0; i < a.components[c].size(); ++i)
            largest = std::max(largest, std::abs(a.components[c][i] - b.components[c][i]));
    return largest;
}

std::vector<std::int32_t> interleaved(const Corvane::RasterImage& image) {
    std::vector<std::int32_t> samples;
    for (std::size_t p = 0; p < std::size_t{image.width} * image.height; ++p)
        for (const auto& plane : image.components) samples.push_back(plane[p]);
    return samples;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TvxCli, LosslessTG3GivesBackThePngPixels) {
    TempDir dir;
    for (const bool rgb : {false, true}) {
        const std::string name = rgb ? "chelsea.png" : "camera.png";
        SCOPED_TRACE(name);
        expectSuccess(runTvx({"encode", "--quiet", dataPath(name), dir.file("a.tvx")}));
        expectSuccess(runTvx({"decode", "--quiet", dir.file("a.tvx"), dir.file("a.png")}));
        const Corvane::RasterImage source = loadPng(name, rgb);
        const Corvane::RasterImage decoded = loadPng(relativeToData(dir.file("a.png")), rgb);
        ASSERT_FALSE(decoded.empty());
        EXPECT_TRUE(source.components == decoded.components);
    }
}

TEST(TvxCli, SixteenBitPpmRoundTripsExactlyAndStaysSixteenBit) {
    TempDir dir;
    const Corvane::RasterImage source = loadPnm("flower_rgb16_crop.ppm");
    ASSERT_EQ(source.bitsPerSample, 16);
    expectSuccess(
        runTvx({"encode", "--quiet", dataPath("flower_rgb16_crop.ppm"), dir.file("f.tvx")}));
    for (const char* threads : {"1", "3"}) {
        expectSuccess(runTvx(
            {"decode", "--quiet", "--threads", threads, dir.file("f.tvx"), dir.file("f.ppm")}));
        const Corvane::RasterImage decoded = loadPnm(relativeToData(dir.file("f.ppm")));
        EXPECT_EQ(decoded.bitsPerSample, 16);
        EXPECT_TRUE(source.components == decoded.components) << threads << " threads";
    }
    // The 16-bit PNG holds the same samples.
    expectSuccess(runTvx({"decode", "--quiet", dir.file("f.tvx"), dir.file("f.png")}));
    const tvx::InputImage png = tvx::readPng(dir.file("f.png"));
    EXPECT_EQ(png.raster.bitsPerSample, 16);
    EXPECT_TRUE(source.components == png.raster.components);
}

// Lossy bounds: a quality target of Q dB is met (peak 255); a rate of B bits per
// pixel is not exceeded and still gives at least 28 dB on the camera image; TG2
// with step 0.5 stays within one grey value and its default step within 40 dB.
TEST(TvxCli, LossyFilesMeetTheirTargets) {
    TempDir dir;
    const Corvane::RasterImage camera = loadPng("camera.png", false);
    auto roundTrip = [&](std::vector<std::string> options) {
        std::vector<std::string> encode{"encode", "--quiet"};
        encode.insert(encode.end(), options.begin(), options.end());
        encode.push_back(dataPath("camera.png"));
        encode.push_back(dir.file("c.tvx"));
        std::filesystem::remove(dir.file("c.pgm"));
        expectSuccess(runTvx(encode));
        expectSuccess(runTvx({"decode", "--quiet", dir.file("c.tvx"), dir.file("c.pgm")}));
        return loadPnm(relativeToData(dir.file("c.pgm")));
    };
    EXPECT_GE(psnr(camera, roundTrip({"--quality", "38"})), 38.0);
    const Corvane::RasterImage atOneBit = roundTrip({"--bpp", "1"});
    EXPECT_LE(std::filesystem::file_size(dir.file("c.tvx")), 512u * 512u / 8u);
    EXPECT_GE(psnr(camera, atOneBit), 28.0);

    EXPECT_LE(largestError(camera, roundTrip({"--gen", "2", "--step", "0.5"})), 1);
    EXPECT_GE(psnr(camera, roundTrip({"--gen", "2"})), 40.0);
    const Corvane::RasterImage tg2AtOneBit = roundTrip({"--gen", "2", "--bpp", "1"});
    EXPECT_LE(std::filesystem::file_size(dir.file("c.tvx")), 512u * 512u / 8u);
    EXPECT_GE(psnr(camera, tg2AtOneBit), 28.0);
}

TEST(TvxCli, WindowsAndLevelsAreCropsOfTheLibrarysDecode) {
    TempDir dir;
    expectSuccess(runTvx({"encode", "--quiet", dataPath("chelsea.png"), dir.file("c.tvx")}));
    Corvane::TvxFileImageReader reader(Corvane::FileSpecification(dir.file("c.tvx")), 0);
    struct Case {
        std::vector<std::string> options;
        std::int32_t level;
        Corvane::Scene box;  // inclusive, in pixels of the level
    };
    const Case cases[] = {
        {{"--level", "1"}, 1, Corvane::Scene(0, 0, 0, 225, 149, 0)},
        {{"--level", "2", "--window", "13,7,50,41"}, 2, Corvane::Scene(13, 7, 0, 62, 47, 0)},
        {{"--window", "300,250,151,50", "--threads", "2"},
         0,
         Corvane::Scene(300, 250, 0, 450, 299, 0)},
        // The host's rule: the coarsest level at least 100 pixels wide (451 -> 226 -> 113).
        {{"--width", "100"}, 2, Corvane::Scene(0, 0, 0, 112, 74, 0)},
        {{"--width", "114"}, 1, Corvane::Scene(0, 0, 0, 225, 149, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options[0] + " " + c.options[1]);
        std::vector<std::string> arguments{"decode", "--quiet"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.push_back(dir.file("c.tvx"));
        arguments.push_back(dir.file("c.ppm"));
        expectSuccess(runTvx(arguments));
        const Corvane::RasterImage written = loadPnm(relativeToData(dir.file("c.ppm")));
        ASSERT_EQ(written.width, static_cast<std::uint32_t>(c.box.width()));
        ASSERT_EQ(written.height, static_cast<std::uint32_t>(c.box.height()));
        const auto whole =
            tovex_test::decodeScene(reader, c.level, tovex_test::levelBox(reader, c.level));
        const std::int64_t levelWidth = tovex_test::levelBox(reader, c.level).width();
        EXPECT_EQ(interleaved(written), tovex_test::cut(whole, levelWidth, 3, c.box));
    }
}

TEST(TvxCli, GeoTiffInputCarriesItsGeoreferenceThroughToGeoTiffOutput) {
    TempDir dir;
    const Corvane::RasterImage camera = loadPng("camera.png", false);
    // A GeoTIFF input made by the tool's writer: 2 m pixels, upper-left centre given.
    const tvx::GeoReference geo{2.0, 2.0, 0.0, 0.0, 500001.0, 4199999.0};
    {
        auto writer = tvx::createRasterWriter(dir.file("in.tif"), {512, 512, 1, 8, geo});
        std::vector<std::uint8_t> rows(camera.components[0].begin(), camera.components[0].end());
        writer->writeRows(rows.data(), 512, 512);
        writer->finish();
    }
    expectSuccess(runTvx({"encode", "--quiet", dir.file("in.tif"), dir.file("g.tvx")}));
    const auto info = runTvx({"info", dir.file("g.tvx")});
    expectSuccess(info);
    EXPECT_NE(info.out.find("origin: 500001, 4199999"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Georeferencing (from the file)"), std::string::npos) << info.out;

    expectSuccess(runTvx({"decode", "--quiet", dir.file("g.tvx"), dir.file("full.tif")}));
    const tvx::InputImage full = tvx::readTiff(dir.file("full.tif"));
    ASSERT_TRUE(full.geo.has_value());
    EXPECT_EQ(*full.geo, geo);
    EXPECT_TRUE(full.raster.components == camera.components);

    // Level 1: 4 m pixels whose first centre lies 1 m inside the image's corner.
    expectSuccess(runTvx({"decode", "--quiet", "--level", "1", "--window", "10,20,30,40",
                          dir.file("g.tvx"), dir.file("part.tif")}));
    const tvx::InputImage part = tvx::readTiff(dir.file("part.tif"));
    ASSERT_TRUE(part.geo.has_value());
    EXPECT_DOUBLE_EQ(part.geo->xResolution, 4.0);
    EXPECT_DOUBLE_EQ(part.geo->yResolution, 4.0);
    EXPECT_DOUBLE_EQ(part.geo->xUL, 500000.0 + 2.0 + 10 * 4.0);
    EXPECT_DOUBLE_EQ(part.geo->yUL, 4200000.0 - 2.0 - 20 * 4.0);
}

TEST(TvxCli, ListgeoReportsTheWorldFilesOriginAndPixelSize) {
    if (std::system("command -v listgeo >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "listgeo (geotiff-bin) is not installed";
    TempDir dir;
    tovex_test::writeFile(dir.file("c.wld"), "0.25\n0\n0\n-0.25\n612345.125\n5432109.875\n");
    expectSuccess(runTvx({"encode", "--quiet", "--world", dir.file("c.wld"), "--write-world",
                          dataPath("camera.png"), dir.file("c.tvx")}));
    EXPECT_EQ(fileBytes(dir.file("c.TXW")).substr(0, 5), "0.25\n");
    expectSuccess(runTvx({"decode", "--quiet", dir.file("c.tvx"), dir.file("c.tif")}));
    const std::string listing = dir.file("listing.txt");
    ASSERT_EQ(
        std::system(("listgeo " + dir.file("c.tif") + " >" + listing + " 2>/dev/null").c_str()), 0);
    const std::string text = fileBytes(listing);
    EXPECT_NE(text.find("612345.125"), std::string::npos) << text;
    EXPECT_NE(text.find("5432109.875"), std::string::npos) << text;
    EXPECT_NE(text.find("ModelPixelScaleTag"), std::string::npos) << text;
    EXPECT_NE(text.find("0.25"), std::string::npos) << text;
}

TEST(TvxCli, AFailedDecodeLeavesNoFileAndExitsOne) {
    TempDir dir;
    expectSuccess(runTvx({"encode", "--quiet", dataPath("chelsea.png"), dir.file("c.tvx")}));
    const std::string bytes = fileBytes(dir.file("c.tvx"));
    tovex_test::writeFile(dir.file("cut.tvx"), bytes.substr(0, bytes.size() / 2));
    const auto before = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    for (const char* output : {"out.png", "out.tif", "out.ppm"}) {
        const auto result = runTvx({"decode", "--quiet", dir.file("cut.tvx"), dir.file(output)});
        EXPECT_EQ(result.status, 1) << output;
        EXPECT_EQ(result.err.rfind("tvx: ", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), before)
            << output << " left a file behind";
    }
    const auto missing = runTvx({"info", dir.file("missing.tvx")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot open file."), std::string::npos) << missing.err;
}

TEST(TvxCli, UsageErrorsExitTwoWithTheUsageLine) {
    TempDir dir;
    expectSuccess(runTvx({"encode", "--quiet", dataPath("camera.png"), dir.file("c.tvx")}));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"info"},
        {"info", "--colour", dir.file("c.tvx")},
        {"decode", dir.file("c.tvx")},
        {"decode", dir.file("c.tvx"), dir.file("c.jpg")},
        {"decode", "--window", "1,2,3", dir.file("c.tvx"), dir.file("c.png")},
        {"decode", "--level", "1", "--width", "9", dir.file("c.tvx"), dir.file("c.png")},
        {"decode", "--level", "x", dir.file("c.tvx"), dir.file("c.png")},
        {"decode", "--threads", "0", dir.file("c.tvx"), dir.file("c.png")},
        {"encode", "--gen", "4", dataPath("camera.png"), dir.file("d.tvx")},
        {"encode", "--quality", "30", "--bpp", "1", dataPath("camera.png"), dir.file("d.tvx")},
        {"encode", "--order", "sideways", dataPath("camera.png"), dir.file("d.tvx")},
    };
    for (const auto& arguments : cases) {
        const auto result = runTvx(arguments);
        std::string line;
        for (const auto& a : arguments) line += a + " ";
        EXPECT_EQ(result.status, 2) << line << "\n" << result.err;
        EXPECT_NE(result.err.find("usage: tvx"), std::string::npos) << line;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("d.tvx")));
    for (const char* command : {"info", "decode", "encode"}) {
        const auto help = runTvx({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find("usage: tvx " + std::string(command)), std::string::npos);
    }
}

TEST(TvxCli, InfoJsonParsesAndAgreesWithTheImage) {
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    TempDir dir;
    tovex_test::writeFile(dir.file("c.wld"), "1.5\n0\n0\n-1.5\n-20.25\n75.5\n");
    expectSuccess(runTvx({"encode", "--quiet", "--levels", "3", "--world", dir.file("c.wld"),
                          dataPath("chelsea.png"), dir.file("c \"quoted\".tvx")}));
    for (const char* generation : {"3", "2"}) {
        expectSuccess(
            runTvx({"encode", "--quiet", "--levels", "3", "--gen", generation, "--world",
                    dir.file("c.wld"), dataPath("chelsea.png"), dir.file("c \"quoted\".tvx")}));
        const auto info = runTvx({"info", "--json", dir.file("c \"quoted\".tvx")});
        expectSuccess(info);
        tovex_test::writeFile(dir.file("info.json"), info.out);
        // The checks run in Python on the parsed object; any failure exits non-zero.
        const std::string script =
            "import json,sys\n"
            "d=json.load(open(sys.argv[1]))\n"
            "assert d['generation']==" +
            std::string(generation) +
            ", d['generation']\n"
            "assert (d['width'],d['height'],d['bands'])==(451,300,3)\n"
            "assert d['level_count']==3 and len(d['levels'])==4\n"
            "assert (d['levels'][3]['width'],d['levels'][3]['height'])==(57,38)\n"
            "g=d['georeferencing']\n"
            "assert g['origin']==[-20.25,75.5] and g['resolution']==[1.5,1.5], g\n"
            "assert isinstance(d['metadata'],list)\n"
            "assert d['file'].endswith('c \"quoted\".tvx')\n";
        tovex_test::writeFile(dir.file("check.py"), script);
        EXPECT_EQ(std::system(("python3 " + dir.file("check.py") + " " + dir.file("info.json") +
                               " 2>" + dir.file("py.err"))
                                  .c_str()),
                  0)
            << info.out << fileBytes(dir.file("py.err"));
    }
}

}  // namespace
