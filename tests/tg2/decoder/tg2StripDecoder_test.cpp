#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "encode/tg2/synthesis/tg2_forward97.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_tovexNavigator.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/decoder/tg2_decoder.h"
#include "tg2_decode_helpers.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
using namespace tg2_test;

namespace {

class RecordingCallbacks : public CV_ProcessCallbacks {
  public:
    void progress(float fraction) override { values.push_back(fraction); }
    bool isInterrupted() override { return ++queries > interruptAfter; }

    std::vector<float> values;
    int queries = 0;
    int interruptAfter = 1 << 30;
};

RasterImage cameraCrop(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    return cropImage(loadPng("camera.png", false), x, y, w, h);
}

TG2EncodeOptions options(std::uint32_t levels, float step = 0.5f, bool dither = false) {
    TG2EncodeOptions o;
    o.levels = levels;
    o.step = step;
    o.dither = dither;
    return o;
}

PixelLayout greyLayout() {
    return PixelLayout(0, ColorSpace(SchemeGrayscale), DataTypeUInt8);
}

template <class F>
std::string thrownText(F&& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.what() ? e.what() : "";
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(TG2Decoder, ProgressGoesThroughEveryStripInThreeSteps) {
    EncodedImage file(cameraCrop(0, 0, 64, 300), options(2));
    registerAll();
    auto callbacks = std::make_shared<RecordingCallbacks>();
    TovexNavigator navigator(file.stage(), 0, Scene(0, 0, 0, 63, 299, 0));
    navigator.setCallbacks(callbacks);
    PixelBuffer buffer(greyLayout());
    buffer.setStripHeight(128);
    navigator.decode(buffer);

    // Strips of 128, 128 and 44 rows: each reports where it starts, then 0.4 and
    // 0.7 of its share, and the end reports 1.
    const double a = 128.0 / 300.0;
    const double c = 44.0 / 300.0;
    const std::vector<double> expected = {
        0.0, 0.4 * a, 0.7 * a, a, 1.4 * a, 1.7 * a, 2 * a, 2 * a + 0.4 * c, 2 * a + 0.7 * c, 1.0};
    ASSERT_EQ(callbacks->values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(callbacks->values[i], expected[i], 1e-5) << i;
}

TEST(TG2Decoder, AnInterruptStopsTheDecodeAndTheNextDecodeStartsAfresh) {
    const RasterImage image = cameraCrop(40, 40, 90, 70);
    EncodedImage file(image, options(3));
    registerAll();
    auto callbacks = std::make_shared<RecordingCallbacks>();
    TovexNavigator navigator(file.stage(), 0, Scene(0, 0, 0, 89, 69, 0));
    navigator.setCallbacks(callbacks);
    for (const int after : {0, 1, 5, 40}) {
        callbacks->queries = 0;
        callbacks->interruptAfter = after;
        PixelBuffer buffer(greyLayout());
        buffer.setStripHeight(16);
        EXPECT_THROW(navigator.decode(buffer), Interrupt) << after;
    }
    // The query comes before and after each sub-block, so a decode asks more than
    // twice per coded sub-block it reads.
    callbacks->queries = 0;
    callbacks->interruptAfter = 1 << 30;
    PixelBuffer buffer(greyLayout());
    buffer.setStripHeight(16);
    navigator.decode(buffer);
    EXPECT_GT(callbacks->queries, 8);
    const std::vector<std::uint8_t> pixels(buffer.memory(), buffer.memory() + buffer.totalSize());
    EXPECT_EQ(pixels, decodeLevel(file.stage(), 0).samples);
}

TEST(TG2Decoder, WithoutATransformerTheDecodeIsRefused) {
    EncodedImage file(cameraCrop(0, 0, 20, 20), options(1));
    clearTransformerRegistry();
    TovexNavigator navigator(file.stage(), 0, Scene(0, 0, 0, 19, 19, 0));
    PixelBuffer buffer(greyLayout());
    buffer.setStripHeight(128);
    EXPECT_EQ(thrownText([&] { navigator.decode(buffer); }), "[4][2395]No transformer registered.");
    registerAll();
}

TEST(TG2Decoder, LevelsBeyondTheImageAreRefused) {
    EncodedImage file(cameraCrop(0, 0, 40, 40), options(2));
    registerAll();
    TovexNavigator navigator(file.stage(), 3, Scene(0, 0, 0, 4, 4, 0));
    PixelBuffer buffer(greyLayout());
    buffer.setStripHeight(128);
    const std::string text = thrownText([&] { navigator.decode(buffer); });
    EXPECT_NE(text.find(getMessageText(kScaleBeyondLevels)), std::string::npos) << text;
}

TEST(TG2Decoder, OneLevelImagesAndTheBottomRowStripDecode) {
    const RasterImage image = cameraCrop(200, 300, 33, 23);
    EncodedImage file(image, options(1));
    // 23 rows in strips of 11 leave a last strip of one row at the bottom edge.
    EXPECT_LE(largestError(decodeLevel(file.stage(), 0, 11), image), 1);
    EXPECT_EQ(decodeLevel(file.stage(), 0, 11).samples, decodeLevel(file.stage(), 0, 0).samples);
}

TEST(TG2Decoder, TheCoarsestLevelIsTheLowLowBandScaledDown) {
    // At level L only the low-low band is decoded; its coefficients come out divided
    // by 1.5133282207855925 per level.
    const RasterImage image = cameraCrop(64, 64, 200, 150);
    const std::uint32_t levels = 3;
    EncodedImage file(image, options(levels, 0.25f));
    CoefficientPlane plane;
    plane.width = image.width;
    plane.height = image.height;
    plane.samples.assign(image.components[0].begin(), image.components[0].end());
    const CoefficientPlane lowLow = analyse97(plane, levels)[0];
    const double scale = std::pow(1.5133282207855925, levels);

    const Pixels decoded = decodeLevel(file.stage(), static_cast<std::int32_t>(levels));
    ASSERT_EQ(decoded.width, static_cast<std::int32_t>(lowLow.width));
    ASSERT_EQ(decoded.height, static_cast<std::int32_t>(lowLow.height));
    for (std::uint32_t y = 0; y < lowLow.height; ++y)
        for (std::uint32_t x = 0; x < lowLow.width; ++x) {
            const double expected = std::clamp(lowLow.at(x, y) / scale, 0.0, 255.0);
            ASSERT_NEAR(decoded.at(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)),
                        expected, 1.0)
                << x << "," << y;
        }
}

TEST(TG2Decoder, StripsNeverDecodeTheSameCoefficientsTwice) {
    EncodedImage file(loadPng("camera.png", false), options(5, 2.0f, true));
    registerAll();
    const Scene all(0, 0, 0, 511, 511, 0);
    std::vector<std::uint64_t> positions;
    for (const std::int32_t rows : {0, 7, 1}) {
        TovexNavigator navigator(file.stage(), 0, all);
        PixelBuffer buffer(greyLayout());
        buffer.setStripHeight(rows);
        navigator.decode(buffer);
        const auto* decoder = dynamic_cast<const TG2Decoder*>(navigator.decoder());
        ASSERT_NE(decoder, nullptr);
        positions.push_back(decoder->positionsDecoded());
    }
    EXPECT_GT(positions[0], 0u);
    EXPECT_LE(positions[1], positions[0]);
    EXPECT_LE(positions[2], positions[0]);
}

TEST(TG2Decoder, MagnifiedLevelsDoubleTheSceneAndStayConsistent) {
    EncodedImage file(cameraCrop(100, 100, 40, 30), options(2));
    const Pixels magnified = decodeLevel(file.stage(), -1, 16);
    EXPECT_EQ(magnified.width, 80);
    EXPECT_EQ(magnified.height, 60);
    const Pixels window = decodeScene(file.stage(), -1, Scene(10, 20, 0, 49, 44, 0), 6);
    EXPECT_EQ(window.samples, cut(magnified, 10, 20, 40, 25).samples);
}

TEST(TG2Decoder, NoCallbacksIsRefused) {
    EncodedImage file(cameraCrop(0, 0, 20, 20), options(1));
    const std::unique_ptr<ImageDecoder> decoder = file.stage().createDecoder();
    decoder->setCallbacks(nullptr);
    EXPECT_THROW(decoder->begin(), NullPointerException);
}
