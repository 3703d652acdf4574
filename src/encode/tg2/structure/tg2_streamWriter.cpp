#include "encode/tg2/structure/tg2_streamWriter.h"

#include <algorithm>

#include "encode/encode_vectorStream.h"
#include "encode/tg2/structure/tg2_blockTiling.h"
#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalStandardTags.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t offset32(std::uint64_t offset) {
    if (offset > UINT32_MAX) throw InvalidArgumentException("stream larger than 4 GiB");
    return static_cast<std::uint32_t>(offset);
}

std::uint32_t subbandCount(const TG2StreamLayout& layout) {
    return 3 * layout.levelCount + 1;
}

std::uint32_t blockCount(const TG2SubbandLayout& subband) {
    return tg2TileCount(subband.width, subband.height, subband.blockWidth, subband.blockHeight);
}

void checkLayout(const TG2StreamLayout& layout) {
    if (layout.subbands.size() != subbandCount(layout))
        throw InvalidArgumentException("wrong number of subbands");
    for (std::uint32_t i = 0; i < layout.subbands.size(); ++i) {
        const TG2SubbandLayout& subband = layout.subbands[i];
        const TG2PlaneSize size =
            tg2SubbandPlaneSize(layout.width, layout.height, layout.levelCount, i);
        if (subband.width != size.width || subband.height != size.height)
            throw InvalidArgumentException("subband size does not match the image");
        if (subband.blockWidth == 0 || subband.blockHeight == 0)
            throw InvalidArgumentException("block and sub-block sizes must be positive");
    }
}

// Header, chunk table, FF D0 and the metadata offset.
std::uint64_t headerSize(const TG2StreamLayout& layout) {
    return 23 + 4 * std::uint64_t{subbandCount(layout)} + 6;
}

std::uint64_t recordSize(const TG2StreamLayout& layout) {
    return 4 * std::uint64_t{layout.bandCount} + 16;
}

std::uint64_t chunksSize(const TG2StreamLayout& layout) {
    std::uint64_t size = 0;
    for (const TG2SubbandLayout& subband : layout.subbands)
        size += 8 + blockCount(subband) * recordSize(layout);
    return size;
}

void put(std::ostream& out, const std::vector<std::uint8_t>& bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

std::vector<std::uint8_t> tg2MetadataBlock(const ClassicalTagTable* metadata) {
    ClassicalTagTable empty;
    initializeTagTable(&empty);
    setEndOfMetadata(&empty);
    std::vector<std::uint8_t> block =
        tagTableBlockBytes(const_cast<ClassicalTagTable*>(metadata ? metadata : &empty),
                           ClassicalBlockForm::PlainFile);
    clearTagTable(&empty);
    if (block.empty()) throw InvalidArgumentException("metadata table is not initialised");
    return block;
}

std::uint64_t tg2StreamSize(const TG2StreamLayout& layout, std::uint64_t segmentBytes,
                            std::size_t metadataBytes) {
    return headerSize(layout) + chunksSize(layout) + segmentBytes + metadataBytes;
}

void writeTG2Stream(const TG2StreamLayout& layout, TG2SegmentStore& segments,
                    const std::vector<std::uint8_t>& metadataBlock, std::ostream& out) {
    checkLayout(layout);
    const std::uint64_t segmentsAt = headerSize(layout) + chunksSize(layout);
    const std::uint32_t metadataAt = offset32(segmentsAt + segments.bytes());

    std::vector<std::uint8_t> bytes;
    for (char c : {'t', 'o', 'v', 'x'}) bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.insert(bytes.end(), layout.version.begin(), layout.version.end());
    putU32(bytes, layout.bandCount);
    putU32(bytes, layout.levelCount);
    putU32(bytes, layout.width);
    putU32(bytes, layout.height);
    std::uint64_t chunkAt = headerSize(layout);
    for (const TG2SubbandLayout& subband : layout.subbands) {
        putU32(bytes, offset32(chunkAt));
        chunkAt += 8 + blockCount(subband) * recordSize(layout);
    }
    bytes.push_back(0xFF);
    bytes.push_back(0xD0);
    putU32(bytes, metadataAt);
    put(out, bytes);

    // The block records name where each band's segment will lie; the segments follow
    // one another in the order the records name them.
    const std::vector<TG2SegmentStore::Entry>& entries = segments.entriesInStreamOrder();
    std::size_t next = 0;
    std::uint64_t segmentAt = segmentsAt;
    for (std::uint32_t i = 0; i < layout.subbands.size(); ++i) {
        const TG2SubbandLayout& subband = layout.subbands[i];
        const std::uint32_t blocks = blockCount(subband);
        bytes = {0xFF, 0xAC, subband.ditherColumn, subband.ditherRow};
        putU32(bytes, blocks);
        for (std::uint32_t k = 0; k < blocks; ++k) {
            for (std::uint32_t b = 0; b < layout.bandCount; ++b) {
                const bool present = next < entries.size() && entries[next].subband == i &&
                                     entries[next].block == k && entries[next].band == b;
                putU32(bytes, present ? offset32(segmentAt) : 0);
                if (present) segmentAt += entries[next++].size;
            }
            const Region r =
                tg2Tile(subband.width, subband.height, subband.blockWidth, subband.blockHeight, k);
            putU32(bytes, static_cast<std::uint32_t>(r.x0));
            putU32(bytes, static_cast<std::uint32_t>(r.y0));
            putU32(bytes, static_cast<std::uint32_t>(r.x1));
            putU32(bytes, static_cast<std::uint32_t>(r.y1));
        }
        put(out, bytes);
    }
    if (next != entries.size()) throw InvalidArgumentException("band segment outside the layout");

    segmentAt = segmentsAt;
    segments.readInStreamOrder(
        [&](const TG2SegmentStore::Entry& entry, std::vector<std::uint8_t>& segment) {
            placeBandSegment(segment.data(), entry.offsetsAt, entry.subBlockCount, segmentAt);
            segmentAt += segment.size();
            put(out, segment);
        });
    put(out, metadataBlock);
    out.flush();
    if (!out) throw IOException(IoWrite);
}

TG2PlaneSize tg2SubbandPlaneSize(std::uint32_t width, std::uint32_t height,
                                 std::uint32_t levelCount, std::uint32_t index) {
    if (index > 3 * static_cast<std::uint64_t>(levelCount))
        throw InvalidArgumentException("no such subband");
    // The low-low plane above the subband's level: halved, rounding up, once
    // per finer level.
    const std::uint32_t level = index == 0 ? levelCount : levelCount - (index - 1) / 3;
    std::uint64_t w = width;
    std::uint64_t h = height;
    for (std::uint32_t l = 1; l < level; ++l) {
        w = (w + 1) / 2;
        h = (h + 1) / 2;
    }
    if (levelCount == 0) return {width, height};
    const int kind = index == 0 ? 0 : static_cast<int>((index - 1) % 3) + 1;
    const std::uint64_t low_w = (w + 1) / 2, high_w = w / 2;
    const std::uint64_t low_h = (h + 1) / 2, high_h = h / 2;
    switch (kind) {
        case 0:
            return {static_cast<std::uint32_t>(low_w), static_cast<std::uint32_t>(low_h)};
        case 1:
            return {static_cast<std::uint32_t>(high_w), static_cast<std::uint32_t>(low_h)};
        case 2:
            return {static_cast<std::uint32_t>(low_w), static_cast<std::uint32_t>(high_h)};
        default:
            return {static_cast<std::uint32_t>(high_w), static_cast<std::uint32_t>(high_h)};
    }
}

std::vector<std::uint8_t> writeTG2Stream(const TG2StreamInput& input) {
    TG2StreamLayout layout;
    static_cast<TG2StreamShape&>(layout) = input;
    for (const TG2SubbandInput& subband : input.subbands)
        layout.subbands.push_back(static_cast<const TG2SubbandLayout&>(subband));
    checkLayout(layout);

    TG2SegmentStore segments;
    std::vector<std::int32_t> block;
    for (std::uint32_t i = 0; i < input.subbands.size(); ++i) {
        const TG2SubbandInput& subband = input.subbands[i];
        if (subband.bands.size() != input.bandCount || subband.steps.size() != input.bandCount)
            throw InvalidArgumentException("subband band count does not match the image");
        for (const auto& plane : subband.bands)
            if (plane.size() != std::size_t{subband.width} * subband.height)
                throw InvalidArgumentException("subband plane has the wrong size");
        if (subband.subBlockWidth == 0 || subband.subBlockHeight == 0 ||
            subband.subBlockWidth > INT32_MAX || subband.subBlockHeight > INT32_MAX)
            throw InvalidArgumentException("block and sub-block sizes must be positive");
        const std::uint32_t blocks = blockCount(layout.subbands[i]);
        for (std::uint32_t k = 0; k < blocks; ++k) {
            const Region r =
                tg2Tile(subband.width, subband.height, subband.blockWidth, subband.blockHeight, k);
            for (std::uint32_t b = 0; b < input.bandCount; ++b) {
                block.clear();
                for (std::int64_t y = r.y0; y <= r.y1; ++y) {
                    const auto first = subband.bands[b].begin() + y * subband.width + r.x0;
                    block.insert(block.end(), first, first + r.width());
                }
                if (std::all_of(block.begin(), block.end(), [](std::int32_t v) { return v == 0; }))
                    continue;
                segments.add(
                    i, k, b,
                    writeBandSegment(block.data(), static_cast<std::uint32_t>(r.width()),
                                     static_cast<std::uint32_t>(r.height()), subband.steps[b],
                                     subband.subBlockWidth, subband.subBlockHeight));
            }
        }
    }
    ByteVectorOutputStream out;
    writeTG2Stream(layout, segments, tg2MetadataBlock(input.metadata), out);
    return out.take();
}

}  // namespace Corvane
