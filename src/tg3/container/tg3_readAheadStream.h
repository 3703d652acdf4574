#pragma once
// A read-only kernel stream that reads ahead in large blocks from another one. Walks
// that read a few bytes and skip the rest (the length records of a planeset between
// the planes they describe) then cost one read of the file per block, not a seek
// and a read per record.
#include <cstdint>
#include <vector>

#include "tg3/container/tg3_kernelStream.h"

namespace Corvane {

class ReadAheadKernelStream : public KernelStream {
  public:
    // Reads from `source` (not owned) from its current position on.
    explicit ReadAheadKernelStream(KernelStream& source, std::uint32_t blockSize = 65536);
    // Leaves the source at the position this stream has reached.
    ~ReadAheadKernelStream() override;

    std::uint32_t read(void* buffer, std::uint32_t count) override;
    std::uint32_t write(const void*, std::uint32_t) override { return 0; }
    int seek(std::int64_t offset, int origin) override;
    std::int64_t tell() override { return position_; }

  private:
    // Fills the block with bytes from `position`; false when none can be read.
    bool fill(std::int64_t position);

    KernelStream& source_;
    std::uint32_t blockSize_;
    std::vector<std::uint8_t> block_;
    std::int64_t blockStart_ = 0;  // file position of block_[0]
    std::int64_t position_ = 0;
};

}  // namespace Corvane
