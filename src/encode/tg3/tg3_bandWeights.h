#pragma once
// How much a coefficient error in each band and each component weighs in the rebuilt
// image, so that the planes kept are those that remove the most error per byte.
#include <vector>

#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

// Half the base-2 logarithm of the energy that one unit coefficient of each band puts
// into the image through the inverse 5-3 (0 for the low-pass bands that are not coded).
std::vector<double> bandWeights(const TG3ImageInfo& info);

// The energy that a unit error in each component puts into the image's samples
// through the decoder's inverse colour transform (1 for each without one).
std::vector<double> componentGains(const TG3ImageInfo& info);

// Bits past which no band has a plane left: 33 plus the largest weight.
double emptyDepth(const std::vector<double>& weights);

}  // namespace Corvane
