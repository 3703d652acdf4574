#include "encode/tg2/entropy/tg2_bitWriter.h"

namespace Corvane {

void BitWriter::emit(std::uint8_t byte) {
    m_bytes.push_back(byte);
    if (byte == 0xFF) m_bytes.push_back(0x00);
}

void BitWriter::writeMarker(std::uint8_t second) {
    m_bytes.push_back(0xFF);
    m_bytes.push_back(second);
}

void BitWriter::writeBits(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
        m_pending = (m_pending << 1) | ((bits >> i) & 1u);
        if (++m_pendingCount == 8) {
            emit(static_cast<std::uint8_t>(m_pending));
            m_pending = 0;
            m_pendingCount = 0;
        }
    }
}

void BitWriter::flush() {
    if (m_pendingCount > 0) writeBits(0xFFu, 8 - m_pendingCount);
}

}  // namespace Corvane
