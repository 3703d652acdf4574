#pragma once
// An unbuffered file handle with 64-bit positions, and the buffered open that the
// library's file streams use. The raw file of the large-file stream is built on the
// handle; each platform folder implements both with its own system calls.
#include <cstdint>
#include <cstdio>

namespace Corvane {

struct FileHandleMode {
    bool read = false;
    bool write = false;
    // Creates the file, or empties an existing one; otherwise the file must exist.
    bool createAlways = false;
    // Creates the file and fails when one of that name exists, so that two processes
    // never share a file each believes its own.
    bool createNew = false;
};

class CVFileHandle {
  public:
    CVFileHandle() = default;
    CVFileHandle(const CVFileHandle&) = delete;
    CVFileHandle& operator=(const CVFileHandle&) = delete;
    ~CVFileHandle() { close(); }

    // Closes any open file first; false when the file cannot be opened.
    bool open(const char* path, FileHandleMode mode);
    // True when nothing was open or the system closed the file.
    bool close();
    bool isOpen() const { return handle_ != kClosed; }
    // The number of bytes moved; fewer than asked at the end of the file or on failure.
    std::uint32_t read(void* buffer, std::uint32_t count);
    std::uint32_t write(const void* buffer, std::uint32_t count);
    // The offset is the 64-bit value high:low; origins 1 start, 2 current, 3 end.
    bool seek(std::uint32_t low, std::int32_t high, int origin);
    // The current position, or -1 on failure.
    std::int64_t tell();

  private:
    static constexpr std::intptr_t kClosed = -1;
    // A descriptor or a system handle, whichever the platform hands out.
    std::intptr_t handle_ = kClosed;
};

// The runtime's buffered open of a regular file; null on failure.
std::FILE* openBufferedRegularFile(const char* path, const char* mode);

}  // namespace Corvane
