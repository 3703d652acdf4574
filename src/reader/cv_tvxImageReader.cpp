#include "reader/cv_tvxImageReader.h"

#include <array>
#include <cstring>
#include <string>

#include "image/cv_imageDecoder.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/decoder/tg2_imageStage.h"
#include "tg3/decoder/tg3_imageStage.h"

namespace Corvane {

namespace {

constexpr char kMagic[4] = {'t', 'o', 'v', 'x'};
constexpr std::int8_t kGenerationTG3 = 3;

[[noreturn]] void cannotOpen() {
    throw Exception(kCannotOpenFile);
}

[[noreturn]] void notTovex() {
    throw Exception(kNotATovexImage);
}

// An image of no columns or no rows has nothing to decode and no level to choose;
// such a header is refused before anything is built on it.
void requirePixels(const ImageStage& stage) {
    if (stage.width() > 0 && stage.height() > 0) return;
    const std::string detail = "The image has no pixels: " + std::to_string(stage.width()) + " x " +
                               std::to_string(stage.height()) + ".";
    throw InvalidImageDataException(detail.c_str());
}

}  // namespace

bool seekToStart(CVStream& stream) {
    return stream.canSeek64() ? stream.seekTo(0, SeekFromStart) : stream.seek(0, SeekFromStart);
}

TvxImageReader::TvxImageReader(CVStream& stream, std::int32_t memoryModel)
    : memoryModel_(memoryModel), stream_(stream) {
    chooseGeneration();
}

TvxImageReader::TvxImageReader(CVStream& stream, std::int32_t memoryModel, Deferred)
    : memoryModel_(memoryModel), stream_(stream) {}

TvxImageReader::~TvxImageReader() {
    releaseStages();
}

void TvxImageReader::releaseStages() {
    active_ = nullptr;
    tg2Stage_.reset();
    tg3Stage_.reset();
}

void TvxImageReader::chooseGeneration() {
    if (!stream_.isOpen()) cannotOpen();
    stream_.setByteSwap(true);
    if (!seekToStart(stream_)) cannotOpen();

    std::array<std::uint8_t, 5> head{};
    // A stream of fewer than five bytes cannot hold the magic and the generation.
    if (!stream_.read(head.data(), static_cast<std::uint32_t>(head.size()))) notTovex();
    if (std::memcmp(head.data(), kMagic, sizeof kMagic) != 0) notTovex();

    const auto generation = static_cast<std::int8_t>(head[4]);
    releaseStages();
    if (generation == kGenerationTG3) {
        if (!seekToStart(stream_)) cannotOpen();
        isTG3_ = true;
        // TG2 images embedded in a mosaic are read with the same memory model.
        const std::int32_t model = memoryModel_;
        tg3Stage_ = std::make_unique<TG3ImageStage>(stream_, [model](CVStream& embedded) {
            return std::make_unique<TG2ImageStage>(embedded, model);
        });
        active_ = tg3Stage_.get();
    } else if (generation < kGenerationTG3) {
        // The TG2 stage reads on from just after the generation byte.
        isTG3_ = false;
        tg2Stage_ = std::make_unique<TG2ImageStage>(stream_, memoryModel_);
        active_ = tg2Stage_.get();
    } else {
        throw UnsupportedVersionException("Tovex generation above 3");
    }
    requirePixels(*active_);
    takeOverProperties();
}

void TvxImageReader::takeOverProperties() {
    const ImageProperties& from = active_->properties();
    ImageProperties& to = properties();
    to.setHasGeoInformation(from.hasGeoInformation());
    to.setXResolution(from.xResolution());
    to.setYResolution(from.yResolution());
    to.setXUL(from.xUL());
    to.setYUL(from.yUL());
    to.setXRotation(from.xRotation());
    to.setYRotation(from.yRotation());
    to.setDither(from.dither());
    to.setInputLookupTable(from.inputLookupTable());
    const PixelValue background = active_->backgroundPixel();
    to.setDynamicRange(background.window(), background.level());
    to.setLayout(background.layout());
    to.setBackgroundSamples({});
}

std::int32_t TvxImageReader::width() const {
    return active_->width();
}

std::int32_t TvxImageReader::height() const {
    return active_->height();
}

std::int32_t TvxImageReader::bandCount() const {
    return active_->bandCount();
}

std::int32_t TvxImageReader::levelCount() const {
    return active_->levelCount();
}

PixelValue TvxImageReader::backgroundPixel() const {
    return active_->backgroundPixel();
}

FormatVersion TvxImageReader::version() const {
    return active_->version();
}

const MetadataDatabase& TvxImageReader::metadata() const {
    return active_->metadata();
}

const void* TvxImageReader::coreObject() const {
    return active_->coreObject();
}

std::unique_ptr<ImageDecoder> TvxImageReader::createDecoder() {
    return active_->createDecoder();
}

}  // namespace Corvane
