#pragma once
// The base of everything that can describe an image and make a decoder for regions
// of it: the generation readers and the file-level reader that chooses between them.
#include <array>
#include <cstdint>
#include <memory>
#include <ostream>

#include "image/cv_imageProperties.h"
#include "pixel/cv_pixelValue.h"

namespace Corvane {

class ImageDecoder;
class MetadataDatabase;

// Major, minor and revision of the file format.
using FormatVersion = std::array<std::uint8_t, 3>;

class ImageStage {
  public:
    ImageStage() = default;
    ImageStage(const ImageStage&) = default;
    ImageStage& operator=(const ImageStage&) = default;
    virtual ~ImageStage() = default;

    // Full-resolution size.
    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;
    virtual std::int32_t bandCount() const = 0;
    // The coarsest level; the stage has levels 0 to levelCount().
    virtual std::int32_t levelCount() const = 0;
    // Layout, background samples and dynamic range as one pixel value.
    virtual PixelValue backgroundPixel() const { return properties_.backgroundPixel(); }
    virtual FormatVersion version() const = 0;
    virtual const MetadataDatabase& metadata() const = 0;
    // Writes the image's properties, then the metadata keys.
    virtual void dump(std::ostream& out) const;
    // The format-specific object behind the stage, if it has one.
    virtual const void* coreObject() const { return nullptr; }
    // A new decoder for this stage, or null when none can work on it.
    virtual std::unique_ptr<ImageDecoder> createDecoder() = 0;
    // Fills the properties from metadata() for this stage's size and bands.
    virtual void initialiseFromMetadata();
    virtual void readDither();

    const ImageProperties& properties() const { return properties_; }
    ImageProperties& properties() { return properties_; }

  private:
    ImageProperties properties_;
};

}  // namespace Corvane
