#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "encode/tg3/tg3_mqEncoder.h"
#include "mq_bitSerialReference.h"
#include "tg3/engine/tg3_mqDecoder.h"

using namespace Corvane;

namespace {

// Published test sequence of this arithmetic coder: one context starting in
// state 0 with MPS 0.
const std::vector<std::uint8_t> kCodedVector = {
    0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20, 0x00, 0x00, 0x41, 0x0D, 0xBB,
    0x86, 0xF4, 0x31, 0x7F, 0xFF, 0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF, 0xFF, 0xAC};
const std::vector<std::uint8_t> kDecisionBytes = {
    0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87, 0x2A, 0xAA, 0xAA, 0xAA, 0xAA,
    0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7, 0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF};

std::vector<int> decisionBits() {
    std::vector<int> bits;
    for (std::uint8_t byte : kDecisionBytes)
        for (int i = 7; i >= 0; --i) bits.push_back((byte >> i) & 1);
    return bits;
}

std::vector<int> decodeVector(std::size_t length) {
    MqDecoder decoder;
    decoder.contexts()[1].set(0, 0);
    decoder.initialise(kCodedVector.data(), length);
    std::vector<int> bits;
    for (int i = 0; i < 256; ++i) bits.push_back(decoder.decode(1));
    return bits;
}

}  // namespace

TEST(MqDecoder, DecodesPublishedVectorWithAndWithoutTerminatingBytes) {
    EXPECT_EQ(decodeVector(kCodedVector.size()), decisionBits());
    EXPECT_EQ(decodeVector(kCodedVector.size() - 2), decisionBits());
}

TEST(MqEncoder, ReproducesPublishedVectorBytes) {
    MqEncoder encoder;
    encoder.contexts()[1].set(0, 0);
    for (int bit : decisionBits()) encoder.encode(1, bit);
    const std::vector<std::uint8_t> expected(kCodedVector.begin(), kCodedVector.end() - 2);
    EXPECT_EQ(encoder.flush(), expected);
}

TEST(MqCoder, ContextsStartInTheirFixedStates) {
    MqDecoder decoder;
    const auto& cx = decoder.contexts();
    EXPECT_EQ(cx[0].qe, 0x0521);
    EXPECT_EQ(cx[1].qe, 0x5601);
    EXPECT_EQ(cx[16].qe, 0x5601);
    EXPECT_EQ(cx[17].qe, 0x0AC1);
    EXPECT_EQ(cx[18].state, 46);
    EXPECT_EQ(kMqStates[45].qe, 0x0001);
    EXPECT_EQ(kMqStates[45].nlps, 43);
}

TEST(MqDecoder, EqualsTheBitSerialRuleOnAnyBytes) {
    // Arbitrary bytes, rich in 0xFF and in bytes just above and below 0x80, so that
    // carries, the fill after the end and code registers beyond the interval (which
    // no encoder writes) all occur. Every decision, the interval and the code
    // register must equal the reference's after every step.
    std::mt19937 rng(20261206);
    const std::uint8_t favourites[] = {0xFF, 0x7F, 0x80, 0x00, 0xFE};
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<std::uint8_t> bytes(rng() % 40);
        for (std::uint8_t& b : bytes)
            b = rng() % 3 == 0 ? favourites[rng() % 5] : static_cast<std::uint8_t>(rng());
        // Two leading 0xFF bytes take the start-up rule's own path for the third.
        if (trial % 8 == 0 && bytes.size() >= 2) bytes[0] = bytes[1] = 0xFF;
        MqDecoder fast;
        tovex_test::BitSerialMqDecoder reference;
        for (int plane = 0; plane < 2; ++plane) {
            fast.initialise(bytes.data(), bytes.size());
            reference.initialise(bytes.data(), bytes.size());
            ASSERT_EQ(fast.codeRegister(), reference.codeRegister()) << "trial " << trial;
            for (int i = 0; i < 600; ++i) {
                const int k = static_cast<int>(rng() % kMqContextCount);
                ASSERT_EQ(fast.decode(k), reference.decode(k))
                    << "trial " << trial << " plane " << plane << " decision " << i;
                ASSERT_EQ(fast.interval(), reference.interval());
                ASSERT_EQ(fast.codeRegister(), reference.codeRegister());
            }
            fast.release();
            reference.release();
        }
    }
}
