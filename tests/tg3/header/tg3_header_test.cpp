#include <gtest/gtest.h>

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/header/tg3_headerPacket.h"

namespace Corvane {
namespace {

TG3ImageInfo sampleInfo() {
    TG3ImageInfo info;
    info.imageNumber = 2;
    info.width = 640;
    info.height = 481;
    info.levels = 3;
    info.components = 3;
    info.planes = 10;
    info.subblockSize = 32;
    info.domainBits = 8;
    info.dataType = dataTypeUInt8;
    info.dynamicRangeMin = -5;
    info.dynamicRangeMax = 300;
    info.inputColorSpace = colorSpaceRGB;
    info.waveletColorSpace = colorSpaceJ2KReversible;
    info.colorTransform = colorTransformJ2KReversible;
    info.boundary = boundaryReflective;
    info.kernel = kernel53HV;
    info.coderType = coderMQ;
    info.buildBandTable();
    return info;
}

// Serialises a header packet payload through the writer.
std::vector<std::uint8_t> payloadOf(HeaderPacket& packet) {
    MemoryKernelStream stream;
    HeaderPacketKind kind;
    EXPECT_EQ(kind.newWriter(packet)->write(stream), 0);
    return stream.bytes();
}

std::int32_t readPayload(const std::vector<std::uint8_t>& bytes, HeaderPacket& packet) {
    MemoryKernelStream stream(bytes);
    HeaderPacketKind kind;
    return kind.newReader(packet)->read(stream, bytes.size());
}

TEST(TG3ImageInfo, BandTableOfFiveByThree) {
    TG3ImageInfo info;
    info.width = 5;
    info.height = 3;
    info.levels = 1;
    info.subblockSize = 2;
    info.buildBandTable();
    struct Expected {
        std::uint32_t width, height, rows, columns;
    };
    const Expected expected[] = {
        {3, 2, 1, 2}, {3, 2, 1, 2}, {2, 2, 1, 1}, {3, 1, 1, 2}, {2, 1, 1, 1}};
    ASSERT_EQ(info.bands.size(), 5u);
    EXPECT_EQ(info.bandCount, 5);
    for (std::size_t b = 0; b < 5; ++b) {
        EXPECT_EQ(info.bands[b].width, expected[b].width) << b;
        EXPECT_EQ(info.bands[b].height, expected[b].height) << b;
        EXPECT_EQ(info.bands[b].rows, expected[b].rows) << b;
        EXPECT_EQ(info.bands[b].columns, expected[b].columns) << b;
    }
    EXPECT_EQ(info.totalSubblocks, 8u);
    EXPECT_EQ(info.support, (TG3Support{0, 0, 4, 2}));

    TG3ImageInfo one;
    one.width = one.height = 1;
    one.subblockSize = 64;
    one.buildBandTable();
    ASSERT_EQ(one.bands.size(), 1u);
    EXPECT_EQ(one.bands[0], (TG3BandInfo{1, 1, 1, 1, 0}));
    EXPECT_EQ(one.totalSubblocks, 1u);
}

TEST(TG3ImageInfo, SubblockArithmetic) {
    TG3ImageInfo info;
    info.width = 10;
    info.height = 7;
    info.levels = 0;
    info.subblockSize = 2;
    info.buildBandTable();  // one band 10 x 7: 4 rows of 5 columns
    EXPECT_EQ(info.subblockIndex(0, 2, 3), 13u);
    std::uint32_t row = 0, column = 0;
    info.subblockRowColumn(0, 13, row, column);
    EXPECT_EQ(row, 2u);
    EXPECT_EQ(column, 3u);
    EXPECT_EQ(info.subblockWidth(0, 4), 2u);
    EXPECT_EQ(info.subblockHeight(0, 3), 1u);
    EXPECT_EQ(info.subblockHeight(0, 2), 2u);

    info.width = 5;
    info.buildBandTable();
    EXPECT_EQ(info.subblockWidth(0, 2), 1u);  // the last sub-block of a band 5 wide

    info.hasVirtualSupport = 1;
    info.levels = 4;
    info.levelsRemoved = 1;
    info.support = {2, 3, 4, 6};
    EXPECT_EQ(info.effectiveLevels(), 3);
    EXPECT_EQ(info.effectiveWidth(), 3u);
    EXPECT_EQ(info.effectiveHeight(), 4u);
    info.domainBits = 0;
    info.dataType = dataTypeSInt16;
    EXPECT_EQ(info.effectiveDomainBits(), 15);
}

TEST(HeaderPacket, RoundTripsThroughWriterAndReader) {
    for (int variant = 0; variant < 3; ++variant) {
        TG3ImageInfo info = sampleInfo();
        if (variant >= 1) info.hasMSEs = 1;
        if (variant == 2) {
            info.hasVirtualSupport = 1;
            info.support = {10, 20, 109, 219};
            info.levelsRemoved = 1;
            info.domainBits = 15;
            info.dataType = dataTypeSInt16;
            info.coderType = static_cast<TG3CoderType>(1);  // accepted without a text
        }
        HeaderPacket written = makeHeaderPacket(info);
        const auto bytes = payloadOf(written);
        EXPECT_EQ(bytes.size(), variant == 2 ? 57u : 40u);
        EXPECT_EQ(bytes[7] & 0x06, variant >= 1 ? 0x06 : 0x02);

        HeaderPacket read(written.header());
        ASSERT_EQ(readPayload(bytes, read), 0);
        EXPECT_EQ(read.info, info);
        EXPECT_TRUE(read.equals(written));
        EXPECT_EQ(read.hasMSEs(), variant >= 1);
        EXPECT_EQ(read.hasVirtualSupport(), variant == 2);
    }
}

TEST(HeaderPacket, FlagAndFieldChecks) {
    HeaderPacket base = makeHeaderPacket(sampleInfo());
    const auto good = payloadOf(base);
    struct Case {
        std::uint64_t flags;
        std::int32_t status;
    };
    const Case cases[] = {
        {0x2, 0},           {0x80, 0},      {0x1, 2006},        {0x40, 2006},
        {0x100, 2006},      {0x4000, 2006}, {1ull << 17, 2006}, {1ull << 18, 2006},
        {1ull << 63, 2006}, {0x8000, 2001},  // the virtual block is missing
    };
    for (const auto& c : cases) {
        auto bytes = good;
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(c.flags >> (56 - 8 * i));
        HeaderPacket packet(base.header());
        EXPECT_EQ(readPayload(bytes, packet), c.status) << std::hex << c.flags;
    }
    auto domain12 = good;
    domain12[22] = 12;  // domain bits
    HeaderPacket packet(base.header());
    EXPECT_EQ(readPayload(domain12, packet), 2001);
    auto coder0 = good;
    coder0[39] = 0;
    EXPECT_EQ(readPayload(coder0, packet), 2001);
    coder0[39] = 6;
    EXPECT_EQ(readPayload(coder0, packet), 2001);
    // Sub-blocks of 1 over a height of 65536: the band table cannot count their rows.
    HeaderPacket tall = makeHeaderPacket([] {
        TG3ImageInfo info = sampleInfo();
        info.height = 131072;
        info.levels = 1;
        info.subblockSize = 1;
        info.buildBandTable();
        return info;
    }());
    EXPECT_EQ(readPayload(payloadOf(tall), packet), 2006);
    tall.info.height = 131070;  // 65535 rows in every band: still countable
    tall.info.buildBandTable();
    EXPECT_EQ(readPayload(payloadOf(tall), packet), 0);
    auto truncated = good;
    truncated.pop_back();
    EXPECT_EQ(readPayload(truncated, packet), 2001);

    PacketHeader versioned = base.header();
    versioned.versionMinor = 1;
    HeaderPacket wrongVersion(versioned);
    EXPECT_EQ(readPayload(good, wrongVersion), 2001);

    HeaderPacket shifted = base;
    shifted.shift = 1;
    MemoryKernelStream sink;
    HeaderPacketKind kind;
    EXPECT_THROW(kind.newWriter(shifted)->write(sink), UnimplementedException);
}

TEST(TG3Types, TextsAndFacts) {
    EXPECT_STREQ(dataTypeText(dataTypeSInt16), "SINT16");
    EXPECT_STREQ(colorSpaceText(16), "JPEG2000 Reversible with DC shift");
    EXPECT_STREQ(colorTransformText(16), "CMYK to YIQK with pre/post processing");
    EXPECT_STREQ(kernelText(3), "5-3 VH");
    EXPECT_STREQ(coderTypeText(4), "MQ");
    EXPECT_STREQ(boundaryText(1), "periodic");
    EXPECT_STREQ(orderText(7), "pipelined53_uniform");
    EXPECT_STREQ(orderStyleText(2), "datafirst");
    EXPECT_STREQ(decodeTargetText(3), "scene");
    EXPECT_THROW(kernelText(1), UnimplementedException);
    EXPECT_THROW(coderTypeText(1), UnimplementedException);
    EXPECT_THROW(dataTypeText(0), UnimplementedException);
    EXPECT_THROW(colorSpaceText(3), UnimplementedException);
    EXPECT_EQ(dataTypeBytes(dataTypePad24), 3);
    EXPECT_EQ(dataTypeDomainBits(dataTypeDouble), 48);
    EXPECT_TRUE(dataTypeIsSigned(dataTypeSInt64));
    EXPECT_FALSE(dataTypeIsSigned(dataTypeSingle));
}

}  // namespace
}  // namespace Corvane
