// Real images written as lossless TG3 files by our encoder and read back through the file-level
// reader, the navigator and pixel buffers: exact at full resolution, each reduced
// level equal to the encoder's own low-pass band, and every window, strip height
// and level consistent with the whole decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/temp_dir.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "encode/tg3/tg3_forwardTransform53.h"
#include "reader/cv_tvxFileImageReader.h"
#include "tg3/decoder/decode_support.h"

namespace Corvane {
namespace {

struct Source {
    const char* name;
    TestImage image;
    TG3EncodeOptions options;
};

// The encoder's defaults: lossless, 5 levels, sub-blocks of 64, pipelined and
// interleaved, DC shift for grey and RGB to YIQ for colour.
Source camera() {
    return {"camera.png", loadPng("camera.png", false), TG3EncodeOptions{}};
}

// Camera with a flat quarter: the detail sub-blocks there hold no planes at all,
// which the decoder fills with zeros without asking for each plane.
Source cameraWithFlatQuarter() {
    TestImage image = loadPng("camera.png", false);
    for (std::uint32_t y = 0; y < image.height / 2; ++y)
        for (std::uint32_t x = 0; x < image.width / 2; ++x)
            image.components[0][y * image.width + x] = 100;
    return {"camera.png with a flat quarter", image, TG3EncodeOptions{}};
}

Source astronaut() {
    return {"astronaut.png", loadPng("astronaut.png", true), TG3EncodeOptions{}};
}

// 16-bit RGB in another order and style, with MSE bytes and longer length records.
Source flower16() {
    TG3EncodeOptions options;
    options.levels = 4;
    options.subblockSize = 32;
    options.order = orderNoPipe;
    options.orderStyle = orderStyleDataFirst;
    options.planesetVersionMinor = 1;
    options.withMSEs = true;
    return {"flower_small_rgb16.ppm", loadPnm("flower_small_rgb16.ppm"), options};
}

// The low-pass band of the forward transform at `level`, clamped to the samples'
// range: what a lossless file decodes to at that level.
std::vector<std::vector<std::int32_t>> lowPassAt(const TestImage& image, int level,
                                                 std::int32_t maximum) {
    std::vector<std::vector<std::int32_t>> planes;
    for (const auto& samples : image.components) {
        std::vector<std::int32_t> band =
            forwardTransform53(samples, image.width, image.height, level)[0];
        for (std::int32_t& v : band) v = std::clamp(v, 0, maximum);
        planes.push_back(std::move(band));
    }
    return planes;
}

// Windows spread over a level: corners, centre, odd offsets and a tile-aligned one.
std::vector<Scene> windowsOf(std::int32_t w, std::int32_t h) {
    std::vector<Scene> windows;
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {17, 9}, {64, 3}, {128, 128}};
    for (auto [ww, wh] : sizes) {
        ww = std::min(ww, w);
        wh = std::min(wh, h);
        const std::pair<std::int32_t, std::int32_t> corners[] = {
            {0, 0},
            {w - ww, h - wh},
            {(w - ww) / 2, (h - wh) / 2},
            {(w - ww) / 3 + 1, (h - wh) / 5 + 3}};
        for (auto [x, y] : corners) {
            x = std::clamp(x, 0, w - ww);
            y = std::clamp(y, 0, h - wh);
            windows.emplace_back(x, y, 0, x + ww - 1, y + wh - 1, 0);
        }
    }
    if (w > 256 && h > 256) windows.emplace_back(128, 128, 0, 255, 255, 0);
    return windows;
}

// One navigator moved over a level as a strip reader moves it: scenes that continue
// each other downwards share the decoder's engine, and a scene elsewhere or back up
// must start afresh. Each scene must equal the same box of the whole decode.
void expectConsecutiveScenesMatch(ImageStage& reader, std::int32_t level,
                                  const std::vector<std::int32_t>& whole, const Scene& box,
                                  int components) {
    const std::int32_t w = static_cast<std::int32_t>(box.width());
    const std::int32_t h = static_cast<std::int32_t>(box.height());
    const auto rows = [&](std::int32_t x0, std::int32_t x1, std::int32_t y0, std::int32_t count) {
        y0 = std::min(y0, h - 1);
        return Scene(x0, y0, 0, x1, std::min(h, y0 + count) - 1, 0);
    };
    std::vector<Scene> scenes;
    std::int32_t y = 0;
    for (const std::int32_t count : {5, 64, 37, 1, 100}) {
        scenes.push_back(rows(0, w - 1, y, count));
        y += count;
    }
    scenes.push_back(rows(w / 3, w / 2, 10, 20));  // other columns
    scenes.push_back(rows(0, w - 1, 0, 40));       // back to the top
    scenes.push_back(rows(0, w - 1, 40, 200));     // continuing it again
    TovexNavigator navigator(reader, level, scenes.front());
    for (const Scene& scene : scenes) {
        navigator.setSceneSize(static_cast<std::int32_t>(scene.width()),
                               static_cast<std::int32_t>(scene.height()), AnchorUpperLeft);
        navigator.moveScene(scene.x0, scene.y0, AnchorUpperLeft);
        EXPECT_EQ(tovex_test::decodeWith(navigator, reader.properties().layout(), 16),
                  tovex_test::cut(whole, w, components, scene))
            << "scene " << scene.x0 << "," << scene.y0 << ".." << scene.x1 << "," << scene.y1;
    }
}

class TG3RoundTrip : public testing::TestWithParam<Source (*)()> {};

TEST_P(TG3RoundTrip, LosslessFileDecodesConsistentlyAtEveryLevel) {
    const Source source = GetParam()();
    SCOPED_TRACE(source.name);
    const TestImage& image = source.image;
    ASSERT_FALSE(image.empty());
    tovex_test::TempDir dir;
    const std::string path = dir.file("image.tvx");
    encodeTG3File(image, source.options, path);

    TvxFileImageReader reader(path, 0);
    ASSERT_EQ(reader.width(), static_cast<std::int32_t>(image.width));
    ASSERT_EQ(reader.height(), static_cast<std::int32_t>(image.height));
    ASSERT_EQ(reader.bandCount(), static_cast<std::int32_t>(image.components.size()));
    ASSERT_EQ(reader.levelCount(), source.options.levels < 0 ? 5 : source.options.levels);
    const int components = static_cast<int>(image.components.size());
    const std::int32_t maximum = image.bitsPerSample == 16 ? 65535 : 255;

    for (std::int32_t level = 0; level <= reader.levelCount(); ++level) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        const Scene box = tovex_test::levelBox(reader, level);
        const std::vector<std::int32_t> whole = tovex_test::decodeScene(reader, level, box);
        const auto expected = lowPassAt(image, level, maximum);
        ASSERT_EQ(whole,
                  tovex_test::interleave(expected, static_cast<std::uint32_t>(box.width()), box));

        expectConsecutiveScenesMatch(reader, level, whole, box, components);
        for (std::int32_t strip : {1, 7, 0}) {
            EXPECT_EQ(tovex_test::decodeScene(reader, level, box, strip), whole)
                << "strip height " << strip;
        }
        for (const Scene& window : windowsOf(static_cast<std::int32_t>(box.width()),
                                             static_cast<std::int32_t>(box.height()))) {
            EXPECT_EQ(tovex_test::decodeScene(reader, level, window, 7),
                      tovex_test::cut(whole, box.width(), components, window))
                << "window " << window.x0 << "," << window.y0 << ".." << window.x1 << ","
                << window.y1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RealImages, TG3RoundTrip,
                         testing::Values(&camera, &cameraWithFlatQuarter, &astronaut, &flower16));

}  // namespace
}  // namespace Corvane
