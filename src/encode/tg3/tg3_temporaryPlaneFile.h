#pragma once
// Where the encoder keeps coded planes between coding and writing the planeset: a file
// in the system's temporary directory, appended to as sub-blocks are coded and read
// back in whatever order the planeset asks for. The file never outlives this object;
// where the system lets an open file be removed, it has no name at all after opening,
// so that not even a killed process leaves it behind.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/cv_fileHandle.h"

namespace Corvane {

class TemporaryPlaneFile {
  public:
    // Throws IOException when no file can be made.
    TemporaryPlaneFile();
    ~TemporaryPlaneFile();
    TemporaryPlaneFile(const TemporaryPlaneFile&) = delete;
    TemporaryPlaneFile& operator=(const TemporaryPlaneFile&) = delete;

    // Appends `count` bytes and returns the offset they start at.
    std::uint64_t append(const std::uint8_t* bytes, std::size_t count);
    // Reads `count` bytes from `offset` into `out` (resized to fit).
    void read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& out);
    std::uint64_t size() const { return size_; }

  private:
    void flush();

    std::string path_;
    bool removed_ = false;
    CVFileHandle file_;
    std::uint64_t size_ = 0;
    bool atEnd_ = true;
    // Small planes are gathered here before they go to the file.
    std::vector<std::uint8_t> pending_;
};

}  // namespace Corvane
