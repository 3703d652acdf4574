#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "common/test_images.h"
#include "encode/tg2/entropy/tg2_quantiser.h"
#include "encode/tg2/synthesis/tg2_forward97.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/synthesis/tg2_merge2.h"
#include "tg2/synthesis/tg2_subband.h"

using namespace Corvane;

namespace {

struct Outcome {
    double largestError = 0.0;
    // Samples whose 8-bit value (clamped, then truncated) is more than 1 away.
    int storedMisses = 0;
    double psnr = 0.0;
};

// Analyses the image over `levels`, weights and quantises every subband with
// `step` (with subtractive dither when a table is given), then dequantises each
// subband as the decoder does at full resolution, with the step divided by the
// subband's weight, and synthesises the image back.
Outcome roundTrip(const RasterImage& gray, std::uint32_t levels, float step,
                  const std::vector<float>* ditherTable) {
    CoefficientPlane image;
    image.width = gray.width;
    image.height = gray.height;
    image.samples.assign(gray.components[0].begin(), gray.components[0].end());

    std::vector<CoefficientPlane> planes = analyse97(image, levels);
    applySubbandWeights(planes, subbandWeights(gray.width, gray.height, levels));

    Subband root(gray.width, gray.height, 1, levels, 0,
                 Region{0, 0, std::int64_t{gray.width} - 1, std::int64_t{gray.height} - 1});
    for (Subband* leaf : root.leaves()) {
        const CoefficientPlane& plane = planes[static_cast<std::size_t>(leaf->leafNumber())];
        // Each subband starts the dither table at its own place, as the stream's
        // per-subband dither offsets do.
        const std::uint32_t offset = static_cast<std::uint32_t>(leaf->leafNumber()) * 37;
        const auto ditherAt = [&](std::uint32_t column, std::uint32_t row) {
            return (*ditherTable)[((row + offset) % 128) * 128 + (column + offset) % 128];
        };
        const std::vector<std::int32_t> indices =
            ditherTable ? quantisePlane(plane, step, ditherAt) : quantisePlane(plane, step);

        const auto decoderStep = static_cast<float>(step / leaf->weight());
        std::vector<float> coefficients(indices.size());
        dequantiseIndices(indices.data(), coefficients.data(), indices.size(), decoderStep);
        Array2D& band = leaf->band(0);
        for (std::uint32_t r = 0; r < plane.height; ++r)
            for (std::uint32_t c = 0; c < plane.width; ++c) {
                float value = coefficients[std::size_t{r} * plane.width + c];
                if (ditherTable) value -= decoderStep * ditherAt(c, r);
                band.at(0, c, r) = value;
            }
    }
    synthesise(root);

    Outcome outcome;
    double squares = 0.0;
    const Array2D& restored = root.band(0);
    for (std::uint32_t r = 0; r < gray.height; ++r)
        for (std::uint32_t c = 0; c < gray.width; ++c) {
            const double source = gray.components[0][std::size_t{r} * gray.width + c];
            const float value = restored.at(0, c, r);
            outcome.largestError = std::max(outcome.largestError, std::fabs(value - source));
            // What an 8-bit output would hold: clamped, then truncated.
            const double stored = std::trunc(std::clamp(value, 0.0f, 255.0f));
            if (std::fabs(stored - source) > 1.0) ++outcome.storedMisses;
            squares += (value - source) * (value - source);
        }
    const double meanSquare = squares / (static_cast<double>(gray.width) * gray.height);
    outcome.psnr = 10.0 * std::log10(255.0 * 255.0 / meanSquare);
    return outcome;
}

RasterImage camera() {
    const RasterImage image = loadPng("camera.png", false);
    EXPECT_FALSE(image.empty());
    return image;
}

}  // namespace

TEST(CameraRoundTrip, SmallStepRestoresEverySampleWithinOne) {
    const RasterImage gray = camera();
    ASSERT_EQ(gray.width, 512u);
    ASSERT_EQ(gray.height, 512u);
    const Outcome outcome = roundTrip(gray, 5, 0.5f, nullptr);
    RecordProperty("psnr", std::to_string(outcome.psnr));
    EXPECT_LT(outcome.largestError, 1.0);
    EXPECT_EQ(outcome.storedMisses, 0);
    EXPECT_GT(outcome.psnr, 50.0);
}

TEST(CameraRoundTrip, SubtractiveDitherIsUndoneByTheDecoder) {
    const RasterImage gray = camera();
    ASSERT_EQ(gray.width, 512u);
    // A stand-in for the decoder's table: the same spread, any values.
    std::mt19937 random(128);
    std::uniform_real_distribution<float> spread(-0.25f, 0.25f);
    std::vector<float> table(128 * 128);
    for (float& value : table) value = spread(random);
    const Outcome outcome = roundTrip(gray, 5, 0.5f, &table);
    RecordProperty("psnr", std::to_string(outcome.psnr));
    EXPECT_LT(outcome.largestError, 1.0);
    EXPECT_EQ(outcome.storedMisses, 0);
    EXPECT_GT(outcome.psnr, 50.0);
}
