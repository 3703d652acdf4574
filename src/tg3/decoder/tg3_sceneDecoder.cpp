#include "tg3/decoder/tg3_sceneDecoder.h"

#include <algorithm>

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/header/tg3_types.h"

namespace Corvane {

namespace {

// Rows of coefficients the engine decodes per step.
constexpr std::int32_t kEngineStripHeight = 32;

// A full-resolution coordinate at a reduced level.
std::int32_t atLevel(std::int32_t value, std::int32_t level) {
    return level >= 31 ? (value < 0 ? -1 : 0) : value >> level;
}

}  // namespace

TG3SceneDecoder::TG3SceneDecoder(TG3DecoderTool& tool) : tool_(tool) {}

TG3SceneDecoder::~TG3SceneDecoder() = default;

std::int32_t TG3SceneDecoder::open() {
    const TG3ImageInfo& info = tool_.info();
    multispectral_ = info.inputColorSpace == colorSpaceMultispectral;
    cmyk_ = info.inputColorSpace == colorSpaceCMYK;
    cmykPostProcessing_ = cmyk_ && info.colorTransform == colorTransformCMYKToYIQKProcessed;

    if (info.hasVirtualSupport) {
        support_ = Scene(info.support.xLeft, info.support.yTop, 0, info.support.xRight,
                         info.support.yBottom, 0);
        levelsRemoved_ = info.levelsRemoved;
    } else {
        support_ = Scene(0, 0, 0, static_cast<std::int32_t>(info.width) - 1,
                         static_cast<std::int32_t>(info.height) - 1, 0);
        levelsRemoved_ = 0;
    }
    levels_ = info.levels;
    components_ = info.components;

    switch (info.kernel) {
        case kernel53HV:
            transformMode_ = info.boundary == boundaryPeriodic ? kPeriodicMode : kReflectiveMode;
            break;
        case kernel53VH:
            throw UnimplementedException("tg3_decoderTool", 181);
        case kernel97VH:
            throw UnimplementedException("tg3_decoderTool", 186);
        default:
            throw UnimplementedException("tg3_decoderTool", 190);
    }
    return TG3Status::ok;
}

bool TG3SceneDecoder::acceptsLevel(std::int32_t level) const {
    return level >= 0 && std::int64_t{level} + levelsRemoved_ <= levels_;
}

std::int32_t TG3SceneDecoder::bytesPerSample() const {
    return engine_ ? engine_->bytesPerSample() : dataTypeBytes(tool_.info().dataType);
}

bool TG3SceneDecoder::continuePrevious(std::int32_t previousLevel, const Scene& clipped) {
    if (!engine_ || clipped.isEmpty() || previousLevel != internalLevel_) return false;
    const DecodeRegion& region = engine_->region();
    return region.x0 == clipped.x0 && region.x1 == clipped.x1 && clipped.y0 == nextRow_ &&
           engine_->canContinueAt(clipped.y0) && engine_->extendRegion(clipped.y1);
}

std::int32_t TG3SceneDecoder::setScene(const Scene& rectangle, std::int32_t level) {
    const std::int32_t previousLevel = internalLevel_;
    requested_ = rectangle;
    level_ = level;
    continued_ = false;
    if (!acceptsLevel(level)) {
        release();
        return TG3Status::notFound;
    }
    // The engine has no periodic extension; such images decode as if reflective.
    internalLevel_ = level + levelsRemoved_;

    const TG3ImageInfo& info = tool_.info();
    const std::int32_t levelWidth = levelExtent(
        static_cast<std::int32_t>(std::min<std::uint32_t>(info.width, 0x7FFFFFFF)), internalLevel_);
    const std::int32_t levelHeight =
        levelExtent(static_cast<std::int32_t>(std::min<std::uint32_t>(info.height, 0x7FFFFFFF)),
                    internalLevel_);
    const Scene supportAtLevel(
        atLevel(support_.x0, internalLevel_), atLevel(support_.y0, internalLevel_), 0,
        atLevel(support_.x1, internalLevel_), atLevel(support_.y1, internalLevel_), 0);
    const Scene image(0, 0, 0, levelWidth - 1, levelHeight - 1, 0);
    // The request is relative to the support's corner.
    const std::int64_t dx = supportAtLevel.x0;
    const std::int64_t dy = supportAtLevel.y0;
    const auto shifted = [](std::int64_t value) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
    };
    const Scene requestOnImage(shifted(rectangle.x0 + dx), shifted(rectangle.y0 + dy), 0,
                               shifted(rectangle.x1 + dx), shifted(rectangle.y1 + dy), 0);
    const Scene clipped = requestOnImage.intersection(supportAtLevel).intersection(image);
    const bool continues = continuePrevious(previousLevel, clipped);
    if (!continues) release();
    clippedInternalScene_ = clipped;
    if (clippedInternalScene_.isEmpty()) return TG3Status::notFound;
    clippedLevelScene_ = Scene(static_cast<std::int32_t>(clippedInternalScene_.x0 - dx),
                               static_cast<std::int32_t>(clippedInternalScene_.y0 - dy), 0,
                               static_cast<std::int32_t>(clippedInternalScene_.x1 - dx),
                               static_cast<std::int32_t>(clippedInternalScene_.y1 - dy), 0);
    if (continues) {
        continued_ = true;
        return TG3Status::ok;
    }

    bands_ = std::make_unique<TG3BandCache>(info, tool_.planeStore());
    if (progress_) bands_->setProgress(progress_);
    const DecodeRegion region{clippedInternalScene_.x0, clippedInternalScene_.y0,
                              clippedInternalScene_.x1, clippedInternalScene_.y1};
    engine_ = std::make_unique<DecodeBase>(
        info, *bands_, region, levels_ - internalLevel_, static_cast<std::uint32_t>(levelWidth),
        static_cast<std::uint32_t>(levelHeight), components_, kEngineStripHeight);
    nextRow_ = clippedInternalScene_.y0;
    if (engine_->status() != 0) {
        const std::int32_t status = engine_->status();
        release();
        return status;
    }
    return TG3Status::ok;
}

std::int32_t TG3SceneDecoder::prepareRows() {
    if (!engine_) return TG3Status::notFound;
    if (continued_) return TG3Status::ok;
    return keptOnlyIfClean([&] {
        const std::int32_t status = engine_->allocateStripBuffers();
        return status != 0 ? status : engine_->initialise();
    });
}

std::int32_t TG3SceneDecoder::decodeRows(std::int32_t count, const void*& rows,
                                         std::int32_t& delivered) {
    rows = nullptr;
    delivered = 0;
    if (!engine_) return TG3Status::notFound;
    const std::int64_t left = std::int64_t{clippedInternalScene_.y1} - nextRow_ + 1;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(std::max(count, 0), left));
    if (n <= 0) return TG3Status::ok;
    const std::int32_t status =
        keptOnlyIfClean([&] { return engine_->readRows(nextRow_, nextRow_ + n - 1, rows); });
    if (status != 0) return status;
    nextRow_ += n;
    delivered = n;
    return TG3Status::ok;
}

std::int32_t TG3SceneDecoder::end() {
    // A failed engine cannot be continued; anything else waits for the next scene.
    if (engine_ && engine_->status() != 0) release();
    return TG3Status::ok;
}

template <typename Step>
std::int32_t TG3SceneDecoder::keptOnlyIfClean(Step step) {
    // An engine stopped part way (a status, an interruption, an exception) is in no
    // state to continue: it is dropped, and the next scene starts afresh.
    try {
        const std::int32_t status = step();
        if (status != 0) release();
        return status;
    } catch (...) {
        release();
        throw;
    }
}

void TG3SceneDecoder::release() {
    if (engine_) engine_->releaseBuffers();
    engine_.reset();
    bands_.reset();
    continued_ = false;
}

}  // namespace Corvane
