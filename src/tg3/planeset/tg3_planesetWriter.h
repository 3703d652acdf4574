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
// `lastByte` is the plane's last byte, or -1 for an empty plane.
void planeTrailer(int lastByte, std::uint8_t trailer[2]);

// What a planeset is written from: runs of planes, each run the consecutive planes of one
// component of one (band, sub-block), the first at runStart and each next one a plane
// number further. An encoder that keeps its coded bytes outside memory hands them over
// run by run as the writer reaches them.
class PlanesetContent {
  public:
    virtual ~PlanesetContent() = default;
    virtual std::size_t runCount() const = 0;
    virtual PlanePosition runStart(std::size_t run) const = 0;
    virtual std::uint32_t runPlanes(std::size_t run) const = 0;
    virtual std::uint64_t planeLength(std::size_t run, std::uint32_t k) const = 0;
    virtual bool planeRaw(std::size_t run, std::uint32_t k) const = 0;
    // Writes the planeLength bytes of plane k of the run; `lastByte` receives the last of
    // them, or -1 for an empty plane. Returns 0 or 2002.
    virtual std::int32_t writePlane(KernelStream& stream, std::size_t run, std::uint32_t k,
                                    int& lastByte) = 0;
};

// Coded planes held in memory as content, each plane a run of its own (not owned).
class CodedPlaneContent : public PlanesetContent {
  public:
    explicit CodedPlaneContent(const std::vector<CodedPlane>& planes) : planes_(planes) {}
    std::size_t runCount() const override { return planes_.size(); }
    PlanePosition runStart(std::size_t run) const override { return planes_[run].position; }
    std::uint32_t runPlanes(std::size_t) const override { return 1; }
    std::uint64_t planeLength(std::size_t run, std::uint32_t) const override {
        return planes_[run].bytes.size();
    }
    bool planeRaw(std::size_t run, std::uint32_t) const override { return planes_[run].raw; }
    std::int32_t writePlane(KernelStream& stream, std::size_t run, std::uint32_t,
                            int& lastByte) override;

  private:
    const std::vector<CodedPlane>& planes_;
};

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
    PlanesetWriter(PlanesetPacket& packet, const TG3ImageInfo& info, PlanesetContent& content)
        : packet_(packet), info_(info), content_(content) {}

    std::int32_t write(KernelStream& stream) override;

  private:
    // A run with its first plane's place in the order's sequence.
    struct Slot {
        std::uint64_t sequence;
        std::size_t run;
    };

    std::int32_t sortRuns(std::vector<Slot>& slots, std::uint64_t& positionCount) const;
    std::int32_t writeData(KernelStream& stream, const Slot& slot, std::uint32_t k);
    std::int32_t writeRecords(KernelStream& stream, const std::vector<Slot>& slots,
                              std::uint64_t positionCount);

    PlanesetPacket& packet_;
    const TG3ImageInfo& info_;
    PlanesetContent& content_;
};

// Writes a complete planeset packet (header, fixed part, records and data) at the current
// position.
std::int32_t writePlanesetPacket(KernelStream& stream, PlanesetPacket& packet,
                                 const TG3ImageInfo& info, PlanesetContent& content);
std::int32_t writePlanesetPacket(KernelStream& stream, PlanesetPacket& packet,
                                 const TG3ImageInfo& info, const std::vector<CodedPlane>& planes);

}  // namespace Corvane
