#include "common/tg3_test_files.h"

#include <gtest/gtest.h>

#include "encode/tg3/tg3_imageCoder.h"
#include "tg3/container/tg3_container.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"
#include "tg3/planeset/tg3_planesetWriter.h"

using namespace Corvane;

namespace tovex_test {

// The information the recipe gives an image.
static TG3ImageInfo recipeInfo(const TestImage& image, const FileRecipe& recipe) {
    TG3ImageInfo info =
        imageInfo(image.width, image.height, static_cast<std::uint8_t>(recipe.levels),
                  recipe.subblockSize, static_cast<std::uint16_t>(image.components.size()), 32);
    info.dataType = recipe.sixteenBit ? dataTypeUInt16 : dataTypeUInt8;
    info.domainBits = recipe.sixteenBit ? 16 : 8;
    info.dynamicRangeMax =
        recipe.rangeMax >= 0 ? recipe.rangeMax : (recipe.sixteenBit ? 65535 : 255);
    info.inputColorSpace = info.waveletColorSpace = recipe.colorSpace;
    info.colorTransform = recipe.transform;
    return info;
}

Bytes makeTG3File(const TestImage& image, const FileRecipe& recipe) {
    TG3ImageInfo info = recipeInfo(image, recipe);
    RasterImageSource source(image);
    CodedImage codedImage(false);
    EncodeProgress progress(nullptr);
    codeImage(source, info, PlaneCoding{}, codedImage, progress);
    const MemoryPlaneset coded =
        codedImage.planeset(codedImage.keptUpTo(losslessPlanes(info)), false);
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
    if (recipe.withPlaneset) writeTestPlaneset(file, info, planes, recipe.order);
    return file.bytes();
}

void writeTestPlaneset(KernelStream& file, const TG3ImageInfo& info,
                       const std::vector<CodedPlane>& planes, std::uint32_t order) {
    PacketHeader planesetHeader;
    planesetHeader.type = packetTypePlaneset;
    planesetHeader.versionMinor = 1;
    PlanesetPacket planeset(planesetHeader);
    planeset.order = order;
    planeset.orderStyle = orderStyleInterleaved;
    planeset.planeCount = planes.size();
    EXPECT_EQ(writePlanesetPacket(file, planeset, info, planes), 0);
}

TestImage patternImage(std::uint32_t width, std::uint32_t height, int components,
                       std::int32_t maximum) {
    TestImage image;
    image.width = width;
    image.height = height;
    image.bitsPerSample = maximum > 255 ? 16 : 8;
    for (int c = 0; c < components; ++c) {
        std::vector<std::int32_t> plane(std::size_t{width} * height);
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::int64_t v = (std::int64_t{x} * 7 + std::int64_t{y} * 3 + c * 50) +
                                       ((x / 5 + y / 3) % 2) * 40;
                plane[std::size_t{y} * width + x] = static_cast<std::int32_t>(v % (maximum + 1));
            }
        image.components.push_back(std::move(plane));
    }
    return image;
}

Corvane::TG3ImageInfo imageInfo(std::uint32_t w, std::uint32_t h, std::uint8_t levels,
                                std::uint16_t size, std::uint16_t components, std::uint8_t planes) {
    Corvane::TG3ImageInfo info;
    info.width = w;
    info.height = h;
    info.levels = levels;
    info.subblockSize = size;
    info.components = components;
    info.planes = planes;
    info.buildBandTable();
    return info;
}

std::vector<Corvane::CodedPlane> madeUpPlanes(const Corvane::TG3ImageInfo& info, unsigned seed) {
    std::vector<Corvane::CodedPlane> planes;
    unsigned state = seed;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7FFF;
    };
    for (std::uint8_t b = 0; b < info.bands.size(); ++b)
        for (std::uint32_t s = 0; s < info.bands[b].subblockCount(); ++s)
            for (std::uint16_t c = 0; c < info.components; ++c)
                for (std::uint8_t p = 0; p < info.planes; ++p) {
                    if (next() % 2 == 0) continue;
                    Corvane::CodedPlane plane;
                    plane.position = {b, s, c, p};
                    const unsigned kind = next() % 16;
                    const std::size_t length = kind == 0 ? 5000 : kind < 4 ? 0 : next() % 60;
                    for (std::size_t i = 0; i < length; ++i)
                        plane.bytes.push_back(static_cast<std::uint8_t>(next()));
                    plane.raw = next() % 5 == 0;
                    planes.push_back(std::move(plane));
                }
    return planes;
}

FileFacts readFacts(const Bytes& bytes) {
    FileFacts facts;
    MemoryKernelStream stream(bytes);
    TG3Container container(stream);
    EXPECT_EQ(container.open(), 0);
    EXPECT_EQ(container.registerKind(std::make_unique<HeaderPacketKind>()), 0);
    EXPECT_EQ(container.registerKind(std::make_unique<PlanesetPacketKind>()), 0);
    const auto find = [&container](std::uint32_t type) {
        PacketHeader key = PacketHeader::key(type);
        key.imageNumber = 0;
        Packet* packet = nullptr;
        EXPECT_EQ(container.find(key, packet), 0) << "packet type " << type;
        return packet;
    };
    const auto* headerPacket = dynamic_cast<HeaderPacket*>(find(packetTypeHeader));
    const auto* planesetPacket = dynamic_cast<PlanesetPacket*>(find(packetTypePlaneset));
    if (headerPacket == nullptr || planesetPacket == nullptr) {
        ADD_FAILURE() << "no header or no planeset";
        return facts;
    }
    facts.info = headerPacket->info;
    facts.order = planesetPacket->order;
    facts.orderStyle = planesetPacket->orderStyle;
    facts.planesetMinor = planesetPacket->header().versionMinor;
    EXPECT_EQ(findImageDescription(container, 0, facts.description), 0);
    facts.metadata = TG3MetadataDatabase(container);
    EXPECT_EQ(indexPlanes(stream, *planesetPacket, facts.info, facts.index), 0);
    return facts;
}

}  // namespace tovex_test
