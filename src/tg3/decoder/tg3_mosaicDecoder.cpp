#include "tg3/decoder/tg3_mosaicDecoder.h"

#include <cstring>

#include "image/cv_pixelBuffer.h"
#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/decoder/tg3_magnifiedRows.h"

namespace Corvane {

namespace {

// What the decoder of one image reports to: interrupts go to the mosaic's caller,
// progress stays with the mosaic, which counts it over the whole scene.
class InterruptsOnly : public CV_ProcessCallbacks {
  public:
    explicit InterruptsOnly(const ImageDecoder& owner) : owner_(owner) {}
    void progress(float) override {}
    bool isInterrupted() override {
        const std::shared_ptr<CV_ProcessCallbacks>& outer = owner_.callbacks();
        return outer && outer->isInterrupted();
    }

  private:
    const ImageDecoder& owner_;
};

}  // namespace

TG3MosaicDecoder::TG3MosaicDecoder(TG3Mosaic& mosaic, std::int32_t width, std::int32_t height)
    : mosaic_(mosaic),
      width_(width),
      height_(height),
      decoders_(mosaic.images().size()),
      forImages_(std::make_shared<InterruptsOnly>(*this)) {
    acceptsLevels_ = true;
    acceptsMagnifiedLevels_ = true;
}

TG3MosaicDecoder::~TG3MosaicDecoder() = default;

void TG3MosaicDecoder::begin() {
    activeCallbacks();
}

void TG3MosaicDecoder::decode(PixelBuffer& buffer) {
    const bool magnifiable =
        level() >= 0 || TG3MagnifiedRows::fits(static_cast<std::uint32_t>(width_),
                                               static_cast<std::uint32_t>(height_), -level());
    if (!magnifiable || level() > mosaic_.levelCount()) throwStatus(TG3Status::notFound);
    const Scene clipped = clippedScene(width_, height_);
    if (clipped.isEmpty()) throwStatus(TG3Status::notFound);
    std::vector<Scene> placed;
    for (const TG3MosaicImage& image : mosaic_.images()) placed.push_back(image.placeAt(level()));

    startProgress();
    while (buffer.hasStrip()) {
        const Scene strip = buffer.currentStrip();
        const Scene onMosaic = Scene(scene().x0 + strip.x0, scene().y0 + strip.y0, 0,
                                     scene().x0 + strip.x1, scene().y0 + strip.y1, 0)
                                   .intersection(clipped);
        if (!onMosaic.isEmpty()) {
            reportProgress();
            checkInterrupt();
            // File order: a later image is copied over an earlier one.
            for (std::size_t i = 0; i < placed.size(); ++i) {
                const Scene part = onMosaic.intersection(placed[i]);
                if (!part.isEmpty()) decodePart(i, part, buffer);
            }
        }
        advanceProgress(buffer, strip);
        buffer.nextStrip();
    }
}

void TG3MosaicDecoder::end() {
    reportFinished();
}

void TG3MosaicDecoder::decodePart(std::size_t index, const Scene& part, PixelBuffer& buffer) {
    std::unique_ptr<ImageDecoder>& decoder = decoders_[index];
    if (!decoder) decoder = mosaic_.images()[index].newDecoder();
    const Scene place = mosaic_.images()[index].placeAt(level());

    // The part is decoded whole into scratch memory in the buffer's own layout; its
    // width is at most the scene's and its height that of one strip.
    PixelBuffer sizing(buffer.layout());
    sizing.setScene(part);
    if (scratch_.size() < sizing.totalSize()) scratch_.assign(sizing.totalSize(), 0);
    PixelBuffer target(buffer.layout(), scratch_.data(), scratch_.size());
    target.setScene(part);
    target.setStripHeight(0);
    // The buffer's range, when its caller set one; otherwise each image shows with
    // its own, as it would when decoded alone.
    target.setWindow(buffer.window());
    target.setLevel(buffer.level());

    decoder->setLevel(level());
    decoder->setScene(Scene(part.x0 - place.x0, part.y0 - place.y0, 0, part.x1 - place.x0,
                            part.y1 - place.y0, 0));
    decoder->setCallbacks(forImages_);
    target.prepareDecode();
    decoder->begin();
    decoder->decode(target);
    decoder->end();
    target.finishDecode();
    copyPart(target, part, buffer);
}

void TG3MosaicDecoder::copyPart(const PixelBuffer& from, const Scene& part,
                                PixelBuffer& buffer) const {
    const PixelLayout& layout = buffer.layout();
    const std::size_t sampleBytes = layout.bytesPerSample();
    const std::uint32_t samplesPerPixel = layout.samplesPerPixel();
    const auto width = static_cast<std::int32_t>(part.width());
    const std::int32_t x = part.x0 - scene().x0;
    const std::int32_t y = part.y0 - scene().y0;
    auto& source = const_cast<PixelBuffer&>(from);
    // Only the slots that hold a band: an extra sample slot keeps what the caller
    // put there, as it does under the background.
    const bool everySlot = layout.bandMap().size() == samplesPerPixel;
    for (std::int32_t row = 0; row < static_cast<std::int32_t>(part.height()); ++row) {
        if (everySlot) {
            std::memcpy(buffer.pixel(x, y + row), source.pixel(0, row),
                        static_cast<std::size_t>(width) * buffer.pixelBytes());
            continue;
        }
        for (std::int32_t column = 0; column < width; ++column) {
            std::uint8_t* to = buffer.pixel(x + column, y + row);
            const std::uint8_t* value = source.pixel(column, row);
            for (const std::uint32_t slot : layout.bandMap()) {
                if (slot >= samplesPerPixel) continue;
                std::memcpy(to + slot * sampleBytes, value + slot * sampleBytes, sampleBytes);
            }
        }
    }
}

}  // namespace Corvane
