#pragma once
// A seekable stream over bytes held in memory. Writers use it to collect the bytes
// of a block; readers and tests use it to read such bytes back.
#include <cstdint>
#include <vector>

#include "stream/cv_stream.h"

namespace Corvane {

class CVByteVectorStream : public CVStream {
  public:
    CVByteVectorStream();
    explicit CVByteVectorStream(std::vector<std::uint8_t> bytes);

    const char* scheme() override { return "memory"; }
    bool close() override;
    bool isOpen() override { return open_; }
    bool canSeek() override { return true; }
    bool seek(std::int32_t offset, int origin) override;
    bool tell(std::uint32_t* position) override;
    bool canSeek64() override { return true; }
    bool seek64(std::uint32_t low, std::int32_t high, int origin) override;
    bool tell64(std::int64_t* position) override;
    // Reads all count bytes or nothing.
    bool read(void* buffer, std::uint32_t count) override;
    bool write(const void* buffer, std::uint32_t count) override;
    // Reopens the bytes already held; path and mode are not used.
    bool open(const char* path, const char* mode, int extra) override;

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> takeBytes();

  private:
    bool seekAbsolute(std::int64_t offset, int origin);

    std::vector<std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
    bool open_ = true;
};

}  // namespace Corvane
