#pragma once
// The classical metadata tag table: a plain record structure holding the tagged
// records of a classical metadata block, with free functions that answer integer
// result codes and never throw.
#include <cstdint>
#include <cstdio>

namespace Corvane {

enum ClassicalTagType : std::int32_t {
    TYPE_BYTE = 1,
    TYPE_SHORT = 2,
    TYPE_LONG = 3,
    TYPE_RATIONAL = 4,
    TYPE_ASCII = 5,
    TYPE_FLOAT = 6,
    TYPE_DOUBLE = 7,
    TYPE_SBYTE = 8,
    TYPE_SSHORT = 9,
    TYPE_SLONG = 10,
    TYPE_UNKNOWN = 11,
};

enum ClassicalResult : std::int32_t {
    MSUCCESS = 0,
    MFAIL = -1,  // also: tag not found
    MTAG_EXISTS = -2,
    MALL_TAGS_USED = -3,
    MMETADATA_NOT_FOUND = -4,  // the table is not initialised
    MVERSION_INCOMPATIBLE = -5,
    MUNINITIALIZED_POINTER = -6,
    MTOO_MANY_DIMENSIONS = -7,
    MBAD_STORED_DIMENSIONS = -8,
    MTAG_INDEX_OUT_OF_RANGE = -9,
};

constexpr int kMaxTagKeyLength = 100;
constexpr int kMaxTagDimensions = 10;
constexpr int kTagSlotStep = 100;

constexpr const char* kStartOfMetadataKey = "IMAGE::SOM";
constexpr const char* kEndOfMetadataKey = "IMAGE::EOM";

struct ClassicalTag {
    char* key;  // null marks a free slot
    std::int32_t type;
    std::int32_t count;  // product of the dimensions, 1 when there are none
    std::int32_t dims[kMaxTagDimensions];
    std::int32_t dimensionCount;
    unsigned char* values;  // count values of the type's size; null for texts
    char** texts;           // count texts, only for TYPE_ASCII
};

struct ClassicalTagTable {
    std::int16_t version = 0;
    std::int16_t revision = 0;
    std::int32_t used = 0;
    std::int32_t capacity = 0;
    std::int32_t state = -1;  // 0 when initialised, negative otherwise
    ClassicalTag* slots = nullptr;
};

// Size in bytes of one value of a type; 0 for texts and types without storage.
std::int32_t tagValueSize(std::int32_t type);
// The name of a tag type, "Error: tag_type unknown." for codes outside 1 to 11.
const char* tagTypeName(std::int32_t type);

std::int32_t initializeTagTable(ClassicalTagTable* table);
std::int32_t clearTagTable(ClassicalTagTable* table);
bool isTagTableInitialized(const ClassicalTagTable* table);

// Adds (or replaces) a tag and answers its slot index. For TYPE_ASCII, data is one
// NUL-terminated text that every value receives.
std::int32_t addTag(ClassicalTagTable* table, const char* key, std::int32_t type,
                    std::int32_t dimensionCount, const std::int32_t* dims, const void* data);
// Copies every value into destination (texts: the first text, NUL-terminated).
std::int32_t getTagValues(const ClassicalTagTable* table, const char* key, void* destination);
std::int32_t getTagDimensions(const ClassicalTagTable* table, const char* key,
                              std::int32_t* dimensionCount, std::int32_t* dims);
std::int32_t getTagType(const ClassicalTagTable* table, const char* key, std::int32_t* type);
std::int32_t findTag(const ClassicalTagTable* table, const char* key);
// Writes into indexes (room for table->used entries) the slots whose key contains
// text and answers how many there are.
std::int32_t findTagsContaining(const ClassicalTagTable* table, const char* text,
                                std::int32_t* indexes);
std::int32_t deleteTag(ClassicalTagTable* table, const char* key);
std::int32_t deleteTagAt(ClassicalTagTable* table, std::int32_t index);
std::int32_t renameTag(ClassicalTagTable* table, const char* oldKey, const char* newKey);
// Copies every tag but the start and end markers; silent on unusable tables.
void copyTags(ClassicalTagTable* destination, const ClassicalTagTable* source);
std::int32_t copyTag(ClassicalTagTable* destination, const ClassicalTagTable* source,
                     const char* key);
// The key of a slot, or null outside the used slots.
const char* tagKeyAt(const ClassicalTagTable* table, std::int32_t index);

// The name of a result code, or "Tag # <code>" for codes outside 0 to -6, written
// to file (standard output when null) and flushed.
void printResultCode(std::int32_t code, std::FILE* file = nullptr);

}  // namespace Corvane
