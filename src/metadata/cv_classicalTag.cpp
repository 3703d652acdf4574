#include "metadata/cv_classicalTag.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace Corvane {

namespace {

const std::int32_t kSingleDimension[1] = {1};
const std::int16_t kMarkerValue = 1;

bool usable(const ClassicalTagTable* table) {
    return table != nullptr && table->state >= 0 && table->slots != nullptr;
}

bool sameKey(const char* a, const char* b) {
    return std::strncmp(a, b, kMaxTagKeyLength) == 0;
}

char* copyText(const char* text) {
    const std::size_t length = std::strlen(text);
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy) std::memcpy(copy, text, length + 1);
    return copy;
}

void freeTag(ClassicalTag& tag) {
    if (tag.texts) {
        for (std::int32_t i = 0; i < tag.count; ++i) std::free(tag.texts[i]);
        std::free(tag.texts);
    }
    std::free(tag.values);
    std::free(tag.key);
    tag = ClassicalTag{};
}

// Fills a fresh tag; on an allocation failure everything taken so far is freed.
bool fillTag(ClassicalTag& tag, const char* key, std::int32_t type, std::int32_t dimensionCount,
             const std::int32_t* dims, std::int32_t count, const void* data) {
    tag = ClassicalTag{};
    tag.type = type;
    tag.count = count;
    tag.dimensionCount = dimensionCount;
    for (std::int32_t i = 0; i < dimensionCount; ++i) tag.dims[i] = dims[i];
    tag.key = copyText(key);
    if (!tag.key) return false;
    if (type == TYPE_ASCII) {
        if (count == 0) return true;
        tag.texts =
            static_cast<char**>(std::calloc(static_cast<std::size_t>(count), sizeof(char*)));
        if (!tag.texts) return freeTag(tag), false;
        for (std::int32_t i = 0; i < count; ++i) {
            tag.texts[i] = copyText(static_cast<const char*>(data));
            if (!tag.texts[i]) return freeTag(tag), false;
        }
        return true;
    }
    const std::size_t bytes =
        static_cast<std::size_t>(count) * static_cast<std::size_t>(tagValueSize(type));
    if (bytes == 0) return true;
    tag.values = static_cast<unsigned char*>(std::malloc(bytes));
    if (!tag.values) return freeTag(tag), false;
    std::memcpy(tag.values, data, bytes);
    return true;
}

}  // namespace

std::int32_t tagValueSize(std::int32_t type) {
    switch (type) {
        case TYPE_BYTE:
        case TYPE_SBYTE:
            return 1;
        case TYPE_SHORT:
        case TYPE_SSHORT:
            return 2;
        case TYPE_LONG:
        case TYPE_SLONG:
        case TYPE_FLOAT:
            return 4;
        case TYPE_DOUBLE:
            return 8;
        default:
            return 0;
    }
}

const char* tagTypeName(std::int32_t type) {
    switch (type) {
        case TYPE_BYTE:
            return "TYPE_BYTE";
        case TYPE_SHORT:
            return "TYPE_SHORT";
        case TYPE_LONG:
            return "TYPE_LONG";
        case TYPE_RATIONAL:
            return "TYPE_RATIONAL";
        case TYPE_ASCII:
            return "TYPE_ASCII";
        case TYPE_FLOAT:
            return "TYPE_FLOAT";
        case TYPE_DOUBLE:
            return "TYPE_DOUBLE";
        case TYPE_SBYTE:
            return "TYPE_SBYTE";
        case TYPE_SSHORT:
            return "TYPE_SSHORT";
        case TYPE_SLONG:
            return "TYPE_SLONG";
        case TYPE_UNKNOWN:
            return "TYPE_UNKNOWN";
        default:
            return "Error: tag_type unknown.";
    }
}

bool isTagTableInitialized(const ClassicalTagTable* table) {
    return usable(table);
}

std::int32_t initializeTagTable(ClassicalTagTable* table) {
    if (!table) return MUNINITIALIZED_POINTER;
    table->version = 1;
    table->revision = 0;
    table->used = 0;
    table->capacity = kTagSlotStep;
    table->slots = static_cast<ClassicalTag*>(std::calloc(kTagSlotStep, sizeof(ClassicalTag)));
    if (!table->slots) {
        table->capacity = 0;
        table->state = -1;
        return MFAIL;
    }
    table->state = 0;
    const std::int32_t index =
        addTag(table, kStartOfMetadataKey, TYPE_SHORT, 1, kSingleDimension, &kMarkerValue);
    return index < 0 ? index : MSUCCESS;
}

std::int32_t clearTagTable(ClassicalTagTable* table) {
    if (!table) return MUNINITIALIZED_POINTER;
    if (table->slots) {
        for (std::int32_t i = 0; i < table->used; ++i) freeTag(table->slots[i]);
        std::free(table->slots);
    }
    table->slots = nullptr;
    table->used = 0;
    table->capacity = 0;
    table->state = -1;
    return MSUCCESS;
}

std::int32_t addTag(ClassicalTagTable* table, const char* key, std::int32_t type,
                    std::int32_t dimensionCount, const std::int32_t* dims, const void* data) {
    if (!table || !key || !dims || !data) return MUNINITIALIZED_POINTER;
    if (dimensionCount > 2 || dimensionCount < 0) return MTOO_MANY_DIMENSIONS;
    if (!usable(table)) return MMETADATA_NOT_FOUND;
    if (std::strlen(key) > kMaxTagKeyLength) return MFAIL;
    std::int64_t count = 1;
    for (std::int32_t i = 0; i < dimensionCount; ++i) {
        if (dims[i] < 0) return MFAIL;
        count *= dims[i];
    }
    if (count > std::numeric_limits<std::int32_t>::max()) return MFAIL;

    if (findTag(table, key) >= 0) deleteTag(table, key);
    if (table->used == table->capacity) {
        const std::int32_t capacity = table->capacity + kTagSlotStep;
        auto* slots = static_cast<ClassicalTag*>(
            std::realloc(table->slots, static_cast<std::size_t>(capacity) * sizeof(ClassicalTag)));
        if (!slots) return MALL_TAGS_USED;
        std::memset(slots + table->capacity, 0, kTagSlotStep * sizeof(ClassicalTag));
        table->slots = slots;
        table->capacity = capacity;
    }
    const std::int32_t index = table->used;
    if (!fillTag(table->slots[index], key, type, dimensionCount, dims,
                 static_cast<std::int32_t>(count), data))
        return MALL_TAGS_USED;
    ++table->used;
    return index;
}

std::int32_t findTag(const ClassicalTagTable* table, const char* key) {
    if (!usable(table) || !key) return MFAIL;
    for (std::int32_t i = 0; i < table->used; ++i)
        if (table->slots[i].key && sameKey(table->slots[i].key, key)) return i;
    return MFAIL;
}

std::int32_t getTagValues(const ClassicalTagTable* table, const char* key, void* destination) {
    if (!table || !key || !destination) return MUNINITIALIZED_POINTER;
    if (!usable(table)) return MMETADATA_NOT_FOUND;
    const std::int32_t index = findTag(table, key);
    if (index < 0) return MFAIL;
    const ClassicalTag& tag = table->slots[index];
    if (tag.type == TYPE_ASCII) {
        const char* text = tag.count > 0 ? tag.texts[0] : "";
        std::memcpy(destination, text, std::strlen(text) + 1);
    } else if (tag.values) {
        std::memcpy(
            destination, tag.values,
            static_cast<std::size_t>(tag.count) * static_cast<std::size_t>(tagValueSize(tag.type)));
    }
    return index;
}

std::int32_t getTagDimensions(const ClassicalTagTable* table, const char* key,
                              std::int32_t* dimensionCount, std::int32_t* dims) {
    if (!table || !key || !dimensionCount || !dims) return MUNINITIALIZED_POINTER;
    if (!usable(table)) return MMETADATA_NOT_FOUND;
    const std::int32_t index = findTag(table, key);
    if (index < 0) return MFAIL;
    const ClassicalTag& tag = table->slots[index];
    *dimensionCount = tag.dimensionCount;
    for (std::int32_t i = 0; i < tag.dimensionCount; ++i) dims[i] = tag.dims[i];
    return index;
}

std::int32_t getTagType(const ClassicalTagTable* table, const char* key, std::int32_t* type) {
    if (!table || !key || !type) return MUNINITIALIZED_POINTER;
    if (!usable(table)) return MMETADATA_NOT_FOUND;
    const std::int32_t index = findTag(table, key);
    if (index < 0) return MFAIL;
    *type = table->slots[index].type;
    return index;
}

std::int32_t findTagsContaining(const ClassicalTagTable* table, const char* text,
                                std::int32_t* indexes) {
    if (!table || !text || !indexes) return MUNINITIALIZED_POINTER;
    if (!usable(table)) return MMETADATA_NOT_FOUND;
    std::int32_t found = 0;
    for (std::int32_t i = 0; i < table->used; ++i)
        if (table->slots[i].key && std::strstr(table->slots[i].key, text)) indexes[found++] = i;
    return found;
}

std::int32_t deleteTagAt(ClassicalTagTable* table, std::int32_t index) {
    if (!table) return MUNINITIALIZED_POINTER;
    if (!usable(table)) return MMETADATA_NOT_FOUND;
    if (index < 0 || index >= table->used) return MTAG_INDEX_OUT_OF_RANGE;
    freeTag(table->slots[index]);
    std::memmove(table->slots + index, table->slots + index + 1,
                 static_cast<std::size_t>(table->used - index - 1) * sizeof(ClassicalTag));
    --table->used;
    table->slots[table->used] = ClassicalTag{};
    return index;
}

std::int32_t deleteTag(ClassicalTagTable* table, const char* key) {
    if (!table || !key) return MUNINITIALIZED_POINTER;
    if (!usable(table)) return MMETADATA_NOT_FOUND;
    const std::int32_t index = findTag(table, key);
    if (index < 0) return MFAIL;
    return deleteTagAt(table, index);
}

std::int32_t renameTag(ClassicalTagTable* table, const char* oldKey, const char* newKey) {
    if (!table || !oldKey || !newKey) return MUNINITIALIZED_POINTER;
    if (!usable(table)) return MMETADATA_NOT_FOUND;
    if (findTag(table, newKey) >= 0) return MTAG_EXISTS;
    const std::int32_t index = findTag(table, oldKey);
    if (index < 0 || std::strlen(newKey) > kMaxTagKeyLength) return MFAIL;
    char* key = copyText(newKey);
    if (!key) return MFAIL;
    std::free(table->slots[index].key);
    table->slots[index].key = key;
    return MSUCCESS;
}

std::int32_t copyTag(ClassicalTagTable* destination, const ClassicalTagTable* source,
                     const char* key) {
    if (!destination || !source || !key) return MUNINITIALIZED_POINTER;
    if (!usable(destination) || !usable(source)) return MMETADATA_NOT_FOUND;
    const std::int32_t index = findTag(source, key);
    if (index < 0) return MFAIL;
    const ClassicalTag& tag = source->slots[index];
    static const char kNoText[] = "";
    const void* data = tag.type == TYPE_ASCII
                           ? static_cast<const void*>(tag.count > 0 ? tag.texts[0] : kNoText)
                       : tag.values ? static_cast<const void*>(tag.values)
                                    : static_cast<const void*>(kNoText);
    return addTag(destination, tag.key, tag.type, tag.dimensionCount, tag.dims, data);
}

void copyTags(ClassicalTagTable* destination, const ClassicalTagTable* source) {
    if (!usable(destination) || !usable(source) || destination == source) return;
    for (std::int32_t i = 0; i < source->used; ++i) {
        const char* key = source->slots[i].key;
        if (!key || sameKey(key, kStartOfMetadataKey) || sameKey(key, kEndOfMetadataKey)) continue;
        copyTag(destination, source, key);
    }
}

const char* tagKeyAt(const ClassicalTagTable* table, std::int32_t index) {
    if (!usable(table) || index < 0 || index >= table->used) return nullptr;
    return table->slots[index].key;
}

void printResultCode(std::int32_t code, std::FILE* file) {
    std::FILE* out = file ? file : stdout;
    switch (code) {
        case MSUCCESS:
            std::fputs("MSUCCESS", out);
            break;
        case MFAIL:
            std::fputs("MFAIL (and/or MTAG_NOT_FOUND)", out);
            break;
        case MTAG_EXISTS:
            std::fputs("MTAG_EXISTS", out);
            break;
        case MALL_TAGS_USED:
            std::fputs("MALL_TAGS_USED", out);
            break;
        case MMETADATA_NOT_FOUND:
            std::fputs("MMETADATA_NOT_FOUND", out);
            break;
        case MVERSION_INCOMPATIBLE:
            std::fputs("MVERSION_INCOMPATIBLE", out);
            break;
        case MUNINITIALIZED_POINTER:
            std::fputs("MUNINITIALIZED_POINTER", out);
            break;
        default:
            std::fprintf(out, "Tag # %d", code);
            break;
    }
    std::fflush(out);
}

}  // namespace Corvane
