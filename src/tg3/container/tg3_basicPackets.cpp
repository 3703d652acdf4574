#include "tg3/container/tg3_basicPackets.h"

#include <array>

#include "support/cv_status.h"

namespace Corvane {

namespace {

// Reads exactly count bytes, refusing counts the rest of the stream cannot hold before
// anything is allocated.
std::int32_t readPayloadBytes(KernelStream& stream, std::uint64_t count,
                              std::vector<std::uint8_t>& bytes) {
    const std::int64_t remaining = bytesRemaining(stream);
    if (remaining < 0 || count > static_cast<std::uint64_t>(remaining)) {
        return TG3Status::readFailed;
    }
    bytes.assign(static_cast<std::size_t>(count), 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk =
            static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() - done, 0x40000000u));
        if (stream.read(bytes.data() + done, chunk) != chunk) return TG3Status::readFailed;
        done += chunk;
    }
    return TG3Status::ok;
}

class RawPacketReader : public PacketReader {
  public:
    explicit RawPacketReader(RawPacket& packet) : packet_(packet) {}
    std::int32_t read(KernelStream& stream, std::uint64_t payloadLength) override {
        if (payloadLength == lengthToEnd) {
            const std::int64_t remaining = bytesRemaining(stream);
            if (remaining < 0) return TG3Status::readFailed;
            payloadLength = static_cast<std::uint64_t>(remaining);
        }
        return readPayloadBytes(stream, payloadLength, packet_.bytes);
    }

  private:
    RawPacket& packet_;
};

class RawPacketWriter : public PacketWriter {
  public:
    explicit RawPacketWriter(RawPacket& packet) : packet_(packet) {}
    std::int32_t write(KernelStream& stream) override { return writeBytes(stream, packet_.bytes); }

  private:
    RawPacket& packet_;
};

class MetadataPacketReader : public PacketReader {
  public:
    explicit MetadataPacketReader(MetadataPacket& packet) : packet_(packet) {}
    std::int32_t read(KernelStream& stream, std::uint64_t) override {
        std::uint32_t count = 0;
        if (readU32(stream, count) != 0) return TG3Status::readFailed;
        return readPayloadBytes(stream, count, packet_.bytes);
    }

  private:
    MetadataPacket& packet_;
};

class MetadataPacketWriter : public PacketWriter {
  public:
    explicit MetadataPacketWriter(MetadataPacket& packet) : packet_(packet) {}
    std::int32_t write(KernelStream& stream) override {
        if (packet_.bytes.size() > 0xFFFFFFFFu) return TG3Status::writeFailed;
        const std::int32_t status =
            writeU32(stream, static_cast<std::uint32_t>(packet_.bytes.size()));
        return status != 0 ? status : writeBytes(stream, packet_.bytes);
    }

  private:
    MetadataPacket& packet_;
};

class TG2ImagePacketReader : public PacketReader {
  public:
    explicit TG2ImagePacketReader(TG2ImagePacket& packet) : packet_(packet) {}
    std::int32_t read(KernelStream& stream, std::uint64_t payloadLength) override {
        packet_.startOffset = stream.tell();
        if (packet_.startOffset < 0) return TG3Status::readFailed;
        packet_.endOffset = packet_.startOffset + static_cast<std::int64_t>(payloadLength);
        return TG3Status::ok;
    }

  private:
    TG2ImagePacket& packet_;
};

std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
        table[i] = crc;
    }
    return table;
}

}  // namespace

std::uint32_t packetChecksum(const std::uint8_t* bytes, std::size_t count) {
    static const std::array<std::uint32_t, 256> table = makeCrcTable();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        crc = (crc << 8) ^ table[((crc >> 24) ^ bytes[i]) & 0xFF];
    }
    return crc;
}

bool RawPacket::equals(const Packet& other) const {
    const auto* raw = dynamic_cast<const RawPacket*>(&other);
    return raw && raw->header().type == header().type && raw->bytes == bytes;
}

std::unique_ptr<Packet> GenericPacketKind::newPacket(const PacketHeader& header) const {
    return std::make_unique<RawPacket>(header);
}
std::unique_ptr<PacketReader> GenericPacketKind::newReader(Packet& packet) const {
    auto* raw = dynamic_cast<RawPacket*>(&packet);
    return raw ? std::make_unique<RawPacketReader>(*raw) : nullptr;
}
std::unique_ptr<PacketWriter> GenericPacketKind::newWriter(Packet& packet) const {
    auto* raw = dynamic_cast<RawPacket*>(&packet);
    return raw ? std::make_unique<RawPacketWriter>(*raw) : nullptr;
}

bool MetadataPacket::equals(const Packet& other) const {
    const auto* metadata = dynamic_cast<const MetadataPacket*>(&other);
    return metadata && metadata->header().type == packetTypeMetadata && metadata->bytes == bytes;
}

std::uint32_t MetadataPacket::checksum() const {
    return packetChecksum(bytes.data(), bytes.size());
}

void MetadataPacket::dump(std::ostream& out) const {
    header().dump(out);
    out << "length: " << bytes.size() << "\n"
        << "checksum: " << checksum() << "\n";
}

std::unique_ptr<Packet> MetadataPacketKind::newPacket(const PacketHeader& header) const {
    return std::make_unique<MetadataPacket>(header);
}
std::unique_ptr<PacketReader> MetadataPacketKind::newReader(Packet& packet) const {
    auto* metadata = dynamic_cast<MetadataPacket*>(&packet);
    return metadata ? std::make_unique<MetadataPacketReader>(*metadata) : nullptr;
}
std::unique_ptr<PacketWriter> MetadataPacketKind::newWriter(Packet& packet) const {
    auto* metadata = dynamic_cast<MetadataPacket*>(&packet);
    return metadata ? std::make_unique<MetadataPacketWriter>(*metadata) : nullptr;
}

std::int32_t writeMetadataPacket(KernelStream& stream, std::uint32_t subType,
                                 std::uint32_t imageNumber, std::vector<std::uint8_t> bytes) {
    PacketHeader header;
    header.type = packetTypeMetadata;
    header.subType = subType;
    header.imageNumber = imageNumber;
    MetadataPacket packet(header);
    packet.bytes = std::move(bytes);
    MetadataPacketKind kind;
    return writePacket(stream, header, *kind.newWriter(packet));
}

bool TG2ImagePacket::equals(const Packet& other) const {
    const auto* image = dynamic_cast<const TG2ImagePacket*>(&other);
    return image && image->startOffset == startOffset && image->endOffset == endOffset;
}

std::unique_ptr<Packet> TG2ImagePacketKind::newPacket(const PacketHeader& header) const {
    return std::make_unique<TG2ImagePacket>(header);
}
std::unique_ptr<PacketReader> TG2ImagePacketKind::newReader(Packet& packet) const {
    auto* image = dynamic_cast<TG2ImagePacket*>(&packet);
    return image ? std::make_unique<TG2ImagePacketReader>(*image) : nullptr;
}
std::unique_ptr<PacketWriter> TG2ImagePacketKind::newWriter(Packet&) const {
    return nullptr;
}

}  // namespace Corvane
