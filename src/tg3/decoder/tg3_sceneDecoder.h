#pragma once
// Decodes one scene of a TG3 image at one resolution level: it clips the request
// to the image, builds an engine for it and hands out its rows in order. A scene
// that continues the previous one downwards (same level and columns, its first row
// the next one due) keeps the engine, so that an image read strip by strip decodes
// every sub-block once instead of once per strip it meets.
#include <cstdint>
#include <functional>
#include <memory>

#include "image/cv_scene.h"
#include "tg3/decoder/tg3_decoderTool.h"
#include "tg3/engine/tg3_bandCache.h"
#include "tg3/engine/tg3_decodeBase.h"

namespace Corvane {

class TG3SceneDecoder {
  public:
    // Transform modes of the supported kernel.
    static constexpr std::int32_t kReflectiveMode = 1;
    static constexpr std::int32_t kPeriodicMode = 3;

    explicit TG3SceneDecoder(TG3DecoderTool& tool);
    TG3SceneDecoder(const TG3SceneDecoder&) = delete;
    TG3SceneDecoder& operator=(const TG3SceneDecoder&) = delete;
    ~TG3SceneDecoder();

    // Takes the colour flags, support and levels from the image information.
    // Kernels other than the 5-3 raise UnimplementedException.
    std::int32_t open();

    // Whether a host level (0 = full resolution) can be decoded.
    bool acceptsLevel(std::int32_t level) const;

    // Starts a scene: `rectangle` is in pixels of the host level. 2009 when the
    // level is beyond the image's levels or the rectangle misses the image.
    std::int32_t setScene(const Scene& rectangle, std::int32_t level);
    // Decodes the scene's first rows; a status.
    std::int32_t prepareRows();
    // Hands out the next rows of the scene: up to `count` rows of interleaved
    // samples at `rows`, their number in `delivered` (0 at the end of the scene).
    std::int32_t decodeRows(std::int32_t count, const void*& rows, std::int32_t& delivered);
    // Ends the scene. The engine is kept for a scene that continues it and dropped
    // by any other.
    std::int32_t end();

    // The part of the request that is decoded, in pixels of the host level.
    const Scene& clippedScene() const { return clippedLevelScene_; }
    std::int32_t bytesPerSample() const;
    std::int32_t components() const { return components_; }
    std::int32_t transformMode() const { return transformMode_; }
    bool isMultispectral() const { return multispectral_; }
    bool isCmyk() const { return cmyk_; }
    bool hasCmykPostProcessing() const { return cmykPostProcessing_; }

    // Called after each sub-block; a non-zero status ends the decode with it.
    void setProgress(std::function<std::int32_t()> callback) { progress_ = std::move(callback); }

  private:
    // Whether the scene at `clipped` (internal pixels of the current internal level)
    // can take over the engine of the previous scene, decoded at `previousLevel`;
    // when it can, the engine's region is extended to the new scene's last row.
    bool continuePrevious(std::int32_t previousLevel, const Region& clipped);
    void release();
    // Runs one step of the engine and drops the engine when the step fails.
    template <typename Step>
    std::int32_t keptOnlyIfClean(Step step);

    TG3DecoderTool& tool_;
    bool multispectral_ = false;
    bool cmyk_ = false;
    bool cmykPostProcessing_ = false;
    Region support_;  // full-resolution pixels of the coded image
    std::int32_t levels_ = 0;
    std::int32_t levelsRemoved_ = 0;
    std::int32_t transformMode_ = 0;
    std::int32_t components_ = 0;

    Scene requested_;
    std::int32_t level_ = 0;
    std::int32_t internalLevel_ = 0;
    Scene clippedLevelScene_;   // host-level pixels
    Region clippedInternal_;    // pixels of the internal level of the coded image
    std::int32_t nextRow_ = 0;  // next row to hand out, internal coordinates
    bool continued_ = false;    // the scene carries on the previous scene's engine

    std::unique_ptr<TG3BandCache> bands_;
    std::unique_ptr<DecodeBase> engine_;
    std::function<std::int32_t()> progress_;
};

}  // namespace Corvane
