#pragma once
// Context selection shared by the bit-plane decoder and its encoder: the flag
// word layout of each coefficient, the three significance tables, the sign
// table with its prediction bit and the refinement context.
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

// Table A for band 0 and the bands 1, 3 (mod 4); B for 2 (mod 4); C for 0 (mod 4).
SignificanceTable significanceTableForBand(int band);

// Context 0..8 for the significance index (flags & 0xFF).
int significanceContext(SignificanceTable table, unsigned significanceIndex);

// Context 9..13 for the sign index ((flags >> 4) & 0xFF); the prediction bit
// is XORed with the coded decision to give the sign.
int signContext(unsigned signIndex);
int signPrediction(unsigned signIndex);

// Context 14..16 from a significant coefficient's flag word.
int refinementContext(std::uint32_t flags);

// Tells the neighbours of the word at `word` (in a grid of `stride` words per
// row, with a two-word border) that it became significant. Raw planes do not
// set the diagonal bits.
void markSignificant(std::uint32_t* word, std::size_t stride, bool positive, bool raw);

}  // namespace Corvane
