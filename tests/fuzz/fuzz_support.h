#pragma once
// Helpers shared by the fuzz targets: the rule that every refusal is a library
// exception, a cursor that takes small fields off the front of an input, and a
// scratch file for parsers that insist on a real file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/cv_exception.h"
#include "tg3/container/tg3_container.h"
#include "tg3/header/tg3_imageInfo.h"

namespace tovex_fuzz {

// Runs the action; a Corvane::Exception is an accepted refusal of bad input. Any other
// exception escapes, and libFuzzer reports it as a crash.
template <class Action>
void refusedOrDone(Action&& action) {
    try {
        action();
    } catch (const Corvane::Exception&) {
    }
}

// Takes fields off the front of an input; past its end every field reads as 0.
class InputCursor {
  public:
    InputCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::uint16_t u16() {
        const std::uint16_t high = byte();
        return static_cast<std::uint16_t>((high << 8) | byte());
    }
    // Up to count bytes (fewer at the end of the input).
    std::vector<std::uint8_t> bytes(std::size_t count);
    std::size_t remaining() const { return size_ - position_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// The packet of image 0 of the given type, or null when the file has none of that kind.
template <typename T>
T* findImagePacket(Corvane::TG3Container& container, std::uint32_t type) {
    Corvane::PacketHeader key = Corvane::PacketHeader::key(type);
    key.imageNumber = 0;
    Corvane::Packet* packet = nullptr;
    if (container.find(key, packet) != 0) return nullptr;
    return dynamic_cast<T*>(packet);
}

// Coefficient visits of the bit-plane scan over the largest band block of one sub-block
// (area x components x planes). The scan always covers whole blocks, so this is the least
// work that decoding any region of the image can cost.
std::uint64_t tg3SubblockScanCost(const Corvane::TG3ImageInfo& info);
// The same for a TG3 file in memory; 0 when the bytes hold no readable TG3 header.
std::uint64_t tg3SubblockScanCost(const std::uint8_t* data, std::size_t size);
// Files that claim more per sub-block are opened and parsed, but not decoded: one such
// sub-block is a long yet ordinary decode (tens of milliseconds natively, beyond the
// one-second limit per input under the fuzzing instrumentation), not a hang.
inline constexpr std::uint64_t kScanCostBudget = std::uint64_t{1} << 22;

// Writes the bytes to this process's scratch file and returns its path. The file is
// rewritten by every call and removed when the process ends.
const std::string& writeScratchFile(const std::uint8_t* data, std::size_t size);

}  // namespace tovex_fuzz
