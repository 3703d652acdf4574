#include "tg3/decoder/tg3_mosaic.h"

#include <algorithm>
#include <cmath>

#include "stream/cv_SubStream.h"
#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_basicPackets.h"
#include "tg3/decoder/tg3_decoder.h"
#include "tg3/decoder/tg3_imageStage.h"
#include "tg3/decoder/tg3_outputLayout.h"

namespace Corvane {

namespace {

// Pixels from the mosaic's first pixel to `corner` along one axis.
std::int64_t pixelOffset(double corner, double mosaicCorner, double resolution) {
    const double steps = std::round((corner - mosaicCorner) / resolution);
    if (!std::isfinite(steps) || std::fabs(steps) > 4294967295.0) throwStatus(TG3Status::malformed);
    return static_cast<std::int64_t>(steps);
}

// Floor division by 2^level for offsets of either sign; a magnified level (below 0)
// multiplies instead. Levels are bounded by the caller to 30 doublings at most.
std::int64_t atLevel(std::int64_t offset, std::int32_t level) {
    if (level < 0) return offset * (std::int64_t{1} << -level);
    const std::int64_t scale = std::int64_t{1} << std::min(level, 40);
    return offset >= 0 ? offset / scale : -((-offset + scale - 1) / scale);
}

// The extent of a level in 64 bits, so that a magnified image lying partly outside
// the mosaic cannot overflow.
std::int64_t atLevelExtent(std::int32_t extent, std::int32_t level) {
    return level < 0 ? atLevel(extent, level) : levelExtent(extent, level);
}

bool sameSamples(const PixelLayout& a, const PixelLayout& b) {
    return a.colorSpace().bandCount() == b.colorSpace().bandCount() && a.dataType() == b.dataType();
}

}  // namespace

TG3MosaicImage::TG3MosaicImage(const TG3ImageEntry& entry, std::int64_t x, std::int64_t y)
    : entry_(entry), x_(x), y_(y) {}
TG3MosaicImage::TG3MosaicImage(TG3MosaicImage&&) noexcept = default;
TG3MosaicImage& TG3MosaicImage::operator=(TG3MosaicImage&&) noexcept = default;
TG3MosaicImage::~TG3MosaicImage() = default;

void TG3MosaicImage::open(TG3Container& container, CVStream& fileStream,
                          const EmbeddedStageFactory& embedded) {
    if (entry_.kind == imageKindTG2Image) {
        if (!embedded) throw UnsupportedFeatureException("embedded TG2 images");
        PacketHeader key = PacketHeader::key(packetTypeTG2Image);
        key.imageNumber = entry_.imageNumber;
        Packet* packet = nullptr;
        checkStatus(container.find(key, packet));
        const auto* payload = dynamic_cast<const TG2ImagePacket*>(packet);
        if (!payload) throwStatus(TG3Status::repeatedOrMissing);
        // The window reads through a stream of its own, so that decoding the
        // embedded image never moves the position the container reads at.
        fileCopy_ = fileStream.duplicate(nullptr, 0);
        if (!fileCopy_) throwStatus(TG3Status::noPosition);
        window_ = std::make_unique<CVSubStream>(fileCopy_.get(), payload->startOffset,
                                                payload->endOffset);
        tg2_ = embedded(*window_);
        if (!tg2_) throw NullPointerException();
        width_ = tg2_->width();
        height_ = tg2_->height();
        levels_ = tg2_->levelCount();
        layout_ = tg2_->properties().layout();
        rangeWindow_ = tg2_->properties().dynamicRangeWindow().value_or(0.0);
        rangeLevel_ = tg2_->properties().dynamicRangeLevel().value_or(0.0);
        return;
    }
    tg3_ = std::make_unique<TG3Image>(container, entry_.imageNumber, false);
    checkStatus(tg3_->open());
    const TG3ImageInfo& info = tg3_->info();
    std::uint32_t dataType = 0;
    if (!outputDataType(info, dataType))
        throw UnsupportedImageFormatException("only 8- and 16-bit samples are supported");
    if (tg3_->width() > 0x7FFFFFFFu || tg3_->height() > 0x7FFFFFFFu)
        throw InvalidImageDataException("a mosaic image larger than 2^31 - 1 pixels");
    width_ = static_cast<std::int32_t>(tg3_->width());
    height_ = static_cast<std::int32_t>(tg3_->height());
    levels_ = tg3_->levels();
    layout_ = PixelLayout(0, outputColorSpace(info), dataType);
    const auto rangeMin = static_cast<double>(static_cast<std::uint32_t>(info.dynamicRangeMin));
    const auto rangeMax = static_cast<double>(static_cast<std::uint32_t>(info.dynamicRangeMax));
    rangeWindow_ = rangeMax - rangeMin + 1.0;
    rangeLevel_ = (rangeMin + rangeMax) / 2.0;
}

Scene TG3MosaicImage::placeAt(std::int32_t level) const {
    const std::int64_t x = atLevel(x_, level);
    const std::int64_t y = atLevel(y_, level);
    return Scene::fromRegion(
        Region{x, y, x + atLevelExtent(width_, level) - 1, y + atLevelExtent(height_, level) - 1});
}

std::unique_ptr<ImageDecoder> TG3MosaicImage::newDecoder() {
    if (tg2_) {
        std::unique_ptr<ImageDecoder> decoder = tg2_->createDecoder();
        if (!decoder) throw NullPointerException();
        return decoder;
    }
    return openTG3Decoder(*tg3_);
}

TG3Mosaic::TG3Mosaic(TG3Container& container, CVStream& fileStream, const ImageDescription& merged,
                     const EmbeddedStageFactory& embedded) {
    if (container.images().empty()) throwStatus(TG3Status::repeatedOrMissing);
    for (const TG3ImageEntry& entry : container.images()) {
        ImageDescription description;
        checkStatus(findImageDescription(container, entry.imageNumber, description));
        // The extent that the description merge gave an image without geo data.
        if (!description.has(ImageDescription::hasGeoData)) description.xUL = description.yUL = 0.0;
        images_.emplace_back(entry, pixelOffset(description.xUL, merged.xUL, merged.xRes),
                             pixelOffset(description.yUL, merged.yUL, merged.yRes));
        images_.back().open(container, fileStream, embedded);
        if (!sameSamples(images_.back().layout(), images_.front().layout()))
            throw UnsupportedFeatureException(
                "a mosaic whose images differ in band count or sample type");
    }
    levelCount_ = images_.front().levelCount();
    for (const TG3MosaicImage& image : images_)
        levelCount_ = std::min(levelCount_, image.levelCount());
}

}  // namespace Corvane
