#include "encode/tg2/structure/tg2_streamWriter.h"

#include <algorithm>
#include <cstring>

#include "encode/tg2/entropy/tg2_huffmanTableBuilder.h"
#include "encode/tg2/entropy/tg2_subBlockEncoder.h"
#include "encode/tg2/entropy/tg2_symbolMapper.h"
#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalStandardTags.h"
#include "support/cv_exception.h"
#include "support/cv_region.h"

namespace Corvane {

namespace {

class ByteBuffer {
  public:
    std::size_t size() const { return bytes_.size(); }
    void byte(std::uint8_t value) { bytes_.push_back(value); }
    void u32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void f32(float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        u32(bits);
    }
    void bytes(const std::vector<std::uint8_t>& more) {
        for (std::uint8_t value : more) bytes_.push_back(value);
    }
    void zeros(std::size_t count) { bytes_.resize(bytes_.size() + count, 0); }
    // Big-endian value at a position written earlier.
    void patch32(std::size_t at, std::size_t value) {
        if (value > UINT32_MAX) throw InvalidArgumentException("stream larger than 4 GiB");
        for (int i = 0; i < 4; ++i)
            bytes_[at + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
};

std::uint32_t ceilDivide(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(a) + b - 1) / b);
}

// Tile k of a row-major tiling of a width x height area by tiles.
Region tile(std::uint32_t width, std::uint32_t height, std::uint32_t tileWidth,
            std::uint32_t tileHeight, std::uint32_t k) {
    const std::uint32_t across = ceilDivide(width, tileWidth);
    const std::uint32_t column = (k % across) * tileWidth;
    const std::uint32_t row = (k / across) * tileHeight;
    return Region::fromOrigin(column, row, std::min(tileWidth, width - column),
                              std::min(tileHeight, height - row));
}

std::uint32_t tileCount(std::uint32_t width, std::uint32_t height, std::uint32_t tileWidth,
                        std::uint32_t tileHeight) {
    if (width == 0 || height == 0) return 0;
    return ceilDivide(width, tileWidth) * ceilDivide(height, tileHeight);
}

// The indices of a rectangle of a plane, row by row.
std::vector<std::int32_t> cut(const std::vector<std::int32_t>& plane, std::uint32_t planeWidth,
                              const Region& r) {
    std::vector<std::int32_t> out;
    out.reserve(static_cast<std::size_t>(r.area()));
    for (std::int64_t y = r.y0; y <= r.y1; ++y) {
        const auto first = plane.begin() + static_cast<std::ptrdiff_t>(y * planeWidth + r.x0);
        out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(r.width()));
    }
    return out;
}

void checkSubband(const TG2StreamInput& input, std::uint32_t index) {
    const TG2SubbandInput& subband = input.subbands[index];
    const TG2PlaneSize size =
        tg2SubbandPlaneSize(input.width, input.height, input.levelCount, index);
    if (subband.width != size.width || subband.height != size.height)
        throw InvalidArgumentException("subband size does not match the image");
    if (subband.bands.size() != input.bandCount || subband.steps.size() != input.bandCount)
        throw InvalidArgumentException("subband band count does not match the image");
    for (const auto& plane : subband.bands)
        if (plane.size() != static_cast<std::size_t>(size.width) * size.height)
            throw InvalidArgumentException("subband plane has the wrong size");
    if (subband.blockWidth == 0 || subband.blockHeight == 0 || subband.subBlockWidth == 0 ||
        subband.subBlockHeight == 0 || subband.subBlockWidth > INT32_MAX ||
        subband.subBlockHeight > INT32_MAX)
        throw InvalidArgumentException("block and sub-block sizes must be positive");
}

// Band segment: FF AA, the Huffman table, step, sub-block size and offsets,
// then the coded sub-blocks themselves.
void writeBandSegment(ByteBuffer& out, const TG2SubbandInput& subband, std::uint32_t band,
                      const Region& block) {
    const auto blockWidth = static_cast<std::uint32_t>(block.width());
    const auto blockHeight = static_cast<std::uint32_t>(block.height());
    const std::uint32_t count =
        tileCount(blockWidth, blockHeight, subband.subBlockWidth, subband.subBlockHeight);
    std::vector<std::vector<TG2Symbol>> symbols(count);
    TG2SymbolFrequencies frequencies{};
    for (std::uint32_t j = 0; j < count; ++j) {
        const Region r =
            tile(blockWidth, blockHeight, subband.subBlockWidth, subband.subBlockHeight, j)
                .translated(block.x0, block.y0);
        const std::vector<std::int32_t> indices = cut(subband.bands[band], subband.width, r);
        appendSymbols(indices.data(), indices.size(), symbols[j]);
        countSymbols(symbols[j], frequencies);
    }
    const HTDesc desc = buildHTDesc(frequencies);
    const TG2SubBlockEncoder encoder(desc);

    out.byte(0xFF);
    out.byte(0xAA);
    for (std::uint8_t c : desc.lengthCounts) out.byte(c);
    out.bytes(desc.symbols);
    out.f32(subband.steps[band]);
    out.u32(subband.subBlockWidth);
    out.u32(subband.subBlockHeight);
    const std::size_t offsetsAt = out.size();
    out.zeros(4 * static_cast<std::size_t>(count));
    for (std::uint32_t j = 0; j < count; ++j) {
        out.patch32(offsetsAt + 4 * static_cast<std::size_t>(j), out.size());
        out.bytes(encoder.encode(symbols[j]));
    }
}

bool allZero(const std::vector<std::int32_t>& plane, std::uint32_t planeWidth, const Region& r) {
    for (std::int64_t y = r.y0; y <= r.y1; ++y)
        for (std::int64_t x = r.x0; x <= r.x1; ++x)
            if (plane[static_cast<std::size_t>(y * planeWidth + x)] != 0) return false;
    return true;
}

std::vector<std::uint8_t> metadataBlock(const ClassicalTagTable* metadata) {
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

}  // namespace

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
    const std::uint32_t subbandCount = 3 * input.levelCount + 1;
    if (input.subbands.size() != subbandCount)
        throw InvalidArgumentException("wrong number of subbands");
    for (std::uint32_t i = 0; i < subbandCount; ++i) checkSubband(input, i);

    ByteBuffer out;
    for (char c : {'t', 'o', 'v', 'x'}) out.byte(static_cast<std::uint8_t>(c));
    for (std::uint8_t v : input.version) out.byte(v);
    out.u32(input.bandCount);
    out.u32(input.levelCount);
    out.u32(input.width);
    out.u32(input.height);
    const std::size_t chunkTableAt = out.size();
    out.zeros(4 * static_cast<std::size_t>(subbandCount));
    out.byte(0xFF);
    out.byte(0xD0);
    const std::size_t metadataPointerAt = out.size();
    out.u32(0);

    // Chunk heads and block records first; the records' band offsets are
    // filled in as the band segments are written after them.
    const std::size_t recordSize = 4 * static_cast<std::size_t>(input.bandCount) + 16;
    std::vector<std::size_t> recordsAt(subbandCount);
    for (std::uint32_t i = 0; i < subbandCount; ++i) {
        const TG2SubbandInput& subband = input.subbands[i];
        const std::uint32_t blocks =
            tileCount(subband.width, subband.height, subband.blockWidth, subband.blockHeight);
        out.patch32(chunkTableAt + 4 * static_cast<std::size_t>(i), out.size());
        out.byte(0xFF);
        out.byte(0xAC);
        out.byte(subband.ditherColumn);
        out.byte(subband.ditherRow);
        out.u32(blocks);
        recordsAt[i] = out.size();
        for (std::uint32_t k = 0; k < blocks; ++k) {
            const Region r =
                tile(subband.width, subband.height, subband.blockWidth, subband.blockHeight, k);
            out.zeros(4 * static_cast<std::size_t>(input.bandCount));
            out.u32(static_cast<std::uint32_t>(r.x0));
            out.u32(static_cast<std::uint32_t>(r.y0));
            out.u32(static_cast<std::uint32_t>(r.x1));
            out.u32(static_cast<std::uint32_t>(r.y1));
        }
    }

    for (std::uint32_t i = 0; i < subbandCount; ++i) {
        const TG2SubbandInput& subband = input.subbands[i];
        const std::uint32_t blocks =
            tileCount(subband.width, subband.height, subband.blockWidth, subband.blockHeight);
        for (std::uint32_t k = 0; k < blocks; ++k) {
            const Region r =
                tile(subband.width, subband.height, subband.blockWidth, subband.blockHeight, k);
            for (std::uint32_t b = 0; b < input.bandCount; ++b) {
                if (allZero(subband.bands[b], subband.width, r)) continue;
                out.patch32(recordsAt[i] + k * recordSize + 4 * static_cast<std::size_t>(b),
                            out.size());
                writeBandSegment(out, subband, b, r);
            }
        }
    }

    out.patch32(metadataPointerAt, out.size());
    out.bytes(metadataBlock(input.metadata));
    return out.take();
}

}  // namespace Corvane
