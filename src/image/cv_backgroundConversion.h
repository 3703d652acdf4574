#pragma once
// Brings a background pixel into the layout of the buffer it is painted into.
#include "pixel/cv_pixelLayout.h"
#include "pixel/cv_pixelValue.h"

namespace Corvane {

// The value in the target layout. A value already in that layout (data type
// included) is returned as it is; any other goes through the converter that the
// transformer registry finds for the pair, with the value's window and level as the
// source window. A pair without a converter is refused with
// "[4][2395]No transformer registered.".
PixelValue convertPixelValue(const PixelValue& value, const PixelLayout& target);

}  // namespace Corvane
