#pragma once
// How the pixels of a TG3 image are laid out once decoded: the colour scheme
// that its input colour space stands for, and 8- or 16-bit samples.
#include <cstdint>

#include "pixel/cv_pixelLayout.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

// The colour scheme of an input colour space; SchemeUnset for those without one.
std::int32_t schemeOfColorSpace(std::uint32_t inputColorSpace);

// The colour space of the decoded pixels: Multispectral images have one band per
// component, every other scheme the band count of its own.
ColorSpace outputColorSpace(const TG3ImageInfo& info);

// The sample type of the decoded pixels: DataTypeUInt8 for 8 bits per sample,
// DataTypeUInt16 for 16; false for any other sample width.
bool outputDataType(const TG3ImageInfo& info, std::uint32_t& dataType);

// The layout the decoder writes: interleaved, identity band order. The info's
// sample width must be 8 or 16 bits.
PixelLayout outputLayout(const TG3ImageInfo& info);

}  // namespace Corvane
