#include "tg3/container/tg3_container.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"

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

PacketHeader headerOf(std::uint32_t type, std::uint32_t imageNumber, std::uint32_t subType = 0) {
    PacketHeader header;
    header.type = type;
    header.imageNumber = imageNumber;
    header.subType = subType;
    return header;
}

void addPacket(MemoryKernelStream& stream, const PacketHeader& header, const Bytes& payload) {
    BytesWriter writer(payload);
    ASSERT_EQ(writePacket(stream, header, writer), 0);
}

TEST(PacketChecksum, KnownValue) {
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(packetChecksum(abc, 3), 0x2C17398Cu);
    EXPECT_EQ(packetChecksum(abc, 0), 0u);
}

TEST(TG3Container, ScansFindsAndListsImages) {
    MemoryKernelStream file;
    ASSERT_EQ(writeFileHeader(file), 0);
    MetadataPacket metadata(headerOf(packetTypeMetadata, 0, 1));
    metadata.bytes = {'a', 'b', 'c'};
    MetadataPacketKind metadataKind;
    ASSERT_EQ(writePacket(file, metadata.header(), *metadataKind.newWriter(metadata)), 0);
    addPacket(file, headerOf(packetTypeHeader, 5), {1, 2});
    addPacket(file, headerOf(packetTypeTG2Image, 5), {9});  // same image: kind stays 2
    addPacket(file, headerOf(packetTypeTG2Image, 0), {7, 7, 7});
    addPacket(file, headerOf(packetTypeIndex, 0), {});  // named, never read
    addPacket(file, headerOf(packetTypeGeneric, 0), {4, 5, 6});
    addPacket(file, headerOf(packetTypeHeader, 5), {3});  // second header of image 5

    ASSERT_EQ(file.seek(0, 1), 0);
    TG3Container container(file);
    ASSERT_EQ(container.open(), 0);
    EXPECT_EQ(container.open(), 2010);
    EXPECT_EQ(container.positionAfterScan(), static_cast<std::int64_t>(file.bytes().size()));
    ASSERT_EQ(container.imageCount(), 2u);
    EXPECT_EQ(container.images()[0].imageNumber, 5u);
    EXPECT_EQ(container.images()[0].kind, imageKindTG3Packets);
    EXPECT_EQ(container.images()[1].imageNumber, 0u);
    EXPECT_EQ(container.images()[1].kind, imageKindTG2Image);
    TG3ImageEntry entry;
    EXPECT_EQ(container.image(1, entry), 2009);
    EXPECT_STREQ(imageKindText(container.images()[1].kind), "TG2 Image");

    // Materialising leaves the stream where it was.
    file.seek(3, 1);
    Packet* packet = nullptr;
    ASSERT_EQ(container.find(PacketHeader::key(packetTypeMetadata), packet), 0);
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(file.tell(), 3);
    auto* readMetadata = dynamic_cast<MetadataPacket*>(packet);
    ASSERT_NE(readMetadata, nullptr);
    EXPECT_TRUE(readMetadata->equals(metadata));
    std::ostringstream dump;
    readMetadata->dump(dump);
    EXPECT_NE(dump.str().find("checksum: " + std::to_string(0x2C17398Cu)), std::string::npos);

    // Two header packets for image 5: ambiguous, no packet.
    PacketHeader key = PacketHeader::key(packetTypeHeader);
    key.imageNumber = 5;
    ASSERT_EQ(container.find(key, packet), 0);
    EXPECT_EQ(packet, nullptr);

    ASSERT_EQ(container.registerKind(std::make_unique<TG2ImagePacketKind>()), 0);
    std::vector<Packet*> images;
    ASSERT_EQ(container.findAll(PacketHeader::key(packetTypeTG2Image), images), 0);
    ASSERT_EQ(images.size(), 2u);
    const auto* second = dynamic_cast<TG2ImagePacket*>(images[1]);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->endOffset - second->startOffset, 3);

    ASSERT_EQ(container.find(PacketHeader::key(packetTypeGeneric), packet), 0);
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(dynamic_cast<RawPacket*>(packet)->bytes, (Bytes{4, 5, 6}));

    // No kind for Header packets is registered here.
    std::vector<Packet*> headers;
    EXPECT_EQ(container.findAll(PacketHeader::key(packetTypeHeader), headers), 2010);
    // Index packets are indexed but have no kind either.
    ASSERT_EQ(container.find(PacketHeader::key(packetTypeIndex), packet), 2010);
}

TEST(TG3Container, LengthToEndAndBadFiles) {
    // A generic packet whose length is all ones: the scan stops at the end, the reader
    // takes the rest of the file.
    Bytes file = {'t',  'o',  'v',  'x',  3,    0,    26,   'q', 0x00, 0x03, 0xFF,
                  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1,   2,    3};
    {
        MemoryKernelStream stream(file);
        TG3Container container(stream);
        ASSERT_EQ(container.open(), 0);
        Packet* packet = nullptr;
        ASSERT_EQ(container.find(PacketHeader::key(0), packet), 0);
        ASSERT_NE(packet, nullptr);
        EXPECT_EQ(dynamic_cast<RawPacket*>(packet)->bytes, (Bytes{1, 2, 3}));
    }
    struct Case {
        Bytes bytes;
        std::int32_t status;
    };
    // Zero bytes read as empty generic packets of three bytes each; a file is held to
    // 65536 packets, so a long tail of zeros is refused instead of indexed.
    const auto zeroTail = [](std::size_t packets) {
        Bytes bytes = {'t', 'o', 'v', 'x', 3, 0, 26, 'q'};
        bytes.resize(bytes.size() + 3 * packets, 0);
        return bytes;
    };
    const Case cases[] = {
        {zeroTail(65536), 0},
        {zeroTail(65537), 2006},
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'q'}, 0},                          // no packets
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'q', 0x01, 0x00, 0x01, 9}, 0},     // ends after payload
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'q', 0x01, 0x03, 0}, 2001},        // ends inside header
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'q', 0x01, 0x00, 0x05, 9}, 2001},  // payload too long
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'q', 0x81, 0x00, 0x00}, 2006},
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'r', 0x01, 0x00, 0x00}, 2006},
        {{'T', 'o', 'v', 'x', 3, 0, 26, 'q'}, 2006},
        {{'t', 'o', 'v'}, 2001},
    };
    for (const auto& c : cases) {
        MemoryKernelStream stream(c.bytes);
        TG3Container container(stream);
        EXPECT_EQ(container.open(), c.status) << c.bytes.size();
    }
    // A metadata packet whose count exceeds the file is refused before allocating.
    Bytes metadata = {'t', 'o', 'v', 'x', 3, 0, 26, 'q', 0x02, 0x00, 0x04, 0x7F, 0xFF, 0xFF, 0xFF};
    MemoryKernelStream stream(metadata);
    TG3Container container(stream);
    ASSERT_EQ(container.open(), 0);
    Packet* packet = nullptr;
    EXPECT_EQ(container.find(PacketHeader::key(packetTypeMetadata), packet), 2001);
    EXPECT_EQ(packet, nullptr);
}

}  // namespace
}  // namespace Corvane
