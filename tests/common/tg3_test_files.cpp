#include "common/tg3_test_files.h"

#include <gtest/gtest.h>

#include "encode/tg3/tg3_imageCoder.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/planeset/tg3_planesetWriter.h"

using namespace Corvane;

namespace tovex_test {

TG3ImageInfo recipeInfo(const TestImage& image, const FileRecipe& recipe) {
    TG3ImageInfo info;
    info.width = image.width;
    info.height = image.height;
    info.levels = static_cast<std::uint8_t>(recipe.levels);
    info.subblockSize = recipe.subblockSize;
    info.components = static_cast<std::uint16_t>(image.components.size());
    info.planes = 32;
    info.dataType = recipe.sixteenBit ? dataTypeUInt16 : dataTypeUInt8;
    info.domainBits = recipe.sixteenBit ? 16 : 8;
    info.dynamicRangeMin = 0;
    info.dynamicRangeMax =
        recipe.rangeMax >= 0 ? recipe.rangeMax : (recipe.sixteenBit ? 65535 : 255);
    info.inputColorSpace = recipe.colorSpace;
    info.waveletColorSpace = recipe.colorSpace;
    info.colorTransform = recipe.transform;
    info.buildBandTable();
    return info;
}

Bytes makeTG3File(const TestImage& image, const FileRecipe& recipe) {
    TG3ImageInfo info = recipeInfo(image, recipe);
    std::int32_t status = 0;
    const auto bands = transformImage(info, image.components, status);
    EXPECT_EQ(status, 0);
    MemoryPlaneset coded(false);
    codeSubblocks(info, bands, PlaneCoding{}, coded);
    std::vector<CodedPlane> planes;
    for (const PlaneIndexEntry& entry : coded.index()) {
        const auto from = coded.bytes().begin() + entry.dataOffset;
        planes.push_back({entry.position,
                          Bytes(from, from + static_cast<std::ptrdiff_t>(entry.length)),
                          entry.raw});
    }
    if (recipe.editHeader) recipe.editHeader(info);

    MemoryKernelStream file;
    EXPECT_EQ(writeFileHeader(file), 0);
    HeaderPacket header = makeHeaderPacket(info);
    HeaderPacketKind headerKind;
    EXPECT_EQ(writePacket(file, header.header(), *headerKind.newWriter(header)), 0);
    if (recipe.description) {
        EXPECT_EQ(writeImageDescriptionPacket(file, *recipe.description, 0), 0);
    }
    if (recipe.withPlaneset) {
        PacketHeader planesetHeader;
        planesetHeader.type = packetTypePlaneset;
        planesetHeader.versionMinor = 1;
        PlanesetPacket planeset(planesetHeader);
        planeset.order = recipe.order;
        planeset.orderStyle = orderStyleInterleaved;
        planeset.planeCount = planes.size();
        EXPECT_EQ(writePlanesetPacket(file, planeset, info, planes), 0);
    }
    return file.bytes();
}

TestImage patternImage(std::uint32_t width, std::uint32_t height, int components,
                       std::int32_t maximum) {
    TestImage image;
    image.width = width;
    image.height = height;
    image.bitsPerSample = maximum > 255 ? 16 : 8;
    for (int c = 0; c < components; ++c) {
        std::vector<std::int32_t> plane(std::size_t{width} * height);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::int64_t v = (std::int64_t{x} * 7 + std::int64_t{y} * 3 + c * 50) +
                                       ((x / 5 + y / 3) % 2) * 40;
                plane[std::size_t{y} * width + x] = static_cast<std::int32_t>(v % (maximum + 1));
            }
        }
        image.components.push_back(std::move(plane));
    }
    return image;
}

}  // namespace tovex_test
