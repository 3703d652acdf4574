#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/thrown_text.h"
#include "encode/tg2/entropy/tg2_bitWriter.h"
#include "encode/tg2/entropy/tg2_huffmanTableBuilder.h"
#include "encode/tg2/entropy/tg2_subBlockEncoder.h"
#include "encode/tg2/entropy/tg2_symbolMapper.h"
#include "support/cv_exception.h"
#include "tg2/entropy/tg2_subBlockDecoder.h"

using namespace Corvane;
using Indices = std::vector<std::int32_t>;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A table in which every listed symbol has a code, for hand-made bit strings.
HTDesc tableFor(const std::vector<std::uint8_t>& symbols) {
    TG2SymbolFrequencies frequencies{};
    for (std::uint8_t s : symbols) frequencies[s] = 1;
    return buildHTDesc(frequencies);
}

// Writes FF A3, then symbols by their codes and raw bits, then a tail.
struct HandCoder {
    explicit HandCoder(const HTDesc& desc) {
        writer.writeMarker(0xA3);
        for (const CanonicalCode& c : canonicalCodes(desc)) codes[c.symbol] = c;
    }
    HandCoder& symbol(std::uint8_t s) {
        writer.writeBits(codes[s].bits, codes[s].length);
        return *this;
    }
    HandCoder& raw(std::uint32_t bits, int count) {
        writer.writeBits(bits, count);
        return *this;
    }
    Bytes bytes(Bytes tail = {0xFF, 0xD9}) {
        writer.flush();
        Bytes out = writer.bytes();
        out.insert(out.end(), tail.begin(), tail.end());
        return out;
    }
    CanonicalCode codes[256];
    BitWriter writer;
};

// Decodes a whole sub-block of the given size in one call.
Indices decodeAll(const Bytes& data, const HTDesc& desc, TG2SubBlockSize size,
                  std::uint64_t limit = UINT64_MAX) {
    const DecodingTree tree = DecodingTree::fromDescription(desc);
    Indices out(static_cast<std::size_t>(size.width) * size.height, 0);
    decodeSubBlock({data, tree, size, Region::fromOrigin(0, 0, size.width, size.height), limit},
                   nullptr, out.data());
    return out;
}

Bytes encodeIndices(const Indices& indices, HTDesc& desc) {
    std::vector<TG2Symbol> symbols;
    appendSymbols(indices.data(), indices.size(), symbols);
    TG2SymbolFrequencies frequencies{};
    countSymbols(symbols, frequencies);
    desc = buildHTDesc(frequencies);
    Bytes data = TG2SubBlockEncoder(desc).encode(symbols);
    data.insert(data.end(), {0xFF, 0xA3});  // a sub-block is always followed by a marker
    return data;
}

// Indices of every kind: small values, 8- and 16-bit magnitudes and zero runs of
// every length class.
Indices mixedIndices(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    Indices v(count, 0);
    for (std::size_t i = 0; i < count;) {
        const unsigned pick = rng() % 6;
        if (pick < 3) {
            i += pick == 0 ? rng() % 90 : pick == 1 ? 101 + rng() % 155 : 256 + rng() % 3000;
        } else {
            const std::uint32_t spread[] = {149, 511, 65537};
            v[i++] = static_cast<std::int32_t>(rng() % spread[pick - 3]) -
                     static_cast<std::int32_t>(spread[pick - 3] / 2);
        }
    }
    v.resize(count);
    return v;
}

}  // namespace

TEST(SubBlockDecoder, SymbolMeaningsAreFixed) {
    const HTDesc desc = tableFor({0, 3, 101, 102, 103, 104, 105, 106, 107, 180, 255});
    HandCoder coder(desc);
    coder.symbol(104)
        .raw(0xFFFF, 16)  // minus (-1): 1
        .symbol(107)      // -73
        .symbol(255)      // 75
        .symbol(3)        // three zeros
        .symbol(101)
        .raw(0xC8, 8)  // 200
        .symbol(102)
        .raw(0x05, 8)  // -5
        .symbol(103)
        .raw(0x8000, 16)  // -32768
        .symbol(104)
        .raw(0x8000, 16)  // 32768
        .symbol(105)
        .raw(0, 8)  // an empty run
        .symbol(0)  // another
        .symbol(105)
        .raw(2, 8)    // two zeros
        .symbol(180)  // an explicit zero
        .symbol(106)
        .raw(300, 16)  // 300 zeros
        .symbol(103)
        .raw(0x7FFF, 16);  // 32767
    Indices expected(314, 0);
    const std::int32_t head[] = {1, -73, 75, 0, 0, 0, 200, -5, -32768, 32768};
    std::copy(std::begin(head), std::end(head), expected.begin());
    expected[10 + 2 + 1 + 300] = 32767;
    EXPECT_EQ(decodeAll(coder.bytes(), desc, {157, 2}), expected);

    // Codes "0" for an empty run and "1" for symbol 101: the raw byte FF is stuffed
    // and carries only its eight bits.
    HTDesc twoCodes;
    twoCodes.lengthCounts[0] = 2;
    twoCodes.symbols = {0, 101};
    const Bytes stuffed =
        HandCoder(twoCodes).symbol(101).raw(0xFF, 8).symbol(101).raw(1, 8).bytes();
    ASSERT_EQ(Bytes(stuffed.begin() + 2, stuffed.begin() + 4), (Bytes{0xFF, 0x00}));
    EXPECT_EQ(decodeAll(stuffed, twoCodes, {2, 1}), (Indices{255, 1}));
}

TEST(SubBlockDecoder, MarkersEndTheDataWithZerosAndDamageIsRefused) {
    // Codes 00, 01 and 10 for 181 (one), 101 (an 8-bit value) and 0 (an empty run).
    HTDesc desc;
    desc.lengthCounts[1] = 3;
    desc.symbols = {181, 101, 0};
    struct Case {
        const char* name;
        Bytes data;
        Indices expected;  // the first four positions, or empty when refused
        std::string message;
    };
    const std::string badData = "[4][2205]Invalid data format. ";
    const std::vector<Case> cases = {
        {"marker at once", {0xFF, 0xA3, 0xFF, 0xD9}, {0, 0, 0, 0}, ""},
        {"unstuffed FF", {0xFF, 0xA3, 0xFF, 0x12, 0x00}, {0, 0, 0, 0}, ""},
        {"marker after two values",
         HandCoder(desc).symbol(181).symbol(0).symbol(0).symbol(181).bytes(),
         {1, 1, 0, 0},
         ""},
        {"marker inside raw bits",
         HandCoder(desc).symbol(181).symbol(101).raw(5, 3).bytes(),
         {1, 0, 0, 0},
         ""},
        {"wrong first marker",
         {0xFF, 0xA4, 0x00, 0x00},
         {},
         badData + "[4][2011]Unexpected marker byte encountered during decompression.  Possible "
                   "file corruption."},
        {"a lone FF", {0xFF}, {}, badData + "[4][2011]"},
        {"unused code 11",
         {0xFF, 0xA3, 0xE0, 0xFF, 0xD9},
         {},
         badData + "[4][2013]Error decompressing Tovex file. Possible file corruption."},
        {"data stop without a marker",
         HandCoder(desc).symbol(181).symbol(181).symbol(0).symbol(181).bytes({}),
         {},
         badData + "[4][2012]"},
    };
    for (const Case& c : cases) {
        const std::string text = tovex_test::thrownText([&] {
            const Indices out = decodeAll(c.data, desc, {4, 4});
            EXPECT_EQ(Indices(out.begin(), out.begin() + 4), c.expected) << c.name;
            EXPECT_TRUE(std::all_of(out.begin() + 4, out.end(), [](int v) { return v == 0; }));
        });
        if (c.message.empty())
            EXPECT_EQ(text, "(nothing thrown)") << c.name;
        else
            EXPECT_EQ(text.substr(0, c.message.size()), c.message) << c.name << ": " << text;
    }
}

TEST(SubBlockCoding, RoundTripsInOneCallAndInManyCallsOverWindows) {
    std::mt19937 rng(11);
    Indices dense(64 * 64), sparse(200 * 300, 0);
    for (auto& v : dense) v = static_cast<std::int32_t>(rng() % 61) - 30;
    for (int k = 0; k < 12; ++k) sparse[rng() % sparse.size()] = int(rng() % 9) - 4;
    struct Case {
        const char* name;
        TG2SubBlockSize size;
        Indices indices;
    };
    const std::vector<Case> cases = {
        {"dense", {64, 64}, dense},
        {"sparse with long runs", {200, 300}, sparse},
        {"all zero", {70, 1000}, Indices(70000, 0)},
        {"mixed", {97, 61}, mixedIndices(97 * 61, 5)},
        {"single", {1, 1}, {-32768}},
    };
    for (const Case& c : cases) {
        HTDesc desc;
        const Bytes data = encodeIndices(c.indices, desc);
        EXPECT_EQ(decodeAll(data, desc, c.size), c.indices) << c.name;
    }

    // The mixed block again, in calls that stop after a few positions and resume,
    // over windows of the sub-block.
    const Case& mixed = cases[3];
    HTDesc desc;
    const Bytes data = encodeIndices(mixed.indices, desc);
    const DecodingTree tree = DecodingTree::fromDescription(desc);
    for (const Region& w : {Region::fromOrigin(0, 0, 97, 61), Region::fromOrigin(10, 3, 40, 20),
                            Region::fromOrigin(96, 60, 1, 1), Region::fromOrigin(0, 30, 97, 1)})
        for (const std::uint64_t largestStep : {1u, 7u, 4000u}) {
            Indices out(static_cast<std::size_t>(w.width()) * w.height(), 0);
            std::optional<TG2ResumeState> state;
            do {
                state = decodeSubBlock({data, tree, mixed.size, w, 1 + rng() % largestStep},
                                       state ? &*state : nullptr, out.data());
                ASSERT_TRUE(state.has_value());
            } while (!isComplete(*state, mixed.size));
            for (std::uint32_t y = 0; y < w.height(); ++y)
                for (std::uint32_t x = 0; x < w.width(); ++x)
                    ASSERT_EQ(out[y * w.width() + x],
                              mixed.indices[(y + w.y0) * mixed.size.width + x + w.x0])
                        << "window " << w.x0 << "," << w.y0 << " step " << largestStep;
        }

    std::vector<TG2Symbol> symbols;
    for (const std::int32_t outside : {32769, -32769})
        EXPECT_THROW(appendSymbols(&outside, 1, symbols), InvalidArgumentException);
}

TEST(HuffmanTableBuilder, LengthsStayWithinSixteenAndCountsFitASignedByte) {
    // Fibonacci frequencies would give codes far longer than 16 bits; equal ones over
    // 149 symbols crowd one length past 127 codes.
    TG2SymbolFrequencies fibonacci{}, flat{}, single{};
    for (std::uint32_t s = 0, a = 1, b = 1; s < 40; ++s, b = a + b, a = b - a)
        fibonacci[107 + s] = a;
    for (int s = 107; s < 256; ++s) flat[static_cast<std::size_t>(s)] = 1000;
    single[42] = 5;
    for (const TG2SymbolFrequencies* f : {&fibonacci, &flat, &single}) {
        const HTDesc desc = buildHTDesc(*f);
        const auto used = static_cast<std::size_t>(
            std::count_if(f->begin(), f->end(), [](std::uint32_t n) { return n > 0; }));
        for (std::uint8_t count : desc.lengthCounts) EXPECT_LE(count, 127);
        const auto codes = canonicalCodes(desc);
        ASSERT_EQ(codes.size(), used);
        for (const CanonicalCode& c : codes) {
            EXPECT_LE(c.length, 16);
            // No code is all ones, so padding can never be read as a symbol.
            EXPECT_NE(c.bits, (1u << c.length) - 1u);
        }
        DecodingTree tree;
        EXPECT_TRUE(tree.build(desc));
    }
}
