#include "platform/cv_fileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace Corvane {
namespace {

// open(2) for the library's file streams. Every reader seeks, so only regular files
// are kept; the open itself does not block, because a FIFO without a writer would
// otherwise hang there. Returns the descriptor, or -1 with errno set (EISDIR for a
// directory, ESPIPE for any other file that is not regular).
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

// Reads or writes until `count` bytes have moved, the file ends or an error other than
// an interrupted call stops it; the bytes moved.
template <class Bytes, class Transfer>
std::uint32_t transferAll(int descriptor, Bytes* bytes, std::uint32_t count, Transfer transfer) {
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t n = transfer(descriptor, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::uint32_t>(n);
    }
    return done;
}

}  // namespace

bool CVFileHandle::open(const char* path, FileHandleMode mode) {
    close();
    if (!mode.read && !mode.write) return false;
    int flags = mode.read && mode.write ? O_RDWR : mode.write ? O_WRONLY : O_RDONLY;
    if (mode.createAlways) flags |= O_CREAT | O_TRUNC;
    if (mode.createNew) flags |= O_CREAT | O_EXCL;
    const int descriptor = openRegularFile(path, flags);
    if (descriptor < 0) return false;
    handle_ = descriptor;
    return true;
}

bool CVFileHandle::close() {
    if (handle_ == kClosed) return true;
    const int descriptor = static_cast<int>(handle_);
    handle_ = kClosed;
    return ::close(descriptor) == 0;
}

std::uint32_t CVFileHandle::read(void* buffer, std::uint32_t count) {
    if (handle_ == kClosed) return 0;
    return transferAll(static_cast<int>(handle_), static_cast<unsigned char*>(buffer), count,
                       ::read);
}

std::uint32_t CVFileHandle::write(const void* buffer, std::uint32_t count) {
    if (handle_ == kClosed) return 0;
    return transferAll(static_cast<int>(handle_), static_cast<const unsigned char*>(buffer), count,
                       ::write);
}

bool CVFileHandle::seek(std::uint32_t low, std::int32_t high, int origin) {
    static constexpr int kWhence[] = {0, SEEK_SET, SEEK_CUR, SEEK_END};
    if (handle_ == kClosed || origin < 1 || origin > 3) return false;
    const auto offset = static_cast<off_t>(static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low));
    return ::lseek(static_cast<int>(handle_), offset, kWhence[origin]) >= 0;
}

std::int64_t CVFileHandle::tell() {
    if (handle_ == kClosed) return -1;
    return static_cast<std::int64_t>(::lseek(static_cast<int>(handle_), 0, SEEK_CUR));
}

// fopen, without blocking on a FIFO and for regular files only.
std::FILE* openBufferedRegularFile(const char* path, const char* mode) {
    const int flags = openFlagsOf(mode);
    if (flags < 0) return nullptr;
    const int descriptor = openRegularFile(path, flags);
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, mode);
    if (!file) ::close(descriptor);
    return file;
}

}  // namespace Corvane
