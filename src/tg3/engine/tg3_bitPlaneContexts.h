#pragma once
// Context selection shared by the bit-plane decoder and its encoder: the flag
// word layout of each coefficient, the three significance tables, the sign
// table with its prediction bit and the refinement context.
#include <array>
#include <cstddef>
#include <cstdint>

namespace Corvane {

// Flag bits of a coefficient's state word.
inline constexpr std::uint32_t kFlagDiagLowerRight = 0x1;
inline constexpr std::uint32_t kFlagDiagLowerLeft = 0x2;
inline constexpr std::uint32_t kFlagDiagUpperRight = 0x4;
inline constexpr std::uint32_t kFlagDiagUpperLeft = 0x8;
inline constexpr std::uint32_t kFlagRight = 0x10;
inline constexpr std::uint32_t kFlagLeft = 0x20;
inline constexpr std::uint32_t kFlagUpper = 0x40;
inline constexpr std::uint32_t kFlagLower = 0x80;
inline constexpr std::uint32_t kFlagRightPositive = 0x100;
inline constexpr std::uint32_t kFlagLeftPositive = 0x200;
inline constexpr std::uint32_t kFlagUpperPositive = 0x400;
inline constexpr std::uint32_t kFlagLowerPositive = 0x800;
inline constexpr std::uint32_t kFlagRefined = 0x1000;
inline constexpr std::uint32_t kFlagSignificant = 0x2000;

enum class SignificanceTable { A, B, C };

// The fixed context tables, indexed by the significance index (flags & 0xFF) or by
// the sign index ((flags >> 4) & 0xFF).
using ContextTable = std::array<std::uint8_t, 256>;
struct SignEntry {
    std::uint8_t context;
    std::uint8_t prediction;
};
extern const std::array<ContextTable, 3> kSignificanceTables;  // A, B, C
extern const std::array<SignEntry, 256> kSignTable;

// Table A for band 0 and the bands 1, 3 (mod 4); B for 2 (mod 4); C for 0 (mod 4).
SignificanceTable significanceTableForBand(int band);

inline const ContextTable& contextTable(SignificanceTable table) {
    return kSignificanceTables[static_cast<std::size_t>(table)];
}

// Context 0..8 for the significance index (flags & 0xFF).
inline int significanceContext(SignificanceTable table, unsigned significanceIndex) {
    return contextTable(table)[significanceIndex & 0xFFu];
}

// Context 9..13 for the sign index ((flags >> 4) & 0xFF); the prediction bit
// is XORed with the coded decision to give the sign.
inline int signContext(unsigned signIndex) {
    return kSignTable[signIndex & 0xFFu].context;
}
inline int signPrediction(unsigned signIndex) {
    return kSignTable[signIndex & 0xFFu].prediction;
}

// Context 14..16 from a significant coefficient's flag word.
inline int refinementContext(std::uint32_t flags) {
    if (flags & kFlagRefined) return 16;
    return (flags & 0xFFu) == 0 ? 14 : 15;
}

// Tells the neighbours of the word at `word` (in a grid of `stride` words per
// row, with a two-word border) that it became significant. Raw planes do not
// set the diagonal bits.
inline void markSignificant(std::uint32_t* word, std::size_t stride, bool positive, bool raw) {
    std::uint32_t* left = word - 1;
    std::uint32_t* right = word + 1;
    std::uint32_t* upper = word - stride;
    std::uint32_t* lower = word + stride;
    *word |= kFlagSignificant;
    *left |= kFlagRight;
    *right |= kFlagLeft;
    *upper |= kFlagLower;
    *lower |= kFlagUpper;
    if (!raw) {
        upper[-1] |= kFlagDiagLowerRight;
        upper[1] |= kFlagDiagLowerLeft;
        lower[-1] |= kFlagDiagUpperRight;
        lower[1] |= kFlagDiagUpperLeft;
    }
    if (positive) {
        *left |= kFlagRightPositive;
        *right |= kFlagLeftPositive;
        *upper |= kFlagLowerPositive;
        *lower |= kFlagUpperPositive;
    }
}

}  // namespace Corvane
