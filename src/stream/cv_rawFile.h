#pragma once
// The unbuffered file under the large-file stream, on POSIX descriptors with 64-bit
// offsets. Results follow the library's convention: 0 for success, 1 for failure.
#include <cstdint>
#include <memory>
#include <string>

namespace Corvane {

// open(2) for the library's file streams. Every reader seeks, so only regular files
// are kept; the open itself does not block, because a FIFO without a writer would
// otherwise hang there. Returns the descriptor, or -1 with errno set (EISDIR for a
// directory, ESPIPE for any other file that is not regular).
int openRegularFile(const char* path, int flags);

class CVRawFile {
  public:
    CVRawFile() = default;
    CVRawFile(const CVRawFile&) = delete;
    CVRawFile& operator=(const CVRawFile&) = delete;
    ~CVRawFile();

    // Closes first, then keeps copies of both; clears end-of-file.
    int setNames(const char* path, const char* mode);
    int openNow();
    int close();
    // The number of bytes moved; 0 on failure.
    std::uint32_t read(void* buffer, std::uint32_t count);
    std::uint32_t write(const void* buffer, std::uint32_t count);
    int seek(std::uint32_t low, std::int32_t high, int origin);
    std::int64_t tell();
    bool isAtEnd() const { return atEnd_; }
    bool isOpen() const { return descriptor_ >= 0; }
    std::unique_ptr<CVRawFile> duplicate() const;

  private:
    enum LastOperation { None = 0, Read = 1, Write = 2 };

    int descriptor_ = -1;
    bool atEnd_ = false;
    std::string path_;
    std::string mode_;
    LastOperation last_ = None;
};

}  // namespace Corvane
