#pragma once
// Writes and compares images for the tool's tests.

#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/decode_support.h"
#include "encode/encode_rasterImage.h"
#include "tvx_rasterWriter.h"

namespace tvx_test {

// Writes the image with the tool's writer in bands of 37 rows, as `tvx decode` does.
inline void writeImage(const std::string& path, const Corvane::RasterImage& image,
                       std::optional<tvx::GeoReference> geo = std::nullopt) {
    const std::size_t bytes = image.bitsPerSample == 16 ? 2 : 1, bands = image.bandCount();
    auto writer = tvx::createRasterWriter(
        path, {image.width, image.height, std::uint32_t(bands), image.bitsPerSample, geo, {}});
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

// The largest difference of any sample (INT_MAX when size, bands or sample depth differ)
// and the PSNR for the peak of the sample depth.
inline tovex_test::Difference compare(const Corvane::RasterImage& a,
                                      const Corvane::RasterImage& b) {
    if (a.width != b.width || a.height != b.height || a.bandCount() != b.bandCount() ||
        a.bitsPerSample != b.bitsPerSample)
        return {INT_MAX, 0};
    std::vector<std::int32_t> first, second;
    for (std::size_t c = 0; c < a.bandCount(); ++c) {
        first.insert(first.end(), a.components[c].begin(), a.components[c].end());
        second.insert(second.end(), b.components[c].begin(), b.components[c].end());
    }
    return tovex_test::difference(first, second, (1 << a.bitsPerSample) - 1);
}

}  // namespace tvx_test
