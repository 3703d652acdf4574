#pragma once
// Turns the symbols of one sub-block into its coded bytes with the band segment's
// code: the mirror of the sub-block decoder, used by the stream writer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "encode/tg2/entropy/tg2_symbolMapper.h"
#include "tg2/entropy/tg2_htDesc.h"

namespace Corvane {

// Writes coded sub-blocks with one band segment's Huffman table; the mirror of
// the sub-block decoder.
class TG2SubBlockEncoder {
  public:
    // Raises InvalidArgumentException for a table that is not a valid code.
    explicit TG2SubBlockEncoder(const HTDesc& desc);

    // FF A3, then the symbols' codes and raw bits, stuffed, with the last byte
    // padded with one bits. Raises InvalidArgumentException for a symbol the
    // table has no code for.
    std::vector<std::uint8_t> encode(const std::vector<TG2Symbol>& symbols) const;

  private:
    struct Code {
        std::uint16_t bits = 0;
        std::uint8_t length = 0;
    };
    Code codes_[256];
};

}  // namespace Corvane
