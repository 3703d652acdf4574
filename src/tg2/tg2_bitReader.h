#pragma once

#include <cstddef>
#include <cstdint>

namespace Corvane {

// Reads coded bits most significant first. A 0x00 after 0xFF is stuffing and
// is skipped; any other byte after 0xFF is a marker and ends the data, as does
// the end of the buffer.
class BitReader {
  public:
    BitReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // 0 or 1, or -1 once the data has ended.
    int readBit() {
        if (m_bitsLeft == 0 && !loadByte()) return -1;
        --m_bitsLeft;
        return (m_current >> m_bitsLeft) & 1;
    }

    std::size_t bytesConsumed() const { return m_next; }

  private:
    bool loadByte() {
        if (m_ended || m_next >= m_size) return false;
        if (m_previousWasFF) {
            if (m_data[m_next] != 0x00) {
                m_ended = true;
                return false;
            }
            ++m_next;
            if (m_next >= m_size) return false;
        }
        m_current = m_data[m_next++];
        m_previousWasFF = (m_current == 0xFF);
        m_bitsLeft = 8;
        return true;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_next = 0;
    std::uint8_t m_current = 0;
    int m_bitsLeft = 0;
    bool m_previousWasFF = false;
    bool m_ended = false;
};

}  // namespace Corvane
