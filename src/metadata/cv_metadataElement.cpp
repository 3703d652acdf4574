#include "metadata/cv_metadataElement.h"

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

[[noreturn]] void shapeError(std::int32_t code) {
    throw InvalidArgumentException(getMessageText(code));
}

void checkShape(std::int32_t dimensionality, std::int32_t width, std::int32_t height) {
    switch (dimensionality) {
        case SingleValue:
            if (width != 1 || height != 1) shapeError(kSingleValueShape);
            return;
        case ArrayValue:
            if (width < 2 || height != 1) shapeError(kArrayShape);
            return;
        case TableValue:
            if (width < 2 || height < 2) shapeError(kTableShape);
            return;
        default:
            shapeError(kIllegalDimensionality);
    }
}

}  // namespace

void MetadataSize::write(std::ostream& out, std::int32_t order) const {
    writeMetadataBytes(out, &width, 4, order);
    writeMetadataBytes(out, &height, 4, order);
}

void MetadataSize::read(std::istream& in, std::int32_t order) {
    readMetadataBytes(in, &width, 4, order);
    readMetadataBytes(in, &height, 4, order);
}

void MetadataElement::shape(std::int32_t dimensionality, std::int32_t width, std::int32_t height) {
    checkShape(dimensionality, width, height);
    dimensionality_ = dimensionality;
    size_ = {width, height};
    rows_.assign(static_cast<std::size_t>(height), Row(static_cast<std::size_t>(width)));
}

MetadataElement::MetadataElement(const char* key) : key_(key ? key : "") {
    shape(SingleValue, 1, 1);
}

MetadataElement::MetadataElement(const std::string& key, std::int32_t width) : key_(key) {
    if (width < 0) throw GeometryException(getMessageText(kNegativeDimensions));
    shape(ArrayValue, width, 1);
}

MetadataElement::MetadataElement(const char* key, std::int32_t width, std::int32_t height)
    : key_(key ? key : "") {
    shape(TableValue, width, height);
}

MetadataElement::MetadataElement(const char* key, std::int32_t dimensionality, std::int32_t width,
                                 std::int32_t height)
    : key_(key ? key : "") {
    shape(dimensionality, width, height);
}

std::int32_t MetadataElement::valueType() const {
    if (rows_.empty() || rows_.front().empty()) return MetadataUnset;
    return rows_.front().front().type();
}

bool MetadataElement::operator==(const MetadataElement& other) const {
    return rows_ == other.rows_ && key_ == other.key_ && dimensionality_ == other.dimensionality_ &&
           size_ == other.size_;
}

void MetadataElement::write(std::ostream& out, std::int32_t order) const {
    const auto rowCount = static_cast<std::uint32_t>(rows_.size());
    writeMetadataBytes(out, &rowCount, 4, order);
    for (const Row& row : rows_) {
        const auto valueCount = static_cast<std::uint32_t>(row.size());
        writeMetadataBytes(out, &valueCount, 4, order);
        for (const MetadataValue& value : row) value.write(out, order);
    }
    writeMetadataText(out, key_);
    const auto dimensionByte = static_cast<char>(dimensionality_);
    out.write(&dimensionByte, 1);
    if (!out) throw IOException();
    size_.write(out, order);
}

void MetadataElement::read(std::istream& in, std::int32_t order) {
    // Rows and values are appended one by one, so a corrupt count runs into the end
    // of the stream instead of into a huge allocation.
    std::uint32_t rowCount = 0;
    readMetadataBytes(in, &rowCount, 4, order);
    std::vector<Row> rows;
    for (std::uint32_t r = 0; r < rowCount; ++r) {
        std::uint32_t valueCount = 0;
        readMetadataBytes(in, &valueCount, 4, order);
        Row row;
        for (std::uint32_t v = 0; v < valueCount; ++v) {
            MetadataValue value;
            value.read(in, order);
            row.push_back(std::move(value));
        }
        rows.push_back(std::move(row));
    }
    std::string key = readMetadataText(in);
    char dimensionByte = 0;
    in.read(&dimensionByte, 1);
    if (!in) throw IOException();
    MetadataSize size;
    size.read(in, order);
    rows_ = std::move(rows);
    key_ = std::move(key);
    dimensionality_ = static_cast<unsigned char>(dimensionByte);
    size_ = size;
}

}  // namespace Corvane
