#pragma once
// What the datasets tell GDAL about the file besides its pixels: the file's metadata
// keys as text in a domain of their own, the main facts in the default domain, and
// the background value that marks pixels without data.
#include <optional>
#include <string>
#include <vector>

namespace Corvane {
class MetadataDatabase;
class TvxFileImageReader;
}  // namespace Corvane

namespace tvxgdal {

// The domain that holds the file's own metadata keys.
inline constexpr const char* kMetadataDomain = "TVX";

// The item name of a key. GDAL splits an item at its first ':' or '=', so the
// prefix separator "::" becomes '.' ("IMAGE::WIDTH" is "IMAGE.WIDTH") and any other
// ':' or '=' becomes '_'.
std::string itemNameOf(const std::string& key);

// "NAME=value" items named by itemNameOf: values of a row joined by ", ", rows by "; ", numbers in
// the shortest text that reads back to the same value. A name that occurs more than once keeps its
// first element.
std::vector<std::string> metadataItemsOf(const Corvane::MetadataDatabase& metadata);

// GENERATION (TG2 or TG3), VERSION (major.minor.revision) and LEVELS.
std::vector<std::string> imageFactsOf(const Corvane::TvxFileImageReader& reader);

// The background sample of each band; nullopt when the file holds no background.
std::optional<std::vector<double>> noDataValuesOf(const Corvane::TvxFileImageReader& reader);

}  // namespace tvxgdal
