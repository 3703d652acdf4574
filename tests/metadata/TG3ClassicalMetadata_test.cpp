#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "common/thrown_text.h"
#include "metadata/cv_TG3ClassicalMetadata.h"
#include "metadata/cv_byteVectorStream.h"
#include "metadata/cv_classicalImport.h"
#include "metadata/cv_classicalStandardTags.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

using tovex_test::thrownText;

// Fills a table with one tag of every stored type and shape the block can carry.
void fillEveryKind(ClassicalTagTable& table) {
    setImageWidth(&table, 640);
    setInputName(&table, "scan.tif");
    setBitsPerSample(&table, 12);
    setXResolution(&table, 0.5);
    setCompressionGamma(&table, 2.5f);
    setCompressionVersion(&table, -12);
    const std::int8_t letter = 'A';
    setNoDataValue(&table, TYPE_SBYTE, &letter);
    const std::uint8_t lut[4] = {1, 2, 3, 4};
    setInputLut(&table, 2, 2, lut);
    std::int16_t samples[12];
    for (int i = 0; i < 12; ++i) samples[i] = static_cast<std::int16_t>(i - 5);
    const std::int32_t twelve[1] = {12};
    addTag(&table, "GEO::SAMPLES", TYPE_SSHORT, 1, twelve, samples);
    const std::int32_t one[1] = {1};
    const char nothing = 0;
    addTag(&table, "IMAGE::RATIO", TYPE_RATIONAL, 1, one, &nothing);
}

// Compares two tables tag by tag: keys, types, shapes and stored values.
void expectSameTags(const ClassicalTagTable& a, const ClassicalTagTable& b) {
    ASSERT_EQ(a.used, b.used);
    for (std::int32_t i = 0; i < a.used; ++i) {
        const ClassicalTag& x = a.slots[i];
        const ClassicalTag& y = b.slots[i];
        SCOPED_TRACE(x.key);
        EXPECT_STREQ(x.key, y.key);
        EXPECT_EQ(x.type, y.type);
        EXPECT_EQ(x.count, y.count);
        ASSERT_EQ(x.dimensionCount, y.dimensionCount);
        for (std::int32_t d = 0; d < x.dimensionCount; ++d) EXPECT_EQ(x.dims[d], y.dims[d]);
        if (x.type == TYPE_ASCII) {
            for (std::int32_t v = 0; v < x.count; ++v) EXPECT_STREQ(x.texts[v], y.texts[v]);
        } else if (tagValueSize(x.type) > 0) {
            const auto bytes =
                static_cast<std::size_t>(x.count) * static_cast<std::size_t>(tagValueSize(x.type));
            EXPECT_EQ(std::memcmp(x.values, y.values, bytes), 0);
        }
    }
}

}  // namespace

TEST(TG3ClassicalMetadata, LibraryStreamBlockReadsBackAndDumpsInTheDatabaseFormat) {
    TG3ClassicalMetadata written;
    fillEveryKind(written.table());
    CVByteVectorStream stream;
    const std::int32_t size = written.write(stream);
    ASSERT_GT(size, 0);
    EXPECT_TRUE(stream.byteSwap());
    EXPECT_STREQ(tagKeyAt(&written.table(), written.table().used - 1), "IMAGE::EOM");

    CVByteVectorStream readBack(stream.bytes());
    TG3ClassicalMetadata read;
    EXPECT_EQ(read.read(readBack), size - 4);
    EXPECT_TRUE(readBack.byteSwap());
    expectSameTags(read.table(), written.table());

    MetadataDatabase db;
    importTagTable(read.table(), db);
    std::ostringstream dump;
    db.dump(dump);
    // Keys in byte order; a table shows its first row only; an unset value shows
    // nothing after the count.
    EXPECT_EQ(dump.str(),
              "Key: GEO::SAMPLES\n"
              "\t--- 12 Value(s): \n"
              "\t Values( 0 to 9 ):  -5 -4 -3 -2 -1 0 1 2 3 4 \n"
              "\t Values( 10 to 11 ):  5 6 \n"
              "\t--- Type: signed short\n"
              "\n"
              "Key: IMAGE::BITS_PER_SAMPLE\n"
              "\t--- 1 Value(s): \n"
              "\t Values( 0 to 0 ):  12 \n"
              "\t--- Type: unsigned short\n"
              "\n"
              "Key: IMAGE::COMPRESSION_GAMMA\n"
              "\t--- 1 Value(s): \n"
              "\t Values( 0 to 0 ):  2.5 \n"
              "\t--- Type: float\n"
              "\n"
              "Key: IMAGE::COMPRESSION_VERSION\n"
              "\t--- 1 Value(s): \n"
              "\t Values( 0 to 0 ):  -12 \n"
              "\t--- Type: signed long\n"
              "\n"
              "Key: IMAGE::INPUT_LUT\n"
              "\t--- 2 Value(s): \n"
              "\t Values( 0 to 1 ):  1 2 \n"
              "\t--- Type: unsigned char\n"
              "\n"
              "Key: IMAGE::INPUT_NAME\n"
              "\t--- 1 Value(s): scan.tif\n"
              "\t--- Type: ascii string\n"
              "\n"
              "Key: IMAGE::NO_DATA_VALUE\n"
              "\t--- 1 Value(s): \n"
              "\t Values( 0 to 0 ):  A \n"
              "\t--- Type: signed char\n"
              "\n"
              "Key: IMAGE::RATIO\n"
              "\t--- 1 Value(s): \n"
              "Key: IMAGE::WIDTH\n"
              "\t--- 1 Value(s): \n"
              "\t Values( 0 to 0 ):  640 \n"
              "\t--- Type: unsigned long\n"
              "\n"
              "Key: IMAGE::X_RESOLUTION\n"
              "\t--- 1 Value(s): \n"
              "\t Values( 0 to 0 ):  0.5 \n"
              "\t--- Type: double\n"
              "\n");

    testing::internal::CaptureStdout();
    db.dump();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), dump.str());
}

TEST(TG3ClassicalMetadata, CopiesAreIndependentAndRefuseUnusableSources) {
    TG3ClassicalMetadata source;
    setImageWidth(&source.table(), 5);
    setComment(&source.table(), "kept");

    TG3ClassicalMetadata copied(source);
    TG3ClassicalMetadata assigned;
    setImageHeight(&assigned.table(), 1);
    assigned = source;
    expectSameTags(copied.table(), source.table());
    expectSameTags(assigned.table(), source.table());
    clearTagTable(&source.table());
    std::string comment;
    EXPECT_EQ(getComment(&assigned.table(), &comment), 2);
    EXPECT_EQ(comment, "kept");
    EXPECT_EQ(findTag(&assigned.table(), "IMAGE::HEIGHT"), MFAIL);

    // source is now cleared: every use of it as a source is refused.
    EXPECT_EQ(thrownText([&] { TG3ClassicalMetadata copy(source); }),
              "TG3ClassicalMetadata:  Error copying metadata.");
    EXPECT_EQ(thrownText([&] { assigned = source; }),
              "[4][2391]TG3ClassicalMetadata:  Error copying metadata.");

    // A cleared table can neither be read into nor written.
    CVByteVectorStream stream;
    EXPECT_EQ(source.write(stream), MMETADATA_NOT_FOUND);
    EXPECT_TRUE(stream.bytes().empty());
    EXPECT_EQ(thrownText([&] { source.read(stream); }),
              "TG3ClassicalMetadata:  [4][2068]Error initializing metadata.");
}
