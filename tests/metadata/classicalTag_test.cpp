// The table of classical tags: what adding, replacing, growing, copying and the
// standard getters do, the result codes of refusals, the text dumps, and the import
// into the database, whose shapes follow the tags' dimensions.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalImport.h"
#include "metadata/cv_classicalStandardTags.h"
#include "metadata/cv_classicalTag.h"

using namespace Corvane;

namespace {

struct Table {
    Table() { EXPECT_EQ(initializeTagTable(&table), MSUCCESS); }
    ~Table() { clearTagTable(&table); }
    ClassicalTagTable table;
};

// Everything written to a temporary file by action, as text.
std::string capture(const std::function<void(std::FILE*)>& action) {
    std::FILE* file = std::tmpfile();
    action(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

}  // namespace

TEST(ClassicalTagTable, AddReplaceGrowCopy) {
    Table t;
    EXPECT_EQ(setImageWidth(&t.table, 640), 1);  // after the start marker
    EXPECT_EQ(setImageHeight(&t.table, 480), 2);
    EXPECT_EQ(setImageWidth(&t.table, 800), 2);  // replaced: moves to the end
    std::uint32_t width = 0;
    EXPECT_EQ(getImageWidth(&t.table, &width), 2);
    EXPECT_EQ(width, 800u);
    const std::int32_t dims[2] = {3, 4}, none[1] = {0}, one[1] = {1};
    const std::int16_t values[12] = {};
    EXPECT_EQ(t.table.slots[addTag(&t.table, "TABLE", TYPE_SSHORT, 2, dims, values)].count, 12);
    // A standard getter refuses a tag of a foreign type under its key.
    ASSERT_GE(addTag(&t.table, "IMAGE::XY_ORIGIN", TYPE_SLONG, 0, none, none), 0);
    double x = 0, y = 0;
    EXPECT_EQ(getXYOrigin(&t.table, &x, &y), MFAIL);

    Table big;
    for (int i = 1; i <= 100; ++i)
        addTag(&big.table, ("KEY" + std::to_string(i)).c_str(), TYPE_BYTE, 1, one, values);
    EXPECT_EQ(big.table.capacity, 200);  // the 101st tag grew the array
    EXPECT_EQ(deleteTag(&big.table, "KEY50"), 50);
    EXPECT_STREQ(tagKeyAt(&big.table, 50), "KEY51");
    std::int32_t indexes[100];
    EXPECT_EQ(findTagsContaining(&big.table, "KEY9", indexes), 11);  // 9, 90..99
    // Copies leave out the markers.
    setEndOfMetadata(&big.table);
    Table copy;
    copyTags(&copy.table, &big.table);
    EXPECT_EQ(copy.table.used, 100);
    EXPECT_EQ(findTag(&copy.table, "IMAGE::EOM"), MFAIL);
}

TEST(ClassicalTagTable, RefusalsGiveTheirResultCodes) {
    Table t, cleared;
    clearTagTable(&cleared.table);
    ClassicalTagTable *T = &t.table, *C = &cleared.table;
    const std::int32_t dims[3] = {1, 1, 1};
    std::int32_t v = 5, out = 0;
    const std::string k100(100, 'k'), k101(101, 'k');
    const std::pair<std::function<std::int32_t()>, std::int32_t> cases[] = {
        {[&] { return addTag(nullptr, "K", TYPE_SLONG, 1, dims, &v); }, MUNINITIALIZED_POINTER},
        {[&] { return addTag(T, "K", TYPE_SLONG, 1, dims, nullptr); }, MUNINITIALIZED_POINTER},
        {[&] { return addTag(T, "K", TYPE_SLONG, 3, dims, &v); }, MTOO_MANY_DIMENSIONS},
        {[&] { return addTag(T, "K", TYPE_SLONG, -1, dims, &v); }, MTOO_MANY_DIMENSIONS},
        {[&] { return addTag(T, k101.c_str(), TYPE_SLONG, 1, dims, &v); }, MFAIL},
        {[&] { return addTag(T, k100.c_str(), TYPE_SLONG, 1, dims, &v); }, 1},
        {[&] { return getTagValues(T, "ABSENT", &out); }, MFAIL},
        {[&] { return getTagDimensions(T, "ABSENT", nullptr, &out); }, MUNINITIALIZED_POINTER},
        {[&] { return deleteTagAt(T, 2); }, MTAG_INDEX_OUT_OF_RANGE},
        {[&] { return deleteTagAt(T, -1); }, MTAG_INDEX_OUT_OF_RANGE},
        {[&] { return renameTag(T, "IMAGE::SOM", k100.c_str()); }, MTAG_EXISTS},
        {[&] { return renameTag(T, k100.c_str(), std::string(101, 'x').c_str()); }, MFAIL},
        {[&] { return renameTag(T, k100.c_str(), "RENAMED"); }, MSUCCESS},
        {[&] { return copyTag(T, T, "ABSENT"); }, MFAIL},
        {[&] { return addTag(C, "K", TYPE_SLONG, 1, dims, &v); }, MMETADATA_NOT_FOUND},
        {[&] { return copyTag(C, T, "RENAMED"); }, MMETADATA_NOT_FOUND},
        {[&] { return findTagsContaining(C, "IMAGE", &out); }, MMETADATA_NOT_FOUND},
        {[&] { return findTag(C, "IMAGE::SOM"); }, MFAIL},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first(), cases[i].second) << i;
    EXPECT_EQ(findTag(T, "RENAMED"), 1);
}

TEST(ClassicalTagTable, DumpsAndNames) {
    Table t;
    const std::int32_t two[1] = {2}, one[1] = {1};
    const std::int16_t shorts[2] = {-1, 2};
    addTag(&t.table, "S", TYPE_SSHORT, 1, two, shorts);
    setComment(&t.table, "hi there");
    setCompressionGamma(&t.table, 0.5f);
    setXResolution(&t.table, 2.25);
    setImageWidth(&t.table, 0xFFFFFFFFu);
    setNoDither(&t.table, 200);
    const char nothing = 0;
    addTag(&t.table, "R", TYPE_RATIONAL, 1, one, &nothing);
    EXPECT_EQ(capture([&](std::FILE* f) { dumpTagTable(&t.table, f); }),
              " 0\tTYPE_SHORT\t1\t\tIMAGE::SOM \n"
              " 1\tTYPE_SSHORT\t-1\t\tS \n \tTYPE_SSHORT\t2\t\tS \n"
              " 2\tTYPE_ASCII\thi there\tASCII::COMMENT \n"
              " 3\tTYPE_FLOAT\t0.500000\t\tIMAGE::COMPRESSION_GAMMA \n"
              " 4\tTYPE_DOUBLE\t2.250000\tIMAGE::X_RESOLUTION \n"
              " 5\tTYPE_LONG\t-1\t\tIMAGE::WIDTH \n"
              " 6\tTYPE_BYTE\t200\t\tIMAGE::NO_DITHER \n"
              " 7 Error: TYPE UNKNOWN  ");
    // clang-format off
    const std::pair<std::int32_t, const char*> codes[] = {
        {0, "MSUCCESS"}, {-1, "MFAIL (and/or MTAG_NOT_FOUND)"}, {-2, "MTAG_EXISTS"},
        {-3, "MALL_TAGS_USED"}, {-4, "MMETADATA_NOT_FOUND"}, {-5, "MVERSION_INCOMPATIBLE"},
        {-6, "MUNINITIALIZED_POINTER"}, {-9, "Tag # -9"}, {7, "Tag # 7"}};
    // clang-format on
    for (const auto& [code, name] : codes)
        EXPECT_EQ(capture([code](std::FILE* f) { printResultCode(code, f); }), name);
    EXPECT_STREQ(tagTypeName(12), "Error: tag_type unknown.");
}

TEST(ClassicalImport, DimensionsChooseTheShape) {
    Table t;
    const std::int32_t three[1] = {3}, table[2] = {3, 2}, none[1] = {0}, two[1] = {2};
    const std::int16_t shorts[3] = {-300, 0, 300};
    addTag(&t.table, "SSHORTS", TYPE_SSHORT, 1, three, shorts);
    const std::uint32_t longs[6] = {10, 11, 12, 20, 21, 22};
    addTag(&t.table, "TABLE", TYPE_LONG, 2, table, longs);
    const std::int8_t sbyte = -7;
    addTag(&t.table, "SCALAR", TYPE_SBYTE, 0, none, &sbyte);
    addTag(&t.table, "TEXTS", TYPE_ASCII, 1, two, "both");
    setEndOfMetadata(&t.table);
    MetadataDatabase db;
    importTagTable(t.table, db);
    EXPECT_EQ(db.keys(), (std::vector<std::string>{"SCALAR", "SSHORTS", "TABLE", "TEXTS"}));
    const MetadataElement &s = db.get("SSHORTS"), &grid = db.get("TABLE");
    EXPECT_EQ(s.size(), (MetadataSize{3, 1}));
    EXPECT_EQ(s.valueType(), MetadataInt16);
    EXPECT_EQ(s.row(0)[2].asInt16(), 300);
    // Row r, column c holds the value at r * width + c.
    EXPECT_EQ(grid.dimensionality(), TableValue);
    EXPECT_EQ(grid.row(0)[2].asUInt32(), 12u);
    EXPECT_EQ(grid.row(1)[0].asUInt32(), 20u);
    EXPECT_EQ(db.get("SCALAR").dimensionality(), SingleValue);
    EXPECT_EQ(db.get("SCALAR").row(0)[0].asInt32(), -7);
    EXPECT_EQ(db.get("TEXTS").row(0)[1].asString(), "both");
    // The first and last tags are taken to be the markers whatever their keys.
    Table unterminated;
    setImageWidth(&unterminated.table, 1);
    setImageHeight(&unterminated.table, 2);
    MetadataDatabase widthOnly;
    importTagTable(unterminated.table, widthOnly);
    EXPECT_EQ(widthOnly.keys(), std::vector<std::string>{"IMAGE::WIDTH"});
}
