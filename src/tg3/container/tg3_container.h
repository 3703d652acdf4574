#pragma once
// The way into a TG3 file: scans its packets once into a database, lists the images
// it holds, and serves packet look-ups to the image decoders under one lock.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/cv_sync.h"
#include "tg3/container/tg3_packetDatabase.h"

namespace Corvane {

enum TG3ImageKind : std::uint32_t { imageKindTG3Packets = 2, imageKindTG2Image = 3 };

struct TG3ImageEntry {
    std::uint32_t imageNumber = 0;
    TG3ImageKind kind = imageKindTG3Packets;
};

// The packets of one TG3 file: scanned once at open, read on demand afterwards.
class TG3Container {
  public:
    explicit TG3Container(KernelStream& stream) : stream_(stream) {}

    // Scans the file and builds the image list. A second call returns 2010.
    std::int32_t open();

    // These take the container's lock; before open they return 2010.
    std::int32_t registerKind(std::unique_ptr<PacketKind> kind);
    std::int32_t find(const PacketHeader& key, Packet*& packet);
    std::int32_t findAll(const PacketHeader& key, std::vector<Packet*>& packets);

    // The entry of the given image number; 2009 when the file has no such image.
    std::int32_t image(std::uint32_t imageNumber, TG3ImageEntry& entry) const;
    const std::vector<TG3ImageEntry>& images() const { return images_; }
    std::size_t imageCount() const { return images_.size(); }

    const PacketDatabase* database() const { return database_.get(); }
    std::int64_t positionAfterScan() const { return positionAfterScan_; }
    KernelStream& stream() { return stream_; }

  private:
    void buildImageList();

    KernelStream& stream_;
    std::unique_ptr<CVCriticalSection> lock_;
    std::unique_ptr<PacketDatabase> database_;
    std::vector<TG3ImageEntry> images_;
    std::int64_t positionAfterScan_ = -1;
};

const char* imageKindText(std::uint32_t kind);

}  // namespace Corvane
