#pragma once
// Netpbm files: binary PGM (P5), PPM (P6) and PAM (P7) with 8- or 16-bit samples.
#include <memory>
#include <string>

#include "tvx_rasterWriter.h"

namespace tvx {

// A PGM or PPM when the path ends in .pgm or .ppm (the band count must match),
// a PAM otherwise.
std::unique_ptr<RasterWriter> createPnmWriter(const std::string& path, const RasterHeader& header);

}  // namespace tvx
