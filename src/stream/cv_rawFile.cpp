#include "stream/cv_rawFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "stream/cv_stream.h"

namespace Corvane {

int openRegularFile(const char* path, int flags) {
    const int descriptor = ::open(path, flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0) return -1;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int reason = S_ISDIR(status.st_mode) ? EISDIR : ESPIPE;
        ::close(descriptor);
        errno = reason;
        return -1;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

CVRawFile::~CVRawFile() {
    close();
}

int CVRawFile::setNames(const char* path, const char* mode) {
    close();
    path_ = path ? path : "";
    mode_ = mode ? mode : "";
    atEnd_ = false;
    return 0;
}

int CVRawFile::openNow() {
    atEnd_ = false;
    const bool plus = mode_.find('+') != std::string::npos;
    int flags;
    if (mode_.find('r') != std::string::npos)
        flags = plus ? O_RDWR : O_RDONLY;
    else if (mode_.find('w') != std::string::npos)
        flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    else
        return 1;
    close();
    descriptor_ = openRegularFile(path_.c_str(), flags);
    last_ = None;
    return descriptor_ >= 0 ? 0 : 1;
}

int CVRawFile::close() {
    if (descriptor_ < 0) return 0;
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return ::close(descriptor) == 0 ? 0 : 1;
}

// A read that follows a write (or a write that follows a read) first re-establishes
// the position, as buffered platforms require; for descriptors it is harmless.
std::uint32_t CVRawFile::read(void* buffer, std::uint32_t count) {
    if (descriptor_ < 0) return 0;
    if (last_ != Read) {
        ::lseek(descriptor_, 0, SEEK_CUR);
        last_ = Read;
    }
    std::uint32_t done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(descriptor_, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::uint32_t>(n);
    }
    if (done < count) atEnd_ = true;
    return done;
}

std::uint32_t CVRawFile::write(const void* buffer, std::uint32_t count) {
    if (descriptor_ < 0) return 0;
    if (last_ != Write) {
        ::lseek(descriptor_, 0, SEEK_CUR);
        last_ = Write;
    }
    atEnd_ = false;
    std::uint32_t done = 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(descriptor_, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::uint32_t>(n);
    }
    return done;
}

int CVRawFile::seek(std::uint32_t low, std::int32_t high, int origin) {
    static constexpr int kWhence[] = {0, SEEK_SET, SEEK_CUR, SEEK_END};
    last_ = None;
    atEnd_ = false;
    if (descriptor_ < 0 || !isSeekOrigin(origin)) return 1;
    const auto offset = static_cast<off_t>(static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low));
    return ::lseek(descriptor_, offset, kWhence[origin]) < 0 ? 1 : 0;
}

std::int64_t CVRawFile::tell() {
    if (descriptor_ < 0) return -1;
    return static_cast<std::int64_t>(::lseek(descriptor_, 0, SEEK_CUR));
}

std::unique_ptr<CVRawFile> CVRawFile::duplicate() const {
    auto copy = std::make_unique<CVRawFile>();
    copy->setNames(path_.c_str(), mode_.c_str());
    if (copy->openNow() != 0) return nullptr;
    return copy;
}

}  // namespace Corvane
