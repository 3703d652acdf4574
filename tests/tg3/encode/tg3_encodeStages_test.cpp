// The file encoder's own stages one by one: keeping a coding and cutting it later, the
// band weights, and the CMYK step on samples against its decoder mirror.
#include <gtest/gtest.h>

#include <cmath>

#include "common/test_images.h"
#include "encode/tg3/tg3_bandWeights.h"
#include "encode/tg3/tg3_codedImage.h"
#include "encode/tg3/tg3_encodeSettings.h"
#include "encode/tg3/tg3_forwardSampleSteps.h"
#include "encode/tg3/tg3_imageCoder.h"
#include "tg3/engine/tg3_sampleOutput.h"

namespace Corvane {
namespace {

bool samePlanes(const std::vector<CodedPlane>& a, const std::vector<CodedPlane>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!(a[i].position == b[i].position) || a[i].bytes != b[i].bytes || a[i].raw != b[i].raw)
            return false;
    }
    return true;
}

TEST(TG3EncodeStages, ACutCodingEqualsACodingThatStopsThere) {
    const RasterImage image = cropImage(loadPng("chelsea.png", true), 60, 30, 83, 61);
    TG3EncodeOptions options;
    options.subblockSize = 16;
    const TG3ImageInfo info = encodedImageInfo(image, options);
    std::int32_t status = -1;
    const auto bands = transformImage(info, image.components, status);
    ASSERT_EQ(status, 0);
    const int firstRaw = 29;
    const CodedImage kept(info, bands, firstRaw);
    for (int last : {31, 30, 28, 26, 25, 24}) {
        SCOPED_TRACE(last);
        std::vector<CodedPlane> direct;
        codeSubblocks(info, bands, PlaneCoding{last, firstRaw},
                      [&direct](std::uint32_t band, std::uint32_t subblock, std::uint16_t component,
                                EncodedPlanes&& planes) {
                          for (std::size_t i = 0; i < planes.planes.size(); ++i) {
                              PlanePosition p;
                              p.band = static_cast<std::uint8_t>(band);
                              p.subblock = subblock;
                              p.component = component;
                              p.plane = static_cast<std::uint8_t>(planes.first + int(i));
                              direct.push_back({p, planes.planes[i].bytes, planes.planes[i].raw});
                          }
                      });
        const auto cut = kept.planes(std::vector<int>(info.bands.size(), last));
        EXPECT_FALSE(cut.empty());
        EXPECT_TRUE(samePlanes(cut, direct));
    }
    EXPECT_TRUE(kept.planes(std::vector<int>(info.bands.size(), kNoPlanes)).empty());
}

TEST(TG3EncodeStages, BandWeightsFollowTheSynthesisEnergies) {
    TG3ImageInfo info;
    info.width = 4096;
    info.height = 4096;
    info.subblockSize = 64;
    for (int levels = 1; levels <= 8; ++levels) {
        SCOPED_TRACE(levels);
        info.levels = static_cast<std::uint8_t>(levels);
        info.buildBandTable();
        const std::vector<double> w = bandWeights(info);
        ASSERT_EQ(w.size(), info.bands.size());
        // The low-pass basis after n = 2^levels splits is the hat 1 - |k| / n, whose
        // energy is (2 n^2 + 1) / (3 n) along each axis.
        const double n = std::ldexp(1.0, levels);
        EXPECT_NEAR(w[0], std::log2((2 * n * n + 1) / (3 * n)), 1e-9);
        // One split down, the high-pass basis is the synthesis filter itself:
        // (1 + 4 + 36 + 4 + 1) / 64.
        const std::size_t finest = 4u * static_cast<unsigned>(levels);
        EXPECT_NEAR(w[finest], std::log2(46.0 / 64.0), 1e-9);
        EXPECT_NEAR(w[finest - 1], w[finest - 2], 1e-12);
        // Each level further down weighs more, by a step that grows towards one bit
        // (the energy doubles along each axis once the basis is wide).
        for (std::size_t b = 4; b < finest; b += 4) {
            EXPECT_GT(w[b] - w[b + 4], 0.3) << b;
            EXPECT_LT(w[b] - w[b + 4], 1.0) << b;
            if (b >= 8) {
                EXPECT_GT(w[b - 4] - w[b], w[b] - w[b + 4]) << b;
            }
        }
        if (levels == 8) {
            EXPECT_NEAR(w[4] - w[8], 1.0, 0.01);
        }

        EXPECT_EQ(lastPlanesForDepth(w, 0.0), std::vector<int>(w.size(), 31));
        EXPECT_EQ(lastPlanesForDepth(w, emptyDepth(w)), std::vector<int>(w.size(), kNoPlanes));
    }
    // Between the ends, a heavier band drops fewer planes.
    info.levels = 3;
    info.buildBandTable();
    const std::vector<double> w = bandWeights(info);
    const std::vector<int> last = lastPlanesForDepth(w, 6.0);
    EXPECT_GT(last[0], last[12]);
    EXPECT_GE(last[4], last[12]);
}

TEST(TG3EncodeStages, CmykStepIsUndoneByKRecovery) {
    const RasterImage rgb = cropImage(loadPng("chelsea.png", true), 10, 10, 40, 30);
    std::vector<std::vector<std::int32_t>> cmyk(4);
    for (std::size_t i = 0; i < rgb.components[0].size(); ++i) {
        for (int c = 0; c < 3; ++c) cmyk[std::size_t(c)].push_back(255 - rgb.components[c][i]);
        cmyk[3].push_back(static_cast<std::int32_t>((i * 37) % 256));  // K unrelated to C, M, Y
    }
    auto planes = cmyk;
    cmykPreProcess(planes);
    EXPECT_NE(planes, cmyk);

    const OutputOptions output =
        makeOutputOptions(colorSpaceCMYK, colorTransformCMYKToYIQKProcessed, 0, 255, dataTypeUInt8);
    ASSERT_TRUE(output.kRecovery);
    std::int32_t* pointers[4] = {planes[0].data(), planes[1].data(), planes[2].data(),
                                 planes[3].data()};
    std::vector<std::uint8_t> stored(4 * planes[0].size());
    ASSERT_EQ(postProcessAndStore(output, pointers, 4, rgb.width, rgb.height, stored.data(), 0), 0);
    for (std::size_t i = 0; i < planes[0].size(); ++i)
        for (std::size_t c = 0; c < 4; ++c)
            ASSERT_EQ(stored[4 * i + c], cmyk[c][i]) << "sample " << i << " component " << c;
}

}  // namespace
}  // namespace Corvane
