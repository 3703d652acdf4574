#pragma once
// The images of a TG3 file that holds several (a mosaic) and where each lies.
//
// How a mosaic is read:
// - Each image of the image list is placed by its description: its upper-left
//   pixel lies (xUL - mosaic xUL) / xRes columns and (yUL - mosaic yUL) / yRes rows
//   from the mosaic's upper-left pixel, rounded to the nearest pixel. An image
//   without geo data has its upper-left pixel at coordinate (0, 0) with unit steps;
//   what of it lies outside the mosaic's extent is not shown.
// - The mosaic has the levels that all its images have: the smallest level count.
// - At level L an image at full-resolution offset (x, y) starts at (floor(x / 2^L),
//   floor(y / 2^L)) and is its own level-L image there: offsets that are not
//   multiples of 2^L round down, so the image never reaches past the mosaic's own
//   level-L extent.
// - A magnified level -m places every image at (x * 2^m, y * 2^m) and shows it at
//   its own level -m (TG3 images repeat their samples, TG2 images magnify their way).
// - Where images overlap, the later one in file order covers the earlier.
// - Pixels that no image covers keep the background of the image properties.
// - All images must have the same band count and sample type.
// TG3 images are decoded by their own scene decoder, embedded TG2 images by a TG2
// image stage over a window of the file onto the packet's payload.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "image/cv_imageDecoder.h"
#include "image/cv_imageStage.h"
#include "image/cv_scene.h"
#include "pixel/cv_pixelLayout.h"
#include "stream/cv_stream.h"
#include "tg3/container/tg3_container.h"
#include "tg3/decoder/tg3_image.h"
#include "tg3/header/tg3_imageDescription.h"

namespace Corvane {

// Builds the image stage of a TG2 stream (one embedded in a mosaic); the reader
// layer above both generations supplies it.
using EmbeddedStageFactory = std::function<std::unique_ptr<ImageStage>(CVStream&)>;

class TG3MosaicImage {
  public:
    TG3MosaicImage(const TG3ImageEntry& entry, std::int64_t x, std::int64_t y);
    TG3MosaicImage(TG3MosaicImage&&) noexcept;
    TG3MosaicImage& operator=(TG3MosaicImage&&) noexcept;
    ~TG3MosaicImage();

    // Opens the image: its header, or its embedded TG2 stream read through a window
    // onto a private duplicate of `fileStream`, made a stage by `embedded`. Failures
    // raise their exceptions.
    void open(TG3Container& container, CVStream& fileStream, const EmbeddedStageFactory& embedded);

    const TG3ImageEntry& entry() const { return entry_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t levelCount() const { return levels_; }
    const PixelLayout& layout() const { return layout_; }
    // The dynamic range the image is shown with; 0 when it has none.
    double rangeWindow() const { return rangeWindow_; }
    double rangeLevel() const { return rangeLevel_; }
    // Where the image lies at `level`, in pixels of the mosaic at that level.
    Scene placeAt(std::int32_t level) const;
    // A decoder of this image alone.
    std::unique_ptr<ImageDecoder> newDecoder();

  private:
    TG3ImageEntry entry_;
    std::int64_t x_;
    std::int64_t y_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t levels_ = 0;
    PixelLayout layout_;
    double rangeWindow_ = 0.0;
    double rangeLevel_ = 0.0;
    std::unique_ptr<TG3Image> tg3_;
    std::unique_ptr<CVStream> fileCopy_;
    std::unique_ptr<CVStream> window_;
    std::unique_ptr<ImageStage> tg2_;
};

class TG3Mosaic {
  public:
    // Opens every image of the container's list and places it in the extent of
    // `merged` (the union of their descriptions). Raises UnsupportedFeatureException
    // when the images differ in band count or sample type, or when the mosaic holds
    // embedded TG2 images and `embedded` is empty.
    TG3Mosaic(TG3Container& container, CVStream& fileStream, const ImageDescription& merged,
              const EmbeddedStageFactory& embedded);

    // In file order.
    std::vector<TG3MosaicImage>& images() { return images_; }
    const std::vector<TG3MosaicImage>& images() const { return images_; }
    const PixelLayout& layout() const { return images_.front().layout(); }
    std::int32_t levelCount() const { return levelCount_; }

  private:
    std::vector<TG3MosaicImage> images_;
    std::int32_t levelCount_ = 0;
};

}  // namespace Corvane
