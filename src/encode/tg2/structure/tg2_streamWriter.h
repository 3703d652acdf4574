#pragma once
// Writes a whole TG2 stream from quantised subbands, in the layout that
// TG2StreamStructure parses, with whatever block and sub-block cutting the caller
// asks for, so that the encoder and the tests can make any arrangement the reader meets.
#include <array>
#include <cstdint>
#include <vector>

#include "metadata/cv_classicalTag.h"

namespace Corvane {

// The quantisation indices of one subband, one plane per band (row by row),
// and how the subband is cut into blocks and sub-blocks.
struct TG2SubbandInput {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::vector<std::int32_t>> bands;  // bandCount planes of width x height
    std::vector<float> steps;                      // quantisation step per band
    std::uint32_t blockWidth = 64;
    std::uint32_t blockHeight = 64;
    std::uint32_t subBlockWidth = 32;
    std::uint32_t subBlockHeight = 32;
    std::uint8_t ditherColumn = 0;
    std::uint8_t ditherRow = 0;
};

struct TG2StreamInput {
    std::array<std::uint8_t, 3> version{1, 0, 0};
    std::uint32_t bandCount = 1;
    std::uint32_t levelCount = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // 3 x levelCount + 1 subbands in chunk-table order: the coarsest low-low
    // first, then per level from coarsest to finest the three detail subbands.
    std::vector<TG2SubbandInput> subbands;
    // The classical metadata to store; null stores an empty block.
    const ClassicalTagTable* metadata = nullptr;
};

struct TG2PlaneSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The size of subband `index` of an image of the given size and level count.
TG2PlaneSize tg2SubbandPlaneSize(std::uint32_t width, std::uint32_t height,
                                 std::uint32_t levelCount, std::uint32_t index);

// Lays out a whole TG2 stream: header, chunk table, FF D0 and the metadata
// offset, every subband chunk with its block records, the band segments with
// their Huffman tables and coded sub-blocks, and the metadata block. A band
// whose indices are all zero within a block is stored without data (offset 0).
// Raises InvalidArgumentException for input that does not fit the image.
std::vector<std::uint8_t> writeTG2Stream(const TG2StreamInput& input);

}  // namespace Corvane
