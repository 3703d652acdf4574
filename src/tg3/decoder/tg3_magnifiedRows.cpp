#include "tg3/decoder/tg3_magnifiedRows.h"

#include <algorithm>
#include <cstring>

#include "support/cv_status.h"

namespace Corvane {

namespace {
// Past this many doublings no level of a non-empty image has 32-bit coordinates.
constexpr std::int32_t kMostDoublings = 30;
}  // namespace

TG3MagnifiedRows::TG3MagnifiedRows(TG3SceneDecoder& levelZero, std::size_t pixelBytes)
    : levelZero_(levelZero), pixelBytes_(pixelBytes) {}

bool TG3MagnifiedRows::fits(std::uint32_t width, std::uint32_t height, std::int32_t magnification) {
    if (magnification < 0 || magnification > kMostDoublings) return false;
    const std::uint64_t largest = std::max(width, height);
    return (largest << magnification) <= 0x7FFFFFFFu;
}

std::int32_t TG3MagnifiedRows::start(const Scene& wanted, std::int32_t magnification) {
    magnification_ = magnification;
    wanted_ = wanted;
    source_ = wanted.region().coarser(magnification);
    widenedRow_ = -1;
    sceneStarted_ = false;
    // The kept row serves the request's first rows only when it is the same row of
    // the same columns; anything else is decoded afresh.
    const bool continues =
        keptRow_ == source_.y0 && keptColumns_.x0 == source_.x0 && keptColumns_.x1 == source_.x1;
    if (!continues) keptRow_ = -1;
    const std::int64_t firstToDecode = continues ? source_.y0 + 1 : source_.y0;
    widened_.resize(static_cast<std::size_t>(wanted.width()) * pixelBytes_);
    if (firstToDecode > source_.y1) return TG3Status::ok;

    const Region decoded{source_.x0, firstToDecode, source_.x1, source_.y1};
    std::int32_t status = levelZero_.setScene(Scene::fromRegion(decoded), 0);
    if (status == TG3Status::ok) status = levelZero_.prepareRows();
    if (status != TG3Status::ok) return status;
    // The rows handed out must be exactly those asked for, column for column.
    if (levelZero_.clippedScene().region() != decoded) return TG3Status::malformed;
    sceneStarted_ = true;
    return TG3Status::ok;
}

std::int32_t TG3MagnifiedRows::rows(std::int32_t first, std::int32_t last, const RowWriter& write) {
    for (std::int32_t y = first; y <= last; ++y) {
        const std::int64_t row = std::int64_t{y} >> magnification_;
        if (row != widenedRow_) {
            const std::int32_t status = fetch(row);
            if (status != TG3Status::ok) return status;
            widenKeptRow();
        }
        write(widened_.data(), y);
    }
    return TG3Status::ok;
}

std::int32_t TG3MagnifiedRows::finish() {
    if (!sceneStarted_) return TG3Status::ok;
    sceneStarted_ = false;
    return levelZero_.end();
}

std::int32_t TG3MagnifiedRows::fetch(std::int64_t row) {
    if (row == keptRow_) return TG3Status::ok;
    // Rows come from the scene decoder in order; the only one it cannot give again
    // is the one kept, handled above.
    if (!sceneStarted_) return TG3Status::malformed;
    keptRow_ = -1;
    const void* samples = nullptr;
    std::int32_t delivered = 0;
    const std::int32_t status = levelZero_.decodeRows(1, samples, delivered);
    if (status != TG3Status::ok) return status;
    if (delivered != 1 || samples == nullptr) return TG3Status::malformed;
    kept_.resize(static_cast<std::size_t>(source_.width()) * pixelBytes_);
    std::memcpy(kept_.data(), samples, kept_.size());
    keptRow_ = row;
    keptColumns_ = source_;
    return TG3Status::ok;
}

void TG3MagnifiedRows::widenKeptRow() {
    std::uint8_t* out = widened_.data();
    for (std::int64_t x = wanted_.x0; x <= wanted_.x1; ++x, out += pixelBytes_) {
        const auto column = static_cast<std::size_t>((x >> magnification_) - source_.x0);
        std::memcpy(out, kept_.data() + column * pixelBytes_, pixelBytes_);
    }
    widenedRow_ = keptRow_;
}

}  // namespace Corvane
