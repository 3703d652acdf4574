// The reference host as a user runs it: a separate process that loads the module,
// reads a lossless file tile by tile and writes the level as PNM.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "host/library_decode.h"

namespace {

struct Pnm {
    std::string magic;
    unsigned width = 0;
    unsigned height = 0;
    unsigned maximum = 0;
    std::vector<std::uint8_t> samples;
};

Pnm readPnm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Pnm pnm;
    in >> pnm.magic >> pnm.width >> pnm.height >> pnm.maximum;
    in.get();  // the single white-space byte before the samples
    pnm.samples.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return pnm;
}

int runAmhost(const std::string& arguments, const std::string& log) {
    const std::string command = std::string("'") + AMHOST_PROGRAM + "' --module '" +
                                TVX_READER_MODULE + "' " + arguments + " >'" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint8_t> interleaved(const TestImage& image) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < std::size_t{image.width} * image.height; ++i)
        for (const auto& component : image.components)
            out.push_back(static_cast<std::uint8_t>(component[i]));
    return out;
}

}  // namespace

TEST(Amhost, LosslessColourFileAtFullWidthReproducesThePng) {
    const TestImage astronaut = loadPng("astronaut.png", true);
    ASSERT_FALSE(astronaut.empty());
    tovex_test::TempDir dir;
    const std::string file = dir.file("astronaut.tvx");
    Corvane::encodeTG3File(astronaut, Corvane::TG3EncodeOptions{}, file);

    const std::string full = dir.file("full.pnm");
    ASSERT_EQ(runAmhost("'" + file + "' --width 512 --output '" + full + "'", dir.file("log")), 0);
    const Pnm image = readPnm(full);
    EXPECT_EQ(image.magic, "P6");
    EXPECT_EQ(image.width, 512u);
    EXPECT_EQ(image.height, 512u);
    EXPECT_EQ(image.maximum, 255u);
    EXPECT_TRUE(image.samples == interleaved(astronaut));

    // Half the width is level 1, as the library decodes it and as --level 1 asks.
    const std::string half = dir.file("half.pnm");
    const std::string level1 = dir.file("level1.pnm");
    ASSERT_EQ(runAmhost("'" + file + "' --width 256 --output '" + half + "'", dir.file("log")), 0);
    ASSERT_EQ(runAmhost("'" + file + "' --level 1 --output '" + level1 + "'", dir.file("log")), 0);
    const Pnm halfImage = readPnm(half);
    EXPECT_EQ(halfImage.width, 256u);
    EXPECT_EQ(halfImage.height, 256u);
    EXPECT_EQ(halfImage.samples.size(), 256u * 256u * 3u);
    EXPECT_TRUE(halfImage.samples == host_test::libraryDecode(file, 1, 3).samples);
    EXPECT_TRUE(halfImage.samples == readPnm(level1).samples);
}

TEST(Amhost, GreyFileGivesP5AndFailuresGiveStatusOne) {
    const TestImage camera = loadPng("camera.png", false);
    ASSERT_FALSE(camera.empty());
    tovex_test::TempDir dir;
    const std::string file = dir.file("camera.tvx");
    Corvane::encodeTG3File(cropImage(camera, 0, 0, 130, 70), Corvane::TG3EncodeOptions{}, file);
    const std::string out = dir.file("camera.pnm");
    ASSERT_EQ(runAmhost("'" + file + "' --output '" + out + "'", dir.file("log")), 0);
    const Pnm image = readPnm(out);
    EXPECT_EQ(image.magic, "P5");
    EXPECT_EQ(image.width, 130u);
    EXPECT_EQ(image.height, 70u);
    EXPECT_TRUE(image.samples == interleaved(cropImage(camera, 0, 0, 130, 70)));

    EXPECT_EQ(runAmhost("'" + dir.file("missing.tvx") + "'", dir.file("log")), 1);
    EXPECT_EQ(runAmhost("", dir.file("log")), 2);
    // Levels past 31 would shift a 32-bit width by its own size or more.
    for (const char* level : {"32", "64", "-1"}) {
        EXPECT_EQ(runAmhost("'" + file + "' --level " + level, dir.file("log")), 2) << level;
        std::ifstream log(dir.file("log"));
        const std::string text((std::istreambuf_iterator<char>(log)), {});
        EXPECT_NE(text.find("amhost: level must be 0 to 31"), std::string::npos) << text;
    }
}
