// The navigator's box and level arithmetic, and a decode through it into a buffer:
// which pixels the decoder writes, which keep the background, and what progress says.
#include <gtest/gtest.h>

#include <functional>

#include "common/decode_support.h"
#include "common/thrown_text.h"
#include "image/cv_tovexNavigator.h"
#include "image_test_support.h"

using namespace Corvane;
using namespace image_test;
using tovex_test::thrownText;

namespace {
const PixelLayout kGrey(0, ColorSpace(SchemeGrayscale), DataTypeUInt8);
}  // namespace

TEST(Scene, LevelExtentAndIntersection) {
    const std::int32_t extents[][3] = {{0, 3, 0},        {1, 5, 1},         {7, 1, 4},
                                       {1000, 3, 125},   {65537, 16, 2},    {1000, -1, 2000},
                                       {1000, -3, 8000}, {1000, -32, 1000}, {1000, 1000, 1}};
    for (const auto& [x, level, expected] : extents)
        EXPECT_EQ(levelExtent(x, level), expected) << x << " at " << level;
    const Scene box(-2, -27, 0, 125, 100, 0);
    EXPECT_EQ(box.intersection(Scene(0, 0, 0, 124, 74, 0)), Scene(0, 0, 0, 124, 74, 0));
    EXPECT_EQ(box.intersection(Scene(100, 90, 0, 300, 300, 0)), Scene(100, 90, 0, 125, 100, 0));
    EXPECT_TRUE(box.intersection(Scene(200, 0, 0, 300, 10, 0)).isEmpty());
    // Corners at the ends of the 32-bit range do not overflow the width.
    EXPECT_EQ(Scene(INT32_MIN, 0, 0, INT32_MAX, 0, 0).width(), std::int64_t{1} << 32);
}

TEST(TovexNavigator, BoxAndLevelMoves) {
    TestStage stage(1000, 600, 3, 3);
    TovexNavigator n(stage);
    // Each step acts on the navigator as the previous one left it.
    const struct {
        std::function<void()> step;
        std::int32_t level;
        Scene scene;
    } steps[] = {
        // clang-format off
        {[] {}, 3, Scene(0, 0, 0, 124, 74, 0)},  // the whole image at the coarsest level
        {[&] { n.setSceneSize(128, 128, AnchorCentre); }, 3, Scene(-2, -27, 0, 125, 100, 0)},
        {[&] { n.moveScene(256, 128, AnchorUpperLeft); }, 3, Scene(256, 128, 0, 383, 255, 0)},
        {[&] { n.setSceneSize(64, 32, AnchorUpperLeft); }, 3, Scene(256, 128, 0, 319, 159, 0)},
        {[&] { n.setSceneSize(64, 32, AnchorCentre); }, 3, Scene(256, 128, 0, 319, 159, 0)},
        {[&] { n.moveScene(0, 0, AnchorCentre); }, 3, Scene(-32, -16, 0, 31, 15, 0)},
        {[&] { n.setSceneSize(128, 128, AnchorUpperLeft); n.moveScene(0, 0, AnchorUpperLeft); },
         3, Scene(0, 0, 0, 127, 127, 0)},
        {[&] { n.zoom(1); }, 2, Scene(64, 64, 0, 191, 191, 0)},  // the centre doubles
        {[&] { n.setLevel(3); }, 3, Scene(0, 0, 0, 127, 127, 0)},
        {[&] { n.moveScene(1, 1, AnchorUpperLeft); n.setLevel(3); },
         3, Scene(1, 1, 0, 128, 128, 0)},
        {[&] { n.setLevel(7); }, 3, Scene(1, 1, 0, 128, 128, 0)},  // above the level count
        {[&] { n.setLevel(-250); n.zoom(5); }, -100, n.scene()},  // saturated at the minimum
        // clang-format on
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].step();
        EXPECT_EQ(n.level(), steps[i].level) << "step " << i;
        if (i + 1 < std::size(steps)) {
            EXPECT_EQ(n.scene(), steps[i].scene) << "step " << i;
        }
    }
    EXPECT_EQ(n.scene().width(), 128);
    EXPECT_EQ(n.decoder(), nullptr);

    TestStage deep(1000, 600, 3, INT32_MAX);  // reached without spinning
    TovexNavigator far(deep);
    EXPECT_EQ(far.scene(), Scene(0, 0, 0, 0, 0, 0));
    far.setLevel(-100);
    far.setLevel(INT32_MAX);
    EXPECT_EQ(far.level(), INT32_MAX);
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
    EXPECT_EQ(thrownText([&] { TovexNavigator(stage, 0, Scene(0, 0, 0, 9, -5, 0)); }), support);
    // Both sides negative make a positive area, and an empty box is allowed.
    EXPECT_NO_THROW(TovexNavigator(stage, 0, Scene(0, 0, 0, -5, -5, 0)));
    EXPECT_NO_THROW(TovexNavigator(stage, 0, Scene(0, 0, 0, -1, 9, 0)));
}

TEST(TovexNavigator, DecodeWritesThePatternOnTheImageAndBackgroundElsewhere) {
    TestStage stage(1000, 600, 3, 3);
    TovexNavigator navigator(stage);
    auto recorder = std::make_shared<tovex_test::RecordingCallbacks>();
    navigator.setCallbacks(recorder);
    navigator.setSceneSize(128, 128, AnchorCentre);  // (-2, -27) to (125, 100) of 125 x 75
    PixelValue background(rgba());
    for (std::size_t slot = 0; slot < 3; ++slot) background.setSample(slot, 250);
    std::vector<std::uint8_t> memory(128 * 128 * 4, 0x33);
    PixelBuffer buffer(rgba(), memory.data(), memory.size());
    buffer.setBackground(background);
    buffer.setStripHeight(50);
    navigator.decode(buffer);
    navigator.decode(buffer);
    for (std::int32_t y = -27; y <= 100; ++y) {
        for (std::int32_t x = -2; x <= 125; ++x) {
            const bool onImage = x >= 0 && x < 125 && y >= 0 && y < 75;
            const std::uint8_t* p = buffer.pixel(x + 2, y + 27);
            for (std::uint32_t band = 0; band < 3; ++band)
                ASSERT_EQ(p[band], onImage ? patternValue(x, y, band) : 250) << x << "," << y;
            ASSERT_EQ(p[3], 0x33);
        }
    }
    // One decoder for both decodes; progress at each strip that meets the image.
    EXPECT_EQ(stage.log.created, 1);
    EXPECT_EQ(stage.log.begun + stage.log.ended, 4);
    EXPECT_EQ(stage.log.scenes.back(), Scene(-2, -27, 0, 125, 100, 0));
    EXPECT_FALSE(buffer.inDecode());
    EXPECT_EQ(recorder->values.front(), 0.0f);
    EXPECT_NEAR(recorder->values[1], 50.0f / 128, 1e-6);
    EXPECT_EQ(recorder->values.back(), 1.0f);

    // A box wholly off the image keeps the background and reports only the end.
    recorder->values.clear();
    navigator.moveScene(500, 500, AnchorUpperLeft);
    navigator.decode(buffer);
    EXPECT_EQ(memory[0], 250);
    EXPECT_EQ(recorder->values, std::vector<float>{1.0f});
}

TEST(TovexNavigator, LevelsAndRangesReachTheDecoderOnlyWhenItTakesThem) {
    for (int kind = 0; kind < 3; ++kind) {
        TestStage stage(64, 64, 1, 2);
        stage.acceptsMagnifiedLevels = kind == 1;
        stage.acceptsLevels = kind != 2;
        TovexNavigator navigator(stage);
        PixelBuffer buffer(kGrey);
        navigator.setLevel(1);
        navigator.decode(buffer);
        navigator.setLevel(-1);
        navigator.decode(buffer);
        const std::vector<std::vector<std::int32_t>> expected = {{1, 1}, {1, -1}, {0, 0}};
        EXPECT_EQ(stage.log.levels, expected[kind]) << kind;
    }
    // The buffer takes the stage's range only when it has none; without one it is 0.
    TestStage ranged(8, 8, 1, 0), plain(8, 8, 1, 0);
    ranged.properties().setDynamicRange(4096.0, 2048.0);
    PixelBuffer fresh(kGrey), chosen(kGrey), other(kGrey);
    chosen.setWindow(100.0f);
    chosen.setLevel(50.0f);
    TovexNavigator(ranged).decode(fresh);
    TovexNavigator(ranged).decode(chosen);
    TovexNavigator(plain).decode(other);
    EXPECT_EQ(fresh.window(), 4096.0f);
    EXPECT_EQ(fresh.level(), 2048.0f);
    EXPECT_EQ(chosen.window(), 100.0f);
    EXPECT_EQ(other.window(), 0.0f);
}

TEST(TovexNavigator, FailuresReleaseTheLockAndCopiesStartAfresh) {
    TestStage stage(200, 100, 3, 1);
    TovexNavigator navigator(stage);
    PixelBuffer buffer(rgba());
    stage.failInDecode = true;
    EXPECT_THROW(navigator.decode(buffer), InvalidImageDataException);
    EXPECT_FALSE(buffer.inDecode());
    stage.failInDecode = false;
    navigator.decode(buffer);  // would deadlock had the lock been kept
    EXPECT_EQ(buffer.decodeCount(), 1);

    auto recorder = std::make_shared<tovex_test::RecordingCallbacks>();
    navigator.setCallbacks(recorder);
    TovexNavigator copy(navigator);
    EXPECT_EQ(copy.decoder(), nullptr);
    copy.decode(buffer);
    EXPECT_EQ(stage.log.created, 2);
    EXPECT_EQ(copy.decoder()->callbacks(), recorder);

    navigator.setCallbacks(nullptr);
    EXPECT_THROW(navigator.decode(buffer), NullPointerException);
    PatternDecoder decoder(stage);
    decoder.setCallbacks(recorder);
    recorder->interruptAfter = 0;
    EXPECT_EQ(thrownText([&] { decoder.checkInterrupt(); }),
              "[4][2006]Program interrupt encountered");
}
