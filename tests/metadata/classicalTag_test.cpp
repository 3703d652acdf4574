#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "metadata/cv_classicalBlock.h"
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
template <class F>
std::string capture(F&& action) {
    std::FILE* file = std::tmpfile();
    action(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

}  // namespace

TEST(ClassicalTagTable, InitialisedTableHoldsTheStartMarker) {
    Table t;
    EXPECT_EQ(t.table.used, 1);
    EXPECT_EQ(t.table.capacity, 100);
    EXPECT_EQ(t.table.version, 1);
    EXPECT_STREQ(tagKeyAt(&t.table, 0), "IMAGE::SOM");
    std::int16_t marker = 0;
    EXPECT_EQ(getTagValues(&t.table, "IMAGE::SOM", &marker), 0);
    EXPECT_EQ(marker, 1);
    EXPECT_EQ(tagKeyAt(&t.table, 1), nullptr);
}

TEST(ClassicalTagTable, AddReplacesAndComputesCounts) {
    Table t;
    EXPECT_EQ(setImageWidth(&t.table, 640), 1);
    EXPECT_EQ(setImageHeight(&t.table, 480), 2);
    EXPECT_EQ(setImageWidth(&t.table, 800), 2);  // replaced: moves to the end
    EXPECT_EQ(t.table.used, 3);
    std::uint32_t width = 0;
    EXPECT_EQ(getImageWidth(&t.table, &width), 2);
    EXPECT_EQ(width, 800u);

    const std::int32_t dims[2] = {3, 4};
    std::vector<std::int16_t> values(12, 7);
    const std::int32_t index = addTag(&t.table, "TABLE", TYPE_SSHORT, 2, dims, values.data());
    ASSERT_GE(index, 0);
    EXPECT_EQ(t.table.slots[index].count, 12);
    const std::int32_t none[1] = {0};
    const double pi = 3.14;
    const std::int32_t scalar = addTag(&t.table, "SCALAR", TYPE_DOUBLE, 0, none, &pi);
    ASSERT_GE(scalar, 0);
    EXPECT_EQ(t.table.slots[scalar].count, 1);

    std::int32_t count = -1, got[10] = {};
    EXPECT_EQ(getTagDimensions(&t.table, "TABLE", &count, got), index);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(got[0], 3);
    EXPECT_EQ(got[1], 4);
    std::int32_t type = 0;
    EXPECT_EQ(getTagType(&t.table, "SCALAR", &type), scalar);
    EXPECT_EQ(type, TYPE_DOUBLE);

    EXPECT_EQ(setComment(&t.table, "hello"), 5);
    std::string comment;
    EXPECT_GE(getComment(&t.table, &comment), 0);
    EXPECT_EQ(comment, "hello");
    // A standard getter refuses a tag of a foreign type under its key.
    ASSERT_GE(addTag(&t.table, "IMAGE::XY_ORIGIN", TYPE_SLONG, 0, none, none), 0);
    double x = 0, y = 0;
    EXPECT_EQ(getXYOrigin(&t.table, &x, &y), MFAIL);
    EXPECT_GE(setXYOrigin(&t.table, 100.5, -20.25), 0);
    EXPECT_GE(getXYOrigin(&t.table, &x, &y), 0);
    EXPECT_EQ(x, 100.5);
    EXPECT_EQ(y, -20.25);
}

TEST(ClassicalTagTable, RefusalsGiveTheirResultCodes) {
    Table t;
    const std::int32_t dims[3] = {1, 1, 1};
    const std::int32_t value = 5;
    EXPECT_EQ(addTag(nullptr, "K", TYPE_SLONG, 1, dims, &value), MUNINITIALIZED_POINTER);
    EXPECT_EQ(addTag(&t.table, nullptr, TYPE_SLONG, 1, dims, &value), MUNINITIALIZED_POINTER);
    EXPECT_EQ(addTag(&t.table, "K", TYPE_SLONG, 1, nullptr, &value), MUNINITIALIZED_POINTER);
    EXPECT_EQ(addTag(&t.table, "K", TYPE_SLONG, 1, dims, nullptr), MUNINITIALIZED_POINTER);
    EXPECT_EQ(addTag(&t.table, "K", TYPE_SLONG, 3, dims, &value), MTOO_MANY_DIMENSIONS);
    EXPECT_EQ(addTag(&t.table, "K", TYPE_SLONG, -1, dims, &value), MTOO_MANY_DIMENSIONS);
    EXPECT_EQ(addTag(&t.table, std::string(101, 'k').c_str(), TYPE_SLONG, 1, dims, &value), MFAIL);
    EXPECT_EQ(addTag(&t.table, std::string(100, 'k').c_str(), TYPE_SLONG, 1, dims, &value), 1);
    EXPECT_EQ(t.table.used, 2);

    EXPECT_EQ(findTag(&t.table, "ABSENT"), MFAIL);
    std::int32_t out = 0;
    EXPECT_EQ(getTagValues(&t.table, "ABSENT", &out), MFAIL);
    EXPECT_EQ(getTagDimensions(&t.table, "ABSENT", &out, &out), MFAIL);
    EXPECT_EQ(getTagDimensions(&t.table, "ABSENT", nullptr, &out), MUNINITIALIZED_POINTER);
    EXPECT_EQ(deleteTag(&t.table, "ABSENT"), MFAIL);
    EXPECT_EQ(deleteTagAt(&t.table, 2), MTAG_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(deleteTagAt(&t.table, -1), MTAG_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(renameTag(&t.table, "ABSENT", "NEW"), MFAIL);
    EXPECT_EQ(renameTag(&t.table, "IMAGE::SOM", std::string(100, 'k').c_str()), MTAG_EXISTS);
    EXPECT_EQ(renameTag(&t.table, std::string(100, 'k').c_str(), std::string(101, 'x').c_str()),
              MFAIL);
    EXPECT_EQ(renameTag(&t.table, std::string(100, 'k').c_str(), "RENAMED"), MSUCCESS);
    EXPECT_EQ(findTag(&t.table, "RENAMED"), 1);

    ClassicalTagTable cleared;
    ASSERT_EQ(initializeTagTable(&cleared), MSUCCESS);
    clearTagTable(&cleared);
    EXPECT_EQ(cleared.state, -1);
    EXPECT_EQ(addTag(&cleared, "K", TYPE_SLONG, 1, dims, &value), MMETADATA_NOT_FOUND);
    EXPECT_EQ(copyTag(&cleared, &t.table, "RENAMED"), MMETADATA_NOT_FOUND);
    EXPECT_EQ(copyTag(nullptr, &t.table, "RENAMED"), MUNINITIALIZED_POINTER);
    EXPECT_EQ(copyTag(&t.table, &t.table, "ABSENT"), MFAIL);
    EXPECT_EQ(deleteTagAt(&cleared, 0), MMETADATA_NOT_FOUND);
}

TEST(ClassicalTagTable, DeleteMovesLaterTagsDownAndGrowthAddsSlots) {
    Table t;
    std::uint8_t byte = 1;
    const std::int32_t one[1] = {1};
    for (int i = 1; i <= 100; ++i) {
        const std::string key = "KEY" + std::to_string(i);
        EXPECT_EQ(addTag(&t.table, key.c_str(), TYPE_BYTE, 1, one, &byte), i);
    }
    EXPECT_EQ(t.table.used, 101);
    EXPECT_EQ(t.table.capacity, 200);  // the 101st tag grew the array
    EXPECT_EQ(deleteTag(&t.table, "KEY50"), 50);
    EXPECT_STREQ(tagKeyAt(&t.table, 50), "KEY51");
    EXPECT_EQ(t.table.used, 100);

    std::vector<std::int32_t> indexes(static_cast<std::size_t>(t.table.used));
    EXPECT_EQ(findTagsContaining(&t.table, "KEY9", indexes.data()), 11);  // 9, 90..99
    EXPECT_STREQ(tagKeyAt(&t.table, indexes[0]), "KEY9");
}

TEST(ClassicalTagTable, CopyLeavesOutTheMarkers) {
    Table source, destination;
    setImageWidth(&source.table, 5);
    setInputName(&source.table, "name.tif");
    setEndOfMetadata(&source.table);
    setImageWidth(&destination.table, 1);
    copyTags(&destination.table, &source.table);
    EXPECT_EQ(destination.table.used, 3);  // SOM, WIDTH, INPUT_NAME
    std::uint32_t width = 0;
    EXPECT_EQ(getImageWidth(&destination.table, &width), 1);
    EXPECT_EQ(width, 5u);
    EXPECT_EQ(findTag(&destination.table, "IMAGE::EOM"), MFAIL);
    std::string name;
    EXPECT_EQ(getInputName(&destination.table, &name), 2);
    EXPECT_EQ(name, "name.tif");
}

TEST(ClassicalTagTable, DumpWritesOneLinePerValue) {
    Table t;
    const std::int32_t three[1] = {3};
    const std::int16_t shorts[3] = {-1, 2, -3};
    addTag(&t.table, "S", TYPE_SSHORT, 1, three, shorts);
    setComment(&t.table, "hi there");
    setCompressionGamma(&t.table, 0.5f);
    setXResolution(&t.table, 2.25);
    setImageWidth(&t.table, 0xFFFFFFFFu);
    setNoDither(&t.table, 200);
    const std::int8_t sbyte = -5;
    setNoDataValue(&t.table, TYPE_SBYTE, &sbyte);
    setCompressionVersion(&t.table, -12);
    const std::int32_t one[1] = {1};
    const char nothing = 0;
    addTag(&t.table, "R", TYPE_RATIONAL, 1, one, &nothing);

    const std::string text = capture([&](std::FILE* f) { dumpTagTable(&t.table, f); });
    EXPECT_EQ(text,
              " 0\tTYPE_SHORT\t1\t\tIMAGE::SOM \n"
              " 1\tTYPE_SSHORT\t-1\t\tS \n"
              " \tTYPE_SSHORT\t2\t\tS \n"
              " \tTYPE_SSHORT\t-3\t\tS \n"
              " 2\tTYPE_ASCII\thi there\tASCII::COMMENT \n"
              " 3\tTYPE_FLOAT\t0.500000\t\tIMAGE::COMPRESSION_GAMMA \n"
              " 4\tTYPE_DOUBLE\t2.250000\tIMAGE::X_RESOLUTION \n"
              " 5\tTYPE_LONG\t-1\t\tIMAGE::WIDTH \n"
              " 6\tTYPE_BYTE\t200\t\tIMAGE::NO_DITHER \n"
              " 7\tTYPE_SBYTE\t-5\t\tIMAGE::NO_DATA_VALUE \n"
              " 8\tTYPE_SLONG\t-12\t\tIMAGE::COMPRESSION_VERSION \n"
              " 9 Error: TYPE UNKNOWN  ");
}

TEST(ClassicalTagTable, ResultCodesPrintTheirNames) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "MSUCCESS"},
        {-1, "MFAIL (and/or MTAG_NOT_FOUND)"},
        {-2, "MTAG_EXISTS"},
        {-3, "MALL_TAGS_USED"},
        {-4, "MMETADATA_NOT_FOUND"},
        {-5, "MVERSION_INCOMPATIBLE"},
        {-6, "MUNINITIALIZED_POINTER"},
        {-9, "Tag # -9"},
        {7, "Tag # 7"},
    };
    for (const auto& [code, name] : cases)
        EXPECT_EQ(capture([code](std::FILE* f) { printResultCode(code, f); }), name);
    EXPECT_STREQ(tagTypeName(TYPE_SSHORT), "TYPE_SSHORT");
    EXPECT_STREQ(tagTypeName(12), "Error: tag_type unknown.");
}

TEST(ClassicalTagTable, QueriesRefuseNullArgumentsAndClearedTables) {
    Table t;
    std::int32_t out = 0;
    std::int32_t indexes[4] = {};
    EXPECT_EQ(getTagType(&t.table, "IMAGE::SOM", nullptr), MUNINITIALIZED_POINTER);
    EXPECT_EQ(getTagType(&t.table, "ABSENT", &out), MFAIL);
    EXPECT_EQ(getTagValues(&t.table, "IMAGE::SOM", nullptr), MUNINITIALIZED_POINTER);
    EXPECT_EQ(findTagsContaining(&t.table, nullptr, indexes), MUNINITIALIZED_POINTER);
    EXPECT_EQ(findTagsContaining(&t.table, "NOWHERE", indexes), 0);
    EXPECT_EQ(deleteTag(&t.table, nullptr), MUNINITIALIZED_POINTER);
    EXPECT_EQ(renameTag(&t.table, "IMAGE::SOM", nullptr), MUNINITIALIZED_POINTER);

    ClassicalTagTable cleared;
    ASSERT_EQ(initializeTagTable(&cleared), MSUCCESS);
    clearTagTable(&cleared);
    EXPECT_EQ(getTagType(&cleared, "IMAGE::SOM", &out), MMETADATA_NOT_FOUND);
    EXPECT_EQ(getTagValues(&cleared, "IMAGE::SOM", &out), MMETADATA_NOT_FOUND);
    EXPECT_EQ(getTagDimensions(&cleared, "IMAGE::SOM", &out, indexes), MMETADATA_NOT_FOUND);
    EXPECT_EQ(findTagsContaining(&cleared, "IMAGE", indexes), MMETADATA_NOT_FOUND);
    EXPECT_EQ(deleteTag(&cleared, "IMAGE::SOM"), MMETADATA_NOT_FOUND);
    EXPECT_EQ(renameTag(&cleared, "IMAGE::SOM", "X"), MMETADATA_NOT_FOUND);
    EXPECT_EQ(findTag(&cleared, "IMAGE::SOM"), MFAIL);
    EXPECT_EQ(tagKeyAt(&cleared, 0), nullptr);
    // Copying into or out of a cleared table does nothing.
    copyTags(&t.table, &cleared);
    copyTags(&cleared, &t.table);
    EXPECT_EQ(t.table.used, 1);
    EXPECT_EQ(cleared.used, 0);
}
