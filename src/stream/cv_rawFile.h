#pragma once
// The unbuffered file under the large-file stream, on the platform's file handle with
// 64-bit positions. Results follow the library's convention: 0 for success, 1 for
// failure.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/cv_fileHandle.h"

namespace Corvane {

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
    bool isOpen() const { return file_.isOpen(); }
    std::unique_ptr<CVRawFile> duplicate() const;

  private:
    enum LastOperation { None = 0, Read = 1, Write = 2 };

    CVFileHandle file_;
    bool atEnd_ = false;
    std::string path_;
    std::string mode_;
    LastOperation last_ = None;
};

}  // namespace Corvane
