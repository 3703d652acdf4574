#pragma once
// Opens a Tovex file by path: the file-level reader over a stream it opens itself
// (or shares with another reader of the same file), followed by the world file
// beside the image, which overrides the georeferencing.
#include <cstdint>
#include <memory>

#include "reader/cv_tvxImageReader.h"
#include "stream/cv_fileSpecification.h"

namespace Corvane {

class TvxFileImageReader : public TvxImageReader {
  public:
    // Opens the file; "Cannot open file." when it cannot be opened.
    TvxFileImageReader(const FileSpecification& file, std::int32_t memoryModel);
    // A second reader of the same file over the other's stream, with stages of its
    // own. The other reader must outlive this one.
    TvxFileImageReader(const TvxFileImageReader& other);
    TvxFileImageReader& operator=(const TvxFileImageReader&) = delete;
    ~TvxFileImageReader() override;

    const FileSpecification& fileSpecification() const { return file_; }
    bool ownsStream() const { return ownedStream_ != nullptr; }

  private:
    TvxFileImageReader(std::unique_ptr<CVStream> stream, const FileSpecification& file,
                       std::int32_t memoryModel);
    void open();

    FileSpecification file_;
    std::unique_ptr<CVStream> ownedStream_;
};

}  // namespace Corvane
