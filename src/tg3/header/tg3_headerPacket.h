#pragma once
// The header packet of a TG3 image, which carries its TG3ImageInfo and flags, with the
// packet kind that reads and writes it.
#include <cstdint>
#include <ostream>

#include "tg3/container/tg3_packet.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

// Bits of the header packet's `bitflags`.
namespace HeaderFlags {
constexpr std::uint64_t writerMark = 1ull << 1;
constexpr std::uint64_t hasMSEs = 1ull << 2;
constexpr std::uint64_t hasVirtualImageProps = 1ull << 15;
constexpr std::uint64_t hasShift = 1ull << 17;
// Bits that must be clear in any header this system reads.
constexpr std::uint64_t refused = 0xFFFFFFFFFFFC0000ull | 0x7F41ull;
}  // namespace HeaderFlags

// The packet that describes one TG3 image.
class HeaderPacket : public Packet {
  public:
    using Packet::Packet;
    std::unique_ptr<Packet> clone() const override { return std::make_unique<HeaderPacket>(*this); }
    bool equals(const Packet& other) const override;

    bool hasMSEs() const { return (bitflags & HeaderFlags::hasMSEs) != 0; }
    bool hasVirtualSupport() const { return (bitflags & HeaderFlags::hasVirtualImageProps) != 0; }
    void dump(std::ostream& out) const;

    TG3ImageInfo info;
    std::uint64_t bitflags = 0;
    std::uint8_t shift = 0;
};

class HeaderPacketKind : public PacketKind {
  public:
    HeaderPacketKind() : PacketKind(packetTypeHeader) {}
    std::unique_ptr<Packet> newPacket(const PacketHeader& header) const override;
    std::unique_ptr<PacketReader> newReader(Packet& packet) const override;
    std::unique_ptr<PacketWriter> newWriter(Packet& packet) const override;
};

// A header packet ready for writing: `bitflags` derived from the info (bit 1 always, bit 2
// from has-MSEs, bit 15 from the virtual support).
HeaderPacket makeHeaderPacket(const TG3ImageInfo& info);

}  // namespace Corvane
