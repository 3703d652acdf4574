#include "image/cv_tovexNavigator.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "image/cv_imageDecoder.h"
#include "image/cv_imageStage.h"
#include "image/cv_pixelBuffer.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

// Scene corners are 32-bit; arithmetic that would leave that range stops at its edge
// instead of wrapping.
std::int32_t saturated(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

std::int32_t truncated(double value) {
    if (std::isnan(value)) return 0;
    return saturated(static_cast<std::int64_t>(std::clamp(value, -9.0e18, 9.0e18)));
}

// Centre of an inclusive span, as the navigator has always taken it.
std::int64_t centreOf(std::int32_t low, std::int32_t high) {
    return (std::int64_t{high} - low + 1) / 2 + low;
}

// Sets an inclusive span of the given size starting at low. Near the edge of the
// 32-bit range the span is pushed inwards so that it keeps its size.
void placeSpan(std::int64_t low, std::int64_t size, std::int32_t& first, std::int32_t& last) {
    const std::int64_t lowest = std::max<std::int64_t>(INT32_MIN, INT32_MIN - (size - 1));
    const std::int64_t highest = std::min<std::int64_t>(INT32_MAX, INT32_MAX - (size - 1));
    low = std::clamp(low, lowest, highest);
    first = static_cast<std::int32_t>(low);
    last = static_cast<std::int32_t>(low + size - 1);
}

// Places a span of the given size with its centre at c.
void placeAboutCentre(double c, std::int64_t size, std::int32_t& first, std::int32_t& last) {
    placeSpan(truncated(c - static_cast<double>(size) * 0.5), size, first, last);
}

// A box whose width and height have opposite signs has a negative area.
bool hasNegativeArea(const Scene& scene) {
    const std::int64_t w = scene.width();
    const std::int64_t h = scene.height();
    return (w < 0 && h > 0) || (w > 0 && h < 0);
}

[[noreturn]] void refuseArea() {
    InvalidArgumentException error;
    error.setMessage(getMessageText(kInvalidNavigatorSupport));
    throw error;
}

}  // namespace

TovexNavigator::TovexNavigator(ImageStage& stage) : stage_(&stage) {
    level_ = stage.levelCount();
    const std::int32_t w = levelExtent(stage.width(), level_);
    const std::int32_t h = levelExtent(stage.height(), level_);
    scene_ = Scene(0, 0, 0, saturated(std::int64_t{w} - 1), saturated(std::int64_t{h} - 1), 0);
}

TovexNavigator::TovexNavigator(ImageStage& stage, std::int32_t level, const Scene& scene)
    : stage_(&stage), level_(level), scene_(scene) {
    if (hasNegativeArea(scene)) refuseArea();
}

TovexNavigator::TovexNavigator(const TovexNavigator& other) {
    const CVScopedLock guard(other.lock_);
    minimumLevel_ = other.minimumLevel_;
    stage_ = other.stage_;
    level_ = other.level_;
    scene_ = other.scene_;
    callbacks_ = other.callbacks_;
}

TovexNavigator& TovexNavigator::operator=(const TovexNavigator& other) {
    if (this == &other) return *this;
    // Both locks, always in the same (address) order, so that two threads assigning
    // each other's navigators cannot deadlock.
    const bool thisFirst = std::less<const TovexNavigator*>()(this, &other);
    const CVScopedLock first(thisFirst ? lock_ : other.lock_);
    const CVScopedLock second(thisFirst ? other.lock_ : lock_);
    minimumLevel_ = other.minimumLevel_;
    stage_ = other.stage_;
    level_ = other.level_;
    scene_ = other.scene_;
    callbacks_ = other.callbacks_;
    // The decoder belongs to the old stage; the next decode makes a fresh one.
    decoder_.reset();
    return *this;
}

TovexNavigator::~TovexNavigator() = default;

std::int32_t TovexNavigator::level() const {
    const CVScopedLock guard(lock_);
    return level_;
}

Scene TovexNavigator::scene() const {
    const CVScopedLock guard(lock_);
    return scene_;
}

void TovexNavigator::setCallbacks(std::shared_ptr<CV_ProcessCallbacks> callbacks) {
    const CVScopedLock guard(lock_);
    callbacks_.setCallbacks(std::move(callbacks));
}

void TovexNavigator::setInterruptFunction(InterruptFunction function) {
    const CVScopedLock guard(lock_);
    callbacks_.setInterruptFunction(function);
}

void TovexNavigator::setProgressFunction(ProgressFunction function) {
    const CVScopedLock guard(lock_);
    callbacks_.setProgressFunction(function);
}

void TovexNavigator::setSceneSize(std::int32_t width, std::int32_t height, std::int32_t anchor) {
    const CVScopedLock guard(lock_);
    if (width < 0 || height < 0) {
        throw GeometryException(getMessageText(kNegativeDimensions));
    }
    if (scene_.width() == width && scene_.height() == height) return;
    switch (anchor) {
        case AnchorCentre: {
            const std::int64_t cx = centreOf(scene_.x0, scene_.x1);
            const std::int64_t cy = centreOf(scene_.y0, scene_.y1);
            placeAboutCentre(static_cast<double>(cx), width, scene_.x0, scene_.x1);
            placeAboutCentre(static_cast<double>(cy), height, scene_.y0, scene_.y1);
            break;
        }
        case AnchorUpperLeft:
            placeSpan(scene_.x0, width, scene_.x0, scene_.x1);
            placeSpan(scene_.y0, height, scene_.y0, scene_.y1);
            break;
        default:
            throw InvalidArgumentException("scene anchor");
    }
}

void TovexNavigator::moveScene(std::int32_t x, std::int32_t y, std::int32_t anchor) {
    const CVScopedLock guard(lock_);
    const std::int64_t width = scene_.width();
    const std::int64_t height = scene_.height();
    switch (anchor) {
        case AnchorCentre:
            placeAboutCentre(x, width, scene_.x0, scene_.x1);
            placeAboutCentre(y, height, scene_.y0, scene_.y1);
            break;
        case AnchorUpperLeft:
            placeSpan(x, width, scene_.x0, scene_.x1);
            placeSpan(y, height, scene_.y0, scene_.y1);
            break;
        default:
            throw InvalidArgumentException("scene anchor");
    }
}

void TovexNavigator::zoom(std::int32_t steps) {
    const CVScopedLock guard(lock_);
    zoomBy(steps);
}

void TovexNavigator::zoomBy(std::int64_t steps) {
    const std::int64_t coarsest = stage_->levelCount();
    std::int64_t s = steps;
    if (level_ - s < minimumLevel_) s = std::int64_t{level_} - minimumLevel_;
    if (level_ - s > coarsest) s = std::int64_t{level_} - coarsest;

    // The centre is scaled one step at a time, truncating after each, so that
    // zooming out and back in lands where the tile grid expects it.
    double cx = static_cast<double>(centreOf(scene_.x0, scene_.x1));
    double cy = static_cast<double>(centreOf(scene_.y0, scene_.y1));
    const double factor = s < 0 ? 0.5 : 2.0;
    // After 64 steps a halved centre is 0 and a doubled one is 0 or saturated, so
    // more steps change nothing; the cap keeps a huge level count from spinning.
    const std::int64_t scalings = std::min<std::int64_t>(std::abs(s), 64);
    for (std::int64_t i = 0; i < scalings; ++i) {
        cx = std::trunc(std::clamp(cx * factor, -9.0e18, 9.0e18));
        cy = std::trunc(std::clamp(cy * factor, -9.0e18, 9.0e18));
    }
    placeAboutCentre(cx, scene_.width(), scene_.x0, scene_.x1);
    placeAboutCentre(cy, scene_.height(), scene_.y0, scene_.y1);

    level_ = static_cast<std::int32_t>(std::max<std::int64_t>(level_ - s, minimumLevel_));
}

void TovexNavigator::setLevel(std::int32_t level) {
    const CVScopedLock guard(lock_);
    // In 64 bits: the distance between two 32-bit levels may not fit in 32.
    zoomBy(std::int64_t{level_} - level);
}

void TovexNavigator::decode(PixelBuffer& buffer) {
    const CVScopedLock guard(lock_);
    if (hasNegativeArea(scene_)) refuseArea();
    const std::int64_t w = scene_.width();
    const std::int64_t h = scene_.height();
    buffer.setScene(Scene(0, 0, 0, saturated(w - 1), saturated(h - 1), 0));
    buffer.prepareDecode();
    try {
        runDecoder(buffer);
    } catch (...) {
        buffer.abortDecode();
        throw;
    }
    buffer.finishDecode();
}

void TovexNavigator::decodeAt(std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t height, PixelBuffer& buffer) {
    const CVScopedLock guard(lock_);
    setSceneSize(width, height, AnchorUpperLeft);
    moveScene(x, y, AnchorUpperLeft);
    decode(buffer);
}

// Runs with the lock held.
void TovexNavigator::runDecoder(PixelBuffer& buffer) {
    if (!decoder_) {
        decoder_ = stage_->createDecoder();
        if (!decoder_) throw NullPointerException();
    }
    if (decoder_->acceptsLevels() && (level_ >= 0 || decoder_->acceptsMagnifiedLevels())) {
        decoder_->setLevel(level_);
    }
    decoder_->setScene(scene_);
    decoder_->setCallbacks(callbacks_.callbacks());
    decoder_->begin();
    decoder_->decode(buffer);
    decoder_->end();
}

}  // namespace Corvane
