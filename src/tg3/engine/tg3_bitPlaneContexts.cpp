#include "tg3/engine/tg3_bitPlaneContexts.h"

#include <algorithm>
#include <array>
#include <bit>

namespace Corvane {
namespace {

// Table A's rule on (horizontal, vertical, diagonal) counts; table B swaps
// the first two.
constexpr int ruleA(int h, int v, int d) {
    if (h == 2) return 8;
    if (h == 1) return v >= 1 ? 7 : (d >= 1 ? 6 : 5);
    if (v == 2) return 4;
    if (v == 1) return 3;
    if (d >= 2) return 2;
    return d == 1 ? 1 : 0;
}

constexpr int ruleC(int h, int v, int d) {
    const int hv = h + v;
    if (d >= 3) return 8;
    if (d == 2) return hv >= 1 ? 7 : 6;
    if (d == 1) return hv >= 2 ? 5 : (hv == 1 ? 4 : 3);
    return hv >= 2 ? 2 : (hv == 1 ? 1 : 0);
}

constexpr ContextTable buildSignificance(SignificanceTable which) {
    ContextTable t{};
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
constexpr int contribution(unsigned signIndex, unsigned sigBit, unsigned posBit) {
    if (!(signIndex & sigBit)) return 0;
    return (signIndex & posBit) ? 1 : -1;
}

constexpr std::array<SignEntry, 256> buildSign() {
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

}  // namespace

constexpr std::array<ContextTable, 3> kSignificanceTables = {
    buildSignificance(SignificanceTable::A), buildSignificance(SignificanceTable::B),
    buildSignificance(SignificanceTable::C)};
constexpr std::array<SignEntry, 256> kSignTable = buildSign();

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

}  // namespace Corvane
