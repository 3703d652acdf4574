#include "tg3/encode/tg3_fileReading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tg3/container/tg3_container.h"
#include "tg3/engine/tg3_bandCache.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_filePlaneStoreClient.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"

namespace tovex_test {

using namespace Corvane;

namespace {

template <typename T>
T* findPacket(TG3Container& container, std::uint32_t type) {
    PacketHeader key = PacketHeader::key(type);
    key.imageNumber = 0;
    Packet* packet = nullptr;
    EXPECT_EQ(container.find(key, packet), 0) << "packet type " << type;
    return dynamic_cast<T*>(packet);
}

void decodeImage(ReadBackFile& file, KernelStream& stream, std::int64_t planesetStart) {
    const TG3ImageInfo& info = file.info;
    tg3_filePlaneStoreClient store(info, file.index, stream, planesetStart, info.hasMSEs != 0);
    TG3BandCache bands(info, store);
    const Region region = Region::fromOrigin(0, 0, info.width, info.height);
    DecodeBase decoder(info, bands, region, info.levels, info.width, info.height, info.components,
                       16);
    ASSERT_EQ(decoder.status(), 0);
    ASSERT_EQ(decoder.initialise(), 0);
    RasterImage& image = file.image;
    image.width = info.width;
    image.height = info.height;
    image.bitsPerSample = 8 * decoder.bytesPerSample();
    const std::size_t n = info.components;
    image.components.assign(n, std::vector<std::int32_t>(std::size_t{info.width} * info.height));
    // Seven rows at a time: requests that do not line up with the decoder's strips.
    for (std::int32_t y = 0; y <= region.y1; y += 7) {
        const std::int32_t last =
            static_cast<std::int32_t>(std::min<std::int64_t>(y + 6, region.y1));
        const void* rows = nullptr;
        ASSERT_EQ(decoder.readRows(y, last, rows), 0) << "rows " << y;
        const std::size_t first = std::size_t{info.width} * static_cast<std::size_t>(y);
        const std::size_t count =
            std::size_t{info.width} * n * static_cast<std::size_t>(last - y + 1);
        for (std::size_t i = 0; i < count; ++i) {
            image.components[i % n][first + i / n] =
                decoder.bytesPerSample() == 1 ? static_cast<const std::uint8_t*>(rows)[i]
                                              : static_cast<const std::uint16_t*>(rows)[i];
        }
    }
}

}  // namespace

ReadBackFile readBack(const std::vector<std::uint8_t>& bytes) {
    ReadBackFile file;
    MemoryKernelStream stream(bytes);
    TG3Container container(stream);
    EXPECT_EQ(container.open(), 0);
    EXPECT_EQ(container.imageCount(), 1u);
    EXPECT_EQ(container.registerKind(std::make_unique<HeaderPacketKind>()), 0);
    EXPECT_EQ(container.registerKind(std::make_unique<PlanesetPacketKind>()), 0);
    auto* header = findPacket<HeaderPacket>(container, packetTypeHeader);
    auto* planeset = findPacket<PlanesetPacket>(container, packetTypePlaneset);
    if (header == nullptr || planeset == nullptr) {
        ADD_FAILURE() << "no header or no planeset";
        return file;
    }
    file.info = header->info;
    file.order = planeset->order;
    file.orderStyle = planeset->orderStyle;
    file.planesetMinor = planeset->header().versionMinor;
    EXPECT_EQ(findImageDescription(container, 0, file.description), 0);
    file.metadata = TG3MetadataDatabase(container);
    EXPECT_EQ(indexPlanes(stream, *planeset, file.info, file.index), 0);
    decodeImage(file, stream, static_cast<std::int64_t>(planeset->start));
    return file;
}

}  // namespace tovex_test
