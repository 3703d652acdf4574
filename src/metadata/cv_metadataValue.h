#pragma once
// One typed metadata value: a number of 1 to 8 bytes, or a text. Values convert only
// along the casts listed with each accessor; anything else is a bad cast.
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

namespace Corvane {

enum MetadataType : std::int32_t {
    MetadataUInt8 = 1,
    MetadataUInt16 = 2,
    MetadataUInt32 = 3,
    MetadataUnused = 4,
    MetadataText = 5,
    MetadataFloat = 6,
    MetadataDouble = 7,
    MetadataInt8 = 8,
    MetadataInt16 = 9,
    MetadataInt32 = 10,
    MetadataUnset = 11,
};

// 2 writes little-endian; every other value big-endian.
enum ByteOrder : std::int32_t { BigEndianOrder = 1, LittleEndianOrder = 2 };

// The name of a type code in text output; "Unknown" outside 1 to 10.
const char* metadataTypeName(std::int32_t type);

// The persistent form of a text: a big-endian length (characters plus one), then
// the characters and a zero byte. Failures raise IOException.
void writeMetadataText(std::ostream& out, const std::string& text);
std::string readMetadataText(std::istream& in);

// Raw multi-byte numbers in the persistent form's byte order.
void writeMetadataBytes(std::ostream& out, const void* value, std::size_t size, std::int32_t order);
void readMetadataBytes(std::istream& in, void* value, std::size_t size, std::int32_t order);

class MetadataValueWriter {
  public:
    virtual void write(std::ostream& out, std::int32_t order) const = 0;

  protected:
    ~MetadataValueWriter() = default;
};

class MetadataValueReader {
  public:
    virtual void read(std::istream& in, std::int32_t order) = 0;

  protected:
    ~MetadataValueReader() = default;
};

class MetadataValue : public MetadataValueWriter, public MetadataValueReader {
  public:
    MetadataValue() = default;
    MetadataValue(const MetadataValue&) = default;
    MetadataValue& operator=(const MetadataValue&) = default;
    explicit MetadataValue(std::uint8_t value);
    explicit MetadataValue(std::uint16_t value);
    explicit MetadataValue(std::uint32_t value);
    explicit MetadataValue(const char* text);
    explicit MetadataValue(const std::string& text);
    explicit MetadataValue(float value);
    explicit MetadataValue(double value);
    explicit MetadataValue(std::int8_t value);
    explicit MetadataValue(std::int16_t value);
    explicit MetadataValue(std::int32_t value);

    std::int32_t type() const { return type_; }

    std::uint8_t asUInt8() const;
    std::uint16_t asUInt16() const;
    std::uint32_t asUInt32() const;
    std::int8_t asInt8() const;
    std::int16_t asInt16() const;
    std::int32_t asInt32() const;
    const std::string& asString() const;
    double toDouble() const;
    double asDouble() const;

    bool operator==(const MetadataValue& other) const;

    void write(std::ostream& out, std::int32_t order) const override;
    void read(std::istream& in, std::int32_t order) override;

  private:
    // Returns to the unset state, so bytes beyond a value's width stay zero.
    void reset();
    template <class T>
    void store(T value, std::int32_t type);
    template <class T>
    T load() const;
    [[noreturn]] static void badCast();

    unsigned char number_[8] = {};
    std::string text_;
    std::int32_t type_ = MetadataUnset;
};

}  // namespace Corvane
