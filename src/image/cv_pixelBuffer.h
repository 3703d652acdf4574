#pragma once
// A target for decoded pixels: interleaved samples in a given layout, filled by a
// decoder strip by strip. The memory is either the buffer's own or borrowed from
// the caller, who then keeps it alive and frees it.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "pixel/cv_pixelLayout.h"
#include "pixel/cv_pixelValue.h"
#include "image/cv_scene.h"

namespace Corvane {

class PixelBuffer {
  public:
    // The window value that means "not set yet".
    static constexpr float kUnsetWindow = std::numeric_limits<float>::max();
    static constexpr std::int32_t kDefaultStripHeight = 128;

    // Owned memory, allocated when a decode is prepared.
    explicit PixelBuffer(const PixelLayout& layout);
    // Borrowed memory of the given size in bytes; never freed by the buffer.
    PixelBuffer(const PixelLayout& layout, std::uint8_t* memory, std::size_t capacity);
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    virtual ~PixelBuffer() = default;

    const PixelLayout& layout() const { return layout_; }
    // The buffer's box, in buffer coordinates with its origin at (0, 0).
    const Scene& scene() const { return scene_; }
    // Takes the size of the given box and places it at the origin.
    void setScene(const Scene& scene);
    std::int32_t xOffset() const { return xOffset_; }
    std::int32_t yOffset() const { return yOffset_; }
    // Offsets added to every address; negative offsets are refused.
    void setOffsets(std::int32_t x, std::int32_t y);

    // Bytes of one pixel and of one row (rounded up to the layout's row alignment).
    std::size_t pixelBytes() const;
    std::size_t rowStride() const;
    // Scene height times row stride.
    std::size_t totalSize() const;

    bool ownsMemory() const { return borrowed_ == nullptr; }
    // Null until memory has been provided.
    std::uint8_t* memory();
    const std::uint8_t* memory() const { return const_cast<PixelBuffer*>(this)->memory(); }
    // Start of pixel (x, y) of the buffer; the caller keeps (x, y) inside the scene.
    std::uint8_t* pixel(std::int32_t x, std::int32_t y);

    const PixelValue& background() const { return background_; }
    void setBackground(const PixelValue& background) { background_ = background; }

    // Rows per strip; below 1 means the whole scene in one strip.
    std::int32_t stripHeight() const { return stripHeight_; }
    void setStripHeight(std::int32_t rows) { stripHeight_ = rows; }

    // The dynamic range the buffer's samples are to be shown with.
    float window() const { return window_; }
    float level() const { return level_; }
    void setWindow(float window) { window_ = window; }
    void setLevel(float level) { level_ = level; }

    std::int32_t decodeCount() const { return decodeCount_; }
    bool inDecode() const { return inDecode_; }

    // Starts a decode: computes stride and size, provides memory, converts the
    // background into the buffer's layout and makes the first strip current.
    void prepareDecode();
    // The current strip, clipped to the scene; empty when the decode is over.
    const Scene& currentStrip() const { return strip_; }
    bool hasStrip() const { return inDecode_ && !strip_.isEmpty(); }
    // Moves down by one strip height and fills the new strip with the background.
    void nextStrip();
    // Ends a decode: drops what it held and counts it.
    void finishDecode();
    // Ends a failed decode without counting it.
    void abortDecode();

  private:
    std::int64_t rowsPerStrip() const;
    void setStrip(std::int64_t top);
    void fillStripWithBackground();

    PixelLayout layout_;
    Scene scene_{0, 0, 0, -1, -1, 0};
    std::int32_t xOffset_ = 0;
    std::int32_t yOffset_ = 0;
    std::vector<std::uint8_t> owned_;
    std::uint8_t* borrowed_ = nullptr;
    std::size_t borrowedCapacity_ = 0;
    PixelValue background_;
    // The background in the buffer's own layout; held only during a decode.
    std::optional<PixelValue> convertedBackground_;
    std::int32_t stripHeight_ = kDefaultStripHeight;
    Scene strip_{0, 0, 0, -1, -1, 0};
    float window_ = kUnsetWindow;
    float level_ = 0.0f;
    std::int32_t decodeCount_ = 0;
    bool inDecode_ = false;
};

}  // namespace Corvane
