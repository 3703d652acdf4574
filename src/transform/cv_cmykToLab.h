#pragma once
// CMYK to CIE L*a*b* through a four-dimensional characterisation table, and L*a*b*
// to 8-bit RGB. Both CMYK converters to RGB go through here.
#include <array>
#include <cstdint>

namespace Corvane {

constexpr int kLabGridSize = 7;
constexpr int kLabGridStep = 13107;

struct LabNode {
    std::uint16_t l;
    std::uint16_t a;
    std::uint16_t b;
};

struct CmykLabTable {
    // One record of four 16-bit values (C, M, Y, K) per 8-bit input level.
    std::array<std::array<std::uint16_t, 4>, 256> inputCurves;
    // Nodes indexed ((c * 7 + m) * 7 + y) * 7 + k.
    std::array<LabNode, kLabGridSize * kLabGridSize * kLabGridSize * kLabGridSize> nodes;
    // 16-bit value of each 8-bit output level, for L, a and b.
    std::array<std::array<std::uint16_t, 256>, 3> outputCurves;

    const LabNode& node(int c, int m, int y, int k) const {
        return nodes[static_cast<std::size_t>(
            ((c * kLabGridSize + m) * kLabGridSize + y) * kLabGridSize + k)];
    }
};

// The table, built on first use.
const CmykLabTable& cmykLabTable();

// 8-bit L, a and b (a and b offset by 128) of an 8-bit CMYK pixel.
std::array<std::uint8_t, 3> cmykToLab(std::uint8_t c, std::uint8_t m, std::uint8_t y,
                                      std::uint8_t k);

// 8-bit L, a, b to RGB, each clamped to [low, high].
std::array<std::uint8_t, 3> labToRgb(const std::array<std::uint8_t, 3>& lab, std::uint8_t low,
                                     std::uint8_t high);

}  // namespace Corvane
