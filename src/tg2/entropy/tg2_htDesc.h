#pragma once
// A band segment's Huffman table as the stream stores it, and the canonical codes it
// stands for. The decoding tree and the encoder both take their codes from here, so
// they cannot assign them differently.
#include <array>
#include <cstdint>
#include <vector>

namespace Corvane {

// Huffman table description of a band segment: how many codes have each
// length 1..16, and the symbols in code order.
struct HTDesc {
    std::array<std::uint8_t, 16> lengthCounts{};
    std::vector<std::uint8_t> symbols;
};

// One canonical code, assigned in the usual JPEG way.
struct CanonicalCode {
    std::uint16_t bits = 0;
    std::uint8_t length = 0;
    std::uint8_t symbol = 0;
};

// Codes in order; empty when the description is inconsistent (more symbols
// claimed than given, or a length that overflows its code space).
std::vector<CanonicalCode> canonicalCodes(const HTDesc& desc);

}  // namespace Corvane
