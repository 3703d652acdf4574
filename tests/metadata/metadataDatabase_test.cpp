// Metadata values, elements and the database: the casts between value types, the
// persistent bytes of values and elements, the shape rules and the text dumps.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <sstream>
#include <string>

#include "common/thrown_text.h"
#include "metadata/cv_metadataDatabase.h"
#include "support/cv_exception.h"

using namespace Corvane;
using tovex_test::thrownText;

namespace {

constexpr const char* kBadCast = "[4][2408]Bad cast in metadata.";

template <class Item>
std::string persisted(const Item& item, std::int32_t order) {
    std::ostringstream out;
    item.write(out, order);
    return out.str();
}

MetadataElement single(const char* key, MetadataValue value) {
    MetadataElement element(key);
    element.row(0)[0] = value;
    return element;
}

}  // namespace

TEST(MetadataValue, CastsWidenWithinTheirSignednessOnly) {
    EXPECT_EQ(MetadataValue(std::int8_t{-2}).asInt32(), -2);
    EXPECT_EQ(MetadataValue(std::uint16_t{65535}).asUInt32(), 65535u);
    EXPECT_EQ(MetadataValue(std::uint32_t{0xFFFFFFFF}).toDouble(), 4294967295.0);
    EXPECT_EQ(MetadataValue(1.5f).asDouble(), 1.5);
    EXPECT_EQ(MetadataValue(static_cast<const char*>(nullptr)).asString(), "");
    // Signedness never crosses, nor does a narrowing; texts and unset values are no numbers.
    EXPECT_EQ(thrownText([] { MetadataValue(std::uint8_t{1}).asInt16(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue(std::int8_t{1}).asUInt32(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue(std::uint32_t{1}).asUInt16(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue(1.0).asInt32(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue("x").toDouble(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue().toDouble(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue(std::int32_t{1}).asString(); }), kBadCast);
    // Equal needs the same type and value; nothing unset or NaN is equal to itself.
    EXPECT_FALSE(MetadataValue(std::uint16_t{5}) == MetadataValue(std::int16_t{5}));
    EXPECT_FALSE(MetadataValue() == MetadataValue());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(MetadataValue(nan) == MetadataValue(nan));
}

TEST(MetadataValue, PersistentFormHasTheFixedBytesAndRoundTrips) {
    const MetadataValue v(std::uint16_t{0x1234});
    EXPECT_EQ(persisted(v, LittleEndianOrder), std::string("\x02\x34\x12", 3));
    EXPECT_EQ(persisted(v, BigEndianOrder), std::string("\x02\x12\x34", 3));
    EXPECT_EQ(persisted(v, 7), std::string("\x02\x12\x34", 3));
    EXPECT_EQ(persisted(MetadataValue("xy"), LittleEndianOrder),
              std::string("\x05\0\0\0\3xy\0", 8));
    EXPECT_EQ(persisted(MetadataValue(), BigEndianOrder), std::string("\x0b", 1));
    for (std::int32_t order : {BigEndianOrder, LittleEndianOrder})
        for (const MetadataValue& value :
             {MetadataValue(std::uint8_t{250}), MetadataValue(std::uint32_t{0xDEADBEEF}),
              MetadataValue("a text"), MetadataValue(3.25f), MetadataValue(-1.0e300),
              MetadataValue(std::int8_t{-100}), MetadataValue(std::int16_t{-30000}),
              MetadataValue(std::int32_t{-2000000000})}) {
            std::istringstream in(persisted(value, order));
            MetadataValue back;
            back.read(in, order);
            EXPECT_EQ(back, value) << "type " << value.type() << " order " << order;
        }
    // Unknown types are skipped; short data, even a text length far past the end, throw.
    MetadataValue value(std::int16_t{9});
    for (const char type : {'\x04', '\x0b', '\x00', '\x7f'}) {
        std::istringstream in(std::string(1, type) + "\x01\x02\x03\x04");
        value.read(in, BigEndianOrder);
        EXPECT_EQ(value.asInt16(), 9);
    }
    for (const std::string& bytes : {std::string("\x03\x00\x01", 3),
                                     std::string("\x05\xff\xff\xff\xf0xy", 7), std::string()}) {
        std::istringstream in(bytes);
        EXPECT_THROW(value.read(in, BigEndianOrder), IOException);
    }
}

TEST(MetadataElement, ShapeRulesAndPersistentLayout) {
    const std::pair<std::function<void()>, const char*> shapes[] = {
        {[] { MetadataElement("k", SingleValue, 2, 1); },
         "[4][2404]Single value MetadataElement must have width, height == 1."},
        {[] { MetadataElement(std::string("k"), 1); },
         "[4][2405]Array MetadataElement must have width > 1, height==1."},
        {[] { MetadataElement("k", TableValue, 2, 1); },
         "[4][2406]Table MetadataElement must have width > 1, height > 1 ."},
        {[] { MetadataElement("k", 0, 1, 1); },
         "[4][2407]Illegal dimensionality specified for MetadataElement."},
        {[] { MetadataElement(std::string("k"), -1); },
         "[4][2361]Error constructing an object: Cannot have negative dimensions."},
    };
    for (const auto& [make, message] : shapes)
        EXPECT_NE(thrownText(make).find(message), std::string::npos) << message;
    MetadataElement lut("IMAGE::INPUT_LUT", 2, 2);
    lut.row(0) = {MetadataValue(std::uint8_t{1}), MetadataValue(std::uint8_t{2})};
    lut.row(1) = {MetadataValue(std::uint8_t{3}), MetadataValue(std::uint8_t{4})};
    for (std::int32_t order : {BigEndianOrder, LittleEndianOrder}) {
        std::istringstream stream(persisted(lut, order));
        MetadataElement back;
        back.read(stream, order);
        EXPECT_EQ(back, lut);
    }
    // Rows, each its count and values (type 9, -2); the key; single; width and height.
    EXPECT_EQ(persisted(single("AB", MetadataValue(std::int16_t{-2})), BigEndianOrder),
              std::string("\0\0\0\1\0\0\0\1\x09\xff\xfe\0\0\0\3AB\0\1\0\0\0\1\0\0\0\1", 27));
    // A row count that the stream cannot back is refused, not allocated.
    std::istringstream bogus(std::string("\x7f\xff\xff\xff\x00\x00", 6));
    MetadataElement element;
    EXPECT_THROW(element.read(bogus, BigEndianOrder), IOException);
}

TEST(MetadataDatabase, KeepsElementsUnderOneKeyInOrderAndDumpsThem) {
    MetadataDatabase db;
    db.add(single("IMAGE::INPUT_NAME", MetadataValue("first")));
    db.add(single("IMAGE::WIDTH", MetadataValue(std::uint32_t{640})));
    db.add(single("IMAGE::INPUT_NAME", MetadataValue("second")));
    EXPECT_EQ(db.get("IMAGE::INPUT_NAME", 1).row(0)[0].asString(), "second");
    EXPECT_EQ(db.get("IMAGE::INPUT_NAME", 2).key(), "IMAGE::WIDTH");
    EXPECT_TRUE(db.get("IMAGE::WIDTH", 1).isNull());
    EXPECT_TRUE(db.get("GEO::NOTHING").isNull());
    EXPECT_EQ(db.keys(), (std::vector<std::string>{"IMAGE::INPUT_NAME", "IMAGE::WIDTH"}));
    // Arrays show ten values a line; a table its first row only; an unset value nothing.
    MetadataElement array("IMAGE::SAMPLES", ArrayValue, 23, 1);
    for (int i = 0; i < 23; ++i) array.row(0)[std::size_t(i)] = MetadataValue(std::int16_t(i - 3));
    db.add(array);
    MetadataElement table("T", 2, 2);
    table.row(0) = {MetadataValue(0.5), MetadataValue(1234567.0)};
    table.row(1) = {MetadataValue(8.0), MetadataValue(9.0)};
    db.add(table);
    db.add(single("U", MetadataValue()));
    std::ostringstream dump, summary;
    db.dump(dump);
    EXPECT_EQ(dump.str(),
              "Key: IMAGE::INPUT_NAME\n\t--- 1 Value(s): first\n\t--- Type: ascii string\n\n"
              "Key: IMAGE::INPUT_NAME\n\t--- 1 Value(s): second\n\t--- Type: ascii string\n\n"
              "Key: IMAGE::SAMPLES\n\t--- 23 Value(s): "
              "\n\t Values( 0 to 9 ):  -3 -2 -1 0 1 2 3 4 5 6 "
              "\n\t Values( 10 to 19 ):  7 8 9 10 11 12 13 14 15 16 "
              "\n\t Values( 20 to 22 ):  17 18 19 \n\t--- Type: signed short\n\n"
              "Key: IMAGE::WIDTH\n\t--- 1 Value(s): \n\t Values( 0 to 0 ):  640 "
              "\n\t--- Type: unsigned long\n\n"
              "Key: T\n\t--- 2 Value(s): \n\t Values( 0 to 1 ):  0.5 1.23457e+06 "
              "\n\t--- Type: double\n\n"
              "Key: U\n\t--- 1 Value(s): \n");
    for (const char* key : {"IMAGE::WIDTH", "IMAGE::SAMPLES", "T", "missing"})
        db.printSummary(summary, key);
    EXPECT_EQ(summary.str(),
              "Key: IMAGE::WIDTH --- Value Type: unsigned long\n"
              "Key: IMAGE::SAMPLES --- Value Type: signed short [23]\n"
              "Key: T --- Value Type: double [2][2]\n"
              "Key: missing --- Value Type: Unknown\n");
}
