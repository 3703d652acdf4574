#include "tg3/planeset/tg3_planeIndex.h"

#include <algorithm>
#include <cstdint>

#include "support/cv_status.h"
#include "tg3/container/tg3_readAheadStream.h"
#include "tg3/planeset/tg3_lengthRecord.h"

namespace Corvane {

namespace {

std::uint64_t pairKey(const PlanePosition& position) {
    return (std::uint64_t{position.band} << 32) | position.subblock;
}

}  // namespace

PlaneDirectory::PlaneDirectory(PlaneIndex index) : index_(std::move(index)) {
    byPair_.resize(index_.size());
    for (std::size_t i = 0; i < index_.size(); ++i) byPair_[i] = i;
    std::stable_sort(byPair_.begin(), byPair_.end(), [&](std::size_t a, std::size_t b) {
        return pairKey(index_[a].position) < pairKey(index_[b].position);
    });
}

std::pair<std::size_t, std::size_t> PlaneDirectory::rangeOf(std::uint32_t band,
                                                            std::uint32_t subblock) const {
    const std::uint64_t wanted = (std::uint64_t{band} << 32) | subblock;
    const auto keyOf = [&](std::size_t i) { return pairKey(index_[i].position); };
    const auto lower = std::partition_point(byPair_.begin(), byPair_.end(),
                                            [&](std::size_t i) { return keyOf(i) < wanted; });
    const auto upper = std::partition_point(lower, byPair_.end(),
                                            [&](std::size_t i) { return keyOf(i) == wanted; });
    return {static_cast<std::size_t>(lower - byPair_.begin()),
            static_cast<std::size_t>(upper - byPair_.begin())};
}

std::int32_t indexPlanes(KernelStream& stream, const PlanesetPacket& planeset,
                         const TG3ImageInfo& info, PlaneIndex& index) {
    // The pipelined order keeps a table of 8 bytes per sub-block. Past a million
    // sub-blocks the planeset must hold at least a byte for each, as every real image
    // of that size does; a few hundred bytes claiming millions are refused here.
    constexpr std::uint64_t kSubblocksWithoutJustification = std::uint64_t{1} << 20;
    std::uint64_t subblocks = 0;
    for (const TG3BandInfo& band : info.bands) subblocks += band.subblockCount();
    if (planeset.order == 1 && subblocks > kSubblocksWithoutJustification) {
        const auto start = static_cast<std::int64_t>(planeset.start);
        if (stream.seek(start, 1) != 0) return TG3Status::readFailed;
        const std::int64_t held = bytesRemaining(stream);
        if (held < 0 || subblocks > static_cast<std::uint64_t>(held)) return TG3Status::outOfMemory;
    }
    std::unique_ptr<SubblockOrder> order;
    std::int32_t status = SubblockOrder::create(info, planeset.order, order);
    if (status != 0) return status;

    const std::uint8_t versionMinor = planeset.header().versionMinor;
    const std::int64_t headerSize = canonicalHeaderSize(planeset.header());
    const std::int64_t fixedSize = planeset.fixedPartSize();
    const auto start = static_cast<std::int64_t>(planeset.start);
    const bool interleaved = planeset.orderStyle == orderStyleInterleaved;
    // The records are small and, in the interleaved style, far apart: read ahead.
    ReadAheadKernelStream records(stream);
    std::int64_t dataOffset = headerSize + fixedSize;
    if (interleaved) {
        if (records.seek(start + headerSize + fixedSize, 1) != 0) return TG3Status::readFailed;
    } else if (planeset.orderStyle == orderStyleDataFirst) {
        // The offset is the file's own field, 64 bits wide in version 1: one beyond
        // what a stream position can hold points at no record.
        const auto offset = static_cast<std::int64_t>(planeset.lengthOffset);
        if (offset > INT64_MAX - start - headerSize) return TG3Status::readFailed;
        std::int64_t recordsAt = start + offset;
        if (versionMinor == 1) recordsAt += headerSize;
        if (records.seek(recordsAt, 1) != 0) return TG3Status::readFailed;
    } else {
        return TG3Status::unsupported;
    }
    const std::uint64_t extraBytes = info.hasMSEs ? 2 : 0;

    while (order->valid()) {
        const std::int64_t recordPosition = records.tell();
        if (recordPosition < 0) return TG3Status::readFailed;
        LengthRecord record;
        status = readLengthRecord(records, versionMinor, record);
        if (status != 0) return status;
        if (!record.coded) {
            order->advance(record.value);
            continue;
        }
        PlaneIndexEntry entry;
        entry.position = order->position();
        entry.length = record.value + extraBytes;
        entry.raw = record.raw;
        entry.recordOffset = recordPosition - start;
        if (interleaved) {
            entry.dataOffset = records.tell() - start;
            if (records.seek(static_cast<std::int64_t>(entry.length), 2) != 0) {
                return TG3Status::readFailed;
            }
        } else {
            entry.dataOffset = dataOffset;
            dataOffset += static_cast<std::int64_t>(entry.length);
        }
        index.push_back(entry);
        order->advance(1);
    }
    return TG3Status::ok;
}

}  // namespace Corvane
