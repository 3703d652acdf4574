#include <gtest/gtest.h>

#include <string>

#include "image/cv_imageDecoder.h"
#include "metadata/cv_metadataDatabase.h"
#include "stream/cv_fileSpecification.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/decoder/tg2_decoder.h"
#include "tg2_decode_helpers.h"

using namespace Corvane;
using namespace tg2_test;

namespace {

RasterImage cameraCrop(std::uint32_t w, std::uint32_t h) {
    const RasterImage camera = loadPng("camera.png", false);
    EXPECT_FALSE(camera.empty());
    return cropImage(camera, 100, 60, w, h);
}

}  // namespace

TEST(TG2ImageStage, AnswersSizesLevelsAndVersionFromTheStream) {
    TG2EncodeOptions options;
    options.levels = 3;
    EncodedImage file(cameraCrop(77, 45), options);
    TG2ImageStage& stage = file.stage();
    EXPECT_EQ(stage.width(), 77);
    EXPECT_EQ(stage.height(), 45);
    EXPECT_EQ(stage.bandCount(), 1);
    EXPECT_EQ(stage.levelCount(), 3);
    EXPECT_EQ(stage.version(), (FormatVersion{1, 0, 0}));
    EXPECT_EQ(stage.memoryModel(), 0);
    EXPECT_EQ(stage.coreObject(), static_cast<const void*>(&stage.structure()));

    const std::unique_ptr<ImageDecoder> decoder = stage.createDecoder();
    ASSERT_NE(dynamic_cast<TG2Decoder*>(decoder.get()), nullptr);
    EXPECT_TRUE(decoder->acceptsLevels());
    EXPECT_TRUE(decoder->acceptsMagnifiedLevels());
}

TEST(TG2ImageStage, PropertiesComeFromTheMetadataTheEncoderWrote) {
    const RasterImage rgb = cropImage(loadPng("astronaut.png", true), 200, 100, 40, 30);
    TG2EncodeOptions options;
    options.dither = false;
    options.georeference = TG2Georeference{1000.5, 2000.25, 0.5, 0.75};
    EncodedImage file(rgb, options);
    TG2ImageStage& stage = file.stage();

    const MetadataDatabase& metadata = stage.metadata();
    for (const char* key :
         {"IMAGE::WIDTH", "IMAGE::HEIGHT", "IMAGE::BITS_PER_SAMPLE", "IMAGE::NO_DITHER",
          "IMAGE::XY_ORIGIN", "IMAGE::X_RESOLUTION", "IMAGE::Y_RESOLUTION"})
        EXPECT_TRUE(metadata.contains(key)) << key;
    // Three bands name RGB by themselves.
    EXPECT_FALSE(metadata.contains("IMAGE::COLOR_SCHEME"));
    EXPECT_EQ(metadata.get("IMAGE::WIDTH").row(0)[0].toDouble(), 40.0);
    EXPECT_EQ(metadata.get("IMAGE::HEIGHT").row(0)[0].toDouble(), 30.0);

    const ImageProperties& p = stage.properties();
    EXPECT_FALSE(p.dither());
    EXPECT_TRUE(p.hasGeoInformation());
    EXPECT_EQ(p.xUL(), 1000.5);
    EXPECT_EQ(p.yUL(), 2000.25);
    EXPECT_EQ(p.xResolution(), 0.5);
    EXPECT_EQ(p.yResolution(), 0.75);
    EXPECT_EQ(p.layout().colorSpace().scheme(), static_cast<std::uint32_t>(SchemeRGB));
    EXPECT_EQ(p.layout().bitsPerSample(), 8u);
}

TEST(TG2ImageStage, DitherIsOnUnlessTheFileSaysOtherwise) {
    TG2EncodeOptions options;
    options.levels = 1;
    EncodedImage file(cameraCrop(20, 20), options);
    EXPECT_TRUE(file.stage().properties().dither());
    EXPECT_FALSE(file.stage().metadata().contains("IMAGE::NO_DITHER"));
    // Without georeferencing the upper-left Y is the last row.
    EXPECT_FALSE(file.stage().properties().hasGeoInformation());
    EXPECT_EQ(file.stage().properties().yUL(), 19.0);
}

TEST(TG2ImageStage, FourBandsWithAnotherSchemeStoreTheScheme) {
    RasterImage image = cameraCrop(16, 16);
    image.components.assign(4, image.components[0]);
    TG2EncodeOptions options;
    options.colorScheme = SchemeRGBK;
    EncodedImage file(image, options);
    EXPECT_EQ(file.stage().bandCount(), 4);
    EXPECT_TRUE(file.stage().metadata().contains("IMAGE::COLOR_SCHEME"));
    EXPECT_EQ(file.stage().properties().layout().colorSpace().scheme(),
              static_cast<std::uint32_t>(SchemeRGBK));
}

TEST(TG2ImageStage, LeavesTheCallersStreamAsItWasAndRefusesBadMemoryModels) {
    TG2EncodeOptions options;
    options.levels = 2;
    EncodedImage file(cameraCrop(30, 30), options);
    const std::unique_ptr<CVStream> stream = openFileStream(FileSpecification(file.path()));
    ASSERT_TRUE(stream->isOpen());
    for (const std::int32_t model : {0, 1, 2, 3, 4, 5, 6, 7}) {
        TG2ImageStage stage(*stream, model);
        EXPECT_TRUE(stream->isOpen()) << model;
        EXPECT_EQ(stage.width(), 30) << model;
        // Every model decodes the same pixels.
        EXPECT_EQ(decodeLevel(stage, 0).samples, decodeLevel(file.stage(), 0).samples) << model;
    }
    for (const std::int32_t model : {-1, 8}) {
        try {
            TG2ImageStage stage(*stream, model);
            ADD_FAILURE() << "model " << model << " accepted";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "[4][2422]Invalid Tovex Memory Model.");
        }
    }
}

TEST(TG2ImageStage, StreamsThatAreNotTG2AreRefused) {
    tovex_test::TempDir dir;
    const std::string path = dir.file("bad.tvx");
    tovex_test::writeFile(path, std::string("tovx\x01\x00\x00", 7) + std::string(40, '\0'));
    const std::unique_ptr<CVStream> stream = openFileStream(FileSpecification(path));
    EXPECT_THROW(TG2ImageStage(*stream, 0), Exception);

    tovex_test::writeFile(path, "xovt" + std::string(60, '\0'));
    const std::unique_ptr<CVStream> other = openFileStream(FileSpecification(path));
    try {
        TG2ImageStage stage(*other, 0);
        ADD_FAILURE() << "accepted";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), getMessageText(kNotATovexImage));
    }
}
