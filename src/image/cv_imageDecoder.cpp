#include "image/cv_imageDecoder.h"

#include "image/cv_imageStage.h"
#include "image/cv_pixelBuffer.h"
#include "support/cv_exception.h"

namespace Corvane {

void ImageDecoder::reserved() {
    throw UnimplementedException("cv_imageDecoder", 107);
}

Scene ImageDecoder::clippedScene(const ImageStage& stage) const {
    return clippedScene(stage.width(), stage.height());
}

Scene ImageDecoder::clippedScene(std::int32_t fullWidth, std::int32_t fullHeight) const {
    const std::int32_t w = levelExtent(fullWidth, level_);
    const std::int32_t h = levelExtent(fullHeight, level_);
    // w - 1 and h - 1 in 64 bits: an extent of INT32_MIN must not wrap.
    const auto right = static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{w} - 1, -1));
    const auto bottom = static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{h} - 1, -1));
    return scene_.intersection(Scene(0, 0, 0, right, bottom, 0));
}

CV_ProcessCallbacks& ImageDecoder::activeCallbacks() const {
    const std::shared_ptr<CV_ProcessCallbacks>& active = callbacks_.callbacks();
    if (!active) throw NullPointerException();
    return *active;
}

void ImageDecoder::checkInterrupt() const {
    if (activeCallbacks().isInterrupted()) throw Interrupt();
}

void ImageDecoder::reportProgress() const {
    activeCallbacks().progress(progress_);
}

void ImageDecoder::advanceProgress(const PixelBuffer& buffer, const Scene& strip) {
    const std::int64_t rows = buffer.scene().height();
    if (rows > 0 && !strip.isEmpty()) {
        progress_ += static_cast<float>(strip.height()) / static_cast<float>(rows);
    }
}

void ImageDecoder::reportFinished() const {
    activeCallbacks().progress(1.0f);
}

void ImageDecoder::adoptStageRange(PixelBuffer& buffer, const ImageStage& stage) {
    const PixelValue background = stage.backgroundPixel();
    if (buffer.window() == PixelBuffer::kUnsetWindow) buffer.setWindow(background.window());
    if (buffer.level() == 0.0f) buffer.setLevel(background.level());
}

}  // namespace Corvane
