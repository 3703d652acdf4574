#include "tg2_decode_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "image/cv_pixelBuffer.h"
#include "image/cv_tovexNavigator.h"
#include "stream/cv_fileSpecification.h"
#include "stream/cv_largeFileStream.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;

namespace tg2_test {

EncodedImage::EncodedImage(const RasterImage& image, const TG2EncodeOptions& options)
    : path_(dir_.file("image.tvx")) {
    encodeTG2File(image, options, path_);
    fileSize_ = std::filesystem::file_size(path_);
    stream_ = openFileStream(FileSpecification(path_));
    stage_ = std::make_unique<TG2ImageStage>(*stream_, 0);
}

Pixels decodeScene(ImageStage& stage, std::int32_t level, const Scene& scene,
                   std::int32_t stripHeight) {
    registerAll();
    const std::uint32_t scheme = stage.bandCount() == 1 ? SchemeGrayscale : SchemeRGB;
    const PixelLayout layout(0, ColorSpace(scheme), DataTypeUInt8);
    PixelBuffer buffer(layout);
    buffer.setStripHeight(stripHeight);
    TovexNavigator navigator(stage, level, scene);
    navigator.decode(buffer);

    Pixels pixels;
    pixels.width = static_cast<std::int32_t>(scene.width());
    pixels.height = static_cast<std::int32_t>(scene.height());
    pixels.samplesPerPixel = layout.samplesPerPixel();
    pixels.samples.assign(buffer.memory(), buffer.memory() + buffer.totalSize());
    return pixels;
}

Pixels decodeLevel(ImageStage& stage, std::int32_t level, std::int32_t stripHeight) {
    const std::int32_t w = levelExtent(stage.width(), level);
    const std::int32_t h = levelExtent(stage.height(), level);
    return decodeScene(stage, level, Scene(0, 0, 0, w - 1, h - 1, 0), stripHeight);
}

Pixels cut(const Pixels& pixels, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
    Pixels part;
    part.width = w;
    part.height = h;
    part.samplesPerPixel = pixels.samplesPerPixel;
    for (std::int32_t r = y; r < y + h; ++r)
        for (std::int32_t c = x; c < x + w; ++c)
            for (std::uint32_t s = 0; s < pixels.samplesPerPixel; ++s)
                part.samples.push_back(pixels.at(c, r, s));
    return part;
}

namespace {

template <class Visit>
void eachSample(const Pixels& decoded, const RasterImage& source, Visit visit) {
    EXPECT_EQ(static_cast<std::uint32_t>(decoded.width), source.width);
    EXPECT_EQ(static_cast<std::uint32_t>(decoded.height), source.height);
    EXPECT_EQ(decoded.samplesPerPixel, source.bandCount());
    if (static_cast<std::uint32_t>(decoded.width) != source.width ||
        static_cast<std::uint32_t>(decoded.height) != source.height ||
        decoded.samplesPerPixel != source.bandCount())
        return;
    for (std::uint32_t y = 0; y < source.height; ++y)
        for (std::uint32_t x = 0; x < source.width; ++x)
            for (std::uint32_t b = 0; b < source.bandCount(); ++b)
                visit(decoded.at(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), b),
                      source.components[b][std::size_t{y} * source.width + x]);
}

}  // namespace

double psnr(const Pixels& decoded, const RasterImage& source) {
    double squares = 0.0;
    double count = 0.0;
    eachSample(decoded, source, [&](int got, int wanted) {
        squares += double(got - wanted) * double(got - wanted);
        count += 1.0;
    });
    if (count == 0.0) return 0.0;
    if (squares == 0.0) return INFINITY;
    return 10.0 * std::log10(255.0 * 255.0 * count / squares);
}

int largestError(const Pixels& decoded, const RasterImage& source) {
    int largest = 0;
    eachSample(decoded, source,
               [&](int got, int wanted) { largest = std::max(largest, std::abs(got - wanted)); });
    return largest;
}

}  // namespace tg2_test
