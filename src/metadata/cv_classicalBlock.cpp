#include "metadata/cv_classicalBlock.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "metadata/cv_byteVectorStream.h"
#include "metadata/cv_classicalStandardTags.h"
#include "stream/cv_streamFunctions.h"

namespace Corvane {

namespace {

// A stored key longer than this cannot come from any writer; the block is refused.
constexpr std::size_t kMaxStoredKeyLength = kMaxTagKeyLength + 3;
// Values and texts are read in pieces so that only data the stream really holds
// is ever allocated.
constexpr std::uint32_t kValueReadChunk = 65536;
constexpr std::size_t kTextGrowStep = 1000;
constexpr std::int64_t kTextCopyAllowance = std::int64_t{1} << 20;

class BigEndianSink {
  public:
    void byte(std::uint8_t value) { bytes.push_back(value); }
    void u16(std::uint16_t value) {
        byte(static_cast<std::uint8_t>(value >> 8));
        byte(static_cast<std::uint8_t>(value));
    }
    void u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value >> 16));
        u16(static_cast<std::uint16_t>(value));
    }
    void text(const char* value) {
        bytes.insert(bytes.end(), value, value + std::strlen(value) + 1);
    }
    // A host-order value of size bytes, written most significant byte first.
    void number(const unsigned char* value, std::int32_t size) {
        unsigned char copy[8];
        std::memcpy(copy, value, static_cast<std::size_t>(size));
        const std::uint16_t probe = 1;
        if (*reinterpret_cast<const unsigned char*>(&probe) == 1) std::reverse(copy, copy + size);
        bytes.insert(bytes.end(), copy, copy + size);
    }

    std::vector<std::uint8_t> bytes;
};

void encodeRecord(BigEndianSink& sink, const ClassicalTag& tag) {
    sink.u32(static_cast<std::uint32_t>(std::strlen(tag.key) + 12 +
                                        4 * static_cast<std::size_t>(tag.dimensionCount)));
    sink.text(tag.key);
    sink.u32(static_cast<std::uint32_t>(tag.type));
    sink.u32(static_cast<std::uint32_t>(tag.count));
    sink.u32(static_cast<std::uint32_t>(tag.dimensionCount));
    for (std::int32_t i = 0; i < tag.dimensionCount; ++i)
        sink.u32(static_cast<std::uint32_t>(tag.dims[i]));
    if (tag.type == TYPE_ASCII) {
        for (std::int32_t i = 0; i < tag.count; ++i) sink.text(tag.texts[i]);
        return;
    }
    const std::int32_t size = tagValueSize(tag.type);
    if (size == 0 || !tag.values) return;
    for (std::int32_t i = 0; i < tag.count; ++i)
        sink.number(tag.values + static_cast<std::size_t>(i) * static_cast<std::size_t>(size),
                    size);
}

// Version, revision and every record that has a key.
std::vector<std::uint8_t> encodeBlock(const ClassicalTagTable& table) {
    BigEndianSink sink;
    sink.u16(static_cast<std::uint16_t>(table.version));
    sink.u16(static_cast<std::uint16_t>(table.revision));
    for (std::int32_t i = 0; i < table.used; ++i)
        if (table.slots[i].key) encodeRecord(sink, table.slots[i]);
    return std::move(sink.bytes);
}

std::vector<std::uint8_t> streamFormBlock(ClassicalTagTable& table) {
    setEndOfMetadata(&table);
    std::vector<std::uint8_t> bytes = encodeBlock(table);
    bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    return bytes;
}

std::vector<std::uint8_t> plainFormBlock(const ClassicalTagTable& table) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xD1};
    const std::vector<std::uint8_t> block = encodeBlock(table);
    bytes.insert(bytes.end(), block.begin(), block.end());
    bytes.insert(bytes.end(), {0xFF, 0xD2});
    return bytes;
}

bool writeAll(CVStream& stream, const std::vector<std::uint8_t>& bytes) {
    return stream.write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// Reads count values of a fixed size, turning each into host order.
bool readNumbers(CVStream& stream, std::uint32_t count, std::int32_t size,
                 std::vector<unsigned char>& values) {
    std::uint64_t remaining = static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(size);
    while (remaining > 0) {
        const auto piece =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, kValueReadChunk));
        const std::size_t start = values.size();
        values.resize(start + piece);
        if (!stream.read(values.data() + start, piece)) return false;
        remaining -= piece;
    }
    if (stream.byteSwap() && size > 1)
        for (std::size_t at = 0; at < values.size(); at += static_cast<std::size_t>(size))
            std::reverse(values.begin() + static_cast<std::ptrdiff_t>(at),
                         values.begin() + static_cast<std::ptrdiff_t>(at) + size);
    return true;
}

// Reads one NUL-terminated text; bytesRead counts its bytes with the NUL.
bool readText(CVStream& stream, std::string& text, std::size_t limit, std::int64_t& bytesRead) {
    text.clear();
    for (;;) {
        char c = 0;
        if (!stream.read(&c, 1)) return false;
        ++bytesRead;
        if (c == '\0') return true;
        if (text.size() >= limit) return false;
        if (text.size() == text.capacity()) text.reserve(text.capacity() + kTextGrowStep);
        text.push_back(c);
    }
}

// Answers 1 after the end record, 0 after any other record, or a result code.
std::int32_t readRecord(ClassicalTagTable* table, CVStream& stream, std::int64_t& bytesRead) {
    std::uint32_t length = 0;
    if (!readValue(stream, length)) return MFAIL;
    bytesRead += 4;
    std::string key;
    if (!readText(stream, key, kMaxStoredKeyLength, bytesRead)) return MFAIL;
    std::int32_t type = 0;
    std::uint32_t count = 0;
    std::int32_t dimensionCount = 0;
    if (!readValue(stream, type) || !readValue(stream, count) || !readValue(stream, dimensionCount))
        return MFAIL;
    bytesRead += 12;
    if (dimensionCount > kMaxTagDimensions || dimensionCount < 0) return MBAD_STORED_DIMENSIONS;
    std::int32_t dims[kMaxTagDimensions] = {};
    for (std::int32_t i = 0; i < dimensionCount; ++i) {
        if (!readValue(stream, dims[i])) return MFAIL;
        bytesRead += 4;
    }

    std::vector<unsigned char> values;
    std::string text;
    std::uint32_t valuesRead = 0;
    const std::int64_t textsStart = bytesRead;
    if (type == TYPE_ASCII) {
        for (; valuesRead < count; ++valuesRead)
            if (!readText(stream, text, std::string::npos, bytesRead)) return MFAIL;
    } else if (const std::int32_t size = tagValueSize(type); size > 0) {
        if (!readNumbers(stream, count, size, values)) return MFAIL;
        bytesRead += static_cast<std::int64_t>(values.size());
        valuesRead = count;
    }

    // The table takes as many values as the dims multiply to; a record that stores
    // fewer values than that is malformed. The table copies a text once per value, so
    // texts follow the same rule (a record without texts still gives one empty value);
    // otherwise a few bytes could ask for millions of copies.
    std::int64_t needed = 1;
    for (std::int32_t i = 0; i < std::min(dimensionCount, 2); ++i) needed *= std::max(dims[i], 0);
    const bool hasStorage = type == TYPE_ASCII || tagValueSize(type) > 0;
    const std::int64_t stored =
        type == TYPE_ASCII ? std::max<std::int64_t>(valuesRead, 1) : valuesRead;
    if (dimensionCount <= 2 && hasStorage && needed > stored) return MFAIL;
    // The copies of the last text may not outgrow the texts the record stored by more
    // than a small allowance: many one-byte texts before one long one would otherwise
    // copy the long one once per value.
    if (type == TYPE_ASCII) {
        const std::int64_t limit = std::max(bytesRead - textsStart, kTextCopyAllowance);
        if (needed > limit / (static_cast<std::int64_t>(text.size()) + 1)) return MFAIL;
    }

    static const char kNoValues[1] = {0};
    const void* data = type == TYPE_ASCII ? static_cast<const void*>(text.c_str())
                       : values.empty()   ? static_cast<const void*>(kNoValues)
                                          : static_cast<const void*>(values.data());
    // A record the table refuses (too many dims, an over-long key) is left out. So is a
    // record of a type without stored values whose dims claim many: its values would be
    // nothing the file holds, yet every reader of the table would walk all of them.
    if (hasStorage || needed <= 1) addTag(table, key.c_str(), type, dimensionCount, dims, data);
    return key == kEndOfMetadataKey ? 1 : 0;
}

}  // namespace

std::int32_t readTagTableBlock(ClassicalTagTable* table, CVStream& stream) {
    if (!table) return MUNINITIALIZED_POINTER;
    if (!isTagTableInitialized(table)) return MMETADATA_NOT_FOUND;
    std::uint16_t version = 0;
    std::uint16_t revision = 0;
    if (!readValue(stream, version) || !readValue(stream, revision)) return MFAIL;
    if (version > 1) return MVERSION_INCOMPATIBLE;
    std::int64_t bytesRead = 4;
    for (;;) {
        const std::int32_t result = readRecord(table, stream, bytesRead);
        if (result < 0) return result;
        if (bytesRead > INT32_MAX) return MFAIL;
        if (result == 1) return static_cast<std::int32_t>(bytesRead);
    }
}

std::int32_t writeTagTableToFile(const ClassicalTagTable* table, std::FILE* file) {
    if (!table || !file) return MUNINITIALIZED_POINTER;
    if (!isTagTableInitialized(table)) return MMETADATA_NOT_FOUND;
    std::vector<std::uint8_t> bytes = plainFormBlock(*table);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return MFAIL;
    return MSUCCESS;
}

std::int32_t writeTagTablePlain(const ClassicalTagTable* table, CVStream& stream) {
    if (!table) return MUNINITIALIZED_POINTER;
    if (!isTagTableInitialized(table)) return MMETADATA_NOT_FOUND;
    const std::vector<std::uint8_t> bytes = plainFormBlock(*table);
    return writeAll(stream, bytes) ? MSUCCESS : MFAIL;
}

std::int32_t writeTagTableToStream(ClassicalTagTable* table, CVStream& stream) {
    if (!table) return MUNINITIALIZED_POINTER;
    if (!isTagTableInitialized(table)) return MMETADATA_NOT_FOUND;
    const std::vector<std::uint8_t> bytes = streamFormBlock(*table);
    if (!writeAll(stream, bytes)) return MFAIL;
    return static_cast<std::int32_t>(bytes.size());
}

std::vector<std::uint8_t> tagTableBlockBytes(ClassicalTagTable* table, ClassicalBlockForm form) {
    if (!isTagTableInitialized(table)) return {};
    return form == ClassicalBlockForm::LibraryStream ? streamFormBlock(*table)
                                                     : plainFormBlock(*table);
}

void dumpTagTable(const ClassicalTagTable* table, std::FILE* file) {
    std::FILE* out = file ? file : stdout;
    if (!isTagTableInitialized(table)) return;
    for (std::int32_t index = 0; index < table->used; ++index) {
        const ClassicalTag& tag = table->slots[index];
        if (!tag.key || tag.count < 1) continue;
        for (std::int32_t i = 0; i < tag.count; ++i) {
            if (i == 0)
                std::fprintf(out, " %d", index);
            else
                std::fputc(' ', out);
            const unsigned char* at =
                tag.values ? tag.values + static_cast<std::size_t>(i) *
                                              static_cast<std::size_t>(tagValueSize(tag.type))
                           : nullptr;
            auto load = [at]<class T>(T) {
                T value;
                std::memcpy(&value, at, sizeof(T));
                return value;
            };
            // TYPE_LONG holds 32 bits and prints through %ld as a 32-bit long would.
            switch (tag.type) {
                case TYPE_BYTE:
                    std::fprintf(out, "\tTYPE_BYTE\t%d\t\t%s \n", load(std::uint8_t{}), tag.key);
                    break;
                case TYPE_SHORT:
                    std::fprintf(out, "\tTYPE_SHORT\t%d\t\t%s \n", load(std::uint16_t{}), tag.key);
                    break;
                case TYPE_LONG:
                    std::fprintf(
                        out, "\tTYPE_LONG\t%ld\t\t%s \n",
                        static_cast<long>(static_cast<std::int32_t>(load(std::uint32_t{}))),
                        tag.key);
                    break;
                case TYPE_ASCII:
                    std::fprintf(out, "\tTYPE_ASCII\t%s\t%s \n", tag.texts[i], tag.key);
                    break;
                case TYPE_FLOAT:
                    std::fprintf(out, "\tTYPE_FLOAT\t%f\t\t%s \n",
                                 static_cast<double>(load(float{})), tag.key);
                    break;
                case TYPE_DOUBLE:
                    std::fprintf(out, "\tTYPE_DOUBLE\t%lf\t%s \n", load(double{}), tag.key);
                    break;
                case TYPE_SBYTE:
                    std::fprintf(out, "\tTYPE_SBYTE\t%d\t\t%s \n", load(std::int8_t{}), tag.key);
                    break;
                case TYPE_SSHORT:
                    std::fprintf(out, "\tTYPE_SSHORT\t%hd\t\t%s \n", load(std::int16_t{}), tag.key);
                    break;
                case TYPE_SLONG:
                    std::fprintf(out, "\tTYPE_SLONG\t%ld\t\t%s \n",
                                 static_cast<long>(load(std::int32_t{})), tag.key);
                    break;
                default:
                    std::fputs(" Error: TYPE UNKNOWN  ", out);
                    break;
            }
            std::fflush(out);
        }
    }
}

}  // namespace Corvane
