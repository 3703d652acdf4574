#pragma once
// The value of one pixel in a given layout, used as an image's background. The
// samples may be absent (no background); the dynamic-range window and level
// travel with it so that whoever converts the value knows the source range.
#include <cstdint>
#include <vector>

#include "pixel/cv_pixelLayout.h"

namespace Corvane {

class PixelValue {
  public:
    PixelValue() = default;
    explicit PixelValue(const PixelLayout& layout) : layout_(layout) {}
    PixelValue(const PixelValue&) = default;
    PixelValue& operator=(const PixelValue&) = default;
    PixelValue(PixelValue&&) = default;
    PixelValue& operator=(PixelValue&&) = default;
    virtual ~PixelValue() = default;

    const PixelLayout& layout() const { return layout_; }
    // Replaces the layout; samples that no longer fit are dropped.
    void setLayout(const PixelLayout& layout);

    bool hasSamples() const { return !samples_.empty(); }
    // Null when there are no samples.
    const std::uint8_t* samples() const { return samples_.empty() ? nullptr : samples_.data(); }
    std::uint8_t* samples() { return samples_.empty() ? nullptr : samples_.data(); }
    // Bytes per sample times samples per pixel.
    std::size_t sampleByteCount() const;
    // Copies sampleByteCount() bytes; null removes the samples.
    void setSamples(const std::uint8_t* bytes);
    void clearSamples() { samples_.clear(); }

    // Sample slot `index` of the pixel read as a number; 0 when there are no samples.
    double sample(std::size_t index) const;
    // Stores value, clamped and truncated to the data type; creates zeroed samples
    // first when there are none.
    void setSample(std::size_t index, double value);

    float window() const { return window_; }
    float level() const { return level_; }
    void setDynamicRange(float window, float level) {
        window_ = window;
        level_ = level;
    }

  private:
    PixelLayout layout_;
    std::vector<std::uint8_t> samples_;
    float window_ = 0.0f;
    float level_ = 0.0f;
};

// Reads or writes one sample of the given data type at p; unknown types read 0 and
// write nothing. Writes clamp to the type's range and truncate toward zero.
double readSample(const std::uint8_t* p, std::uint32_t dataType);
void writeSample(std::uint8_t* p, std::uint32_t dataType, double value);

}  // namespace Corvane
