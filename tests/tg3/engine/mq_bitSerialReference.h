#pragma once
// The arithmetic decoder exactly as the format states it: a byte, a bit mask and
// renormalisation one bit at a time. The library's decoder works on whole runs of
// bits; this one is kept in the tests as the reference it must equal.
#include <cstddef>
#include <cstdint>

#include "tg3/engine/tg3_mqStateTable.h"

namespace tovex_test {

using Corvane::MqContextSet;
using Corvane::resetMqContexts;

class BitSerialMqDecoder {
  public:
    BitSerialMqDecoder() { resetMqContexts(contexts_); }

    // Starts decoding the byte range [data, data + length). The contexts keep
    // their states; only the interval and code registers restart.
    void initialise(const std::uint8_t* data, std::size_t length);

    // Decodes one decision in context k (0..18) and adapts the context.
    int decode(int k);

    // Forgets the byte range (the contexts stay).
    void release();

    MqContextSet& contexts() { return contexts_; }
    const MqContextSet& contexts() const { return contexts_; }

    // Register views for inspection of the start-up rules.
    std::uint32_t codeRegister() const { return c_; }
    std::uint32_t interval() const { return a_; }

  private:
    // The byte after the current one: the next byte of the data, or the fill
    // byte once the data are used up (0x7F after a 0xFF, otherwise 0xFF).
    std::uint8_t nextByte();
    void renormalise();

    MqContextSet contexts_;
    std::uint32_t a_ = 0;    // interval, 16 significant bits
    std::uint32_t c_ = 0;    // code register, aligned with the interval
    std::uint8_t byte_ = 0;  // the byte being consumed
    std::uint8_t mask_ = 0;  // the next bit of byte_ to shift in
    bool afterFF_ = false;   // byte_ is 0xFF: the next byte's top bit is a carry
    bool consumedAny_ = false;
    const std::uint8_t* data_ = nullptr;
    std::size_t length_ = 0;
    std::size_t position_ = 0;  // index of byte_ within the data while inside them
};

}  // namespace tovex_test
