#include <gtest/gtest.h>

#include <set>

#include "support/cv_status.h"
#include "tg3/planeset/tg3_lengthRecord.h"
#include "tg3/planeset/tg3_planeIndex.h"

namespace Corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

TG3ImageInfo smallInfo(std::uint32_t w, std::uint32_t h, std::uint8_t levels, std::uint16_t size) {
    TG3ImageInfo info;
    info.width = w;
    info.height = h;
    info.levels = levels;
    info.subblockSize = size;
    info.components = 1;
    info.planes = 3;
    info.buildBandTable();
    return info;
}

TEST(LengthRecord, ExactBytes) {
    MemoryKernelStream run(Bytes{0x25, 0x01});
    LengthRecord record;
    ASSERT_EQ(readLengthRecord(run, 0, record), 0);
    EXPECT_FALSE(record.coded);
    EXPECT_EQ(record.value, 37u);
    for (std::uint8_t bad : {std::uint8_t{0x00}, std::uint8_t{0x41}}) {
        MemoryKernelStream stream(Bytes{bad});
        EXPECT_EQ(readLengthRecord(stream, 0, record), 2001);
    }
    MemoryKernelStream unfinished(Bytes{0xA0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80});
    EXPECT_EQ(readLengthRecord(unfinished, 1, record), 2001);
    for (std::uint8_t minor : {0, 1}) {
        for (std::uint64_t value : std::initializer_list<std::uint64_t>{
                 1ull, 31ull, 32ull, 4095ull, 4096ull, 524288ull, maxLengthRecordValue(minor)}) {
            MemoryKernelStream stream;
            ASSERT_EQ(writeLengthRecord(stream, minor, {true, true, value}), 0);
            stream.seek(0, 1);
            ASSERT_EQ(readLengthRecord(stream, minor, record), 0);
            EXPECT_EQ(record.value, value);
            EXPECT_TRUE(record.raw);
        }
    }
}

TEST(PlaneIndex, InterleavedExample) {
    // Packet header type 4 with no qualifiers, then the payload of the example.
    Bytes file = {0x04, 0x03, 0, 0, 0, 0, 0, 0, 0,    14, 0x01, 0x00,
                  0,    0,    0, 0, 0, 0, 0, 3, 0x83, 7,  8,    9};
    MemoryKernelStream stream(file);
    PacketHeader header;
    std::uint64_t length = 0;
    ASSERT_EQ(readPacketHeader(stream, header, length), 0);
    PlanesetPacket planeset(header);
    PlanesetPacketKind kind;
    ASSERT_EQ(kind.newReader(planeset)->read(stream, length), 0);
    TG3ImageInfo info = smallInfo(1, 1, 0, 1);
    info.planes = 1;
    PlaneIndex index;
    ASSERT_EQ(indexPlanes(stream, planeset, info, index), 0);
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index[0].dataOffset, 10 + 11);
    EXPECT_EQ(index[0].recordOffset, 10 + 10);
    EXPECT_EQ(index[0].length, 3u);

    // The same few bytes over an image of 2048 x 1024 sub-blocks of one pixel: the
    // pipelined order would need a table of two million entries and is refused; an
    // order without a table is walked until the records end.
    TG3ImageInfo large = smallInfo(2048, 1024, 1, 1);
    large.kernel = kernel53HV;
    PlanesetPacket pipelined = planeset;
    pipelined.order = 1;
    EXPECT_EQ(indexPlanes(stream, pipelined, large, index), 2012);
    pipelined.order = 5;
    EXPECT_NE(indexPlanes(stream, pipelined, large, index), 2012);

    header.versionMinor = 2;
    PlanesetPacket refused(header);
    stream.seek(10, 1);
    EXPECT_EQ(kind.newReader(refused)->read(stream, length), 2006);
}

TEST(SubblockOrder, PipelinedIsAPermutation) {
    for (std::uint32_t w : {3u, 5u, 17u, 64u, 100u}) {
        for (std::uint32_t h : {3u, 4u, 33u, 70u}) {
            for (std::uint8_t levels : {0, 1, 2, 3}) {
                for (std::uint16_t size : {1, 2, 4, 16}) {
                    TG3ImageInfo info = smallInfo(w, h, levels, size);
                    std::unique_ptr<SubblockOrder> order;
                    ASSERT_EQ(SubblockOrder::create(info, 1, order), 0)
                        << w << "x" << h << " L" << int{levels} << " S" << size;
                    std::set<std::pair<int, std::uint32_t>> seen;
                    for (std::uint64_t k = 0; k < order->pairCount(); ++k) {
                        std::uint8_t band = 0;
                        std::uint32_t subblock = 0;
                        order->pairAt(k, band, subblock);
                        seen.insert({band, subblock});
                    }
                    EXPECT_EQ(seen.size(), info.totalSubblocks);
                }
            }
        }
    }
}

}  // namespace
}  // namespace Corvane
