#pragma once
// Codes the indices of one band of one block into a band segment: FF AA, the
// Huffman table built for the block, the step, the sub-block size, the table of
// sub-block offsets and the coded sub-blocks. The mirror of the structure reader's
// loading of a band of a block. The segment is made before its place in the stream
// is known, so its sub-block offsets count from the segment's first byte until the
// stream is assembled.
#include <cstdint>
#include <vector>

namespace Corvane {

struct TG2CodedSegment {
    std::vector<std::uint8_t> bytes;
    std::uint32_t offsetsAt = 0;  // where the table of sub-block offsets starts
    std::uint32_t subBlockCount = 0;
};

// `indices` holds width x height indices, row after row. Raises
// InvalidArgumentException for indices outside what the stream can carry.
TG2CodedSegment writeBandSegment(const std::int32_t* indices, std::uint32_t width,
                                 std::uint32_t height, float step, std::uint32_t subBlockWidth,
                                 std::uint32_t subBlockHeight);

// Adds `base` to each sub-block offset of a segment that is placed `base` bytes into
// the stream.
void placeBandSegment(std::uint8_t* segment, std::uint32_t offsetsAt, std::uint32_t subBlockCount,
                      std::uint64_t base);

}  // namespace Corvane
