#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "common/test_images.h"
#include "encode/tg3/tg3_imageCoder.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/engine/tg3_bandCache.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_filePlaneStoreClient.h"

using namespace Corvane;

namespace {

struct CodingSetup {
    int levels = 5;
    std::uint16_t subblockSize = 64;
    TG3DataType dataType = dataTypeUInt8;
    std::int32_t rangeMax = 255;
    TG3ColorSpace colourSpace = colorSpaceGreyscale;
    TG3ColorTransform transform = colorTransformIdentity;
    bool hasMSEs = false;
    PlaneCoding coding;
    std::uint64_t cacheBudgetBytes = TG3BandCache::kEntryBudgetBytes;
};

TG3ImageInfo infoFor(const TestImage& image, const CodingSetup& s) {
    TG3ImageInfo info;
    info.width = image.width;
    info.height = image.height;
    info.levels = static_cast<std::uint8_t>(s.levels);
    info.subblockSize = s.subblockSize;
    info.components = static_cast<std::uint16_t>(image.components.size());
    info.planes = 32;
    info.dataType = s.dataType;
    info.dynamicRangeMin = 0;
    info.dynamicRangeMax = s.rangeMax;
    info.inputColorSpace = s.colourSpace;
    info.waveletColorSpace = s.colourSpace;
    info.colorTransform = s.transform;
    info.hasMSEs = s.hasMSEs ? 1 : 0;
    info.buildBandTable();
    return info;
}

// Everything the decoder reads: the coded planes in memory and the plane
// store and band cache over them.
struct EncodedImage {
    TG3ImageInfo info;
    MemoryPlaneset planeset;
    MemoryKernelStream stream;
    std::unique_ptr<tg3_filePlaneStoreClient> store;
    std::unique_ptr<TG3BandCache> bands;

    EncodedImage(const TestImage& image, const CodingSetup& s)
        : info(infoFor(image, s)), planeset(s.hasMSEs) {
        std::int32_t status = 0;
        const auto coefficients = transformImage(info, image.components, status);
        EXPECT_EQ(status, 0);
        codeSubblocks(info, coefficients, s.coding, planeset);
        stream = MemoryKernelStream(planeset.bytes());
        store = std::make_unique<tg3_filePlaneStoreClient>(info, planeset.index(), stream, 0,
                                                           s.hasMSEs);
        bands = std::make_unique<TG3BandCache>(info, *store, s.cacheBudgetBytes);
    }
};

// Decodes a region through DecodeBase in requests of `request` rows and
// returns the interleaved samples.
std::vector<std::int32_t> decode(EncodedImage& encoded, const Region& region, int request) {
    const TG3ImageInfo& info = encoded.info;
    DecodeBase decoder(info, *encoded.bands, region, info.levels, info.width, info.height,
                       info.components, 16);
    EXPECT_EQ(decoder.status(), 0);
    EXPECT_EQ(decoder.initialise(), 0);
    const std::size_t rowSamples =
        static_cast<std::size_t>(region.x1 - region.x0 + 1) * info.components;
    std::vector<std::int32_t> samples;
    for (auto y = static_cast<std::int32_t>(region.y0); y <= region.y1; y += request) {
        const auto last =
            static_cast<std::int32_t>(std::min<std::int64_t>(y + request - 1, region.y1));
        const void* rows = nullptr;
        const std::int32_t status = decoder.readRows(y, last, rows);
        EXPECT_EQ(status, 0);
        if (status != 0) break;
        const std::size_t count = rowSamples * static_cast<std::size_t>(last - y + 1);
        for (std::size_t i = 0; i < count; ++i)
            samples.push_back(decoder.bytesPerSample() == 1
                                  ? static_cast<const std::uint8_t*>(rows)[i]
                                  : static_cast<const std::uint16_t*>(rows)[i]);
    }
    return samples;
}

std::vector<std::int32_t> interleaved(const TestImage& image, const Region& r) {
    std::vector<std::int32_t> out;
    for (std::int32_t y = r.y0; y <= r.y1; ++y)
        for (std::int32_t x = r.x0; x <= r.x1; ++x)
            for (const auto& plane : image.components)
                out.push_back(
                    plane[static_cast<std::size_t>(y) * image.width + static_cast<std::size_t>(x)]);
    return out;
}

Region whole(const TestImage& image) {
    return {0, 0, static_cast<std::int32_t>(image.width) - 1,
            static_cast<std::int32_t>(image.height) - 1};
}

}  // namespace

TEST(ImageRoundTrip, EightBitGreyComesBackExactly) {
    const TestImage camera = loadPng("camera.png", false);
    ASSERT_EQ(camera.width, 512u);
    CodingSetup setup;
    EncodedImage encoded(camera, setup);
    EXPECT_EQ(decode(encoded, whole(camera), 16), interleaved(camera, whole(camera)));
    // Line by line down the whole image, yet every sub-block with coded
    // planes was read and decoded exactly once.
    std::set<std::pair<int, std::uint32_t>> coded;
    for (const PlaneIndexEntry& e : encoded.planeset.index())
        coded.insert({e.position.band, e.position.subblock});
    EXPECT_EQ(encoded.store->subblockReads(), coded.size());
    // A tile in the middle, through the same band caches' column logic.
    const Region tile{130, 70, 257, 197};
    EncodedImage again(camera, setup);
    EXPECT_EQ(decode(again, tile, 128), interleaved(camera, tile));
}

TEST(ImageRoundTrip, EightBitRgbWithColourTransformTen) {
    const TestImage chelsea = cropImage(loadPng("chelsea.png", true), 150, 60, 181, 143);
    ASSERT_EQ(chelsea.components.size(), 3u);
    CodingSetup setup;
    setup.levels = 4;
    setup.subblockSize = 32;
    setup.colourSpace = colorSpaceRGB;
    setup.transform = colorTransformRGBToYIQ;
    EncodedImage encoded(chelsea, setup);
    EXPECT_EQ(decode(encoded, whole(chelsea), 9), interleaved(chelsea, whole(chelsea)));
    const Region tile{37, 11, 164, 138};
    EncodedImage again(chelsea, setup);
    EXPECT_EQ(decode(again, tile, 16), interleaved(chelsea, tile));
}

// A band cache too small for a whole row of sub-blocks keeps a few rows at a time and
// decodes the sub-blocks again for the rows after them: the samples must not change,
// whatever the number of rows a refill holds.
TEST(ImageRoundTrip, BandCacheHoldingPartsOfSubblockRows) {
    const TestImage chelsea = cropImage(loadPng("chelsea.png", true), 150, 60, 181, 143);
    CodingSetup setup;
    setup.levels = 3;
    setup.subblockSize = 64;
    setup.colourSpace = colorSpaceRGB;
    setup.transform = colorTransformRGBToYIQ;
    const Region tile{37, 11, 164, 138};
    // One row of the widest band's region, a few rows, and less than one row.
    for (std::uint64_t budget :
         {std::uint64_t{3 * 4 * 91}, std::uint64_t{5000}, std::uint64_t{16}}) {
        SCOPED_TRACE(budget);
        setup.cacheBudgetBytes = budget;
        EncodedImage encoded(chelsea, setup);
        EXPECT_EQ(decode(encoded, whole(chelsea), 7), interleaved(chelsea, whole(chelsea)));
        EncodedImage again(chelsea, setup);
        EXPECT_EQ(decode(again, tile, 16), interleaved(chelsea, tile));
    }
}

TEST(ImageRoundTrip, SixteenBitGreyWithDcShiftMsesAndRawPlanes) {
    const TestImage flower = loadPgm16("flower_green16_crop.pgm");
    ASSERT_EQ(flower.width, 120u);
    CodingSetup setup;
    setup.levels = 3;
    setup.subblockSize = 16;
    setup.dataType = dataTypeUInt16;
    setup.rangeMax = 65535;
    setup.transform = colorTransformDCShift;
    setup.hasMSEs = true;
    setup.coding.firstRawPlane = 28;
    EncodedImage encoded(flower, setup);
    EXPECT_EQ(decode(encoded, whole(flower), 16), interleaved(flower, whole(flower)));
}

TEST(ImageRoundTrip, LossyCodingStaysCloseToTheSource) {
    // Coded down to plane 27 (weight 16): the coefficients are off by less
    // than 16, so the image is near but no longer equal to the source.
    const TestImage camera = cropImage(loadPng("camera.png", false), 100, 100, 200, 160);
    CodingSetup setup;
    setup.levels = 4;
    setup.coding.lastPlane = 27;
    EncodedImage encoded(camera, setup);
    const auto decoded = decode(encoded, whole(camera), 16);
    const auto source = interleaved(camera, whole(camera));
    ASSERT_EQ(decoded.size(), source.size());
    double squared = 0;
    for (std::size_t i = 0; i < source.size(); ++i)
        squared += double(decoded[i] - source[i]) * (decoded[i] - source[i]);
    const double psnr = 10 * std::log10(255.0 * 255.0 / (squared / double(source.size())));
    EXPECT_NE(decoded, source);
    EXPECT_GT(psnr, 30.0);
}
