#pragma once
// A read-only window of another stream, from start up to end, whose positions
// count from the window's start. The parent is not owned and must outlive it.
#include <cstdint>

#include "stream/cv_stream.h"

namespace Corvane {

class CVSubStream : public CVStream {
  public:
    CVSubStream(CVStream* parent, std::int64_t start, std::int64_t end);

    bool isReopenable() override { return true; }
    bool isConcrete() override { return true; }
    const char* name() override;
    const char* modeText() override;
    const char* scheme() override { return "file"; }
    bool close() override { return true; }
    bool isOpen() override { return parent_->isOpen(); }
    bool flush() override { return parent_->flush(); }
    bool canSeek() override { return true; }
    bool seek(std::int32_t offset, int origin) override;
    bool tell(std::uint32_t* position) override;
    bool canSeek64() override { return true; }
    bool seek64(std::uint32_t low, std::int32_t high, int origin) override;
    bool tell64(std::int64_t* position) override;
    bool read(void* buffer, std::uint32_t count) override;
    bool write(const void* buffer, std::uint32_t count) override;
    bool open(const char* path, const char* mode, int extra) override;
    std::unique_ptr<CVStream> duplicate(const char* mode, int extra) override;

    std::int64_t windowStart() const { return start_; }
    std::int64_t windowEnd() const { return end_; }

  private:
    // The parent's position, by its 64-bit tell when it has one; -1 on failure.
    std::int64_t parentPosition() { return parent_->position(); }
    // Seeks the parent by offset from origin with the widest seek it offers.
    bool seekParent(std::int64_t offset, int origin);

    CVStream* parent_;
    std::int64_t start_;
    std::int64_t end_;
};

}  // namespace Corvane
