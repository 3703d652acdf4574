#pragma once
// Packs the coded bits of a sub-block into bytes: the writing half of the bit reader.
// The stuffing that keeps coded data from looking like a marker happens here and
// nowhere else on the encoder's side.
#include <cstdint>
#include <vector>

namespace Corvane {

// Mirror of BitReader: packs bits most significant first and stuffs a 0x00
// after every 0xFF so that coded data never looks like a marker.
class BitWriter {
  public:
    void writeBits(std::uint32_t bits, int count);
    // FF and the marker's second byte, unstuffed; call on a byte boundary.
    void writeMarker(std::uint8_t second);
    // Pads the last byte with one bits, as coded data conventionally is.
    void flush();
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    void emit(std::uint8_t byte);

    std::vector<std::uint8_t> bytes_;
    std::uint32_t pending_ = 0;
    int pendingCount_ = 0;
};

}  // namespace Corvane
