#pragma once
// Where an image lies on the ground: the six numbers of a world file, read as an
// affine map from pixel centres (column i, row j) to map coordinates:
//   x = xResolution * i + yRotation * j + xUL
//   y = xRotation * i - yResolution * j + yUL
// xUL and yUL are the centre of the upper-left pixel; yResolution is the size of a
// pixel going down, so it is positive for a north-up image.
#include <cstdint>
#include <optional>
#include <string>

namespace tvx {

struct GeoReference {
    double xResolution = 1.0;
    double yResolution = 1.0;
    double xRotation = 0.0;
    double yRotation = 0.0;
    double xUL = 0.0;
    double yUL = 0.0;

    bool rotated() const { return xRotation != 0.0 || yRotation != 0.0; }

    // The same ground seen at a coarser level (each step halves the pixel count,
    // pixel (0, 0) covering the first 2^level full-resolution pixels) and through a
    // window whose upper-left pixel is (column, row) of that level.
    GeoReference atLevelAndWindow(std::int32_t level, std::int64_t column, std::int64_t row) const;

    bool operator==(const GeoReference&) const = default;
};

// Reads a world file of six numeric lines; nullopt when it cannot be opened.
// A file with fewer than six numbers is refused with an exception.
std::optional<GeoReference> readWorldFile(const std::string& path);
// Writes the six lines, the Y step negated as world files carry it.
void writeWorldFile(const std::string& path, const GeoReference& geo);

}  // namespace tvx
