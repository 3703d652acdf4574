#include "encode/tg2/structure/tg2_bandSegmentWriter.h"

#include <cstring>

#include "encode/tg2/entropy/tg2_huffmanTableBuilder.h"
#include "encode/tg2/entropy/tg2_subBlockEncoder.h"
#include "encode/tg2/entropy/tg2_symbolMapper.h"
#include "encode/tg2/structure/tg2_blockTiling.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t getU32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

void setU32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

TG2CodedSegment writeBandSegment(const std::int32_t* indices, std::uint32_t width,
                                 std::uint32_t height, float step, std::uint32_t subBlockWidth,
                                 std::uint32_t subBlockHeight) {
    const std::uint32_t count = tg2TileCount(width, height, subBlockWidth, subBlockHeight);
    std::vector<std::vector<TG2Symbol>> symbols(count);
    TG2SymbolFrequencies frequencies{};
    std::vector<std::int32_t> subBlock;
    for (std::uint32_t j = 0; j < count; ++j) {
        const Region r = tg2Tile(width, height, subBlockWidth, subBlockHeight, j);
        subBlock.clear();
        for (std::int64_t y = r.y0; y <= r.y1; ++y) {
            const std::int32_t* row = indices + y * width + r.x0;
            subBlock.insert(subBlock.end(), row, row + r.width());
        }
        appendSymbols(subBlock.data(), subBlock.size(), symbols[j]);
        countSymbols(symbols[j], frequencies);
    }
    const HTDesc desc = buildHTDesc(frequencies);
    const TG2SubBlockEncoder encoder(desc);

    TG2CodedSegment segment;
    std::vector<std::uint8_t>& out = segment.bytes;
    out.reserve(30 + desc.symbols.size() + 4 * std::size_t{count});
    out.push_back(0xFF);
    out.push_back(0xAA);
    for (std::uint8_t c : desc.lengthCounts) out.push_back(c);
    for (std::uint8_t symbol : desc.symbols) out.push_back(symbol);
    std::uint32_t stepBits = 0;
    std::memcpy(&stepBits, &step, sizeof stepBits);
    putU32(out, stepBits);
    putU32(out, subBlockWidth);
    putU32(out, subBlockHeight);
    segment.offsetsAt = static_cast<std::uint32_t>(out.size());
    segment.subBlockCount = count;
    out.resize(out.size() + 4 * std::size_t{count});
    for (std::uint32_t j = 0; j < count; ++j) {
        setU32(&out[segment.offsetsAt + 4 * std::size_t{j}],
               static_cast<std::uint32_t>(out.size()));
        const std::vector<std::uint8_t> coded = encoder.encode(symbols[j]);
        out.insert(out.end(), coded.begin(), coded.end());
    }
    return segment;
}

void placeBandSegment(std::uint8_t* segment, std::uint32_t offsetsAt, std::uint32_t subBlockCount,
                      std::uint64_t base) {
    for (std::uint32_t j = 0; j < subBlockCount; ++j) {
        std::uint8_t* at = segment + offsetsAt + 4 * std::size_t{j};
        const std::uint64_t offset = base + getU32(at);
        if (offset > UINT32_MAX) throw InvalidArgumentException("stream larger than 4 GiB");
        setU32(at, static_cast<std::uint32_t>(offset));
    }
}

}  // namespace Corvane
