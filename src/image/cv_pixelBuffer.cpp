#include "image/cv_pixelBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

#include "image/cv_backgroundConversion.h"
#include "support/cv_allocationLimit.h"
#include "support/cv_exception.h"

namespace Corvane {

namespace {

std::size_t multiplied(std::size_t a, std::size_t b) {
    std::size_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) throw OutOfMemoryException();
    return product;
}

std::size_t added(std::size_t a, std::size_t b) {
    std::size_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) throw OutOfMemoryException();
    return sum;
}

std::size_t nonNegative(std::int64_t value) {
    return value > 0 ? static_cast<std::size_t>(value) : 0;
}

}  // namespace

PixelBuffer::PixelBuffer(const PixelLayout& layout) : layout_(layout), background_(layout) {}

PixelBuffer::PixelBuffer(const PixelLayout& layout, std::uint8_t* memory, std::size_t capacity)
    : layout_(layout), borrowed_(memory), borrowedCapacity_(capacity), background_(layout) {
    if (memory == nullptr) throw NullPointerException();
}

void PixelBuffer::setScene(const Scene& scene) {
    const std::int64_t width = std::max<std::int64_t>(scene.width(), 0);
    const std::int64_t height = std::max<std::int64_t>(scene.height(), 0);
    // A box wider than a 32-bit corner can address could never be allocated anyway.
    if (width > INT32_MAX || height > INT32_MAX) throw OutOfMemoryException();
    scene_ = Scene(0, 0, 0, static_cast<std::int32_t>(width - 1),
                   static_cast<std::int32_t>(height - 1), 0);
}

void PixelBuffer::setOffsets(std::int32_t x, std::int32_t y) {
    if (x < 0 || y < 0) throw InvalidArgumentException("PixelBuffer offsets");
    xOffset_ = x;
    yOffset_ = y;
}

std::size_t PixelBuffer::pixelBytes() const {
    return multiplied(layout_.bytesPerSample(), layout_.samplesPerPixel());
}

std::size_t PixelBuffer::rowStride() const {
    const std::size_t bytes = multiplied(pixelBytes(), nonNegative(scene_.width()));
    const auto alignment = static_cast<std::size_t>(std::max(layout_.rowAlignment(), 1));
    return multiplied((added(bytes, alignment - 1)) / alignment, alignment);
}

std::size_t PixelBuffer::totalSize() const {
    return multiplied(nonNegative(scene_.height()), rowStride());
}

std::uint8_t* PixelBuffer::memory() {
    if (borrowed_ != nullptr) return borrowed_;
    return owned_.empty() ? nullptr : owned_.data();
}

std::uint8_t* PixelBuffer::pixel(std::int32_t x, std::int32_t y) {
    const auto row = static_cast<std::size_t>(std::int64_t{yOffset_} + y);
    const auto column = static_cast<std::size_t>(std::int64_t{xOffset_} + x);
    return memory() + row * rowStride() + column * pixelBytes();
}

void PixelBuffer::prepareDecode() {
    // The offsets push the last pixel past the scene's own extent.
    const std::size_t needed =
        added(totalSize(), added(multiplied(static_cast<std::size_t>(yOffset_), rowStride()),
                                 multiplied(static_cast<std::size_t>(xOffset_), pixelBytes())));
    if (borrowed_ != nullptr) {
        if (borrowedCapacity_ < needed) throw InvalidArgumentException("PixelBuffer memory");
    } else if (owned_.size() < needed) {
        // The scene's size comes from a request, often from a file's claimed size.
        requireAllocation(needed, 1);
        try {
            owned_.assign(needed, 0);
        } catch (const std::bad_alloc&) {
            throw OutOfMemoryException();
        } catch (const std::length_error&) {
            throw OutOfMemoryException();
        }
    }

    convertedBackground_.reset();
    if (background_.hasSamples()) {
        PixelValue converted = convertPixelValue(background_, layout_);
        if (converted.hasSamples() && converted.sampleByteCount() == pixelBytes()) {
            convertedBackground_ = std::move(converted);
        }
    }

    inDecode_ = true;
    setStrip(scene_.y0);
}

std::int64_t PixelBuffer::rowsPerStrip() const {
    return stripHeight_ < 1 ? std::max<std::int64_t>(scene_.height(), 1) : stripHeight_;
}

void PixelBuffer::setStrip(std::int64_t top) {
    const std::int64_t bottom = std::min(top + rowsPerStrip() - 1, std::int64_t{scene_.y1});
    if (top > scene_.y1 || scene_.isEmpty()) {
        strip_ = Scene(scene_.x0, 0, 0, scene_.x1, -1, 0);
        return;
    }
    strip_ = Scene(scene_.x0, static_cast<std::int32_t>(top), 0, scene_.x1,
                   static_cast<std::int32_t>(bottom), 0);
    fillStripWithBackground();
}

void PixelBuffer::nextStrip() {
    if (!hasStrip()) return;
    setStrip(std::int64_t{strip_.y0} + rowsPerStrip());
}

void PixelBuffer::fillStripWithBackground() {
    if (!convertedBackground_) return;
    const std::uint8_t* value = convertedBackground_->samples();
    const std::size_t sampleBytes = layout_.bytesPerSample();
    const std::uint32_t samplesPerPixel = layout_.samplesPerPixel();
    for (std::int32_t y = strip_.y0; y <= strip_.y1; ++y) {
        for (std::int32_t x = strip_.x0; x <= strip_.x1; ++x) {
            std::uint8_t* target = pixel(x, y);
            // Only the slots that hold a band: an extra sample slot keeps what the
            // caller put there.
            for (const std::uint32_t slot : layout_.bandMap()) {
                if (slot >= samplesPerPixel) continue;
                std::memcpy(target + slot * sampleBytes, value + slot * sampleBytes, sampleBytes);
            }
        }
    }
}

void PixelBuffer::finishDecode() {
    abortDecode();
    ++decodeCount_;
}

void PixelBuffer::abortDecode() {
    convertedBackground_.reset();
    strip_ = Scene(scene_.x0, 0, 0, scene_.x1, -1, 0);
    inDecode_ = false;
}

}  // namespace Corvane
