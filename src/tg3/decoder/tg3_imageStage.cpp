#include "tg3/decoder/tg3_imageStage.h"

#include <cmath>
#include <string>

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_fileHeader.h"
#include "tg3/decoder/tg3_decoder.h"
#include "tg3/decoder/tg3_mosaicDecoder.h"
#include "tg3/decoder/tg3_outputLayout.h"
#include "tg3/engine/tg3_colourTransform.h"

namespace Corvane {

namespace {

// The wavelet engine's limits: both sides at full resolution, and the number of
// levels a 32-bit image can be halved by.
constexpr std::uint32_t kSmallestSide = 3;
constexpr std::uint32_t kDeepestLevels = 31;

std::int32_t clampedSize(std::uint32_t size) {
    return size > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(size);
}

}  // namespace

TG3ImageStage::TG3ImageStage(CVStream& stream, EmbeddedStageFactory embedded)
    : kernel_(std::make_unique<CVKernelStream>(stream)),
      container_(std::make_unique<TG3Container>(*kernel_)) {
    checkStatus(container_->open());
    // The container has read the file header already; its version bytes are read
    // once more for the stage's version.
    FileVersion fileVersion;
    checkStatus(kernel_->seek(0, 1) == 0 ? readFileHeader(*kernel_, fileVersion)
                                         : TG3Status::readFailed);
    version_ = {fileVersion.major, fileVersion.minor, fileVersion.revision};

    const bool multiImage = container_->imageCount() > 1;
    image_ = std::make_unique<TG3Image>(*container_, 0, multiImage);
    checkStatus(image_->open());
    if (multiImage)
        mosaic_ = std::make_unique<TG3Mosaic>(*container_, stream, image_->description(), embedded);
    metadata_ = std::make_unique<TG3MetadataDatabase>(*container_);
    fillProperties();
}

TG3ImageStage::~TG3ImageStage() = default;

std::int32_t TG3ImageStage::width() const {
    return clampedSize(image_->width());
}

std::int32_t TG3ImageStage::height() const {
    return clampedSize(image_->height());
}

std::int32_t TG3ImageStage::bandCount() const {
    return properties().layout().colorSpace().bandCount();
}

std::int32_t TG3ImageStage::levelCount() const {
    if (mosaic_) return mosaic_->levelCount();
    return image_->info().levels;
}

std::unique_ptr<TG3Decoder> openTG3Decoder(TG3Image& image) {
    // Each reason an image cannot be decoded gets its own message; a null decoder
    // would leave the caller only a null pointer to report.
    const TG3ImageInfo& info = image.info();
    if (info.width < kSmallestSide || info.height < kSmallestSide)
        throw UnsupportedImageFormatException("an image narrower or lower than 3 pixels");
    if (info.levels > kDeepestLevels)
        throw UnsupportedFeatureException(
            (std::to_string(info.levels) + " wavelet levels (at most 31)").c_str());
    ColourParameters colour;
    if (buildColourParameters(info.colorTransform, info.components, info.dynamicRangeMin,
                              info.dynamicRangeMax, colour) != 0)
        throw UnsupportedFeatureException(("colour transform " +
                                           std::to_string(info.colorTransform) + " on " +
                                           std::to_string(info.components) + " components")
                                              .c_str());
    auto decoder = std::make_unique<TG3Decoder>(image);
    const std::int32_t status = decoder->initialise();
    if (status == TG3Status::repeatedOrMissing && !decoder->hasPlaneset())
        throw InvalidImageDataException("the file holds no coded planes for its image");
    if (status == TG3Status::readFailed)
        throw InvalidImageDataException(
            "the plane records end before every sub-block has its planes");
    checkStatus(status);
    return decoder;
}

std::unique_ptr<ImageDecoder> TG3ImageStage::createDecoder() {
    if (mosaic_) return std::make_unique<TG3MosaicDecoder>(*mosaic_, width(), height());
    return openTG3Decoder(*image_);
}

void TG3ImageStage::fillProperties() {
    const TG3ImageInfo& info = image_->info();
    ImageProperties& p = properties();
    p.setDither(false);

    if (mosaic_) {
        // The mosaic shows with the range of its first image.
        const TG3MosaicImage& first = mosaic_->images().front();
        p.setLayout(mosaic_->layout());
        if (first.rangeWindow() > 0.0) p.setDynamicRange(first.rangeWindow(), first.rangeLevel());
    } else {
        std::uint32_t dataType = DataTypeUInt8;
        if (!outputDataType(info, dataType)) {
            throw UnsupportedImageFormatException("only 8- and 16-bit samples are supported");
        }
        p.setLayout(PixelLayout(0, outputColorSpace(info), dataType));

        const auto rangeMin = static_cast<double>(static_cast<std::uint32_t>(info.dynamicRangeMin));
        const auto rangeMax = static_cast<double>(static_cast<std::uint32_t>(info.dynamicRangeMax));
        p.setDynamicRange(rangeMax - rangeMin + 1.0, (rangeMin + rangeMax) / 2.0);
    }

    const ImageDescription& description = image_->description();
    if (description.has(ImageDescription::hasGeoData)) {
        p.setXUL(description.xUL);
        p.setYUL(description.yUL);
        p.setXResolution(std::fabs(description.xRes));
        p.setYResolution(std::fabs(description.yRes));
        p.setHasGeoInformation(true);
    } else if (!p.readGeo(*metadata_) && p.yUL() == 0.0) {
        // Without georeferencing the image's y axis runs upward from its last row.
        p.setYUL(static_cast<double>(height()) - 1.0);
    }

    p.readInputLookupTable(*metadata_);
    p.readBackgroundSamples(*metadata_, bandCount());
}

}  // namespace Corvane
