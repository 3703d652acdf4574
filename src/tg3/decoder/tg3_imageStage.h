#pragma once
// The image stage of a TG3 file: the packet container over the file's stream,
// image 0 of it, its metadata, and the properties filled from its header, image
// description and metadata while the stage is built.
#include <cstdint>
#include <memory>

#include "image/cv_imageStage.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"
#include "stream/cv_stream.h"
#include "tg3/container/tg3_container.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/decoder/tg3_image.h"

namespace Corvane {

class TG3ImageStage : public ImageStage {
  public:
    // Reads the container, the header of image 0, its description and metadata from
    // the stream (not owned). Failures raise the exception of their status.
    explicit TG3ImageStage(CVStream& stream);
    TG3ImageStage(const TG3ImageStage&) = delete;
    TG3ImageStage& operator=(const TG3ImageStage&) = delete;
    ~TG3ImageStage() override;

    std::int32_t width() const override;
    std::int32_t height() const override;
    std::int32_t bandCount() const override;
    std::int32_t levelCount() const override;
    FormatVersion version() const override { return version_; }
    const MetadataDatabase& metadata() const override { return *metadata_; }
    // A new TG3 decoder, or null when it cannot work on this image.
    std::unique_ptr<ImageDecoder> createDecoder() override;
    // The properties are filled while the stage is built.
    void initialiseFromMetadata() override {}

    const TG3Image& image() const { return *image_; }
    const TG3Container& container() const { return *container_; }

  private:
    void fillProperties();

    std::unique_ptr<KernelStream> kernel_;
    std::unique_ptr<TG3Container> container_;
    std::unique_ptr<TG3Image> image_;
    std::unique_ptr<TG3MetadataDatabase> metadata_;
    FormatVersion version_{};
};

}  // namespace Corvane
