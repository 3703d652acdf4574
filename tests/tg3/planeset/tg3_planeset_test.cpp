// The planeset writer's exact bytes read back by the walk, and the pipelined order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "common/tg3_test_files.h"
#include "support/cv_status.h"
#include "tg3/planeset/tg3_planesetWriter.h"
#include "tg3/planeset/tg3_subblockOrder.h"

using namespace Corvane;
namespace {

using Bytes = std::vector<std::uint8_t>;
using tovex_test::imageInfo;

PlanesetPacket planesetOf(std::uint32_t order, std::uint32_t style, std::uint8_t versionMinor,
                          std::uint32_t imageNumber = 0) {
    PacketHeader header;
    header.type = packetTypePlaneset;
    header.versionMinor = versionMinor;
    header.imageNumber = imageNumber;
    PlanesetPacket packet(header);
    packet.order = order;
    packet.orderStyle = style;
    return packet;
}

// A planeset packet read back: its bytes, where its payload starts, the packet as read and
// the walk over its planes.
struct ReadBack {
    Bytes bytes;
    std::int64_t h = 0;
    std::int32_t walkStatus = -1;
    std::unique_ptr<PlanesetPacket> packet;
    PlaneIndex index;
    std::int64_t endOfWalk = -1;
    Bytes payload() const { return Bytes(bytes.begin() + h, bytes.end()); }
};

ReadBack readBack(const Bytes& bytes, const TG3ImageInfo& info) {
    ReadBack result;
    result.bytes = bytes;
    MemoryKernelStream stream(bytes);
    PacketHeader header;
    std::uint64_t length = 0;
    if (readPacketHeader(stream, header, length) != 0) return result;
    result.h = stream.tell();
    result.packet = std::make_unique<PlanesetPacket>(header);
    if (PlanesetPacketKind().newReader(*result.packet)->read(stream, length) != 0) return result;
    result.walkStatus = indexPlanes(stream, *result.packet, info, result.index);
    result.endOfWalk = stream.tell();
    return result;
}

// Writes the packet for `planes` and reads it back.
ReadBack written(PlanesetPacket& packet, const TG3ImageInfo& info,
                 const std::vector<CodedPlane>& planes) {
    MemoryKernelStream stream;
    EXPECT_EQ(writePlanesetPacket(stream, packet, info, planes), 0);
    EXPECT_EQ(stream.tell(), static_cast<std::int64_t>(stream.bytes().size()));
    return readBack(stream.bytes(), info);
}

// Record and data offsets and the length of each indexed plane, the offsets from the
// start of the payload.
std::vector<std::vector<std::int64_t>> layout(const ReadBack& back) {
    std::vector<std::vector<std::int64_t>> out;
    for (const PlaneIndexEntry& e : back.index)
        out.push_back({e.recordOffset - back.h, e.dataOffset - back.h, std::int64_t(e.length)});
    return out;
}
using Layout = std::vector<std::vector<std::int64_t>>;

TEST(PlanesetWriter, InterleavedExampleBytes) {
    // One position (a 1 x 1 image, one component, one plane), plane count stored as 3.
    PlanesetPacket packet = planesetOf(orderPipelined, orderStyleInterleaved, 0);
    packet.planeCount = 3;
    ReadBack back =
        written(packet, imageInfo(1, 1, 0, 1, 1, 1), {{{0, 0, 0, 0}, {0xA1, 0xB2, 0xC3}, false}});
    EXPECT_EQ(back.payload(), (Bytes{0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 3, 0x83, 0xA1, 0xB2, 0xC3}));
    ASSERT_EQ(back.walkStatus, 0);
    EXPECT_EQ(layout(back), (Layout{{10, 11, 3}}));
    EXPECT_EQ(back.packet->planeCount, 3u);

    // The same bytes over an image of 2048 x 1024 sub-blocks of one pixel: the pipelined
    // order would need a table of two million entries and is refused; an order without a
    // table is walked until the records end.
    TG3ImageInfo large = imageInfo(2048, 1024, 1, 1, 1, 1);
    large.kernel = kernel53HV;
    MemoryKernelStream stream(back.bytes);
    PlaneIndex index;
    EXPECT_EQ(indexPlanes(stream, *back.packet, large, index), 2012);
    back.packet->order = orderSBCP;
    EXPECT_NE(indexPlanes(stream, *back.packet, large, index), 2012);
}

TEST(PlanesetWriter, RunRecordsAndMSETrailers) {
    // 40 planes of one position: plane 37 alone is coded, the rest are two runs.
    PlanesetPacket packet = planesetOf(orderSBCP, orderStyleInterleaved, 0);
    EXPECT_EQ(
        written(packet, imageInfo(1, 1, 0, 1, 1, 40), {{{0, 0, 0, 37}, {7, 8}, true}}).payload(),
        (Bytes{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x25, 0x01, 0xC2, 7, 8, 0x02}));

    // With MSEs a plane of 3 bytes occupies 5, the trailer following the fill rule.
    TG3ImageInfo info = imageInfo(1, 1, 0, 1, 1, 2);
    info.hasMSEs = 1;
    const ReadBack back =
        written(packet, info, {{{0, 0, 0, 0}, {1, 2, 0xFF}, false}, {{0, 0, 0, 1}, {3, 4}, false}});
    // clang-format off
    EXPECT_EQ(back.payload(), (Bytes{5, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                     0x83, 1, 2, 0xFF, 0x7F, 0xFF, 0x82, 3, 4, 0xFF, 0x7F}));
    // clang-format on
    ASSERT_EQ(back.walkStatus, 0);
    EXPECT_EQ(layout(back), (Layout{{10, 11, 5}, {16, 17, 4}}));
}

TEST(PlanesetWriter, DatafirstLengthOffsetOutOfReachIsRefused) {
    // Version 0.1 counts the length offset from the payload: after the 18 fixed bytes and
    // the 4 data bytes. A 64-bit offset that no stream position can reach is refused, not
    // added up.
    const TG3ImageInfo info = imageInfo(2, 2, 0, 2, 1, 2);
    PlanesetPacket packet = planesetOf(orderNoPipe, orderStyleDataFirst, 1, 70000);
    const ReadBack back = written(packet, info, {{{0, 0, 0, 1}, {9, 9, 9, 9}, false}});
    ASSERT_EQ(back.walkStatus, 0);
    EXPECT_EQ(back.packet->lengthOffset, 22u);
    EXPECT_EQ(layout(back), (Layout{{23, 18, 4}}));  // the record after a run of 1
    for (std::uint64_t offset : {std::uint64_t{INT64_MAX}, INT64_MAX - std::uint64_t(back.h)}) {
        Bytes far = back.bytes;
        for (int i = 0; i < 8; ++i)
            far[std::size_t(back.h + 10 + i)] = std::uint8_t(offset >> (56 - 8 * i));
        const ReadBack refused = readBack(far, info);
        EXPECT_EQ(refused.packet->lengthOffset, offset);
        EXPECT_EQ(refused.walkStatus, 2001);
    }
}

TEST(PlanesetWriter, RunsLongerThanOneRecord) {
    // 4096 x 4096 sub-blocks of one coefficient with 16 planes: 2^28 positions, more than a
    // record of version 0.0 can skip at once.
    const PlanePosition last{0, 4096u * 4096u - 1, 0, 15};
    for (std::uint8_t minor : {0, 1}) {
        PlanesetPacket packet = planesetOf(orderSBCP, orderStyleInterleaved, minor);
        const ReadBack back =
            written(packet, imageInfo(4096, 4096, 0, 1, 1, 16), {{last, {0x55}, false}});
        ASSERT_EQ(back.walkStatus, 0);
        ASSERT_EQ(back.index.size(), 1u);
        EXPECT_EQ(back.index[0].position, last);
        // 2^28 - 1 empty positions come first. Version 0.0 takes runs of at most 2^27 - 1:
        // two records of 4 bytes and one of 1 byte. Version 0.1 takes one record of 5 bytes.
        EXPECT_EQ(back.index[0].recordOffset - back.h, 10 + (minor == 0 ? 9 : 5));
    }
}

// How far (in image rows) some sub-block lies above another one stored before it in the
// order `kind`: a decoder that works from the top meets the upper one only after the lower.
std::int64_t worstLateness(const TG3ImageInfo& info, std::uint32_t kind) {
    std::unique_ptr<SubblockOrder> order;
    EXPECT_EQ(SubblockOrder::create(info, kind, order), 0);
    // The image rows each sub-block covers at full resolution: the first, one past the last.
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    for (std::uint64_t k = 0; order != nullptr && k < order->pairCount(); ++k) {
        std::uint8_t band = 0;
        std::uint32_t subblock = 0;
        order->pairAt(k, band, subblock);
        const std::int64_t row = subblock / info.bands[band].columns, size = info.subblockSize;
        // Band 0 has the scale of the coarsest level; a band of level j is reduced
        // levels - j + 1 times by two.
        const int level = band == 0 ? 1 : (band + 3) / 4;
        const std::int64_t scale = std::int64_t{1} << (info.levels - level + 1);
        const std::int64_t end = std::min<std::int64_t>((row + 1) * size, info.bands[band].height);
        spans.emplace_back(row * size * scale, end * scale);
    }
    std::int64_t worst = INT64_MIN, lowestEndAfter = INT64_MAX;
    for (std::size_t k = spans.size(); k-- > 0;) {
        if (lowestEndAfter != INT64_MAX) worst = std::max(worst, spans[k].first - lowestEndAfter);
        lowestEndAfter = std::min(lowestEndAfter, spans[k].second);
    }
    return worst;
}

// The pipelined order exists so that a decoder producing the image from the top meets
// each sub-block no later than it needs it. At each level the 5-3 synthesis and its
// streaming look only a few band rows (at most three) beyond the row they make, which at
// full resolution is under 3 * 2^(levels + 1) rows in all: no sub-block may be stored after
// another that lies further below it than that, however tall the image. The measure tells
// the orders apart: stored band after band, a tall image makes the decoder wait for the
// top rows of the finer bands.
TEST(PipelinedOrder, TopToBottomDecoderMeetsSubblocksInTimeUpTo32Levels) {
    for (std::uint32_t w : {3u, 17u, 100u})
        for (std::uint32_t h : {3u, 4u, 33u, 70u, 129u, 300u})
            for (std::uint8_t levels : {1, 2, 3, 4})
                for (std::uint16_t size : {1, 2, 4, 16})
                    EXPECT_LE(worstLateness(imageInfo(w, h, levels, size), orderPipelined),
                              3 * (std::int64_t{1} << (levels + 1)))
                        << w << "x" << h << " L" << int{levels} << " S" << size;
    for (std::uint32_t kind : {orderSBCP, orderNoPipe})
        EXPECT_GT(worstLateness(imageInfo(64, 256, 3, 8), kind), 100) << kind;
    // 32 levels still make a table; 33 cannot occur in a 32-bit image with bands of
    // more than one sample and are refused, while the band orders stay available.
    std::unique_ptr<SubblockOrder> order;
    EXPECT_EQ(SubblockOrder::create(imageInfo(4, 3000, 32, 8), orderPipelined, order), 0);
    EXPECT_EQ(SubblockOrder::create(imageInfo(4, 3000, 33, 8), orderPipelined, order), 2009);
    EXPECT_EQ(SubblockOrder::create(imageInfo(4, 3000, 33, 8), orderSBCP, order), 0);
    // An image without columns has no sub-blocks in any band, however tall.
    ASSERT_EQ(SubblockOrder::create(imageInfo(0, 4000000, 20, 1), orderPipelined, order), 0);
    EXPECT_EQ(order->pairCount(), 0u);
}

}  // namespace
