#include "stream/cv_fileStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "stream/cv_rawFile.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

// The open(2) flags of a stdio mode: r, w or a, with + and b in any order after it.
int openFlagsOf(const char* mode) {
    const std::string text(mode);
    const bool plus = text.find('+') != std::string::npos;
    switch (text.empty() ? '\0' : text[0]) {
        case 'r':
            return plus ? O_RDWR : O_RDONLY;
        case 'w':
            return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        case 'a':
            return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        default:
            return -1;
    }
}

// fopen, without blocking on a FIFO and for regular files only.
std::FILE* openRegularStdioFile(const char* path, const char* mode) {
    const int flags = openFlagsOf(mode);
    if (flags < 0) return nullptr;
    const int descriptor = openRegularFile(path, flags);
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, mode);
    if (!file) ::close(descriptor);
    return file;
}

}  // namespace

CVFileStream::CVFileStream(const FileSpecification& file, const char* mode) {
    open(file.path().c_str(), mode, 0);
}

CVFileStream::~CVFileStream() {
    close();
}

const char* CVFileStream::name() {
    return path_ ? path_->c_str() : getMessageText(kUnknownName);
}

const char* CVFileStream::modeText() {
    return mode_ ? mode_->c_str() : getMessageText(kUnknownName);
}

bool CVFileStream::close() {
    if (!file_) return true;
    std::FILE* file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
}

bool CVFileStream::flush() {
    return file_ && std::fflush(file_) == 0;
}

bool CVFileStream::seek(std::int32_t offset, int origin) {
    static constexpr int kWhence[] = {0, SEEK_SET, SEEK_CUR, SEEK_END};
    if (!file_ || !isSeekOrigin(origin)) return false;
    return std::fseek(file_, offset, kWhence[origin]) == 0;
}

bool CVFileStream::tell(std::uint32_t* position) {
    if (!file_) return false;
    const long value = std::ftell(file_);
    if (value < 0 || static_cast<std::uint32_t>(value) == 0xFFFFFFFFu) return false;
    *position = static_cast<std::uint32_t>(value);
    return true;
}

bool CVFileStream::read(void* buffer, std::uint32_t count) {
    if (!file_) return false;
    return std::fread(buffer, 1, count, file_) == count;
}

bool CVFileStream::write(const void* buffer, std::uint32_t count) {
    if (!file_) return false;
    return std::fwrite(buffer, 1, count, file_) == count;
}

bool CVFileStream::open(const char* path, const char* mode, int) {
    if (isOpen() && !close()) return false;
    if (!path || !mode) return false;
    std::FILE* file = openRegularStdioFile(path, mode);
    if (!file) return false;
    file_ = file;
    path_ = std::make_unique<std::string>(path);
    mode_ = std::make_unique<std::string>(mode);
    markOpened();
    return true;
}

std::unique_ptr<CVStream> CVFileStream::duplicate(const char* mode, int extra) {
    if (!wasOpened() || !path_) return nullptr;
    auto copy = std::make_unique<CVFileStream>();
    if (!copy->open(path_->c_str(), mode ? mode : mode_->c_str(), extra)) return nullptr;
    copy->setByteSwap(byteSwap());
    return copy;
}

bool CVFileStream::reopen(const char* mode, int extra) {
    if (!wasOpened() || !path_) return false;
    close();
    const std::string path = *path_;
    const std::string storedMode = *mode_;
    return open(path.c_str(), mode ? mode : storedMode.c_str(), extra);
}

}  // namespace Corvane
