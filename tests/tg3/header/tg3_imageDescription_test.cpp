#include "tg3/header/tg3_imageDescription.h"

#include <gtest/gtest.h>

#include "tg3/container/tg3_basicPackets.h"
#include "tg3/container/tg3_fileHeader.h"

namespace Corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

ImageDescription fullDescription() {
    ImageDescription d;
    d.flags = 15;
    d.xUL = 500000.25;
    d.yUL = 4200000.5;
    d.xLR = 500640.25;
    d.yLR = 4199520.5;
    d.xRes = 1.0;
    d.yRes = -1.0;
    d.zNumber = 0x01020304;
    d.transPixel = {3, 5, {0, 128, 255}};
    d.backPixel = {2, 7, {0x1234, 0xFFFF}};
    return d;
}

Bytes bytesOf(const ImageDescription& description) {
    MemoryKernelStream stream;
    EXPECT_EQ(writeImageDescription(stream, description), 0);
    return stream.bytes();
}

TEST(ImageDescription, ExactLayout) {
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
}

TEST(ImageDescription, RoundTripsAndOtherDataTypesCarryNoValues) {
    const ImageDescription full = fullDescription();
    MemoryKernelStream stream(bytesOf(full));
    ImageDescription read;
    ASSERT_EQ(readImageDescription(stream, read), 0);
    EXPECT_EQ(read, full);

    // A record of data type 8 has no values, whatever its band count.
    MemoryKernelStream other(Bytes{0x04, 0, 3, 8});
    ASSERT_EQ(readImageDescription(other, read), 0);
    EXPECT_EQ(read.transPixel.numBands, 3);
    EXPECT_TRUE(read.transPixel.transDataValue.empty());
    EXPECT_EQ(other.tell(), 4);

    MemoryKernelStream empty(Bytes{0});
    ASSERT_EQ(readImageDescription(empty, read), 0);
    EXPECT_EQ(read, ImageDescription{});
}

TEST(ImageDescription, BadFlagsAndShortReads) {
    MemoryKernelStream sixteen(Bytes{16});
    ImageDescription read;
    EXPECT_EQ(readImageDescription(sixteen, read), 2005);
    ImageDescription bad;
    bad.flags = 16;
    MemoryKernelStream out;
    EXPECT_EQ(writeImageDescription(out, bad), 2005);

    const Bytes full = bytesOf(fullDescription());
    for (std::size_t size = 0; size < full.size(); ++size) {
        MemoryKernelStream cut(
            Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size)));
        EXPECT_EQ(readImageDescription(cut, read), 2001) << size;
    }
    // A band count far beyond the payload ends in a short read.
    MemoryKernelStream huge(Bytes{0x04, 0xFF, 0xFF, 7, 0, 1});
    EXPECT_EQ(readImageDescription(huge, read), 2001);
}

TEST(ImageDescription, ThroughTheContainer) {
    MemoryKernelStream file;
    ASSERT_EQ(writeFileHeader(file), 0);
    ASSERT_EQ(writeImageDescriptionPacket(file, fullDescription(), 4), 0);
    file.seek(0, 1);
    TG3Container container(file);
    ASSERT_EQ(container.open(), 0);
    ASSERT_EQ(container.database()->nodes().size(), 1u);
    const PacketHeader& header = container.database()->nodes()[0].header;
    EXPECT_EQ(header.type, packetTypeMetadata);
    EXPECT_EQ(header.subType, 3u);
    EXPECT_EQ(header.imageNumber, 4u);

    ImageDescription read;
    ASSERT_EQ(findImageDescription(container, 4, read), 0);
    EXPECT_EQ(read, fullDescription());
    // An image without a description gets an empty one.
    ASSERT_EQ(findImageDescription(container, 0, read), 0);
    EXPECT_EQ(read, ImageDescription{});
}

}  // namespace
}  // namespace Corvane
