#pragma once
// A buffered file stream on C stdio, for files below 2 GiB. Positions are 32-bit:
// 64-bit seeks and tells are refused as in the base interface.
#include <cstdio>
#include <string>

#include "stream/cv_fileSpecification.h"
#include "stream/cv_stream.h"

namespace Corvane {

class CVFileStream : public CVStream {
  public:
    CVFileStream() = default;
    // Opens at once; a failure is not raised, callers test isOpen.
    CVFileStream(const FileSpecification& file, const char* mode);
    ~CVFileStream() override;

    bool isReopenable() override { return true; }
    bool isConcrete() override { return true; }
    const char* name() override;
    const char* modeText() override;
    const char* scheme() override { return "file"; }
    bool close() override;
    bool isOpen() override { return file_ != nullptr; }
    bool flush() override;
    bool canSeek() override { return true; }
    bool seek(std::int32_t offset, int origin) override;
    bool tell(std::uint32_t* position) override;
    bool read(void* buffer, std::uint32_t count) override;
    bool write(const void* buffer, std::uint32_t count) override;
    bool open(const char* path, const char* mode, int extra) override;
    std::unique_ptr<CVStream> duplicate(const char* mode, int extra) override;
    bool reopen(const char* mode, int extra) override;

  private:
    std::unique_ptr<std::string> path_;
    std::unique_ptr<std::string> mode_;
    std::FILE* file_ = nullptr;
};

}  // namespace Corvane
