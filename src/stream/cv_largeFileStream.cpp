#include "stream/cv_largeFileStream.h"

#include "stream/cv_fileStream.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

CVLargeFileStream::CVLargeFileStream(const FileSpecification& file, const char* mode) {
    open(file.path().c_str(), mode, 0);
}

CVLargeFileStream::~CVLargeFileStream() {
    close();
}

const char* CVLargeFileStream::name() {
    return path_ ? path_->c_str() : getMessageText(kUnknownName);
}

const char* CVLargeFileStream::modeText() {
    return mode_ ? mode_->c_str() : getMessageText(kUnknownName);
}

bool CVLargeFileStream::close() {
    if (!isOpen_) return true;
    isOpen_ = false;
    return file_->close() == 0;
}

bool CVLargeFileStream::seek(std::int32_t offset, int origin) {
    const auto wide = static_cast<std::int64_t>(offset);
    return seek64(static_cast<std::uint32_t>(wide), static_cast<std::int32_t>(wide >> 32), origin);
}

// Refuses rather than truncate a position of 2^31 or more.
bool CVLargeFileStream::tell(std::uint32_t* position) {
    std::int64_t wide = 0;
    if (!tell64(&wide) || wide >= (std::int64_t{1} << 31)) return false;
    *position = static_cast<std::uint32_t>(wide);
    return true;
}

bool CVLargeFileStream::seek64(std::uint32_t low, std::int32_t high, int origin) {
    if (!isSeekOrigin(origin) || !isOpen_) return false;
    return file_->seek(low, high, origin) == 0;
}

bool CVLargeFileStream::tell64(std::int64_t* position) {
    if (!isOpen_) return false;
    *position = file_->tell();
    return *position >= 0;
}

bool CVLargeFileStream::read(void* buffer, std::uint32_t count) {
    return isOpen_ && file_->read(buffer, count) == count;
}

bool CVLargeFileStream::write(const void* buffer, std::uint32_t count) {
    return isOpen_ && file_->write(buffer, count) == count;
}

bool CVLargeFileStream::open(const char* path, const char* mode, int) {
    if (isOpen_) close();
    if (!path || !mode) return false;
    file_ = std::make_unique<CVRawFile>();
    if (file_->setNames(path, mode) != 0 || file_->openNow() != 0) return false;
    path_ = std::make_unique<std::string>(path);
    mode_ = std::make_unique<std::string>(mode);
    markOpened();
    isOpen_ = true;
    return true;
}

std::unique_ptr<CVStream> CVLargeFileStream::duplicate(const char* mode, int extra) {
    if (!wasOpened() || !path_) return nullptr;
    auto copy = std::make_unique<CVLargeFileStream>();
    if (!copy->open(path_->c_str(), mode ? mode : mode_->c_str(), extra)) return nullptr;
    copy->setByteSwap(byteSwap());
    return copy;
}

bool CVLargeFileStream::reopen(const char* mode, int extra) {
    if (!wasOpened() || !path_) return false;
    close();
    const std::string path = *path_;
    const std::string storedMode = *mode_;
    return open(path.c_str(), mode ? mode : storedMode.c_str(), extra);
}

std::unique_ptr<CVStream> openFileStream(const FileSpecification& file) {
    bool large = false;
    {
        CVLargeFileStream probe(file, "rb");
        std::int64_t size = 0;
        if (!probe.seek64(0, 0, SeekFromEnd) || !probe.tell64(&size))
            throw Exception(kCannotOpenFile);
        large = size >= (std::int64_t{1} << 31);
    }
    std::unique_ptr<CVStream> stream;
    if (large)
        stream = std::make_unique<CVLargeFileStream>();
    else
        stream = std::make_unique<CVFileStream>();
    // A failure to open here is not reported: the reader finds the stream closed.
    stream->open(file.path().c_str(), "rb", 0);
    return stream;
}

}  // namespace Corvane
