#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "common/thrown_text.h"
#include "metadata/cv_metadataValue.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

constexpr const char* kBadCast = "[4][2408]Bad cast in metadata.";

using tovex_test::thrownText;

std::string persisted(const MetadataValue& value, std::int32_t order) {
    std::ostringstream out;
    value.write(out, order);
    return out.str();
}

}  // namespace

TEST(MetadataValue, CastsFollowTheWideningRules) {
    EXPECT_EQ(MetadataValue(std::int16_t{-2}).asInt16(), -2);
    EXPECT_EQ(MetadataValue(std::int8_t{-2}).asInt16(), -2);
    EXPECT_EQ(MetadataValue(std::int8_t{-2}).asInt32(), -2);
    EXPECT_EQ(MetadataValue(std::uint16_t{65535}).asUInt32(), 65535u);
    EXPECT_EQ(MetadataValue(std::uint8_t{200}).asUInt32(), 200u);
    EXPECT_EQ(MetadataValue(std::uint32_t{0xFFFFFFFF}).toDouble(), 4294967295.0);
    EXPECT_EQ(MetadataValue(std::int32_t{-7}).toDouble(), -7.0);
    EXPECT_EQ(MetadataValue(1.5f).asDouble(), 1.5);
    EXPECT_EQ(MetadataValue("abc").asString(), "abc");
    EXPECT_EQ(MetadataValue(static_cast<const char*>(nullptr)).asString(), "");

    // Signedness never crosses, and texts and unset values are no numbers.
    EXPECT_EQ(thrownText([] { MetadataValue(std::uint8_t{1}).asInt16(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue(std::int8_t{1}).asUInt32(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue(std::uint32_t{1}).asUInt16(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue(1.0).asInt32(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue("x").toDouble(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue().toDouble(); }), kBadCast);
    EXPECT_EQ(thrownText([] { MetadataValue(std::int32_t{1}).asString(); }), kBadCast);
}

TEST(MetadataValue, EqualityNeedsSameTypeAndValue) {
    EXPECT_EQ(MetadataValue(std::uint16_t{5}), MetadataValue(std::uint16_t{5}));
    EXPECT_FALSE(MetadataValue(std::uint16_t{5}) == MetadataValue(std::int16_t{5}));
    EXPECT_FALSE(MetadataValue(std::uint16_t{5}) == MetadataValue(std::uint16_t{6}));
    EXPECT_EQ(MetadataValue("ab"), MetadataValue(std::string("ab")));
    EXPECT_FALSE(MetadataValue() == MetadataValue());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(MetadataValue(nan) == MetadataValue(nan));
}

TEST(MetadataValue, PersistentFormHasTheFixedBytes) {
    const MetadataValue v(std::uint16_t{0x1234});
    EXPECT_EQ(persisted(v, LittleEndianOrder), std::string("\x02\x34\x12", 3));
    EXPECT_EQ(persisted(v, BigEndianOrder), std::string("\x02\x12\x34", 3));
    EXPECT_EQ(persisted(v, 7), std::string("\x02\x12\x34", 3));

    const std::string text("\x05\x00\x00\x00\x03xy\x00", 8);
    EXPECT_EQ(persisted(MetadataValue("xy"), BigEndianOrder), text);
    EXPECT_EQ(persisted(MetadataValue("xy"), LittleEndianOrder), text);
    EXPECT_EQ(persisted(MetadataValue(), BigEndianOrder), std::string("\x0b", 1));
}

TEST(MetadataValue, PersistentFormRoundTripsInBothOrders) {
    const MetadataValue values[] = {MetadataValue(std::uint8_t{250}),
                                    MetadataValue(std::uint16_t{0xBEEF}),
                                    MetadataValue(std::uint32_t{0xDEADBEEF}),
                                    MetadataValue("a text"),
                                    MetadataValue(3.25f),
                                    MetadataValue(-1.0e300),
                                    MetadataValue(std::int8_t{-100}),
                                    MetadataValue(std::int16_t{-30000}),
                                    MetadataValue(std::int32_t{-2000000000})};
    for (std::int32_t order : {BigEndianOrder, LittleEndianOrder}) {
        for (const MetadataValue& v : values) {
            std::istringstream in(persisted(v, order));
            MetadataValue back;
            back.read(in, order);
            EXPECT_EQ(back, v) << "type " << v.type() << " order " << order;
        }
    }
}

TEST(MetadataValue, ReadIgnoresUnknownTypesAndRaisesOnShortData) {
    MetadataValue value(std::int16_t{9});
    for (const char type : {'\x04', '\x0b', '\x00', '\x7f'}) {
        std::istringstream in(std::string(1, type) + "\x01\x02\x03\x04");
        value.read(in, BigEndianOrder);
        EXPECT_EQ(value.asInt16(), 9);
    }
    std::istringstream truncated(std::string("\x03\x00\x01", 3));
    EXPECT_THROW(value.read(truncated, BigEndianOrder), IOException);
    // A text whose length claims far more than the stream holds fails without
    // taking that much memory.
    std::istringstream hugeText(std::string("\x05\xff\xff\xff\xf0xy", 7));
    EXPECT_THROW(value.read(hugeText, BigEndianOrder), IOException);
    std::istringstream empty;
    EXPECT_THROW(value.read(empty, BigEndianOrder), IOException);
}
