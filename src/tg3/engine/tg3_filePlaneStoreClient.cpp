#include "tg3/engine/tg3_filePlaneStoreClient.h"

#include <memory>

#include "support/cv_exception.h"
#include "tg3/container/tg3_status.h"

namespace Corvane {

tg3_filePlaneStoreClient::tg3_filePlaneStoreClient(const TG3ImageInfo& info,
                                                   std::shared_ptr<const PlaneDirectory> directory,
                                                   KernelStream& stream, std::int64_t planesetStart,
                                                   bool hasMSEs)
    : info_(info),
      directory_(std::move(directory)),
      stream_(stream),
      planesetStart_(planesetStart),
      hasMSEs_(hasMSEs),
      cache_(info.components, info.planes) {}

tg3_filePlaneStoreClient::tg3_filePlaneStoreClient(const TG3ImageInfo& info, PlaneIndex index,
                                                   KernelStream& stream, std::int64_t planesetStart,
                                                   bool hasMSEs)
    : tg3_filePlaneStoreClient(info, std::make_shared<const PlaneDirectory>(std::move(index)),
                               stream, planesetStart, hasMSEs) {}

bool tg3_filePlaneStoreClient::validKey(const PlaneKey& key) const {
    if (key.band >= info_.bands.size()) return false;
    return key.subblock < info_.bands[key.band].subblockCount() &&
           key.component < info_.components && key.plane < info_.planes;
}

std::int32_t tg3_filePlaneStoreClient::readPlane(const PlaneIndexEntry& entry,
                                                 PlaneRecord& record) {
    // The two bytes after the data of an image with MSEs are not plane data.
    const std::uint64_t extra = hasMSEs_ ? 2 : 0;
    if (entry.length < extra || entry.dataOffset < 0) return TG3Status::readFailed;
    const std::uint64_t length = entry.length - extra;
    if (stream_.seek(planesetStart_ + entry.dataOffset, 1) != 0) return TG3Status::readFailed;
    // Refuse a length the stream cannot hold before allocating for it.
    const std::int64_t remaining = bytesRemaining(stream_);
    if (remaining < 0 || length > static_cast<std::uint64_t>(remaining) || length > 0xFFFFFFFFu)
        return TG3Status::readFailed;
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(length));
    if (length > 0 && stream_.read(bytes->data(), static_cast<std::uint32_t>(length)) != length)
        return TG3Status::readFailed;
    record.clear();
    record.data = bytes->data();
    record.length = static_cast<std::uint32_t>(length);
    record.flags =
        static_cast<std::uint8_t>(kPlanePresent | kPlaneOwnsBuffer | (entry.raw ? kPlaneRaw : 0));
    record.buffer = std::move(bytes);
    return 0;
}

std::int32_t tg3_filePlaneStoreClient::readSubblock(std::size_t from, std::size_t to) {
    scratch_.clear();
    for (std::size_t k = from; k < to; ++k) {
        const PlaneIndexEntry& entry = directory_->byPair(k);
        const PlanePosition& p = entry.position;
        if (p.component >= info_.components || p.plane >= info_.planes) continue;
        PlaneRecord record;
        const std::int32_t status = readPlane(entry, record);
        if (status != 0) {
            scratch_.clear();
            return status;
        }
        scratch_.emplace_back(cache_.slotOf(p.component, p.plane), std::move(record));
    }
    ++subblockReads_;
    return 0;
}

std::int32_t tg3_filePlaneStoreClient::getPlane(const PlaneKey& key, PlaneRecord& record) {
    if (!validKey(key)) return TG3Status::notFound;
    if (!cache_.holds(key.band, key.subblock)) {
        const auto [from, to] = directory_->rangeOf(key.band, key.subblock);
        if (from == to) {
            // Not in the planeset at all: no data, and not an error.
            record.clear();
            return 0;
        }
        const std::int32_t status = readSubblock(from, to);
        if (status != 0) return status;
        if (!cache_.hold(key.band, key.subblock, std::move(scratch_)))
            throw UnimplementedException();
        scratch_.clear();
    }
    if (!cache_.get(key.component, key.plane, record)) throw UnimplementedException();
    return 0;
}

std::int32_t tg3_filePlaneStoreClient::hasPlane(const PlaneKey& key, bool& present) {
    PlaneRecord scratch;
    const std::int32_t status = getPlane(key, scratch);
    present = status == 0 && scratch.present();
    return status;
}

}  // namespace Corvane
