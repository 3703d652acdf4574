#pragma once
// The decoder interface: turns the coded data of one image stage into the pixels of
// a requested scene. The navigator sets level and scene before every request and
// then calls begin, decode and end; a decoder lives as long as its navigator and
// keeps per-request state only between begin and end.
#include <cstdint>
#include <memory>

#include "image/cv_scene.h"
#include "support/cv_callbacks.h"

namespace Corvane {

class ImageStage;
class PixelBuffer;

class ImageDecoder {
  public:
    ImageDecoder() = default;
    ImageDecoder(const ImageDecoder&) = delete;
    ImageDecoder& operator=(const ImageDecoder&) = delete;
    virtual ~ImageDecoder() = default;

    // Prepares one request; level and scene are already set.
    virtual void begin() = 0;
    // Produces every pixel of the scene into the buffer, strip by strip.
    virtual void decode(PixelBuffer& buffer) = 0;
    // Kept for the layout of the interface; no decoder provides it.
    virtual void reserved();
    // Finishes the request and releases what begin and decode built.
    virtual void end() = 0;

    std::int32_t level() const { return level_; }
    void setLevel(std::int32_t level) { level_ = level; }
    const Scene& scene() const { return scene_; }
    void setScene(const Scene& scene) { scene_ = scene; }
    bool acceptsLevels() const { return acceptsLevels_; }
    bool acceptsMagnifiedLevels() const { return acceptsMagnifiedLevels_; }

    void setCallbacks(std::shared_ptr<CV_ProcessCallbacks> callbacks) {
        callbacks_.setCallbacks(std::move(callbacks));
    }
    void setInterruptFunction(InterruptFunction function) {
        callbacks_.setInterruptFunction(function);
    }
    void setProgressFunction(ProgressFunction function) {
        callbacks_.setProgressFunction(function);
    }
    const std::shared_ptr<CV_ProcessCallbacks>& callbacks() const { return callbacks_.callbacks(); }

    // The part of the scene that lies on the image at the decoder's level; may be
    // empty.
    Scene clippedScene(const ImageStage& stage) const;
    Scene clippedScene(std::int32_t fullWidth, std::int32_t fullHeight) const;

  protected:
    // The active callbacks; NullPointerException when there are none.
    CV_ProcessCallbacks& activeCallbacks() const;
    // Throws Interrupt when the callbacks ask to stop.
    void checkInterrupt() const;

    // The progress rules every decoder follows: progress starts at 0, is reported
    // before each strip that meets the clipped scene, grows by the strip's share of
    // the buffer's rows after every strip, and end reports 1.
    void startProgress() { progress_ = 0.0f; }
    void reportProgress() const;
    void advanceProgress(const PixelBuffer& buffer, const Scene& strip);
    void reportFinished() const;
    float progressValue() const { return progress_; }

    // Before the first strip: a buffer without a window takes the stage's window,
    // a buffer whose level is 0 the stage's level.
    static void adoptStageRange(PixelBuffer& buffer, const ImageStage& stage);

    bool acceptsLevels_ = false;
    bool acceptsMagnifiedLevels_ = false;
    // Free for the concrete decoder; nothing outside it reads this flag.
    bool decoderFlag_ = false;

  private:
    CallbackHolder callbacks_;
    std::int32_t level_ = 0;
    // The empty box until the navigator sets one.
    Scene scene_{0, 1, 0, -1, 0, 0};
    float progress_ = 0.0f;
};

}  // namespace Corvane
