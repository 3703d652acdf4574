#pragma once
// Chooses the last plane that each band keeps: all of them for a lossless file, else the
// deepest common truncation (weighted per band) that meets the size or quality asked for.
#include <vector>

#include "encode/encode_rasterImage.h"
#include "encode/tg3/tg3_codedImage.h"
#include "encode/tg3/tg3_fileEncoder.h"

namespace Corvane {

// Truncation depths are tried in steps of this many bits.
inline constexpr double kDepthStep = 0.25;

// The last plane of each band. For a target size, the file written with the result is
// at most options.targetBytes long and keeps as much as that allows; a target below the
// size of a file with no planes throws InvalidArgumentException. For a target quality,
// the image decoded from the result reaches options.targetPsnr against `source` and
// keeps as little as that allows.
std::vector<int> choosePlanes(const TG3ImageInfo& info, const TG3EncodeOptions& options,
                              const CodedImage& coded, const RasterImage& source);

}  // namespace Corvane
