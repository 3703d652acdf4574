// The reference host as a user runs it: a separate process that loads the module,
// reads a lossless file tile by tile and writes the level as PNM.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg3/tg3_fileEncoder.h"

namespace {

// The header line "P6 512 512 255" and the samples.
std::pair<std::string, std::string> readPnm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic, width, height, maximum;
    in >> magic >> width >> height >> maximum;
    in.get();  // the single white-space byte before the samples
    return {magic + " " + width + " " + height + " " + maximum,
            std::string(std::istreambuf_iterator<char>(in), {})};
}

std::string interleaved(const TestImage& image) {
    std::string out;
    for (std::size_t i = 0; i < std::size_t{image.width} * image.height; ++i)
        for (const auto& component : image.components) out.push_back(char(component[i]));
    return out;
}

TEST(Amhost, LosslessFilesReproduceTheirSourceAndFailuresGiveTheirStatus) {
    tovex_test::TempDir dir;
    const TestImage astronaut = loadPng("astronaut.png", true);
    const TestImage camera = cropImage(loadPng("camera.png", false), 0, 0, 130, 70);
    Corvane::encodeTG3File(astronaut, {}, dir.file("astronaut.tvx"));
    Corvane::encodeTG3File(camera, {}, dir.file("camera.tvx"));
    const std::string log = dir.file("log");
    auto run = [&](const std::string& arguments) {
        const std::string command = std::string("'") + AMHOST_PROGRAM + "' --module '" +
                                    TVX_READER_MODULE + "' " + arguments + " >'" + log + "' 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto read = [&](const std::string& file, const std::string& options) {
        EXPECT_EQ(
            run("'" + dir.file(file) + "' " + options + " --output '" + dir.file("o.pnm") + "'"), 0)
            << options;
        return readPnm(dir.file("o.pnm"));
    };
    EXPECT_EQ(read("astronaut.tvx", "--width 512"),
              std::make_pair(std::string("P6 512 512 255"), interleaved(astronaut)));
    EXPECT_EQ(read("camera.tvx", ""),
              std::make_pair(std::string("P5 130 70 255"), interleaved(camera)));
    // Half the width is level 1, as --level 1 asks.
    const auto half = read("astronaut.tvx", "--width 256");
    EXPECT_EQ(half.first, "P6 256 256 255");
    EXPECT_EQ(half.second.size(), 256u * 256u * 3u);
    EXPECT_EQ(half, read("astronaut.tvx", "--level 1"));

    EXPECT_EQ(run("'" + dir.file("missing.tvx") + "'"), 1);
    EXPECT_EQ(run(""), 2);
    // Levels past 31 would shift a 32-bit width by its own size or more.
    for (const char* level : {"32", "-1"}) {
        EXPECT_EQ(run("'" + dir.file("camera.tvx") + "' --level " + level), 2) << level;
        std::ifstream in(log);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(text.find("amhost: level must be 0 to 31"), std::string::npos) << text;
    }
}

}  // namespace
