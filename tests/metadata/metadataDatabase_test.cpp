#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/thrown_text.h"
#include "metadata/cv_metadataDatabase.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

using tovex_test::thrownText;

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

MetadataElement single(const char* key, MetadataValue value) {
    MetadataElement element(key);
    element.row(0)[0] = value;
    return element;
}

}  // namespace

TEST(MetadataElement, ShapeRulesRefuseWrongSizes) {
    EXPECT_TRUE(contains(thrownText([] { MetadataElement("k", SingleValue, 2, 1); }),
                         "[4][2404]Single value MetadataElement must have width, height == 1."));
    EXPECT_TRUE(contains(thrownText([] { MetadataElement(std::string("k"), 1); }),
                         "[4][2405]Array MetadataElement must have width > 1, height==1."));
    EXPECT_TRUE(contains(thrownText([] { MetadataElement("k", TableValue, 2, 1); }),
                         "[4][2406]Table MetadataElement must have width > 1, height > 1 ."));
    EXPECT_TRUE(contains(thrownText([] { MetadataElement("k", 0, 1, 1); }),
                         "[4][2407]Illegal dimensionality specified for MetadataElement."));
    EXPECT_THROW(MetadataElement("k", ArrayValue, 3, 2), InvalidArgumentException);
    EXPECT_TRUE(
        contains(thrownText([] { MetadataElement(std::string("k"), -1); }),
                 "[4][2361]Error constructing an object: Cannot have negative dimensions."));
    EXPECT_THROW(MetadataElement(std::string("k"), -1), GeometryException);

    const MetadataElement array("k", ArrayValue, 5, 1);
    ASSERT_EQ(array.rowCount(), 1u);
    EXPECT_EQ(array.row(0).size(), 5u);
    EXPECT_EQ(array.row(0)[4].type(), MetadataUnset);
    const MetadataElement table("t", 3, 2);
    EXPECT_EQ(table.dimensionality(), TableValue);
    EXPECT_EQ(table.rowCount(), 2u);
    EXPECT_EQ(table.row(1).size(), 3u);
    EXPECT_TRUE(MetadataElement().isNull());
    EXPECT_FALSE(MetadataElement("x").isNull());
}

TEST(MetadataElement, PersistentFormRoundTripsAndHasTheFixedLayout) {
    MetadataElement table("IMAGE::INPUT_LUT", 2, 2);
    table.row(0) = {MetadataValue(std::uint8_t{1}), MetadataValue(std::uint8_t{2})};
    table.row(1) = {MetadataValue(std::uint8_t{3}), MetadataValue(std::uint8_t{4})};
    for (std::int32_t order : {BigEndianOrder, LittleEndianOrder}) {
        std::stringstream stream;
        table.write(stream, order);
        MetadataElement back;
        back.read(stream, order);
        EXPECT_EQ(back, table);
    }

    std::ostringstream out;
    single("AB", MetadataValue(std::int16_t{-2})).write(out, BigEndianOrder);
    const std::string expected(
        "\x00\x00\x00\x01"  // one row
        "\x00\x00\x00\x01"
        "\x09\xff\xfe"  // one value, type 9
        "\x00\x00\x00\x03"
        "AB\x00"                             // key
        "\x01"                               // single
        "\x00\x00\x00\x01\x00\x00\x00\x01",  // width, height
        27);
    EXPECT_EQ(out.str(), expected);

    // A row count that the stream cannot back is refused, not allocated.
    std::istringstream bogus(std::string("\x7f\xff\xff\xff\x00\x00", 6));
    MetadataElement element;
    EXPECT_THROW(element.read(bogus, BigEndianOrder), IOException);
}

TEST(MetadataDatabase, KeepsSeveralElementsUnderOneKeyInOrder) {
    MetadataDatabase db;
    db.add(single("IMAGE::INPUT_NAME", MetadataValue("first")));
    db.add(single("IMAGE::WIDTH", MetadataValue(std::uint32_t{640})));
    db.add(single("IMAGE::INPUT_NAME", MetadataValue("second")));
    EXPECT_EQ(db.size(), 3u);
    EXPECT_EQ(db.get("IMAGE::INPUT_NAME").row(0)[0].asString(), "first");
    EXPECT_EQ(db.get("IMAGE::INPUT_NAME", 1).row(0)[0].asString(), "second");
    EXPECT_EQ(db.get("IMAGE::INPUT_NAME", 2).key(), "IMAGE::WIDTH");
    EXPECT_TRUE(db.get("IMAGE::WIDTH", 1).isNull());
    EXPECT_EQ(db.keys(), (std::vector<std::string>{"IMAGE::INPUT_NAME", "IMAGE::WIDTH"}));
    EXPECT_TRUE(db.get("GEO::NOTHING").isNull());
    EXPECT_FALSE(db.contains("GEO::NOTHING"));
    EXPECT_TRUE(db.contains("IMAGE::WIDTH"));
    EXPECT_EQ(db.find("GEO::NOTHING"), db.end());
    EXPECT_EQ(db.find("IMAGE::WIDTH")->second.row(0)[0].asUInt32(), 640u);

    std::ostringstream keys;
    db.printKeys(keys);
    EXPECT_EQ(keys.str(), "IMAGE::INPUT_NAME\nIMAGE::WIDTH\n");

    std::ostringstream dump;
    db.dump(dump);
    EXPECT_EQ(dump.str(),
              "Key: IMAGE::INPUT_NAME\n\t--- 1 Value(s): first\n\t--- Type: ascii string\n\n"
              "Key: IMAGE::INPUT_NAME\n\t--- 1 Value(s): second\n\t--- Type: ascii string\n\n"
              "Key: IMAGE::WIDTH\n\t--- 1 Value(s): \n\t Values( 0 to 0 ):  640 "
              "\n\t--- Type: unsigned long\n\n");

    MetadataDatabase copy(db);
    EXPECT_EQ(copy, db);
    copy.clear();
    EXPECT_TRUE(copy.isEmpty());
    EXPECT_EQ(db.size(), 3u);
    copy = db;
    EXPECT_EQ(copy, db);
    copy.add(single("A", MetadataValue(1.0)));
    EXPECT_FALSE(copy == db);
    EXPECT_TRUE(copy < db);  // "A" sorts before "IMAGE::..."
    EXPECT_FALSE(db < copy);
}

TEST(MetadataDatabase, DumpGroupsArrayValuesByTen) {
    MetadataElement array("IMAGE::SAMPLES", ArrayValue, 23, 1);
    for (int i = 0; i < 23; ++i)
        array.row(0)[static_cast<std::size_t>(i)] = MetadataValue(std::int16_t(i - 3));
    MetadataElement chars("IMAGE::LETTERS", ArrayValue, 2, 1);
    chars.row(0) = {MetadataValue(std::int8_t{'h'}), MetadataValue(std::int8_t{'i'})};
    MetadataElement reals("IMAGE::XY_ORIGIN", ArrayValue, 2, 1);
    reals.row(0) = {MetadataValue(0.5), MetadataValue(1234567.0)};
    MetadataDatabase db;
    db.add(array);
    db.add(chars);
    db.add(reals);

    std::ostringstream dump;
    db.dump(dump);
    EXPECT_EQ(dump.str(),
              "Key: IMAGE::LETTERS\n\t--- 2 Value(s): \n\t Values( 0 to 1 ):  h i "
              "\n\t--- Type: signed char\n\n"
              "Key: IMAGE::SAMPLES\n\t--- 23 Value(s): "
              "\n\t Values( 0 to 9 ):  -3 -2 -1 0 1 2 3 4 5 6 "
              "\n\t Values( 10 to 19 ):  7 8 9 10 11 12 13 14 15 16 "
              "\n\t Values( 20 to 22 ):  17 18 19 "
              "\n\t--- Type: signed short\n\n"
              "Key: IMAGE::XY_ORIGIN\n\t--- 2 Value(s): \n\t Values( 0 to 1 ):  0.5 1.23457e+06 "
              "\n\t--- Type: double\n\n");
}

TEST(MetadataDatabase, PrintSummaryNamesShapeAndType) {
    MetadataDatabase db;
    db.add(single("S", MetadataValue(std::uint16_t{1})));
    MetadataElement array("A", ArrayValue, 4, 1);
    array.row(0)[0] = MetadataValue(2.0f);
    db.add(array);
    MetadataElement table("T", 3, 2);
    table.row(0)[0] = MetadataValue(std::int32_t{1});
    db.add(table);

    std::ostringstream out;
    db.printSummary(out, "S");
    db.printSummary(out, "A");
    db.printSummary(out, "T");
    db.printSummary(out, "missing");
    EXPECT_EQ(out.str(),
              "Key: S --- Value Type: unsigned short\n"
              "Key: A --- Value Type: float [4]\n"
              "Key: T --- Value Type: signed long [3][2]\n"
              "Key: missing --- Value Type: Unknown\n");
}
