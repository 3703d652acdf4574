#pragma once
// How the samples of one pixel are laid out: colour space, sample type and size,
// samples per pixel, row alignment, and which sample slot each band goes to.
#include <cstdint>
#include <vector>

#include "pixel/cv_colorSpace.h"
#include "pixel/cv_dataType.h"

namespace Corvane {

class PixelLayout {
  public:
    // RGB, 3 bands, 8 bits, 3 samples per pixel, unsigned 8-bit samples.
    PixelLayout();
    // Bits per sample follow from the data type, samples per pixel from the colour
    // space's band count.
    PixelLayout(std::int32_t bandSequential, const ColorSpace& colorSpace, std::uint32_t dataType);
    PixelLayout(const PixelLayout&) = default;
    PixelLayout& operator=(const PixelLayout&) = default;
    virtual ~PixelLayout() = default;

    // 0 when the samples of one pixel are adjacent; every layout built here uses 0.
    std::int32_t bandSequential() const { return bandSequential_; }
    const ColorSpace& colorSpace() const { return colorSpace_; }
    std::uint32_t bitsPerSample() const { return bitsPerSample_; }
    std::uint32_t samplesPerPixel() const { return samplesPerPixel_; }
    std::int32_t rowAlignment() const { return rowAlignment_; }
    std::int32_t reservedWord() const { return reservedWord_; }
    std::uint32_t dataType() const { return dataType_; }
    std::uint32_t bytesPerSample() const { return bytesPerSampleOf(dataType_); }

    // One entry per band of the colour space: the sample slot of that band.
    const std::vector<std::uint32_t>& bandMap() const { return bandMap_; }
    std::uint32_t bandSlot(std::size_t band) const { return bandMap_.at(band); }

    // Replaces the colour space and rebuilds the identity band map. Samples per
    // pixel stay when they still hold every band and the scheme is not Grayscale.
    void setColorSpace(std::uint32_t scheme);
    void setColorSpace(const ColorSpace& colorSpace);
    void setSamplesPerPixel(std::uint32_t samplesPerPixel) { samplesPerPixel_ = samplesPerPixel; }
    void setBitsPerSample(std::uint32_t bitsPerSample) { bitsPerSample_ = bitsPerSample; }
    // Also sets bits per sample to the full width of the type.
    void setDataType(std::uint32_t dataType);
    // Copies one entry per band of the colour space from map.
    void setBandMap(const std::uint32_t* map);
    void setIdentityBandMap();

    // The data type takes no part in the comparison.
    bool operator==(const PixelLayout& other) const;

  private:
    std::int32_t bandSequential_ = 0;
    ColorSpace colorSpace_{SchemeRGB};
    std::uint32_t bitsPerSample_ = 8;
    std::uint32_t samplesPerPixel_ = 3;
    std::int32_t rowAlignment_ = 1;
    std::vector<std::uint32_t> bandMap_;
    std::int32_t reservedWord_ = -1;
    std::uint32_t dataType_ = DataTypeUInt8;
};

}  // namespace Corvane
