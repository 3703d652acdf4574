// The header packet and the image description: the band table the header implies, and
// both payloads read back as written, with their exact sizes and bytes.
#include <gtest/gtest.h>

#include "common/tg3_test_files.h"
#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"
#include "tg3/container/tg3_container.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/header/tg3_imageDescription.h"

using namespace Corvane;
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HeaderPacket, RoundTripsThroughWriterAndReader) {
    HeaderPacketKind kind;
    const auto rgbInfo = [](std::uint32_t height, std::uint8_t levels, std::uint16_t size) {
        TG3ImageInfo info = tovex_test::imageInfo(640, height, levels, size, 3, 10);
        info.imageNumber = 2;
        info.domainBits = 8;
        info.dataType = dataTypeUInt8;
        info.dynamicRangeMin = -5;
        info.dynamicRangeMax = 300;
        info.inputColorSpace = colorSpaceRGB;
        info.waveletColorSpace = colorSpaceJ2KReversible;
        info.colorTransform = colorTransformJ2KReversible;
        return info;
    };
    // With MSEs and a virtual support of one removed level; code 1 is accepted without a
    // text.
    TG3ImageInfo info = rgbInfo(481, 3, 32);
    info.hasMSEs = 1;
    info.hasVirtualSupport = 1;
    info.support = {10, 20, 109, 219};
    info.levelsRemoved = 1;
    info.domainBits = 15;
    info.dataType = dataTypeSInt16;
    info.coderType = static_cast<TG3CoderType>(1);
    HeaderPacket written = makeHeaderPacket(info);
    MemoryKernelStream stream;
    ASSERT_EQ(kind.newWriter(written)->write(stream), 0);
    const Bytes bytes = stream.bytes();
    EXPECT_EQ(bytes.size(), 57u);
    EXPECT_EQ(bytes[7] & 0x06, 0x06);
    HeaderPacket read(written.header());
    MemoryKernelStream in(bytes);
    ASSERT_EQ(kind.newReader(read)->read(in, bytes.size()), 0);
    EXPECT_EQ(read.info, info);
    EXPECT_TRUE(read.hasVirtualSupport());
    // Sub-blocks of 1 over a height of 131072: the band table cannot count their rows.
    HeaderPacket tall = makeHeaderPacket(rgbInfo(131072, 1, 1));
    MemoryKernelStream tallBytes;
    ASSERT_EQ(kind.newWriter(tall)->write(tallBytes), 0);
    tallBytes.seek(0, 1);
    EXPECT_EQ(kind.newReader(tall)->read(tallBytes, tallBytes.bytes().size()), 2006);
    tall.shift = 1;
    EXPECT_THROW(kind.newWriter(tall)->write(tallBytes), UnimplementedException);
}

TEST(ImageDescription, ExactLayoutAndRoundTrip) {
    const auto bytesOf = [](const ImageDescription& description) {
        MemoryKernelStream stream;
        EXPECT_EQ(writeImageDescription(stream, description), 0);
        return stream.bytes();
    };
    ImageDescription d;
    d.flags = ImageDescription::hasGeoData | ImageDescription::hasZNumber;
    d.xUL = 1.0;
    d.yUL = -2.0;
    d.zNumber = 0x0A0B0C0D;
    Bytes expected = {0x03, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0};
    expected.resize(expected.size() + 4 * 8, 0);  // xLR, yLR, xRes, yRes are 0.0
    expected.insert(expected.end(), {0x0A, 0x0B, 0x0C, 0x0D});
    EXPECT_EQ(bytesOf(d), expected);
    // Pixel records: bands, data type, then one byte (UINT8) or two (UINT16) per band.
    d = ImageDescription{};
    d.flags = ImageDescription::hasTransPixel | ImageDescription::hasBackPixel;
    d.transPixel = {2, 5, {1, 2}};
    d.backPixel = {1, 7, {0x0102}};
    EXPECT_EQ(bytesOf(d), (Bytes{0x0C, 0, 2, 5, 1, 2, 0, 1, 7, 1, 2}));

    // Everything at once reads back; every cut of it is a short read.
    d.flags = 15;
    d.xUL = 500000.25;
    d.yRes = -1.0;
    d.zNumber = 0x01020304;
    d.backPixel = {2, 7, {0x1234, 0xFFFF}};
    const Bytes full = bytesOf(d);
    ImageDescription read;
    for (std::size_t size = 0; size <= full.size(); ++size) {
        MemoryKernelStream cut(Bytes(full.begin(), full.begin() + std::ptrdiff_t(size)));
        EXPECT_EQ(readImageDescription(cut, read), size == full.size() ? 0 : 2001) << size;
    }
    EXPECT_EQ(read, d);
    // A record of data type 8 has no values, whatever its band count.
    MemoryKernelStream other(Bytes{0x04, 0, 3, 8});
    ASSERT_EQ(readImageDescription(other, read), 0);
    EXPECT_TRUE(read.transPixel.transDataValue.empty());
    MemoryKernelStream huge(Bytes{0x04, 0xFF, 0xFF, 7, 0, 1});
    EXPECT_EQ(readImageDescription(huge, read), 2001);
}

}  // namespace
