#pragma once
// Steers a view over an image stage: a current level and a scene box at that level,
// moved and resized by the tile reader, and decoded on request into a pixel buffer.
// The decoder is made on the first decode and kept for all later ones. One lock
// guards scene, level and decoder: threads that share a navigator take turns, and a
// request that places a scene and decodes it (decodeAt) is one turn.
#include <cstdint>
#include <memory>

#include "image/cv_scene.h"
#include "platform/cv_sync.h"
#include "support/cv_callbacks.h"

namespace Corvane {

class ImageDecoder;
class ImageStage;
class PixelBuffer;

enum SceneAnchor : std::int32_t {
    AnchorCentre = 1,
    AnchorUpperLeft = 4,
};

class TovexNavigator {
  public:
    static constexpr std::int32_t kMinimumLevel = -100;

    // The whole image at the stage's coarsest level.
    explicit TovexNavigator(ImageStage& stage);
    // Level and scene as given; a scene of negative area is refused.
    TovexNavigator(ImageStage& stage, std::int32_t level, const Scene& scene);
    // A copy shares the stage and callbacks but makes its own decoder.
    TovexNavigator(const TovexNavigator& other);
    TovexNavigator& operator=(const TovexNavigator& other);
    virtual ~TovexNavigator();

    std::int32_t level() const;
    Scene scene() const;
    std::int32_t minimumLevel() const { return minimumLevel_; }
    ImageStage& stage() const { return *stage_; }
    // Null until the first decode.
    const ImageDecoder* decoder() const { return decoder_.get(); }

    // Resizes the scene about its centre (anchor 1) or its upper-left corner (4).
    void setSceneSize(std::int32_t width, std::int32_t height, std::int32_t anchor);
    // Moves the scene so that its anchor point lies at (x, y).
    void moveScene(std::int32_t x, std::int32_t y, std::int32_t anchor);
    // Changes the level by steps about the scene's centre; positive steps zoom in.
    void zoom(std::int32_t steps);
    void setLevel(std::int32_t level);

    // Decodes the current scene into the buffer through the stage's decoder.
    void decode(PixelBuffer& buffer);
    // Sizes the scene, puts its upper-left corner at (x, y) and decodes it, with no
    // other thread's request in between.
    void decodeAt(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                  PixelBuffer& buffer);

    void setCallbacks(std::shared_ptr<CV_ProcessCallbacks> callbacks);
    void setInterruptFunction(InterruptFunction function);
    void setProgressFunction(ProgressFunction function);

  private:
    void zoomBy(std::int64_t steps);
    void runDecoder(PixelBuffer& buffer);

    std::int32_t minimumLevel_ = kMinimumLevel;
    ImageStage* stage_;
    std::int32_t level_ = 0;
    Scene scene_;
    std::unique_ptr<ImageDecoder> decoder_;
    // Recursive, so that decodeAt can run the public steps it is made of.
    mutable CVCriticalSection lock_;
    CallbackHolder callbacks_;
};

}  // namespace Corvane
