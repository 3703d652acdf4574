#include <gtest/gtest.h>

#include <string>

#include "common/temp_dir.h"
#include "stream/cv_fileSpecification.h"
#include "support/cv_exception.h"

using namespace Corvane;

namespace {

TEST(FileSpecification, DefaultIsUninitialised) {
    FileSpecification none;
    EXPECT_TRUE(none.isUninitialised());
    EXPECT_EQ(none.path(), "///:::\\\\\\UNITIALIZED_FILESPEC");
    EXPECT_EQ(none.path().size(), 29u);
    EXPECT_FALSE(none.exists());
    EXPECT_FALSE(FileSpecification("C:\\data\\a.tvx").isUninitialised());
}

TEST(FileSpecification, TakesPathsApart) {
    const struct {
        const char* path;
        const char* leaf;
        const char* extension;
        const char* stem;
    } cases[] = {
        {"C:\\data\\a.tvx", "a.tvx", "tvx", "C:\\data\\a"},
        {"\\a.tvx", "\\a.tvx", "tvx", "\\a"},
        {"C:\\data.d\\file", "file", "", "C:\\data.d\\file"},
        {"/srv/img/b.tar.tvx", "b.tar.tvx", "tvx", "/srv/img/b.tar"},
        {"/a.tvx", "/a.tvx", "tvx", "/a"},
        {"plain", "plain", "", "plain"},
        {"dir.x/noext", "noext", "", "dir.x/noext"},
    };
    for (const auto& c : cases) {
        const FileSpecification file(c.path);
        EXPECT_EQ(file.leafName(), c.leaf) << c.path;
        EXPECT_EQ(file.extension(), c.extension) << c.path;
        EXPECT_EQ(file.stem().path(), c.stem) << c.path;
    }
}

TEST(FileSpecification, JoinsAndReplaces) {
    EXPECT_EQ(FileSpecification("C:\\data", "a.tvx").path(), "C:\\data\\a.tvx");
    EXPECT_EQ(FileSpecification("C:\\data\\", "a.tvx").path(), "C:\\data\\a.tvx");
    EXPECT_EQ(FileSpecification("/srv", "a.tvx").path(), "/srv/a.tvx");
    EXPECT_EQ(FileSpecification("/srv/", "a.tvx").path(), "/srv/a.tvx");
    EXPECT_EQ(FileSpecification("/srv", "img", "a.tvx").path(), "/srv/img/a.tvx");
    EXPECT_EQ(FileSpecification(nullptr, "img", "a.tvx").path(), "img/a.tvx");
    EXPECT_EQ(FileSpecification(L"/srv", L"\u00e9.tvx").path(), "/srv/\xc3\xa9.tvx");

    const FileSpecification a("C:\\data\\a.tvx");
    EXPECT_EQ(a.withExtension("TXW").path(), "C:\\data\\a.TXW");
    EXPECT_EQ(a.withExtension(nullptr).path(), "C:\\data\\a");
    EXPECT_EQ(a.withLeaf("b.tvx").path(), "C:\\data\\b.tvx");
    EXPECT_EQ(FileSpecification("a.tvx").withLeaf("b.tvx").path(), "b.tvx");
    EXPECT_EQ(FileSpecification().withLeaf("b.tvx").path(), "b.tvx");
    EXPECT_TRUE(FileSpecification("x") == FileSpecification(std::string("x")));
    EXPECT_FALSE(FileSpecification("x") == FileSpecification("X"));
}

TEST(FileSpecification, BuildsFromFileUrlsOnly) {
    EXPECT_EQ(FileSpecification(ParsedUrl{"file", "", "/srv/img", "a.tvx"}).path(),
              "/srv/img/a.tvx");
    try {
        FileSpecification(ParsedUrl{"http", "h", "d", "a"});
        FAIL() << "no exception";
    } catch (const InvalidArgumentException& e) {
        EXPECT_STREQ(e.what(),
                     "[4][2334]Invalid argument passed to function: [4][4018]Invalid protocol..");
    }
}

TEST(FileSpecification, ActsOnFiles) {
    tovex_test::TempDir dir;
    const FileSpecification file(dir.file("a.bin"));
    EXPECT_FALSE(file.exists());
    EXPECT_THROW(file.size(), IOException);
    tovex_test::writeFile(file.path(), "12345");
    EXPECT_TRUE(file.exists());
    EXPECT_FALSE(file.isDirectory());
    EXPECT_EQ(file.size(), 5u);

    const FileSpecification copy(dir.file("b.bin"));
    EXPECT_EQ(file.copyTo(copy, false), 0);
    EXPECT_EQ(file.copyTo(copy, false), 1);
    EXPECT_EQ(file.copyTo(copy, true), 0);
    const FileSpecification moved(dir.file("c.bin"));
    EXPECT_EQ(copy.renameTo(moved), 0);
    EXPECT_FALSE(copy.exists());
    EXPECT_EQ(moved.remove(), 0);
    EXPECT_NE(moved.remove(), 0);

    const FileSpecification sub(dir.file("sub"));
    EXPECT_EQ(sub.makeDirectory(), 0);
    EXPECT_TRUE(sub.isDirectory());
    EXPECT_EQ(sub.makeDirectory(), 0);
    EXPECT_EQ(FileSpecification(dir.file("no/such/dir")).makeDirectory(), 1);
}

TEST(FileSpecification, TemporaryNamesAreFreshAndChecked) {
    tovex_test::TempDir dir;
    const FileSpecification folder(dir.path().string());
    const FileSpecification first = FileSpecification::temporaryName(folder);
    EXPECT_EQ(first.leafName().rfind("tmp", 0), 0u);
    tovex_test::writeFile(first.path(), "x");
    const FileSpecification second = FileSpecification::temporaryName(folder);
    EXPECT_NE(first.path(), second.path());
    EXPECT_FALSE(second.exists());

    try {
        FileSpecification::temporaryName(FileSpecification(dir.file("missing")));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "[4][2377]Error: Specified temp directory \"" +
                                             dir.file("missing") +
                                             "\" is not accessible or does not exist.");
    }
}

}  // namespace
