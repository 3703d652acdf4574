#pragma once
// Writes and compares images for the tool's tests.

#include <climits>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "encode/encode_rasterImage.h"
#include "tvx_rasterWriter.h"

namespace tvx_test {

struct Difference {
    int largest;  // of any sample; INT_MAX when size, bands or sample depth differ
    double psnr;  // in dB, peak of the sample depth
};

// Writes the image with the tool's writer in bands of 37 rows, as `tvx decode` does.
inline void writeImage(const std::string& path, const Corvane::RasterImage& image,
                       std::optional<tvx::GeoReference> geo = std::nullopt) {
    const std::size_t bytes = image.bitsPerSample == 16 ? 2 : 1, bands = image.bandCount();
    auto writer = tvx::createRasterWriter(
        path, {image.width, image.height, std::uint32_t(bands), image.bitsPerSample, geo});
    // Rows of interleaved native-endian samples, as the decoder delivers them.
    std::vector<std::uint8_t> pixels(image.components[0].size() * bands * bytes);
    for (std::size_t i = 0; i < pixels.size() / bytes; ++i) {
        const auto sample = std::uint16_t(image.components[i % bands][i / bands]);
        if (bytes == 2)
            std::memcpy(&pixels[2 * i], &sample, 2);
        else
            pixels[i] = std::uint8_t(sample);
    }
    const std::size_t stride = pixels.size() / image.height;
    for (std::uint32_t y = 0; y < image.height; y += 37)
        writer->writeRows(&pixels[y * stride], stride, std::min(37u, image.height - y));
    writer->finish();
}

inline Difference compare(const Corvane::RasterImage& a, const Corvane::RasterImage& b) {
    Difference d{0, INFINITY};
    if (a.width != b.width || a.height != b.height || a.bandCount() != b.bandCount() ||
        a.bitsPerSample != b.bitsPerSample)
        return {INT_MAX, 0};
    double squared = 0, count = 0;
    for (std::size_t c = 0; c < a.bandCount(); ++c)
        for (std::size_t i = 0; i < a.components[c].size(); ++i, ++count) {
            const int e = a.components[c][i] - b.components[c][i];
            d.largest = std::max(d.largest, std::abs(e));
            squared += double(e) * e;
        }
    const double peak = (1 << a.bitsPerSample) - 1;
    if (squared > 0) d.psnr = 10.0 * std::log10(peak * peak * count / squared);
    return d;
}

}  // namespace tvx_test
