#pragma once
// Assembles a TG2 stream in the layout that TG2StreamStructure parses: header,
// chunk table, FF D0 and the metadata offset, every subband chunk with its block
// records, the band segments, and the metadata block. Everything before the band
// segments follows from the image's layout and the segments' sizes, so the stream
// is written front to back once every segment is made, and needs no seeking.
// writeTG2Stream over whole subband planes makes any block and sub-block cutting
// the reader meets, for the tests.
#include <array>
#include <cstdint>
#include <ostream>
#include <vector>

#include "encode/tg2/structure/tg2_segmentStore.h"
#include "metadata/cv_classicalTag.h"

namespace Corvane {

struct TG2SubbandLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t blockWidth = 64;
    std::uint32_t blockHeight = 64;
    std::uint8_t ditherColumn = 0;
    std::uint8_t ditherRow = 0;
};

// What the stream's header says of the image.
struct TG2StreamShape {
    std::array<std::uint8_t, 3> version{1, 0, 0};
    std::uint32_t bandCount = 1;
    std::uint32_t levelCount = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

struct TG2StreamLayout : TG2StreamShape {
    // 3 x levelCount + 1 subbands in chunk-table order: the coarsest low-low
    // first, then per level from coarsest to finest the three detail subbands.
    std::vector<TG2SubbandLayout> subbands;
};

// The metadata block of a classical table; null gives an empty block.
std::vector<std::uint8_t> tg2MetadataBlock(const ClassicalTagTable* metadata);

// The size of a stream whose band segments take `segmentBytes` in all.
std::uint64_t tg2StreamSize(const TG2StreamLayout& layout, std::uint64_t segmentBytes,
                            std::size_t metadataBytes);

// Writes the whole stream. Raises InvalidArgumentException for a layout that does
// not fit the image or a stream larger than its 32-bit offsets reach, IOException
// when `out` fails.
void writeTG2Stream(const TG2StreamLayout& layout, TG2SegmentStore& segments,
                    const std::vector<std::uint8_t>& metadataBlock, std::ostream& out);

struct TG2PlaneSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The size of subband `index` of an image of the given size and level count.
TG2PlaneSize tg2SubbandPlaneSize(std::uint32_t width, std::uint32_t height,
                                 std::uint32_t levelCount, std::uint32_t index);

// The quantisation indices of one subband, one plane per band (row by row),
// with its layout and how its blocks are cut into sub-blocks.
struct TG2SubbandInput : TG2SubbandLayout {
    std::vector<std::vector<std::int32_t>> bands;  // bandCount planes of width x height
    std::vector<float> steps;                      // quantisation step per band
    std::uint32_t subBlockWidth = 32;
    std::uint32_t subBlockHeight = 32;
};

struct TG2StreamInput : TG2StreamShape {
    std::vector<TG2SubbandInput> subbands;
    // The classical metadata to store; null stores an empty block.
    const ClassicalTagTable* metadata = nullptr;
};

// The whole stream of whole subband planes, in memory. A band whose indices are
// all zero within a block is stored without data (offset 0).
std::vector<std::uint8_t> writeTG2Stream(const TG2StreamInput& input);

}  // namespace Corvane
