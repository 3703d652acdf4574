#include "pixel/cv_pixelLayout.h"

#include <algorithm>

namespace Corvane {

namespace {

std::size_t bandsOf(const ColorSpace& colorSpace) {
    return static_cast<std::size_t>(std::max(colorSpace.bandCount(), 0));
}

}  // namespace

PixelLayout::PixelLayout() {
    setIdentityBandMap();
}

PixelLayout::PixelLayout(std::int32_t bandSequential, const ColorSpace& colorSpace,
                         std::uint32_t dataType)
    : bandSequential_(bandSequential),
      colorSpace_(colorSpace),
      bitsPerSample_(8 * bytesPerSampleOf(dataType)),
      samplesPerPixel_(static_cast<std::uint32_t>(bandsOf(colorSpace))),
      dataType_(dataType) {
    setIdentityBandMap();
}

void PixelLayout::setColorSpace(std::uint32_t scheme) {
    setColorSpace(ColorSpace(scheme));
}

void PixelLayout::setColorSpace(const ColorSpace& colorSpace) {
    colorSpace_ = colorSpace;
    setIdentityBandMap();
    const auto bands = static_cast<std::uint32_t>(bandsOf(colorSpace));
    if (samplesPerPixel_ < bands || colorSpace.scheme() == std::uint32_t{SchemeGrayscale}) {
        samplesPerPixel_ = bands;
    }
}

void PixelLayout::setDataType(std::uint32_t dataType) {
    dataType_ = dataType;
    bitsPerSample_ = 8 * bytesPerSampleOf(dataType);
}

void PixelLayout::setBandMap(const std::uint32_t* map) {
    if (map == nullptr) {
        setIdentityBandMap();
        return;
    }
    bandMap_.assign(map, map + bandsOf(colorSpace_));
}

void PixelLayout::setIdentityBandMap() {
    bandMap_.resize(bandsOf(colorSpace_));
    for (std::size_t i = 0; i < bandMap_.size(); ++i) bandMap_[i] = static_cast<std::uint32_t>(i);
}

bool PixelLayout::operator==(const PixelLayout& other) const {
    return bandSequential_ == other.bandSequential_ && colorSpace_ == other.colorSpace_ &&
           bitsPerSample_ == other.bitsPerSample_ && samplesPerPixel_ == other.samplesPerPixel_ &&
           rowAlignment_ == other.rowAlignment_ && reservedWord_ == other.reservedWord_ &&
           bandMap_ == other.bandMap_;
}

}  // namespace Corvane
