#include "tg3/decoder/tg3_sceneDecoder.h"

#include <algorithm>

#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/header/tg3_types.h"

namespace Corvane {

namespace {

// Rows of coefficients the engine decodes per step.
constexpr std::int32_t kEngineStripHeight = 32;

// The multiple of `period` at or below `position`.
std::int64_t wholePeriods(std::int64_t position, std::int64_t period) {
    if (period <= 0) return 0;
    const std::int64_t q = position / period - (position % period < 0 ? 1 : 0);
    return q * period;
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
        support_ = Region{info.support.xLeft, info.support.yTop, info.support.xRight,
                          info.support.yBottom};
        levelsRemoved_ = info.levelsRemoved;
    } else {
        support_ = Region::fromOrigin(0, 0, info.width, info.height);
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

bool TG3SceneDecoder::continuePrevious(std::int32_t previousLevel, const Region& clipped) {
    if (!engine_ || clipped.empty() || previousLevel != internalLevel_) return false;
    const Region& region = engine_->region();
    return region.x0 == clipped.x0 && region.x1 == clipped.x1 && clipped.y0 == nextRow_ &&
           engine_->canContinueAt(static_cast<std::int32_t>(clipped.y0)) &&
           engine_->extendRegion(static_cast<std::int32_t>(clipped.y1));
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
    internalLevel_ = level + levelsRemoved_;

    const TG3ImageInfo& info = tool_.info();
    const std::int32_t levelWidth = levelExtent(
        static_cast<std::int32_t>(std::min<std::uint32_t>(info.width, 0x7FFFFFFF)), internalLevel_);
    const std::int32_t levelHeight =
        levelExtent(static_cast<std::int32_t>(std::min<std::uint32_t>(info.height, 0x7FFFFFFF)),
                    internalLevel_);
    // The request is relative to the support's corner at the internal level.
    const Region supportAtLevel = support_.coarser(internalLevel_);
    const Region image = Region::fromOrigin(0, 0, levelWidth, levelHeight);
    // A periodic image repeats: a request off the image is moved by whole periods
    // so that its corner lies on it, and whatever still sticks out is clipped. The
    // clipped scene is handed back where it was asked for.
    const bool periodic = transformMode_ == kPeriodicMode;
    const std::int64_t shiftX = periodic ? wholePeriods(rectangle.x0, levelWidth) : 0;
    const std::int64_t shiftY = periodic ? wholePeriods(rectangle.y0, levelHeight) : 0;
    const Region clipped = rectangle.region()
                               .translated(supportAtLevel.x0 - shiftX, supportAtLevel.y0 - shiftY)
                               .intersection(supportAtLevel)
                               .intersection(image);
    const bool continues = continuePrevious(previousLevel, clipped);
    if (!continues) release();
    clippedInternal_ = clipped;
    if (clippedInternal_.empty()) return TG3Status::notFound;
    clippedLevelScene_ = Scene::fromRegion(
        clipped.translated(shiftX - supportAtLevel.x0, shiftY - supportAtLevel.y0));
    if (continues) {
        continued_ = true;
        return TG3Status::ok;
    }

    bands_ = std::make_unique<TG3BandCache>(info, tool_.planeStore());
    if (tool_.image().subblockExchange())
        bands_->shareSubblocks(tool_.image().subblockExchange(), tool_.image().imageNumber());
    if (progress_) bands_->setProgress(progress_);
    engine_ = std::make_unique<DecodeBase>(
        info, *bands_, clippedInternal_, levels_ - internalLevel_,
        static_cast<std::uint32_t>(levelWidth), static_cast<std::uint32_t>(levelHeight),
        components_, kEngineStripHeight);
    nextRow_ = static_cast<std::int32_t>(clippedInternal_.y0);
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
    const std::int64_t left = clippedInternal_.y1 - nextRow_ + 1;
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
