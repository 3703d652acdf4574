#include "reader/cv_tvxFileImageReader.h"

#include "image/cv_worldFile.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

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
        if (!stream().isOpen()) throw Exception(kCannotOpenFile);
        stream().setByteSwap(true);
        if (!seekToStart(stream())) throw Exception(kCannotOpenFile);
        chooseGeneration();
        readWorldFile(properties(), file_);
    } catch (...) {
        releaseStages();
        throw;
    }
}

}  // namespace Corvane
