#pragma once
// The byte stream that the TG3 kernel reads and writes through, reporting failures as
// statuses rather than exceptions: adapters over the library's streams and over
// memory, and the big-endian integer reads and writes built on them.
#include <cstdint>
#include <memory>
#include <vector>

namespace Corvane {

class CVStream;

// The byte stream that every reader and writer of the TG3 kernel works on.
// Origins: 1 = from the start, 2 = from the current position, 3 = from the end.
class KernelStream {
  public:
    virtual ~KernelStream() = default;
    // Returns count when all bytes were transferred, else 0.
    virtual std::uint32_t read(void* buffer, std::uint32_t count) = 0;
    virtual std::uint32_t write(const void* buffer, std::uint32_t count) = 0;
    // 0 on success, 1 on failure.
    virtual int seek(std::int64_t offset, int origin) = 0;
    // The current position, or -1 when it cannot be taken.
    virtual std::int64_t tell() = 0;
    // An independent stream over the same bytes, so that one reader's seeks do not move
    // another's position; null when the stream cannot be duplicated.
    virtual std::unique_ptr<KernelStream> duplicate() { return nullptr; }
};

// The kernel stream over a library byte stream (not owned).
class CVKernelStream : public KernelStream {
  public:
    explicit CVKernelStream(CVStream& stream);
    // Over a stream that this kernel stream owns.
    explicit CVKernelStream(std::unique_ptr<CVStream> owned);
    ~CVKernelStream() override;
    std::uint32_t read(void* buffer, std::uint32_t count) override;
    std::uint32_t write(const void* buffer, std::uint32_t count) override;
    int seek(std::int64_t offset, int origin) override;
    std::int64_t tell() override;
    // Over a duplicate of the library stream (same file, own position).
    std::unique_ptr<KernelStream> duplicate() override;

  private:
    std::unique_ptr<CVStream> owned_;
    CVStream& stream_;
};

// A kernel stream over bytes in memory; writers use it to assemble files and packets.
// Seeking past the end is allowed (like a file); reads there fail.
class MemoryKernelStream : public KernelStream {
  public:
    MemoryKernelStream() = default;
    explicit MemoryKernelStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint32_t read(void* buffer, std::uint32_t count) override;
    std::uint32_t write(const void* buffer, std::uint32_t count) override;
    int seek(std::int64_t offset, int origin) override;
    std::int64_t tell() override { return position_; }
    std::unique_ptr<KernelStream> duplicate() override {
        return std::make_unique<MemoryKernelStream>(bytes_);
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};

// Big-endian integer reads and writes; each returns a status (2001 / 2002 on failure).
std::int32_t readU8(KernelStream& stream, std::uint8_t& value);
std::int32_t readU16(KernelStream& stream, std::uint16_t& value);
std::int32_t readU32(KernelStream& stream, std::uint32_t& value);
std::int32_t readU64(KernelStream& stream, std::uint64_t& value);
std::int32_t writeU8(KernelStream& stream, std::uint8_t value);
std::int32_t writeU16(KernelStream& stream, std::uint16_t value);
std::int32_t writeU32(KernelStream& stream, std::uint32_t value);
std::int32_t writeU64(KernelStream& stream, std::uint64_t value);
std::int32_t writeBytes(KernelStream& stream, const std::vector<std::uint8_t>& bytes);

// Number of bytes from the current position to the end of the stream, the position left
// unchanged; -1 when the stream cannot tell. Readers use it to refuse lengths that the
// file cannot hold before they allocate.
std::int64_t bytesRemaining(KernelStream& stream);

}  // namespace Corvane
