#pragma once
// Huffman decoding of one coded sub-block into quantisation indices. A call may stop
// part way and be continued later from a saved state, so that a strip decodes a
// sub-block only down to the rows it needs and the next strip carries on from there.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "support/cv_region.h"
#include "tg2/entropy/tg2_decodingTree.h"

namespace Corvane {

// Where a partly decoded sub-block stands, so that a later call continues
// exactly where an earlier one stopped. Sixteen bytes, kept per sub-block in
// the decoder's cache.
struct TG2ResumeState {
    std::uint32_t bytesConsumed = 0;  // from the first byte of the sub-block (its FF A3)
    std::uint8_t currentByte = 0;     // the data byte whose bits are being read
    std::uint8_t bitPosition = 7;     // next bit of currentByte, 7 = most significant
    std::uint8_t dataEnd = 0;         // 0 while data remain, else the BitReader::End
    std::uint8_t reserved = 0;
    std::uint32_t pendingZeros = 0;       // zeros of a run that this call could not place
    std::uint32_t positionsProduced = 0;  // raster positions of the sub-block done so far
};
static_assert(sizeof(TG2ResumeState) == 16);

struct TG2SubBlockSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// One coded sub-block and what a call is to take from it.
struct TG2SubBlockRequest {
    std::span<const std::uint8_t> data;  // from its FF A3 to where its data may end at the latest
    const DecodingTree& tree;            // of the band segment's Huffman table
    TG2SubBlockSize dimensions;
    // The indices the caller keeps, in sub-block coordinates; the caller's buffer
    // holds the window's width x height indices, row by row.
    Region window;
    std::uint64_t positionLimit;  // at most this many more raster positions
};

// Decodes up to `positionLimit` more raster positions of a sub-block. Non-zero
// indices that fall inside the window are written into `indices`, which the
// caller has zeroed; everything else only advances the position. `resume` is
// null on the first call of a sub-block. Answers the state to continue from, or
// nothing when the data end at a marker before the first call produced anything.
// Corrupt data raise DataFormatException.
std::optional<TG2ResumeState> decodeSubBlock(const TG2SubBlockRequest& request,
                                             const TG2ResumeState* resume, std::int32_t* indices);

// True once every position of the sub-block has been produced.
inline bool isComplete(const TG2ResumeState& state, TG2SubBlockSize dimensions) {
    return state.positionsProduced >=
           static_cast<std::uint64_t>(dimensions.width) * dimensions.height;
}

}  // namespace Corvane
