#pragma once
// The Huffman decoding tree of one band segment, built once from the segment's table
// and walked bit by bit by the sub-block decoder.
#include <cstdint>

#include "tg2/entropy/tg2_htDesc.h"

namespace Corvane {

// Binary tree walked one bit at a time. Entries below 256 are inner nodes,
// entries of 256 and more are leaves (symbol + 256), and unreachedEntry
// marks a branch no code takes.
class DecodingTree {
  public:
    static constexpr std::uint16_t unreachedEntry = 666;
    static constexpr std::uint16_t leafBase = 256;

    // Returns false when the codes need more than 256 inner nodes.
    bool build(const HTDesc& desc);

    // The tree of a band segment's table; one that cannot be built raises
    // DataFormatException with the decompression error text.
    static DecodingTree fromDescription(const HTDesc& desc);

    std::uint16_t follow(std::uint16_t node, int bit) const {
        return bit ? one_[node] : zero_[node];
    }

  private:
    std::uint16_t zero_[256];
    std::uint16_t one_[256];
};

}  // namespace Corvane
