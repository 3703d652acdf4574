#include <gtest/gtest.h>

#include <string>

#include "common/temp_dir.h"
#include "stream/cv_fileStream.h"
#include "stream/cv_largeFileStream.h"
#include "stream/cv_streamFunctions.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

constexpr long long k2GiB = 1LL << 31;

class FileStreams : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("data.bin");
        tovex_test::writeFile(path, "0123456789");
    }
    tovex_test::TempDir dir;
    std::string path;
};

TEST_F(FileStreams, BothStreamsSeekTellAndReadAlike) {
    CVFileStream small(path, "rb");
    CVLargeFileStream large(path, "rb");
    for (CVStream* s : {static_cast<CVStream*>(&small), static_cast<CVStream*>(&large)}) {
        ASSERT_TRUE(s->isOpen());
        EXPECT_TRUE(s->isReopenable());
        EXPECT_TRUE(s->isConcrete());
        EXPECT_STREQ(s->scheme(), "file");
        EXPECT_EQ(std::string(s->name()), path);
        EXPECT_STREQ(s->modeText(), "rb");
        std::uint32_t pos = 99;
        char buf[4] = {};
        EXPECT_TRUE(s->seek(3, SeekFromStart));
        EXPECT_TRUE(s->read(buf, 2));
        EXPECT_EQ(std::string(buf, 2), "34");
        EXPECT_TRUE(s->seek(2, SeekFromCurrent));
        EXPECT_TRUE(s->tell(&pos));
        EXPECT_EQ(pos, 7u);
        EXPECT_TRUE(s->seek(-1, SeekFromEnd));
        EXPECT_TRUE(s->read(buf, 1));
        EXPECT_EQ(buf[0], '9');
        // Origins other than 1, 2, 3 are refused and leave the position alone.
        EXPECT_FALSE(s->seek(0, 0));
        EXPECT_FALSE(s->seek(0, 4));
        EXPECT_TRUE(s->tell(&pos));
        EXPECT_EQ(pos, 10u);
        // A short read fails as a whole.
        EXPECT_TRUE(s->seek(8, SeekFromStart));
        EXPECT_FALSE(s->read(buf, 4));
        EXPECT_TRUE(s->close());
        EXPECT_FALSE(s->isOpen());
        EXPECT_TRUE(s->close());
    }
}

TEST_F(FileStreams, BufferedStreamRefusesSixtyFourBitPositions) {
    CVFileStream s(path, "rb");
    EXPECT_FALSE(s.canSeek64());
    std::int64_t pos = 0;
    try {
        s.seek64(0, 0, SeekFromStart);
        FAIL();
    } catch (const UnimplementedException& e) {
        EXPECT_STREQ(e.what(), "[4][2202]Unimplemented method - file:cv_stream line:188.");
    }
    try {
        s.tell64(&pos);
        FAIL();
    } catch (const UnimplementedException& e) {
        EXPECT_STREQ(e.what(), "[4][2202]Unimplemented method - file:cv_stream line:200.");
    }
}

TEST_F(FileStreams, UnopenedStreamsAnswerTheUnknownName) {
    CVFileStream s;
    EXPECT_STREQ(s.name(), "[4][4013]Unknown");
    EXPECT_STREQ(s.modeText(), "[4][4013]Unknown");
    EXPECT_EQ(s.duplicate(nullptr, 0), nullptr);
    EXPECT_FALSE(s.reopen(nullptr, 0));
    EXPECT_FALSE(CVFileStream(dir.file("missing"), "rb").isOpen());
    EXPECT_FALSE(CVLargeFileStream(dir.file("missing"), "rb").isOpen());
    // A mode with neither r nor w cannot open a large-file stream.
    EXPECT_FALSE(CVLargeFileStream(path, "a").isOpen());
}

TEST_F(FileStreams, DuplicateAndReopenUseTheStoredPath) {
    for (int large = 0; large < 2; ++large) {
        std::unique_ptr<CVStream> s;
        if (large)
            s = std::make_unique<CVLargeFileStream>(path, "rb");
        else
            s = std::make_unique<CVFileStream>(path, "rb");
        s->setByteSwap(true);
        auto copy = s->duplicate(nullptr, 0);
        ASSERT_NE(copy, nullptr);
        EXPECT_TRUE(copy->byteSwap());
        char c = 0;
        EXPECT_TRUE(s->seek(5, SeekFromStart));
        EXPECT_TRUE(copy->read(&c, 1));
        EXPECT_EQ(c, '0');  // its own position
        EXPECT_TRUE(s->close());
        EXPECT_TRUE(s->reopen(nullptr, 0));
        EXPECT_TRUE(s->read(&c, 1));
        EXPECT_EQ(c, '0');
    }
}

TEST_F(FileStreams, WritesThroughTheLargeStream) {
    const std::string out = dir.file("out.bin");
    {
        CVLargeFileStream w(out, "w+b");
        ASSERT_TRUE(w.isOpen());
        EXPECT_TRUE(w.write("abcdef", 6));
        EXPECT_TRUE(w.seekTo(2, SeekFromStart));
        char buf[2];
        EXPECT_TRUE(w.read(buf, 2));
        EXPECT_EQ(std::string(buf, 2), "cd");
        EXPECT_TRUE(w.write("XY", 2));
    }
    CVFileStream r(out, "rb");
    char all[6];
    ASSERT_TRUE(r.read(all, 6));
    EXPECT_EQ(std::string(all, 6), "abcdXY");
}

TEST_F(FileStreams, LargeStreamWorksAboveFourGiB) {
    const std::string big = dir.file("big.bin");
    const long long size = (5LL << 30) + 100;
    tovex_test::makeSparseFile(big, size);
    CVLargeFileStream s(big, "r+b");
    ASSERT_TRUE(s.isOpen());
    const std::int64_t target = (4LL << 30) + 12345;
    ASSERT_TRUE(s.seekTo(target, SeekFromStart));
    EXPECT_TRUE(s.write("Q", 1));
    std::int64_t pos = 0;
    EXPECT_TRUE(s.tell64(&pos));
    EXPECT_EQ(pos, target + 1);
    std::uint32_t small = 0;
    EXPECT_FALSE(s.tell(&small));                             // too far for 32 bits
    ASSERT_TRUE(s.seek64(0xFFFFFFFFu, -1, SeekFromCurrent));  // back by one
    char c = 0;
    EXPECT_TRUE(s.read(&c, 1));
    EXPECT_EQ(c, 'Q');
    ASSERT_TRUE(s.seekTo(0, SeekFromEnd));
    EXPECT_TRUE(s.tell64(&pos));
    EXPECT_EQ(pos, size);
}

TEST_F(FileStreams, FactoryChoosesByTheTwoGiBRule) {
    const std::string below = dir.file("below.bin");
    const std::string at = dir.file("at.bin");
    tovex_test::makeSparseFile(below, k2GiB - 1);
    tovex_test::makeSparseFile(at, k2GiB);
    auto small = openFileStream(below);
    auto large = openFileStream(at);
    EXPECT_NE(dynamic_cast<CVFileStream*>(small.get()), nullptr);
    EXPECT_NE(dynamic_cast<CVLargeFileStream*>(large.get()), nullptr);
    EXPECT_TRUE(small->isOpen());
    EXPECT_TRUE(large->isOpen());
    try {
        openFileStream(dir.file("missing.tvx"));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "[4][2368]Cannot open file.");
    }
}

TEST_F(FileStreams, TypedReadsFollowTheSwapFlag) {
    const std::string out = dir.file("typed.bin");
    {
        CVFileStream w(out, "wb");
        w.setByteSwap(true);
        w << std::uint16_t{0x1234} << std::int32_t{-2} << 1.5 << 2.25f << std::uint64_t{7};
        w.setByteSwap(false);
        w << std::uint16_t{0x1234};
    }
    CVFileStream raw(out, "rb");
    unsigned char bytes[2];
    ASSERT_TRUE(raw.read(bytes, 2));
    EXPECT_EQ(bytes[0], 0x12);  // big-endian on disk
    EXPECT_EQ(bytes[1], 0x34);

    CVFileStream r(out, "rb");
    r.setByteSwap(true);
    EXPECT_EQ(readRaising<std::uint16_t>(r), 0x1234);
    EXPECT_EQ(readRaising<std::int32_t>(r), -2);
    EXPECT_EQ(readRaising<double>(r), 1.5);
    EXPECT_EQ(readRaising<float>(r), 2.25f);
    EXPECT_EQ(readRaising<std::uint64_t>(r), 7u);
    r.setByteSwap(false);
    std::uint16_t little = 0;
    EXPECT_TRUE(readValue(r, little));
    EXPECT_EQ(little, 0x1234);
    std::uint32_t missing = 0xAAAA;
    EXPECT_FALSE(readValue(r, missing));
    try {
        bool flag;
        r >> flag;
        FAIL();
    } catch (const IOException& e) {
        EXPECT_STREQ(e.what(), "[4][4001]Cannot read file. [4][4007]Cannot read stream.");
        EXPECT_EQ(e.operation(), IoRead);
    }
    CVFileStream readOnly(out, "rb");
    try {
        readOnly << std::uint8_t{1};
        FAIL();
    } catch (const IOException& e) {
        EXPECT_STREQ(e.what(), "[4][4002]Cannot write file. [4][4008]Cannot write stream.");
    }
    long double ld = 0;
    EXPECT_THROW(readLongDouble(r, ld), UnimplementedException);
}

}  // namespace
