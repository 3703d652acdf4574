#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "metadata/cv_classicalImport.h"
#include "metadata/cv_classicalStandardTags.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

struct Table {
    Table() { EXPECT_EQ(initializeTagTable(&table), MSUCCESS); }
    ~Table() { clearTagTable(&table); }
    ClassicalTagTable table;
};

std::string importError(const ClassicalTagTable& table) {
    MetadataDatabase db;
    try {
        importTagTable(table, db);
    } catch (const InvalidArgumentException& e) {
        return describe(e);
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(ClassicalImport, MarkersAloneAddNothing) {
    Table t;
    setEndOfMetadata(&t.table);
    MetadataDatabase db;
    importTagTable(t.table, db);
    EXPECT_TRUE(db.isEmpty());

    // The first and last tags are taken to be the markers whatever their keys.
    Table unterminated;
    setImageWidth(&unterminated.table, 1);
    setImageHeight(&unterminated.table, 2);
    importTagTable(unterminated.table, db);
    EXPECT_EQ(db.keys(), std::vector<std::string>{"IMAGE::WIDTH"});
}

TEST(ClassicalImport, DimensionsChooseTheShape) {
    Table t;
    const std::int32_t three[1] = {3};
    const std::int16_t shorts[3] = {-300, 0, 300};
    addTag(&t.table, "SSHORTS", TYPE_SSHORT, 1, three, shorts);
    const std::int32_t table[2] = {3, 2};
    const std::uint32_t longs[6] = {10, 11, 12, 20, 21, 22};
    addTag(&t.table, "TABLE", TYPE_LONG, 2, table, longs);
    const std::int32_t row[2] = {4, 1};
    const float floats[4] = {0.5f, 1.5f, 2.5f, 3.5f};
    addTag(&t.table, "ROW", TYPE_FLOAT, 2, row, floats);
    const std::int32_t none[1] = {0};
    const std::int8_t sbyte = -7;
    addTag(&t.table, "SCALAR", TYPE_SBYTE, 0, none, &sbyte);
    const std::int32_t two[1] = {2};
    addTag(&t.table, "TEXTS", TYPE_ASCII, 1, two, "both");
    const char nothing = 0;
    const std::int32_t one[1] = {1};
    addTag(&t.table, "RATIONAL", TYPE_RATIONAL, 1, one, &nothing);
    setEndOfMetadata(&t.table);

    MetadataDatabase db;
    importTagTable(t.table, db);
    ASSERT_EQ(db.size(), 6u);

    const MetadataElement& s = db.get("SSHORTS");
    EXPECT_EQ(s.dimensionality(), ArrayValue);
    EXPECT_EQ(s.size(), (MetadataSize{3, 1}));
    EXPECT_EQ(s.valueType(), MetadataInt16);
    EXPECT_EQ(s.row(0)[0].asInt16(), -300);
    EXPECT_EQ(s.row(0)[2].asInt16(), 300);

    // Row r, column c holds the value at r * width + c.
    const MetadataElement& grid = db.get("TABLE");
    EXPECT_EQ(grid.dimensionality(), TableValue);
    EXPECT_EQ(grid.size(), (MetadataSize{3, 2}));
    EXPECT_EQ(grid.row(0)[2].asUInt32(), 12u);
    EXPECT_EQ(grid.row(1)[0].asUInt32(), 20u);
    EXPECT_EQ(grid.row(1)[2].asUInt32(), 22u);

    const MetadataElement& flat = db.get("ROW");
    EXPECT_EQ(flat.dimensionality(), ArrayValue);
    EXPECT_EQ(flat.row(0)[3].toDouble(), 3.5);

    const MetadataElement& scalar = db.get("SCALAR");
    EXPECT_EQ(scalar.dimensionality(), SingleValue);
    EXPECT_EQ(scalar.row(0)[0].asInt32(), -7);

    const MetadataElement& texts = db.get("TEXTS");
    EXPECT_EQ(texts.row(0)[0].asString(), "both");
    EXPECT_EQ(texts.row(0)[1].asString(), "both");

    EXPECT_EQ(db.get("RATIONAL").valueType(), MetadataUnset);
}

TEST(ClassicalImport, ShapesThatBreakTheElementRulesThrow) {
    // The rule's text is the detail of the invalid-argument message.
    const char* kArrayRule =
        "[4][2334]Invalid argument passed to function: [4][2405]Array MetadataElement must "
        "have width > 1, height==1..";
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    {
        Table t;
        const std::int32_t oneByOne[2] = {1, 1};
        addTag(&t.table, "K", TYPE_BYTE, 2, oneByOne, bytes);
        setEndOfMetadata(&t.table);
        EXPECT_EQ(importError(t.table), kArrayRule);
    }
    {
        Table t;
        const std::int32_t empty[1] = {0};
        addTag(&t.table, "K", TYPE_BYTE, 1, empty, bytes);
        setEndOfMetadata(&t.table);
        EXPECT_EQ(importError(t.table), kArrayRule);
    }
}
