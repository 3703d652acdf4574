#include "host/tvx_imageOpening.h"

#include "stream/cv_fileSpecification.h"
#include "support/cv_exception.h"

#if __has_include("image/cv_tvxFileImageReader.h")
#include "image/cv_tvxFileImageReader.h"
#define TVX_HAVE_FILE_IMAGE_READER 1
#endif

namespace Corvane {

std::unique_ptr<ImageStage> openHostFileImage(AmHostFile& file) {
    // A host that has no path gives an empty one, which fails to open like any
    // missing file.
    const FileSpecification specification(file.path());
#ifdef TVX_HAVE_FILE_IMAGE_READER
    return std::make_unique<TvxFileImageReader>(specification, kHostMemoryModel);
#else
    // Until the file-level reader is part of the build, no file opens.
    throw UnimplementedException("TvxFileImageReader");
#endif
}

}  // namespace Corvane
