#pragma once
// How much a coefficient error in each band weighs in the rebuilt image, and the last
// plane each band keeps for a given truncation depth. Bands whose errors spread over
// more pixels keep more planes, so that every band adds about the same squared error.
#include <vector>

#include "tg3/header/tg3_imageInfo.h"

namespace Corvane {

// Half the base-2 logarithm of the energy that one unit coefficient of each band puts
// into the image through the inverse 5-3 (0 for the low-pass bands that are not coded).
std::vector<double> bandWeights(const TG3ImageInfo& info);

// The last plane of each band when `depth` bits are dropped from a band of weight 0:
// a band of weight w drops round(depth - w) of its lowest planes (none to all 32).
std::vector<int> lastPlanesForDepth(const std::vector<double>& weights, double depth);

// The depth at which every band keeps no plane.
double emptyDepth(const std::vector<double>& weights);

}  // namespace Corvane
