#pragma once
// The input side of `tvx encode`: a whole image read from PNG, TIFF or PNM into the
// encoders' planar form, with the georeferencing the file carried, if any.
#include <cstdint>
#include <optional>
#include <string>

#include "encode/encode_rasterImage.h"
#include "tvx_geoReference.h"

namespace tvx {

struct InputImage {
    Corvane::RasterImage raster;  // 1 band grey, 3 RGB, 4 CMYK
    std::optional<GeoReference> geo;
    // The EPSG code of the projected coordinate system the file named, if any.
    std::optional<std::uint16_t> projectedCS;
};

InputImage readPng(const std::string& path);
InputImage readPnm(const std::string& path);
InputImage readTiff(const std::string& path);
// Chooses the reader by the path's extension; unknown ones are refused.
InputImage readImageFile(const std::string& path);

}  // namespace tvx
