#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "image/cv_pixelBuffer.h"
#include "image/cv_tovexNavigator.h"
#include "tg2_decode_helpers.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
using namespace tg2_test;

namespace {

struct Source {
    const char* name;
    bool rgb;
};

const Source kSources[] = {{"camera.png", false}, {"astronaut.png", true}};

TG2EncodeOptions fiveLevels() {
    TG2EncodeOptions options;
    options.levels = 5;
    options.step = 2.0f;
    return options;
}

// Windows spread over a level of w x h pixels: the corners, the edges, the middle,
// single pixels and rows, and odd sizes at odd places.
std::vector<Scene> sampleWindows(std::int32_t w, std::int32_t h) {
    std::vector<Scene> windows;
    const auto add = [&](std::int32_t x, std::int32_t y, std::int32_t ww, std::int32_t hh) {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        ww = std::min(ww, w - x);
        hh = std::min(hh, h - y);
        windows.emplace_back(x, y, 0, x + ww - 1, y + hh - 1, 0);
    };
    add(0, 0, 1, 1);
    add(w - 1, h - 1, 1, 1);
    add(0, 0, w / 3 + 1, h / 4 + 1);
    add(w - 9, h - 7, 9, 7);
    add(w / 2 - 3, h / 2 - 5, 13, 11);
    add(w / 3, 0, 5, h);
    add(0, h / 3, w, 3);
    add(w / 5, h / 7, 2 * w / 3 + 1, 1);
    add(7, 13, 1, 2 * h / 3 + 1);
    add(w / 4 + 1, h / 4 + 3, w / 2, h / 2);
    return windows;
}

}  // namespace

TEST(TG2Consistency, WindowsEqualTheSameWindowOfTheWholeLevel) {
    for (const Source& source : kSources) {
        EncodedImage file(loadPng(source.name, source.rgb), fiveLevels());
        for (std::int32_t level = 0; level <= 5; ++level) {
            const Pixels whole = decodeLevel(file.stage(), level);
            for (const Scene& window : sampleWindows(whole.width, whole.height)) {
                const Pixels part = decodeScene(file.stage(), level, window, 16);
                const Pixels expected = cut(whole, window.x0, window.y0, part.width, part.height);
                EXPECT_EQ(part.samples, expected.samples)
                    << source.name << " level " << level << " window " << window.x0 << ","
                    << window.y0 << " " << part.width << " x " << part.height;
            }
        }
    }
}

TEST(TG2Consistency, StripHeightsGiveIdenticalPixels) {
    for (const Source& source : kSources) {
        EncodedImage file(loadPng(source.name, source.rgb), fiveLevels());
        for (std::int32_t level = 0; level <= 5; ++level) {
            const Pixels whole = decodeLevel(file.stage(), level, 0);
            for (const std::int32_t rows : {1, 7, 128}) {
                EXPECT_EQ(decodeLevel(file.stage(), level, rows).samples, whole.samples)
                    << source.name << " level " << level << " strips of " << rows;
            }
        }
    }
}

TEST(TG2Consistency, TheSameSceneTwiceGivesIdenticalPixels) {
    EncodedImage file(loadPng("astronaut.png", true), fiveLevels());
    registerAll();
    // One navigator, so the second decode runs with what the first left behind.
    TovexNavigator navigator(file.stage(), 0, Scene(100, 90, 0, 227, 217, 0));
    const PixelLayout layout(0, ColorSpace(SchemeRGB), DataTypeUInt8);
    std::vector<std::vector<std::uint8_t>> results;
    for (int i = 0; i < 2; ++i) {
        PixelBuffer buffer(layout);
        buffer.setStripHeight(7);
        navigator.decode(buffer);
        results.emplace_back(buffer.memory(), buffer.memory() + buffer.totalSize());
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], decodeScene(file.stage(), 0, navigator.scene(), 7).samples);
}

TEST(TG2Consistency, ScenesReachingPastTheImageKeepTheirInsidePixels) {
    EncodedImage file(loadPng("camera.png", false), fiveLevels());
    const Pixels whole = decodeLevel(file.stage(), 1);
    // 20 columns and 10 rows lie outside the 256 x 256 level on each side.
    const Pixels part = decodeScene(file.stage(), 1, Scene(-20, -10, 0, 40, 30, 0), 8);
    for (std::int32_t y = 0; y <= 30; ++y)
        for (std::int32_t x = 0; x <= 40; ++x)
            ASSERT_EQ(part.at(x + 20, y + 10), whole.at(x, y)) << x << "," << y;
}
