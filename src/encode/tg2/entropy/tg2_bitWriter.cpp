#include "encode/tg2/entropy/tg2_bitWriter.h"

namespace Corvane {

void BitWriter::emit(std::uint8_t byte) {
    bytes_.push_back(byte);
    if (byte == 0xFF) bytes_.push_back(0x00);
}

void BitWriter::writeMarker(std::uint8_t second) {
    bytes_.push_back(0xFF);
    bytes_.push_back(second);
}

void BitWriter::writeBits(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
        pending_ = (pending_ << 1) | ((bits >> i) & 1u);
        if (++pendingCount_ == 8) {
            emit(static_cast<std::uint8_t>(pending_));
            pending_ = 0;
            pendingCount_ = 0;
        }
    }
}

void BitWriter::flush() {
    if (pendingCount_ > 0) writeBits(0xFFu, 8 - pendingCount_);
}

}  // namespace Corvane
