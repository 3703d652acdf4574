#include "metadata/cv_byteVectorStream.h"

#include <cstring>
#include <limits>
#include <utility>

namespace Corvane {

CVByteVectorStream::CVByteVectorStream() {
    markOpened();
}

CVByteVectorStream::CVByteVectorStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    markOpened();
}

bool CVByteVectorStream::close() {
    open_ = false;
    return true;
}

bool CVByteVectorStream::open(const char*, const char*, int) {
    open_ = true;
    position_ = 0;
    markOpened();
    return true;
}

bool CVByteVectorStream::seekAbsolute(std::int64_t offset, int origin) {
    if (!open_ || !isSeekOrigin(origin)) return false;
    std::int64_t base = 0;
    if (origin == SeekFromCurrent) base = static_cast<std::int64_t>(position_);
    if (origin == SeekFromEnd) base = static_cast<std::int64_t>(bytes_.size());
    if (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) return false;
    const std::int64_t target = base + offset;
    if (target < 0) return false;
    position_ = static_cast<std::uint64_t>(target);
    return true;
}

bool CVByteVectorStream::seek(std::int32_t offset, int origin) {
    return seekAbsolute(offset, origin);
}

bool CVByteVectorStream::seek64(std::uint32_t low, std::int32_t high, int origin) {
    const auto offset = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low);
    return seekAbsolute(offset, origin);
}

bool CVByteVectorStream::tell(std::uint32_t* position) {
    if (!open_ || !position || position_ > std::numeric_limits<std::uint32_t>::max()) return false;
    *position = static_cast<std::uint32_t>(position_);
    return true;
}

bool CVByteVectorStream::tell64(std::int64_t* position) {
    if (!open_ || !position) return false;
    *position = static_cast<std::int64_t>(position_);
    return true;
}

bool CVByteVectorStream::read(void* buffer, std::uint32_t count) {
    if (!open_ || (count > 0 && !buffer)) return false;
    if (position_ > bytes_.size() || bytes_.size() - position_ < count) return false;
    if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return true;
}

bool CVByteVectorStream::write(const void* buffer, std::uint32_t count) {
    if (!open_ || (count > 0 && !buffer)) return false;
    const std::uint64_t end = position_ + count;
    if (end > bytes_.size()) bytes_.resize(end);
    if (count > 0) std::memcpy(bytes_.data() + position_, buffer, count);
    position_ = end;
    return true;
}

std::vector<std::uint8_t> CVByteVectorStream::takeBytes() {
    position_ = 0;
    return std::exchange(bytes_, {});
}

}  // namespace Corvane
