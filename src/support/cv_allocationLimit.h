#pragma once
// The largest single block of memory the reader takes for anything a file describes.
// Sizes in a file are only claims: a header of a few bytes can ask for an image of
// 65535 x 65535 sub-blocks or 65535 components. Every allocation whose size follows
// from such claims is checked here first, so a hostile file is refused with an
// out-of-memory exception (or status) instead of exhausting the machine.
#include <cstdint>

namespace Corvane {

constexpr std::uint64_t kMaxAllocationBytes = std::uint64_t{256} << 20;

// True when count elements of elementBytes each fit in one allocation within the cap.
constexpr bool allocationFits(std::uint64_t count, std::uint64_t elementBytes) {
    return elementBytes == 0 || count <= kMaxAllocationBytes / elementBytes;
}

// Raises OutOfMemoryException when the allocation would not fit.
void requireAllocation(std::uint64_t count, std::uint64_t elementBytes);

}  // namespace Corvane
