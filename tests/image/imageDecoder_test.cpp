#include <gtest/gtest.h>

#include "image/cv_tovexNavigator.h"
#include "image_test_support.h"

using namespace Corvane;
using namespace image_test;

TEST(ImageDecoder, StartsEmptyAtLevelZeroWithDefaultCallbacks) {
    TestStage stage(10, 10, 1, 0);
    const std::unique_ptr<ImageDecoder> decoder = stage.createDecoder();
    EXPECT_EQ(decoder->level(), 0);
    EXPECT_EQ(decoder->scene(), Scene(0, 1, 0, -1, 0, 0));
    EXPECT_TRUE(decoder->scene().isEmpty());
    ASSERT_NE(decoder->callbacks(), nullptr);
    EXPECT_FALSE(decoder->callbacks()->isInterrupted());
}

TEST(ImageDecoder, ClippedSceneAtVariousLevels) {
    TestStage stage(1000, 600, 3, 3);
    const std::unique_ptr<ImageDecoder> decoder = stage.createDecoder();
    decoder->setLevel(3);  // the level is 125 x 75
    decoder->setScene(Scene(-2, -27, 0, 125, 100, 0));
    EXPECT_EQ(decoder->clippedScene(stage), Scene(0, 0, 0, 124, 74, 0));

    decoder->setScene(Scene(200, 0, 0, 327, 127, 0));
    EXPECT_TRUE(decoder->clippedScene(stage).isEmpty());

    decoder->setLevel(-1);  // magnified to 2000 x 1200
    decoder->setScene(Scene(1900, 1100, 0, 2100, 1300, 0));
    EXPECT_EQ(decoder->clippedScene(stage), Scene(1900, 1100, 0, 1999, 1199, 0));

    decoder->setLevel(0);
    EXPECT_EQ(decoder->clippedScene(stage), Scene(1900, 1100, 0, 999, 599, 0));
    EXPECT_TRUE(decoder->clippedScene(stage).isEmpty());

    decoder->setLevel(1);  // odd sizes round up: 7 x 5 becomes 4 x 3
    decoder->setScene(Scene(0, 0, 0, 10, 10, 0));
    EXPECT_EQ(decoder->clippedScene(7, 5), Scene(0, 0, 0, 3, 2, 0));
}

TEST(ImageDecoder, ProgressForThreeStripsThenOneAtEnd) {
    TestStage stage(300, 300, 1, 0);
    TovexNavigator navigator(stage);
    auto recorder = std::make_shared<RecordingCallbacks>();
    navigator.setCallbacks(recorder);
    PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
    navigator.decode(buffer);
    ASSERT_EQ(recorder->values.size(), 4u);
    EXPECT_EQ(recorder->values[0], 0.0f);
    EXPECT_NEAR(recorder->values[1], 0.4267f, 1e-4);
    EXPECT_NEAR(recorder->values[2], 0.8533f, 1e-4);
    EXPECT_EQ(recorder->values[3], 1.0f);
}

TEST(ImageDecoder, StripsOutsideTheImageReportNothingButStillCount) {
    // 300 rows asked of an image of 200: the third strip lies below it.
    TestStage stage(50, 200, 1, 0);
    TovexNavigator navigator(stage, 0, Scene(0, 0, 0, 49, 299, 0));
    auto recorder = std::make_shared<RecordingCallbacks>();
    navigator.setCallbacks(recorder);
    PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
    navigator.decode(buffer);
    ASSERT_EQ(recorder->values.size(), 3u);
    EXPECT_EQ(recorder->values[0], 0.0f);
    EXPECT_NEAR(recorder->values[1], 128.0f / 300.0f, 1e-6);
    EXPECT_EQ(recorder->values[2], 1.0f);
}

TEST(ImageDecoder, PatternLandsInsideTheImageAndBackgroundStaysOutside) {
    TestStage stage(1000, 600, 3, 3);
    TovexNavigator navigator(stage);
    navigator.setSceneSize(128, 128, AnchorCentre);  // (-2, -27) to (125, 100)
    PixelValue background(rgba());
    for (std::size_t slot = 0; slot < 3; ++slot) background.setSample(slot, 250);
    std::vector<std::uint8_t> memory(128 * 128 * 4, 0x33);
    PixelBuffer buffer(rgba(), memory.data(), memory.size());
    buffer.setBackground(background);
    buffer.setStripHeight(50);
    navigator.decode(buffer);

    const Scene scene = navigator.scene();
    for (std::int32_t by = 0; by < 128; ++by) {
        for (std::int32_t bx = 0; bx < 128; ++bx) {
            const std::int32_t x = scene.x0 + bx;
            const std::int32_t y = scene.y0 + by;
            const bool onImage = x >= 0 && x < 125 && y >= 0 && y < 75;
            const std::uint8_t* p = buffer.pixel(bx, by);
            for (std::uint32_t band = 0; band < 3; ++band) {
                ASSERT_EQ(p[band], onImage ? patternValue(x, y, band) : 250)
                    << "pixel " << bx << "," << by << " band " << band;
            }
            ASSERT_EQ(p[3], 0x33);
        }
    }
}

TEST(ImageDecoder, SceneEntirelyOffTheImageKeepsTheBackground) {
    TestStage stage(1000, 600, 1, 3);
    TovexNavigator navigator(stage);
    navigator.setSceneSize(16, 16, AnchorUpperLeft);
    navigator.moveScene(500, 500, AnchorUpperLeft);
    const PixelLayout grey(0, ColorSpace(SchemeGrayscale), DataTypeUInt8);
    PixelValue background(grey);
    background.setSample(0, 9);
    PixelBuffer buffer(grey);
    buffer.setBackground(background);
    auto recorder = std::make_shared<RecordingCallbacks>();
    navigator.setCallbacks(recorder);
    navigator.decode(buffer);
    for (std::size_t i = 0; i < buffer.totalSize(); ++i) ASSERT_EQ(buffer.memory()[i], 9);
    EXPECT_EQ(recorder->values, (std::vector<float>{1.0f}));
}

TEST(ImageDecoder, BufferTakesTheStageRangeOnlyWhenItHasNone) {
    TestStage stage(8, 8, 1, 0);
    stage.properties().setDynamicRange(4096.0, 2048.0);
    TovexNavigator navigator(stage);
    PixelBuffer fresh(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
    EXPECT_EQ(fresh.window(), PixelBuffer::kUnsetWindow);
    EXPECT_EQ(fresh.window(), 3.4028235e38f);
    navigator.decode(fresh);
    EXPECT_EQ(fresh.window(), 4096.0f);
    EXPECT_EQ(fresh.level(), 2048.0f);

    PixelBuffer chosen(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
    chosen.setWindow(100.0f);
    chosen.setLevel(50.0f);
    navigator.decode(chosen);
    EXPECT_EQ(chosen.window(), 100.0f);
    EXPECT_EQ(chosen.level(), 50.0f);

    TestStage plain(8, 8, 1, 0);  // no dynamic range: the window becomes 0
    TovexNavigator plainNavigator(plain);
    PixelBuffer other(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
    plainNavigator.decode(other);
    EXPECT_EQ(other.window(), 0.0f);
}

TEST(ImageDecoder, ReservedSlotIsUnimplemented) {
    TestStage stage(8, 8, 1, 0);
    const std::unique_ptr<ImageDecoder> decoder = stage.createDecoder();
    EXPECT_EQ(thrownText([&] { decoder->reserved(); }),
              "[4][2202]Unimplemented method - file:cv_imageDecoder line:107.");
}

TEST(ImageDecoder, MissingCallbacksAndInterrupts) {
    TestStage stage(8, 8, 1, 0);
    TovexNavigator navigator(stage);
    navigator.setCallbacks(nullptr);
    PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
    EXPECT_THROW(navigator.decode(buffer), NullPointerException);

    PatternDecoder decoder(stage);
    auto recorder = std::make_shared<RecordingCallbacks>();
    decoder.setCallbacks(recorder);
    EXPECT_NO_THROW(decoder.checkInterrupt());
    recorder->interrupt = true;
    EXPECT_EQ(thrownText([&] { decoder.checkInterrupt(); }),
              "[4][2006]Program interrupt encountered");
    // Setting a function makes the decoder's own default callbacks active again.
    decoder.setInterruptFunction([]() -> std::int32_t { return 0; });
    EXPECT_NO_THROW(decoder.checkInterrupt());
    decoder.setCallbacks(nullptr);
    EXPECT_THROW(decoder.activeCallbacks(), NullPointerException);
}
