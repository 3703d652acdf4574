#include "tg3/container/tg3_packetHeader.h"

#include <gtest/gtest.h>

#include "support/cv_status.h"
#include "tg3/container/tg3_fileHeader.h"

namespace Corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FileHeader, VersionRule) {
    struct Case {
        Bytes bytes;
        std::int32_t status;
    };
    const Case cases[] = {
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'q'}, 0},
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'o'}, 0},
        {{'t', 'o', 'v', 'x', 3, 0, 26, 'r'}, 2006},
        {{'t', 'o', 'v', 'x', 7, 0, 26, 'q'}, 0},  // major not compared
        {{'t', 'o', 'v', 'x', 3, 1, 26, 'q'}, 2006},
        {{'t', 'o', 'v', 'x', 3, 0, 25, 'q'}, 2006},
        {{'t', 'o', 'v', 'x', 3, 0, 26, 0x90}, 0},  // signed comparison
        {{'t', 'o', 'v', 'y', 3, 0, 26, 'q'}, 2006},
        {{'t', 'o', 'v', 'x', 3, 0, 26}, 2001},
    };
    for (const auto& c : cases) {
        MemoryKernelStream stream(c.bytes);
        FileVersion version;
        EXPECT_EQ(readFileHeader(stream, version), c.status) << int{c.bytes.back()};
    }
    EXPECT_EQ(currentFileVersion.text(), "3.0.26.q");
    MemoryKernelStream out;
    ASSERT_EQ(writeFileHeader(out), 0);
    EXPECT_EQ(out.bytes(), (Bytes{'t', 'o', 'v', 'x', 3, 0, 26, 'q'}));
}

struct ReadCase {
    Bytes bytes;
    std::int32_t status;
    std::uint32_t type, subType, subSubType, sequenceNumber, imageNumber;
    std::uint8_t major, minor;
    std::uint64_t length;
    std::int64_t headerLength;
};

TEST(PacketHeader, ReadsEveryLayout) {
    const ReadCase cases[] = {
        // no qualifiers, 8-byte length
        {{0x01, 0x03, 0, 0, 0, 0, 0, 0, 0, 9}, 0, 1, 0, 0, 0, 0, 0, 0, 9, 10},
        // version bytes
        {{0x41, 0x00, 2, 7, 5}, 0, 1, 0, 0, 0, 0, 2, 7, 5, 5},
        // reserved bit 7: read completely, then refused
        {{0x81, 0x00, 4}, 2006, 1, 0, 0, 0, 0, 0, 0, 4, 3},
        {{0x14, 0x00, 4}, 2006, 4, 0, 0, 0, 0, 0, 0, 4, 3},
        // 1-byte subType, 2-byte subSubType, sequence, image, 2-byte length
        {{0x02, 0x6D, 0x03, 0x01, 0x02, 0, 0, 0, 9, 0, 0, 1, 0, 0x01, 0x00},
         0,
         2,
         3,
         0x102,
         9,
         0x100,
         0,
         0,
         0x100,
         15},
        // 4-byte subType, 4-byte length
        {{0x07, 0xC2, 0x01, 0x02, 0x03, 0x04, 0, 1, 0, 0},
         0,
         7,
         0x01020304,
         0,
         0,
         0,
         0,
         0,
         0x10000,
         10},
        // truncated inside the qualifiers and inside the length
        {{0x01, 0x40, 0x05}, 2001, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {{0x01, 0x03, 0, 0, 0}, 2001, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        MemoryKernelStream stream(c.bytes);
        PacketHeader header;
        std::uint64_t length = 0;
        ASSERT_EQ(readPacketHeader(stream, header, length), c.status);
        if (c.status == 2001) continue;
        EXPECT_EQ(header.type, c.type);
        EXPECT_EQ(header.subType, c.subType);
        EXPECT_EQ(header.subSubType, c.subSubType);
        EXPECT_EQ(header.sequenceNumber, c.sequenceNumber);
        EXPECT_EQ(header.imageNumber, c.imageNumber);
        EXPECT_EQ(header.versionMajor, c.major);
        EXPECT_EQ(header.versionMinor, c.minor);
        EXPECT_EQ(length, c.length);
        EXPECT_TRUE(header.hasHeaderOffset);
        EXPECT_EQ(header.headerOffset, 0);
        EXPECT_EQ(header.headerLength, c.headerLength);
    }
}

TEST(PacketHeader, WriterUsesSmallestWidthsAndPatchesLength) {
    PacketHeader header;
    header.type = packetTypePlaneset;
    header.subType = 255;
    header.subSubType = 65536;
    header.imageNumber = 2;
    header.versionMinor = 1;
    MemoryKernelStream stream;
    std::int64_t lengthPosition = 0;
    ASSERT_EQ(writePacketHeader(stream, header, lengthPosition), 0);
    const Bytes expected = {0x44, 0x77, 0xFF, 0, 1, 0, 0,    0,    0,    0,   2,
                            0,    1,    0,    0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(stream.bytes(), expected);
    EXPECT_EQ(lengthPosition, 13);
    EXPECT_EQ(canonicalHeaderSize(header), 21);

    ASSERT_EQ(patchPayloadLength(stream, lengthPosition, 0x0102), 0);
    EXPECT_EQ(stream.tell(), 21);
    stream.seek(0, 1);
    PacketHeader back;
    std::uint64_t length = 0;
    ASSERT_EQ(readPacketHeader(stream, back, length), 0);
    EXPECT_EQ(length, 0x0102u);
    EXPECT_EQ(back.headerLength, 21);
    back.hasHeaderOffset = false;
    back.headerLength = 0;
    EXPECT_EQ(back, header);

    PacketHeader plain;
    plain.type = packetTypeHeader;
    EXPECT_EQ(canonicalHeaderSize(plain), 10);
    plain.sequenceNumber = 70000;
    plain.subType = 300;
    EXPECT_EQ(canonicalHeaderSize(plain), 16);
}

TEST(PacketHeader, KeyMatching) {
    PacketHeader header;
    header.type = 1;
    header.imageNumber = 3;
    header.sequenceNumber = 8;
    header.versionMinor = 1;
    PacketHeader key = PacketHeader::key(1);
    EXPECT_TRUE(key.matches(header));
    key.imageNumber = 3;
    EXPECT_TRUE(key.matches(header));
    key.imageNumber = 4;
    EXPECT_FALSE(key.matches(header));
    EXPECT_FALSE(PacketHeader::key(2).matches(header));
    key = header;
    key.sequenceNumber = 1;
    key.versionMinor = 0;
    EXPECT_TRUE(key.matches(header));
    key.subSubType = 1;
    EXPECT_FALSE(key.matches(header));
}

}  // namespace
}  // namespace Corvane
