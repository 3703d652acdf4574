#include "tg3/decoder/tg3_decoder.h"

#include <algorithm>
#include <cstring>

#include "image/cv_pixelBuffer.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "support/cv_status.h"
#include "tg3/decoder/tg3_outputLayout.h"
#include "transform/cv_transformerRegistry.h"

namespace Corvane {

namespace {

bool sameLayout(const PixelLayout& a, const PixelLayout& b) {
    return a == b && a.dataType() == b.dataType() && a.bandMap() == b.bandMap();
}

}  // namespace

TG3Decoder::TG3Decoder(TG3Image& image) : image_(image) {
    acceptsLevels_ = true;
    acceptsMagnifiedLevels_ = true;
}

TG3Decoder::~TG3Decoder() = default;

std::int32_t TG3Decoder::initialise() {
    tool_ = std::make_unique<TG3DecoderTool>(image_);
    std::int32_t status = tool_->open();
    if (status != 0) return status;
    if (image_.isMultiImage()) return TG3Status::unsupported;
    sceneDecoder_ = std::make_unique<TG3SceneDecoder>(*tool_);
    status = sceneDecoder_->open();
    if (status != 0) return status;

    info_ = tool_->info();
    std::uint32_t dataType = 0;
    if (!outputDataType(info_, dataType)) return TG3Status::unsupported;
    layout_ = outputLayout(info_);
    // Each decoded pixel carries one sample per component; a colour space whose
    // band count differs has no layout to hold them.
    if (layout_.samplesPerPixel() != info_.components) return TG3Status::unsupported;
    magnified_ = std::make_unique<TG3MagnifiedRows>(
        *sceneDecoder_, std::size_t{layout_.samplesPerPixel()} * layout_.bytesPerSample());
    sceneDecoder_->setProgress([this]() -> std::int32_t {
        return activeCallbacks().isInterrupted() ? TG3Status::interrupted : 0;
    });
    return TG3Status::ok;
}

void TG3Decoder::begin() {
    // The callbacks are installed by the navigator before begin; nothing else is
    // kept between requests.
    activeCallbacks();
}

void TG3Decoder::decode(PixelBuffer& buffer) {
    // The buffer's dynamic range, where it has none yet, is the image's own.
    const float rangeMin = static_cast<float>(static_cast<std::uint32_t>(info_.dynamicRangeMin));
    const float rangeMax = static_cast<float>(static_cast<std::uint32_t>(info_.dynamicRangeMax));
    if (buffer.window() == PixelBuffer::kUnsetWindow) buffer.setWindow(rangeMax - rangeMin + 1.0f);
    if (buffer.level() == 0.0f) buffer.setLevel((rangeMax - rangeMin + 1.0f) * 0.5f + rangeMin);
    if (level() < 0) {
        decodeMagnified(buffer);
        return;
    }

    if (!sceneDecoder_->acceptsLevel(level())) throwStatus(TG3Status::notFound);
    const Scene request = clippedScene(static_cast<std::int32_t>(image_.width()),
                                       static_cast<std::int32_t>(image_.height()));
    startProgress();
    checkStatus(sceneDecoder_->setScene(request, level()));
    checkStatus(sceneDecoder_->prepareRows());
    clipped_ = sceneDecoder_->clippedScene();

    std::int32_t nextRow = clipped_.y0;
    forEachStrip(buffer, [&](const Scene& onImage) {
        const auto needed = static_cast<std::int32_t>(onImage.y1 - nextRow + 1);
        const void* rows = nullptr;
        std::int32_t delivered = 0;
        checkStatus(sceneDecoder_->decodeRows(needed, rows, delivered));
        copyRows(buffer, rows, nextRow, delivered);
        nextRow += delivered;
        if (delivered < needed) {
            checkStatus(sceneDecoder_->decodeRows(needed - delivered, rows, delivered));
            copyRows(buffer, rows, nextRow, delivered);
            nextRow += delivered;
        }
    });
    checkStatus(sceneDecoder_->end());
}

void TG3Decoder::decodeMagnified(PixelBuffer& buffer) {
    const std::int32_t magnification = -level();
    if (!sceneDecoder_->acceptsLevel(0) ||
        !TG3MagnifiedRows::fits(image_.width(), image_.height(), magnification))
        throwStatus(TG3Status::notFound);
    clipped_ = clippedScene(static_cast<std::int32_t>(image_.width()),
                            static_cast<std::int32_t>(image_.height()));
    if (clipped_.isEmpty()) throwStatus(TG3Status::notFound);
    startProgress();
    checkStatus(magnified_->start(clipped_, magnification));
    const auto copyRow = [&](const std::uint8_t* row, std::int32_t y) {
        copyRows(buffer, row, y, 1);
    };
    forEachStrip(buffer, [&](const Scene& onImage) {
        checkStatus(magnified_->rows(onImage.y0, onImage.y1, copyRow));
    });
    checkStatus(magnified_->finish());
}

void TG3Decoder::forEachStrip(PixelBuffer& buffer,
                              const std::function<void(const Scene& onImage)>& decodeStrip) {
    while (buffer.hasStrip()) {
        const Scene strip = buffer.currentStrip();
        const Scene onImage = Scene(scene().x0 + strip.x0, scene().y0 + strip.y0, 0,
                                    scene().x0 + strip.x1, scene().y0 + strip.y1, 0)
                                  .intersection(clipped_);
        if (onImage.height() > 0 && onImage.width() < 0) {
            throw GeometryException(getMessageText(kNegativeDimensions));
        }
        if (!onImage.isEmpty()) {
            reportProgress();
            decodeStrip(onImage);
        }
        advanceProgress(buffer, strip);
        buffer.nextStrip();
    }
}

void TG3Decoder::end() {
    reportFinished();
}

void TG3Decoder::copyRows(PixelBuffer& buffer, const void* rows, std::int32_t firstRow,
                          std::int32_t count) const {
    if (count <= 0 || rows == nullptr) return;
    const auto width = static_cast<std::int32_t>(clipped_.width());
    const std::size_t sourceStride =
        static_cast<std::size_t>(width) * layout_.samplesPerPixel() * layout_.bytesPerSample();
    const std::int32_t bufferX = clipped_.x0 - scene().x0;
    const std::int32_t bufferY = firstRow - scene().y0;
    const auto* source = static_cast<const std::uint8_t*>(rows);

    if (sameLayout(buffer.layout(), layout_)) {
        for (std::int32_t r = 0; r < count; ++r) {
            std::memcpy(buffer.pixel(bufferX, bufferY + r),
                        source + static_cast<std::size_t>(r) * sourceStride, sourceStride);
        }
        return;
    }
    PixelRaster from;
    from.data = const_cast<std::uint8_t*>(source);
    from.width = width;
    from.height = count;
    from.rowStride = sourceStride;
    from.description = PixelDescription::of(layout_);
    PixelRaster to;
    to.data = buffer.pixel(bufferX, bufferY);
    to.width = width;
    to.height = count;
    to.rowStride = buffer.rowStride();
    to.description = PixelDescription::of(buffer.layout());
    const std::unique_ptr<PixelConverter> converter =
        requireConverter(to.description, from.description);
    converter->setSourceBuffer(from);
    converter->setDestinationBuffer(to);
    converter->setSourceWindowWidth(buffer.window());
    converter->setSourceWindowCentre(buffer.level());
    converter->convert();
}

}  // namespace Corvane
