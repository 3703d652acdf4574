#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/thrown_text.h"
#include "tg2/structure/cv_TG2MetadataDatabase.h"
#include "metadata/cv_TG3ClassicalMetadata.h"
#include "metadata/cv_byteVectorStream.h"
#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalImport.h"
#include "metadata/cv_classicalStandardTags.h"
#include "stream/cv_fileStream.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

void fill(ClassicalTagTable& table) {
    setImageWidth(&table, 640);
    setInputName(&table, "camera.png");
    const std::int32_t three[1] = {3};
    const std::int16_t shorts[3] = {-1, 2, -3};
    addTag(&table, "IMAGE::SAMPLES", TYPE_SSHORT, 1, three, shorts);
}

void append(std::vector<std::uint8_t>& b, std::initializer_list<int> bytes) {
    for (int v : bytes) b.push_back(static_cast<std::uint8_t>(v));
}

std::vector<std::uint8_t> recordBytes(const std::string& key, int dimensionCount) {
    std::vector<std::uint8_t> b;
    append(b, {0, 0, 0, 0});
    for (char c : key) b.push_back(static_cast<std::uint8_t>(c));
    append(b, {0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, dimensionCount});
    for (int i = 0; i < dimensionCount; ++i) append(b, {0, 0, 0, 1});
    append(b, {0, 1});
    return b;
}

}  // namespace

TEST(ClassicalBlock, StreamFormRoundTripsIntoAnEqualDatabase) {
    TG3ClassicalMetadata written;
    fill(written.table());
    CVByteVectorStream stream;
    const std::int32_t size = written.write(stream);
    ASSERT_GT(size, 0);
    EXPECT_EQ(stream.bytes().size(), static_cast<std::size_t>(size));
    EXPECT_EQ(stream.bytes(), written.blockBytes());
    const std::vector<std::uint8_t> tail(stream.bytes().end() - 4, stream.bytes().end());
    EXPECT_EQ(tail, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));

    stream.seekTo(0);
    TG3ClassicalMetadata read;
    EXPECT_EQ(read.read(stream), size - 4);  // the closing word is not read
    EXPECT_EQ(read.table().used, written.table().used);
    MetadataDatabase db;
    importTagTable(read.table(), db);
    EXPECT_EQ(db.keys(),
              (std::vector<std::string>{"IMAGE::INPUT_NAME", "IMAGE::SAMPLES", "IMAGE::WIDTH"}));
    EXPECT_EQ(db.get("IMAGE::SAMPLES").row(0)[2].asInt16(), -3);
    std::ostringstream dump;
    db.dump(dump);
    EXPECT_EQ(dump.str(),
              "Key: IMAGE::INPUT_NAME\n\t--- 1 Value(s): camera.png\n\t--- Type: ascii string\n\n"
              "Key: IMAGE::SAMPLES\n\t--- 3 Value(s): \n\t Values( 0 to 2 ):  -1 2 -3 \n\t--- "
              "Type: signed short\n\n"
              "Key: IMAGE::WIDTH\n\t--- 1 Value(s): \n\t Values( 0 to 0 ):  640 \n\t--- Type: "
              "unsigned long\n\n");

    TG3ClassicalMetadata copy;
    copy = read;
    clearTagTable(&read.table());
    EXPECT_EQ(copy.table().used, written.table().used - 1);  // markers are not copied
}

TEST(ClassicalBlock, ReaderRefusesBadBlocks) {
    std::vector<std::uint8_t> block = {0, 1, 0, 0};
    const auto eom = recordBytes("IMAGE::EOM", 1);
    std::vector<std::uint8_t> good = block;
    good.insert(good.end(), eom.begin(), eom.end());
    {
        CVByteVectorStream s(good);
        TG3ClassicalMetadata m;
        EXPECT_EQ(m.read(s), static_cast<std::int32_t>(good.size()));
    }
    {
        std::vector<std::uint8_t> v2 = good;
        v2[1] = 2;
        CVByteVectorStream s(v2);
        TG3ClassicalMetadata m;
        EXPECT_EQ(m.read(s), MVERSION_INCOMPATIBLE);
    }
    {
        std::vector<std::uint8_t> bad = block;
        const auto r = recordBytes("X", 11);
        bad.insert(bad.end(), r.begin(), r.end());
        CVByteVectorStream s(bad);
        TG3ClassicalMetadata m;
        EXPECT_EQ(m.read(s), MBAD_STORED_DIMENSIONS);
    }
    {
        CVByteVectorStream s(std::vector<std::uint8_t>(good.begin(), good.end() - 1));
        TG3ClassicalMetadata m;
        EXPECT_EQ(m.read(s), MFAIL);
    }
}

TEST(ClassicalBlock, TG2SearchFindsTheBlockOrLeavesTheDatabaseEmpty) {
    ClassicalTagTable table;
    initializeTagTable(&table);
    setImageWidth(&table, 77);
    setEndOfMetadata(&table);
    const std::vector<std::uint8_t> plain =
        tagTableBlockBytes(&table, ClassicalBlockForm::PlainFile);
    clearTagTable(&table);

    // Two levels: the pointer sits at 12 * 2 + 27 = 51, the block at 60.
    std::vector<std::uint8_t> file(60, 0);
    file[14] = 2;
    file[51] = 0xFF;
    file[52] = 0xD0;
    file[56] = 60;
    file.insert(file.end(), plain.begin(), plain.end());
    {
        CVByteVectorStream s(file);
        TG2MetadataDatabase db(&s);
        EXPECT_EQ(db.keys(), (std::vector<std::string>{"IMAGE::WIDTH"}));
        EXPECT_EQ(db.get("IMAGE::WIDTH").row(0)[0].asUInt32(), 77u);
    }
    {
        std::vector<std::uint8_t> noMarker = file;
        noMarker[52] = 0xD3;
        CVByteVectorStream s(noMarker);
        TG2MetadataDatabase db(&s);
        EXPECT_TRUE(db.isEmpty());
    }
    {
        CVByteVectorStream s(std::vector<std::uint8_t>(file.begin(), file.begin() + 20));
        TG2MetadataDatabase db(&s);
        EXPECT_TRUE(db.isEmpty());
    }
    EXPECT_THROW(TG2MetadataDatabase(nullptr), IOException);
}

namespace {

// The block of a table holding only the markers and IMAGE::WIDTH = 640, written
// out byte by byte from the record layout.
std::vector<std::uint8_t> widthBlock() {
    std::vector<std::uint8_t> b;
    append(b, {0x00, 0x01, 0x00, 0x00});  // version 1, revision 0
    auto marker = [&b](const char* key) {
        append(b, {0, 0, 0, 26});  // 10 key characters + 12 + 4 for one dimension
        for (const char* c = key; *c; ++c) b.push_back(static_cast<std::uint8_t>(*c));
        append(b, {0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x00, 0x01});
    };
    marker("IMAGE::SOM");
    append(b, {0, 0, 0, 28});
    for (const char c : std::string("IMAGE::WIDTH")) b.push_back(static_cast<std::uint8_t>(c));
    append(b, {0, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0x00, 0x00, 0x02, 0x80});
    marker("IMAGE::EOM");
    return b;
}

// A stored record of dims of size 1 each and one TYPE_SHORT value per dim product.
std::vector<std::uint8_t> shortRecord(const std::string& key, int dimensionCount) {
    return recordBytes(key, dimensionCount);
}

std::vector<std::uint8_t> blockOf(const std::vector<std::vector<std::uint8_t>>& records) {
    std::vector<std::uint8_t> b = {0, 1, 0, 0};
    for (const auto& r : records) b.insert(b.end(), r.begin(), r.end());
    return b;
}

using tovex_test::thrownText;

// A TG2-like file with no levels: the pointer at 27 leads to the plain block at 40.
std::vector<std::uint8_t> tg2File(const std::vector<std::uint8_t>& plainBlock) {
    std::vector<std::uint8_t> file(40, 0);
    file[27] = 0xFF;
    file[28] = 0xD0;
    file[32] = 40;
    file.insert(file.end(), plainBlock.begin(), plainBlock.end());
    return file;
}

}  // namespace

TEST(ClassicalBlock, BothWritersProduceTheRecordLayout) {
    ClassicalTagTable table;
    ASSERT_EQ(initializeTagTable(&table), MSUCCESS);
    setImageWidth(&table, 640);

    // The stream writer adds the end marker itself and closes with FFFFFFFF.
    CVByteVectorStream stream;
    EXPECT_EQ(writeTagTableToStream(&table, stream), 111);
    std::vector<std::uint8_t> expected = widthBlock();
    ASSERT_EQ(expected.size(), 107u);
    std::vector<std::uint8_t> withClose = expected;
    append(withClose, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(stream.bytes(), withClose);

    // The plain-file form encloses the same block in FF D1 ... FF D2.
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(writeTagTableToFile(&table, file), MSUCCESS);
    std::rewind(file);
    std::vector<std::uint8_t> plain;
    for (int c; (c = std::fgetc(file)) != EOF;) plain.push_back(static_cast<std::uint8_t>(c));
    std::fclose(file);
    std::vector<std::uint8_t> framed = {0xFF, 0xD1};
    framed.insert(framed.end(), expected.begin(), expected.end());
    append(framed, {0xFF, 0xD2});
    EXPECT_EQ(plain, framed);

    // Failed writes answer -1.
    std::FILE* readOnly = std::fopen("/dev/null", "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(writeTagTableToFile(&table, readOnly), MFAIL);
    std::fclose(readOnly);
    CVByteVectorStream closed;
    closed.close();
    EXPECT_EQ(writeTagTableToStream(&table, closed), MFAIL);
    EXPECT_EQ(writeTagTablePlain(&table, closed), MFAIL);
    clearTagTable(&table);
    EXPECT_EQ(writeTagTableToStream(&table, stream), MMETADATA_NOT_FOUND);
}

TEST(ClassicalBlock, ReaderLeavesOutRecordsTheTableRefuses) {
    // Records of 3 and 10 dims and keys of 101 to 103 characters are skipped; the
    // rest of the block still reads.
    const std::vector<std::uint8_t> block =
        blockOf({shortRecord("IMAGE::SOM", 1), shortRecord("THREE", 3), shortRecord("TEN", 10),
                 shortRecord(std::string(101, 'k'), 1), shortRecord(std::string(103, 'k'), 1),
                 shortRecord("KEPT", 2), shortRecord("IMAGE::EOM", 1)});
    CVByteVectorStream s(block);
    TG3ClassicalMetadata m;
    EXPECT_EQ(m.read(s), static_cast<std::int32_t>(block.size()));
    EXPECT_EQ(m.table().used, 3);
    EXPECT_EQ(findTag(&m.table(), "KEPT"), 1);
    EXPECT_EQ(m.table().slots[1].dimensionCount, 2);

    // A stored key past 103 characters ends the read with -1; earlier tags stay.
    const std::vector<std::uint8_t> longKey =
        blockOf({shortRecord("FIRST", 1), shortRecord(std::string(104, 'k'), 1)});
    CVByteVectorStream l(longKey);
    TG3ClassicalMetadata n;
    EXPECT_EQ(n.read(l), MFAIL);
    EXPECT_EQ(findTag(&n.table(), "FIRST"), 1);

    // A negative dimension count is refused like one above 10.
    std::vector<std::uint8_t> negative = shortRecord("NEG", 0);
    negative[4 + 4 + 8 + 3] = 0xFF;
    negative[4 + 4 + 8 + 0] = 0xFF;
    negative[4 + 4 + 8 + 1] = 0xFF;
    negative[4 + 4 + 8 + 2] = 0xFF;
    CVByteVectorStream g(blockOf({negative}));
    TG3ClassicalMetadata o;
    EXPECT_EQ(o.read(g), MBAD_STORED_DIMENSIONS);

    // Nothing at all: the version cannot be read.
    CVByteVectorStream empty;
    TG3ClassicalMetadata p;
    EXPECT_EQ(p.read(empty), MFAIL);
}

TEST(ClassicalBlock, TG2DatabaseReportsUnusableStreamsAndSkipsBadBlocks) {
    EXPECT_EQ(thrownText([] { TG2MetadataDatabase db(nullptr); }),
              "[4][2210]An I/O problem has occurred. ");
    try {
        TG2MetadataDatabase db(nullptr);
    } catch (const IOException& e) {
        EXPECT_EQ(e.operation(), 9);
    }
    // A closed stream that cannot be opened again.
    CVByteVectorStream closed(std::vector<std::uint8_t>(64, 0));
    closed.close();
    try {
        TG2MetadataDatabase db(&closed);
        ADD_FAILURE() << "a closed memory stream cannot be reopened";
    } catch (const IOException& e) {
        EXPECT_EQ(e.operation(), 8);
        EXPECT_STREQ(e.what(), "[4][2210]An I/O problem has occurred. ");
    }

    ClassicalTagTable table;
    ASSERT_EQ(initializeTagTable(&table), MSUCCESS);
    setImageWidth(&table, 640);
    setEndOfMetadata(&table);
    const std::vector<std::uint8_t> plain =
        tagTableBlockBytes(&table, ClassicalBlockForm::PlainFile);
    clearTagTable(&table);
    const std::vector<std::uint8_t> good = tg2File(plain);
    {
        CVByteVectorStream s(good);
        TG2MetadataDatabase db(&s);
        EXPECT_EQ(db.keys(), std::vector<std::string>{"IMAGE::WIDTH"});
        EXPECT_FALSE(s.isOpen());  // the database closes the stream when done
    }
    auto emptyFrom = [](std::vector<std::uint8_t> file) {
        CVByteVectorStream s(std::move(file));
        TG2MetadataDatabase db(&s);
        return db.isEmpty();
    };
    std::vector<std::uint8_t> negativeOffset = good;
    negativeOffset[29] = 0x80;
    EXPECT_TRUE(emptyFrom(negativeOffset));
    std::vector<std::uint8_t> pastEnd = good;
    pastEnd[30] = 0x10;
    EXPECT_TRUE(emptyFrom(pastEnd));
    std::vector<std::uint8_t> noD1 = good;
    noD1[41] = 0xD2;
    EXPECT_TRUE(emptyFrom(noD1));
    std::vector<std::uint8_t> version2 = good;
    version2[43] = 2;
    EXPECT_TRUE(emptyFrom(version2));
    // A block cut short inside the width record: nothing read so far is kept.
    EXPECT_TRUE(emptyFrom(std::vector<std::uint8_t>(good.begin(), good.begin() + 90)));
    std::vector<std::uint8_t> hugeLevels = good;
    hugeLevels[11] = 0x7F;
    EXPECT_TRUE(emptyFrom(hugeLevels));
}

TEST(ClassicalBlock, TG2DatabaseReopensAClosedFileStream) {
    ClassicalTagTable table;
    ASSERT_EQ(initializeTagTable(&table), MSUCCESS);
    setComment(&table, "from a file");
    setEndOfMetadata(&table);
    const std::vector<std::uint8_t> file =
        tg2File(tagTableBlockBytes(&table, ClassicalBlockForm::PlainFile));
    clearTagTable(&table);

    tovex_test::TempDir dir;
    const std::string path = dir.file("image.tvx");
    tovex_test::writeFile(path, std::string(file.begin(), file.end()));
    CVFileStream stream(FileSpecification(path), "rb");
    ASSERT_TRUE(stream.isOpen());
    stream.close();
    TG2MetadataDatabase db(&stream);
    EXPECT_EQ(db.get("ASCII::COMMENT").row(0)[0].asString(), "from a file");
}

TEST(ClassicalBlock, TG2DatabasePassesShapeErrorsOn) {
    ClassicalTagTable table;
    ASSERT_EQ(initializeTagTable(&table), MSUCCESS);
    const std::int32_t oneByOne[2] = {1, 1};
    const std::uint8_t value = 3;
    addTag(&table, "IMAGE::ODD", TYPE_BYTE, 2, oneByOne, &value);
    setEndOfMetadata(&table);
    CVByteVectorStream s(tg2File(tagTableBlockBytes(&table, ClassicalBlockForm::PlainFile)));
    clearTagTable(&table);
    EXPECT_EQ(thrownText([&] { TG2MetadataDatabase db(&s); }),
              "[4][2334]Invalid argument passed to function: [4][2405]Array MetadataElement "
              "must have width > 1, height==1..");
}

namespace {

// A text record: count texts, then dims.
std::vector<std::uint8_t> textRecord(const std::string& key, const std::vector<std::string>& texts,
                                     const std::vector<std::int32_t>& dims) {
    std::vector<std::uint8_t> b;
    append(b, {0, 0, 0, 0});
    for (char c : key) b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
    auto word = [&b](std::uint32_t v) {
        append(b, {static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xFF),
                   static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)});
    };
    word(TYPE_ASCII);
    word(static_cast<std::uint32_t>(texts.size()));
    word(static_cast<std::uint32_t>(dims.size()));
    for (std::int32_t d : dims) word(static_cast<std::uint32_t>(d));
    for (const std::string& t : texts) {
        for (char c : t) b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(0);
    }
    return b;
}

}  // namespace

TEST(ClassicalBlock, TextRecordsCannotAskForMoreValuesThanTheyStore) {
    const auto eom = shortRecord("IMAGE::EOM", 1);
    // Every value takes the last text read.
    const auto three = blockOf({textRecord("ASCII::COMMENT", {"a", "bb", "ccc"}, {3}), eom});
    CVByteVectorStream s(three);
    TG3ClassicalMetadata m;
    ASSERT_EQ(m.read(s), static_cast<std::int32_t>(three.size()));
    const ClassicalTag& tag = m.table().slots[findTag(&m.table(), "ASCII::COMMENT")];
    ASSERT_EQ(tag.count, 3);
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(tag.texts[i], "ccc");

    // No texts at all still stand for one empty value.
    const auto none = blockOf({textRecord("ASCII::COMMENT", {}, {1}), eom});
    CVByteVectorStream n(none);
    TG3ClassicalMetadata e;
    ASSERT_EQ(e.read(n), static_cast<std::int32_t>(none.size()));
    EXPECT_STREQ(e.table().slots[findTag(&e.table(), "ASCII::COMMENT")].texts[0], "");

    // One stored text with dims asking for millions of copies is refused.
    for (const std::vector<std::int32_t>& dims :
         {std::vector<std::int32_t>{0x00FFFFFF}, {2, 2}, {46341, 46341}}) {
        const auto hostile = blockOf({textRecord("ASCII::COMMENT", {"harbour"}, dims), eom});
        CVByteVectorStream h(hostile);
        TG3ClassicalMetadata t;
        EXPECT_EQ(t.read(h), MFAIL);
    }

    // Many one-byte texts before one long text would copy the long one per value:
    // refused once the copies pass a megabyte and outgrow the texts stored.
    std::vector<std::string> texts(4096, "x");
    texts.back() = std::string(4096, 'y');
    const auto amplifying = blockOf({textRecord("ASCII::COMMENT", texts, {4096}), eom});
    CVByteVectorStream a(amplifying);
    TG3ClassicalMetadata refused;
    EXPECT_EQ(refused.read(a), MFAIL);
    // The same texts in a number whose copies stay within a megabyte still read.
    texts.resize(200);
    texts.back() = std::string(4096, 'y');
    const auto modest = blockOf({textRecord("ASCII::COMMENT", texts, {200}), eom});
    CVByteVectorStream m2(modest);
    TG3ClassicalMetadata kept;
    EXPECT_EQ(kept.read(m2), static_cast<std::int32_t>(modest.size()));
}

TEST(ClassicalBlock, RecordsWithoutStoredValuesCannotClaimManyValues) {
    // A type the table stores no values for: one value is kept as a tag, a million are
    // left out like any record the table refuses, and the block still reads.
    auto untyped = [](const std::string& key, std::uint8_t dimHigh) {
        std::vector<std::uint8_t> b;
        append(b, {0, 0, 0, 0});
        for (char c : key) b.push_back(static_cast<std::uint8_t>(c));
        append(b, {0, 0, 0, 0, 99, 0, 0, 0, 0, 0, 0, 0, 1, 0, dimHigh, 0, 1});
        return b;
    };
    const auto block =
        blockOf({untyped("ONE", 0), untyped("MILLION", 0x10), shortRecord("IMAGE::EOM", 1)});
    CVByteVectorStream s(block);
    TG3ClassicalMetadata m;
    ASSERT_EQ(m.read(s), static_cast<std::int32_t>(block.size()));
    EXPECT_GE(findTag(&m.table(), "ONE"), 0);
    EXPECT_EQ(findTag(&m.table(), "MILLION"), MFAIL);
    EXPECT_GE(findTag(&m.table(), "IMAGE::EOM"), 0);
}
