#pragma once
// Where the encoder keeps coded planes between coding and writing the planeset: a
// scratch file, appended to as sub-blocks are coded and read back in whatever order
// the planeset asks for. Planes are small and many, so they are gathered in memory
// and reach the file a megabyte at a time.
#include <cstdint>
#include <vector>

#include "encode/encode_scratchFile.h"

namespace Corvane {

class TemporaryPlaneFile {
  public:
    // Raises Exception with message 1:183 when no file can be made.
    TemporaryPlaneFile();

    // Appends `count` bytes and returns the offset they start at.
    std::uint64_t append(const std::uint8_t* bytes, std::size_t count);
    // Reads `count` bytes from `offset` into `out` (resized to fit).
    void read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& out);
    std::uint64_t size() const { return file_.size() + pending_.size(); }

  private:
    void flush();

    ScratchFile file_;
    std::vector<std::uint8_t> pending_;
};

}  // namespace Corvane
