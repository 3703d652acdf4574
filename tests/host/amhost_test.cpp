// The reference host as a user runs it: a separate process that loads the module,
// reads a lossless file tile by tile and writes the level as PNM.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg3/tg3_fileEncoder.h"

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
    // The written level as the tests' own loader reads it (a name below the data folder).
    auto read = [&](const std::string& file, const std::string& options) {
        EXPECT_EQ(
            run("'" + dir.file(file) + "' " + options + " --output '" + dir.file("o.pnm") + "'"),
            0);
        return loadPnm(std::filesystem::relative(dir.file("o.pnm"), TOVEX_TEST_DATA_DIR));
    };
    const TestImage whole = read("astronaut.tvx", "--width 512"), odd = read("camera.tvx", "");
    EXPECT_EQ(std::tie(whole.width, whole.height, whole.components),
              std::tie(astronaut.width, astronaut.height, astronaut.components));
    EXPECT_EQ(std::tie(odd.width, odd.height, odd.components),
              std::tie(camera.width, camera.height, camera.components));
    // Half the width is level 1, as --level 1 asks.
    const TestImage half = read("astronaut.tvx", "--width 256");
    EXPECT_EQ(half.width, 256u);
    EXPECT_EQ(half.components, read("astronaut.tvx", "--level 1").components);

    EXPECT_EQ(run("'" + dir.file("missing.tvx") + "'"), 1);
    EXPECT_EQ(run(""), 2);
    // Levels past 31 would shift a 32-bit width by its own size or more.
    for (const char* level : {"32", "-1"}) {
        EXPECT_EQ(run("'" + dir.file("camera.tvx") + "' --level " + level), 2) << level;
        std::ostringstream text;
        text << std::ifstream(log).rdbuf();
        EXPECT_NE(text.str().find("amhost: level must be 0 to 31"), std::string::npos)
            << text.str();
    }
}
