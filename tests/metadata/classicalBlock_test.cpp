// The stored block of classical tags: its exact record layout as both writers give
// it, a round trip of every stored type and shape, copies of the owning object,
// hostile blocks the reader must refuse or skip, and the TG2 search for it.
#include <gtest/gtest.h>

#include <functional>
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

// A stored record: its length word, key, type, count and dims, then raw value bytes.
Bytes record(const std::string& key, std::uint32_t type, std::uint32_t count,
             const std::vector<std::uint32_t>& dims, const Bytes& values = {0, 1},
             std::uint32_t length = 0) {
    Bytes b;
    const auto word = [&](std::uint32_t v) {
        for (int shift : {24, 16, 8, 0}) b.push_back(std::uint8_t(v >> shift));
    };
    word(length);
    b.insert(b.end(), key.c_str(), key.c_str() + key.size() + 1);
    word(type);
    word(count);
    word(std::uint32_t(dims.size()));
    for (std::uint32_t d : dims) word(d);
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
Bytes blockOf(const std::vector<Bytes>& records, Bytes block = {0, 1, 0, 0}) {
    for (const Bytes& r : records) block.insert(block.end(), r.begin(), r.end());
    return block;
}

struct Table {
    Table() { initializeTagTable(&table); }
    ~Table() { clearTagTable(&table); }
    ClassicalTagTable table;
};

// A TG2-like file: with no levels the pointer at 27 leads to the plain block at 40; with
// two the pointer sits at 12 * 2 + 27 = 51 and the block at 60.
Bytes tg2File(const std::function<void(ClassicalTagTable*)>& fill, std::uint8_t levels = 0) {
    Table t;
    fill(&t.table);
    setEndOfMetadata(&t.table);
    const std::size_t pointer = 27 + 12 * levels, block = 40 + 10 * levels;
    Bytes file(block, 0);
    file[14] = levels;
    file[pointer] = 0xFF;
    file[pointer + 1] = 0xD0;
    file[pointer + 5] = static_cast<std::uint8_t>(block);
    const Bytes plain = tagTableBlockBytes(&t.table, ClassicalBlockForm::PlainFile);
    file.insert(file.end(), plain.begin(), plain.end());
    return file;
}

}  // namespace

TEST(ClassicalBlock, BothWritersProduceTheRecordLayout) {
    Table t;
    setImageWidth(&t.table, 640);
    // The markers (type 2, value 1) around IMAGE::WIDTH (type 3, value 640).
    const Bytes markersAndWidth = blockOf({record("IMAGE::SOM", 2, 1, {1}, {0, 1}, 26),
                                           record("IMAGE::WIDTH", 3, 1, {1}, {0, 0, 2, 0x80}, 28),
                                           record("IMAGE::EOM", 2, 1, {1}, {0, 1}, 26)});
    // The stream writer adds the end marker itself and closes with FFFFFFFF.
    CVByteVectorStream stream;
    EXPECT_EQ(writeTagTableToStream(&t.table, stream), 111);
    EXPECT_EQ(stream.bytes(), blockOf({markersAndWidth, {0xFF, 0xFF, 0xFF, 0xFF}}, {}));
    // The plain-file form encloses the same block in FF D1 ... FF D2.
    std::FILE* file = std::tmpfile();
    ASSERT_EQ(writeTagTableToFile(&t.table, file), MSUCCESS);
    std::rewind(file);
    Bytes plain;
    for (int c; (c = std::fgetc(file)) != EOF;) plain.push_back(std::uint8_t(c));
    std::fclose(file);
    EXPECT_EQ(plain, blockOf({markersAndWidth, {0xFF, 0xD2}}, {0xFF, 0xD1}));
    // Failed writes answer -1; a cleared table has nothing to write.
    std::FILE* readOnly = std::fopen("/dev/null", "rb");
    EXPECT_EQ(writeTagTableToFile(&t.table, readOnly), MFAIL);
    std::fclose(readOnly);
    stream.close();
    EXPECT_EQ(writeTagTableToStream(&t.table, stream), MFAIL);
    clearTagTable(&t.table);
    EXPECT_EQ(writeTagTableToStream(&t.table, stream), MMETADATA_NOT_FOUND);
}

TEST(ClassicalBlock, EveryStoredTypeAndShapeReadsBackToTheSameBytes) {
    TG3ClassicalMetadata written;
    ClassicalTagTable* t = &written.table();
    setImageWidth(t, 640);
    setInputName(t, "scan.tif");
    setBitsPerSample(t, 12);
    setXResolution(t, 0.5);
    setCompressionGamma(t, 2.5f);
    setCompressionVersion(t, -12);
    const std::int8_t letter = 'A';
    setNoDataValue(t, TYPE_SBYTE, &letter);
    const std::uint8_t lut[4] = {1, 2, 3, 4};
    setInputLut(t, 2, 2, lut);
    const std::int16_t samples[12] = {-5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6};
    const std::int32_t twelve[1] = {12}, one[1] = {1};
    addTag(t, "GEO::SAMPLES", TYPE_SSHORT, 1, twelve, samples);
    const char nothing = 0;
    addTag(t, "IMAGE::RATIO", TYPE_RATIONAL, 1, one, &nothing);
    CVByteVectorStream stream;
    const std::int32_t size = written.write(stream);
    ASSERT_GT(size, 0);
    EXPECT_STREQ(tagKeyAt(t, t->used - 1), "IMAGE::EOM");
    CVByteVectorStream readBack(stream.bytes()), again;
    TG3ClassicalMetadata read;
    EXPECT_EQ(read.read(readBack), size - 4);
    EXPECT_EQ(read.table().used, t->used);
    EXPECT_EQ(read.write(again), size);
    EXPECT_EQ(again.bytes(), stream.bytes());
}

TEST(ClassicalBlock, CopiesAreIndependentAndRefuseUnusableSources) {
    TG3ClassicalMetadata source;
    setImageWidth(&source.table(), 5);
    setComment(&source.table(), "kept");
    TG3ClassicalMetadata copied(source), assigned;
    setImageHeight(&assigned.table(), 1);
    assigned = source;
    clearTagTable(&source.table());
    for (TG3ClassicalMetadata* copy : {&copied, &assigned}) {
        std::string comment;
        EXPECT_EQ(getComment(&copy->table(), &comment), 2);
        EXPECT_EQ(comment, "kept");
        EXPECT_EQ(findTag(&copy->table(), "IMAGE::HEIGHT"), MFAIL);
    }
    // The cleared source can be neither copied, read into nor written.
    EXPECT_EQ(thrownText([&] { TG3ClassicalMetadata copy(source); }),
              "TG3ClassicalMetadata:  Error copying metadata.");
    EXPECT_EQ(thrownText([&] { assigned = source; }),
              "[4][2391]TG3ClassicalMetadata:  Error copying metadata.");
    CVByteVectorStream stream;
    EXPECT_EQ(source.write(stream), MMETADATA_NOT_FOUND);
    EXPECT_TRUE(stream.bytes().empty());
    EXPECT_EQ(thrownText([&] { source.read(stream); }),
              "TG3ClassicalMetadata:  [4][2068]Error initializing metadata.");
}

TEST(ClassicalBlock, ReaderRefusesOrSkipsHostileRecords) {
    const Bytes eom = shorts("IMAGE::EOM", 1);
    Bytes negative = shorts("NEG", 0);
    for (int i = 0; i < 4; ++i) negative[4 + 4 + 8 + i] = 0xFF;
    std::vector<std::string> many(4096, "x"), some(200, "x");
    many.back() = some.back() = std::string(4096, 'y');
    auto untyped = [](const char* key, std::uint32_t dim) { return record(key, 99, 0, {dim}, {}); };
    const auto longKey = [](int length) { return shorts(std::string(length, 'k'), 1); };
    const Bytes good = blockOf({eom});
    Bytes version2 = good;
    version2[1] = 2;
    // Each block read gives its result (0: the whole block is read) and keeps one key.
    const struct {
        const char* name;
        Bytes block;
        std::int32_t result;
        const char* kept = "NONE";
    } cases[] = {
        {"version 2", version2, MVERSION_INCOMPATIBLE},
        {"11 dims", blockOf({shorts("X", 11)}), MBAD_STORED_DIMENSIONS},
        {"negative dims", blockOf({negative}), MBAD_STORED_DIMENSIONS},
        {"cut short", Bytes(good.begin(), good.end() - 1), MFAIL},
        {"nothing", {}, MFAIL},
        // Dims of 3 and 10 and keys of 101 to 103 characters are left out.
        {"refused records",
         blockOf({shorts("THREE", 3), shorts("TEN", 10), longKey(103), shorts("KEPT", 2), eom}), 0,
         "KEPT"},
        {"key of 104", blockOf({shorts("KEPT", 1), longKey(104)}), MFAIL, "KEPT"},
        // No texts still make one empty value.
        {"no texts", blockOf({texts({}, {1}), eom}), 0, "ASCII::COMMENT"},
        // One text copied millions of times, or a megabyte of copies of a long last text.
        {"text x 2^24", blockOf({texts({"harbour"}, {0x00FFFFFF}), eom}), MFAIL},
        {"text x 2 x 2", blockOf({texts({"harbour"}, {2, 2}), eom}), MFAIL},
        {"text x 46341^2", blockOf({texts({"harbour"}, {46341, 46341}), eom}), MFAIL},
        {"amplifying texts", blockOf({texts(many, {4096}), eom}), MFAIL},
        {"modest texts", blockOf({texts(some, {200}), eom}), 0, "ASCII::COMMENT"},
        // A type without stored values may stand for one value, not a million.
        {"untyped", blockOf({untyped("ONE", 1), untyped("MILLION", 1 << 20), eom}), 0, "ONE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CVByteVectorStream stream(c.block);
        TG3ClassicalMetadata m;
        EXPECT_EQ(m.read(stream), c.result ? c.result : std::int32_t(c.block.size()));
        EXPECT_EQ(findTag(&m.table(), c.kept) >= 0, std::string(c.kept) != "NONE");
        for (const char* key : {"THREE", "TEN", "MILLION"})
            EXPECT_EQ(findTag(&m.table(), key), MFAIL);
    }
    // Every value takes the last text read.
    CVByteVectorStream s(blockOf({texts({"a", "bb", "ccc"}, {3}), eom}));
    TG3ClassicalMetadata m;
    EXPECT_EQ(m.read(s), std::int32_t(s.bytes().size()));
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
        EXPECT_TRUE(!c.found || !s.isOpen()) << "the database closes the stream when done";
    }
    CVByteVectorStream s(tg2File([](ClassicalTagTable* t) { setImageWidth(t, 77); }, 2));
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
