#pragma once
// The input side of `tvx encode`: a PNG, TIFF or PNM image opened as a source of rows
// in the encoders' planar form, read as the encoder asks for them, with the
// georeferencing the file carried, if any.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "encode/encode_rasterSource.h"
#include "tvx_geoReference.h"

namespace tvx {

struct InputSource {
    std::unique_ptr<Corvane::RasterSource> source;
    std::optional<GeoReference> geo;
    // The EPSG code of the projected coordinate system the file named, if any.
    std::optional<std::uint16_t> projectedCS;
};

// The same, read whole into memory.
struct InputImage {
    Corvane::RasterImage raster;  // 1 band grey, 3 RGB, 4 CMYK
    std::optional<GeoReference> geo;
    std::optional<std::uint16_t> projectedCS;
};

InputSource openPng(const std::string& path);
InputSource openPnm(const std::string& path);
InputSource openTiff(const std::string& path);
// Chooses the reader by the path's extension; unknown ones are refused.
InputSource openImageFile(const std::string& path);
InputImage readImageFile(const std::string& path);

}  // namespace tvx
