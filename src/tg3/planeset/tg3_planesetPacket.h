#pragma once
// The planeset packet: its fixed part (order, style, plane count) is read with the
// packet, while the plane records that follow are left to the plane index walk.
#include <cstdint>
#include <ostream>

#include "tg3/container/tg3_packet.h"
#include "tg3/header/tg3_types.h"

namespace Corvane {

// The coded planes of one image. Only the fixed part is read with the packet; the plane
// records are walked separately (see indexPlanes).
class PlanesetPacket : public Packet {
  public:
    using Packet::Packet;
    std::unique_ptr<Packet> clone() const override;
    bool equals(const Packet& other) const override;

    // Size of order, order style, plane count and (datafirst only) the length offset.
    std::int64_t fixedPartSize() const;
    void dump(std::ostream& out) const;

    std::uint32_t order = 0;
    std::uint32_t orderStyle = orderStyleUnset;
    std::uint64_t planeCount = 0;
    std::uint64_t lengthOffset = 0;
    bool hasStart = false;
    std::uint64_t start = 0;
};

// Writes order, order style, plane count and (datafirst only) the length offset in the
// width of the packet's version. Status 2002 on failure.
std::int32_t writePlanesetFixedPart(KernelStream& stream, const PlanesetPacket& packet);

class PlanesetPacketKind : public PacketKind {
  public:
    PlanesetPacketKind() : PacketKind(packetTypePlaneset) {}
    std::unique_ptr<Packet> newPacket(const PacketHeader& header) const override;
    std::unique_ptr<PacketReader> newReader(Packet& packet) const override;
    std::unique_ptr<PacketWriter> newWriter(Packet& packet) const override;
};

}  // namespace Corvane
