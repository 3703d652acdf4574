#include "mq_bitSerialReference.h"

namespace tovex_test {

using namespace Corvane;

namespace {
constexpr std::uint32_t kHalf = 0x8000;
}

std::uint8_t BitSerialMqDecoder::nextByte() {
    if (consumedAny_) ++position_;
    const bool previousWasFF = consumedAny_ && byte_ == 0xFF;
    consumedAny_ = true;
    if (data_ != nullptr && position_ < length_) return data_[position_];
    position_ = length_;  // stay past the end
    return previousWasFF ? 0x7F : 0xFF;
}

void BitSerialMqDecoder::initialise(const std::uint8_t* data, std::size_t length) {
    data_ = data;
    length_ = length;
    position_ = 0;
    consumedAny_ = false;
    byte_ = 0;

    std::uint32_t b0 = nextByte();
    byte_ = static_cast<std::uint8_t>(b0);
    const std::uint8_t b1 = nextByte();
    byte_ = b1;
    if (b0 < 0xFF) {
        c_ = (b0 << 7) | (static_cast<std::uint32_t>(b1) >> 1);
        mask_ = 1;
    } else {
        // The top bit of the byte after 0xFF is a carry into the 0xFF itself.
        if (b1 >= 0x80) b0 = 0x100;
        c_ = (b0 << 7) | (b1 & 0x7Fu);
        byte_ = nextByte();
        mask_ = 128;
    }
    a_ = kHalf;
    afterFF_ = byte_ == 0xFF;
}

void BitSerialMqDecoder::release() {
    data_ = nullptr;
    length_ = 0;
    position_ = 0;
}

void BitSerialMqDecoder::renormalise() {
    while (a_ < kHalf) {
        a_ <<= 1;
        c_ = (c_ << 1) | ((byte_ & mask_) != 0 ? 1u : 0u);
        mask_ >>= 1;
        if (mask_ == 0) {
            mask_ = 128;
            byte_ = nextByte();
            if (afterFF_) {
                // Carry bit: it belongs to the last bit of the 0xFF just shifted in.
                if ((byte_ & 0x80) != 0) c_ += 1;
                mask_ = 64;
            }
            afterFF_ = byte_ == 0xFF;
        }
    }
}

int BitSerialMqDecoder::decode(int k) {
    MqContext& cx = contexts_[static_cast<std::size_t>(k)];
    const MqState& s = kMqStates[cx.state];
    const std::uint32_t qe = cx.qe;
    int decision;
    a_ -= qe;
    if (c_ >= qe) {
        c_ -= qe;
        if (a_ >= kHalf) return cx.mps;
        if (a_ >= qe) {
            decision = cx.mps;
            cx.set(s.nmps, cx.mps);
        } else {
            decision = 1 - cx.mps;
            cx.set(s.nlps, s.swtch != 0 ? 1 - cx.mps : cx.mps);
        }
    } else {
        const std::uint32_t reduced = a_;
        a_ = qe;
        if (reduced < qe) {
            decision = cx.mps;
            cx.set(s.nmps, cx.mps);
        } else {
            decision = 1 - cx.mps;
            cx.set(s.nlps, s.swtch != 0 ? 1 - cx.mps : cx.mps);
        }
    }
    renormalise();
    return decision;
}

}  // namespace tovex_test
