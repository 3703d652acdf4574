#include "tvx_geoReference.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/cv_exception.h"
#include "tvx_atomicOutput.h"

namespace tvx {

GeoReference GeoReference::atLevelAndWindow(std::int32_t level, std::int64_t column,
                                            std::int64_t row) const {
    const double scale = std::ldexp(1.0, level);
    // The centre of the window's first pixel, in full-resolution pixel coordinates.
    const double u = (static_cast<double>(column) + 0.5) * scale - 0.5;
    const double v = (static_cast<double>(row) + 0.5) * scale - 0.5;
    GeoReference result = *this;
    result.xResolution = xResolution * scale;
    result.yResolution = yResolution * scale;
    result.xRotation = xRotation * scale;
    result.yRotation = yRotation * scale;
    result.xUL = xResolution * u + yRotation * v + xUL;
    result.yUL = xRotation * u - yResolution * v + yUL;
    return result;
}

std::optional<GeoReference> readWorldFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    double values[6];
    std::string line;
    for (double& value : values) {
        char* end = nullptr;
        if (!std::getline(in, line) ||
            (value = std::strtod(line.c_str(), &end), end == line.c_str())) {
            throw Corvane::Exception("World file " + path + " does not hold six numbers");
        }
    }
    GeoReference geo;
    geo.xResolution = values[0];
    geo.xRotation = values[1];
    geo.yRotation = values[2];
    geo.yResolution = -values[3];
    geo.xUL = values[4];
    geo.yUL = values[5];
    return geo;
}

void writeWorldFile(const std::string& path, const GeoReference& geo) {
    AtomicOutput output(path);
    std::ostringstream text;
    text.precision(17);
    text << geo.xResolution << '\n'
         << geo.xRotation << '\n'
         << geo.yRotation << '\n'
         << -geo.yResolution << '\n'
         << geo.xUL << '\n'
         << geo.yUL << '\n';
    output.writeAll(text.str());
    output.commit();
}

}  // namespace tvx
