#pragma once
// Checks an image and the encoder's options and turns them into the header information
// of the file to be written. Anything the writer cannot honour is refused here, before
// any work is done, with an exception that says why.
#include <cstdint>

#include "encode/encode_rasterSource.h"
#include "encode/tg3/tg3_fileEncoder.h"
#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

// 5 levels, or fewer so that the coarsest level keeps at least 8 pixels on its shorter
// side; never below 0.
int automaticLevels(std::uint32_t width, std::uint32_t height);

// The lossless colour transform used when the options name none.
TG3ColorTransform defaultColourTransform(std::size_t components);

// The header information for an image of this shape coded with `options`, band table
// built. Throws UnsupportedFeatureException for an image this writer cannot store and
// InvalidArgumentException for options out of range.
TG3ImageInfo encodedImageInfo(const RasterShape& image, const TG3EncodeOptions& options);

// Refuses, with UnsupportedFeatureException, rows of samples that do not fit `info`: a
// component of the wrong size or count, or a sample outside the dynamic range.
void checkSamples(const RasterImage& strip, const TG3ImageInfo& info);

}  // namespace Corvane
