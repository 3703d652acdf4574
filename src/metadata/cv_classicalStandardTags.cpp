#include "metadata/cv_classicalStandardTags.h"

#include <cstring>
#include <vector>

namespace Corvane {

namespace {

const std::int32_t kOne[1] = {1};

std::int32_t setSingle(ClassicalTagTable* table, const char* key, std::int32_t type,
                       const void* value) {
    return addTag(table, key, type, 1, kOne, value);
}

// Reads a single value only when the stored tag has the expected type, so that a
// foreign tag under a standard key cannot overrun the caller's variable.
std::int32_t getSingle(const ClassicalTagTable* table, const char* key, std::int32_t type,
                       void* value, std::size_t size) {
    if (!table || !value) return MUNINITIALIZED_POINTER;
    const std::int32_t index = findTag(table, key);
    if (index < 0) return MFAIL;
    const ClassicalTag& tag = table->slots[index];
    if (tag.type != type || tag.count < 1 || !tag.values) return MFAIL;
    std::memcpy(value, tag.values, size);
    return index;
}

std::int32_t getText(const ClassicalTagTable* table, const char* key, std::string* value) {
    if (!table || !value) return MUNINITIALIZED_POINTER;
    const std::int32_t index = findTag(table, key);
    if (index < 0) return MFAIL;
    const ClassicalTag& tag = table->slots[index];
    if (tag.type != TYPE_ASCII) return MFAIL;
    *value = tag.count > 0 ? tag.texts[0] : "";
    return index;
}

std::int32_t getAny(const ClassicalTagTable* table, const char* key, void* value) {
    const std::int32_t index = findTag(table, key);
    if (index < 0) return MFAIL;
    const std::int32_t type = table->slots[index].type;
    if (type == TYPE_ASCII || tagValueSize(type) == 0) return MFAIL;
    return getTagValues(table, key, value);
}

}  // namespace

std::int32_t setStartOfMetadata(ClassicalTagTable* table) {
    const std::int16_t one = 1;
    return setSingle(table, kStartOfMetadataKey, TYPE_SHORT, &one);
}

std::int32_t setEndOfMetadata(ClassicalTagTable* table) {
    const std::int16_t one = 1;
    return setSingle(table, kEndOfMetadataKey, TYPE_SHORT, &one);
}

std::int32_t setImageWidth(ClassicalTagTable* table, std::uint32_t value) {
    return setSingle(table, "IMAGE::WIDTH", TYPE_LONG, &value);
}
std::int32_t getImageWidth(const ClassicalTagTable* table, std::uint32_t* value) {
    return getSingle(table, "IMAGE::WIDTH", TYPE_LONG, value, sizeof *value);
}
std::int32_t setImageHeight(ClassicalTagTable* table, std::uint32_t value) {
    return setSingle(table, "IMAGE::HEIGHT", TYPE_LONG, &value);
}
std::int32_t getImageHeight(const ClassicalTagTable* table, std::uint32_t* value) {
    return getSingle(table, "IMAGE::HEIGHT", TYPE_LONG, value, sizeof *value);
}
std::int32_t setBitsPerSample(ClassicalTagTable* table, std::uint16_t value) {
    return setSingle(table, "IMAGE::BITS_PER_SAMPLE", TYPE_SHORT, &value);
}
std::int32_t getBitsPerSample(const ClassicalTagTable* table, std::uint16_t* value) {
    return getSingle(table, "IMAGE::BITS_PER_SAMPLE", TYPE_SHORT, value, sizeof *value);
}
std::int32_t setDataType(ClassicalTagTable* table, std::uint32_t value) {
    return setSingle(table, "IMAGE::DATA_TYPE", TYPE_LONG, &value);
}
std::int32_t getDataType(const ClassicalTagTable* table, std::uint32_t* value) {
    return getSingle(table, "IMAGE::DATA_TYPE", TYPE_LONG, value, sizeof *value);
}
std::int32_t setColorScheme(ClassicalTagTable* table, std::uint32_t value) {
    return setSingle(table, "IMAGE::COLOR_SCHEME", TYPE_LONG, &value);
}
std::int32_t getColorScheme(const ClassicalTagTable* table, std::uint32_t* value) {
    return getSingle(table, "IMAGE::COLOR_SCHEME", TYPE_LONG, value, sizeof *value);
}
std::int32_t setXYOrigin(ClassicalTagTable* table, double x, double y) {
    const double origin[2] = {x, y};
    const std::int32_t two[1] = {2};
    return addTag(table, "IMAGE::XY_ORIGIN", TYPE_DOUBLE, 1, two, origin);
}
std::int32_t getXYOrigin(const ClassicalTagTable* table, double* x, double* y) {
    if (!table || !x || !y) return MUNINITIALIZED_POINTER;
    const std::int32_t index = findTag(table, "IMAGE::XY_ORIGIN");
    if (index < 0) return MFAIL;
    const ClassicalTag& tag = table->slots[index];
    if (tag.type != TYPE_DOUBLE || tag.count < 2 || !tag.values) return MFAIL;
    std::memcpy(x, tag.values, sizeof *x);
    std::memcpy(y, tag.values + sizeof *x, sizeof *y);
    return index;
}
std::int32_t setXResolution(ClassicalTagTable* table, double value) {
    return setSingle(table, "IMAGE::X_RESOLUTION", TYPE_DOUBLE, &value);
}
std::int32_t getXResolution(const ClassicalTagTable* table, double* value) {
    return getSingle(table, "IMAGE::X_RESOLUTION", TYPE_DOUBLE, value, sizeof *value);
}
std::int32_t setYResolution(ClassicalTagTable* table, double value) {
    return setSingle(table, "IMAGE::Y_RESOLUTION", TYPE_DOUBLE, &value);
}
std::int32_t getYResolution(const ClassicalTagTable* table, double* value) {
    return getSingle(table, "IMAGE::Y_RESOLUTION", TYPE_DOUBLE, value, sizeof *value);
}
std::int32_t setZResolution(ClassicalTagTable* table, double value) {
    return setSingle(table, "IMAGE::Z_RESOLUTION", TYPE_DOUBLE, &value);
}
std::int32_t getZResolution(const ClassicalTagTable* table, double* value) {
    return getSingle(table, "IMAGE::Z_RESOLUTION", TYPE_DOUBLE, value, sizeof *value);
}
std::int32_t setHorizontalUnits(ClassicalTagTable* table, std::uint16_t value) {
    return setSingle(table, "IMAGE::HORIZONTAL_UNITS", TYPE_SHORT, &value);
}
std::int32_t getHorizontalUnits(const ClassicalTagTable* table, std::uint16_t* value) {
    return getSingle(table, "IMAGE::HORIZONTAL_UNITS", TYPE_SHORT, value, sizeof *value);
}
std::int32_t setHorizontalDatum(ClassicalTagTable* table, std::uint16_t value) {
    return setSingle(table, "GEO::HORIZONTAL_DATUM", TYPE_SHORT, &value);
}
std::int32_t getHorizontalDatum(const ClassicalTagTable* table, std::uint16_t* value) {
    return getSingle(table, "GEO::HORIZONTAL_DATUM", TYPE_SHORT, value, sizeof *value);
}
std::int32_t setProjectedCSType(ClassicalTagTable* table, std::uint16_t value) {
    return setSingle(table, "GEO::ProjectedCSTypeGeoKey", TYPE_SHORT, &value);
}
std::int32_t getProjectedCSType(const ClassicalTagTable* table, std::uint16_t* value) {
    return getSingle(table, "GEO::ProjectedCSTypeGeoKey", TYPE_SHORT, value, sizeof *value);
}
std::int32_t setInputFileSize(ClassicalTagTable* table, double value) {
    return setSingle(table, "IMAGE::INPUT_FILE_SIZE", TYPE_DOUBLE, &value);
}
std::int32_t getInputFileSize(const ClassicalTagTable* table, double* value) {
    return getSingle(table, "IMAGE::INPUT_FILE_SIZE", TYPE_DOUBLE, value, sizeof *value);
}
std::int32_t setCompressionVersion(ClassicalTagTable* table, std::int32_t value) {
    return setSingle(table, "IMAGE::COMPRESSION_VERSION", TYPE_SLONG, &value);
}
std::int32_t getCompressionVersion(const ClassicalTagTable* table, std::int32_t* value) {
    return getSingle(table, "IMAGE::COMPRESSION_VERSION", TYPE_SLONG, value, sizeof *value);
}
std::int32_t setTargetCompressionRatio(ClassicalTagTable* table, float value) {
    return setSingle(table, "IMAGE::TARGET_COMPRESSION_RATIO", TYPE_FLOAT, &value);
}
std::int32_t getTargetCompressionRatio(const ClassicalTagTable* table, float* value) {
    return getSingle(table, "IMAGE::TARGET_COMPRESSION_RATIO", TYPE_FLOAT, value, sizeof *value);
}
std::int32_t setCompressionWeight(ClassicalTagTable* table, float value) {
    return setSingle(table, "IMAGE::COMPRESSION_WEIGHT", TYPE_FLOAT, &value);
}
std::int32_t getCompressionWeight(const ClassicalTagTable* table, float* value) {
    return getSingle(table, "IMAGE::COMPRESSION_WEIGHT", TYPE_FLOAT, value, sizeof *value);
}
std::int32_t setCompressionKWeight(ClassicalTagTable* table, float value) {
    return setSingle(table, "IMAGE::COMPRESSION_KWEIGHT", TYPE_FLOAT, &value);
}
std::int32_t getCompressionKWeight(const ClassicalTagTable* table, float* value) {
    return getSingle(table, "IMAGE::COMPRESSION_KWEIGHT", TYPE_FLOAT, value, sizeof *value);
}
std::int32_t setCompressionGamma(ClassicalTagTable* table, float value) {
    return setSingle(table, "IMAGE::COMPRESSION_GAMMA", TYPE_FLOAT, &value);
}
std::int32_t getCompressionGamma(const ClassicalTagTable* table, float* value) {
    return getSingle(table, "IMAGE::COMPRESSION_GAMMA", TYPE_FLOAT, value, sizeof *value);
}
std::int32_t setCompressionLevels(ClassicalTagTable* table, std::uint32_t value) {
    return setSingle(table, "IMAGE::COMPRESSION_NLEV", TYPE_LONG, &value);
}
std::int32_t getCompressionLevels(const ClassicalTagTable* table, std::uint32_t* value) {
    return getSingle(table, "IMAGE::COMPRESSION_NLEV", TYPE_LONG, value, sizeof *value);
}
std::int32_t setCompressionBlockSize(ClassicalTagTable* table, std::uint32_t value) {
    return setSingle(table, "IMAGE::COMPRESSION_BLOCK_SIZE", TYPE_LONG, &value);
}
std::int32_t getCompressionBlockSize(const ClassicalTagTable* table, std::uint32_t* value) {
    return getSingle(table, "IMAGE::COMPRESSION_BLOCK_SIZE", TYPE_LONG, value, sizeof *value);
}
std::int32_t setNoDither(ClassicalTagTable* table, std::uint8_t value) {
    return setSingle(table, "IMAGE::NO_DITHER", TYPE_BYTE, &value);
}
std::int32_t getNoDither(const ClassicalTagTable* table, std::uint8_t* value) {
    return getSingle(table, "IMAGE::NO_DITHER", TYPE_BYTE, value, sizeof *value);
}
std::int32_t setComment(ClassicalTagTable* table, const char* value) {
    return setSingle(table, "ASCII::COMMENT", TYPE_ASCII, value);
}
std::int32_t getComment(const ClassicalTagTable* table, std::string* value) {
    return getText(table, "ASCII::COMMENT", value);
}
std::int32_t setInputFormat(ClassicalTagTable* table, const char* value) {
    return setSingle(table, "IMAGE::INPUT_FORMAT", TYPE_ASCII, value);
}
std::int32_t getInputFormat(const ClassicalTagTable* table, std::string* value) {
    return getText(table, "IMAGE::INPUT_FORMAT", value);
}
std::int32_t setInputName(ClassicalTagTable* table, const char* value) {
    return setSingle(table, "IMAGE::INPUT_NAME", TYPE_ASCII, value);
}
std::int32_t getInputName(const ClassicalTagTable* table, std::string* value) {
    return getText(table, "IMAGE::INPUT_NAME", value);
}
std::int32_t setCreationDate(ClassicalTagTable* table, const char* value) {
    return setSingle(table, "IMAGE::CREATION_DATE", TYPE_ASCII, value);
}
std::int32_t getCreationDate(const ClassicalTagTable* table, std::string* value) {
    return getText(table, "IMAGE::CREATION_DATE", value);
}
std::int32_t setNoDataValue(ClassicalTagTable* table, std::int32_t type, const void* value) {
    return setSingle(table, "IMAGE::NO_DATA_VALUE", type, value);
}
std::int32_t getNoDataValue(const ClassicalTagTable* table, void* value) {
    return getAny(table, "IMAGE::NO_DATA_VALUE", value);
}
std::int32_t setDefaultDataValue(ClassicalTagTable* table, std::int32_t type, const void* value) {
    return setSingle(table, "IMAGE::DEFAULT_DATA_VALUE", type, value);
}
std::int32_t getDefaultDataValue(const ClassicalTagTable* table, void* value) {
    return getAny(table, "IMAGE::DEFAULT_DATA_VALUE", value);
}
std::int32_t setTransparentDataValue(ClassicalTagTable* table, std::int32_t type,
                                     const void* value) {
    return setSingle(table, "IMAGE::TRANSPARENT_DATA_VALUE", type, value);
}
std::int32_t getTransparentDataValue(const ClassicalTagTable* table, void* value) {
    return getAny(table, "IMAGE::TRANSPARENT_DATA_VALUE", value);
}
std::int32_t setInputLut(ClassicalTagTable* table, std::int32_t width, std::int32_t height,
                         const std::uint8_t* values) {
    const std::int32_t dims[2] = {width, height};
    return addTag(table, "IMAGE::INPUT_LUT", TYPE_BYTE, 2, dims, values);
}

std::int32_t getInputLut(const ClassicalTagTable* table, std::uint8_t* values) {
    return getAny(table, "IMAGE::INPUT_LUT", values);
}

}  // namespace Corvane
