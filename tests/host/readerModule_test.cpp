// The module as the host meets it: its exported names and identity, the analyzer's
// answers and refusals, and readers on a real file through the reference host's
// file object. What the tiles hold is the reader's test and the reference host's.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "amhost_hostFile.h"
#include "common/temp_dir.h"
#include "host/host_module.h"

using namespace host_test;

TEST(ModuleEntryPoints, ExportsExactlyTheTwoFunctions) {
    const std::string command = std::string("nm -D --defined-only '") + TVX_READER_MODULE + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    for (char line[512]; std::fgets(line, sizeof line, pipe.get());) {
        std::string address, type, name;
        if (std::istringstream(line) >> address >> type >> name) names.insert(type + " " + name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"T moduleIdentify", "T newAmFileAnalyzer"}));
}

TEST(ModuleEntryPoints, IdentityNamesAndTagClaims) {
    EXPECT_STREQ(module().identify(0), "AM Image File Service");
    EXPECT_STREQ(module().identify(1), "AM Image File Reader");
    EXPECT_EQ(module().identify(2), module().identify(-1));
    EXPECT_EQ(module().identify(2), nullptr);
    ScopedAnalyzer analyzer, other;
    EXPECT_STREQ(analyzer->formatName(), "TVX");
    EXPECT_STREQ(analyzer->displayName(), "Tovex Reader");
    EXPECT_STREQ(analyzer->extensions()[0], "tvx");
    EXPECT_EQ(analyzer->extensions()[1], nullptr);
    EXPECT_NE(std::string(analyzer->copyright()), "");
    // The strings live as long as the module: a second analyzer hands out the same.
    EXPECT_EQ(other->extensions(), analyzer->extensions());
    for (const auto& [tag, answer] :
         {std::pair{16893, 1}, {16903, 1}, {16894, 0}, {16902, 0}, {256, 0}, {-16893, 0}})
        EXPECT_EQ(analyzer->supportsTag(tag, 99), answer) << tag;
}

TEST(ReaderModule, ReadersAreIndependentAndLeaveNothingBehind) {
    const std::string path = TOVEX_EXAMPLES_DIR "/astronaut.tvx";
    ScopedAnalyzer analyzer;
    amhost::HostFile file(path), sameFile(path);
    ScopedReader first(analyzer->createReader(&file));
    AmFileReader* second = analyzer->createReader(&sameFile);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->selectImage(0) & second->selectImage(0), 1);
    EXPECT_EQ(setWidth(*first, -1) & setWidth(*second, 128), 1);
    EXPECT_EQ(tagValue(*first, 256), 512);
    EXPECT_EQ(tagValue(*second, 256), 128);
    std::vector<std::uint8_t> before(65536), after(65536);
    ASSERT_EQ(first->readTile(3, before.data()), 1);
    second->destroy(1);  // the other goes on reading
    ASSERT_EQ(first->readTile(3, after.data()), 1);
    EXPECT_EQ(after, before);

    // Under the sanitizer build the leak check at exit covers these as well.
    const int descriptors = openDescriptorCount();
    for (int i = 0; i < 200; ++i) {
        AmFileReader* reader = analyzer->createReader(&sameFile);
        ASSERT_NE(reader, nullptr) << i;
        reader->destroy(1);
    }
    EXPECT_EQ(analyzer->checkFile(&sameFile, 0), 0);
    EXPECT_EQ(openDescriptorCount(), descriptors);
}

TEST(ModuleEntryPoints, UnopenableFilesGiveNoReaderAndLeaveNoDescriptor) {
    tovex_test::TempDir dir;
    tovex_test::writeFile(dir.file("png.tvx"),
                          std::string("\x89PNG\r\n\x1a\n", 8) + std::string(200, 'x'));
    tovex_test::writeFile(dir.file("shifted.tvx"), "xtovx\x03" + std::string(200, '\0'));
    ScopedAnalyzer analyzer;
    for (const char* name : {"missing.tvx", "png.tvx", "shifted.tvx"}) {
        const int before = openDescriptorCount();
        amhost::HostFile file(dir.file(name));
        ScopedReader reader(analyzer->createReader(&file));
        EXPECT_EQ(reader.get(), nullptr) << name;
        EXPECT_EQ(analyzer->checkFile(&file, 0), 0) << name;
        EXPECT_EQ(openDescriptorCount(), before) << name;
    }
}
