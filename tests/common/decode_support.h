#pragma once
// Decoding through the library's public path (a stage, a navigator and a pixel buffer)
// into interleaved samples, and comparing them with the source image's.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/test_images.h"
#include "image/cv_imageStage.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_scene.h"
#include "image/cv_tovexNavigator.h"
#include "support/cv_callbacks.h"

namespace tovex_test {

// The samples of the navigator's scene, decoded into a buffer of `layout`, row by row and
// pixel-interleaved.
inline std::vector<std::int32_t> decodeWith(Corvane::TovexNavigator& navigator,
                                            const Corvane::PixelLayout& layout,
                                            std::int32_t stripHeight = 128) {
    Corvane::PixelBuffer buffer(layout);
    buffer.setStripHeight(stripHeight);
    navigator.decode(buffer);
    const Corvane::Scene& scene = navigator.scene();
    const std::size_t perRow = std::size_t(scene.width()) * buffer.layout().samplesPerPixel();
    const std::size_t bytes = buffer.layout().bytesPerSample();
    std::vector<std::int32_t> samples;
    for (std::int32_t y = 0; y < scene.height(); ++y)
        for (std::size_t i = 0; i < perRow; ++i) {
            const std::uint8_t* sample = buffer.pixel(0, y) + bytes * i;
            std::uint16_t v = *sample;
            if (bytes == 2) std::memcpy(&v, sample, 2);
            samples.push_back(v);
        }
    return samples;
}

// Callbacks that remember every progress value and interrupt once asked more than
// `interruptAfter` times.
struct RecordingCallbacks : Corvane::CV_ProcessCallbacks {
    void progress(float fraction) override { values.push_back(fraction); }
    bool isInterrupted() override { return ++queries > interruptAfter; }
    std::vector<float> values;
    int queries = 0;
    int interruptAfter = 1 << 30;
};

// The samples of a decoded scene, row by row and pixel-interleaved.
inline std::vector<std::int32_t> decodeScene(Corvane::ImageStage& stage, std::int32_t level,
                                             const Corvane::Scene& scene,
                                             std::int32_t stripHeight = 128) {
    Corvane::TovexNavigator navigator(stage, level, scene);
    return decodeWith(navigator, stage.properties().layout(), stripHeight);
}

// The box of a whole level.
inline Corvane::Scene levelBox(const Corvane::ImageStage& stage, std::int32_t level) {
    return Corvane::Scene(0, 0, 0, Corvane::levelExtent(stage.width(), level) - 1,
                          Corvane::levelExtent(stage.height(), level) - 1, 0);
}

// The samples of a box of component planes (each width x height), interleaved.
inline std::vector<std::int32_t> interleave(const std::vector<std::vector<std::int32_t>>& planes,
                                            std::uint32_t width, const Corvane::Scene& box) {
    std::vector<std::int32_t> out;
    for (std::int32_t y = box.y0; y <= box.y1; ++y)
        for (std::int32_t x = box.x0; x <= box.x1; ++x)
            for (const auto& plane : planes)
                out.push_back(
                    plane[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)]);
    return out;
}

// A box cut from interleaved samples of a wider box starting at the origin.
inline std::vector<std::int32_t> cut(const std::vector<std::int32_t>& samples, std::int64_t width,
                                     int components, const Corvane::Scene& box) {
    std::vector<std::int32_t> out;
    for (std::int32_t y = box.y0; y <= box.y1; ++y)
        for (std::int32_t x = box.x0; x <= box.x1; ++x)
            for (int c = 0; c < components; ++c)
                out.push_back(samples[static_cast<std::size_t>((y * width + x) * components + c)]);
    return out;
}

// Interleaved samples of a width x height box with each pixel repeated 2^magnification
// times across and down: what a level-0 box shows at level -magnification.
inline std::vector<std::int32_t> repeated(const std::vector<std::int32_t>& samples,
                                          std::int64_t width, std::int64_t height, int components,
                                          int magnification) {
    std::vector<std::int32_t> out;
    for (std::int64_t y = 0; y < height << magnification; ++y)
        for (std::int64_t x = 0; x < width << magnification; ++x)
            for (int c = 0; c < components; ++c)
                out.push_back(samples[static_cast<std::size_t>(
                    ((y >> magnification) * width + (x >> magnification)) * components + c)]);
    return out;
}

// How far decoded samples lie from the expected ones: the largest difference of any
// sample, and the PSNR in dB for samples of the given peak (1000 when equal).
struct Difference {
    int largest = 0;
    double psnr = 1000;
};
inline Difference difference(const std::vector<std::int32_t>& decoded,
                             const std::vector<std::int32_t>& expected, double peak) {
    if (decoded.size() != expected.size() || decoded.empty()) return {1 << 30, 0};
    Difference d;
    double squared = 0;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        const double e = double(decoded[i]) - expected[i];
        d.largest = std::max(d.largest, int(std::abs(e)));
        squared += e * e;
    }
    if (squared > 0) d.psnr = 10 * std::log10(peak * peak * double(decoded.size()) / squared);
    return d;
}

}  // namespace tovex_test
