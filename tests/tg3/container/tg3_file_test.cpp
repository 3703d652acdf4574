// Whole TG3 files assembled by the writers and read back through the container: header,
// classical metadata, image description and planeset, in every order, style and version.
#include <gtest/gtest.h>

#include <string>

#include "common/temp_dir.h"
#include "common/tg3_test_files.h"
#include "metadata/cv_classicalImport.h"
#include "metadata/cv_classicalStandardTags.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/header/tg3_imageDescription.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"
#include "tg3/planeset/tg3_planesetWriter.h"

namespace Corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tovex_test::madeUpPlanes;

TG3ImageInfo rgbInfo(std::uint8_t hasMSEs) {
    TG3ImageInfo info;
    info.width = 37;
    info.height = 23;
    info.levels = 2;
    info.components = 3;
    info.planes = 6;
    info.subblockSize = 8;
    info.domainBits = 8;
    info.dataType = dataTypeUInt8;
    info.dynamicRangeMin = 0;
    info.dynamicRangeMax = 255;
    info.inputColorSpace = colorSpaceRGB;
    info.waveletColorSpace = colorSpaceJ2KReversible;
    info.colorTransform = colorTransformJ2KReversible;
    info.hasMSEs = hasMSEs;
    info.buildBandTable();
    return info;
}

void fillTable(TG3ClassicalMetadata& metadata) {
    setImageWidth(&metadata.table(), 37);
    setImageHeight(&metadata.table(), 23);
    setInputName(&metadata.table(), "harbour.png");
    setXResolution(&metadata.table(), 0.5);
}

ImageDescription geoDescription() {
    ImageDescription d;
    d.flags = ImageDescription::hasGeoData | ImageDescription::hasBackPixel;
    d.xUL = 1000.0;
    d.yUL = 2000.0;
    d.xLR = 1018.0;
    d.yLR = 1988.5;
    d.xRes = 0.5;
    d.yRes = -0.5;
    d.backPixel = {3, 5, {10, 20, 30}};
    return d;
}

struct Assembled {
    Bytes bytes;
    PlaneIndex written;
};

Assembled assemble(const TG3ImageInfo& info, std::uint32_t order, std::uint32_t style,
                   std::uint8_t minor, const std::vector<CodedPlane>& planes,
                   bool withMetadata = true) {
    MemoryKernelStream file;
    EXPECT_EQ(writeFileHeader(file), 0);
    HeaderPacket header = makeHeaderPacket(info);
    HeaderPacketKind headerKind;
    EXPECT_EQ(writePacket(file, header.header(), *headerKind.newWriter(header)), 0);
    if (withMetadata) {
        TG3ClassicalMetadata metadata;
        fillTable(metadata);
        EXPECT_EQ(writeClassicalMetadataPacket(file, metadata), 0);
    }
    EXPECT_EQ(writeImageDescriptionPacket(file, geoDescription(), info.imageNumber), 0);
    PacketHeader planesetHeader;
    planesetHeader.type = packetTypePlaneset;
    planesetHeader.versionMinor = minor;
    planesetHeader.imageNumber = info.imageNumber;
    PlanesetPacket planeset(planesetHeader);
    planeset.order = order;
    planeset.orderStyle = style;
    planeset.planeCount = planes.size();
    Assembled result;
    EXPECT_EQ(writePlanesetPacket(file, planeset, info, planes, &result.written), 0);
    result.bytes = file.bytes();
    return result;
}

template <typename T>
T* findPacket(TG3Container& container, std::uint32_t type, std::int32_t& status) {
    PacketHeader key = PacketHeader::key(type);
    key.imageNumber = 0;
    Packet* packet = nullptr;
    status = container.find(key, packet);
    return dynamic_cast<T*>(packet);
}

TEST(TG3File, WrittenFilesReadBackInEveryOrderStyleAndVersion) {
    tovex_test::TempDir dir;
    for (std::uint32_t order : {orderSBCP, orderNoPipe, orderPipelined}) {
        for (std::uint32_t style : {orderStyleInterleaved, orderStyleDataFirst}) {
            for (std::uint8_t minor : {0, 1}) {
                for (std::uint8_t mses : {0, 1}) {
                    SCOPED_TRACE(testing::Message()
                                 << "order " << order << " style " << style << " 0." << int{minor}
                                 << " MSEs " << int{mses});
                    const TG3ImageInfo info = rgbInfo(mses);
                    const std::vector<CodedPlane> planes =
                        madeUpPlanes(info, order * 31 + style * 5 + minor * 2 + mses);
                    const Assembled file = assemble(info, order, style, minor, planes);
                    const std::string path = dir.file("image.tvx");
                    tovex_test::writeFile(path, std::string(file.bytes.begin(), file.bytes.end()));

                    std::unique_ptr<CVStream> stream = openFileStream(path);
                    CVKernelStream kernel(*stream);
                    TG3Container container(kernel);
                    ASSERT_EQ(container.open(), 0);
                    ASSERT_EQ(container.imageCount(), 1u);
                    ASSERT_EQ(container.registerKind(std::make_unique<HeaderPacketKind>()), 0);
                    ASSERT_EQ(container.registerKind(std::make_unique<PlanesetPacketKind>()), 0);

                    std::int32_t status = -1;
                    auto* header = findPacket<HeaderPacket>(container, packetTypeHeader, status);
                    ASSERT_EQ(status, 0);
                    ASSERT_NE(header, nullptr);
                    EXPECT_EQ(header->info, info);

                    TG3MetadataDatabase metadata(container);
                    TG3ClassicalMetadata source;
                    fillTable(source);
                    setEndOfMetadata(&source.table());  // as the block writer adds it
                    MetadataDatabase expected;
                    importTagTable(source.table(), expected);
                    EXPECT_EQ(metadata, expected);
                    EXPECT_EQ(metadata.keys(),
                              (std::vector<std::string>{"IMAGE::HEIGHT", "IMAGE::INPUT_NAME",
                                                        "IMAGE::WIDTH", "IMAGE::X_RESOLUTION"}));

                    ImageDescription description;
                    ASSERT_EQ(findImageDescription(container, 0, description), 0);
                    EXPECT_EQ(description, geoDescription());

                    auto* planeset =
                        findPacket<PlanesetPacket>(container, packetTypePlaneset, status);
                    ASSERT_EQ(status, 0);
                    ASSERT_NE(planeset, nullptr);
                    PlaneIndex index;
                    ASSERT_EQ(indexPlanes(kernel, *planeset, header->info, index), 0);
                    EXPECT_EQ(index, file.written);
                    ASSERT_EQ(index.size(), planes.size());
                    // Every entry leads to the bytes of the plane at its position.
                    for (const PlaneIndexEntry& entry : index) {
                        const CodedPlane* plane = nullptr;
                        for (const CodedPlane& candidate : planes) {
                            if (candidate.position == entry.position) plane = &candidate;
                        }
                        ASSERT_NE(plane, nullptr);
                        ASSERT_EQ(entry.length, plane->bytes.size() + 2 * mses);
                        EXPECT_EQ(entry.raw, plane->raw);
                        Bytes data(plane->bytes.size());
                        ASSERT_EQ(
                            kernel.seek(
                                static_cast<std::int64_t>(planeset->start) + entry.dataOffset, 1),
                            0);
                        if (!data.empty()) {
                            ASSERT_EQ(
                                kernel.read(data.data(), static_cast<std::uint32_t>(data.size())),
                                data.size());
                        }
                        EXPECT_EQ(data, plane->bytes);
                    }
                }
            }
        }
    }
}

TEST(TG3File, MetadataPacketEdgeCases) {
    const TG3ImageInfo info = rgbInfo(0);
    {
        // No metadata packet: an empty database.
        MemoryKernelStream stream(
            assemble(info, orderSBCP, orderStyleInterleaved, 0, {}, false).bytes);
        TG3Container container(stream);
        ASSERT_EQ(container.open(), 0);
        EXPECT_TRUE(TG3MetadataDatabase(container).isEmpty());
    }
    {
        // A block holding only the markers and the width: one key.
        MemoryKernelStream file;
        ASSERT_EQ(writeFileHeader(file), 0);
        TG3ClassicalMetadata metadata;
        setImageWidth(&metadata.table(), 99);
        ASSERT_EQ(writeClassicalMetadataPacket(file, metadata), 0);
        file.seek(0, 1);
        TG3Container container(file);
        ASSERT_EQ(container.open(), 0);
        TG3MetadataDatabase database(container);
        EXPECT_EQ(database.keys(), std::vector<std::string>{"IMAGE::WIDTH"});
    }
}

// Offsets of the packets of an assembled file, from a scan of it.
struct Layout {
    std::vector<std::int64_t> packetStarts;  // and the file size last
    std::vector<std::int64_t> payloadStarts;
};

Layout layoutOf(const Bytes& bytes) {
    MemoryKernelStream stream(bytes);
    TG3Container container(stream);
    EXPECT_EQ(container.open(), 0);
    Layout layout;
    for (const DBObject& node : container.database()->nodes()) {
        layout.packetStarts.push_back(node.header.headerOffset);
        layout.payloadStarts.push_back(node.header.headerOffset + node.header.headerLength);
    }
    layout.packetStarts.push_back(static_cast<std::int64_t>(bytes.size()));
    return layout;
}

TEST(TG3File, TruncatedFilesEndTheScanWithAReadFailure) {
    const TG3ImageInfo info = rgbInfo(1);
    const Bytes bytes =
        assemble(info, orderPipelined, orderStyleInterleaved, 1, madeUpPlanes(info, 3)).bytes;
    const Layout layout = layoutOf(bytes);
    ASSERT_EQ(layout.packetStarts.size(), 5u);  // header, metadata, description, planeset
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        MemoryKernelStream stream(
            Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)));
        TG3Container container(stream);
        const bool atBoundary =
            size == 8 || std::find(layout.packetStarts.begin(), layout.packetStarts.end(),
                                   static_cast<std::int64_t>(size)) != layout.packetStarts.end();
        ASSERT_EQ(container.open(), atBoundary ? 0 : 2001) << size;
    }

    // A planeset whose framing is whole but whose records stop early: the walk fails.
    const std::int64_t planesetStart = layout.packetStarts[3];
    const std::int64_t payload = layout.payloadStarts[3];
    Bytes cut(bytes.begin(), bytes.end() - 1);
    MemoryKernelStream stream(cut);
    stream.seek(payload - 8, 1);  // the 8-byte payload length
    ASSERT_EQ(writeU64(stream,
                       static_cast<std::uint64_t>(static_cast<std::int64_t>(cut.size()) - payload)),
              0);
    ASSERT_EQ(stream.seek(0, 1), 0);
    TG3Container container(stream);
    ASSERT_EQ(container.open(), 0);
    ASSERT_EQ(container.registerKind(std::make_unique<PlanesetPacketKind>()), 0);
    std::int32_t status = -1;
    auto* planeset = findPacket<PlanesetPacket>(container, packetTypePlaneset, status);
    ASSERT_NE(planeset, nullptr);
    EXPECT_EQ(planeset->start, static_cast<std::uint64_t>(planesetStart));
    PlaneIndex index;
    EXPECT_EQ(indexPlanes(stream, *planeset, info, index), 2001);
}

TEST(TG3File, CorruptedFilesGiveTheirStatus) {
    const TG3ImageInfo info = rgbInfo(0);
    const Bytes bytes =
        assemble(info, orderSBCP, orderStyleInterleaved, 1, madeUpPlanes(info, 9)).bytes;
    const Layout layout = layoutOf(bytes);
    const std::int64_t header = layout.packetStarts[0], headerPayload = layout.payloadStarts[0];
    const std::int64_t metadataPayload = layout.payloadStarts[1];
    const std::int64_t descriptionPayload = layout.payloadStarts[2];
    const std::int64_t planeset = layout.packetStarts[3], planesetPayload = layout.payloadStarts[3];
    // The planeset header carries its version bytes just before the 8-byte length.
    const std::int64_t planesetMinor = planesetPayload - 9;
    ASSERT_EQ(bytes[static_cast<std::size_t>(planesetMinor)], 1);

    enum Stage { Open, FindHeader, FindPlaneset, Walk, Description };
    struct Case {
        const char* what;
        std::int64_t offset;
        std::uint8_t value;
        Stage stage;
        std::int32_t status;
    };
    const Case cases[] = {
        {"magic", 0, 'T', Open, 2006},
        {"letter r", 7, 'r', Open, 2006},
        {"reserved bit of byte 0", header, 0x81, Open, 2006},
        {"bitflags bit 6", headerPayload + 7, 0x42, FindHeader, 2006},
        {"bitflags bit 17", headerPayload + 5, 0x02, FindHeader, 2006},
        {"domain bits 12", headerPayload + 8 + 4 + 4 + 1 + 2 + 1 + 2, 12, FindHeader, 2001},
        {"planeset version 0.2", planesetMinor, 2, FindPlaneset, 2006},
        {"lengthfirst", planesetPayload + 1, 1, Walk, 2014},
        {"order 6", planesetPayload, 6, Walk, 2009},
        {"empty run record", planesetPayload + 10, 0x00, Walk, 2001},
        {"raw run record", planesetPayload + 10, 0x41, Walk, 2001},
        {"description flags 16", descriptionPayload + 4, 16, Description, 2005},
    };
    ASSERT_EQ(bytes[static_cast<std::size_t>(planeset)] & 0x0F, packetTypePlaneset);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes corrupted = bytes;
        corrupted[static_cast<std::size_t>(c.offset)] = c.value;
        MemoryKernelStream stream(corrupted);
        TG3Container container(stream);
        std::int32_t status = container.open();
        if (c.stage == Open) {
            EXPECT_EQ(status, c.status);
            continue;
        }
        ASSERT_EQ(status, 0);
        ASSERT_EQ(container.registerKind(std::make_unique<HeaderPacketKind>()), 0);
        ASSERT_EQ(container.registerKind(std::make_unique<PlanesetPacketKind>()), 0);
        if (c.stage == Description) {
            ImageDescription description;
            EXPECT_EQ(findImageDescription(container, 0, description), c.status);
            continue;
        }
        HeaderPacket* headerPacket = findPacket<HeaderPacket>(container, packetTypeHeader, status);
        if (c.stage == FindHeader) {
            EXPECT_EQ(status, c.status);
            continue;
        }
        ASSERT_NE(headerPacket, nullptr);
        auto* planesetPacket = findPacket<PlanesetPacket>(container, packetTypePlaneset, status);
        if (c.stage == FindPlaneset) {
            EXPECT_EQ(status, c.status);
            continue;
        }
        ASSERT_NE(planesetPacket, nullptr);
        PlaneIndex index;
        EXPECT_EQ(indexPlanes(stream, *planesetPacket, headerPacket->info, index), c.status);
    }

    // A classical block of version 2 fails the metadata database with the catalog text.
    Bytes corrupted = bytes;
    corrupted[static_cast<std::size_t>(metadataPayload + 4)] = 0;
    corrupted[static_cast<std::size_t>(metadataPayload + 5)] = 2;
    MemoryKernelStream stream(corrupted);
    TG3Container container(stream);
    ASSERT_EQ(container.open(), 0);
    try {
        TG3MetadataDatabase database(container);
        FAIL() << "a block of version 2 was read";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "[4][2423]Error reading Classical Metdata Packet.");
    }
}

}  // namespace
}  // namespace Corvane
