// The table of classical tags: what adding, replacing, growing, copying and the
// standard getters do, the result code of every refusal, and the text dumps.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
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
    const std::int32_t dims[2] = {3, 4}, none[1] = {0};
    std::vector<std::int16_t> values(12, 7);
    const std::int32_t index = addTag(&t.table, "TABLE", TYPE_SSHORT, 2, dims, values.data());
    EXPECT_EQ(t.table.slots[index].count, 12);
    const double pi = 3.14;
    EXPECT_EQ(t.table.slots[addTag(&t.table, "SCALAR", TYPE_DOUBLE, 0, none, &pi)].count, 1);
    // A standard getter refuses a tag of a foreign type under its key.
    ASSERT_GE(addTag(&t.table, "IMAGE::XY_ORIGIN", TYPE_SLONG, 0, none, none), 0);
    double x = 0, y = 0;
    EXPECT_EQ(getXYOrigin(&t.table, &x, &y), MFAIL);

    Table big;
    const std::uint8_t byte = 1;
    const std::int32_t one[1] = {1};
    for (int i = 1; i <= 100; ++i)
        addTag(&big.table, ("KEY" + std::to_string(i)).c_str(), TYPE_BYTE, 1, one, &byte);
    EXPECT_EQ(big.table.capacity, 200);  // the 101st tag grew the array
    EXPECT_EQ(deleteTag(&big.table, "KEY50"), 50);
    EXPECT_STREQ(tagKeyAt(&big.table, 50), "KEY51");
    std::vector<std::int32_t> indexes(100);
    EXPECT_EQ(findTagsContaining(&big.table, "KEY9", indexes.data()), 11);  // 9, 90..99

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
    ClassicalTagTable* T = &t.table;
    ClassicalTagTable* C = &cleared.table;
    const std::int32_t dims[3] = {1, 1, 1};
    std::int32_t v = 5, out = 0;
    const std::string k100(100, 'k'), k101(101, 'k');
    const std::pair<std::function<std::int32_t()>, std::int32_t> cases[] = {
        {[&] { return addTag(nullptr, "K", TYPE_SLONG, 1, dims, &v); }, MUNINITIALIZED_POINTER},
        {[&] { return addTag(T, nullptr, TYPE_SLONG, 1, dims, &v); }, MUNINITIALIZED_POINTER},
        {[&] { return addTag(T, "K", TYPE_SLONG, 1, nullptr, &v); }, MUNINITIALIZED_POINTER},
        {[&] { return addTag(T, "K", TYPE_SLONG, 1, dims, nullptr); }, MUNINITIALIZED_POINTER},
        {[&] { return addTag(T, "K", TYPE_SLONG, 3, dims, &v); }, MTOO_MANY_DIMENSIONS},
        {[&] { return addTag(T, "K", TYPE_SLONG, -1, dims, &v); }, MTOO_MANY_DIMENSIONS},
        {[&] { return addTag(T, k101.c_str(), TYPE_SLONG, 1, dims, &v); }, MFAIL},
        {[&] { return addTag(T, k100.c_str(), TYPE_SLONG, 1, dims, &v); }, 1},
        {[&] { return getTagValues(T, "ABSENT", &out); }, MFAIL},
        {[&] { return getTagValues(T, "IMAGE::SOM", nullptr); }, MUNINITIALIZED_POINTER},
        {[&] { return getTagDimensions(T, "ABSENT", nullptr, &out); }, MUNINITIALIZED_POINTER},
        {[&] { return getTagType(T, "IMAGE::SOM", nullptr); }, MUNINITIALIZED_POINTER},
        {[&] { return findTagsContaining(T, nullptr, &out); }, MUNINITIALIZED_POINTER},
        {[&] { return deleteTag(T, nullptr); }, MUNINITIALIZED_POINTER},
        {[&] { return deleteTagAt(T, 2); }, MTAG_INDEX_OUT_OF_RANGE},
        {[&] { return deleteTagAt(T, -1); }, MTAG_INDEX_OUT_OF_RANGE},
        {[&] { return renameTag(T, "IMAGE::SOM", k100.c_str()); }, MTAG_EXISTS},
        {[&] { return renameTag(T, k100.c_str(), std::string(101, 'x').c_str()); }, MFAIL},
        {[&] { return renameTag(T, k100.c_str(), "RENAMED"); }, MSUCCESS},
        {[&] { return copyTag(nullptr, T, "RENAMED"); }, MUNINITIALIZED_POINTER},
        {[&] { return copyTag(T, T, "ABSENT"); }, MFAIL},
        {[&] { return addTag(C, "K", TYPE_SLONG, 1, dims, &v); }, MMETADATA_NOT_FOUND},
        {[&] { return copyTag(C, T, "RENAMED"); }, MMETADATA_NOT_FOUND},
        {[&] { return getTagValues(C, "IMAGE::SOM", &out); }, MMETADATA_NOT_FOUND},
        {[&] { return findTagsContaining(C, "IMAGE", &out); }, MMETADATA_NOT_FOUND},
        {[&] { return renameTag(C, "IMAGE::SOM", "X"); }, MMETADATA_NOT_FOUND},
        {[&] { return findTag(C, "IMAGE::SOM"); }, MFAIL},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first(), cases[i].second) << i;
    EXPECT_EQ(findTag(T, "RENAMED"), 1);
}

TEST(ClassicalTagTable, DumpsAndNames) {
    Table t;
    const std::int32_t three[1] = {3}, one[1] = {1};
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
    const char nothing = 0;
    addTag(&t.table, "R", TYPE_RATIONAL, 1, one, &nothing);
    EXPECT_EQ(capture([&](std::FILE* f) { dumpTagTable(&t.table, f); }),
              " 0\tTYPE_SHORT\t1\t\tIMAGE::SOM \n"
              " 1\tTYPE_SSHORT\t-1\t\tS \n \tTYPE_SSHORT\t2\t\tS \n \tTYPE_SSHORT\t-3\t\tS \n"
              " 2\tTYPE_ASCII\thi there\tASCII::COMMENT \n"
              " 3\tTYPE_FLOAT\t0.500000\t\tIMAGE::COMPRESSION_GAMMA \n"
              " 4\tTYPE_DOUBLE\t2.250000\tIMAGE::X_RESOLUTION \n"
              " 5\tTYPE_LONG\t-1\t\tIMAGE::WIDTH \n"
              " 6\tTYPE_BYTE\t200\t\tIMAGE::NO_DITHER \n"
              " 7\tTYPE_SBYTE\t-5\t\tIMAGE::NO_DATA_VALUE \n"
              " 8\tTYPE_SLONG\t-12\t\tIMAGE::COMPRESSION_VERSION \n"
              " 9 Error: TYPE UNKNOWN  ");
    const std::pair<std::int32_t, const char*> codes[] = {{0, "MSUCCESS"},
                                                          {-1, "MFAIL (and/or MTAG_NOT_FOUND)"},
                                                          {-2, "MTAG_EXISTS"},
                                                          {-3, "MALL_TAGS_USED"},
                                                          {-4, "MMETADATA_NOT_FOUND"},
                                                          {-5, "MVERSION_INCOMPATIBLE"},
                                                          {-6, "MUNINITIALIZED_POINTER"},
                                                          {-9, "Tag # -9"},
                                                          {7, "Tag # 7"}};
    for (const auto& [code, name] : codes)
        EXPECT_EQ(capture([code](std::FILE* f) { printResultCode(code, f); }), name);
    EXPECT_STREQ(tagTypeName(TYPE_SSHORT), "TYPE_SSHORT");
    EXPECT_STREQ(tagTypeName(12), "Error: tag_type unknown.");
}
