#pragma once
// A file stream for files of 2 GiB and more: unbuffered, with 64-bit positions.
#include <memory>
#include <string>

#include "stream/cv_fileSpecification.h"
#include "stream/cv_rawFile.h"
#include "stream/cv_stream.h"

namespace Corvane {

class CVLargeFileStream : public CVStream {
  public:
    CVLargeFileStream() = default;
    // Opens at once; a failure is not raised, callers test isOpen.
    CVLargeFileStream(const FileSpecification& file, const char* mode);
    ~CVLargeFileStream() override;

    bool isReopenable() override { return true; }
    bool isConcrete() override { return true; }
    const char* name() override;
    const char* modeText() override;
    const char* scheme() override { return "file"; }
    bool close() override;
    bool isOpen() override { return isOpen_; }
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
    bool reopen(const char* mode, int extra) override;

  private:
    std::unique_ptr<std::string> path_;
    std::unique_ptr<std::string> mode_;
    std::unique_ptr<CVRawFile> file_;
    bool isOpen_ = false;
};

// Opens a file for binary reading: a CVLargeFileStream from 2^31 bytes on, a
// CVFileStream below. Raises "Cannot open file." when the size cannot be found.
std::unique_ptr<CVStream> openFileStream(const FileSpecification& file);

}  // namespace Corvane
