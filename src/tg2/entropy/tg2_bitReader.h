#pragma once
// The bit-level reader under the Huffman decoder: it undoes the byte stuffing, stops
// at a marker, and keeps its whole position in three small values so that a partly
// decoded sub-block can be saved and continued by a later strip.
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
        : data_(data), size_(size), next_(start) {
        loadNextByte();
    }

    // Continues from a saved position.
    BitReader(const std::uint8_t* data, std::size_t size, std::size_t next, std::uint8_t current,
              std::uint8_t bitPosition, End end)
        : data_(data),
          size_(size),
          next_(next),
          current_(current),
          bitPosition_(static_cast<std::uint8_t>(bitPosition & 7)),
          end_(end) {}

    // 0 or 1, or -1 once the data has ended.
    int readBit() {
        if (end_ != End::None) return -1;
        const int bit = kBitTables[bitPosition_][current_];
        if (bitPosition_ == 0) {
            loadNextByte();
        } else {
            --bitPosition_;
        }
        return bit;
    }

    // Offset of the next byte to fetch (stuffing bytes count as consumed).
    std::size_t bytesConsumed() const { return next_; }
    std::uint8_t currentByte() const { return current_; }
    std::uint8_t bitPosition() const { return bitPosition_; }
    End end() const { return end_; }

  private:
    void loadNextByte() {
        bitPosition_ = 7;
        if (next_ >= size_) {
            end_ = End::EndOfData;
            return;
        }
        const std::uint8_t byte = data_[next_];
        if (byte == 0xFF) {
            if (next_ + 1 >= size_) {
                end_ = End::EndOfData;
                return;
            }
            if (data_[next_ + 1] != 0x00) {
                end_ = End::Marker;
                return;
            }
            ++next_;  // the stuffing byte
        }
        ++next_;
        current_ = byte;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t next_;
    std::uint8_t current_ = 0;
    std::uint8_t bitPosition_ = 7;
    End end_ = End::None;
};

}  // namespace Corvane
