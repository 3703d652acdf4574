// Files and paths that `tvx` must refuse, each with the line that tells the user why:
// made at test time from a real image by the encoder and a few patched or cut bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "cli_runner.h"
#include "common/temp_dir.h"

namespace {

using tovex_test::TempDir;
using Bytes = std::string;

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t bigEndian32(const Bytes& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | std::uint8_t(bytes.at(at + i));
    return value;
}

void putBigEndian(Bytes& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i, value >>= 8) bytes.at(at + i) = char(value & 0xFF);
}

// The header packet's payload of a 512 x 512 TG3 file: bitflags, then width and height.
std::size_t tg3SizeFieldsOf(const Bytes& file) {
    const std::string sizes("\0\0\2\0\0\0\2\0", 8);
    const std::size_t at = file.find(sizes);
    EXPECT_NE(at, std::string::npos);
    return at;
}

constexpr std::size_t kLevelsField = 8, kSubblockField = 12;
constexpr std::size_t kHeaderPayloadAfterSizes = 40 - 8;

struct Sources {
    TempDir dir;
    Bytes tg3, tg2;
    Sources() {
        const std::string camera = std::string(TOVEX_TEST_DATA_DIR) + "/camera.png";
        EXPECT_EQ(tvx_test::runTvx({"encode", "--quiet", "--levels", "3", "--subblock", "16",
                                    camera, dir.file("tg3.tvx")})
                      .status,
                  0);
        EXPECT_EQ(tvx_test::runTvx({"encode", "--quiet", "--gen", "2", camera, dir.file("tg2.tvx")})
                      .status,
                  0);
        tg3 = readBytes(dir.file("tg3.tvx"));
        tg2 = readBytes(dir.file("tg2.tvx"));
    }
};

struct Case {
    const char* name;
    const char* command;
    // Makes the input in the directory and answers its path.
    std::function<std::string(const Sources&, const TempDir&)> make;
    int status;
    // What follows "tvx: " on standard error; "$" stands for the input's path.
    std::string message;
};

std::string patched(const Sources& s, const TempDir& dir, std::size_t field, std::uint32_t value,
                    int size) {
    Bytes bytes = s.tg3;
    putBigEndian(bytes, tg3SizeFieldsOf(bytes) + field, value, size);
    tovex_test::writeFile(dir.file("in.tvx"), bytes);
    return dir.file("in.tvx");
}

std::string withText(std::string message, const std::string& path) {
    const std::size_t at = message.find('$');
    if (at != std::string::npos) message.replace(at, 1, path);
    return message;
}

}  // namespace

TEST(TvxCliRefusals, EachBadInputGetsItsOwnReason) {
    const Sources sources;
    const std::string planesEnd =
        "[4][2209]Invalid image data. the plane records end before every sub-block has its "
        "planes\n";
    const Case cases[] = {
        {"missing file", "info",
         [](const Sources&, const TempDir& d) { return d.file("nope.tvx"); }, 1,
         "Cannot open $: No such file or directory ([4][2368]Cannot open file.)\n"},
        {"directory", "info", [](const Sources&, const TempDir& d) { return d.path().string(); }, 1,
         "Cannot open $: Is a directory ([4][2368]Cannot open file.)\n"},
        // Opening a FIFO that no one writes to would wait for a writer for ever.
        {"fifo without a writer", "info",
         [](const Sources&, const TempDir& d) {
             EXPECT_EQ(mkfifo(d.file("fifo").c_str(), 0600), 0);
             return d.file("fifo");
         },
         1, "Cannot open $: not a regular file ([4][2368]Cannot open file.)\n"},
        {"TG3 width 2", "decode",
         [](const Sources& s, const TempDir& d) { return patched(s, d, 0, 2, 4); }, 1,
         "[4][2208]Unsupported image format. an image narrower or lower than 3 pixels\n"},
        {"TG3 height 1", "decode",
         [](const Sources& s, const TempDir& d) { return patched(s, d, 4, 1, 4); }, 1,
         "[4][2208]Unsupported image format. an image narrower or lower than 3 pixels\n"},
        {"TG3 40 levels", "decode",
         [](const Sources& s, const TempDir& d) { return patched(s, d, kLevelsField, 40, 1); }, 1,
         "[4][2204]Unsupported feature: 40 wavelet levels (at most 31).\n"},
        {"TG3 levels beyond the coded ones", "decode",
         [](const Sources& s, const TempDir& d) { return patched(s, d, kLevelsField, 5, 1); }, 1,
         planesEnd},
        {"TG3 sub-blocks smaller than the coded ones", "decode",
         [](const Sources& s, const TempDir& d) { return patched(s, d, kSubblockField, 8, 2); }, 1,
         planesEnd},
        {"TG3 cut right after its header packet", "decode",
         [](const Sources& s, const TempDir& d) {
             const std::size_t end = tg3SizeFieldsOf(s.tg3) + kHeaderPayloadAfterSizes;
             tovex_test::writeFile(d.file("in.tvx"), s.tg3.substr(0, end));
             return d.file("in.tvx");
         },
         1, "[4][2209]Invalid image data. the file holds no coded planes for its image\n"},
        // The pointer after the chunk table leads to the metadata block; the image data
        // stand before it, so a file cut inside the block still decodes.
        {"TG2 metadata cut short", "info",
         [](const Sources& s, const TempDir& d) {
             const std::uint32_t levels = bigEndian32(s.tg2, 11);
             const std::uint32_t block = bigEndian32(s.tg2, 12 * levels + 29);
             tovex_test::writeFile(d.file("in.tvx"), s.tg2.substr(0, block + 20));
             return d.file("in.tvx");
         },
         0, "warning: the metadata block of $ is cut short; its metadata were not read\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        const std::string input = c.make(sources, dir);
        std::vector<std::string> arguments{c.command, input};
        if (std::string(c.command) == "decode") arguments.push_back(dir.file("out.pgm"));
        const tvx_test::RunResult result = tvx_test::runTvx(arguments);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, "tvx: " + withText(c.message, input));
    }
}
