#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "encode/tg3/tg3_mqEncoder.h"
#include "tg3/engine/tg3_mqDecoder.h"

using namespace Corvane;

namespace {

// The arithmetic decoder exactly as the format states it: a byte, a bit mask and
// renormalisation one bit at a time. The library's decoder works on whole runs of bits;
// this one is the reference it must equal.
struct BitSerialMqDecoder {
    BitSerialMqDecoder() { resetMqContexts(contexts); }

    void initialise(const std::uint8_t* bytes, std::size_t size) {
        data = bytes;
        length = size;
        position = 0;
        consumedAny = false;
        std::uint32_t b0 = byte = nextByte();
        const std::uint8_t b1 = byte = nextByte();
        if (b0 < 0xFF) {
            c = (b0 << 7) | (std::uint32_t{b1} >> 1);
            mask = 1;
        } else {
            if (b1 >= 0x80) b0 = 0x100;  // the top bit after 0xFF is a carry into it
            c = (b0 << 7) | (b1 & 0x7Fu);
            byte = nextByte();
            mask = 128;
        }
        a = 0x8000;
        afterFF = byte == 0xFF;
    }

    int decode(int k) {
        MqContext& cx = contexts[static_cast<std::size_t>(k)];
        const MqState& s = kMqStates[cx.state];
        const std::uint32_t qe = cx.qe;
        a -= qe;
        bool mps;
        if (c >= qe) {
            c -= qe;
            if (a >= 0x8000) return cx.mps;
            mps = a >= qe;
        } else {
            mps = a < qe;  // conditional exchange
            a = qe;
        }
        const int decision = mps ? cx.mps : 1 - cx.mps;
        if (mps)
            cx.set(s.nmps, cx.mps);
        else
            cx.set(s.nlps, s.swtch != 0 ? 1 - cx.mps : cx.mps);
        while (a < 0x8000) {
            a <<= 1;
            c = (c << 1) | ((byte & mask) != 0 ? 1u : 0u);
            if ((mask >>= 1) == 0) {
                mask = 128;
                byte = nextByte();
                if (afterFF) {
                    // Carry bit: it belongs to the last bit of the 0xFF just shifted in.
                    if ((byte & 0x80) != 0) c += 1;
                    mask = 64;
                }
                afterFF = byte == 0xFF;
            }
        }
        return decision;
    }

    // The next byte of the data, or the fill byte once they are used up (0x7F after a
    // 0xFF, otherwise 0xFF).
    std::uint8_t nextByte() {
        const bool previousWasFF = consumedAny && byte == 0xFF;
        if (consumedAny) ++position;
        consumedAny = true;
        if (position < length) return data[position];
        position = length;
        return previousWasFF ? 0x7F : 0xFF;
    }

    MqContextSet contexts;
    std::uint32_t a = 0, c = 0;  // interval and code register
    std::uint8_t byte = 0, mask = 0;
    bool afterFF = false, consumedAny = false;
    const std::uint8_t* data = nullptr;
    std::size_t length = 0, position = 0;
};

// Published test sequence of this arithmetic coder: one context starting in state 0 with
// MPS 0.
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

}  // namespace

TEST(MqCoder, PublishedVectorBothWaysAndFixedStartStates) {
    // Decoded with and without the two terminating bytes.
    for (std::size_t length : {kCodedVector.size(), kCodedVector.size() - 2}) {
        MqDecoder decoder;
        decoder.contexts()[1].set(0, 0);
        decoder.initialise(kCodedVector.data(), length);
        std::vector<int> bits;
        for (int i = 0; i < 256; ++i) bits.push_back(decoder.decode(1));
        EXPECT_EQ(bits, decisionBits()) << length;
    }
    MqEncoder encoder;
    encoder.contexts()[1].set(0, 0);
    for (int bit : decisionBits()) encoder.encode(1, bit);
    EXPECT_EQ(encoder.flush(),
              std::vector<std::uint8_t>(kCodedVector.begin(), kCodedVector.end() - 2));

    const MqDecoder fresh;
    const MqContextSet& cx = fresh.contexts();
    EXPECT_EQ((std::vector<int>{cx[0].qe, cx[1].qe, cx[16].qe, cx[17].qe, cx[18].state}),
              (std::vector<int>{0x0521, 0x5601, 0x5601, 0x0AC1, 46}));
    EXPECT_EQ(kMqStates[45].qe, 0x0001);
    EXPECT_EQ(kMqStates[45].nlps, 43);
}

TEST(MqDecoder, EqualsTheBitSerialRuleOnAnyBytes) {
    // Arbitrary bytes, rich in 0xFF and in bytes just above and below 0x80, so that
    // carries, the fill after the end and code registers beyond the interval (which no
    // encoder writes) all occur. Every decision and both registers must equal the
    // reference's after every step.
    std::mt19937 rng(20261206);
    const std::uint8_t favourites[] = {0xFF, 0x7F, 0x80, 0x00, 0xFE};
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<std::uint8_t> bytes(rng() % 40);
        for (std::uint8_t& b : bytes)
            b = rng() % 3 == 0 ? favourites[rng() % 5] : static_cast<std::uint8_t>(rng());
        // Two leading 0xFF bytes take the start-up rule's own path for the third.
        if (trial % 8 == 0 && bytes.size() >= 2) bytes[0] = bytes[1] = 0xFF;
        MqDecoder fast;
        BitSerialMqDecoder reference;
        for (int plane = 0; plane < 2; ++plane) {  // the contexts carry over
            fast.initialise(bytes.data(), bytes.size());
            reference.initialise(bytes.data(), bytes.size());
            ASSERT_EQ(fast.codeRegister(), reference.c) << "trial " << trial;
            for (int i = 0; i < 600; ++i) {
                const int k = static_cast<int>(rng() % kMqContextCount);
                ASSERT_EQ(fast.decode(k), reference.decode(k))
                    << "trial " << trial << " plane " << plane << " decision " << i;
                ASSERT_EQ(fast.interval(), reference.a);
                ASSERT_EQ(fast.codeRegister(), reference.c);
            }
            fast.release();
        }
    }
}
