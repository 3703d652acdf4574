#include "metadata/cv_geoKeys.h"

#include "metadata/cv_metadataDatabase.h"
#include "support/cv_exception.h"

namespace Corvane {

std::optional<std::uint16_t> projectedCSTypeOf(const MetadataDatabase& metadata) {
    const MetadataElement& element = metadata.get(kProjectedCSTypeKey);
    if (element.isNull() || element.rowCount() == 0 || element.row(0).empty()) return std::nullopt;
    const MetadataValue& value = element.row(0).front();
    if (value.type() == MetadataText) return std::nullopt;
    double code = 0;
    try {
        code = value.toDouble();
    } catch (const Exception&) {
        return std::nullopt;  // a value of no known type
    }
    if (!(code >= 1 && code < kUserDefinedGeoKey)) return std::nullopt;
    return static_cast<std::uint16_t>(code);
}

}  // namespace Corvane
