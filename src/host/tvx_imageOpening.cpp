#include "host/tvx_imageOpening.h"

#include "reader/cv_tvxFileImageReader.h"
#include "stream/cv_fileSpecification.h"

namespace Corvane {

std::unique_ptr<ImageStage> openHostFileImage(AmHostFile& file) {
    // A host that has no path gives an empty one, which fails to open like any
    // missing file.
    return std::make_unique<TvxFileImageReader>(FileSpecification(file.path()), kHostMemoryModel);
}

}  // namespace Corvane
