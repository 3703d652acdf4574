#include "tg3/planeset/tg3_planesetWriter.h"

#include <algorithm>
#include <memory>

#include "support/cv_status.h"
#include "tg3/planeset/tg3_lengthRecord.h"

namespace Corvane {

void planeTrailer(int lastByte, std::uint8_t trailer[2]) {
    const bool afterFF = lastByte == 0xFF;
    trailer[0] = afterFF ? 0x7F : 0xFF;
    trailer[1] = afterFF ? 0xFF : 0x7F;
}

std::int32_t CodedPlaneContent::writePlane(KernelStream& stream, std::size_t run, std::uint32_t,
                                           int& lastByte) {
    const std::vector<std::uint8_t>& bytes = planes_[run].bytes;
    lastByte = bytes.empty() ? -1 : bytes.back();
    return writeBytes(stream, bytes) == 0 ? TG3Status::ok : TG3Status::writeFailed;
}

namespace {

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

std::int32_t PlanesetWriter::sortRuns(std::vector<Slot>& slots,
                                      std::uint64_t& positionCount) const {
    std::unique_ptr<SubblockOrder> order;
    const std::int32_t status = SubblockOrder::create(info_, packet_.order, order);
    if (status != 0) return status;
    positionCount = order->positionCount();
    slots.clear();
    slots.reserve(content_.runCount());
    for (std::size_t run = 0; run < content_.runCount(); ++run) {
        const std::uint32_t planes = content_.runPlanes(run);
        if (planes == 0) continue;
        PlanePosition position = content_.runStart(run);
        std::uint64_t first = 0, last = 0;
        if (!order->sequenceIndex(position, first)) return TG3Status::notFound;
        // Planes are the fastest-moving part of a position, so a run inside one
        // sub-block's component is a run of consecutive places.
        if (position.plane + std::uint64_t{planes} - 1 > 0xFE) return TG3Status::notFound;
        position.plane = static_cast<std::uint8_t>(position.plane + planes - 1);
        if (!order->sequenceIndex(position, last) || last != first + planes - 1)
            return TG3Status::notFound;
        slots.push_back({first, run});
    }
    std::sort(slots.begin(), slots.end(),
              [](const Slot& a, const Slot& b) { return a.sequence < b.sequence; });
    for (std::size_t i = 1; i < slots.size(); ++i) {
        const Slot& before = slots[i - 1];
        if (before.sequence + content_.runPlanes(before.run) > slots[i].sequence)
            return TG3Status::notFound;
    }
    return TG3Status::ok;
}

std::int32_t PlanesetWriter::writeData(KernelStream& stream, const Slot& slot, std::uint32_t k) {
    int lastByte = -1;
    const std::int32_t status = content_.writePlane(stream, slot.run, k, lastByte);
    if (status != 0 || info_.hasMSEs == 0) return status;
    std::uint8_t trailer[2];
    planeTrailer(lastByte, trailer);
    return stream.write(trailer, 2) == 2 ? TG3Status::ok : TG3Status::writeFailed;
}

std::int32_t PlanesetWriter::write(KernelStream& stream) {
    const PacketHeader& header = packet_.header();
    if (header.versionMajor != 0 || header.versionMinor > 1) return TG3Status::malformed;
    if (packet_.orderStyle != orderStyleInterleaved && packet_.orderStyle != orderStyleDataFirst) {
        return TG3Status::unsupported;
    }
    std::vector<Slot> slots;
    std::uint64_t positionCount = 0;
    std::int32_t status = sortRuns(slots, positionCount);
    if (status != 0) return status;

    const std::int64_t payloadStart = stream.tell();
    if (payloadStart < 0) return TG3Status::writeFailed;
    const std::int64_t headerSize = canonicalHeaderSize(header);
    packet_.start = static_cast<std::uint64_t>(payloadStart - headerSize);
    packet_.hasStart = true;

    const std::uint64_t trailerBytes = info_.hasMSEs != 0 ? 2 : 0;
    if (packet_.orderStyle == orderStyleDataFirst) {
        std::uint64_t dataBytes = 0;
        for (const Slot& slot : slots)
            for (std::uint32_t k = 0; k < content_.runPlanes(slot.run); ++k)
                dataBytes += content_.planeLength(slot.run, k) + trailerBytes;
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
            for (std::uint32_t k = 0; k < content_.runPlanes(slot.run); ++k) {
                status = writeData(stream, slot, k);
                if (status != 0) return status;
            }
        }
    }
    return writeRecords(stream, slots, positionCount);
}

std::int32_t PlanesetWriter::writeRecords(KernelStream& stream, const std::vector<Slot>& slots,
                                          std::uint64_t positionCount) {
    const std::uint8_t versionMinor = packet_.header().versionMinor;
    const bool interleaved = packet_.orderStyle == orderStyleInterleaved;
    std::uint64_t next = 0;  // the first position not yet covered by a record
    for (const Slot& slot : slots) {
        std::int32_t status = writeRun(stream, versionMinor, slot.sequence - next);
        if (status != 0) return status;
        const std::uint32_t planes = content_.runPlanes(slot.run);
        for (std::uint32_t k = 0; k < planes; ++k) {
            const std::uint64_t length = content_.planeLength(slot.run, k);
            if (length > maxLengthRecordValue(versionMinor)) return TG3Status::writeFailed;
            const bool raw = content_.planeRaw(slot.run, k);
            status = writeLengthRecord(stream, versionMinor, {true, raw, length});
            if (status == 0 && interleaved) status = writeData(stream, slot, k);
            if (status != 0) return status;
        }
        next = slot.sequence + planes;
    }
    return writeRun(stream, versionMinor, positionCount - next);
}

std::int32_t writePlanesetPacket(KernelStream& stream, PlanesetPacket& packet,
                                 const TG3ImageInfo& info, PlanesetContent& content) {
    PlanesetWriter writer(packet, info, content);
    return writePacket(stream, packet.header(), writer);
}

std::int32_t writePlanesetPacket(KernelStream& stream, PlanesetPacket& packet,
                                 const TG3ImageInfo& info, const std::vector<CodedPlane>& planes) {
    CodedPlaneContent content(planes);
    return writePlanesetPacket(stream, packet, info, content);
}

}  // namespace Corvane
