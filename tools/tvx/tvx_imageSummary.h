#pragma once
// What `tvx info` tells about an image, gathered once and printed as text or JSON.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tvx_openImage.h"

namespace tvx {

struct MetadataEntry {
    std::string key;
    std::string type;                            // the value type's name
    std::vector<std::vector<std::string>> rows;  // values as text, row by row
    bool numeric = false;                        // the values are numbers
    bool table = false;                          // more than one row
};

// One image of a file of several (a mosaic): its number, kind and where it lies in
// full-resolution pixels of the mosaic.
struct MosaicImageEntry {
    std::uint32_t number = 0;
    std::string kind;  // "TG3 Packets" or "TG2 Image"
    std::int64_t x = 0, y = 0, width = 0, height = 0;
    std::int32_t levelCount = 0;
};

struct ImageSummary {
    std::string path;
    int generation = 0;
    std::string fileVersion;
    std::int64_t width = 0, height = 0;
    std::int32_t bands = 0;
    std::int32_t levelCount = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> levelSizes;  // levels 0 to levelCount
    std::string dataType;
    std::uint32_t bitsPerSample = 0;
    std::string colourScheme;
    std::string decodedScheme;  // the scheme `tvx decode` writes (YIQ is written as RGB)
    std::optional<double> rangeWindow, rangeLevel;
    bool dither = false;
    bool hasGeo = false;
    std::string geoSource;                     // "file", "world file" or "none"
    std::optional<std::uint16_t> projectedCS;  // EPSG code
    double xUL = 0, yUL = 0, xResolution = 0, yResolution = 0, xRotation = 0, yRotation = 0;
    std::vector<MetadataEntry> metadata;
    bool metadataIncomplete = false;             // the file's metadata block is cut short
    std::vector<MosaicImageEntry> mosaicImages;  // in file order; empty for one image
};

ImageSummary summarise(const std::string& path, const OpenedImage& image);
void printSummary(std::ostream& out, const ImageSummary& summary);
void printSummaryJson(std::ostream& out, const ImageSummary& summary);

}  // namespace tvx
