#pragma once
// Accessors for the tags the library writes itself, each with its fixed type. The
// setters answer the slot index or a result code, the getters the slot index, or
// -1 when the tag is absent.
#include <cstdint>
#include <string>

#include "metadata/cv_classicalTag.h"

namespace Corvane {

// The start and end markers: TYPE_SHORT, one dimension of size 1, value 1.
std::int32_t setStartOfMetadata(ClassicalTagTable* table);
std::int32_t setEndOfMetadata(ClassicalTagTable* table);

std::int32_t setImageWidth(ClassicalTagTable* table, std::uint32_t value);
std::int32_t getImageWidth(const ClassicalTagTable* table, std::uint32_t* value);
std::int32_t setImageHeight(ClassicalTagTable* table, std::uint32_t value);
std::int32_t getImageHeight(const ClassicalTagTable* table, std::uint32_t* value);
std::int32_t setBitsPerSample(ClassicalTagTable* table, std::uint16_t value);
std::int32_t getBitsPerSample(const ClassicalTagTable* table, std::uint16_t* value);
std::int32_t setDataType(ClassicalTagTable* table, std::uint32_t value);
std::int32_t getDataType(const ClassicalTagTable* table, std::uint32_t* value);
std::int32_t setColorScheme(ClassicalTagTable* table, std::uint32_t value);
std::int32_t getColorScheme(const ClassicalTagTable* table, std::uint32_t* value);
// The origin is the upper-left pixel's position, stored as two doubles: x, then y.
std::int32_t setXYOrigin(ClassicalTagTable* table, double x, double y);
std::int32_t getXYOrigin(const ClassicalTagTable* table, double* x, double* y);
std::int32_t setXResolution(ClassicalTagTable* table, double value);
std::int32_t getXResolution(const ClassicalTagTable* table, double* value);
std::int32_t setYResolution(ClassicalTagTable* table, double value);
std::int32_t getYResolution(const ClassicalTagTable* table, double* value);
std::int32_t setZResolution(ClassicalTagTable* table, double value);
std::int32_t getZResolution(const ClassicalTagTable* table, double* value);
std::int32_t setHorizontalUnits(ClassicalTagTable* table, std::uint16_t value);
std::int32_t getHorizontalUnits(const ClassicalTagTable* table, std::uint16_t* value);
std::int32_t setHorizontalDatum(ClassicalTagTable* table, std::uint16_t value);
std::int32_t getHorizontalDatum(const ClassicalTagTable* table, std::uint16_t* value);
std::int32_t setProjectedCSType(ClassicalTagTable* table, std::uint16_t value);
std::int32_t getProjectedCSType(const ClassicalTagTable* table, std::uint16_t* value);
std::int32_t setComment(ClassicalTagTable* table, const char* value);
std::int32_t getComment(const ClassicalTagTable* table, std::string* value);
std::int32_t setInputFormat(ClassicalTagTable* table, const char* value);
std::int32_t getInputFormat(const ClassicalTagTable* table, std::string* value);
std::int32_t setInputName(ClassicalTagTable* table, const char* value);
std::int32_t getInputName(const ClassicalTagTable* table, std::string* value);
std::int32_t setCreationDate(ClassicalTagTable* table, const char* value);
std::int32_t getCreationDate(const ClassicalTagTable* table, std::string* value);
std::int32_t setInputFileSize(ClassicalTagTable* table, double value);
std::int32_t getInputFileSize(const ClassicalTagTable* table, double* value);
// The three data values take the image's sample type and one value of that type.
std::int32_t setNoDataValue(ClassicalTagTable* table, std::int32_t type, const void* value);
std::int32_t getNoDataValue(const ClassicalTagTable* table, void* value);
std::int32_t setDefaultDataValue(ClassicalTagTable* table, std::int32_t type, const void* value);
std::int32_t getDefaultDataValue(const ClassicalTagTable* table, void* value);
std::int32_t setTransparentDataValue(ClassicalTagTable* table, std::int32_t type,
                                     const void* value);
std::int32_t getTransparentDataValue(const ClassicalTagTable* table, void* value);
// A look-up table of width x height bytes.
std::int32_t setInputLut(ClassicalTagTable* table, std::int32_t width, std::int32_t height,
                         const std::uint8_t* values);
std::int32_t getInputLut(const ClassicalTagTable* table, std::uint8_t* values);
std::int32_t setCompressionVersion(ClassicalTagTable* table, std::int32_t value);
std::int32_t getCompressionVersion(const ClassicalTagTable* table, std::int32_t* value);
std::int32_t setTargetCompressionRatio(ClassicalTagTable* table, float value);
std::int32_t getTargetCompressionRatio(const ClassicalTagTable* table, float* value);
std::int32_t setCompressionWeight(ClassicalTagTable* table, float value);
std::int32_t getCompressionWeight(const ClassicalTagTable* table, float* value);
std::int32_t setCompressionKWeight(ClassicalTagTable* table, float value);
std::int32_t getCompressionKWeight(const ClassicalTagTable* table, float* value);
std::int32_t setCompressionGamma(ClassicalTagTable* table, float value);
std::int32_t getCompressionGamma(const ClassicalTagTable* table, float* value);
std::int32_t setCompressionLevels(ClassicalTagTable* table, std::uint32_t value);
std::int32_t getCompressionLevels(const ClassicalTagTable* table, std::uint32_t* value);
std::int32_t setCompressionBlockSize(ClassicalTagTable* table, std::uint32_t value);
std::int32_t getCompressionBlockSize(const ClassicalTagTable* table, std::uint32_t* value);
std::int32_t setNoDither(ClassicalTagTable* table, std::uint8_t value);
std::int32_t getNoDither(const ClassicalTagTable* table, std::uint8_t* value);

}  // namespace Corvane
