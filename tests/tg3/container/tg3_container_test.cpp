// Packet framing, the container's scan, and malformed TG3 files with the status each
// stage of reading gives them: a whole file assembled by the writers (header, classical
// metadata, image description, planeset of made-up planes) with bytes changed or cut,
// and short hand-made files.
#include "tg3/container/tg3_container.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/tg3_test_files.h"
#include "common/thrown_text.h"
#include "metadata/cv_classicalStandardTags.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/header/tg3_imageDescription.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"
#include "tg3/planeset/tg3_lengthRecord.h"
#include "tg3/planeset/tg3_planesetWriter.h"

using namespace Corvane;
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
}

TEST(TG3Container, ScansFindsAndListsImages) {
    MemoryKernelStream file;
    ASSERT_EQ(writeFileHeader(file), 0);
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

    // Packets without a registered kind: raw bytes when generic, else refused.
    // Materialising leaves the stream where it was.
    file.seek(3, 1);
    Packet* packet = nullptr;
    ASSERT_EQ(container.find(PacketHeader::key(packetTypeGeneric), packet), 0);
    EXPECT_EQ(file.tell(), 3);
    EXPECT_EQ(dynamic_cast<RawPacket*>(packet)->bytes, (Bytes{4, 5, 6}));
    std::vector<Packet*> headers;
    EXPECT_EQ(container.findAll(PacketHeader::key(packetTypeHeader), headers), 2010);
    EXPECT_EQ(container.find(PacketHeader::key(packetTypeIndex), packet), 2010);

    // Two header packets for image 5: ambiguous, no packet.
    PacketHeader key = PacketHeader::key(packetTypeHeader);
    key.imageNumber = 5;
    ASSERT_EQ(container.find(key, packet), 0);
    EXPECT_EQ(packet, nullptr);

    // A generic packet whose length is all ones runs to the end of the file.
    const Bytes toEnd = {'t',  'o',  'v',  'x',  3,    0,    26,   'q', 0x00, 0x03, 0xFF,
                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1,   2,    3};
    MemoryKernelStream stream(toEnd);
    TG3Container whole(stream);
    ASSERT_EQ(whole.open(), 0);
    ASSERT_EQ(whole.find(PacketHeader::key(0), packet), 0);
    EXPECT_EQ(dynamic_cast<RawPacket*>(packet)->bytes, (Bytes{1, 2, 3}));
}

// The file, and where its packets and their payloads start (the file size last).
struct Assembled {
    Bytes bytes;
    std::vector<std::int64_t> packets, payloads;
};

// An RGB image of 37 x 23 with two levels, sub-blocks of 8 and 6 planes.
Assembled assemble() {
    TG3ImageInfo info = tovex_test::imageInfo(37, 23, 2, 8, 3, 6);
    info.domainBits = 8;
    info.dataType = dataTypeUInt8;
    info.dynamicRangeMax = 255;
    info.inputColorSpace = colorSpaceRGB;
    MemoryKernelStream file;
    EXPECT_EQ(writeFileHeader(file), 0);
    HeaderPacket header = makeHeaderPacket(info);
    HeaderPacketKind headerKind;
    EXPECT_EQ(writePacket(file, header.header(), *headerKind.newWriter(header)), 0);
    TG3ClassicalMetadata metadata;
    setImageWidth(&metadata.table(), 37);
    EXPECT_EQ(writeClassicalMetadataPacket(file, metadata), 0);
    ImageDescription description;
    description.flags = ImageDescription::hasGeoData;
    EXPECT_EQ(writeImageDescriptionPacket(file, description, 0), 0);
    tovex_test::writeTestPlaneset(file, info, tovex_test::madeUpPlanes(info, 9), orderSBCP);

    Assembled result{file.bytes(), {}, {}};
    MemoryKernelStream stream(result.bytes);
    TG3Container container(stream);
    EXPECT_EQ(container.open(), 0);
    for (const DBObject& node : container.database()->nodes()) {
        result.packets.push_back(node.header.headerOffset);
        result.payloads.push_back(node.header.headerOffset + node.header.headerLength);
    }
    result.packets.push_back(static_cast<std::int64_t>(result.bytes.size()));
    return result;
}

enum Stage { Open, FindHeader, FindPlaneset, Walk, Description, FindMetadata };

// The status of the first stage that fails, or of `last` when all before it pass.
std::int32_t statusOf(const Bytes& bytes, Stage last) {
    MemoryKernelStream stream(bytes);
    TG3Container container(stream);
    std::int32_t status = container.open();
    if (status != 0 || last == Open) return status;
    container.registerKind(std::make_unique<HeaderPacketKind>());
    container.registerKind(std::make_unique<PlanesetPacketKind>());
    if (last == Description) {
        ImageDescription description;
        return findImageDescription(container, 0, description);
    }
    Packet* packet = nullptr;
    if (last == FindMetadata) return container.find(PacketHeader::key(packetTypeMetadata), packet);
    if ((status = container.find(PacketHeader::key(packetTypeHeader), packet)) != 0) return status;
    const auto* header = dynamic_cast<HeaderPacket*>(packet);
    if (last == FindHeader || header == nullptr) return status;
    if ((status = container.find(PacketHeader::key(packetTypePlaneset), packet)) != 0)
        return status;
    const auto* planeset = dynamic_cast<PlanesetPacket*>(packet);
    if (last == FindPlaneset || planeset == nullptr) return status;
    PlaneIndex index;
    return indexPlanes(stream, *planeset, header->info, index);
}

Bytes withBytes(Bytes bytes, std::int64_t at, const Bytes& values) {
    std::copy(values.begin(), values.end(), bytes.begin() + at);
    return bytes;
}

Bytes bigEndian(std::uint64_t value) {
    Bytes out;
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(value >> (56 - 8 * i)));
    return out;
}

TEST(TG3Malformed, EachDamageGivesItsStatus) {
    const Assembled file = assemble();
    const Bytes& good = file.bytes;
    const std::int64_t header = file.packets[0], headerPayload = file.payloads[0];
    const std::int64_t description = file.payloads[2], planeset = file.payloads[3];
    const std::int64_t planesetMinor = planeset - 9;  // before the 8-byte payload length
    ASSERT_EQ(good[static_cast<std::size_t>(planesetMinor)], 1);
    const Bytes magic = {'t', 'o', 'v', 'x', 3, 0, 26, 'q'};
    const auto after = [&magic](const Bytes& tail) {
        Bytes bytes = magic;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    // Zero bytes read as empty generic packets of three bytes; a file is held to 65536
    // packets, so a long tail of zeros is refused instead of indexed.
    const auto zeroTail = [&after](std::size_t packets) { return after(Bytes(3 * packets, 0)); };

    struct Case {
        const char* what;
        Bytes bytes;
        Stage stage;
        std::int32_t status;
    };
    const Case cases[] = {
        {"whole file", good, Walk, 0},
        {"no packets", magic, Open, 0},
        {"minor letter o", withBytes(magic, 7, {'o'}), Open, 0},
        {"major not compared", withBytes(magic, 4, {7}), Open, 0},
        {"minor letter signed", withBytes(magic, 7, {0x90}), Open, 0},
        {"magic", withBytes(good, 0, {'T'}), Open, 2006},
        {"minor letter r", withBytes(good, 7, {'r'}), Open, 2006},
        {"version 3.1", withBytes(magic, 5, {1}), Open, 2006},
        {"version 3.0.25", withBytes(magic, 6, {25}), Open, 2006},
        {"file header cut", Bytes(magic.begin(), magic.end() - 1), Open, 2001},
        {"packet reserved bit", withBytes(good, header, {0x81}), Open, 2006},
        {"packet type bits", after({0x14, 0x00, 0x00}), Open, 2006},
        {"packet ends in its header", after({0x01, 0x03, 0}), Open, 2001},
        {"payload past the end", after({0x01, 0x00, 0x05, 9}), Open, 2001},
        {"65536 packets", zeroTail(65536), Open, 0},
        {"65537 packets", zeroTail(65537), Open, 2006},
        {"metadata count past the end", after({0x02, 0x00, 0x04, 0x7F, 0xFF, 0xFF, 0xFF}),
         FindMetadata, 2001},
        {"header flag bit 6", withBytes(good, headerPayload, bigEndian(0x42)), FindHeader, 2006},
        {"header flag bit 63", withBytes(good, headerPayload, bigEndian(2 | 1ull << 63)),
         FindHeader, 2006},
        {"virtual block missing",  // the header packet ends the file
         withBytes(Bytes(good.begin(), good.begin() + file.packets[1]), headerPayload,
                   bigEndian(0x8002)),
         FindHeader, 2001},
        {"domain bits 12", withBytes(good, headerPayload + 22, {12}), FindHeader, 2001},
        {"coder 6", withBytes(good, headerPayload + 39, {6}), FindHeader, 2001},
        {"description flags 16", withBytes(good, description + 4, {16}), Description, 2005},
        {"planeset version 0.2", withBytes(good, planesetMinor, {2}), FindPlaneset, 2006},
        {"lengthfirst", withBytes(good, planeset + 1, {1}), Walk, 2014},
        {"order 6", withBytes(good, planeset, {6}), Walk, 2009},
        {"empty run record", withBytes(good, planeset + 10, {0x00}), Walk, 2001},
        {"raw run record", withBytes(good, planeset + 10, {0x41}), Walk, 2001},
    };
    for (const Case& c : cases) EXPECT_EQ(statusOf(c.bytes, c.stage), c.status) << c.what;

    // Cut anywhere, the scan fails unless the cut falls between packets; a planeset whose
    // framing is whole but whose records stop early fails the walk.
    for (std::size_t size = 0; size < good.size(); ++size) {
        const bool between = size == 8 || std::count(file.packets.begin(), file.packets.end(),
                                                     static_cast<std::int64_t>(size)) > 0;
        ASSERT_EQ(statusOf(Bytes(good.begin(), good.begin() + std::ptrdiff_t(size)), Open),
                  between ? 0 : 2001)
            << size;
    }
    Bytes cut(good.begin(), good.end() - 1);
    cut = withBytes(cut, planeset - 8, bigEndian(cut.size() - std::size_t(planeset)));
    EXPECT_EQ(statusOf(cut, Walk), 2001);

    // A classical block of version 2 fails the metadata database with the catalog text.
    MemoryKernelStream stream(withBytes(good, file.payloads[1] + 4, {0, 2}));
    TG3Container container(stream);
    ASSERT_EQ(container.open(), 0);
    EXPECT_EQ(tovex_test::thrownText([&] { TG3MetadataDatabase database(container); }),
              "[4][2423]Error reading Classical Metdata Packet.");
}

TEST(TG3Malformed, EndlessLengthRecord) {
    // A record of version 0.1 whose continuation bytes never end overflows.
    MemoryKernelStream endless(Bytes{0xA0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80});
    LengthRecord record;
    EXPECT_EQ(readLengthRecord(endless, 1, record), 2001);
}

}  // namespace
