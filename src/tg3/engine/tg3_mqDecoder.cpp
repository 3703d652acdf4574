#include "tg3/engine/tg3_mqDecoder.h"

namespace Corvane {

void MqDecoder::initialise(const std::uint8_t* data, std::size_t length) {
    next_ = data;
    end_ = data == nullptr ? data : data + length;
    // An empty plane starts from the fill alone, as if the byte before it was not
    // 0xFF.
    last_ = 0;
    carryNext_ = false;
    c_ = 0;
    // The first byte goes wholly into the compared part and the second right below
    // it (one place higher after 0xFF, so that its top bit is the carry into the
    // first); seven of its bits are shifted in. The compared part is then
    // b0 << 7 | b1 >> 1, or (b0 + carry) << 7 | (b1 & 0x7F) after 0xFF.
    takeByte();
    c_ <<= 8;
    takeByte();
    c_ <<= 7;
    bitsLeft_ -= 7;
    if (bitsLeft_ == 0) {
        // After a first byte 0xFF the third byte is taken at once, and whole: the
        // start-up rule gives it no carry even when the second byte is 0xFF.
        carryNext_ = false;
        takeByte();
    }
    a_ = kHalf;
}

void MqDecoder::release() {
    next_ = nullptr;
    end_ = nullptr;
}

}  // namespace Corvane
