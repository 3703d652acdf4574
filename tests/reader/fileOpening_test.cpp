// Opening files by path: the magic and the generation byte choose the stage (or the
// refusal), the world file beside the image gives georeferencing, and readers made
// from another share its stream.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/decode_support.h"
#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "reader/cv_tvxFileImageReader.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
namespace {

class FileOpening : public testing::Test {
  protected:
    void SetUp() override {
        registerAll();
        const TestImage camera = loadPng("camera.png", false);
        ASSERT_FALSE(camera.empty());
        image_ = cropImage(camera, 200, 150, 33, 21);
        const std::vector<std::uint8_t> tg3 = encodeTG3(image_, TG3EncodeOptions{});
        const std::vector<std::uint8_t> tg2 = encodeTG2(image_, TG2EncodeOptions{});
        tg3_.assign(tg3.begin(), tg3.end());
        tg2_.assign(tg2.begin(), tg2.end());
    }
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        tovex_test::writeFile(path, bytes);
        return path;
    }
    // What opening the file gives: "TG3", "TG2" or the refusal's text.
    std::string opening(const std::string& path) {
        try {
            TvxFileImageReader reader(path, 0);
            EXPECT_EQ(reader.width(), 33);
            return reader.isTG3() ? "TG3" : "TG2";
        } catch (const Exception& e) {
            return describe(e);
        }
    }
    std::string withByte(std::string bytes, std::size_t at, char value) {
        bytes[at] = value;
        return bytes;
    }

    tovex_test::TempDir dir_;
    TestImage image_;
    std::string tg3_, tg2_;
};

TEST_F(FileOpening, MagicAndGenerationByteChooseTheStageOrTheRefusal) {
    const std::string notTovex = "[4][2009]Error: Stream does not contain a bonafide Tovex image.";
    const std::string unsupported = "[4][2207]Unsupported version.";
    struct Case {
        const char* what;
        std::string bytes;
        std::string outcome;     // the whole text, or its start for version refusals
        bool stageText = false;  // the TG2 stage's own text follows the refusal
    };
    const Case cases[] = {
        {"TG3", tg3_, "TG3"},
        {"TG2 as the encoder writes it (1)", tg2_, "TG2"},
        {"TG2 of the older version 0", withByte(tg2_, 4, '\x00'), "TG2"},
        {"empty file", "", notTovex},
        {"three bytes", "tov", notTovex},
        {"the magic alone", "tovx", notTovex},
        {"another first byte", withByte(tg3_, 0, 'X'), notTovex},
        {"upper-case magic", "TOVX" + tg3_.substr(4), notTovex},
        // Above three the reader refuses on its own; 2 and the bytes read as negative
        // numbers reach the TG2 stage, which refuses with its own added text.
        {"generation 4", withByte(tg3_, 4, '\x04'), unsupported},
        {"generation 127", withByte(tg3_, 4, '\x7f'), unsupported},
        {"TG2 version 2", withByte(tg2_, 4, '\x02'), unsupported, true},
        {"TG2 version 0x80", withByte(tg2_, 4, '\x80'), unsupported, true},
    };
    for (const Case& c : cases) {
        const std::string outcome = opening(write("case.tvx", c.bytes));
        EXPECT_EQ(outcome.substr(0, c.outcome.size()), c.outcome) << c.what << ": " << outcome;
        if (c.outcome == unsupported) {
            EXPECT_EQ(outcome.find(getMessageText(kNewerImage)) != std::string::npos, c.stageText)
                << c.what << ": " << outcome;
        }
    }
    EXPECT_EQ(opening(dir_.file("absent.tvx")), "[4][2368]Cannot open file.");
}

TEST_F(FileOpening, WorldFileGivesGeoDataToAnImageWithout) {
    const std::string path = write("map.tvx", tg3_);
    EXPECT_FALSE(TvxFileImageReader(path, 0).properties().hasGeoInformation());
    write("map.TXW", "2.5\n0.25\n-0.125\n-3.0\n1000.5\n2000.75\n");
    TvxFileImageReader reader(path, 0);
    const ImageProperties& p = reader.properties();
    EXPECT_TRUE(p.hasGeoInformation());
    EXPECT_EQ((std::vector<double>{p.xResolution(), p.xRotation(), p.yRotation(), p.yResolution(),
                                   p.xUL(), p.yUL()}),
              (std::vector<double>{2.5, 0.25, -0.125, 3.0, 1000.5, 2000.75}));
    // The stage behind the reader keeps its own properties.
    EXPECT_FALSE(reader.activeStage().properties().hasGeoInformation());
}

TEST_F(FileOpening, ReaderMadeFromAnotherSharesItsStreamAndOutlivesNothing) {
    auto first = std::make_unique<TvxFileImageReader>(write("image.tvx", tg3_), 0);
    const auto decodeWith = [](ImageStage& stage) {
        return tovex_test::decodeScene(stage, 0, Scene(0, 0, 0, 32, 20, 0));
    };
    const std::vector<std::int32_t>& source = image_.components[0];
    EXPECT_EQ(decodeWith(*first), source);
    {
        TvxFileImageReader second(*first);
        EXPECT_TRUE(first->ownsStream());
        EXPECT_FALSE(second.ownsStream());
        EXPECT_EQ(decodeWith(second), source);
    }
    // The first reader still reads after the second has gone.
    EXPECT_EQ(decodeWith(*first), source);
}

}  // namespace
