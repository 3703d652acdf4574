#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "image/cv_tovexNavigator.h"
#include "image_test_support.h"

using namespace Corvane;
using namespace image_test;

TEST(TovexNavigator, StartsWithTheWholeImageAtTheCoarsestLevel) {
    TestStage stage(1000, 600, 3, 3);
    const TovexNavigator navigator(stage);
    EXPECT_EQ(navigator.level(), 3);
    EXPECT_EQ(navigator.scene(), Scene(0, 0, 0, 124, 74, 0));
    EXPECT_EQ(navigator.minimumLevel(), -100);
    EXPECT_EQ(navigator.decoder(), nullptr);
}

TEST(TovexNavigator, ResizeAboutTheCentreThenMoveTheCorner) {
    TestStage stage(1000, 600, 3, 3);
    TovexNavigator navigator(stage);
    navigator.setSceneSize(128, 128, AnchorCentre);
    EXPECT_EQ(navigator.scene(), Scene(-2, -27, 0, 125, 100, 0));
    navigator.moveScene(256, 128, AnchorUpperLeft);
    EXPECT_EQ(navigator.scene(), Scene(256, 128, 0, 383, 255, 0));

    navigator.setSceneSize(64, 32, AnchorUpperLeft);
    EXPECT_EQ(navigator.scene(), Scene(256, 128, 0, 319, 159, 0));
    // The same size again leaves the box where it is, whatever the anchor.
    navigator.setSceneSize(64, 32, AnchorCentre);
    EXPECT_EQ(navigator.scene(), Scene(256, 128, 0, 319, 159, 0));
    navigator.moveScene(0, 0, AnchorCentre);
    EXPECT_EQ(navigator.scene(), Scene(-32, -16, 0, 31, 15, 0));
}

TEST(TovexNavigator, ZoomScalesTheCentreAndStopsAtTheLevelLimits) {
    TestStage stage(1000, 600, 3, 3);
    TovexNavigator navigator(stage);
    navigator.setSceneSize(128, 128, AnchorCentre);
    navigator.moveScene(0, 0, AnchorUpperLeft);  // centre (64, 64)
    navigator.zoom(1);                           // to level 2: centre (128, 128)
    EXPECT_EQ(navigator.level(), 2);
    EXPECT_EQ(navigator.scene(), Scene(64, 64, 0, 191, 191, 0));
    navigator.setLevel(3);  // back out: centre (64, 64)
    EXPECT_EQ(navigator.level(), 3);
    EXPECT_EQ(navigator.scene(), Scene(0, 0, 0, 127, 127, 0));

    navigator.moveScene(1, 1, AnchorUpperLeft);  // centre (65, 65) halves to 32
    navigator.setLevel(3);
    EXPECT_EQ(navigator.scene(), Scene(1, 1, 0, 128, 128, 0));  // no change of level
    navigator.setLevel(7);                                      // above the level count
    EXPECT_EQ(navigator.level(), 3);
    EXPECT_EQ(navigator.scene(), Scene(1, 1, 0, 128, 128, 0));

    navigator.setLevel(-250);  // below the minimum: 103 doublings, saturated
    EXPECT_EQ(navigator.level(), -100);
    EXPECT_EQ(navigator.scene().width(), 128);
    EXPECT_EQ(navigator.scene().height(), 128);
    navigator.zoom(5);
    EXPECT_EQ(navigator.level(), -100);
    navigator.setLevel(40);
    EXPECT_EQ(navigator.level(), 3);
}

TEST(TovexNavigator, NegativeSizesAndAreasAreRefused) {
    TestStage stage(100, 100, 3, 1);
    TovexNavigator navigator(stage);
    const char* negative =
        "[4][2361]Error constructing an object: Cannot have negative dimensions.";
    EXPECT_EQ(thrownText([&] { navigator.setSceneSize(-1, 10, AnchorCentre); }), negative);
    EXPECT_EQ(thrownText([&] { navigator.setSceneSize(10, -1, AnchorUpperLeft); }), negative);

    const char* support = "[4][2015]Error. Invalid support supplied to TovexNavigator constructor.";
    EXPECT_EQ(thrownText([&] { TovexNavigator(stage, 0, Scene(0, 0, 0, -5, 9, 0)); }), support);
    try {
        TovexNavigator bad(stage, 0, Scene(0, 0, 0, 9, -5, 0));
        FAIL() << "a negative area was accepted";
    } catch (const InvalidArgumentException&) {
    }
    // Both sides negative make a positive area, and an empty box is allowed.
    EXPECT_NO_THROW(TovexNavigator(stage, 0, Scene(0, 0, 0, -5, -5, 0)));
    EXPECT_NO_THROW(TovexNavigator(stage, 0, Scene(0, 0, 0, -1, 9, 0)));
}

TEST(TovexNavigator, DecodeDrivesTheDecoderAndCreatesItOnce) {
    TestStage stage(1000, 600, 3, 3);
    TovexNavigator navigator(stage);
    navigator.setSceneSize(128, 128, AnchorCentre);
    PixelBuffer buffer(rgba());
    navigator.decode(buffer);
    navigator.moveScene(0, 0, AnchorUpperLeft);
    navigator.decode(buffer);

    EXPECT_EQ(stage.log.created, 1);
    EXPECT_EQ(stage.log.begun, 2);
    EXPECT_EQ(stage.log.ended, 2);
    EXPECT_EQ(stage.log.levels, (std::vector<std::int32_t>{3, 3}));
    ASSERT_EQ(stage.log.scenes.size(), 2u);
    EXPECT_EQ(stage.log.scenes[0], Scene(-2, -27, 0, 125, 100, 0));
    EXPECT_EQ(stage.log.scenes[1], Scene(0, 0, 0, 127, 127, 0));
    EXPECT_EQ(buffer.decodeCount(), 2);
    EXPECT_FALSE(buffer.inDecode());
    EXPECT_EQ(buffer.scene(), Scene(0, 0, 0, 127, 127, 0));

    // Level-3 pixel (10, 20) is buffer pixel (10, 20) now; red is band 0.
    EXPECT_EQ(buffer.pixel(10, 20)[0], patternValue(10, 20, 0));
    EXPECT_EQ(buffer.pixel(10, 20)[2], patternValue(10, 20, 2));
    // Past the level's 125 columns nothing was written.
    EXPECT_EQ(buffer.pixel(126, 20)[0], 0);
}

TEST(TovexNavigator, MagnifiedLevelsReachOnlyDecodersThatAcceptThem) {
    for (bool magnifies : {false, true}) {
        TestStage stage(64, 64, 1, 2);
        stage.acceptsMagnifiedLevels = magnifies;
        TovexNavigator navigator(stage);
        PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
        navigator.setLevel(1);
        navigator.decode(buffer);
        navigator.setLevel(-1);
        navigator.decode(buffer);
        EXPECT_EQ(stage.log.levels, (std::vector<std::int32_t>{1, magnifies ? -1 : 1}));
    }
    TestStage stage(64, 64, 1, 2);
    stage.acceptsLevels = false;
    TovexNavigator navigator(stage);
    PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
    navigator.decode(buffer);
    EXPECT_EQ(stage.log.levels, (std::vector<std::int32_t>{0}));  // the decoder's own value
}

TEST(TovexNavigator, FailedDecodeLeavesStateAndReleasesTheLock) {
    TestStage stage(200, 100, 3, 1);
    TovexNavigator navigator(stage);
    PixelBuffer buffer(rgba());
    stage.failInDecode = true;
    const Scene before = navigator.scene();
    EXPECT_THROW(navigator.decode(buffer), InvalidImageDataException);
    EXPECT_EQ(navigator.scene(), before);
    EXPECT_EQ(navigator.level(), 1);
    EXPECT_FALSE(buffer.inDecode());
    EXPECT_EQ(buffer.decodeCount(), 0);

    // A second decode would deadlock if the lock had been kept.
    stage.failInDecode = false;
    navigator.decode(buffer);
    EXPECT_EQ(buffer.decodeCount(), 1);
    EXPECT_EQ(stage.log.created, 1);
}

TEST(TovexNavigator, CopiesStartWithoutADecoderAndShareTheCallbacks) {
    TestStage stage(200, 100, 3, 1);
    TovexNavigator navigator(stage);
    auto recorder = std::make_shared<RecordingCallbacks>();
    navigator.setCallbacks(recorder);
    PixelBuffer buffer(rgba());
    navigator.decode(buffer);
    ASSERT_NE(navigator.decoder(), nullptr);

    TovexNavigator copy(navigator);
    EXPECT_EQ(copy.decoder(), nullptr);
    EXPECT_EQ(copy.scene(), navigator.scene());
    EXPECT_EQ(copy.level(), navigator.level());
    copy.decode(buffer);
    EXPECT_EQ(stage.log.created, 2);
    ASSERT_FALSE(recorder->values.empty());
    EXPECT_EQ(recorder->values.back(), 1.0f);
    EXPECT_EQ(copy.decoder()->callbacks(), recorder);

    TovexNavigator assigned(stage);
    assigned.decode(buffer);
    assigned = navigator;
    EXPECT_EQ(assigned.decoder(), nullptr);
    EXPECT_EQ(assigned.scene(), navigator.scene());
}

TEST(TovexNavigator, AStageWithoutADecoderIsRefused) {
    class NoDecoderStage : public TestStage {
      public:
        NoDecoderStage() : TestStage(10, 10, 1, 0) {}
        std::unique_ptr<ImageDecoder> createDecoder() override { return nullptr; }
    } stage;
    TovexNavigator navigator(stage);
    PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
    EXPECT_THROW(navigator.decode(buffer), NullPointerException);
    EXPECT_FALSE(buffer.inDecode());
}

TEST(TovexNavigator, ConcurrentDecodesOnOneNavigatorDoNotOverlap) {
    // The decoder counts requests between begin and end; the lock must keep that
    // count at one while two threads decode through the same navigator.
    class CountingStage : public TestStage {
      public:
        CountingStage() : TestStage(256, 256, 1, 0) {}
        std::unique_ptr<ImageDecoder> createDecoder() override {
            class Counting : public PatternDecoder {
              public:
                explicit Counting(CountingStage& stage) : PatternDecoder(stage), stage_(stage) {}
                void begin() override {
                    if (++stage_.active > 1) stage_.overlapped = true;
                }
                void end() override { --stage_.active; }

              private:
                CountingStage& stage_;
            };
            return std::make_unique<Counting>(*this);
        }
        std::atomic<int> active{0};
        std::atomic<bool> overlapped{false};
    } stage;
    TovexNavigator navigator(stage);
    auto work = [&] {
        PixelBuffer buffer(PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8));
        for (int i = 0; i < 20; ++i) navigator.decode(buffer);
    };
    std::thread first(work);
    std::thread second(work);
    first.join();
    second.join();
    EXPECT_FALSE(stage.overlapped);
}

TEST(TovexNavigator, HugeLevelCountsAreReachedWithoutSpinning) {
    TestStage stage(1000, 600, 3, INT32_MAX);
    TovexNavigator navigator(stage);
    EXPECT_EQ(navigator.level(), INT32_MAX);
    EXPECT_EQ(navigator.scene(), Scene(0, 0, 0, 0, 0, 0));  // every level is 1 x 1 by then
    navigator.setLevel(-100);
    EXPECT_EQ(navigator.level(), -100);
    navigator.setLevel(INT32_MAX);
    EXPECT_EQ(navigator.level(), INT32_MAX);
    EXPECT_EQ(navigator.scene().width(), 1);
}
