#include "metadata/cv_classicalImport.h"

#include <cstring>

namespace Corvane {

namespace {

template <class T>
T valueAt(const ClassicalTag& tag, std::size_t index) {
    T value;
    std::memcpy(&value, tag.values + index * sizeof(T), sizeof(T));
    return value;
}

MetadataValue convert(const ClassicalTag& tag, std::size_t index) {
    if (index >= static_cast<std::size_t>(tag.count)) return MetadataValue();
    if (tag.type == TYPE_ASCII)
        return tag.texts ? MetadataValue(tag.texts[index]) : MetadataValue();
    if (!tag.values) return MetadataValue();
    switch (tag.type) {
        case TYPE_BYTE:
            return MetadataValue(valueAt<std::uint8_t>(tag, index));
        case TYPE_SHORT:
            return MetadataValue(valueAt<std::uint16_t>(tag, index));
        case TYPE_LONG:
            return MetadataValue(valueAt<std::uint32_t>(tag, index));
        case TYPE_FLOAT:
            return MetadataValue(valueAt<float>(tag, index));
        case TYPE_DOUBLE:
            return MetadataValue(valueAt<double>(tag, index));
        case TYPE_SBYTE:
            return MetadataValue(valueAt<std::int8_t>(tag, index));
        case TYPE_SSHORT:
            return MetadataValue(valueAt<std::int16_t>(tag, index));
        case TYPE_SLONG:
            return MetadataValue(valueAt<std::int32_t>(tag, index));
        default:
            return MetadataValue();
    }
}

MetadataElement importTag(const ClassicalTag& tag) {
    // A tag without dimensions holds one value and becomes a single value.
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::int32_t dimensionality = SingleValue;
    if (tag.dimensionCount == 1) {
        width = tag.dims[0];
        dimensionality = width == 1 ? SingleValue : ArrayValue;
    } else if (tag.dimensionCount >= 2) {
        width = tag.dims[0];
        height = tag.dims[1];
        dimensionality = height == 1 ? ArrayValue : TableValue;
    }
    MetadataElement element(tag.key, dimensionality, width, height);
    for (std::int32_t r = 0; r < height; ++r) {
        MetadataElement::Row& row = element.row(static_cast<std::size_t>(r));
        for (std::int32_t c = 0; c < width; ++c)
            row[static_cast<std::size_t>(c)] =
                convert(tag, static_cast<std::size_t>(r) * static_cast<std::size_t>(width) +
                                 static_cast<std::size_t>(c));
    }
    return element;
}

}  // namespace

void importTagTable(const ClassicalTagTable& table, MetadataDatabase& database) {
    if (!isTagTableInitialized(&table) || table.used <= 2) return;
    for (std::int32_t i = 1; i < table.used - 1; ++i) {
        const ClassicalTag& tag = table.slots[i];
        if (tag.key) database.add(importTag(tag));
    }
}

}  // namespace Corvane
