// Packet framing and the container's scan: exact header layouts both ways, and finding,
// listing and materialising packets. Malformed framing lies with tg3_malformed_test.
#include "tg3/container/tg3_container.h"

#include <gtest/gtest.h>

#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"
#include "tg3/container/tg3_fileHeader.h"

namespace Corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

class BytesWriter : public PacketWriter {
  public:
    explicit BytesWriter(Bytes bytes) : bytes_(std::move(bytes)) {}
    std::int32_t write(KernelStream& stream) override { return writeBytes(stream, bytes_); }

  private:
    Bytes bytes_;
};

void addPacket(MemoryKernelStream& stream, std::uint32_t type, std::uint32_t imageNumber,
               const Bytes& payload) {
    PacketHeader header;
    header.type = type;
    header.imageNumber = imageNumber;
    BytesWriter writer(payload);
    ASSERT_EQ(writePacket(stream, header, writer), 0);
}

TEST(PacketHeader, ExactLayoutsBothWays) {
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(packetChecksum(abc, 3), 0x2C17398Cu);
    MemoryKernelStream fileHeader;
    ASSERT_EQ(writeFileHeader(fileHeader), 0);
    EXPECT_EQ(fileHeader.bytes(), (Bytes{'t', 'o', 'v', 'x', 3, 0, 26, 'q'}));

    // type, subType, subSubType, sequence, image, major, minor, payload length, header length
    using Fields = std::vector<std::uint64_t>;
    const std::pair<Bytes, Fields> cases[] = {
        // no qualifiers, 8-byte length
        {{0x01, 0x03, 0, 0, 0, 0, 0, 0, 0, 9}, {1, 0, 0, 0, 0, 0, 0, 9, 10}},
        // version bytes
        {{0x41, 0x00, 2, 7, 5}, {1, 0, 0, 0, 0, 2, 7, 5, 5}},
        // 1-byte subType, 2-byte subSubType, sequence, image, 2-byte length
        {{0x02, 0x6D, 0x03, 0x01, 0x02, 0, 0, 0, 9, 0, 0, 1, 0, 0x01, 0x00},
         {2, 3, 0x102, 9, 0x100, 0, 0, 0x100, 15}},
        // 4-byte subType, 4-byte length
        {{0x07, 0xC2, 0x01, 0x02, 0x03, 0x04, 0, 1, 0, 0},
         {7, 0x01020304, 0, 0, 0, 0, 0, 0x10000, 10}},
    };
    for (const auto& [bytes, fields] : cases) {
        MemoryKernelStream stream(bytes);
        PacketHeader h;
        std::uint64_t length = 0;
        ASSERT_EQ(readPacketHeader(stream, h, length), 0);
        EXPECT_EQ((Fields{h.type, h.subType, h.subSubType, h.sequenceNumber, h.imageNumber,
                          h.versionMajor, h.versionMinor, length,
                          static_cast<std::uint64_t>(h.headerLength)}),
                  fields);
    }

    // The writer takes the smallest widths and patches the length in afterwards.
    PacketHeader header;
    header.type = packetTypePlaneset;
    header.subType = 255;
    header.subSubType = 65536;
    header.imageNumber = 2;
    header.versionMinor = 1;
    MemoryKernelStream stream;
    std::int64_t lengthPosition = 0;
    ASSERT_EQ(writePacketHeader(stream, header, lengthPosition), 0);
    ASSERT_EQ(patchPayloadLength(stream, lengthPosition, 0x0102), 0);
    EXPECT_EQ(stream.bytes(), (Bytes{0x44, 0x77, 0xFF, 0, 1, 0, 0, 0, 0,    0,   2,
                                     0,    1,    0,    0, 0, 0, 0, 0, 0x01, 0x02}));
    EXPECT_EQ(canonicalHeaderSize(header), 21);
    PacketHeader plain;
    plain.sequenceNumber = 70000;
    plain.subType = 300;
    EXPECT_EQ(canonicalHeaderSize(plain), 16);
}

TEST(TG3Container, ScansFindsAndListsImages) {
    MemoryKernelStream file;
    ASSERT_EQ(writeFileHeader(file), 0);
    PacketHeader metadataHeader;
    metadataHeader.type = packetTypeMetadata;
    metadataHeader.subType = 1;
    MetadataPacket metadata(metadataHeader);
    metadata.bytes = {'a', 'b', 'c'};
    MetadataPacketKind metadataKind;
    ASSERT_EQ(writePacket(file, metadata.header(), *metadataKind.newWriter(metadata)), 0);
    addPacket(file, packetTypeHeader, 5, {1, 2});
    addPacket(file, packetTypeTG2Image, 5, {9});  // same image: kind stays 2
    addPacket(file, packetTypeTG2Image, 0, {7, 7, 7});
    addPacket(file, packetTypeIndex, 0, {});  // named, never read
    addPacket(file, packetTypeGeneric, 0, {4, 5, 6});
    addPacket(file, packetTypeHeader, 5, {3});  // second header of image 5

    ASSERT_EQ(file.seek(0, 1), 0);
    TG3Container container(file);
    ASSERT_EQ(container.open(), 0);
    EXPECT_EQ(container.open(), 2010);
    EXPECT_EQ(container.positionAfterScan(), static_cast<std::int64_t>(file.bytes().size()));
    ASSERT_EQ(container.imageCount(), 2u);
    EXPECT_EQ(container.images()[0].imageNumber, 5u);
    EXPECT_EQ(container.images()[0].kind, imageKindTG3Packets);
    EXPECT_EQ(container.images()[1].kind, imageKindTG2Image);
    TG3ImageEntry entry;
    EXPECT_EQ(container.image(1, entry), 2009);

    // Materialising leaves the stream where it was.
    file.seek(3, 1);
    Packet* packet = nullptr;
    ASSERT_EQ(container.find(PacketHeader::key(packetTypeMetadata), packet), 0);
    EXPECT_EQ(file.tell(), 3);
    ASSERT_NE(dynamic_cast<MetadataPacket*>(packet), nullptr);
    EXPECT_TRUE(dynamic_cast<MetadataPacket*>(packet)->equals(metadata));

    // Two header packets for image 5: ambiguous, no packet.
    PacketHeader key = PacketHeader::key(packetTypeHeader);
    key.imageNumber = 5;
    ASSERT_EQ(container.find(key, packet), 0);
    EXPECT_EQ(packet, nullptr);

    // Packets without a registered kind: raw bytes when generic, else refused.
    ASSERT_EQ(container.find(PacketHeader::key(packetTypeGeneric), packet), 0);
    EXPECT_EQ(dynamic_cast<RawPacket*>(packet)->bytes, (Bytes{4, 5, 6}));
    std::vector<Packet*> headers;
    EXPECT_EQ(container.findAll(PacketHeader::key(packetTypeHeader), headers), 2010);
    EXPECT_EQ(container.find(PacketHeader::key(packetTypeIndex), packet), 2010);

    // A generic packet whose length is all ones runs to the end of the file.
    const Bytes toEnd = {'t',  'o',  'v',  'x',  3,    0,    26,   'q', 0x00, 0x03, 0xFF,
                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1,   2,    3};
    MemoryKernelStream stream(toEnd);
    TG3Container whole(stream);
    ASSERT_EQ(whole.open(), 0);
    ASSERT_EQ(whole.find(PacketHeader::key(0), packet), 0);
    EXPECT_EQ(dynamic_cast<RawPacket*>(packet)->bytes, (Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace Corvane
