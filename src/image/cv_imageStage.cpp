#include "image/cv_imageStage.h"

#include "image/cv_imageDecoder.h"
#include "metadata/cv_metadataDatabase.h"

namespace Corvane {

void ImageStage::dump(std::ostream& out) const {
    out << "  Image width: " << width() << '\n';
    out << "  Image height: " << height() << '\n';
    out << "  Samples-per-pixel: " << bandCount() << '\n';
    out << "  Number of levels: " << levelCount() << '\n';
    out << "  X UL: " << properties_.xUL() << '\n';
    out << "  Y UL: " << properties_.yUL() << '\n';
    out << "  X res: " << properties_.xResolution() << '\n';
    out << "  Y res: " << properties_.yResolution() << '\n';
    const FormatVersion v = version();
    out << "  File version: " << (v[0] & 0x7F) << '.' << (v[1] & 0x7F) << '.' << (v[2] & 0x7F)
        << '\n';
    out << "Metadata Keys:" << '\n';
    metadata().printKeys(out);
}

void ImageStage::initialiseFromMetadata() {
    properties_.initialiseFromMetadata(metadata(), width(), height(), bandCount());
}

void ImageStage::readDither() {
    properties_.readDither(metadata());
}

}  // namespace Corvane
