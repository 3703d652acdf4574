#include "tvx_imageSummary.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "image/cv_levelChoice.h"
#include "image/cv_worldFile.h"
#include "metadata/cv_geoKeys.h"
#include "metadata/cv_metadataDatabase.h"
#include "pixel/cv_colorSpace.h"
#include "pixel/cv_dataType.h"
#include "support/cv_exception.h"
#include "tg3/decoder/tg3_imageStage.h"
#include "transform/cv_shownScheme.h"
#include "tvx_geoReference.h"

namespace tvx {

namespace {

std::string dataTypeName(std::uint32_t code) {
    switch (code) {
        case Corvane::DataTypeUInt8:
            return "uint8";
        case Corvane::DataTypeUInt16:
            return "uint16";
        case Corvane::DataTypeInt32:
            return "int32";
        case Corvane::DataTypeFloat32:
            return "float32";
        case Corvane::DataTypeFloat64:
            return "float64";
        default:
            return "unknown (" + std::to_string(code) + ")";
    }
}

// Shortest text that reads back to the same double.
std::string number(double value) {
    if (!std::isfinite(value)) return "null";
    for (int precision = 6; precision <= 17; ++precision) {
        char text[40];
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value) return text;
    }
    return std::to_string(value);
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u >= 0x80) {
            // Texts of unknown encoding stay valid JSON byte by byte.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

MetadataEntry entryOf(const Corvane::MetadataElement& element) {
    MetadataEntry entry;
    entry.key = element.key();
    entry.type = Corvane::metadataTypeName(element.valueType());
    entry.numeric = element.valueType() != Corvane::MetadataText;
    entry.table = element.rowCount() > 1;
    for (std::size_t r = 0; r < element.rowCount(); ++r) {
        std::vector<std::string> row;
        for (const Corvane::MetadataValue& value : element.row(r))
            row.push_back(value.type() == Corvane::MetadataText ? value.asString()
                                                                : number(value.toDouble()));
        entry.rows.push_back(std::move(row));
    }
    return entry;
}

std::string entryText(const MetadataEntry& entry) {
    std::string text;
    for (std::size_t r = 0; r < entry.rows.size(); ++r) {
        if (r > 0) text += "; ";
        for (std::size_t i = 0; i < entry.rows[r].size(); ++i)
            text += (i > 0 ? ", " : "") + entry.rows[r][i];
    }
    return text;
}

std::string entryJson(const MetadataEntry& entry) {
    auto value = [&](const std::string& text) { return entry.numeric ? text : jsonString(text); };
    auto rowJson = [&](const std::vector<std::string>& row) {
        if (row.size() == 1 && !entry.table) return value(row[0]);
        std::string out = "[";
        for (std::size_t i = 0; i < row.size(); ++i) out += (i > 0 ? ", " : "") + value(row[i]);
        return out + "]";
    };
    if (entry.rows.empty()) return "null";
    if (!entry.table) return rowJson(entry.rows[0]);
    std::string out = "[";
    for (std::size_t r = 0; r < entry.rows.size(); ++r)
        out += (r > 0 ? ", " : "") + rowJson(entry.rows[r]);
    return out + "]";
}

}  // namespace

ImageSummary summarise(const std::string& path, const OpenedImage& image) {
    const Corvane::TvxFileImageReader& reader = *image.reader;
    const Corvane::ImageProperties& p = reader.properties();
    ImageSummary s;
    s.path = path;
    s.generation = image.generation;
    const Corvane::FormatVersion version = reader.version();
    s.fileVersion = std::to_string(version[0] & 0x7F) + "." + std::to_string(version[1] & 0x7F) +
                    "." + std::to_string(version[2] & 0x7F);
    s.width = reader.width();
    s.height = reader.height();
    s.bands = reader.bandCount();
    s.levelCount = reader.levelCount();
    for (std::int32_t level = 0; level <= s.levelCount; ++level)
        s.levelSizes.emplace_back(Corvane::levelExtentOf(s.width, level),
                                  Corvane::levelExtentOf(s.height, level));
    s.dataType = dataTypeName(p.layout().dataType());
    s.bitsPerSample = p.layout().bitsPerSample();
    s.colourScheme = p.layout().colorSpace().schemeName();
    s.decodedScheme =
        Corvane::ColorSpace::schemeName(Corvane::shownScheme(p.layout().colorSpace().scheme()));
    // A window of 0 stands for no dynamic range at all.
    if (p.dynamicRangeWindow().value_or(0.0) > 0.0) {
        s.rangeWindow = p.dynamicRangeWindow();
        s.rangeLevel = p.dynamicRangeLevel();
    }
    s.dither = p.dither();
    s.hasGeo = p.hasGeoInformation();
    // The file-level reader lets a complete world file override what the file says.
    bool worldFile = false;
    try {
        worldFile = readWorldFile(Corvane::worldFilePath(path).path()).has_value();
    } catch (const Corvane::Exception&) {
        // A short world file sets only some numbers and no georeferencing of its own.
    }
    s.geoSource = worldFile ? "world file" : s.hasGeo ? "file" : "none";
    s.projectedCS = Corvane::projectedCSTypeOf(reader.metadata());
    s.xUL = p.xUL();
    s.yUL = p.yUL();
    s.xResolution = p.xResolution();
    s.yResolution = p.yResolution();
    s.xRotation = p.xRotation();
    s.yRotation = p.yRotation();
    for (const auto& [key, element] : reader.metadata()) s.metadata.push_back(entryOf(element));
    s.metadataIncomplete = reader.metadata().isIncomplete();
    const auto* tg3 = dynamic_cast<const Corvane::TG3ImageStage*>(&reader.activeStage());
    if (tg3 != nullptr && tg3->mosaic() != nullptr) {
        for (const Corvane::TG3MosaicImage& image : tg3->mosaic()->images()) {
            const Corvane::Scene place = image.placeAt(0);
            s.mosaicImages.push_back({image.entry().imageNumber,
                                      Corvane::imageKindText(image.entry().kind), place.x0,
                                      place.y0, place.width(), place.height(), image.levelCount()});
        }
    }
    return s;
}

void printSummary(std::ostream& out, const ImageSummary& s) {
    out << "File: " << s.path << "\n"
        << "Generation: TG" << (s.generation >= 3 ? 3 : 2) << " (generation byte " << s.generation
        << "), file version " << s.fileVersion << "\n"
        << "Size: " << s.width << " x " << s.height << ", " << s.bands
        << (s.bands == 1 ? " band" : " bands") << "\n"
        << "Levels: " << s.levelCount << "\n";
    for (std::size_t level = 0; level < s.levelSizes.size(); ++level)
        out << "  level " << level << ": " << s.levelSizes[level].first << " x "
            << s.levelSizes[level].second << "\n";
    out << "Data type: " << s.dataType << ", " << s.bitsPerSample << " bits per sample\n"
        << "Colour scheme: " << s.colourScheme
        << (s.decodedScheme != s.colourScheme ? ", decoded as " + s.decodedScheme : "") << "\n";
    if (s.rangeWindow && s.rangeLevel)
        out << "Dynamic range: window " << number(*s.rangeWindow) << ", level "
            << number(*s.rangeLevel) << "\n";
    else
        out << "Dynamic range: none\n";
    out << "Dither: " << (s.dither ? "yes" : "no") << "\n";
    if (s.hasGeo) {
        out << "Georeferencing (from the " << s.geoSource << "):\n"
            << "  origin: " << number(s.xUL) << ", " << number(s.yUL) << "\n"
            << "  resolution: " << number(s.xResolution) << ", " << number(s.yResolution) << "\n"
            << "  rotation: " << number(s.xRotation) << ", " << number(s.yRotation) << "\n"
            << "  coordinate system: "
            << (s.projectedCS ? "EPSG:" + std::to_string(*s.projectedCS) : std::string("none"))
            << "\n";
    } else {
        out << "Georeferencing: none\n";
    }
    if (!s.mosaicImages.empty()) out << "Mosaic of " << s.mosaicImages.size() << " images:\n";
    for (const MosaicImageEntry& image : s.mosaicImages)
        out << "  image " << image.number << " (" << image.kind << "): " << image.width << " x "
            << image.height << " at " << image.x << ", " << image.y << ", " << image.levelCount
            << " levels\n";
    out << "Metadata (" << s.metadata.size() << " keys"
        << (s.metadataIncomplete ? "; the file's metadata block is cut short and was not read" : "")
        << "):\n";
    for (const MetadataEntry& entry : s.metadata)
        out << "  " << entry.key << " = " << entryText(entry) << "\n";
}

void printSummaryJson(std::ostream& out, const ImageSummary& s) {
    out << "{\n  \"file\": " << jsonString(s.path)
        << ",\n  \"generation\": " << (s.generation >= 3 ? 3 : 2)
        << ",\n  \"generation_byte\": " << s.generation
        << ",\n  \"file_version\": " << jsonString(s.fileVersion) << ",\n  \"width\": " << s.width
        << ",\n  \"height\": " << s.height << ",\n  \"bands\": " << s.bands
        << ",\n  \"level_count\": " << s.levelCount << ",\n  \"levels\": [";
    for (std::size_t level = 0; level < s.levelSizes.size(); ++level)
        out << (level > 0 ? ", " : "") << "{\"level\": " << level
            << ", \"width\": " << s.levelSizes[level].first
            << ", \"height\": " << s.levelSizes[level].second << "}";
    out << "],\n  \"data_type\": " << jsonString(s.dataType)
        << ",\n  \"bits_per_sample\": " << s.bitsPerSample
        << ",\n  \"colour_scheme\": " << jsonString(s.colourScheme)
        << ",\n  \"decoded_scheme\": " << jsonString(s.decodedScheme) << ",\n  \"dynamic_range\": ";
    if (s.rangeWindow && s.rangeLevel)
        out << "{\"window\": " << number(*s.rangeWindow) << ", \"level\": " << number(*s.rangeLevel)
            << "}";
    else
        out << "null";
    out << ",\n  \"dither\": " << (s.dither ? "true" : "false") << ",\n  \"georeferencing\": ";
    if (s.hasGeo)
        out << "{\"source\": " << jsonString(s.geoSource) << ", \"origin\": [" << number(s.xUL)
            << ", " << number(s.yUL) << "], \"resolution\": [" << number(s.xResolution) << ", "
            << number(s.yResolution) << "], \"rotation\": [" << number(s.xRotation) << ", "
            << number(s.yRotation) << "], \"epsg\": "
            << (s.projectedCS ? std::to_string(*s.projectedCS) : std::string("null")) << "}";
    else
        out << "null";
    out << ",\n  \"mosaic_images\": [";
    for (std::size_t i = 0; i < s.mosaicImages.size(); ++i) {
        const MosaicImageEntry& image = s.mosaicImages[i];
        out << (i > 0 ? ", " : "") << "{\"image\": " << image.number
            << ", \"kind\": " << jsonString(image.kind) << ", \"x\": " << image.x
            << ", \"y\": " << image.y << ", \"width\": " << image.width
            << ", \"height\": " << image.height << ", \"level_count\": " << image.levelCount << "}";
    }
    out << "]";
    out << ",\n  \"metadata_incomplete\": " << (s.metadataIncomplete ? "true" : "false")
        << ",\n  \"metadata\": [";
    for (std::size_t i = 0; i < s.metadata.size(); ++i)
        out << (i > 0 ? "," : "") << "\n    {\"key\": " << jsonString(s.metadata[i].key)
            << ", \"type\": " << jsonString(s.metadata[i].type)
            << ", \"value\": " << entryJson(s.metadata[i]) << "}";
    out << (s.metadata.empty() ? "]" : "\n  ]") << "\n}\n";
}

}  // namespace tvx
