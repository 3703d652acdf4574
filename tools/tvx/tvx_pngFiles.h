#pragma once
// PNG files through libpng: 8- or 16-bit grey or RGB.
#include <memory>
#include <string>

#include "tvx_rasterWriter.h"

namespace tvx {

std::unique_ptr<RasterWriter> createPngWriter(const std::string& path, const RasterHeader& header);

}  // namespace tvx
