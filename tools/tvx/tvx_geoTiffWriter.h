#pragma once
// Tiled GeoTIFF output: 256 x 256 deflate-compressed tiles filled a band of rows at
// a time, and the georeferencing as a tie point and pixel scale, or as a full
// transformation matrix when the image is rotated.
#include <memory>
#include <string>

#include "tvx_rasterWriter.h"

namespace tvx {

std::unique_ptr<RasterWriter> createGeoTiffWriter(const std::string& path,
                                                  const RasterHeader& header);

}  // namespace tvx
