#pragma once
// The first step of coding a sub-block: quantisation indices to the run and value
// symbols the Huffman code is built over, and the symbol counts the table builder
// works from. The decoder's symbol switch undoes exactly this mapping.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Corvane {

// One coded unit of a sub-block: a Huffman symbol and the raw bits that
// follow it (0, 8 or 16 of them).
struct TG2Symbol {
    std::uint8_t symbol = 0;
    std::uint8_t rawBitCount = 0;
    std::uint16_t rawBits = 0;
};

using TG2SymbolFrequencies = std::array<std::uint32_t, 256>;

// Largest and smallest indices a sub-block can carry.
inline constexpr std::int32_t kTG2LargestIndex = 32768;
inline constexpr std::int32_t kTG2SmallestIndex = -32768;

// Maps quantisation indices in raster order to the symbols the decoder reads:
// zero runs of up to 100 as symbols 0..100, longer ones with 105 (8-bit
// length) or 106 (16-bit length), indices -73..75 as symbols 107..255, other
// indices with 101/102 (8-bit magnitude) or 103/104 (16 bits, the value or its
// negation). Every position is coded, trailing zeros included. Indices outside
// -32768..32768 raise InvalidArgumentException.
void appendSymbols(const std::int32_t* indices, std::size_t count, std::vector<TG2Symbol>& out);

void countSymbols(const std::vector<TG2Symbol>& symbols, TG2SymbolFrequencies& frequencies);

}  // namespace Corvane
