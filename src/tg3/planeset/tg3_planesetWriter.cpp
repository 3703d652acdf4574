#include "tg3/planeset/tg3_planesetWriter.h"

#include <algorithm>
#include <memory>

#include "support/cv_status.h"
#include "tg3/planeset/tg3_lengthRecord.h"

namespace Corvane {

void planeTrailer(const std::vector<std::uint8_t>& bytes, std::uint8_t trailer[2]) {
    const bool afterFF = !bytes.empty() && bytes.back() == 0xFF;
    trailer[0] = afterFF ? 0x7F : 0xFF;
    trailer[1] = afterFF ? 0xFF : 0x7F;
}

namespace {

std::int32_t writePlaneData(KernelStream& stream, const CodedPlane& plane, bool withTrailer) {
    if (writeBytes(stream, plane.bytes) != 0) return TG3Status::writeFailed;
    if (!withTrailer) return TG3Status::ok;
    std::uint8_t trailer[2];
    planeTrailer(plane.bytes, trailer);
    return stream.write(trailer, 2) == 2 ? TG3Status::ok : TG3Status::writeFailed;
}

// Covers count positions without planes, in as many run records as the format needs.
std::int32_t writeRun(KernelStream& stream, std::uint8_t versionMinor, std::uint64_t count) {
    const std::uint64_t largest = maxLengthRecordValue(versionMinor);
    while (count > 0) {
        const std::uint64_t run = std::min(count, largest);
        const std::int32_t status = writeLengthRecord(stream, versionMinor, {false, false, run});
        if (status != 0) return status;
        count -= run;
    }
    return TG3Status::ok;
}

}  // namespace

std::int32_t PlanesetWriter::sortPlanes(std::vector<Slot>& slots,
                                        std::uint64_t& positionCount) const {
    std::unique_ptr<SubblockOrder> order;
    const std::int32_t status = SubblockOrder::create(info_, packet_.order, order);
    if (status != 0) return status;
    positionCount = order->positionCount();
    slots.clear();
    slots.reserve(planes_.size());
    for (const CodedPlane& plane : planes_) {
        std::uint64_t sequence = 0;
        if (!order->sequenceIndex(plane.position, sequence)) return TG3Status::notFound;
        slots.push_back({sequence, &plane});
    }
    std::sort(slots.begin(), slots.end(),
              [](const Slot& a, const Slot& b) { return a.sequence < b.sequence; });
    const auto twice =
        std::adjacent_find(slots.begin(), slots.end(),
                           [](const Slot& a, const Slot& b) { return a.sequence == b.sequence; });
    return twice == slots.end() ? TG3Status::ok : TG3Status::notFound;
}

std::int32_t PlanesetWriter::write(KernelStream& stream) {
    written_.clear();
    const PacketHeader& header = packet_.header();
    if (header.versionMajor != 0 || header.versionMinor > 1) return TG3Status::malformed;
    if (packet_.orderStyle != orderStyleInterleaved && packet_.orderStyle != orderStyleDataFirst) {
        return TG3Status::unsupported;
    }
    std::vector<Slot> slots;
    std::uint64_t positionCount = 0;
    std::int32_t status = sortPlanes(slots, positionCount);
    if (status != 0) return status;

    const std::int64_t payloadStart = stream.tell();
    if (payloadStart < 0) return TG3Status::writeFailed;
    const std::int64_t headerSize = canonicalHeaderSize(header);
    const std::int64_t start = payloadStart - headerSize;
    packet_.start = static_cast<std::uint64_t>(start);
    packet_.hasStart = true;

    const bool withTrailer = info_.hasMSEs != 0;
    if (packet_.orderStyle == orderStyleDataFirst) {
        std::uint64_t dataBytes = 0;
        for (const Slot& slot : slots)
            dataBytes += slot.plane->bytes.size() + (withTrailer ? 2 : 0);
        // Version 0.0 counts the length offset from the packet's first byte, 0.1 from the
        // first byte of the payload.
        const auto fixedSize = static_cast<std::uint64_t>(packet_.fixedPartSize());
        packet_.lengthOffset = fixedSize + dataBytes;
        if (header.versionMinor == 0)
            packet_.lengthOffset += static_cast<std::uint64_t>(headerSize);
    }
    status = writePlanesetFixedPart(stream, packet_);
    if (status != 0) return status;
    if (packet_.orderStyle == orderStyleDataFirst) {
        for (const Slot& slot : slots) {
            status = writePlaneData(stream, *slot.plane, withTrailer);
            if (status != 0) return status;
        }
    }
    return writeRecords(stream, slots, positionCount, start);
}

std::int32_t PlanesetWriter::writeRecords(KernelStream& stream, const std::vector<Slot>& slots,
                                          std::uint64_t positionCount, std::int64_t start) {
    const std::uint8_t versionMinor = packet_.header().versionMinor;
    const bool interleaved = packet_.orderStyle == orderStyleInterleaved;
    const bool withTrailer = info_.hasMSEs != 0;
    std::int64_t dataOffset = canonicalHeaderSize(packet_.header()) + packet_.fixedPartSize();
    std::uint64_t next = 0;  // the first position not yet covered by a record
    for (const Slot& slot : slots) {
        std::int32_t status = writeRun(stream, versionMinor, slot.sequence - next);
        if (status != 0) return status;
        const CodedPlane& plane = *slot.plane;
        if (plane.bytes.size() > maxLengthRecordValue(versionMinor)) return TG3Status::writeFailed;

        PlaneIndexEntry entry;
        entry.position = plane.position;
        entry.raw = plane.raw;
        entry.length = plane.bytes.size() + (withTrailer ? 2 : 0);
        entry.recordOffset = stream.tell() - start;
        status = writeLengthRecord(stream, versionMinor, {true, plane.raw, plane.bytes.size()});
        if (status != 0) return status;
        if (interleaved) {
            entry.dataOffset = stream.tell() - start;
            status = writePlaneData(stream, plane, withTrailer);
            if (status != 0) return status;
        } else {
            entry.dataOffset = dataOffset;
            dataOffset += static_cast<std::int64_t>(entry.length);
        }
        written_.push_back(entry);
        next = slot.sequence + 1;
    }
    return writeRun(stream, versionMinor, positionCount - next);
}

std::int32_t writePlanesetPacket(KernelStream& stream, PlanesetPacket& packet,
                                 const TG3ImageInfo& info, const std::vector<CodedPlane>& planes,
                                 PlaneIndex* written) {
    PlanesetWriter writer(packet, info, planes);
    const std::int32_t status = writePacket(stream, packet.header(), writer);
    if (written) *written = writer.written();
    return status;
}

}  // namespace Corvane
