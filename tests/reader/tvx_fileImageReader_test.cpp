// Opening files by path: recognition of the magic and the generation byte, the
// world file beside the image, and readers that share one stream.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/temp_dir.h"
#include "common/tg3_test_files.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_tovexNavigator.h"
#include "reader/cv_tvxFileImageReader.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {
namespace {

const char* const kCannotOpen = "[4][2368]Cannot open file.";
const char* const kNotTovex = "[4][2009]Error: Stream does not contain a bonafide Tovex image.";

class TvxFileOpening : public testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        tovex_test::writeFile(path, bytes);
        return path;
    }
    std::string writeTG3(const std::string& name = "image.tvx") {
        const tovex_test::Bytes bytes = tovex_test::makeTG3File(image_, tovex_test::FileRecipe{});
        return write(name, std::string(bytes.begin(), bytes.end()));
    }
    // The message of the exception that opening the file raises; empty when it opens.
    static std::string openingFailure(const std::string& path) {
        try {
            TvxFileImageReader reader(path, 0);
        } catch (const Exception& e) {
            return describe(e);
        }
        return {};
    }

    tovex_test::TempDir dir_;
    TestImage image_ = tovex_test::patternImage(33, 21);
};

TEST_F(TvxFileOpening, MagicAndGenerationByteChooseTheReader) {
    TvxFileImageReader reader(writeTG3(), 0);
    EXPECT_TRUE(reader.isTG3());
    EXPECT_TRUE(reader.ownsStream());
    EXPECT_EQ(reader.width(), 33);
    EXPECT_EQ(reader.version(), (FormatVersion{3, 0, 26}));

    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    };
    const std::string tg3 = [&] {
        const tovex_test::Bytes bytes = tovex_test::makeTG3File(image_, tovex_test::FileRecipe{});
        return std::string(bytes.begin(), bytes.end());
    }();
    const Case cases[] = {
        {"empty file", "", kNotTovex},
        {"three bytes", "tov", kNotTovex},
        {"the magic alone", "tovx", kNotTovex},
        {"another first byte", "Xtovx\x03" + tg3.substr(5), kNotTovex},
        {"upper-case magic", "TOVX" + tg3.substr(4), kNotTovex},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(openingFailure(write("case.tvx", c.bytes)), c.message) << c.what;
    }
}

TEST_F(TvxFileOpening, GenerationsAboveThreeAreUnsupportedVersions) {
    std::string bytes = "tovx";
    for (int generation : {4, 5, 127}) {
        bytes.resize(4);
        bytes += static_cast<char>(generation);
        bytes += std::string(40, '\0');
        try {
            TvxFileImageReader reader(write("future.tvx", bytes), 0);
            ADD_FAILURE() << "generation " << generation << " opened";
        } catch (const UnsupportedVersionException& e) {
            // The reader's own refusal, not one of a generation stage.
            EXPECT_EQ(std::string(describe(e)).rfind("[4][2207]Unsupported version.", 0), 0u)
                << describe(e);
            EXPECT_EQ(std::string(describe(e)).find(getMessageText(kNewerImage)),
                      std::string::npos);
        }
    }
}

TEST_F(TvxFileOpening, MissingFileCannotBeOpened) {
    EXPECT_EQ(openingFailure(dir_.file("absent.tvx")), kCannotOpen);
}

TEST_F(TvxFileOpening, WorldFileGivesGeoDataToAnImageWithout) {
    const std::string path = writeTG3("map.tvx");
    {
        TvxFileImageReader plain(path, 0);
        EXPECT_FALSE(plain.properties().hasGeoInformation());
        EXPECT_EQ(plain.properties().yUL(), 20.0);
    }
    write("map.TXW", "2.5\n0.25\n-0.125\n-3.0\n1000.5\n2000.75\n");
    TvxFileImageReader reader(path, 0);
    const ImageProperties& p = reader.properties();
    EXPECT_TRUE(p.hasGeoInformation());
    EXPECT_EQ(p.xResolution(), 2.5);
    EXPECT_EQ(p.xRotation(), 0.25);
    EXPECT_EQ(p.yRotation(), -0.125);
    EXPECT_EQ(p.yResolution(), 3.0);
    EXPECT_EQ(p.xUL(), 1000.5);
    EXPECT_EQ(p.yUL(), 2000.75);
    // The stage behind the reader keeps its own properties.
    EXPECT_FALSE(reader.activeStage().properties().hasGeoInformation());
}

TEST_F(TvxFileOpening, ReaderMadeFromAnotherSharesItsStream) {
    auto first = std::make_unique<TvxFileImageReader>(writeTG3(), 0);
    const Scene whole(0, 0, 0, 32, 20, 0);
    const auto decodeWith = [&whole](ImageStage& stage) {
        TovexNavigator navigator(stage, 0, whole);
        PixelBuffer buffer(stage.properties().layout());
        navigator.decode(buffer);
        return std::vector<std::uint8_t>(buffer.memory(), buffer.memory() + buffer.totalSize());
    };
    const std::vector<std::uint8_t> expected = decodeWith(*first);
    {
        TvxFileImageReader second(*first);
        EXPECT_FALSE(second.ownsStream());
        EXPECT_EQ(second.fileSpecification().path(), first->fileSpecification().path());
        EXPECT_EQ(second.width(), 33);
        EXPECT_EQ(decodeWith(second), expected);
    }
    // The first reader still reads after the second has gone.
    EXPECT_EQ(decodeWith(*first), expected);
    std::vector<std::uint8_t> source;
    for (std::int32_t v : image_.components[0]) source.push_back(static_cast<std::uint8_t>(v));
    EXPECT_EQ(expected, source);
}

}  // namespace
}  // namespace Corvane
