#pragma once
// The image stage of a TG3 file: the packet container over the file's stream,
// image 0 of it, its metadata, and the properties filled from its header, image
// description and metadata while the stage is built. A file of several images is
// a mosaic: its size is the union of their extents, its layout and levels those
// its images share (see tg3_mosaic.h).
#include <cstdint>
#include <memory>

#include "image/cv_imageStage.h"
#include "stream/cv_stream.h"
#include "tg3/container/tg3_container.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/decoder/tg3_image.h"
#include "tg3/decoder/tg3_mosaic.h"
#include "tg3/metadata/cv_TG3MetadataDatabase.h"

namespace Corvane {

class TG3Decoder;

// A decoder of one TG3 image on its own, or an exception that says why the image
// cannot be decoded.
std::unique_ptr<TG3Decoder> openTG3Decoder(TG3Image& image);

class TG3ImageStage : public ImageStage {
  public:
    // Reads the container, the header of image 0, its description and metadata from
    // the stream (not owned). Failures raise the exception of their status. The
    // factory makes the stages of TG2 images embedded in a mosaic.
    explicit TG3ImageStage(CVStream& stream, EmbeddedStageFactory embedded = nullptr);
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
    // Lets the decoders of this stage's image share sub-blocks with those of other
    // stages over the same file (see SubblockExchange); for a file of one image.
    void shareSubblocks(std::shared_ptr<SubblockExchange> exchange) {
        image_->shareSubblocks(std::move(exchange));
    }
    const TG3Container& container() const { return *container_; }
    // The images of a file that holds several; null for a file of one image.
    const TG3Mosaic* mosaic() const { return mosaic_.get(); }

  private:
    void fillProperties();

    std::unique_ptr<KernelStream> kernel_;
    std::unique_ptr<TG3Container> container_;
    std::unique_ptr<TG3Image> image_;
    std::unique_ptr<TG3MetadataDatabase> metadata_;
    std::unique_ptr<TG3Mosaic> mosaic_;
    FormatVersion version_{};
};

}  // namespace Corvane
