#include <gtest/gtest.h>

#include "common/thrown_text.h"
#include "support/cv_exception.h"
#include "tg2/entropy/tg2_bitReader.h"
#include "tg2/entropy/tg2_decodingTree.h"

using namespace Corvane;

TEST(CanonicalCodes, AssignedInJpegOrderAndRefusedWhenInconsistent) {
    // Lengths: two of 2 bits, three of 3 bits, one of 4 bits, two of 5 bits.
    HTDesc desc;
    desc.lengthCounts[1] = 2;
    desc.lengthCounts[2] = 3;
    desc.lengthCounts[3] = 1;
    desc.lengthCounts[4] = 2;
    desc.symbols = {0, 107, 181, 101, 105, 106, 3, 255};
    const auto codes = canonicalCodes(desc);
    ASSERT_EQ(codes.size(), 8u);
    // 00 01 | 100 101 110 | 1110 | 11110 11111
    const std::uint16_t expected[] = {0b00, 0b01, 0b100, 0b101, 0b110, 0b1110, 0b11110, 0b11111};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(codes[i].bits, expected[i]) << i;
        EXPECT_EQ(codes[i].symbol, desc.symbols[i]) << i;
    }
    EXPECT_EQ(codes[7].length, 5);

    desc.symbols.pop_back();
    EXPECT_TRUE(canonicalCodes(desc).empty());
    HTDesc overfull;
    overfull.lengthCounts[0] = 3;  // only two one-bit codes exist
    overfull.symbols = {1, 2, 3};
    EXPECT_TRUE(canonicalCodes(overfull).empty());
}

TEST(DecodingTree, UnreachedBranchesAreMarkedAndCrowdedTablesRefused) {
    HTDesc single;
    single.lengthCounts[1] = 1;  // the single code 00: branches 01 and 1 are unused
    single.symbols = {42};
    DecodingTree tree;
    ASSERT_TRUE(tree.build(single));
    EXPECT_EQ(tree.follow(0, 1), DecodingTree::unreachedEntry);
    const std::uint16_t inner = tree.follow(0, 0);
    EXPECT_EQ(tree.follow(inner, 0), 42 + DecodingTree::leafBase);
    EXPECT_EQ(tree.follow(inner, 1), DecodingTree::unreachedEntry);

    // A valid prefix code, but 127 codes of 14 bits and 127 of 15 bits need more than
    // 256 inner nodes.
    HTDesc crowded;
    crowded.lengthCounts[13] = 127;
    crowded.lengthCounts[14] = 127;
    crowded.lengthCounts[15] = 2;
    for (int s = 0; s < 256; ++s) crowded.symbols.push_back(static_cast<std::uint8_t>(s));
    ASSERT_FALSE(canonicalCodes(crowded).empty());
    EXPECT_FALSE(tree.build(crowded));
    EXPECT_EQ(tovex_test::thrownText([&] { DecodingTree::fromDescription(crowded); }),
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
    EXPECT_EQ(reader.readBit(), -1);
}
