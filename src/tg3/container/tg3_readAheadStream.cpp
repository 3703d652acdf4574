#include "tg3/container/tg3_readAheadStream.h"

#include <algorithm>
#include <cstring>

namespace Corvane {

ReadAheadKernelStream::ReadAheadKernelStream(KernelStream& source, std::uint32_t blockSize)
    : source_(source), blockSize_(std::max<std::uint32_t>(blockSize, 1)) {
    position_ = source_.tell();
    blockStart_ = position_;
}

ReadAheadKernelStream::~ReadAheadKernelStream() {
    if (position_ >= 0) source_.seek(position_, 1);
}

bool ReadAheadKernelStream::fill(std::int64_t position) {
    block_.clear();
    blockStart_ = position;
    if (position < 0 || source_.seek(position, 1) != 0) return false;
    block_.resize(blockSize_);
    // The source reads all or nothing: near the end of the file ask for less.
    std::uint32_t count = blockSize_;
    while (count > 0 && source_.read(block_.data(), count) != count) {
        if (source_.seek(position, 1) != 0) count = 0;
        count /= 2;
    }
    block_.resize(count);
    return count > 0;
}

std::uint32_t ReadAheadKernelStream::read(void* buffer, std::uint32_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        const std::int64_t offset = position_ + done - blockStart_;
        if (offset < 0 || offset >= static_cast<std::int64_t>(block_.size())) {
            if (!fill(position_ + done)) return 0;
            continue;
        }
        const auto available = static_cast<std::uint32_t>(std::min<std::int64_t>(
            static_cast<std::int64_t>(block_.size()) - offset, count - done));
        std::memcpy(out + done, block_.data() + offset, available);
        done += available;
    }
    position_ += count;
    return count;
}

int ReadAheadKernelStream::seek(std::int64_t offset, int origin) {
    std::int64_t target = 0;
    switch (origin) {
        case 1:
            target = offset;
            break;
        case 2:
            target = position_ + offset;
            break;
        case 3:
            if (source_.seek(offset, 3) != 0) return 1;
            target = source_.tell();
            break;
        default:
            return 1;
    }
    if (target < 0) return 1;
    position_ = target;
    return 0;
}

}  // namespace Corvane
