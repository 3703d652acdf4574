#include "tg3/container/tg3_kernelStream.h"

#include <cstring>
#include <limits>

#include "stream/cv_stream.h"
#include "support/cv_status.h"

namespace Corvane {

CVKernelStream::CVKernelStream(CVStream& stream) : stream_(stream) {}

CVKernelStream::CVKernelStream(std::unique_ptr<CVStream> owned)
    : owned_(std::move(owned)), stream_(*owned_) {}

CVKernelStream::~CVKernelStream() = default;

std::unique_ptr<KernelStream> CVKernelStream::duplicate() {
    std::unique_ptr<CVStream> copy = stream_.duplicate(nullptr, 0);
    if (!copy || !copy->isOpen()) return nullptr;
    return std::make_unique<CVKernelStream>(std::move(copy));
}

std::uint32_t CVKernelStream::read(void* buffer, std::uint32_t count) {
    return stream_.read(buffer, count) ? count : 0;
}

std::uint32_t CVKernelStream::write(const void* buffer, std::uint32_t count) {
    return stream_.write(buffer, count) ? count : 0;
}

int CVKernelStream::seek(std::int64_t offset, int origin) {
    if (stream_.canSeek64()) {
        return stream_.seek64(static_cast<std::uint32_t>(offset),
                              static_cast<std::int32_t>(offset >> 32), origin)
                   ? 0
                   : 1;
    }
    if (offset < std::numeric_limits<std::int32_t>::min() ||
        offset > std::numeric_limits<std::int32_t>::max()) {
        return 1;
    }
    return stream_.seek(static_cast<std::int32_t>(offset), origin) ? 0 : 1;
}

std::int64_t CVKernelStream::tell() {
    // Streams without 64-bit positioning refuse the 64-bit tell by raising, so it is only
    // asked of streams that offer it.
    std::int64_t position64 = 0;
    if (stream_.canSeek64() && stream_.tell64(&position64)) return position64;
    std::uint32_t position32 = 0;
    if (stream_.tell(&position32)) return static_cast<std::int32_t>(position32);
    return -1;
}

std::uint32_t MemoryKernelStream::read(void* buffer, std::uint32_t count) {
    const auto size = static_cast<std::int64_t>(bytes_.size());
    if (position_ > size || size - position_ < count) return 0;
    if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

std::uint32_t MemoryKernelStream::write(const void* buffer, std::uint32_t count) {
    const auto end = static_cast<std::size_t>(position_) + count;
    if (end > bytes_.size()) bytes_.resize(end);
    if (count > 0) std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

int MemoryKernelStream::seek(std::int64_t offset, int origin) {
    std::int64_t base = 0;
    if (origin == 2) {
        base = position_;
    } else if (origin == 3) {
        base = static_cast<std::int64_t>(bytes_.size());
    } else if (origin != 1) {
        return 1;
    }
    if ((offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) ||
        base + offset < 0) {
        return 1;
    }
    position_ = base + offset;
    return 0;
}

namespace {

template <typename T>
std::int32_t readBigEndian(KernelStream& stream, T& value) {
    std::uint8_t bytes[sizeof(T)];
    if (stream.read(bytes, sizeof(T)) != sizeof(T)) return TG3Status::readFailed;
    T result = 0;
    for (std::uint8_t byte : bytes) result = static_cast<T>((result << 8) | byte);
    value = result;
    return TG3Status::ok;
}

template <typename T>
std::int32_t writeBigEndian(KernelStream& stream, T value) {
    std::uint8_t bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * (sizeof(T) - 1 - i)));
    }
    return stream.write(bytes, sizeof(T)) == sizeof(T) ? TG3Status::ok : TG3Status::writeFailed;
}

}  // namespace

std::int32_t readU8(KernelStream& stream, std::uint8_t& value) {
    return readBigEndian(stream, value);
}
std::int32_t readU16(KernelStream& stream, std::uint16_t& value) {
    return readBigEndian(stream, value);
}
std::int32_t readU32(KernelStream& stream, std::uint32_t& value) {
    return readBigEndian(stream, value);
}
std::int32_t readU64(KernelStream& stream, std::uint64_t& value) {
    return readBigEndian(stream, value);
}
std::int32_t writeU8(KernelStream& stream, std::uint8_t value) {
    return writeBigEndian(stream, value);
}
std::int32_t writeU16(KernelStream& stream, std::uint16_t value) {
    return writeBigEndian(stream, value);
}
std::int32_t writeU32(KernelStream& stream, std::uint32_t value) {
    return writeBigEndian(stream, value);
}
std::int32_t writeU64(KernelStream& stream, std::uint64_t value) {
    return writeBigEndian(stream, value);
}

std::int32_t writeBytes(KernelStream& stream, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<std::uint32_t>(
            std::min<std::size_t>(bytes.size() - done, std::numeric_limits<std::uint32_t>::max()));
        if (stream.write(bytes.data() + done, chunk) != chunk) return TG3Status::writeFailed;
        done += chunk;
    }
    return TG3Status::ok;
}

std::int64_t bytesRemaining(KernelStream& stream) {
    const std::int64_t here = stream.tell();
    if (here < 0 || stream.seek(0, 3) != 0) return -1;
    const std::int64_t end = stream.tell();
    if (stream.seek(here, 1) != 0 || end < 0) return -1;
    return end > here ? end - here : 0;
}

}  // namespace Corvane
