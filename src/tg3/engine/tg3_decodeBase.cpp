#include "tg3/engine/tg3_decodeBase.h"

#include <algorithm>
#include <cstring>

#include "support/cv_allocationLimit.h"
#include "support/cv_status.h"

namespace Corvane {

namespace {

// Not yet constructed: the status that stands until the constructor ends.

}  // namespace

DecodeBase::DecodeBase(const TG3ImageInfo& info, BandRowSource& source, const Region& region,
                       int levels, std::uint32_t width, std::uint32_t height, int components,
                       std::int32_t stripHeight)
    : options_(makeOutputOptions(info.inputColorSpace, info.colorTransform, info.dynamicRangeMin,
                                 info.dynamicRangeMax, info.dataType)),
      region_(region),
      levels_(levels),
      width_(width),
      height_(height),
      components_(components),
      stripHeight_(stripHeight),
      source_(source),
      status_(TG3Status::unconstructed) {
    bytesPerSample_ = options_.dataType == kSampleUint8 ? 1 : 2;
    // Images narrower or lower than 3 samples are not decoded at any level; the
    // levels of a larger image decode down to a single sample.
    if (info.width < 3 || info.height < 3 || stripHeight_ < 1 || region_.y0 < 0 ||
        region_.y0 > region_.y1 || region_.y1 >= std::int64_t{height_} || region_.x0 < INT32_MIN ||
        region_.x1 > INT32_MAX) {
        status_ = TG3Status::notFound;
        return;
    }
    // The strip's coefficient plane is the largest buffer of a decode and grows with
    // the region's width, which a file may claim: refuse it before the engine takes
    // its lines of the same width.
    if (region_.x0 <= region_.x1 && !stripBuffersFit()) {
        status_ = TG3Status::outOfMemory;
        return;
    }
    std::int32_t engineStatus = 0;
    engine_ = std::make_unique<WaveletEngine>(
        levels_, width_, height_, static_cast<std::int32_t>(region_.x0),
        static_cast<std::int32_t>(region_.x1), components_, source_, engineStatus,
        info.boundary == boundaryPeriodic ? EdgeRule::periodic : EdgeRule::mirror);
    if (engineStatus != 0) {
        engine_.reset();
        status_ = engineStatus;
        return;
    }
    status_ = TG3Status::ok;
}

DecodeBase::~DecodeBase() = default;

bool DecodeBase::extendRegion(std::int32_t y1) {
    if (status_ != 0 || !engine_ || y1 < region_.y1 || std::int64_t{y1} >= std::int64_t{height_})
        return false;
    region_.y1 = y1;
    return true;
}

std::size_t DecodeBase::rowBytes() const {
    return static_cast<std::size_t>(regionWidth()) * static_cast<std::size_t>(components_) *
           static_cast<std::size_t>(bytesPerSample_);
}

bool DecodeBase::stripBuffersFit() const {
    const std::uint64_t plane =
        static_cast<std::uint64_t>(std::max(stripHeight_, 2)) * regionWidth();
    return allocationFits(plane * static_cast<std::uint64_t>(components_), 4) &&
           allocationFits((static_cast<std::uint64_t>(stripHeight_) + 3) * rowBytes(), 1);
}

std::int32_t DecodeBase::allocateStripBuffers() {
    if (status_ != 0) return status_;
    // The first row pair is decoded as one strip even when R is 1.
    const std::size_t plane = static_cast<std::size_t>(std::max(stripHeight_, 2)) *
                              static_cast<std::size_t>(regionWidth());
    if (!stripBuffersFit()) return TG3Status::outOfMemory;
    coefficients_.assign(plane * static_cast<std::size_t>(components_), 0);
    planes_.resize(static_cast<std::size_t>(components_));
    for (std::size_t c = 0; c < planes_.size(); ++c) planes_[c] = coefficients_.data() + c * plane;
    return 0;
}

void DecodeBase::releaseBuffers() {
    engine_.reset();
    std::vector<std::int32_t>().swap(coefficients_);
    planes_.clear();
    std::vector<std::uint16_t>().swap(output_);
    initialised_ = false;
}

std::int32_t DecodeBase::decodeStrip(std::int32_t end) {
    const std::int32_t count = end - producedEnd_;
    const std::size_t width = static_cast<std::size_t>(regionWidth());
    const std::size_t held = static_cast<std::size_t>(producedEnd_ - producedFirst_);
    const std::size_t needed = (held + static_cast<std::size_t>(count)) * rowBytes();
    if (output_.size() * 2 < needed) output_.resize((needed + 1) / 2);

    std::vector<const std::int32_t*> row(static_cast<std::size_t>(components_));
    for (std::int32_t r = 0; r < count; ++r) {
        const std::int32_t status =
            engine_->produceRow(static_cast<std::uint32_t>(producedEnd_ + r), row.data());
        if (status != 0) return status;
        for (std::size_t c = 0; c < row.size(); ++c)
            std::copy(row[c], row[c] + width, planes_[c] + static_cast<std::size_t>(r) * width);
    }
    const std::size_t offset = held * width * static_cast<std::size_t>(components_);
    const std::int32_t status =
        postProcessAndStore(options_, planes_.data(), static_cast<std::size_t>(components_), width,
                            static_cast<std::size_t>(count), output_.data(), offset);
    if (status != 0) return status;
    producedEnd_ = end;
    return 0;
}

std::int32_t DecodeBase::initialise() {
    if (status_ != 0) return status_;
    if (planes_.empty()) {
        const std::int32_t status = allocateStripBuffers();
        if (status != 0) return status;
    }
    output_.assign((static_cast<std::size_t>(stripHeight_) + 3) * rowBytes() / 2 + 1, 0);
    producedFirst_ = region_.y0;
    producedEnd_ = region_.y0;
    initialised_ = true;
    // The first row pair: from y0 to the odd row that closes its pair.
    const auto pairEnd =
        static_cast<std::int32_t>(std::min(region_.y0 - (region_.y0 % 2) + 2, region_.y1 + 1));
    return decodeStrip(pairEnd);
}

std::int32_t DecodeBase::readRows(std::int32_t first, std::int32_t last, const void*& rows) {
    if (status_ != 0) return status_;
    if (!initialised_) {
        const std::int32_t status = initialise();
        if (status != 0) return status;
    }
    if (first > last || first < producedFirst_ || last > region_.y1) return TG3Status::notFound;

    // Hand out held rows from the start of the buffer: drop those before `first`.
    const std::size_t bytes = rowBytes();
    auto* base = reinterpret_cast<std::uint8_t*>(output_.data());
    const std::int32_t keepFrom = std::min(first, producedEnd_);
    if (keepFrom > producedFirst_) {
        const std::size_t dropped = static_cast<std::size_t>(keepFrom - producedFirst_) * bytes;
        const std::size_t kept = static_cast<std::size_t>(producedEnd_ - keepFrom) * bytes;
        std::memmove(base, base + dropped, kept);
        producedFirst_ = keepFrom;
    }
    // Rows between the held ones and `first` are decoded and dropped too.
    while (producedEnd_ < first) {
        const std::int32_t status = decodeStrip(std::min(producedEnd_ + stripHeight_, first));
        if (status != 0) return status;
        producedFirst_ = producedEnd_;
    }
    while (producedEnd_ <= last) {
        const std::int32_t status = decodeStrip(static_cast<std::int32_t>(
            std::min<std::int64_t>(producedEnd_ + stripHeight_, region_.y1 + 1)));
        if (status != 0) return status;
    }
    rows = output_.data();
    return 0;
}

}  // namespace Corvane
