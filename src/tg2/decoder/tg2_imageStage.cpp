#include "tg2/decoder/tg2_imageStage.h"

#include <limits>

#include "support/cv_exception.h"
#include "tg2/decoder/tg2_decoder.h"
#include "tg2/structure/tg2_memoryModel.h"

namespace Corvane {

namespace {

// Sizes beyond the signed 32-bit range cannot be described to the image model.
std::int32_t asSigned(std::uint32_t value) {
    if (value > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        throw InvalidImageDataException("TG2 image size");
    return static_cast<std::int32_t>(value);
}

}  // namespace

TG2ImageStage::TG2ImageStage(CVStream& stream, std::int32_t memoryModel)
    : memoryModel_(memoryModel) {
    const TG2MemoryModel model = memoryModelFor(memoryModel);
    structure_ = std::make_unique<TG2StreamStructure>(
        TG2StreamStructure::duplicateForStructure(stream), model.keepOpen, model.cacheBlocks);
    // The metadata block is read through the structure's own stream, which the
    // structure reopens whenever it needs it again.
    metadata_ = std::make_unique<TG2MetadataDatabase>(&structure_->stream());
    asSigned(structure_->width());
    asSigned(structure_->height());
    asSigned(structure_->bandCount());
    asSigned(structure_->levelCount());
    initialiseFromMetadata();
    readDither();
}

TG2ImageStage::~TG2ImageStage() = default;

std::int32_t TG2ImageStage::width() const {
    return asSigned(structure_->width());
}

std::int32_t TG2ImageStage::height() const {
    return asSigned(structure_->height());
}

std::int32_t TG2ImageStage::bandCount() const {
    return asSigned(structure_->bandCount());
}

std::int32_t TG2ImageStage::levelCount() const {
    return asSigned(structure_->levelCount());
}

FormatVersion TG2ImageStage::version() const {
    return structure_->version();
}

const MetadataDatabase& TG2ImageStage::metadata() const {
    return *metadata_;
}

std::unique_ptr<ImageDecoder> TG2ImageStage::createDecoder() {
    return std::make_unique<TG2Decoder>(*this);
}

}  // namespace Corvane
