#pragma once
// The image stage of a TG2 stream: sizes, bands, levels and version come from the
// stream's structure, the properties from the classical metadata block, and its
// decoder is a TG2Decoder.
#include <cstdint>
#include <memory>

#include "image/cv_imageStage.h"
#include "tg2/structure/cv_TG2MetadataDatabase.h"
#include "stream/cv_stream.h"
#include "tg2/structure/tg2_streamStructure.h"

namespace Corvane {

class TG2ImageStage : public ImageStage {
  public:
    // Reads the structure from a duplicate of `stream` (which stays the caller's and
    // is left open as it was) under the given memory model, then the metadata, and
    // fills the properties. Raises the structure's exceptions for a malformed stream
    // and Exception 1:1a5 for a memory model outside 0..7.
    TG2ImageStage(CVStream& stream, std::int32_t memoryModel);
    ~TG2ImageStage() override;

    std::int32_t width() const override;
    std::int32_t height() const override;
    std::int32_t bandCount() const override;
    std::int32_t levelCount() const override;
    FormatVersion version() const override;
    const MetadataDatabase& metadata() const override;
    // The TG2StreamStructure.
    const void* coreObject() const override { return structure_.get(); }
    std::unique_ptr<ImageDecoder> createDecoder() override;

    TG2StreamStructure& structure() { return *structure_; }
    const TG2StreamStructure& structure() const { return *structure_; }
    std::int32_t memoryModel() const { return memoryModel_; }

  private:
    std::int32_t memoryModel_;
    std::unique_ptr<TG2StreamStructure> structure_;
    std::unique_ptr<TG2MetadataDatabase> metadata_;
};

}  // namespace Corvane
