#pragma once
// Hands synthesised float samples to a pixel buffer: the band planes are
// interleaved into pixels of a float layout and converted into the buffer's own
// layout by the transformer registered for the pair of colour schemes.
#include <cstdint>
#include <vector>

#include "pixel/cv_pixelLayout.h"
#include "image/cv_scene.h"

namespace Corvane {

class PixelBuffer;

// Writes `area` of the buffer (buffer coordinates) from one plane per band, each
// `rowLength` floats per row with the area's first pixel at `planes[b][0]`. Raises
// Exception "[4][2395]No transformer registered." when no converter serves the pair.
void importFloatPlanes(PixelBuffer& buffer, const Scene& area, const PixelLayout& source,
                       const std::vector<const float*>& planes, std::size_t rowLength);

}  // namespace Corvane
