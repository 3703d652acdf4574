#include "metadata/cv_metadataValue.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"

namespace Corvane {

namespace {

// Texts are read in pieces of this size so that a corrupt length cannot make us
// allocate more than the stream really holds.
constexpr std::uint32_t kTextReadChunk = 65536;

bool hostIsLittleEndian() {
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

bool needsReversal(std::int32_t order) {
    const bool wantLittle = order == LittleEndianOrder;
    return wantLittle != hostIsLittleEndian();
}

std::size_t valueWidth(std::int32_t type) {
    switch (type) {
        case MetadataUInt8:
        case MetadataInt8:
            return 1;
        case MetadataUInt16:
        case MetadataInt16:
            return 2;
        case MetadataUInt32:
        case MetadataFloat:
        case MetadataInt32:
            return 4;
        case MetadataDouble:
            return 8;
        default:
            return 0;
    }
}

}  // namespace

const char* metadataTypeName(std::int32_t type) {
    switch (type) {
        case MetadataUInt8:
            return "unsigned char";
        case MetadataUInt16:
            return "unsigned short";
        case MetadataUInt32:
            return "unsigned long";
        case MetadataText:
            return "ascii string";
        case MetadataFloat:
            return "float";
        case MetadataDouble:
            return "double";
        case MetadataInt8:
            return "signed char";
        case MetadataInt16:
            return "signed short";
        case MetadataInt32:
            return "signed long";
        default:
            return "Unknown";
    }
}

void writeMetadataBytes(std::ostream& out, const void* value, std::size_t size,
                        std::int32_t order) {
    unsigned char bytes[8];
    std::memcpy(bytes, value, size);
    if (needsReversal(order)) std::reverse(bytes, bytes + size);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    if (!out) throw IOException();
}

void readMetadataBytes(std::istream& in, void* value, std::size_t size, std::int32_t order) {
    unsigned char bytes[8];
    in.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(size));
    if (!in) throw IOException();
    if (needsReversal(order)) std::reverse(bytes, bytes + size);
    std::memcpy(value, bytes, size);
}

void writeMetadataText(std::ostream& out, const std::string& text) {
    const auto length = static_cast<std::uint32_t>(text.size() + 1);
    writeMetadataBytes(out, &length, 4, BigEndianOrder);
    out.write(text.c_str(), static_cast<std::streamsize>(length));
    if (!out) throw IOException();
}

std::string readMetadataText(std::istream& in) {
    std::uint32_t length = 0;
    readMetadataBytes(in, &length, 4, BigEndianOrder);
    std::vector<char> bytes;
    while (length > 0) {
        const std::uint32_t piece = std::min(length, kTextReadChunk);
        const std::size_t start = bytes.size();
        bytes.resize(start + piece);
        in.read(bytes.data() + start, piece);
        if (!in) throw IOException();
        length -= piece;
    }
    const auto end = std::find(bytes.begin(), bytes.end(), '\0');
    return std::string(bytes.begin(), end);
}

void MetadataValue::reset() {
    std::memset(number_, 0, sizeof number_);
    text_.clear();
    type_ = MetadataUnset;
}

template <class T>
void MetadataValue::store(T value, std::int32_t type) {
    reset();
    std::memcpy(number_, &value, sizeof(T));
    type_ = type;
}

template <class T>
T MetadataValue::load() const {
    T value;
    std::memcpy(&value, number_, sizeof(T));
    return value;
}

MetadataValue::MetadataValue(std::uint8_t value) {
    store(value, MetadataUInt8);
}
MetadataValue::MetadataValue(std::uint16_t value) {
    store(value, MetadataUInt16);
}
MetadataValue::MetadataValue(std::uint32_t value) {
    store(value, MetadataUInt32);
}
MetadataValue::MetadataValue(float value) {
    store(value, MetadataFloat);
}
MetadataValue::MetadataValue(double value) {
    store(value, MetadataDouble);
}
MetadataValue::MetadataValue(std::int8_t value) {
    store(value, MetadataInt8);
}
MetadataValue::MetadataValue(std::int16_t value) {
    store(value, MetadataInt16);
}
MetadataValue::MetadataValue(std::int32_t value) {
    store(value, MetadataInt32);
}

MetadataValue::MetadataValue(const char* text) {
    reset();
    text_ = text ? text : "";
    type_ = MetadataText;
}

MetadataValue::MetadataValue(const std::string& text) : MetadataValue(text.c_str()) {}

void MetadataValue::badCast() {
    throw Exception(getMessageText(kBadMetadataCast));
}

std::uint8_t MetadataValue::asUInt8() const {
    if (type_ != MetadataUInt8) badCast();
    return load<std::uint8_t>();
}

std::uint16_t MetadataValue::asUInt16() const {
    if (type_ == MetadataUInt16) return load<std::uint16_t>();
    return asUInt8();
}

std::uint32_t MetadataValue::asUInt32() const {
    if (type_ == MetadataUInt32) return load<std::uint32_t>();
    return asUInt16();
}

std::int8_t MetadataValue::asInt8() const {
    if (type_ != MetadataInt8) badCast();
    return load<std::int8_t>();
}

std::int16_t MetadataValue::asInt16() const {
    if (type_ == MetadataInt16) return load<std::int16_t>();
    return asInt8();
}

std::int32_t MetadataValue::asInt32() const {
    if (type_ == MetadataInt32) return load<std::int32_t>();
    return asInt16();
}

const std::string& MetadataValue::asString() const {
    if (type_ != MetadataText) badCast();
    return text_;
}

double MetadataValue::toDouble() const {
    switch (type_) {
        case MetadataUInt8:
            return load<std::uint8_t>();
        case MetadataUInt16:
            return load<std::uint16_t>();
        case MetadataUInt32:
            return load<std::uint32_t>();
        case MetadataFloat:
            return load<float>();
        case MetadataDouble:
            return load<double>();
        case MetadataInt8:
            return load<std::int8_t>();
        case MetadataInt16:
            return load<std::int16_t>();
        case MetadataInt32:
            return load<std::int32_t>();
        default:
            badCast();
    }
}

double MetadataValue::asDouble() const {
    if (type_ == MetadataDouble) return load<double>();
    return toDouble();
}

bool MetadataValue::operator==(const MetadataValue& other) const {
    if (type_ != other.type_) return false;
    switch (type_) {
        case MetadataUInt8:
        case MetadataInt8:
        case MetadataUInt16:
        case MetadataInt16:
        case MetadataUInt32:
        case MetadataInt32:
            return std::memcmp(number_, other.number_, valueWidth(type_)) == 0;
        case MetadataText:
            return text_ == other.text_;
        case MetadataFloat:
            return load<float>() == other.load<float>();
        case MetadataDouble:
            return load<double>() == other.load<double>();
        default:
            return false;
    }
}

void MetadataValue::write(std::ostream& out, std::int32_t order) const {
    const auto typeByte = static_cast<char>(type_);
    out.write(&typeByte, 1);
    if (!out) throw IOException();
    if (type_ == MetadataText) {
        writeMetadataText(out, text_);
        return;
    }
    const std::size_t width = valueWidth(type_);
    if (width > 0) writeMetadataBytes(out, number_, width, order);
}

void MetadataValue::read(std::istream& in, std::int32_t order) {
    char typeByte = 0;
    in.read(&typeByte, 1);
    if (!in) throw IOException();
    const std::int32_t type = static_cast<unsigned char>(typeByte);
    if (type < MetadataUInt8 || type > MetadataInt32 || type == MetadataUnused) return;
    if (type == MetadataText) {
        std::string text = readMetadataText(in);
        reset();
        text_ = std::move(text);
        type_ = MetadataText;
        return;
    }
    unsigned char bytes[8] = {};
    readMetadataBytes(in, bytes, valueWidth(type), order);
    reset();
    std::memcpy(number_, bytes, sizeof bytes);
    type_ = type;
}

}  // namespace Corvane
