#include "tg3/engine/tg3_bitPlaneContexts.h"

#include <algorithm>
#include <array>
#include <bit>

namespace Corvane {
namespace {

using Table = std::array<std::uint8_t, 256>;

// Table A's rule on (horizontal, vertical, diagonal) counts; table B swaps
// the first two.
int ruleA(int h, int v, int d) {
    if (h == 2) return 8;
    if (h == 1) return v >= 1 ? 7 : (d >= 1 ? 6 : 5);
    if (v == 2) return 4;
    if (v == 1) return 3;
    if (d >= 2) return 2;
    return d == 1 ? 1 : 0;
}

int ruleC(int h, int v, int d) {
    const int hv = h + v;
    if (d >= 3) return 8;
    if (d == 2) return hv >= 1 ? 7 : 6;
    if (d == 1) return hv >= 2 ? 5 : (hv == 1 ? 4 : 3);
    return hv >= 2 ? 2 : (hv == 1 ? 1 : 0);
}

Table buildSignificance(SignificanceTable which) {
    Table t{};
    for (unsigned i = 0; i < 256; ++i) {
        const int d = std::popcount(i & 0x0Fu);
        const int h = std::popcount(i & 0x30u);
        const int v = std::popcount(i & 0xC0u);
        int cx = 0;
        switch (which) {
            case SignificanceTable::A:
                cx = ruleA(h, v, d);
                break;
            case SignificanceTable::B:
                cx = ruleA(v, h, d);
                break;
            case SignificanceTable::C:
                cx = ruleC(h, v, d);
                break;
        }
        t[i] = static_cast<std::uint8_t>(cx);
    }
    return t;
}

// A neighbour's contribution: +1 significant positive, -1 significant
// negative, 0 otherwise. `sigBit` and `posBit` index the sign index.
int contribution(unsigned signIndex, unsigned sigBit, unsigned posBit) {
    if (!(signIndex & sigBit)) return 0;
    return (signIndex & posBit) ? 1 : -1;
}

struct SignEntry {
    std::uint8_t context;
    std::uint8_t prediction;
};

std::array<SignEntry, 256> buildSign() {
    std::array<SignEntry, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        // Sign index bit 0 right, 1 left, 2 upper, 3 lower (significant);
        // bits 4..7 the same neighbours significant and positive.
        const int h = std::clamp(contribution(i, 0x1, 0x10) + contribution(i, 0x2, 0x20), -1, 1);
        const int v = std::clamp(contribution(i, 0x4, 0x40) + contribution(i, 0x8, 0x80), -1, 1);
        int cx = 0;
        int pred = 0;
        if (h == 0) {
            cx = v == 0 ? 9 : 10;
            pred = v < 0 ? 1 : 0;
        } else {
            // Same-signed neighbours on both axes agree most strongly.
            cx = (v == 0) ? 12 : ((v == h) ? 13 : 11);
            pred = h < 0 ? 1 : 0;
        }
        t[i] = {static_cast<std::uint8_t>(cx), static_cast<std::uint8_t>(pred)};
    }
    return t;
}

const Table kTableA = buildSignificance(SignificanceTable::A);
const Table kTableB = buildSignificance(SignificanceTable::B);
const Table kTableC = buildSignificance(SignificanceTable::C);
const std::array<SignEntry, 256> kSignTable = buildSign();

}  // namespace

SignificanceTable significanceTableForBand(int band) {
    if (band == 0) return SignificanceTable::A;
    switch ((band - 1) % 4) {
        case 1:
            return SignificanceTable::B;
        case 3:
            return SignificanceTable::C;
        default:
            return SignificanceTable::A;
    }
}

int significanceContext(SignificanceTable table, unsigned significanceIndex) {
    const unsigned i = significanceIndex & 0xFFu;
    switch (table) {
        case SignificanceTable::B:
            return kTableB[i];
        case SignificanceTable::C:
            return kTableC[i];
        default:
            return kTableA[i];
    }
}

int signContext(unsigned signIndex) {
    return kSignTable[signIndex & 0xFFu].context;
}
int signPrediction(unsigned signIndex) {
    return kSignTable[signIndex & 0xFFu].prediction;
}

int refinementContext(std::uint32_t flags) {
    if (flags & kFlagRefined) return 16;
    return (flags & 0xFFu) == 0 ? 14 : 15;
}

void markSignificant(std::uint32_t* word, std::size_t stride, bool positive, bool raw) {
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
