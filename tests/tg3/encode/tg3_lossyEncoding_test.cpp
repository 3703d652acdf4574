// Lossy files: the planes kept for a target size or a target quality, judged on the
// image a reader decodes from the written file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/test_images.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "tg3/encode/tg3_fileReading.h"

namespace Corvane {
namespace {

using tovex_test::readBack;

// Computed here apart from the encoder's own measure: over all samples, peak = range.
double psnr(const RasterImage& a, const RasterImage& b, double peak) {
    double squared = 0;
    double count = 0;
    for (std::size_t c = 0; c < a.components.size(); ++c) {
        for (std::size_t i = 0; i < a.components[c].size(); ++i) {
            const double d = a.components[c][i] - b.components[c][i];
            squared += d * d;
        }
        count += double(a.components[c].size());
    }
    if (squared == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(peak * peak * count / squared);
}

struct Source {
    const char* name;
    RasterImage image;
    double peak;
};

std::vector<Source> sources() {
    return {
        {"8-bit grey", cropImage(loadPng("camera.png", false), 100, 80, 160, 120), 255},
        {"8-bit RGB", cropImage(loadPng("chelsea.png", true), 120, 40, 128, 96), 255},
        {"16-bit RGB", cropImage(loadPnm("flower_small_rgb16.ppm"), 180, 160, 96, 80), 65535},
    };
}

TEST(TG3LossyEncoding, TargetSizesAreKeptAndQualityGrowsWithThem) {
    for (const Source& source : sources()) {
        SCOPED_TRACE(source.name);
        ASSERT_FALSE(source.image.empty());
        const std::size_t lossless = encodeTG3(source.image, {}).size();
        double previousPsnr = 0;
        std::size_t previousSize = 0;
        for (double fraction : {0.03, 0.08, 0.15, 0.3, 0.5, 0.8}) {
            SCOPED_TRACE(fraction);
            TG3EncodeOptions options;
            options.rateMode = TG3RateMode::targetSize;
            options.targetBytes = static_cast<std::uint64_t>(fraction * double(lossless));
            const std::vector<std::uint8_t> bytes = encodeTG3(source.image, options);
            EXPECT_LE(bytes.size(), options.targetBytes);
            // The budget is used, not merely respected.
            EXPECT_GT(double(bytes.size()), 0.6 * double(options.targetBytes));
            const auto file = readBack(bytes);
            const double quality = psnr(source.image, file.image, source.peak);
            EXPECT_GE(bytes.size(), previousSize);
            EXPECT_GE(quality, previousPsnr);
            previousSize = bytes.size();
            previousPsnr = quality;
        }
        EXPECT_GT(previousPsnr, 35.0);  // four fifths of the lossless size is close to it

        // A target at or above the lossless size keeps every plane.
        TG3EncodeOptions generous;
        generous.rateMode = TG3RateMode::targetSize;
        generous.targetBytes = lossless;
        const auto file = readBack(encodeTG3(source.image, generous));
        EXPECT_EQ(file.image.components, source.image.components);
    }
}

TEST(TG3LossyEncoding, TargetQualityIsReachedWithFewerBytes) {
    for (const Source& source : sources()) {
        SCOPED_TRACE(source.name);
        const std::size_t lossless = encodeTG3(source.image, {}).size();
        std::size_t previousSize = 0;
        for (double target : {25.0, 32.0, 38.0, 45.0}) {
            SCOPED_TRACE(target);
            TG3EncodeOptions options;
            options.rateMode = TG3RateMode::targetQuality;
            options.targetPsnr = target;
            const std::vector<std::uint8_t> bytes = encodeTG3(source.image, options);
            const auto file = readBack(bytes);
            EXPECT_GE(psnr(source.image, file.image, source.peak), target);
            EXPECT_LT(bytes.size(), lossless);
            EXPECT_GE(bytes.size(), previousSize);
            previousSize = bytes.size();
        }
    }
}

TEST(TG3LossyEncoding, CoarseBandsKeepMorePlanesThanFineOnes) {
    const RasterImage image = cropImage(loadPng("camera.png", false), 64, 64, 256, 256);
    TG3EncodeOptions options;
    options.rateMode = TG3RateMode::targetSize;
    options.targetBytes = encodeTG3(image, {}).size() / 6;
    const auto file = readBack(encodeTG3(image, options));
    std::vector<int> lastPlane(file.info.bands.size(), -1);
    for (const PlaneIndexEntry& entry : file.index) {
        int& last = lastPlane[entry.position.band];
        last = std::max(last, int{entry.position.plane});
    }
    const std::size_t finest = lastPlane.size() - 1;
    EXPECT_GT(lastPlane[0], lastPlane[finest]);
    EXPECT_GE(lastPlane[2], lastPlane[finest]);
    EXPECT_LT(lastPlane[finest], 31);
}

TEST(TG3LossyEncoding, LossyFilesDecodeInEveryOrderAndStyle) {
    const RasterImage image = cropImage(loadPng("chelsea.png", true), 200, 100, 70, 50);
    for (TG3Order order : {orderPipelined, orderNoPipe, orderSBCP}) {
        for (TG3OrderStyle style : {orderStyleInterleaved, orderStyleDataFirst}) {
            SCOPED_TRACE(testing::Message() << "order " << order << " style " << style);
            TG3EncodeOptions options;
            options.order = order;
            options.orderStyle = style;
            options.subblockSize = 8;
            options.withMSEs = true;
            options.rawPlanes = 2;
            options.rateMode = TG3RateMode::targetQuality;
            options.targetPsnr = 33.0;
            const auto file = readBack(encodeTG3(image, options));
            EXPECT_GE(psnr(image, file.image, 255), 33.0);
        }
    }
}

}  // namespace
}  // namespace Corvane
