// Truncated and corrupted TG3 files, made by cutting and changing bytes of a
// valid one: each is either refused with a library exception or decodes to some
// pixels. The sanitizer build runs the same cases and catches any bad access.
#include <gtest/gtest.h>

#include <string>

#include "common/temp_dir.h"
#include "common/tg3_test_files.h"
#include "reader/cv_tvxFileImageReader.h"
#include "support/cv_exception.h"
#include "tg3/decoder/decode_support.h"

namespace Corvane {
namespace {

enum class Outcome { Refused, Decoded, Exact };

class DamagedTG3Files : public testing::Test {
  protected:
    void SetUp() override {
        image_ = tovex_test::patternImage(40, 30, 3);
        tovex_test::FileRecipe recipe;
        recipe.levels = 2;
        recipe.subblockSize = 16;
        recipe.colorSpace = colorSpaceRGB;
        recipe.transform = colorTransformRGBToYIQ;
        recipe.order = orderPipelined;
        ImageDescription description;
        description.flags = ImageDescription::hasGeoData | ImageDescription::hasBackPixel;
        description.xRes = description.yRes = 1.0;
        description.backPixel = {3, 5, {1, 2, 3}};
        recipe.description = description;
        bytes_ = tovex_test::makeTG3File(image_, recipe);
        expected_ = tovex_test::interleave(image_.components, 40, Scene(0, 0, 0, 39, 29, 0));
    }

    // Opens the bytes as a file and decodes the image's area at levels 0 and 1.
    Outcome attempt(const tovex_test::Bytes& bytes) {
        const std::string path = dir_.file("damaged.tvx");
        tovex_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
        try {
            TvxFileImageReader reader(path, 0);
            // Fixed windows: a damaged header may claim any size, and the test
            // must not ask for a buffer of that size itself.
            const std::vector<std::int32_t> samples =
                tovex_test::decodeScene(reader, 0, Scene(0, 0, 0, 39, 29, 0), 7);
            tovex_test::decodeScene(reader, 1, Scene(0, 0, 0, 19, 14, 0));
            return samples == expected_ ? Outcome::Exact : Outcome::Decoded;
        } catch (const Exception&) {
            return Outcome::Refused;
        } catch (const std::exception& e) {
            ADD_FAILURE() << "not a library exception: " << e.what();
        }
        return Outcome::Refused;
    }

    tovex_test::TempDir dir_;
    TestImage image_;
    tovex_test::Bytes bytes_;
    std::vector<std::int32_t> expected_;
};

TEST_F(DamagedTG3Files, TruncatedFilesAreRefusedOrDecode) {
    ASSERT_EQ(attempt(bytes_), Outcome::Exact);
    int refused = 0;
    const std::size_t step = std::max<std::size_t>(1, bytes_.size() / 150);
    for (std::size_t size = 0; size < bytes_.size(); size += (size < 64 ? 1 : step)) {
        const tovex_test::Bytes cut(bytes_.begin(),
                                    bytes_.begin() + static_cast<std::ptrdiff_t>(size));
        const Outcome outcome = attempt(cut);
        // Without the whole file header and header packet nothing can open.
        if (size < 40) {
            EXPECT_EQ(outcome, Outcome::Refused) << size;
        }
        EXPECT_NE(outcome, Outcome::Exact) << size;
        refused += outcome == Outcome::Refused;
    }
    EXPECT_GT(refused, 40);
}

TEST_F(DamagedTG3Files, ChangedBytesAreRefusedOrDecode) {
    int refused = 0, decoded = 0;
    // Every byte of the file header and the start of the header packet, then
    // bytes spread evenly over the rest.
    const std::size_t step = std::max<std::size_t>(1, bytes_.size() / 120);
    for (std::size_t at = 0; at < bytes_.size(); at += (at < 100 ? 1 : step)) {
        for (std::uint8_t change : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
            tovex_test::Bytes damaged = bytes_;
            damaged[at] = damaged[at] == change ? static_cast<std::uint8_t>(~change) : change;
            const Outcome outcome = attempt(damaged);
            refused += outcome == Outcome::Refused;
            decoded += outcome != Outcome::Refused;
        }
    }
    // Both kinds of outcome occur: damage to the framing is refused, damage to
    // coded data gives other pixels.
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
}

}  // namespace
}  // namespace Corvane
