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
#include "tg2/entropy/tg2_bitReader.h"
#include "tg2/entropy/tg2_dequantise.h"
#include "tg2/entropy/tg2_dither.h"
#include "tg2/entropy/tg2_ditherTable.h"
#include "tg2/entropy/tg2_subBlockDecoder.h"

using namespace Corvane;
using tovex_test::thrownText;
using Indices = std::vector<std::int32_t>;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A symbol by its code, followed by `bits` raw bits (a symbol below 0 writes only
// the raw bits).
struct Piece {
    int symbol;
    std::uint32_t raw = 0;
    int bits = 0;
};

// FF A3, the pieces, padding and the tail.
Bytes handCoded(const HTDesc& desc, const std::vector<Piece>& pieces,
                const Bytes& tail = {0xFF, 0xD9}) {
    CanonicalCode codes[256];
    for (const CanonicalCode& c : canonicalCodes(desc)) codes[c.symbol] = c;
    BitWriter writer;
    writer.writeMarker(0xA3);
    for (const Piece& p : pieces) {
        if (p.symbol >= 0) writer.writeBits(codes[p.symbol].bits, codes[p.symbol].length);
        if (p.bits) writer.writeBits(p.raw, p.bits);
    }
    writer.flush();
    Bytes out = writer.bytes();
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

// Decodes a whole sub-block of the given size in one call.
Indices decodeAll(const Bytes& data, const HTDesc& desc, TG2SubBlockSize size) {
    const DecodingTree tree = DecodingTree::fromDescription(desc);
    Indices out(static_cast<std::size_t>(size.width) * size.height, 0);
    decodeSubBlock(
        {data, tree, size, Region::fromOrigin(0, 0, size.width, size.height), UINT64_MAX}, nullptr,
        out.data());
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

// Indices of every kind: values of 7, 8 and 16 bits and zero runs of every length
// class (short runs, 8-bit and 16-bit lengths).
Indices mixedIndices(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    Indices v(count, 0);
    const std::uint32_t spread[] = {149, 511, 65537}, runs[] = {90, 255, 3000};
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned pick = rng() % 6;
        if (pick < 3)
            i += runs[pick] / 2 + rng() % (runs[pick] / 2);
        else
            v[i] = std::int32_t(rng() % spread[pick - 3] - spread[pick - 3] / 2);
    }
    return v;
}

}  // namespace

TEST(CanonicalCodes, AssignedInJpegOrderAndRefusedWhenInconsistent) {
    // Lengths: two of 2 bits, three of 3 bits, one of 4 bits, two of 5 bits.
    HTDesc desc{{0, 2, 3, 1, 2}, {0, 107, 181, 101, 105, 106, 3, 255}};
    const auto codes = canonicalCodes(desc);
    ASSERT_EQ(codes.size(), 8u);
    // 00 01 | 100 101 110 | 1110 | 11110 11111
    const std::uint16_t expected[] = {0b00, 0b01, 0b100, 0b101, 0b110, 0b1110, 0b11110, 0b11111};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(codes[i].bits, expected[i]) << i;
        EXPECT_EQ(codes[i].symbol, desc.symbols[i]) << i;
    }

    desc.symbols.pop_back();
    EXPECT_TRUE(canonicalCodes(desc).empty());
    EXPECT_TRUE(canonicalCodes(HTDesc{{3}, {1, 2, 3}}).empty());  // only two one-bit codes exist
}

TEST(DecodingTree, UnreachedBranchesAreMarkedAndCrowdedTablesRefused) {
    DecodingTree tree;

    // A valid prefix code, but 127 codes of 14 bits and 127 of 15 bits need more than
    // 256 inner nodes.
    HTDesc crowded{{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 127, 127, 2}, {}};
    for (int s = 0; s < 256; ++s) crowded.symbols.push_back(static_cast<std::uint8_t>(s));
    ASSERT_FALSE(canonicalCodes(crowded).empty());
    EXPECT_FALSE(tree.build(crowded));
    EXPECT_EQ(thrownText([&] { DecodingTree::fromDescription(crowded); }),
              "[4][2205]Invalid data format. [4][2013]Error decompressing Tovex file. Possible "
              "file corruption.");
}

TEST(BitReader, StuffedBytesCarryEightBitsAndAMarkerEndsTheData) {
    const std::uint8_t data[] = {0xA5, 0xFF, 0x00, 0x81, 0xFF, 0xD9, 0x12};
    BitReader reader(data, sizeof data);
    std::uint32_t value = 0;
    // The 00 after FF is dropped; the FF of FF D9 belongs to the marker.
    for (int i = 0; i < 24; ++i) {
        const int bit = reader.readBit();
        ASSERT_GE(bit, 0) << i;
        value = (value << 1) | static_cast<std::uint32_t>(bit);
    }
    EXPECT_EQ(value, 0xA5FF81u);
    EXPECT_EQ(reader.end(), BitReader::End::Marker);
    EXPECT_EQ(reader.readBit(), -1);
}

TEST(SubBlockDecoder, SymbolMeaningsAreFixed) {
    // Runs of 0 to 100 zeros; 101 and 102 an 8-bit magnitude, plus or minus; 103 and 104
    // a 16-bit one; 105 and 106 runs of an 8- or 16-bit length; 107..255 the values
    // -73..75.
    TG2SymbolFrequencies used{};  // every symbol of the string gets a code
    for (const int s : {0, 3, 100, 101, 102, 103, 104, 105, 106, 107, 180, 255}) used[s] = 1;
    const HTDesc desc = buildHTDesc(used);
    const std::vector<Piece> pieces = {
        {104, 0xFFFF, 16}, {107, 0, 0},       {255, 0, 0},       {3, 0, 0},   {101, 0xC8, 8},
        {102, 0x05, 8},    {103, 0x8000, 16}, {104, 0x8000, 16}, {105, 0, 8}, {0, 0, 0},
        {105, 2, 8},       {180, 0, 0},       {106, 300, 16},    {100, 0, 0}, {103, 0x7FFF, 16},
    };
    const Bytes data = handCoded(desc, pieces);
    Indices expected(414, 0);
    const std::int32_t head[] = {1, -73, 75, 0, 0, 0, 200, -5, -32768, 32768};
    std::copy(std::begin(head), std::end(head), expected.begin());
    expected[10 + 2 + 1 + 300 + 100] = 32767;
    EXPECT_EQ(decodeAll(data, desc, {207, 2}), expected);

    // Codes "0" for an empty run and "1" for symbol 101: the raw byte FF is stuffed
    // and carries only its eight bits.
    const HTDesc twoCodes{{2}, {0, 101}};
    const Bytes stuffed = handCoded(twoCodes, {{101, 0xFF, 8}, {101, 1, 8}});
    ASSERT_EQ(Bytes(stuffed.begin() + 2, stuffed.begin() + 4), (Bytes{0xFF, 0x00}));
    EXPECT_EQ(decodeAll(stuffed, twoCodes, {2, 1}), (Indices{255, 1}));
}

TEST(SubBlockDecoder, MarkersEndTheDataWithZerosAndDamageIsRefused) {
    // Codes 00, 01 and 10 for 181 (one), 101 (an 8-bit value) and 0 (an empty run).
    HTDesc desc;
    desc.lengthCounts[1] = 3;
    desc.symbols = {181, 101, 0};
    // A marker at once, a first byte FF that is not stuffed, a marker after two values
    // and one inside the raw bits of a value: the rest of the sub-block stays zero.
    const std::pair<Bytes, Indices> ended[] = {
        {{0xFF, 0xA3, 0xFF, 0xD9}, {0, 0, 0, 0}},
        {{0xFF, 0xA3, 0xFF, 0x12, 0x00}, {0, 0, 0, 0}},
        {handCoded(desc, {{181}, {0}, {0}, {181}}), {1, 1, 0, 0}},
        {handCoded(desc, {{181}, {101, 5, 3}}), {1, 0, 0, 0}},
    };
    for (const auto& [data, expected] : ended) {
        Indices out = decodeAll(data, desc, {4, 4});
        EXPECT_TRUE(std::all_of(out.begin() + 4, out.end(), [](int v) { return v == 0; }));
        out.resize(4);
        EXPECT_EQ(out, expected);
    }
    // A wrong first marker, a lone FF, the unused code 11, data that stop without a
    // marker before every position is produced.
    const std::string badData = "[4][2205]Invalid data format. ";
    const std::pair<Bytes, std::string> refused[] = {
        {{0xFF, 0xA4, 0x00, 0x00},
         badData + "[4][2011]Unexpected marker byte encountered during decompression.  Possible "
                   "file corruption."},
        {{0xFF}, badData + "[4][2011]"},
        {{0xFF, 0xA3, 0xE0, 0xFF, 0xD9},
         badData + "[4][2013]Error decompressing Tovex file. Possible file corruption."},
        {handCoded(desc, {{181}, {181}, {0}, {181}}, {}), badData + "[4][2012]"},
    };
    for (const auto& [data, message] : refused) {
        const std::string text = thrownText([&] { decodeAll(data, desc, {4, 4}); });
        EXPECT_EQ(text.substr(0, message.size()), message) << text;
    }
}

TEST(SubBlockCoding, RoundTripsInOneCallAndInManyCallsOverWindows) {
    std::mt19937 rng(11);
    Indices sparse(200 * 300, 0);
    for (int k = 0; k < 12; ++k) sparse[rng() % sparse.size()] = int(rng() % 9) - 4;
    const std::pair<TG2SubBlockSize, Indices> cases[] = {
        {{200, 300}, sparse},  // long runs
        {{70, 1000}, Indices(70000, 0)},
        {{97, 61}, mixedIndices(97 * 61, 5)},
        {{1, 1}, {-32768}},
    };
    for (const auto& [size, indices] : cases) {
        HTDesc desc;
        const Bytes data = encodeIndices(indices, desc);
        EXPECT_EQ(decodeAll(data, desc, size), indices) << size.width << " x " << size.height;
    }

    // The mixed block again, in calls that stop after a few positions and resume,
    // over windows of the sub-block.
    const auto& [size, indices] = cases[2];
    HTDesc desc;
    const Bytes data = encodeIndices(indices, desc);
    const DecodingTree tree = DecodingTree::fromDescription(desc);
    for (const Region& w : {Region::fromOrigin(0, 0, 97, 61), Region::fromOrigin(10, 3, 40, 20),
                            Region::fromOrigin(96, 60, 1, 1), Region::fromOrigin(0, 30, 97, 1)})
        for (const std::uint64_t largestStep : {1u, 7u, 4000u}) {
            Indices out(static_cast<std::size_t>(w.width()) * w.height(), 0);
            std::optional<TG2ResumeState> state;
            do {
                state = decodeSubBlock({data, tree, size, w, 1 + rng() % largestStep},
                                       state ? &*state : nullptr, out.data());
                ASSERT_TRUE(state.has_value());
            } while (!isComplete(*state, size));
            for (std::uint32_t y = 0; y < w.height(); ++y)
                for (std::uint32_t x = 0; x < w.width(); ++x)
                    ASSERT_EQ(out[y * w.width() + x], indices[(y + w.y0) * size.width + x + w.x0])
                        << "window " << w.x0 << "," << w.y0 << " step " << largestStep;
        }

    std::vector<TG2Symbol> symbols;
    for (const std::int32_t outside : {32769, -32769})
        EXPECT_THROW(appendSymbols(&outside, 1, symbols), InvalidArgumentException);
}

TEST(Dequantise, IndicesComeBackAtTheMidpointOfTheirInterval) {
    // A non-zero index i of step q decodes to sign(i) ((|i| - 0.44) q + q / 2).
    struct Case {
        std::int32_t index;
        float step, value;
    };
    const std::vector<Case> cases = {
        {1, 2.0f, 2.12f},           {-1, 2.0f, -2.12f},   {0, 2.0f, 0.0f},  {2, 2.0f, 4.12f},
        {-46, 1.5f, -69.09f},       {-45, 1.5f, -67.59f}, {3, 1.5f, 4.59f}, {46, 1.5f, 69.09f},
        {100000, 1.5f, 150000.09f}, {5, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(dequantiseIndex(c.index, c.step), c.value) << c.index << " " << c.step;
        // The table for small indices and the direct path agree.
        float many[1];
        dequantiseIndices(&c.index, many, 1, c.step);
        EXPECT_EQ(many[0], dequantiseIndex(c.index, c.step)) << c.index;
    }
    // The step of a level divides by the level gain 1.5133282 per level and the weight.
    EXPECT_EQ(effectiveStep(2.0f, 0, 1.0), 2.0f);
    EXPECT_FLOAT_EQ(effectiveStep(2.0f, 2, 0.5), 1.74660110f);
    EXPECT_FLOAT_EQ(effectiveStep(3.0f, -1, 1.25), 3.63198773f);  // magnified
}

TEST(Dither, TheFixedTableIsSubtractedStepScaledAtWrappedCoordinates) {
    const float start[] = {-0.164586f, 0.124951f, -0.201814f, 0.185233f};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(kTG2DitherTable[0][i], start[i]);
    // Two rows of three coefficients whose first element sits at subband column 126,
    // row 127, with chunk dither offsets 3 (columns) and 5 (rows).
    std::vector<float> c(6, 1.0f);
    const TG2DitherPlacement placement{126, 127, 3, 5, 1};
    removeDither(c.data(), 3, 2, 2.0f, placement);
    EXPECT_FLOAT_EQ(c[0], 1.0f - 2.0f * kTG2DitherTable[4][1]);
    EXPECT_FLOAT_EQ(c[2], 1.0f - 2.0f * kTG2DitherTable[4][3]);
    EXPECT_FLOAT_EQ(c[3], 1.0f - 2.0f * kTG2DitherTable[5][1]);

    // Whole blocks are dequantised and the dither removed in one pass.
    const std::int32_t indices[] = {1, 0, -1, 2};
    float dithered[4];
    const TG2DitherPlacement block{10, 20, 1, 2, 1};
    dequantiseBlock(indices, dithered, 2, 2, 2.0f, &block);
    EXPECT_FLOAT_EQ(dithered[0], 2.12f - 2.0f * kTG2DitherTable[22][11]);
    EXPECT_FLOAT_EQ(dithered[1], -2.0f * kTG2DitherTable[22][12]);
    EXPECT_FLOAT_EQ(dithered[3], 4.12f - 2.0f * kTG2DitherTable[23][12]);

    const auto threeBands = [&] { removeDither(c.data(), 2, 2, 1.0f, {0, 0, 0, 0, 3}); };
    EXPECT_EQ(thrownText(threeBands), "[4][2019]Error 1 in dth.");
}
