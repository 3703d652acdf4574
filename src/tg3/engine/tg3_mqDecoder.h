#pragma once
// Binary arithmetic decoder for the coded bit planes. Past the end of a plane it is
// fed the bytes 0xFF and 0x7F alternately (all one-bits after the stuffing rule), so
// reading beyond the data never fails.
//
// The format describes renormalisation bit by bit, with a byte and a bit mask. This
// decoder keeps the bits still to come in the low part of a wide code register and
// shifts whole runs at once; a byte after 0xFF is added one place higher, which puts
// its top bit exactly where the bit-serial rule adds its carry. Every decision equals
// the bit-serial one for any byte string.
#include <bit>
#include <cstddef>
#include <cstdint>

#include "tg3/engine/tg3_mqStateTable.h"

namespace Corvane {

class MqDecoder {
  public:
    MqDecoder() { resetMqContexts(contexts_); }

    // Starts decoding the byte range [data, data + length). The contexts keep
    // their states; only the interval and code registers restart.
    void initialise(const std::uint8_t* data, std::size_t length);

    // Decodes one decision in context k (0..18) and adapts the context. Forced
    // inline: it is the innermost call of the plane scan.
    [[gnu::always_inline]] int decode(int k) {
        MqContext& cx = contexts_[static_cast<std::size_t>(k)];
        const std::uint32_t qe = cx.qe;
        a_ -= qe;
        if (compared() >= qe) {
            c_ -= std::uint64_t{qe} << kShift;
            if (a_ >= kHalf) return cx.mps;
            return a_ >= qe ? keepMps(cx) : takeLps(cx);
        }
        const bool mps = a_ < qe;
        a_ = qe;
        return mps ? keepMps(cx) : takeLps(cx);
    }

    // Forgets the byte range (the contexts stay).
    void release();

    MqContextSet& contexts() { return contexts_; }
    const MqContextSet& contexts() const { return contexts_; }

    // Register views for inspection of the start-up rules: the code register as the
    // bit-serial rule holds it, aligned with the interval.
    std::uint32_t codeRegister() const { return compared(); }
    std::uint32_t interval() const { return a_; }

  private:
    static constexpr std::uint32_t kHalf = 0x8000;
    // The code register holds the part compared with the interval above bit kShift and
    // up to 16 bits still to come below it.
    static constexpr int kShift = 16;

    std::uint32_t compared() const { return static_cast<std::uint32_t>(c_ >> kShift); }

    int keepMps(MqContext& cx) {
        const int decision = cx.mps;
        cx.set(kMqStates[cx.state].nmps, decision);
        renormalise();
        return decision;
    }

    int takeLps(MqContext& cx) {
        const MqState& s = kMqStates[cx.state];
        const int decision = 1 - cx.mps;
        cx.set(s.nlps, s.swtch != 0 ? decision : cx.mps);
        renormalise();
        return decision;
    }

    void renormalise() {
        // a_ is below kHalf and above 0 here: shift until its top bit is set. A byte
        // is taken in as soon as the bits to come run out, as the bit-serial rule
        // does, so that a carry is in the register before the next comparison.
        int shift = std::countl_zero(a_) - 16;
        while (shift >= bitsLeft_) {
            a_ <<= bitsLeft_;
            c_ <<= bitsLeft_;
            shift -= bitsLeft_;
            takeByte();
        }
        a_ <<= shift;
        c_ <<= shift;
        bitsLeft_ -= shift;
    }

    // Adds the next byte (or the fill past the end) right below the compared part.
    // After 0xFF it goes one place higher: its top bit is a carry into the 0xFF.
    void takeByte() {
        if (next_ < end_) {
            last_ = *next_++;
        } else {
            last_ = last_ == 0xFF ? 0x7F : 0xFF;
        }
        if (carryNext_) {
            c_ += std::uint64_t{last_} << (kShift - 7);
            bitsLeft_ = 7;
        } else {
            c_ += std::uint64_t{last_} << (kShift - 8);
            bitsLeft_ = 8;
        }
        carryNext_ = last_ == 0xFF;
    }

    MqContextSet contexts_;
    std::uint32_t a_ = 0;     // interval, 16 significant bits
    std::uint64_t c_ = 0;     // code register, see kShift
    int bitsLeft_ = 0;        // bits below the compared part not yet shifted in
    std::uint32_t last_ = 0;  // the byte taken last
    bool carryNext_ = false;  // the next byte's top bit is a carry
    const std::uint8_t* next_ = nullptr;
    const std::uint8_t* end_ = nullptr;
};

}  // namespace Corvane
