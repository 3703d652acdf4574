#pragma once
// The coordinate system an image's metadata names: the EPSG code of a projected
// coordinate system, kept under the GeoTIFF key's own name.
#include <cstdint>
#include <optional>

namespace Corvane {

class MetadataDatabase;

inline constexpr const char* kProjectedCSTypeKey = "GEO::ProjectedCSTypeGeoKey";
// GeoTIFF's code for a coordinate system that is described but has no number.
inline constexpr std::uint16_t kUserDefinedGeoKey = 32767;

// The code, when the metadata holds a number from 1 to 32766 under the key; nullopt
// for no key, a text, or the user-defined code.
std::optional<std::uint16_t> projectedCSTypeOf(const MetadataDatabase& metadata);

}  // namespace Corvane
