#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>

#include "common/temp_dir.h"
#include "common/thrown_text.h"
#include "stream/cv_SubStream.h"
#include "stream/cv_fileSpecification.h"
#include "stream/cv_fileStream.h"
#include "stream/cv_largeFileStream.h"
#include "stream/cv_streamFunctions.h"

using namespace Corvane;
using tovex_test::thrownText;

TEST(FileSpecification, TakesPathsApartAndPutsThemTogether) {
    const struct {
        const char *path, *leaf, *extension, *stem;
    } parts[] = {
        {"C:\\data\\a.tvx", "a.tvx", "tvx", "C:\\data\\a"},
        {"C:\\data.d\\file", "file", "", "C:\\data.d\\file"},
        {"/b.tar.tvx", "/b.tar.tvx", "tvx", "/b.tar"},
        {"dir.x/noext", "noext", "", "dir.x/noext"},
    };
    for (const auto& c : parts) {
        const FileSpecification file(c.path);
        EXPECT_EQ(file.leafName(), c.leaf) << c.path;
        EXPECT_EQ(file.extension(), c.extension) << c.path;
        EXPECT_EQ(file.stem().path(), c.stem) << c.path;
    }
    const FileSpecification a("C:\\data\\a.tvx");
    const std::pair<FileSpecification, std::string> built[] = {
        {FileSpecification(), "///:::\\\\\\UNITIALIZED_FILESPEC"},
        {FileSpecification("C:\\data", "a.tvx"), "C:\\data\\a.tvx"},
        {FileSpecification("C:\\data\\", "a.tvx"), "C:\\data\\a.tvx"},
        {FileSpecification("/srv", "img", "a.tvx"), "/srv/img/a.tvx"},
        {FileSpecification(nullptr, "img", "a.tvx"), "img/a.tvx"},
        {FileSpecification(L"/srv", L"\u00e9.tvx"), "/srv/\xc3\xa9.tvx"},
        {FileSpecification(ParsedUrl{"file", "", "/srv/img", "a.tvx"}), "/srv/img/a.tvx"},
        {a.withExtension("TXW"), "C:\\data\\a.TXW"},
        {a.withExtension(nullptr), "C:\\data\\a"},
        {a.withLeaf("b.tvx"), "C:\\data\\b.tvx"},
    };
    for (const auto& [file, path] : built) EXPECT_EQ(file.path(), path);
    const ParsedUrl http{"http", "h", "d", "a"};
    EXPECT_EQ(thrownText([&] { FileSpecification{http}; }),
              "[4][2334]Invalid argument passed to function: [4][4018]Invalid protocol..");
}

TEST(FileSpecification, ActsOnFilesAndMakesFreshTemporaryNames) {
    tovex_test::TempDir dir;
    const FileSpecification file(dir.file("a.bin")), copy(dir.file("b.bin")),
        moved(dir.file("c.bin"));
    EXPECT_THROW(file.size(), IOException);
    tovex_test::writeFile(file.path(), "12345");
    EXPECT_EQ(file.size(), 5u);
    EXPECT_EQ(file.copyTo(copy, false), 0);
    EXPECT_EQ(file.copyTo(copy, false), 1);  // no overwriting unless asked
    EXPECT_EQ(copy.renameTo(moved), 0);
    EXPECT_EQ(moved.remove(), 0);
    EXPECT_NE(moved.remove(), 0);
    EXPECT_EQ(FileSpecification(dir.file("no/such/dir")).makeDirectory(), 1);

    const FileSpecification temporary =
        FileSpecification::temporaryName(FileSpecification(dir.path().string()));
    EXPECT_EQ(temporary.leafName().rfind("tmp", 0), 0u);
    EXPECT_EQ(
        thrownText([&] { FileSpecification::temporaryName(FileSpecification(dir.file("x"))); }),
        "[4][2377]Error: Specified temp directory \"" + dir.file("x") +
            "\" is not accessible or does not exist.");
}

// Seeks of a stream over "0123456789" (whether the seek is taken, the offset, the
// origin, the position after it), each followed by a read of `read` bytes when `read`
// is not 0 and the first byte read, 0 when the read fails: a short read fails as a
// whole and leaves the stream at its end.
struct Step {
    bool taken;
    std::int64_t offset, origin, position;
    int read;
    char first;
};
const Step kFileSteps[] = {{true, 3, SeekFromStart, 3, 2, '3'},
                           {true, 2, SeekFromCurrent, 7, 0, 0},
                           {true, -1, SeekFromEnd, 9, 1, '9'},
                           {false, 0, 0, 10, 0, 0},
                           {false, 0, 4, 10, 0, 0},
                           {true, 8, SeekFromStart, 10, 4, 0}};

// The same in a window over bytes 100..200 of a longer stream.
const Step kWindowSteps[] = {
    {true, 100, SeekFromStart, 100, 0, 0},  {false, 101, SeekFromStart, 100, 0, 0},
    {false, -1, SeekFromStart, 100, 0, 0},  {true, -1, SeekFromEnd, 99, 0, 0},
    {true, 50, SeekFromStart, 50, 0, 0},    {true, 20, SeekFromCurrent, 70, 0, 0},
    {false, 60, SeekFromCurrent, 70, 0, 0}, {false, 0, 4, 70, 0, 0},
    {true, 0, SeekFromEnd, 100, 0, 0},      {true, 90, SeekFromStart, 90, 11, 0},
    {true, 90, SeekFromStart, 90, 10, 'i'}, {false, 1, SeekFromCurrent, 100, 1, 0}};

void walk(CVStream& s, std::span<const Step> steps) {
    for (const Step& step : steps) {
        EXPECT_EQ(s.seek(std::int32_t(step.offset), int(step.origin)), step.taken) << step.offset;
        char buf[16] = {};
        if (step.read > 0) {
            EXPECT_EQ(s.read(buf, std::uint32_t(step.read)), step.first != 0) << step.offset;
            EXPECT_EQ(step.first ? buf[0] : '\0', step.first);
        }
        EXPECT_EQ(s.position(), step.position + (step.first ? step.read : 0)) << step.offset;
    }
}

TEST(FileStreams, BothKindsSeekReadDuplicateAndReopenAlike) {
    tovex_test::TempDir dir;
    const std::string path = dir.file("data.bin");
    tovex_test::writeFile(path, "0123456789");
    CVFileStream small(path, "rb");
    CVLargeFileStream large(path, "rb");
    for (CVStream* s : {static_cast<CVStream*>(&small), static_cast<CVStream*>(&large)}) {
        ASSERT_TRUE(s->isOpen());
        walk(*s, kFileSteps);
        // A duplicate keeps the swap flag and has its own position; a reopened stream
        // starts again at the beginning.
        s->setByteSwap(true);
        auto copy = s->duplicate(nullptr, 0);
        ASSERT_NE(copy, nullptr);
        EXPECT_TRUE(copy->byteSwap());
        EXPECT_EQ(copy->position(), 0);
        EXPECT_TRUE(s->close());
        EXPECT_FALSE(s->isOpen());
        EXPECT_TRUE(s->reopen(nullptr, 0));
        EXPECT_EQ(s->position(), 0);
    }
    EXPECT_FALSE(CVLargeFileStream(path, "a").isOpen());  // neither r nor w
    EXPECT_EQ(thrownText([&] { openFileStream(dir.file("missing.tvx")); }),
              "[4][2368]Cannot open file.");
    std::int64_t pos = 0;
    EXPECT_EQ(thrownText([&] { small.tell64(&pos); }),
              "[4][2202]Unimplemented method - file:cv_stream line:200.");
}

TEST(FileStreams, LargeFilesAreOpenedLargeAndWorkAboveFourGiB) {
    tovex_test::TempDir dir;
    tovex_test::makeSparseFile(dir.file("below.bin"), (1LL << 31) - 1);
    tovex_test::makeSparseFile(dir.file("big.bin"), (5LL << 30) + 100);
    EXPECT_NE(dynamic_cast<CVFileStream*>(openFileStream(dir.file("below.bin")).get()), nullptr);
    const auto big = openFileStream(dir.file("big.bin"));
    ASSERT_NE(dynamic_cast<CVLargeFileStream*>(big.get()), nullptr);
    CVLargeFileStream s(dir.file("big.bin"), "r+b");
    const std::int64_t target = (4LL << 30) + 12345;
    ASSERT_TRUE(s.seekTo(target, SeekFromStart));
    EXPECT_TRUE(s.write("QR", 2));
    EXPECT_EQ(s.position(), target + 2);
    std::uint32_t small = 0;
    EXPECT_FALSE(s.tell(&small));                             // too far for 32 bits
    ASSERT_TRUE(s.seek64(0xFFFFFFFEu, -1, SeekFromCurrent));  // back by two
    char c[2] = {};
    EXPECT_TRUE(s.read(c, 2));
    EXPECT_EQ(std::string(c, 2), "QR");
    ASSERT_TRUE(s.seekTo(0, SeekFromEnd));
    EXPECT_EQ(s.position(), (5LL << 30) + 100);
}

TEST(FileStreams, TypedReadsFollowTheSwapFlag) {
    tovex_test::TempDir dir;
    const std::string out = dir.file("typed.bin");
    {
        CVFileStream w(out, "wb");
        w.setByteSwap(true);
        w << std::uint16_t{0x1234} << std::int32_t{-2} << 1.5 << std::uint64_t{7};
    }
    CVFileStream r(out, "rb");
    EXPECT_EQ(readRaising<std::uint8_t>(r), 0x12);  // big-endian on disk
    r.seek(0, SeekFromStart);
    r.setByteSwap(true);
    EXPECT_EQ(readRaising<std::uint16_t>(r), 0x1234);
    EXPECT_EQ(readRaising<std::int32_t>(r), -2);
    EXPECT_EQ(readRaising<double>(r), 1.5);
    EXPECT_EQ(readRaising<std::uint64_t>(r), 7u);
    bool flag;
    EXPECT_EQ(thrownText([&] { r >> flag; }),
              "[4][4001]Cannot read file. [4][4007]Cannot read stream.");
    EXPECT_EQ(thrownText([&] { r << std::uint8_t{1}; }),
              "[4][4002]Cannot write file. [4][4008]Cannot write stream.");
}

// A window over bytes 100..200 of a parent whose bytes run through the alphabet, on
// either kind of parent.
TEST(SubStream, SeeksAndReadsStayInsideTheWindow) {
    tovex_test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>('a' + i % 26);
    tovex_test::writeFile(dir.file("p.bin"), bytes);
    for (const bool large : {false, true}) {
        const std::unique_ptr<CVStream> parent(
            large ? static_cast<CVStream*>(new CVLargeFileStream(dir.file("p.bin"), "rb"))
                  : new CVFileStream(dir.file("p.bin"), "rb"));
        CVSubStream sub(parent.get(), 100, 200);
        EXPECT_EQ(parent->position(), 100);
        walk(sub, kWindowSteps);
        EXPECT_EQ(parent->position(), 200);

        EXPECT_EQ(thrownText([&] { sub.write("x", 1); }),
                  "[4][2202]Unimplemented method - file:cv_SubStream line:233.");
        // Closing the window leaves the parent open; a duplicate starts at its beginning.
        EXPECT_TRUE(sub.close());
        EXPECT_TRUE(sub.isOpen());
        EXPECT_EQ(sub.duplicate(nullptr, 0)->position(), 0);
        parent->close();
        EXPECT_FALSE(sub.isOpen());
    }
}
