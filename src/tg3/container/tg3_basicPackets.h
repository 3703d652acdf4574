#pragma once
// The packet kinds any TG3 file may hold besides an image's own: packets of unknown
// type kept as raw bytes, metadata packets and embedded TG2 images, and the checksum
// that dumps show for metadata.
#include <cstdint>
#include <ostream>
#include <vector>

#include "tg3/container/tg3_packet.h"

namespace Corvane {

// Any packet type without a kind of its own: the payload kept as raw bytes.
class RawPacket : public Packet {
  public:
    using Packet::Packet;
    std::unique_ptr<Packet> clone() const override { return std::make_unique<RawPacket>(*this); }
    bool equals(const Packet& other) const override;

    std::vector<std::uint8_t> bytes;
};

class GenericPacketKind : public PacketKind {
  public:
    GenericPacketKind() : PacketKind(packetTypeGeneric) {}
    std::unique_ptr<Packet> newPacket(const PacketHeader& header) const override;
    std::unique_ptr<PacketReader> newReader(Packet& packet) const override;
    std::unique_ptr<PacketWriter> newWriter(Packet& packet) const override;
};

// What a metadata packet carries, by its subType.
enum TG3MetadataSubType : std::uint32_t {
    metadataSubTypeClassical = 1,         // a classical metadata block
    metadataSubTypeImageDescription = 3,  // the image description
};

// A metadata packet: a 32-bit byte count, then that many bytes.
class MetadataPacket : public Packet {
  public:
    using Packet::Packet;
    std::unique_ptr<Packet> clone() const override {
        return std::make_unique<MetadataPacket>(*this);
    }
    bool equals(const Packet& other) const override;

    // CRC of the bytes, shown in dumps only.
    std::uint32_t checksum() const;
    void dump(std::ostream& out) const;

    std::vector<std::uint8_t> bytes;
};

class MetadataPacketKind : public PacketKind {
  public:
    MetadataPacketKind() : PacketKind(packetTypeMetadata) {}
    std::unique_ptr<Packet> newPacket(const PacketHeader& header) const override;
    std::unique_ptr<PacketReader> newReader(Packet& packet) const override;
    std::unique_ptr<PacketWriter> newWriter(Packet& packet) const override;
};

// Writes a whole Metadata packet of the given sub-type for one image around `bytes`.
std::int32_t writeMetadataPacket(KernelStream& stream, std::uint32_t subType,
                                 std::uint32_t imageNumber, std::vector<std::uint8_t> bytes);

// A complete TG2 stream embedded in the file; only its extent is recorded.
class TG2ImagePacket : public Packet {
  public:
    using Packet::Packet;
    std::unique_ptr<Packet> clone() const override {
        return std::make_unique<TG2ImagePacket>(*this);
    }
    bool equals(const Packet& other) const override;

    std::int64_t startOffset = 0;
    std::int64_t endOffset = 0;
};

class TG2ImagePacketKind : public PacketKind {
  public:
    TG2ImagePacketKind() : PacketKind(packetTypeTG2Image) {}
    std::unique_ptr<Packet> newPacket(const PacketHeader& header) const override;
    std::unique_ptr<PacketReader> newReader(Packet& packet) const override;
    std::unique_ptr<PacketWriter> newWriter(Packet& packet) const override;
};

// CRC-32 with polynomial 0x04C11DB7, most significant bit first, initial value 0 and no
// final inversion.
std::uint32_t packetChecksum(const std::uint8_t* bytes, std::size_t count);

}  // namespace Corvane
