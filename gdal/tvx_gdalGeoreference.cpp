#include "tvx_gdalGeoreference.h"

#include "image/cv_imageProperties.h"
#include "metadata/cv_geoKeys.h"

namespace tvxgdal {

std::optional<std::array<double, 6>> geoTransformOf(const Corvane::ImageProperties& p) {
    if (!p.hasGeoInformation()) return std::nullopt;
    // The image's numbers map pixel centres, with the row step positive going down
    //   x = xResolution * i + yRotation * j + xUL,  y = xRotation * i - yResolution * j + yUL;
    // GDAL maps pixel corners, so the origin moves back by half a pixel each way.
    return std::array<double, 6>{
        p.xUL() - 0.5 * (p.xResolution() + p.yRotation()), p.xResolution(), p.yRotation(),
        p.yUL() - 0.5 * (p.xRotation() - p.yResolution()), p.xRotation(),   -p.yResolution()};
}

std::optional<int> projectedCodeOf(const Corvane::MetadataDatabase& metadata) {
    const auto code = Corvane::projectedCSTypeOf(metadata);
    return code ? std::optional<int>(*code) : std::nullopt;
}

}  // namespace tvxgdal
