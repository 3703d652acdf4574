#pragma once
// A file in the system's temporary directory for what an encoder produces before it
// knows where it goes in the output: coded blocks, or coefficients it reads several
// times. Memory then holds offsets only. The name is given up as soon as the file is
// open (the system keeps the open file), and again when the object goes, so that no
// way out of the encoder leaves a file behind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/cv_fileHandle.h"

namespace Corvane {

class ScratchFile {
  public:
    // Raises Exception with message 1:183 when no file can be made.
    ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();

    // Bytes from the start to the furthest byte written.
    std::uint64_t size() const { return size_; }
    // Writes at the end; returns where the bytes start.
    std::uint64_t append(const void* bytes, std::size_t count);
    // Writes or reads `count` bytes at `offset`; IOException when they do not move.
    void write(std::uint64_t offset, const void* bytes, std::size_t count);
    void read(std::uint64_t offset, void* bytes, std::size_t count);

  private:
    void seek(std::uint64_t offset, std::int32_t operation);

    CVFileHandle file_;
    std::string path_;
    bool named_ = false;
    std::uint64_t size_ = 0;
};

}  // namespace Corvane
