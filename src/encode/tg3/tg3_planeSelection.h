#pragma once
// Chooses how many planes each coded sub-block keeps: all of them for a lossless file,
// else those whose bytes buy the most error per byte. Every sub-block keeps the planes
// that minimise its weighted squared error plus a price per byte, one price for the
// whole image, and the price is searched for the size or quality asked for.
#include <vector>

#include "encode/encode_progress.h"
#include "encode/encode_rasterSource.h"
#include "encode/tg3/tg3_codedImage.h"
#include "encode/tg3/tg3_fileEncoder.h"

namespace Corvane {

// The base-2 logarithm of the price per byte is searched in steps of this size.
inline constexpr double kPriceStep = 1.0 / 32;

// The planes each sub-block keeps. For a target size, the file written with the result
// is at most options.targetBytes long and keeps as much as that allows; a target below
// the size of a file with no planes throws InvalidArgumentException. For a target
// quality, the image decoded from the result reaches options.targetPsnr against
// `source` and keeps as little as that allows; that search reads the whole source into
// memory and decodes it there for each quality tried.
// Each size or quality tried is reported to `progress`.
KeptPlanes choosePlanes(const TG3ImageInfo& info, const TG3EncodeOptions& options,
                        CodedImage& coded, RasterSource& source, EncodeProgress& progress);

}  // namespace Corvane
