#include "stream/cv_SubStream.h"

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

CVSubStream::CVSubStream(CVStream* parent, std::int64_t start, std::int64_t end)
    : parent_(parent), start_(start), end_(end) {
    open(nullptr, nullptr, 0);
}

const char* CVSubStream::name() {
    return getMessageText(kUnknownName);
}

const char* CVSubStream::modeText() {
    return getMessageText(kUnknownName);
}

bool CVSubStream::seekParent(std::int64_t offset, int origin) {
    if (parent_->canSeek64()) return parent_->seekTo(offset, origin);
    return parent_->seek(static_cast<std::int32_t>(offset), origin);
}

bool CVSubStream::seek(std::int32_t offset, int origin) {
    const auto wide = static_cast<std::int64_t>(offset);
    return seek64(static_cast<std::uint32_t>(wide), static_cast<std::int32_t>(wide >> 32), origin);
}

bool CVSubStream::tell(std::uint32_t* position) {
    const std::int64_t parent = parentPosition();
    if (parent < 0) return false;
    const std::int64_t local = parent - start_;
    if (local < 0 || local > 0x7FFFFFFF) return false;
    *position = static_cast<std::uint32_t>(local);
    return true;
}

bool CVSubStream::seek64(std::uint32_t low, std::int32_t high, int origin) {
    const auto offset = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low);
    std::int64_t target;
    switch (origin) {
        case SeekFromStart:
            target = start_ + offset;
            break;
        case SeekFromEnd:
            target = end_ + offset;
            break;
        case SeekFromCurrent: {
            const std::int64_t current = parentPosition();
            if (current < 0) return false;
            target = current + offset;
            break;
        }
        default:
            return false;
    }
    if (target < start_ || target > end_) return false;
    if (origin == SeekFromCurrent) return seekParent(offset, SeekFromCurrent);
    return seekParent(target, SeekFromStart);
}

bool CVSubStream::tell64(std::int64_t* position) {
    const std::int64_t parent = parentPosition();
    if (parent < 0) return false;
    *position = parent - start_;
    return *position >= 0;
}

// A read that would cross the window's end is refused whole.
bool CVSubStream::read(void* buffer, std::uint32_t count) {
    const std::int64_t current = parentPosition();
    if (current < 0 || current + count > end_) return false;
    return parent_->read(buffer, count);
}

bool CVSubStream::write(const void*, std::uint32_t) {
    throw UnimplementedException("cv_SubStream", 233);
}

bool CVSubStream::open(const char*, const char*, int) {
    markOpened();
    return seekParent(start_, SeekFromStart);
}

std::unique_ptr<CVStream> CVSubStream::duplicate(const char*, int) {
    if (!wasOpened()) return nullptr;
    auto copy = std::make_unique<CVSubStream>(parent_, start_, end_);
    if (!copy->open(nullptr, nullptr, 0)) return nullptr;
    copy->setByteSwap(byteSwap());
    return copy;
}

}  // namespace Corvane
