#include "encode/tg3/tg3_mqEncoder.h"

namespace Corvane {

MqEncoder::MqEncoder() {
    resetMqContexts(contexts_);
    restart();
}

void MqEncoder::restart() {
    a_ = 0x8000;
    c_ = 0;
    ct_ = 12;
    bytes_.assign(1, 0);
}

void MqEncoder::encode(int k, int decision) {
    MqContext& cx = contexts_[static_cast<std::size_t>(k)];
    if (decision == cx.mps)
        codeMps(cx);
    else
        codeLps(cx);
}

void MqEncoder::codeMps(MqContext& cx) {
    const std::uint32_t qe = cx.qe;
    a_ -= qe;
    if ((a_ & 0x8000) == 0) {
        // Conditional exchange: when the MPS part became the smaller one it
        // takes the lower sub-interval.
        if (a_ < qe)
            a_ = qe;
        else
            c_ += qe;
        cx.set(kMqStates[cx.state].nmps, cx.mps);
        renormalise();
    } else {
        c_ += qe;
    }
}

void MqEncoder::codeLps(MqContext& cx) {
    const std::uint32_t qe = cx.qe;
    const MqState& s = kMqStates[cx.state];
    a_ -= qe;
    if (a_ < qe)
        c_ += qe;
    else
        a_ = qe;
    cx.set(s.nlps, s.swtch != 0 ? 1 - cx.mps : cx.mps);
    renormalise();
}

void MqEncoder::renormalise() {
    do {
        a_ <<= 1;
        c_ <<= 1;
        if (--ct_ == 0) byteOut();
    } while ((a_ & 0x8000) == 0);
}

void MqEncoder::byteOut() {
    std::uint8_t& last = bytes_.back();
    if (last != 0xFF && (c_ & 0x8000000) != 0) {
        // Propagate the carry into the previous byte.
        ++last;
        c_ &= 0x7FFFFFF;
    }
    if (bytes_.back() == 0xFF) {
        // After 0xFF only seven bits go out: the top bit stays free for a carry.
        bytes_.push_back(static_cast<std::uint8_t>(c_ >> 20));
        c_ &= 0xFFFFF;
        ct_ = 7;
    } else {
        bytes_.push_back(static_cast<std::uint8_t>(c_ >> 19));
        c_ &= 0x7FFFF;
        ct_ = 8;
    }
}

std::vector<std::uint8_t> MqEncoder::flush() {
    // Choose the value in the final interval with as many one-bits as possible,
    // since the decoder reads ones past the end.
    const std::uint32_t top = c_ + a_;
    c_ |= 0xFFFF;
    if (c_ >= top) c_ -= 0x8000;
    c_ <<= ct_;
    byteOut();
    c_ <<= ct_;
    byteOut();
    std::vector<std::uint8_t> out(bytes_.begin() + 1, bytes_.end());
    if (!out.empty() && out.back() == 0xFF) out.pop_back();
    restart();
    return out;
}

}  // namespace Corvane
