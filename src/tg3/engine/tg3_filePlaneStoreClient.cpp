#include "tg3/engine/tg3_filePlaneStoreClient.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "support/cv_exception.h"
#include "support/cv_status.h"

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

std::int64_t tg3_filePlaneStoreClient::fileEnd() {
    if (fileEnd_ < 0) {
        if (stream_.seek(0, 3) == 0) fileEnd_ = stream_.tell();
    }
    return fileEnd_;
}

std::int32_t tg3_filePlaneStoreClient::readStretch(
    std::int64_t offset, std::uint64_t length, std::shared_ptr<std::vector<std::uint8_t>>& out) {
    // Refuse a stretch the file cannot hold before allocating for it.
    const std::int64_t start = planesetStart_ + offset;
    const std::int64_t end = fileEnd();
    if (end < 0 || start > end || length > static_cast<std::uint64_t>(end - start) ||
        length > 0xFFFFFFFFu)
        return TG3Status::readFailed;
    out = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(length));
    if (length == 0) return 0;
    if (stream_.seek(start, 1) != 0 ||
        stream_.read(out->data(), static_cast<std::uint32_t>(length)) != length)
        return TG3Status::readFailed;
    return 0;
}

std::int32_t tg3_filePlaneStoreClient::readSubblock(std::size_t from, std::size_t to) {
    scratch_.clear();
    // The two bytes after the data of an image with MSEs are not plane data.
    const std::uint64_t extra = hasMSEs_ ? 2 : 0;
    std::vector<std::size_t> wanted;
    std::int64_t low = INT64_MAX;
    std::int64_t high = 0;
    std::uint64_t total = 0;
    for (std::size_t k = from; k < to; ++k) {
        const PlaneIndexEntry& entry = directory_->byPair(k);
        const PlanePosition& p = entry.position;
        if (p.component >= info_.components || p.plane >= info_.planes) continue;
        if (entry.length < extra || entry.dataOffset < 0 || entry.length - extra > 0xFFFFFFFFu)
            return TG3Status::readFailed;
        const std::uint64_t length = entry.length - extra;
        low = std::min(low, entry.dataOffset);
        high = std::max(high, entry.dataOffset + static_cast<std::int64_t>(length));
        total += length;
        wanted.push_back(k);
    }
    // The planes of a sub-block lie together (with their length records between
    // them): one read takes them all, unless gaps would make it much larger than
    // the planes themselves, as only a damaged index would.
    constexpr std::uint64_t kGapAllowance = 4096;
    const bool together =
        !wanted.empty() && static_cast<std::uint64_t>(high - low) <= 2 * total + kGapAllowance;
    std::shared_ptr<std::vector<std::uint8_t>> shared;
    if (together) {
        const std::int32_t status =
            readStretch(low, static_cast<std::uint64_t>(high - low), shared);
        if (status != 0) return status;
    }
    for (const std::size_t k : wanted) {
        const PlaneIndexEntry& entry = directory_->byPair(k);
        const std::uint64_t length = entry.length - extra;
        std::shared_ptr<std::vector<std::uint8_t>> bytes = shared;
        std::size_t at = together ? static_cast<std::size_t>(entry.dataOffset - low) : 0;
        if (!together) {
            const std::int32_t status = readStretch(entry.dataOffset, length, bytes);
            if (status != 0) {
                scratch_.clear();
                return status;
            }
        }
        PlaneRecord record;
        record.data = bytes->data() + at;
        record.length = static_cast<std::uint32_t>(length);
        record.flags = static_cast<std::uint8_t>(kPlanePresent | kPlaneOwnsBuffer |
                                                 (entry.raw ? kPlaneRaw : 0));
        record.buffer = std::move(bytes);
        scratch_.emplace_back(cache_.slotOf(entry.position.component, entry.position.plane),
                              std::move(record));
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

bool tg3_filePlaneStoreClient::mayHavePlanes(std::uint32_t band, std::uint32_t subblock) {
    const auto [from, to] = directory_->rangeOf(band, subblock);
    return from != to;
}

std::int32_t tg3_filePlaneStoreClient::hasPlane(const PlaneKey& key, bool& present) {
    PlaneRecord scratch;
    const std::int32_t status = getPlane(key, scratch);
    present = status == 0 && scratch.present();
    return status;
}

}  // namespace Corvane
