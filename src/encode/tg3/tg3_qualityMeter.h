#pragma once
// Measures what a choice of planes gives back: the image is decoded from the planes
// through the library's own decoder and compared with the source.
#include <limits>

#include "encode/encode_rasterImage.h"
#include "encode/tg3/tg3_memoryPlaneset.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

// Peak signal-to-noise ratio in dB over every sample of every component, with the
// image's dynamic range (maximum - minimum) as the peak; infinity for an exact match.
double peakSignalToNoise(const RasterImage& source, const RasterImage& decoded,
                         std::int32_t rangeMin, std::int32_t rangeMax);

// The image decoded from `planes` at full resolution. A decoder status is thrown
// through throwStatus.
RasterImage decodePlanes(const TG3ImageInfo& info, const MemoryPlaneset& planes);

}  // namespace Corvane
