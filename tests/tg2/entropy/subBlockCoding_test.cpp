#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "encode/tg2/entropy/tg2_bitWriter.h"
#include "encode/tg2/entropy/tg2_huffmanTableBuilder.h"
#include "encode/tg2/entropy/tg2_subBlockEncoder.h"
#include "encode/tg2/entropy/tg2_symbolMapper.h"
#include "support/cv_exception.h"
#include "tg2/entropy/tg2_subBlockDecoder.h"

using namespace Corvane;

namespace {

// A table in which every listed symbol has a code, for hand-made bit strings.
HTDesc tableFor(const std::vector<std::uint8_t>& symbols) {
    TG2SymbolFrequencies frequencies{};
    for (std::uint8_t s : symbols) frequencies[s] = 1;
    return buildHTDesc(frequencies);
}

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
    std::vector<std::uint8_t> bytes(std::vector<std::uint8_t> tail = {0xFF, 0xD9}) {
        writer.flush();
        std::vector<std::uint8_t> out = writer.bytes();
        for (std::uint8_t byte : tail) out.push_back(byte);
        return out;
    }
    CanonicalCode codes[256];
    BitWriter writer;
};

std::vector<std::int32_t> decodeAll(const std::vector<std::uint8_t>& data, const HTDesc& desc,
                                    TG2SubBlockSize size) {
    DecodingTree tree;
    EXPECT_TRUE(tree.build(desc));
    std::vector<std::int32_t> out(static_cast<std::size_t>(size.width) * size.height, 0);
    try {
        decodeSubBlock(
            {data, tree, size, Region::fromOrigin(0, 0, size.width, size.height), UINT64_MAX},
            nullptr, out.data());
    } catch (const Exception& e) {
        ADD_FAILURE() << describe(e);
    }
    return out;
}

template <class E>
std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.what() ? e.what() : "";
    }
    return "no exception";
}

std::vector<std::uint8_t> encodeIndices(const std::vector<std::int32_t>& indices, HTDesc& desc) {
    std::vector<TG2Symbol> symbols;
    appendSymbols(indices.data(), indices.size(), symbols);
    TG2SymbolFrequencies frequencies{};
    countSymbols(symbols, frequencies);
    desc = buildHTDesc(frequencies);
    std::vector<std::uint8_t> data = TG2SubBlockEncoder(desc).encode(symbols);
    // What follows a sub-block in a stream is always a marker.
    data.push_back(0xFF);
    data.push_back(0xA3);
    return data;
}

// Indices drawn so that every kind of symbol occurs: small values, 8- and
// 16-bit magnitudes and zero runs of every length class.
std::vector<std::int32_t> mixedIndices(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::int32_t> v(count, 0);
    std::size_t i = 0;
    while (i < count) {
        switch (rng() % 6) {
            case 0:
                i += rng() % 90;
                break;
            case 1:
                i += 101 + rng() % 155;
                break;
            case 2:
                i += 256 + rng() % 3000;
                break;
            case 3:
                if (i < count) v[i++] = static_cast<std::int32_t>(rng() % 149) - 73;
                break;
            case 4:
                if (i < count) v[i++] = static_cast<std::int32_t>(rng() % 511) - 255;
                break;
            default:
                if (i < count) v[i++] = static_cast<std::int32_t>(rng() % 65537) - 32768;
                break;
        }
    }
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
    const std::vector<std::uint8_t> data = coder.bytes();
    const std::vector<std::int32_t> out = decodeAll(data, desc, {157, 2});
    std::vector<std::int32_t> expected(314, 0);
    const std::int32_t head[] = {1, -73, 75, 0, 0, 0, 200, -5, -32768, 32768};
    std::copy(std::begin(head), std::end(head), expected.begin());
    expected[10 + 2 + 1 + 300] = 32767;
    EXPECT_EQ(out, expected);
}

TEST(SubBlockDecoder, StuffedFFCarriesOnlyItsEightBits) {
    // Codes "0" for a zero run and "1" for symbol 101: symbol 101 with raw byte
    // 0xFF makes the first data byte FF, which the writer stuffs.
    HTDesc desc;
    desc.lengthCounts[0] = 2;
    desc.symbols = {0, 101};
    HandCoder coder(desc);
    coder.symbol(101).raw(0xFF, 8).symbol(101).raw(0x01, 8);
    const std::vector<std::uint8_t> data = coder.bytes();
    ASSERT_GE(data.size(), 4u);
    EXPECT_EQ(data[2], 0xFF);
    EXPECT_EQ(data[3], 0x00);
    EXPECT_EQ(decodeAll(data, desc, {2, 1}), (std::vector<std::int32_t>{255, 1}));
}

TEST(SubBlockDecoder, CorruptDataIsRefusedWithCatalogTexts) {
    const HTDesc desc = tableFor({0, 180, 181});
    DecodingTree tree;
    ASSERT_TRUE(tree.build(desc));
    std::vector<std::int32_t> out(64, 0);
    const Region all = Region::fromOrigin(0, 0, 8, 8);
    auto decode = [&](const std::vector<std::uint8_t>& data) {
        return decodeSubBlock({data, tree, {8, 8}, all, 64}, nullptr, out.data());
    };

    EXPECT_EQ(messageOf<DataFormatException>([&] {
                  decode({0xFF, 0xA4, 0x00, 0x00});
              }),
              "[4][2205]Invalid data format. [4][2011]Unexpected marker byte encountered during "
              "decompression.  Possible file corruption.");
    EXPECT_NE(messageOf<DataFormatException>([&] { decode({0xFF}); }).find("[4][2011]"),
              std::string::npos);

    // Three symbols take codes 00, 01 and 10: the branch 11 is unused.
    EXPECT_EQ(messageOf<DataFormatException>([&] {
                  decode({0xFF, 0xA3, 0xE0, 0xFF, 0xD9});
              }),
              "[4][2205]Invalid data format. [4][2013]Error decompressing Tovex file. Possible "
              "file corruption.");

    // Data that stop without a marker before every position is produced.
    // Four two-bit codes fill the byte exactly, so no padding follows.
    HandCoder coder(desc);
    coder.symbol(181).symbol(181).symbol(0).symbol(181);
    std::vector<std::uint8_t> truncated = coder.bytes({});
    EXPECT_NE(messageOf<DataFormatException>([&] { decode(truncated); }).find("[4][2012]"),
              std::string::npos);
}

TEST(SubBlockDecoder, MarkersEndTheDataWithZeros) {
    const HTDesc desc = tableFor({0, 180, 181});
    DecodingTree tree;
    ASSERT_TRUE(tree.build(desc));
    std::vector<std::int32_t> out(16, 0);
    const Region all = Region::fromOrigin(0, 0, 4, 4);

    // A marker straight after FF A3, or a first data byte FF that is not stuffed.
    for (const std::vector<std::uint8_t>& data :
         {std::vector<std::uint8_t>{0xFF, 0xA3, 0xFF, 0xD9},
          std::vector<std::uint8_t>{0xFF, 0xA3, 0xFF, 0x12, 0x00}}) {
        EXPECT_FALSE(
            decodeSubBlock({data, tree, {4, 4}, all, 16}, nullptr, out.data()).has_value());
    }

    // Two indices and two empty runs fill one byte; then a marker ends the data
    // and the rest of the sub-block stays zero.
    HandCoder coder(desc);
    coder.symbol(181).symbol(0).symbol(0).symbol(181);
    const std::vector<std::uint8_t> data = coder.bytes({0xFF, 0xD9});
    ASSERT_EQ(data.size(), 5u);
    const auto state = decodeSubBlock({data, tree, {4, 4}, all, 16}, nullptr, out.data());
    ASSERT_TRUE(state.has_value());
    EXPECT_TRUE(isComplete(*state, {4, 4}));
    EXPECT_EQ(out, (std::vector<std::int32_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // Codes 00, 01 and 10 for 181, 101 and 0.
    HTDesc byHand;
    byHand.lengthCounts[1] = 3;
    byHand.symbols = {181, 101, 0};
    DecodingTree handTree;
    ASSERT_TRUE(handTree.build(byHand));

    // A marker inside the raw bits of a value: the value is not placed.
    HandCoder cut(byHand);
    cut.symbol(181).symbol(101).raw(0x5, 3);
    const std::vector<std::uint8_t> cutData = cut.bytes();
    std::fill(out.begin(), out.end(), 0);
    const auto cutState = decodeSubBlock({cutData, handTree, {4, 4}, all, 16}, nullptr, out.data());
    ASSERT_TRUE(cutState.has_value());
    EXPECT_TRUE(isComplete(*cutState, {4, 4}));
    EXPECT_EQ(out, (std::vector<std::int32_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // A continued call that meets the marker at once still answers where it stands.
    HandCoder four(byHand);
    four.symbol(181).symbol(181).symbol(181).symbol(181);
    const std::vector<std::uint8_t> fourData = four.bytes();
    std::fill(out.begin(), out.end(), 0);
    const auto first = decodeSubBlock({fourData, handTree, {4, 4}, all, 4}, nullptr, out.data());
    ASSERT_TRUE(first.has_value());
    const auto second = decodeSubBlock({fourData, handTree, {4, 4}, all, 4}, &*first, out.data());
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->positionsProduced, 8u);
    EXPECT_EQ(out, (std::vector<std::int32_t>{1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(SubBlockCoding, RoundTripsInOneCall) {
    struct Case {
        const char* name;
        TG2SubBlockSize size;
        std::vector<std::int32_t> indices;
    };
    std::mt19937 rng(11);
    std::vector<std::int32_t> dense(64 * 64);
    for (auto& v : dense) v = static_cast<std::int32_t>(rng() % 61) - 30;
    std::vector<std::int32_t> sparse(200 * 300, 0);
    for (int k = 0; k < 12; ++k)
        sparse[rng() % sparse.size()] = static_cast<std::int32_t>(rng() % 9) - 4;
    const std::vector<Case> cases = {
        {"dense", {64, 64}, dense},
        {"sparse with long runs", {200, 300}, sparse},
        {"all zero", {70, 1000}, std::vector<std::int32_t>(70000, 0)},
        {"mixed", {123, 77}, mixedIndices(123 * 77, 3)},
        {"single", {1, 1}, {-32768}},
    };
    for (const Case& c : cases) {
        HTDesc desc;
        const std::vector<std::uint8_t> data = encodeIndices(c.indices, desc);
        EXPECT_EQ(decodeAll(data, desc, c.size), c.indices) << c.name;
    }
}

TEST(SubBlockCoding, ManySmallCallsWithWindowsContinueExactly) {
    const TG2SubBlockSize size{97, 61};
    const std::vector<std::int32_t> indices = mixedIndices(97 * 61, 5);
    HTDesc desc;
    const std::vector<std::uint8_t> data = encodeIndices(indices, desc);
    DecodingTree tree;
    ASSERT_TRUE(tree.build(desc));

    const Region windows[] = {Region::fromOrigin(0, 0, 97, 61), Region::fromOrigin(10, 3, 40, 20),
                              Region::fromOrigin(96, 60, 1, 1), Region::fromOrigin(0, 30, 97, 1)};
    std::mt19937 rng(9);
    for (const Region& w : windows) {
        for (std::uint64_t largestStep : {1u, 7u, 150u, 4000u}) {
            std::vector<std::int32_t> out(static_cast<std::size_t>(w.width()) * w.height(), 0);
            std::optional<TG2ResumeState> state;
            int calls = 0;
            do {
                const std::uint64_t limit = 1 + rng() % largestStep;
                state = decodeSubBlock({data, tree, size, w, limit}, state ? &*state : nullptr,
                                       out.data());
                ASSERT_TRUE(state.has_value());
                ++calls;
            } while (!isComplete(*state, size));
            for (std::uint32_t y = 0; y < w.height(); ++y) {
                for (std::uint32_t x = 0; x < w.width(); ++x) {
                    ASSERT_EQ(out[y * w.width() + x], indices[(y + w.y0) * size.width + x + w.x0])
                        << "window " << w.x0 << "," << w.y0 << " step " << largestStep;
                }
            }
            if (largestStep == 1) {
                EXPECT_EQ(calls, 97 * 61);
            }
        }
    }
}

TEST(HuffmanTableBuilder, LengthsStayWithinSixteenAndCountsFitASignedByte) {
    // Fibonacci frequencies would give codes far longer than 16 bits.
    TG2SymbolFrequencies fibonacci{};
    std::uint32_t a = 1, b = 1;
    for (int s = 0; s < 40; ++s) {
        fibonacci[static_cast<std::size_t>(107 + s)] = a;
        const std::uint32_t next = a + b;
        a = b;
        b = next;
    }
    // Equal frequencies over 149 symbols crowd one length past 127 codes.
    TG2SymbolFrequencies flat{};
    for (int s = 107; s < 256; ++s) flat[static_cast<std::size_t>(s)] = 1000;
    TG2SymbolFrequencies single{};
    single[42] = 5;

    for (const TG2SymbolFrequencies* f : {&fibonacci, &flat, &single}) {
        const HTDesc desc = buildHTDesc(*f);
        std::size_t used = 0;
        for (std::uint32_t n : *f) used += n > 0;
        ASSERT_EQ(desc.symbols.size(), used);
        int total = 0;
        for (std::uint8_t count : desc.lengthCounts) {
            EXPECT_LE(count, 127);
            total += count;
        }
        EXPECT_EQ(static_cast<std::size_t>(total), used);
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

TEST(HuffmanTableBuilder, SymbolsAreListedByLengthThenValue) {
    TG2SymbolFrequencies f{};
    f[200] = 50;  // most frequent: shortest code
    f[3] = 10;
    f[150] = 10;
    f[9] = 10;
    f[1] = 1;
    const HTDesc desc = buildHTDesc(f);
    const auto codes = canonicalCodes(desc);
    ASSERT_EQ(codes.size(), 5u);
    EXPECT_EQ(codes.front().symbol, 200);
    EXPECT_EQ(codes.back().symbol, 1);
    for (std::size_t i = 1; i < codes.size(); ++i) {
        ASSERT_LE(codes[i - 1].length, codes[i].length);
        if (codes[i - 1].length == codes[i].length) {
            EXPECT_LT(codes[i - 1].symbol, codes[i].symbol);
        }
    }
}

TEST(SymbolMapper, IndicesOutsideTheCodableRangeAreRefused) {
    std::vector<TG2Symbol> out;
    const std::int32_t tooLarge[] = {32769};
    const std::int32_t tooSmall[] = {-32769};
    EXPECT_THROW(appendSymbols(tooLarge, 1, out), InvalidArgumentException);
    EXPECT_THROW(appendSymbols(tooSmall, 1, out), InvalidArgumentException);
}
