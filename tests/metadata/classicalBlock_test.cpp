// The stored block of classical tags: its exact record layout as both writers give
// it, hostile blocks the reader must refuse or skip, and the TG2 search for it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/thrown_text.h"
#include "metadata/cv_TG3ClassicalMetadata.h"
#include "metadata/cv_byteVectorStream.h"
#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalStandardTags.h"
#include "stream/cv_fileStream.h"
#include "support/cv_exception.h"
#include "tg2/structure/cv_TG2MetadataDatabase.h"

using namespace Corvane;
using tovex_test::thrownText;
using Bytes = std::vector<std::uint8_t>;

namespace {

void append(Bytes& b, std::initializer_list<int> bytes) {
    for (int v : bytes) b.push_back(static_cast<std::uint8_t>(v));
}
void word(Bytes& b, std::uint32_t v) {
    append(b, {int(v >> 24), int(v >> 16 & 255), int(v >> 8 & 255), int(v & 255)});
}

// A stored record: a key, a type, a count, dims, then `values` raw bytes (or texts).
Bytes record(const std::string& key, std::uint32_t type, std::uint32_t count,
             const std::vector<std::uint32_t>& dims, const Bytes& values = {0, 1}) {
    Bytes b;
    word(b, 0);
    b.insert(b.end(), key.begin(), key.end());
    b.push_back(0);
    word(b, type);
    word(b, count);
    word(b, static_cast<std::uint32_t>(dims.size()));
    for (std::uint32_t d : dims) word(b, d);
    b.insert(b.end(), values.begin(), values.end());
    return b;
}
Bytes shorts(const std::string& key, int dims) {
    return record(key, TYPE_SHORT, 1, std::vector<std::uint32_t>(dims, 1));
}
Bytes texts(const std::vector<std::string>& values, std::vector<std::uint32_t> dims) {
    Bytes stored;
    for (const std::string& t : values)
        stored.insert(stored.end(), t.c_str(), t.c_str() + t.size() + 1);
    return record("ASCII::COMMENT", TYPE_ASCII, std::uint32_t(values.size()), dims, stored);
}
Bytes blockOf(const std::vector<Bytes>& records) {
    Bytes b = {0, 1, 0, 0};
    for (const Bytes& r : records) b.insert(b.end(), r.begin(), r.end());
    return b;
}

struct Table {
    Table() { initializeTagTable(&table); }
    ~Table() { clearTagTable(&table); }
    ClassicalTagTable table;
};

// A TG2-like file with no levels: the pointer at 27 leads to the plain block at 40.
Bytes tg2File(const std::function<void(ClassicalTagTable*)>& fill) {
    Table t;
    fill(&t.table);
    setEndOfMetadata(&t.table);
    Bytes file(40, 0);
    file[27] = 0xFF;
    file[28] = 0xD0;
    file[32] = 40;
    const Bytes plain = tagTableBlockBytes(&t.table, ClassicalBlockForm::PlainFile);
    file.insert(file.end(), plain.begin(), plain.end());
    return file;
}

}  // namespace

TEST(ClassicalBlock, BothWritersProduceTheRecordLayout) {
    Table t;
    setImageWidth(&t.table, 640);
    // Markers and IMAGE::WIDTH = 640, written out byte by byte from the record layout.
    Bytes expected = {0x00, 0x01, 0x00, 0x00};
    for (const char* key : {"IMAGE::SOM", "IMAGE::WIDTH", "IMAGE::EOM"}) {
        const bool width = key[7] == 'W';
        append(expected, {0, 0, 0, width ? 28 : 26});
        expected.insert(expected.end(), key, key + std::strlen(key));
        append(expected, {0, 0, 0, 0, width ? 3 : 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
        if (width)
            append(expected, {0x00, 0x00, 0x02, 0x80});
        else
            append(expected, {0x00, 0x01});
    }
    // The stream writer adds the end marker itself and closes with FFFFFFFF.
    CVByteVectorStream stream;
    EXPECT_EQ(writeTagTableToStream(&t.table, stream), 111);
    Bytes closed = expected;
    append(closed, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(stream.bytes(), closed);
    // The plain-file form encloses the same block in FF D1 ... FF D2.
    std::FILE* file = std::tmpfile();
    ASSERT_EQ(writeTagTableToFile(&t.table, file), MSUCCESS);
    std::rewind(file);
    Bytes plain;
    for (int c; (c = std::fgetc(file)) != EOF;) plain.push_back(static_cast<std::uint8_t>(c));
    std::fclose(file);
    Bytes framed = {0xFF, 0xD1};
    framed.insert(framed.end(), expected.begin(), expected.end());
    append(framed, {0xFF, 0xD2});
    EXPECT_EQ(plain, framed);
    // Failed writes answer -1; a cleared table has nothing to write.
    std::FILE* readOnly = std::fopen("/dev/null", "rb");
    EXPECT_EQ(writeTagTableToFile(&t.table, readOnly), MFAIL);
    std::fclose(readOnly);
    CVByteVectorStream unopened;
    unopened.close();
    EXPECT_EQ(writeTagTableToStream(&t.table, unopened), MFAIL);
    clearTagTable(&t.table);
    EXPECT_EQ(writeTagTableToStream(&t.table, stream), MMETADATA_NOT_FOUND);
}

TEST(ClassicalBlock, ReaderRefusesOrSkipsHostileRecords) {
    const Bytes eom = shorts("IMAGE::EOM", 1);
    Bytes negative = shorts("NEG", 0);
    for (int i = 0; i < 4; ++i) negative[4 + 4 + 8 + i] = 0xFF;
    std::vector<std::string> many(4096, "x"), some(200, "x");
    many.back() = some.back() = std::string(4096, 'y');
    auto untyped = [](const char* key, std::uint32_t dim) { return record(key, 99, 0, {dim}, {}); };
    const Bytes good = blockOf({eom});
    Bytes version2 = good;
    version2[1] = 2;
    const struct {
        const char* name;
        Bytes block;
        std::int32_t result;  // 0: the whole block is read
        std::vector<const char*> kept;
        const char* absent = "NONE";
    } cases[] = {
        {"version 2", version2, MVERSION_INCOMPATIBLE, {}},
        {"11 dims", blockOf({shorts("X", 11)}), MBAD_STORED_DIMENSIONS, {}},
        {"negative dims", blockOf({negative}), MBAD_STORED_DIMENSIONS, {}},
        {"cut short", Bytes(good.begin(), good.end() - 1), MFAIL, {}},
        {"nothing", {}, MFAIL, {}},
        // Dims of 3 and 10 and keys of 101 to 103 characters are left out.
        {"refused records",
         blockOf({shorts("THREE", 3), shorts("TEN", 10), shorts(std::string(103, 'k'), 1),
                  shorts("KEPT", 2), eom}),
         0,
         {"KEPT", "IMAGE::EOM"},
         "THREE"},
        {"key of 104",
         blockOf({shorts("FIRST", 1), shorts(std::string(104, 'k'), 1)}),
         MFAIL,
         {"FIRST"}},
        // Every value takes the last text read; no texts still make one empty value.
        {"three texts", blockOf({texts({"a", "bb", "ccc"}, {3}), eom}), 0, {"ASCII::COMMENT"}},
        {"no texts", blockOf({texts({}, {1}), eom}), 0, {"ASCII::COMMENT"}},
        // One text copied millions of times, or a megabyte of copies of a long last text.
        {"text x 2^24", blockOf({texts({"harbour"}, {0x00FFFFFF}), eom}), MFAIL, {}},
        {"text x 2 x 2", blockOf({texts({"harbour"}, {2, 2}), eom}), MFAIL, {}},
        {"text x 46341^2", blockOf({texts({"harbour"}, {46341, 46341}), eom}), MFAIL, {}},
        {"amplifying texts", blockOf({texts(many, {4096}), eom}), MFAIL, {}},
        {"modest texts", blockOf({texts(some, {200}), eom}), 0, {"ASCII::COMMENT"}},
        // A type without stored values may stand for one value, not a million.
        {"untyped",
         blockOf({untyped("ONE", 1), untyped("MILLION", 1 << 20), eom}),
         0,
         {"ONE", "IMAGE::EOM"},
         "MILLION"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CVByteVectorStream stream(c.block);
        TG3ClassicalMetadata m;
        EXPECT_EQ(m.read(stream), c.result ? c.result : std::int32_t(c.block.size()));
        for (const char* key : c.kept) EXPECT_GE(findTag(&m.table(), key), 0) << key;
        EXPECT_EQ(findTag(&m.table(), c.absent), MFAIL);
    }
    CVByteVectorStream s(blockOf({texts({"a", "bb", "ccc"}, {3}), eom}));
    TG3ClassicalMetadata m;
    m.read(s);
    EXPECT_STREQ(m.table().slots[findTag(&m.table(), "ASCII::COMMENT")].texts[0], "ccc");
}

TEST(ClassicalBlock, TG2SearchFindsTheBlockOrLeavesTheDatabaseEmpty) {
    const Bytes good = tg2File([](ClassicalTagTable* t) { setImageWidth(t, 77); });
    const struct {
        std::size_t at;
        std::uint8_t value;
        std::size_t size;
        bool found;
    } cases[] = {
        {0, 0, 0, true},      {28, 0xD3, 0, false},  // no marker
        {29, 0x80, 0, false},                        // negative offset
        {30, 0x10, 0, false},                        // past the end
        {41, 0xD2, 0, false},                        // no D1
        {43, 2, 0, false},                           // block version 2
        {11, 0x7F, 0, false},                        // a level count far past the file
        {0, 0, 90, false},  // cut inside the width record: nothing read is kept
        {0, 0, 20, false},
    };
    for (const auto& c : cases) {
        Bytes file = good;
        if (c.at) file[c.at] = c.value;
        if (c.size) file.resize(c.size);
        CVByteVectorStream s(file);
        TG2MetadataDatabase db(&s);
        EXPECT_EQ(db.keys(),
                  c.found ? std::vector<std::string>{"IMAGE::WIDTH"} : std::vector<std::string>{})
            << c.at << " " << c.size;
        if (c.found) {
            EXPECT_FALSE(s.isOpen());
        }  // the database closes the stream when done
    }
    // Two levels: the pointer sits at 12 * 2 + 27 = 51, the block at 60.
    Bytes twoLevels(60, 0);
    twoLevels[14] = 2;
    twoLevels[51] = 0xFF;
    twoLevels[52] = 0xD0;
    twoLevels[56] = 60;
    twoLevels.insert(twoLevels.end(), good.begin() + 40, good.end());
    CVByteVectorStream s(twoLevels);
    EXPECT_EQ(TG2MetadataDatabase(&s).get("IMAGE::WIDTH").row(0)[0].asUInt32(), 77u);
}

TEST(ClassicalBlock, TG2DatabaseStreamsAndShapeErrors) {
    const char* io = "[4][2210]An I/O problem has occurred. ";
    EXPECT_EQ(thrownText([] { TG2MetadataDatabase db(nullptr); }), io);
    // A closed memory stream cannot be opened again; a closed file stream can.
    CVByteVectorStream closed(Bytes(64, 0));
    closed.close();
    EXPECT_EQ(thrownText([&] { TG2MetadataDatabase db(&closed); }), io);
    const Bytes file = tg2File([](ClassicalTagTable* t) { setComment(t, "from a file"); });
    tovex_test::TempDir dir;
    tovex_test::writeFile(dir.file("image.tvx"), std::string(file.begin(), file.end()));
    CVFileStream stream(FileSpecification(dir.file("image.tvx")), "rb");
    stream.close();
    EXPECT_EQ(TG2MetadataDatabase(&stream).get("ASCII::COMMENT").row(0)[0].asString(),
              "from a file");

    CVByteVectorStream odd(tg2File([](ClassicalTagTable* t) {
        const std::int32_t oneByOne[2] = {1, 1};
        const std::uint8_t value = 3;
        addTag(t, "IMAGE::ODD", TYPE_BYTE, 2, oneByOne, &value);
    }));
    EXPECT_EQ(thrownText([&] { TG2MetadataDatabase db(&odd); }),
              "[4][2334]Invalid argument passed to function: [4][2405]Array MetadataElement "
              "must have width > 1, height==1..");
}
