#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "stream/cv_fileSpecification.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"
#include "tg2_decode_helpers.h"

using namespace Corvane;
using namespace tg2_test;

namespace {

enum class Outcome { Decoded, Refused };

// Opens the bytes as a TG2 image and decodes two levels of it. A damaged file must
// either decode or be refused with a library exception; anything else escapes and
// fails the test.
Outcome openAndDecode(const std::vector<std::uint8_t>& bytes) {
    tovex_test::TempDir dir;
    const std::string path = dir.file("damaged.tvx");
    tovex_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
    try {
        const std::unique_ptr<CVStream> stream = openFileStream(FileSpecification(path));
        TG2ImageStage stage(*stream, 0);
        if (stage.width() > 4096 || stage.height() > 4096) return Outcome::Refused;
        decodeLevel(stage, 0, 9);
        decodeLevel(stage, std::min(stage.levelCount(), 2), 0);
        return Outcome::Decoded;
    } catch (const Exception&) {
        return Outcome::Refused;
    }
}

std::vector<std::uint8_t> smallImageFile() {
    const RasterImage image = cropImage(loadPng("camera.png", false), 200, 200, 61, 47);
    TG2EncodeOptions options;
    options.levels = 3;
    options.blockWidth = options.blockHeight = 16;
    options.subBlockWidth = options.subBlockHeight = 8;
    return encodeTG2(image, options);
}

}  // namespace

TEST(TG2DamagedFiles, TruncatedFilesAreRefusedOrDecoded) {
    const std::vector<std::uint8_t> bytes = smallImageFile();
    ASSERT_EQ(openAndDecode(bytes), Outcome::Decoded);
    int refused = 0;
    for (std::size_t length = 0; length < bytes.size(); length += 1 + length / 3) {
        const std::vector<std::uint8_t> cut(bytes.begin(),
                                            bytes.begin() + static_cast<std::ptrdiff_t>(length));
        if (openAndDecode(cut) == Outcome::Refused) ++refused;
    }
    // The header, the chunk table and the block records are read at open time.
    EXPECT_GT(refused, 10);
}

TEST(TG2DamagedFiles, CorruptedBytesAreRefusedOrDecoded) {
    const std::vector<std::uint8_t> bytes = smallImageFile();
    std::mt19937 random(91);
    int refused = 0;
    for (int trial = 0; trial < 120; ++trial) {
        std::vector<std::uint8_t> damaged = bytes;
        // Damage the structure near the start as often as the coded data further on.
        const std::size_t reach =
            trial % 2 == 0 ? std::min<std::size_t>(400, bytes.size()) : bytes.size();
        for (int k = 0; k < 1 + trial % 4; ++k)
            damaged[random() % reach] = static_cast<std::uint8_t>(random());
        if (openAndDecode(damaged) == Outcome::Refused) ++refused;
    }
    EXPECT_GT(refused, 0);
}
