#pragma once
// Where the image lies, in GDAL's terms: the affine transform from pixel corners to
// map coordinates, and the projected coordinate system the file names by its EPSG code.
#include <array>
#include <optional>

namespace Corvane {
class ImageProperties;
class MetadataDatabase;
}  // namespace Corvane

namespace tvxgdal {

// GDAL's six coefficients for full resolution, rotations included; nullopt for an
// image without georeferencing.
std::optional<std::array<double, 6>> geoTransformOf(const Corvane::ImageProperties& properties);

// The EPSG code of the projected coordinate system; nullopt when the file names none
// or only the user-defined code.
std::optional<int> projectedCodeOf(const Corvane::MetadataDatabase& metadata);

}  // namespace tvxgdal
