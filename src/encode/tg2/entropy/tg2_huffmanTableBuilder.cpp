#include "encode/tg2/entropy/tg2_huffmanTableBuilder.h"

#include <cstdint>

#include "support/cv_exception.h"

namespace Corvane {

namespace {

constexpr int kEntries = 257;  // 256 symbols and the reserved entry
constexpr int kReserved = 256;
constexpr int kMaxLength = 16;
// The reader sums the 16 counts as signed bytes, so no length may hold more.
constexpr int kMaxCodesPerLength = 127;

// Among the entries with non-zero frequency, the rarest; ties go to the
// highest entry number. -1 when there is none.
int rarest(const std::uint64_t (&frequency)[kEntries], int excluded) {
    int found = -1;
    std::uint64_t least = UINT64_MAX;
    for (int v = 0; v < kEntries; ++v) {
        if (v == excluded || frequency[v] == 0) continue;
        if (frequency[v] <= least) {
            least = frequency[v];
            found = v;
        }
    }
    return found;
}

// Code length of every entry (0 for unused ones) by merging the two rarest
// trees until one is left.
void codeSizes(const TG2SymbolFrequencies& frequencies, int (&codeSize)[kEntries]) {
    std::uint64_t frequency[kEntries] = {};
    for (int v = 0; v < 256; ++v) frequency[v] = frequencies[static_cast<std::size_t>(v)];
    frequency[kReserved] = 1;
    int others[kEntries];
    for (int v = 0; v < kEntries; ++v) {
        others[v] = -1;
        codeSize[v] = 0;
    }
    for (;;) {
        int c1 = rarest(frequency, -1);
        int c2 = rarest(frequency, c1);
        if (c2 < 0) break;
        frequency[c1] += frequency[c2];
        frequency[c2] = 0;
        // Every entry of both merged trees moves one level deeper.
        ++codeSize[c1];
        while (others[c1] >= 0) {
            c1 = others[c1];
            ++codeSize[c1];
        }
        others[c1] = c2;
        ++codeSize[c2];
        while (others[c2] >= 0) {
            c2 = others[c2];
            ++codeSize[c2];
        }
    }
}

}  // namespace

HTDesc buildHTDesc(const TG2SymbolFrequencies& frequencies) {
    int codeSize[kEntries];
    codeSizes(frequencies, codeSize);

    int bits[kEntries + 1] = {};
    for (int v = 0; v < kEntries; ++v)
        if (codeSize[v] > 0) ++bits[codeSize[v]];

    // Fold lengths above 16: two codes of the longest length give way to one
    // code a level shorter, and a shorter leaf splits to take the other.
    for (int i = kEntries; i > kMaxLength; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (bits[j] == 0) --j;
            bits[i] -= 2;
            bits[i - 1] += 1;
            bits[j + 1] += 2;
            bits[j] -= 1;
        }
    }
    // Drop the reserved entry, which holds one of the longest codes.
    int longest = kMaxLength;
    while (longest > 0 && bits[longest] == 0) --longest;
    if (longest > 0) --bits[longest];
    // Lengthening a code only leaves code space unused, so crowded lengths hand
    // their last codes on to the next length.
    for (int length = 1; length < kMaxLength; ++length) {
        if (bits[length] > kMaxCodesPerLength) {
            bits[length + 1] += bits[length] - kMaxCodesPerLength;
            bits[length] = kMaxCodesPerLength;
        }
    }
    if (bits[kMaxLength] > kMaxCodesPerLength)
        throw InvalidArgumentException("too many Huffman codes of the longest length");

    HTDesc desc;
    for (int length = 1; length <= kMaxLength; ++length)
        desc.lengthCounts[static_cast<std::size_t>(length - 1)] =
            static_cast<std::uint8_t>(bits[length]);
    for (int size = 1; size <= kEntries; ++size)
        for (int v = 0; v < 256; ++v)
            if (codeSize[v] == size) desc.symbols.push_back(static_cast<std::uint8_t>(v));
    return desc;
}

}  // namespace Corvane
