#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "metadata/cv_TG2MetadataDatabase.h"
#include "metadata/cv_TG3ClassicalMetadata.h"
#include "metadata/cv_byteVectorStream.h"
#include "metadata/cv_classicalBlock.h"
#include "metadata/cv_classicalImport.h"
#include "metadata/cv_classicalStandardTags.h"
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
