// TG2 files written by our TG2 encoder, opened by path through the file-level
// reader: the generation byte below 3 chooses the TG2 stage, and the decode is
// the one the TG2 stage gives on its own.
#include <gtest/gtest.h>

#include <string>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_tovexNavigator.h"
#include "reader/cv_tvxFileImageReader.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/decoder/tg2_imageStage.h"
#include "transform/cv_transformerRegistry.h"

namespace Corvane {
namespace {

// The whole of level `level` as 8-bit samples of the image's own scheme.
std::vector<std::uint8_t> decodeLevel(ImageStage& stage, std::int32_t level) {
    const std::uint32_t scheme = stage.bandCount() == 1 ? SchemeGrayscale : SchemeRGB;
    PixelBuffer buffer(PixelLayout(0, ColorSpace(scheme), DataTypeUInt8));
    TovexNavigator navigator(stage, level,
                             Scene(0, 0, 0, levelExtent(stage.width(), level) - 1,
                                   levelExtent(stage.height(), level) - 1, 0));
    navigator.decode(buffer);
    return std::vector<std::uint8_t>(buffer.memory(), buffer.memory() + buffer.totalSize());
}

class TG2Opening : public testing::Test {
  protected:
    void SetUp() override {
        registerAll();
        image_ = loadPng("camera.png", false);
        ASSERT_FALSE(image_.empty());
        TG2EncodeOptions options;
        options.step = 0.5f;
        options.dither = false;
        const std::vector<std::uint8_t> bytes = encodeTG2(image_, options);
        file_.assign(bytes.begin(), bytes.end());
    }
    std::string write(const std::string& bytes, const std::string& name = "camera.tvx") {
        const std::string path = dir_.file(name);
        tovex_test::writeFile(path, bytes);
        return path;
    }

    tovex_test::TempDir dir_;
    TestImage image_;
    std::string file_;
};

TEST_F(TG2Opening, EncodedFileDecodesThroughTheFileReaderAsThroughItsStage) {
    const std::string path = write(file_);
    TvxFileImageReader reader(path, 0);
    EXPECT_FALSE(reader.isTG3());
    EXPECT_EQ(reader.width(), 512);
    EXPECT_EQ(reader.height(), 512);
    EXPECT_EQ(reader.bandCount(), 1);
    EXPECT_NE(reader.coreObject(), nullptr);

    std::unique_ptr<CVStream> stream = openFileStream(path);
    TG2ImageStage stage(*stream, 0);
    EXPECT_EQ(reader.levelCount(), stage.levelCount());
    EXPECT_EQ(reader.properties().dither(), stage.properties().dither());
    for (std::int32_t level : {0, 2, reader.levelCount()}) {
        EXPECT_EQ(decodeLevel(reader, level), decodeLevel(stage, level)) << "level " << level;
    }
    // Within one grey value of the source at full resolution.
    const std::vector<std::uint8_t> decoded = decodeLevel(reader, 0);
    int largest = 0;
    for (std::size_t i = 0; i < decoded.size(); ++i)
        largest = std::max(largest, std::abs(decoded[i] - image_.components[0][i]));
    EXPECT_LE(largest, 1);
}

TEST_F(TG2Opening, GenerationBytesBelowThreeChooseTheTG2Stage) {
    // 1 is the version the encoder writes; 0 is an older one the stage reads too.
    for (char generation : {'\x01', '\x00'}) {
        std::string bytes = file_;
        bytes[4] = generation;
        TvxFileImageReader reader(write(bytes), 0);
        EXPECT_FALSE(reader.isTG3()) << int{generation};
        EXPECT_EQ(reader.width(), 512);
    }
    // 2 and the bytes read as negative numbers reach the TG2 stage too, which
    // refuses their version with its own text rather than the reader's.
    for (char generation : {'\x02', '\x80', '\xff'}) {
        std::string bytes = file_;
        bytes[4] = generation;
        try {
            TvxFileImageReader reader(write(bytes), 0);
            ADD_FAILURE() << "version " << int{generation} << " opened";
        } catch (const UnsupportedVersionException& e) {
            EXPECT_NE(std::string(describe(e)).find(getMessageText(kNewerImage)), std::string::npos)
                << describe(e);
        }
    }
}

}  // namespace
}  // namespace Corvane
