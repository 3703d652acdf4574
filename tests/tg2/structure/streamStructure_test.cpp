#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "encode/tg2/structure/tg2_streamWriter.h"
#include "metadata/cv_byteVectorStream.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"
#include "support/cv_messages.h"
#include "tg2/structure/tg2_streamStructure.h"

using namespace Corvane;

namespace {

// `bands` bands over `levels` levels of a 301 x 203 image of random small indices,
// in blocks and sub-blocks that do not divide the subbands evenly. The decoder's
// round trips read such streams whole; these tests damage them.
TG2StreamInput sampleInput(std::uint32_t bands, std::uint32_t levels) {
    std::mt19937 rng(2024);
    TG2StreamInput input;
    input.bandCount = bands;
    input.levelCount = levels;
    input.width = 301;
    input.height = 203;
    for (std::uint32_t i = 0; i <= 3 * levels; ++i) {
        const TG2PlaneSize size = tg2SubbandPlaneSize(input.width, input.height, levels, i);
        TG2SubbandInput subband;
        subband.width = size.width;
        subband.height = size.height;
        subband.blockWidth = 40;
        subband.blockHeight = 30;
        subband.subBlockWidth = 15;
        subband.subBlockHeight = 11;
        for (std::uint32_t b = 0; b < bands; ++b) {
            subband.bands.emplace_back(std::size_t{size.width} * size.height);
            for (auto& v : subband.bands.back()) v = static_cast<std::int32_t>(rng() % 21) - 10;
            subband.steps.push_back(0.5f + static_cast<float>(b));
        }
        input.subbands.push_back(std::move(subband));
    }
    return input;
}

std::string text(int family, int index) {
    return getMessageText(messageCode(family, index));
}

}  // namespace

TEST(TG2StreamStructure, MalformedStreamsAreRefusedWithTheirMessages) {
    const std::vector<std::uint8_t> good = writeTG2Stream(sampleInput(2, 1));
    auto u32At = [&](std::size_t at) {
        return std::size_t{good[at]} << 24 | std::size_t{good[at + 1]} << 16 |
               std::size_t{good[at + 2]} << 8 | good[at + 3];
    };
    const std::size_t chunk0 = u32At(23);
    const std::size_t segment0 = u32At(chunk0 + 8);  // band 0 of block 0
    std::size_t symbols = 0;
    for (int j = 0; j < 16; ++j) symbols += good[segment0 + 2 + j];
    const std::size_t subBlockWidthAt = segment0 + 18 + symbols + 4;
    const std::string ioRead = text(4, 1) + " " + text(4, 7);
    const std::string badVersion = text(1, 0xcd) + " " + text(1, 0x7);

    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        std::string message;  // empty when the stream is accepted
    };
    const std::vector<Case> cases = {
        {"version 0.5", [](auto& f) { f[4] = 0, f[5] = 5; }, ""},
        {"version 1.1", [](auto& f) { f[5] = 1; }, badVersion},
        {"fourth magic byte", [](auto& f) { f[3] = 'y'; }, text(1, 0x8)},
        {"chunk marker", [&](auto& f) { f[chunk0 + 1] = 0xAD; }, text(1, 0x9)},
        {"truncated in the chunk table", [](auto& f) { f.resize(30); }, ioRead},
        {"truncated in the block records", [&](auto& f) { f.resize(chunk0 + 20); }, ioRead},
        {"band segment marker", [&](auto& f) { f[segment0] = 0x00; }, text(1, 0x9)},
        {"negative sub-block width", [&](auto& f) { f[subBlockWidthAt] = 0x80; }, text(1, 0x168)},
        {"too many sub-blocks for the file", [&](auto& f) { f[chunk0 + 25] = 0xFF; }, ioRead},
        {"block over every column",
         [&](auto& f) { std::fill_n(f.begin() + std::ptrdiff_t(chunk0 + 24), 4, 0xFF); },
         text(1, 0xcb) + " " + text(1, 0xc)},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bad = good;
        c.damage(bad);
        tovex_test::TempDir dir;
        tovex_test::writeFile(dir.file("s.tvx"), std::string(bad.begin(), bad.end()));
        std::string message;
        try {
            TG2StreamStructure(openFileStream(dir.file("s.tvx")), false, false).loadBlock(0, 0);
        } catch (const Exception& e) {
            message = describe(e);
        }
        EXPECT_EQ(message, c.message) << c.name;
    }
}

TEST(TG2StreamStructure, StreamsThatCannotBeReopenedAreRefused) {
    EXPECT_THROW(TG2StreamStructure(nullptr, false, false), NullPointerException);
    auto memory = std::make_unique<CVByteVectorStream>(writeTG2Stream(sampleInput(1, 0)));
    EXPECT_THROW(TG2StreamStructure(std::move(memory), false, false), IOException);
}
