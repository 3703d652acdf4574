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

// Decodes `count` decisions in a fresh context (state 0, MPS 0) from `bytes`.
std::vector<int> decodeAll(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    MqDecoder decoder;
    decoder.initialise(bytes.data(), bytes.size());
    std::vector<int> bits;
    for (std::size_t i = 0; i < count; ++i) bits.push_back(decoder.decode(1));
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

TEST(MqDecoder, FillAfterEndAlternatesFFand7F) {
    // Data ending in 0x12 must decode like the same data followed by
    // 0xFF 0x7F 0xFF 0x7F ...; data ending in 0xFF like 0x7F 0xFF 0x7F ...
    // A long run of decisions forces the decoder deep into the fill.
    struct Case {
        std::vector<std::uint8_t> data;
        std::vector<std::uint8_t> explicitFill;
    };
    const Case cases[] = {
        {{0x12}, {0x12, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F}},
        {{0x5A, 0x12}, {0x5A, 0x12, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F}},
        {{0x5A, 0xFF}, {0x5A, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF}},
        {{0xFF}, {0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF}},
        {{}, {0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F}},
    };
    for (const Case& c : cases) {
        // Forty decisions in a state-0 context consume far fewer bytes than the
        // explicit list holds, yet well past the given data.
        EXPECT_EQ(decodeAll(c.data, 40), decodeAll(c.explicitFill, 40))
            << "data of " << c.data.size() << " bytes";
    }
    // The cases above must be sensitive to the fill at all: zeros after the
    // data decode differently.
    EXPECT_NE(decodeAll({0x12}, 40), decodeAll({0x12, 0x00, 0x00, 0x00, 0x00}, 40));
}

TEST(MqDecoder, FirstTwoBytesLoadTheCodeRegister) {
    struct Case {
        std::vector<std::uint8_t> data;
        std::uint32_t code;
    };
    const Case cases[] = {
        {{0x84, 0xC7}, (0x84u << 7) | (0xC7u >> 1)},
        // After a leading 0xFF the second byte's top bit is a carry into it.
        {{0xFF, 0x85, 0x00}, (256u << 7) | 0x05u},
        {{0xFF, 0x05, 0x00}, (0xFFu << 7) | 0x05u},
        // No data at all: the fill supplies 0xFF then 0x7F.
        {{}, (0xFFu << 7) | 0x7Fu},
    };
    for (const Case& c : cases) {
        MqDecoder decoder;
        decoder.initialise(c.data.data(), c.data.size());
        EXPECT_EQ(decoder.codeRegister(), c.code) << "first byte of " << c.data.size();
        EXPECT_EQ(decoder.interval(), 0x8000u);
    }
}

TEST(MqCoder, RandomDecisionsRoundTripOverSeveralContexts) {
    std::mt19937 rng(20261205);
    for (int trial = 0; trial < 200; ++trial) {
        const int count = 1 + static_cast<int>(rng() % 3000);
        // Skewed sources per context so states wander over the whole table.
        std::vector<int> contextOf(static_cast<std::size_t>(count));
        std::vector<int> decisions(static_cast<std::size_t>(count));
        const unsigned skew = rng() % 100;
        for (int i = 0; i < count; ++i) {
            const int k = static_cast<int>(rng() % kMqContextCount);
            contextOf[static_cast<std::size_t>(i)] = k;
            const unsigned threshold = (skew * static_cast<unsigned>(k + 1)) % 100;
            decisions[static_cast<std::size_t>(i)] = (rng() % 100) < threshold ? 1 : 0;
        }
        // Two planes in a row: contexts carry over, registers restart.
        MqEncoder encoder;
        std::vector<std::vector<std::uint8_t>> planes;
        for (int plane = 0; plane < 2; ++plane) {
            for (int i = 0; i < count; ++i)
                encoder.encode(contextOf[static_cast<std::size_t>(i)],
                               decisions[static_cast<std::size_t>(i)] ^ plane);
            planes.push_back(encoder.flush());
        }
        MqDecoder decoder;
        for (int plane = 0; plane < 2; ++plane) {
            const auto& bytes = planes[static_cast<std::size_t>(plane)];
            decoder.initialise(bytes.data(), bytes.size());
            for (int i = 0; i < count; ++i) {
                const int expected = decisions[static_cast<std::size_t>(i)] ^ plane;
                ASSERT_EQ(decoder.decode(contextOf[static_cast<std::size_t>(i)]), expected)
                    << "trial " << trial << " plane " << plane << " decision " << i;
            }
            decoder.release();
        }
    }
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
