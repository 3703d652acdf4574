#include "reader/cv_tvxFileImageReader.h"

#include "image/cv_worldFile.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"

namespace Corvane {

TvxFileImageReader::TvxFileImageReader(const FileSpecification& file, std::int32_t memoryModel)
    : TvxFileImageReader(openFileStream(file), file, memoryModel) {}

TvxFileImageReader::TvxFileImageReader(std::unique_ptr<CVStream> stream,
                                       const FileSpecification& file, std::int32_t memoryModel)
    : TvxImageReader(*stream, memoryModel, Deferred{}),
      file_(file),
      ownedStream_(std::move(stream)) {
    open();
}

TvxFileImageReader::TvxFileImageReader(const TvxFileImageReader& other)
    : TvxImageReader(other.stream(), other.memoryModel(), Deferred{}), file_(other.file_) {
    open();
}

TvxFileImageReader::~TvxFileImageReader() {
    // The stages read through the stream, so they go before it.
    releaseStages();
}

void TvxFileImageReader::open() {
    try {
        // The generation choice checks that the stream is open, sets its byte order
        // and starts at its first byte.
        chooseGeneration();
        readWorldFile(properties(), file_);
    } catch (...) {
        releaseStages();
        throw;
    }
}

}  // namespace Corvane
