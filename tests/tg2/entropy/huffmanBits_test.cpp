#include <gtest/gtest.h>

#include <map>
#include <random>

#include "encode/tg2/entropy/tg2_bitWriter.h"
#include "tg2/entropy/tg2_bitReader.h"
#include "tg2/entropy/tg2_decodingTree.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

HTDesc sampleDesc() {
    // lengths: two of 2 bits, three of 3 bits, one of 4 bits, two of 5 bits
    HTDesc desc;
    desc.lengthCounts[1] = 2;
    desc.lengthCounts[2] = 3;
    desc.lengthCounts[3] = 1;
    desc.lengthCounts[4] = 2;
    desc.symbols = {0, 107, 181, 101, 105, 106, 3, 255};
    return desc;
}

int decodeSymbol(const DecodingTree& tree, BitReader& reader) {
    std::uint16_t node = 0;
    for (;;) {
        const int bit = reader.readBit();
        if (bit < 0) return -1;
        const std::uint16_t entry = tree.follow(node, bit);
        if (entry == DecodingTree::unreachedEntry) return -2;
        if (entry >= DecodingTree::leafBase) return entry - DecodingTree::leafBase;
        node = entry;
    }
}

}  // namespace

TEST(CanonicalCodes, AssignedInJpegOrder) {
    const auto codes = canonicalCodes(sampleDesc());
    ASSERT_EQ(codes.size(), 8u);
    // 00 01 | 100 101 110 | 1110 | 11110 11111
    const std::uint16_t expected[] = {0b00, 0b01, 0b100, 0b101, 0b110, 0b1110, 0b11110, 0b11111};
    for (std::size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(codes[i].bits, expected[i]) << i;
    EXPECT_EQ(codes[7].length, 5);
    EXPECT_EQ(codes[7].symbol, 255);
}

TEST(CanonicalCodes, InconsistentDescriptionGivesNothing) {
    HTDesc tooFewSymbols = sampleDesc();
    tooFewSymbols.symbols.pop_back();
    EXPECT_TRUE(canonicalCodes(tooFewSymbols).empty());
    HTDesc overfull;
    overfull.lengthCounts[0] = 3;  // only two one-bit codes exist
    overfull.symbols = {1, 2, 3};
    EXPECT_TRUE(canonicalCodes(overfull).empty());
}

TEST(DecodingTree, RoundTripOfRandomSymbolsWithStuffing) {
    const HTDesc desc = sampleDesc();
    const auto codes = canonicalCodes(desc);
    DecodingTree tree;
    ASSERT_TRUE(tree.build(desc));

    std::mt19937 rng(7);
    std::vector<int> sent;
    BitWriter writer;
    for (int i = 0; i < 5000; ++i) {
        // favour the all-ones codes so that 0xFF bytes and stuffing occur
        const std::size_t pick = (rng() % 3 == 0) ? 7 : rng() % codes.size();
        writer.writeBits(codes[pick].bits, codes[pick].length);
        sent.push_back(codes[pick].symbol);
    }
    writer.flush();
    const auto& bytes = writer.bytes();
    bool sawStuffing = false;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF) {
            EXPECT_EQ(bytes[i + 1], 0x00);
            sawStuffing = true;
        }
    EXPECT_TRUE(sawStuffing);

    BitReader reader(bytes.data(), bytes.size());
    for (std::size_t i = 0; i < sent.size(); ++i)
        ASSERT_EQ(decodeSymbol(tree, reader), sent[i]) << i;
}

TEST(DecodingTree, UnreachedBranchIsMarked) {
    HTDesc desc;
    desc.lengthCounts[1] = 1;  // single code 00: branches 01 and 1 are unused
    desc.symbols = {42};
    DecodingTree tree;
    ASSERT_TRUE(tree.build(desc));
    EXPECT_EQ(tree.follow(0, 1), DecodingTree::unreachedEntry);
    const std::uint16_t inner = tree.follow(0, 0);
    EXPECT_EQ(tree.follow(inner, 0), 42 + DecodingTree::leafBase);
    EXPECT_EQ(tree.follow(inner, 1), DecodingTree::unreachedEntry);
}

TEST(BitReader, MarkerEndsTheData) {
    const std::uint8_t data[] = {0xA5, 0xFF, 0x00, 0x81, 0xFF, 0xD9, 0x12};
    BitReader reader(data, sizeof data);
    std::uint32_t value = 0;
    // The FF of FF D9 belongs to the marker, not to the data.
    for (int i = 0; i < 24; ++i) {
        const int bit = reader.readBit();
        ASSERT_GE(bit, 0) << i;
        value = (value << 1) | static_cast<std::uint32_t>(bit);
    }
    EXPECT_EQ(value, 0xA5FF81u);
    EXPECT_EQ(reader.end(), BitReader::End::Marker);
    EXPECT_EQ(reader.readBit(), -1);
    EXPECT_EQ(reader.readBit(), -1);
}

TEST(DecodingTree, TableNeedingTooManyNodesIsRefused) {
    // A valid prefix code, but 127 codes of 14 bits and 127 of 15 bits need
    // more than 256 inner nodes.
    HTDesc crowded;
    crowded.lengthCounts[13] = 127;
    crowded.lengthCounts[14] = 127;
    crowded.lengthCounts[15] = 2;
    for (int s = 0; s < 256; ++s) crowded.symbols.push_back(static_cast<std::uint8_t>(s));
    DecodingTree tree;
    ASSERT_FALSE(canonicalCodes(crowded).empty());
    EXPECT_FALSE(tree.build(crowded));
    try {
        DecodingTree::fromDescription(crowded);
        FAIL() << "no exception";
    } catch (const DataFormatException& e) {
        EXPECT_STREQ(e.what(),
                     "[4][2205]Invalid data format. [4][2013]Error decompressing Tovex "
                     "file. Possible file corruption.");
    }
}
