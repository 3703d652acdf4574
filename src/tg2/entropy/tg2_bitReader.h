#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace Corvane {

// For each bit position (0 = least significant) the value of that bit of every
// byte value, so that taking a bit is one table load and no shift.
using BitTables = std::array<std::array<std::uint8_t, 256>, 8>;

constexpr BitTables makeBitTables() {
    BitTables tables{};
    for (int position = 0; position < 8; ++position)
        for (int value = 0; value < 256; ++value)
            tables[static_cast<std::size_t>(position)][static_cast<std::size_t>(value)] =
                static_cast<std::uint8_t>((value >> position) & 1);
    return tables;
}

inline constexpr BitTables kBitTables = makeBitTables();

// Reads coded bits most significant first. A 0xFF followed by 0x00 is a data
// byte 0xFF (the 0x00 is stuffing and is skipped); a 0xFF followed by anything
// else starts a marker, which ends the data, as does the end of the buffer.
// The next byte is fetched as soon as the current one is used up, so that the
// reader's whole position is (next byte offset, current byte, bit position)
// and can be saved and restored between calls.
class BitReader {
  public:
    enum class End : std::uint8_t { None = 0, Marker = 1, EndOfData = 2 };

    // Starts with the byte at data[start].
    BitReader(const std::uint8_t* data, std::size_t size, std::size_t start = 0)
        : m_data(data), m_size(size), m_next(start) {
        loadNextByte();
    }

    // Continues from a saved position.
    BitReader(const std::uint8_t* data, std::size_t size, std::size_t next, std::uint8_t current,
              std::uint8_t bitPosition, End end)
        : m_data(data),
          m_size(size),
          m_next(next),
          m_current(current),
          m_bitPosition(static_cast<std::uint8_t>(bitPosition & 7)),
          m_end(end) {}

    // 0 or 1, or -1 once the data has ended.
    int readBit() {
        if (m_end != End::None) return -1;
        const int bit = kBitTables[m_bitPosition][m_current];
        if (m_bitPosition == 0) {
            loadNextByte();
        } else {
            --m_bitPosition;
        }
        return bit;
    }

    // Offset of the next byte to fetch (stuffing bytes count as consumed).
    std::size_t bytesConsumed() const { return m_next; }
    std::uint8_t currentByte() const { return m_current; }
    std::uint8_t bitPosition() const { return m_bitPosition; }
    End end() const { return m_end; }

  private:
    void loadNextByte() {
        m_bitPosition = 7;
        if (m_next >= m_size) {
            m_end = End::EndOfData;
            return;
        }
        const std::uint8_t byte = m_data[m_next];
        if (byte == 0xFF) {
            if (m_next + 1 >= m_size) {
                m_end = End::EndOfData;
                return;
            }
            if (m_data[m_next + 1] != 0x00) {
                m_end = End::Marker;
                return;
            }
            ++m_next;  // the stuffing byte
        }
        ++m_next;
        m_current = byte;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_next;
    std::uint8_t m_current = 0;
    std::uint8_t m_bitPosition = 7;
    End m_end = End::None;
};

}  // namespace Corvane
