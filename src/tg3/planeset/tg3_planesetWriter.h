#pragma once
// The writing half of the planeset: lays coded planes out in the packet's order, style
// and version, so that encoders and tests produce planesets the plane index reads back.
#include <cstdint>
#include <vector>

#include "tg3/container/tg3_kernelStream.h"
#include "tg3/header/tg3_imageInfo.h"
#include "tg3/planeset/tg3_planeIndex.h"
#include "tg3/planeset/tg3_planesetPacket.h"
#include "tg3/planeset/tg3_subblockOrder.h"

namespace Corvane {

// The coded bytes of one plane, as the engine produced them.
struct CodedPlane {
    PlanePosition position;
    std::vector<std::uint8_t> bytes;
    bool raw = false;
};

// The two bytes stored after a plane's data in an image with MSEs: the bytes that the
// arithmetic decoder's end-of-data fill would supply after the plane's last byte, so a
// reader that took them as data would still decode the same values.
void planeTrailer(const std::vector<std::uint8_t>& bytes, std::uint8_t trailer[2]);

// Writes the whole payload of a planeset packet: the fixed part, then the plane records and
// data in the packet's order style (interleaved or datafirst) and version (0.0 or 0.1).
// Positions without a plane are covered by run records, so the plane walk meets every
// position of the order and ends exactly where the payload ends.
//
// The payload must follow a header written by writePacketHeader for the packet's own header
// (offsets inside the planeset count from the canonical header size). For datafirst the
// packet's length offset is set here. Statuses: 2006 for an unsupported version, 2014 for
// lengthfirst, 2009 for an unsupported order or a plane outside the image or given twice,
// 2002 for a write failure or a plane longer than a length record can state.
class PlanesetWriter : public PacketWriter {
  public:
    PlanesetWriter(PlanesetPacket& packet, const TG3ImageInfo& info,
                   const std::vector<CodedPlane>& planes)
        : packet_(packet), info_(info), planes_(planes) {}

    std::int32_t write(KernelStream& stream) override;

    // One entry per plane written, in payload order, with offsets from the packet's start.
    const PlaneIndex& written() const { return written_; }

  private:
    // A plane with its place in the order's sequence.
    struct Slot {
        std::uint64_t sequence;
        const CodedPlane* plane;
    };

    std::int32_t sortPlanes(std::vector<Slot>& slots, std::uint64_t& positionCount) const;
    std::int32_t writeRecords(KernelStream& stream, const std::vector<Slot>& slots,
                              std::uint64_t positionCount, std::int64_t start);

    PlanesetPacket& packet_;
    const TG3ImageInfo& info_;
    const std::vector<CodedPlane>& planes_;
    PlaneIndex written_;
};

// Writes a complete planeset packet (header, fixed part, records and data) at the current
// position; written, when given, receives what PlanesetWriter::written reports.
std::int32_t writePlanesetPacket(KernelStream& stream, PlanesetPacket& packet,
                                 const TG3ImageInfo& info, const std::vector<CodedPlane>& planes,
                                 PlaneIndex* written = nullptr);

}  // namespace Corvane
