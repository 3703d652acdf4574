#include "tg3/planeset/tg3_planesetPacket.h"

#include "support/cv_status.h"

namespace Corvane {

namespace {

class PlanesetPacketReader : public PacketReader {
  public:
    explicit PlanesetPacketReader(PlanesetPacket& packet) : packet_(packet) {}

    std::int32_t read(KernelStream& stream, std::uint64_t) override {
        const PacketHeader& header = packet_.header();
        if (header.versionMajor != 0 || header.versionMinor > 1) return TG3Status::malformed;
        const std::int64_t here = stream.tell();
        if (here < 0) return TG3Status::readFailed;
        packet_.start = static_cast<std::uint64_t>(here - header.headerLength);
        packet_.hasStart = true;
        std::uint8_t order = 0, style = 0;
        if (readU8(stream, order) != 0 || readU8(stream, style) != 0 ||
            readU64(stream, packet_.planeCount) != 0) {
            return TG3Status::readFailed;
        }
        packet_.order = order;
        packet_.orderStyle = style;
        if (style == orderStyleDataFirst) {
            if (header.versionMinor == 0) {
                std::uint32_t offset = 0;
                if (readU32(stream, offset) != 0) return TG3Status::readFailed;
                packet_.lengthOffset = static_cast<std::uint64_t>(
                    static_cast<std::int64_t>(static_cast<std::int32_t>(offset)));
            } else if (readU64(stream, packet_.lengthOffset) != 0) {
                return TG3Status::readFailed;
            }
        }
        return TG3Status::ok;
    }

  private:
    PlanesetPacket& packet_;
};

// The kind's writer: the fixed part only. PlanesetWriter adds the plane records.
class PlanesetPacketWriter : public PacketWriter {
  public:
    explicit PlanesetPacketWriter(PlanesetPacket& packet) : packet_(packet) {}
    std::int32_t write(KernelStream& stream) override {
        return writePlanesetFixedPart(stream, packet_);
    }

  private:
    PlanesetPacket& packet_;
};

}  // namespace

std::int32_t writePlanesetFixedPart(KernelStream& stream, const PlanesetPacket& packet) {
    if (writeU8(stream, static_cast<std::uint8_t>(packet.order)) != 0 ||
        writeU8(stream, static_cast<std::uint8_t>(packet.orderStyle)) != 0 ||
        writeU64(stream, packet.planeCount) != 0) {
        return TG3Status::writeFailed;
    }
    if (packet.orderStyle != orderStyleDataFirst) return TG3Status::ok;
    if (packet.header().versionMinor == 0) {
        // The old format stores a signed 32-bit offset.
        if (packet.lengthOffset > 0x7FFFFFFFu) return TG3Status::writeFailed;
        return writeU32(stream, static_cast<std::uint32_t>(packet.lengthOffset));
    }
    return writeU64(stream, packet.lengthOffset);
}

std::unique_ptr<Packet> PlanesetPacket::clone() const {
    auto copy = std::make_unique<PlanesetPacket>(header());
    copy->order = order;
    copy->orderStyle = orderStyle;
    copy->planeCount = planeCount;
    return copy;
}

bool PlanesetPacket::equals(const Packet& other) const {
    const auto* planeset = dynamic_cast<const PlanesetPacket*>(&other);
    return planeset && planeset->header().type == packetTypePlaneset && planeset->order == order &&
           planeset->orderStyle == orderStyle && planeset->planeCount == planeCount;
}

std::int64_t PlanesetPacket::fixedPartSize() const {
    if (orderStyle != orderStyleDataFirst) return 10;
    return header().versionMinor == 0 ? 14 : 18;
}

void PlanesetPacket::dump(std::ostream& out) const {
    header().dump(out);
    out << "order: " << orderText(order) << "\n"
        << "order_style: " << orderStyleText(orderStyle) << "\n"
        << "num_planes: " << planeCount << "\n"
        << "length_offset: " << lengthOffset << "\n";
}

std::unique_ptr<Packet> PlanesetPacketKind::newPacket(const PacketHeader& header) const {
    return std::make_unique<PlanesetPacket>(header);
}
std::unique_ptr<PacketReader> PlanesetPacketKind::newReader(Packet& packet) const {
    auto* planeset = dynamic_cast<PlanesetPacket*>(&packet);
    return planeset ? std::make_unique<PlanesetPacketReader>(*planeset) : nullptr;
}
std::unique_ptr<PacketWriter> PlanesetPacketKind::newWriter(Packet& packet) const {
    auto* planeset = dynamic_cast<PlanesetPacket*>(&packet);
    return planeset ? std::make_unique<PlanesetPacketWriter>(*planeset) : nullptr;
}

}  // namespace Corvane
