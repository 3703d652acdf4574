#include "encode/tg3/tg3_fileAssembler.h"

#include <algorithm>

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/header/tg3_headerPacket.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"

namespace Corvane {

namespace {

// A stream that keeps no bytes, only how far they reach.
class CountingKernelStream : public KernelStream {
  public:
    std::uint32_t read(void*, std::uint32_t) override { return 0; }
    std::uint32_t write(const void*, std::uint32_t count) override {
        position_ += count;
        end_ = std::max(end_, position_);
        return count;
    }
    int seek(std::int64_t offset, int origin) override {
        const std::int64_t base = origin == 1 ? 0 : origin == 2 ? position_ : end_;
        if (base + offset < 0) return 1;
        position_ = base + offset;
        end_ = std::max(end_, position_);
        return 0;
    }
    std::int64_t tell() override { return position_; }
    std::int64_t end() const { return end_; }

  private:
    std::int64_t position_ = 0;
    std::int64_t end_ = 0;
};

}  // namespace

void assembleTG3File(KernelStream& file, const TG3ImageInfo& info, const TG3EncodeOptions& options,
                     PlanesetContent& planes, std::uint64_t planeCount) {
    checkStatus(writeFileHeader(file));

    HeaderPacket header = makeHeaderPacket(info);
    HeaderPacketKind headerKind;
    checkStatus(writePacket(file, header.header(), *headerKind.newWriter(header)));

    if (options.metadata) {
        // The packet writer takes the table for writing; the caller's copy stays as it is.
        TG3ClassicalMetadata metadata = *options.metadata;
        checkStatus(writeClassicalMetadataPacket(file, metadata, info.imageNumber));
    }
    if (options.description) {
        checkStatus(writeImageDescriptionPacket(file, *options.description, info.imageNumber));
    }

    PacketHeader planesetHeader;
    planesetHeader.type = packetTypePlaneset;
    planesetHeader.versionMinor = options.planesetVersionMinor;
    planesetHeader.imageNumber = info.imageNumber;
    PlanesetPacket planeset(planesetHeader);
    planeset.order = options.order;
    planeset.orderStyle = options.orderStyle;
    planeset.planeCount = planeCount;
    checkStatus(writePlanesetPacket(file, planeset, info, planes));
}

std::uint64_t assembledTG3Size(const TG3ImageInfo& info, const TG3EncodeOptions& options,
                               PlanesetContent& planes, std::uint64_t planeCount) {
    CountingKernelStream counter;
    assembleTG3File(counter, info, options, planes, planeCount);
    return static_cast<std::uint64_t>(counter.end());
}

}  // namespace Corvane
