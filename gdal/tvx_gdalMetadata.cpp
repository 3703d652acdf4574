#include "tvx_gdalMetadata.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "metadata/cv_metadataDatabase.h"
#include "metadata/cv_metadataValue.h"
#include "pixel/cv_pixelValue.h"
#include "reader/cv_tvxFileImageReader.h"
#include "support/cv_exception.h"

namespace tvxgdal {

namespace {

std::string numberText(double value) {
    if (!std::isfinite(value)) return std::to_string(value);
    for (int precision = 6; precision <= 17; ++precision) {
        char text[40];
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value) return text;
    }
    return std::to_string(value);
}

std::string valueText(const Corvane::MetadataValue& value) {
    if (value.type() == Corvane::MetadataText) return value.asString();
    try {
        return numberText(value.toDouble());
    } catch (const Corvane::Exception&) {
        return "";  // a value the file left unset
    }
}

std::string elementText(const Corvane::MetadataElement& element) {
    std::string text;
    for (std::size_t r = 0; r < element.rowCount(); ++r) {
        if (r > 0) text += "; ";
        const Corvane::MetadataElement::Row& row = element.row(r);
        for (std::size_t i = 0; i < row.size(); ++i)
            text += (i > 0 ? ", " : "") + valueText(row[i]);
    }
    return text;
}

}  // namespace

std::string itemNameOf(const std::string& key) {
    std::string name;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key.compare(i, 2, "::") == 0) {
            name += '.';
            ++i;
        } else {
            name += key[i] == ':' || key[i] == '=' ? '_' : key[i];
        }
    }
    return name;
}

std::vector<std::string> metadataItemsOf(const Corvane::MetadataDatabase& metadata) {
    std::vector<std::string> items;
    std::set<std::string> seen;
    for (const auto& [key, element] : metadata) {
        const std::string name = itemNameOf(key);
        if (name.empty() || name.find_first_of("\n\r") != std::string::npos) continue;
        if (!seen.insert(name).second) continue;
        items.push_back(name + "=" + elementText(element));
    }
    return items;
}

std::vector<std::string> imageFactsOf(const Corvane::TvxFileImageReader& reader) {
    const Corvane::FormatVersion version = reader.version();
    return {std::string("GENERATION=") + (reader.isTG3() ? "TG3" : "TG2"),
            "VERSION=" + std::to_string(version[0] & 0x7F) + "." +
                std::to_string(version[1] & 0x7F) + "." + std::to_string(version[2] & 0x7F),
            "LEVELS=" + std::to_string(reader.levelCount())};
}

std::optional<std::vector<double>> noDataValuesOf(const Corvane::TvxFileImageReader& reader) {
    if (reader.properties().backgroundSamples().empty()) return std::nullopt;
    const Corvane::PixelValue background = reader.backgroundPixel();
    if (!background.hasSamples()) return std::nullopt;
    std::vector<double> values;
    const auto bands = reader.properties().layout().samplesPerPixel();
    for (std::uint32_t band = 0; band < bands; ++band) values.push_back(background.sample(band));
    return values;
}

}  // namespace tvxgdal
