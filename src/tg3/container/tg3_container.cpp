#include "tg3/container/tg3_container.h"

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"

namespace Corvane {

const char* imageKindText(std::uint32_t kind) {
    switch (kind) {
        case imageKindTG3Packets:
            return "TG3 Packets";
        case imageKindTG2Image:
            return "TG2 Image";
        default:
            throw UnimplementedException("tg3_types", __LINE__);
    }
}

std::int32_t TG3Container::open() {
    if (lock_) return TG3Status::repeatedOrMissing;
    lock_ = std::make_unique<CVCriticalSection>();
    const CVScopedLock guard(*lock_);
    database_ = std::make_unique<PacketDatabase>();
    database_->registerKind(std::make_unique<MetadataPacketKind>());
    database_->registerKind(std::make_unique<GenericPacketKind>());
    const std::int32_t status = database_->read(stream_);
    if (status != 0) return status;
    positionAfterScan_ = stream_.tell();
    buildImageList();
    return TG3Status::ok;
}

std::int32_t TG3Container::registerKind(std::unique_ptr<PacketKind> kind) {
    if (!lock_) return TG3Status::repeatedOrMissing;
    const CVScopedLock guard(*lock_);
    return database_->registerKind(std::move(kind));
}

std::int32_t TG3Container::find(const PacketHeader& key, Packet*& packet) {
    packet = nullptr;
    if (!lock_) return TG3Status::repeatedOrMissing;
    const CVScopedLock guard(*lock_);
    return database_->find(key, packet);
}

std::int32_t TG3Container::findAll(const PacketHeader& key, std::vector<Packet*>& packets) {
    if (!lock_) return TG3Status::repeatedOrMissing;
    const CVScopedLock guard(*lock_);
    return database_->findAll(key, packets);
}

std::int32_t TG3Container::image(std::uint32_t imageNumber, TG3ImageEntry& entry) const {
    for (const auto& candidate : images_) {
        if (candidate.imageNumber == imageNumber) {
            entry = candidate;
            return TG3Status::ok;
        }
    }
    return TG3Status::notFound;
}

void TG3Container::buildImageList() {
    images_.clear();
    for (const auto& node : database_->nodes()) {
        TG3ImageKind kind;
        if (node.header.type == packetTypeHeader) {
            kind = imageKindTG3Packets;
        } else if (node.header.type == packetTypeTG2Image) {
            kind = imageKindTG2Image;
        } else {
            continue;
        }
        TG3ImageEntry existing;
        if (image(node.header.imageNumber, existing) == TG3Status::ok) continue;
        images_.push_back({node.header.imageNumber, kind});
    }
}

}  // namespace Corvane
