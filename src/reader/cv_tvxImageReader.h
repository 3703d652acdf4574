#pragma once
// The file-level reader: looks at the first bytes of a Tovex stream, builds the
// image stage of that generation and stands in for it. Size, level, metadata and
// decoder requests go to the generation stage; the properties are the reader's own
// copies, taken over from that stage, so that a world file can overwrite them.
#include <cstdint>
#include <memory>

#include "image/cv_imageStage.h"
#include "stream/cv_stream.h"

namespace Corvane {

class TG3ImageStage;

// Seeks to the first byte through the widest seek the stream offers.
bool seekToStart(CVStream& stream);

class TvxImageReader : public ImageStage {
  public:
    // Chooses the generation from the stream (not owned) and builds its stage.
    TvxImageReader(CVStream& stream, std::int32_t memoryModel);
    TvxImageReader(const TvxImageReader&) = delete;
    TvxImageReader& operator=(const TvxImageReader&) = delete;
    ~TvxImageReader() override;

    std::int32_t width() const override;
    std::int32_t height() const override;
    std::int32_t bandCount() const override;
    std::int32_t levelCount() const override;
    PixelValue backgroundPixel() const override;
    FormatVersion version() const override;
    const MetadataDatabase& metadata() const override;
    const void* coreObject() const override;
    std::unique_ptr<ImageDecoder> createDecoder() override;

    bool isTG3() const { return isTG3_; }
    std::int32_t memoryModel() const { return memoryModel_; }
    // The stage the requests go to.
    ImageStage& activeStage() const { return *active_; }

  protected:
    // For readers that prepare the stream first and then call chooseGeneration.
    struct Deferred {};
    TvxImageReader(CVStream& stream, std::int32_t memoryModel, Deferred);

    // Reads the magic and the generation byte, builds the stage of that generation
    // and takes over its properties.
    void chooseGeneration();
    // Destroys the generation stages, which read through the stream.
    void releaseStages();
    CVStream& stream() const { return stream_; }

  private:
    void takeOverProperties();

    std::int32_t memoryModel_;
    CVStream& stream_;
    bool isTG3_ = false;
    std::unique_ptr<ImageStage> tg2Stage_;
    std::unique_ptr<TG3ImageStage> tg3Stage_;
    ImageStage* active_ = nullptr;
};

}  // namespace Corvane
