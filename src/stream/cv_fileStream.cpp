#include "stream/cv_fileStream.h"

#include <cstdio>
#include <string>

#include "platform/cv_fileHandle.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

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
    std::FILE* file = openBufferedRegularFile(path, mode);
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
