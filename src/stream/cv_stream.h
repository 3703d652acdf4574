#pragma once
// The byte-stream interface every reader of the library reads through: seekable,
// readable and writable, with a byte-swap flag for the typed reads. The virtual
// functions are declared in their slot order.
#include <cstdint>
#include <memory>

namespace Corvane {

enum SeekOrigin : int { SeekFromStart = 1, SeekFromCurrent = 2, SeekFromEnd = 3 };

class CVStream {
  public:
    CVStream() = default;
    CVStream(const CVStream&) = delete;
    CVStream& operator=(const CVStream&) = delete;

    virtual ~CVStream() = default;                                             // 0
    virtual bool isReopenable() { return false; }                              // 1
    virtual bool isConcrete() { return false; }                                // 2
    virtual int reserved() { return 0; }                                       // 3
    virtual const char* name() { return "unknown"; }                           // 4
    virtual const char* modeText() { return ""; }                              // 5
    virtual const char* scheme() { return "unknown"; }                         // 6
    virtual bool close() = 0;                                                  // 7
    virtual bool isOpen() = 0;                                                 // 8
    virtual bool flush() { return true; }                                      // 9
    virtual bool canSeek() { return false; }                                   // 10
    virtual bool seek(std::int32_t offset, int origin);                        // 11
    virtual bool tell(std::uint32_t* position);                                // 12
    virtual bool canSeek64() { return false; }                                 // 13
    virtual bool seek64(std::uint32_t low, std::int32_t high, int origin);     // 14
    virtual bool tell64(std::int64_t* position);                               // 15
    virtual bool read(void* buffer, std::uint32_t count) = 0;                  // 16
    virtual bool write(const void* buffer, std::uint32_t count) = 0;           // 17
    virtual bool open(const char* path, const char* mode, int extra) = 0;      // 18
    virtual std::unique_ptr<CVStream> duplicate(const char* mode, int extra);  // 19
    virtual bool reopen(const char* mode, int extra);                          // 20

    // A 64-bit seek given as one signed offset.
    bool seekTo(std::int64_t offset, int origin = SeekFromStart) {
        return seek64(static_cast<std::uint32_t>(offset), static_cast<std::int32_t>(offset >> 32),
                      origin);
    }
    // The position through the widest tell the stream offers; -1 on failure.
    std::int64_t position();

    bool byteSwap() const { return byteSwap_; }
    void setByteSwap(bool swap) { byteSwap_ = swap; }
    bool wasOpened() const { return opened_; }

  protected:
    void markOpened() { opened_ = true; }

  private:
    bool opened_ = false;
    bool byteSwap_ = false;
    [[maybe_unused]] std::int32_t reservedWord_ = -1;
};

// True when origin is one of the three seek origins.
inline bool isSeekOrigin(int origin) {
    return origin >= SeekFromStart && origin <= SeekFromEnd;
}

}  // namespace Corvane
