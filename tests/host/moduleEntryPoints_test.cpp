// The module as the host first meets it: its exported names, its identity strings,
// and the analyzer's names, extension list, tag claims and refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "amhost_hostFile.h"
#include "common/temp_dir.h"
#include "host/host_module.h"

using namespace host_test;

namespace {

// Defined dynamic symbols of the module by name, with nm's type letter.
std::set<std::string> definedDynamicSymbols(std::set<std::string>* functionNames) {
    const std::string command = std::string("nm -D --defined-only '") + TVX_READER_MODULE + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    if (!pipe) return {};
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (!(fields >> address >> type >> name)) continue;
        names.insert(name);
        if (type == "T") functionNames->insert(name);
    }
    return names;
}

}  // namespace

TEST(ModuleEntryPoints, ExportsExactlyTheTwoFunctions) {
    std::set<std::string> functions;
    const std::set<std::string> symbols = definedDynamicSymbols(&functions);
    const std::set<std::string> expected = {"moduleIdentify", "newAmFileAnalyzer"};
    EXPECT_EQ(symbols, expected);
    EXPECT_EQ(functions, expected);
}

TEST(ModuleEntryPoints, IdentifiesItsTwoRolesAndNothingElse) {
    const struct {
        AmWord role;
        const char* text;
    } cases[] = {{0, "AM Image File Service"},
                 {1, "AM Image File Reader"},
                 {2, nullptr},
                 {-1, nullptr},
                 {1000, nullptr}};
    for (const auto& c : cases) {
        const char* answer = module().identify()(c.role);
        if (c.text)
            EXPECT_STREQ(answer, c.text) << "role " << c.role;
        else
            EXPECT_EQ(answer, nullptr) << "role " << c.role;
    }
}

TEST(ModuleEntryPoints, AnalyzerNamesTheFormat) {
    ScopedAnalyzer analyzer;
    EXPECT_STREQ(analyzer->formatName(), "TVX");
    EXPECT_STREQ(analyzer->displayName(), "Tovex Reader");
    const char* const* extensions = analyzer->extensions();
    ASSERT_NE(extensions, nullptr);
    EXPECT_STREQ(extensions[0], "tvx");
    EXPECT_EQ(extensions[1], nullptr);
    ASSERT_NE(analyzer->copyright(), nullptr);
    EXPECT_GT(std::string(analyzer->copyright()).size(), 0u);
    // The strings live as long as the module: a second analyzer hands out the same.
    ScopedAnalyzer other;
    EXPECT_EQ(other->formatName(), analyzer->formatName());
    EXPECT_EQ(other->extensions(), analyzer->extensions());
}

TEST(ModuleEntryPoints, AnalyzerClaimsOnlyItsTwoTags) {
    ScopedAnalyzer analyzer;
    const struct {
        AmWord tag;
        AmWord answer;
    } cases[] = {{16893, 1}, {16903, 1}, {16894, 0}, {16902, 0}, {256, 0},
                 {259, 0},   {322, 0},   {0, 0},     {-16893, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(analyzer->supportsTag(c.tag, 99), c.answer) << "tag " << c.tag;
}

TEST(ModuleEntryPoints, InertAnalyzerSlotsAnswerZero) {
    ScopedAnalyzer analyzer;
    EXPECT_EQ(analyzer->inertSlot3(7), 0);
    EXPECT_EQ(analyzer->inertSlot5(), 0);
    EXPECT_EQ(analyzer->inertSlot10(1, 2), 0);
    EXPECT_EQ(analyzer->inertSlot11(1, 2), 0);
    EXPECT_EQ(analyzer->inertSlot12(1), 0);
    EXPECT_EQ(analyzer->inertSlot13(1), 0);
}

TEST(ModuleEntryPoints, DestroyAnswersTheObjectPointer) {
    AmFileAnalyzer* analyzer = module().newAnalyzer()();
    ASSERT_NE(analyzer, nullptr);
    void* const address = analyzer;
    EXPECT_EQ(analyzer->destroy(1), address);
}

TEST(ModuleEntryPoints, UnopenableFilesGiveNoReaderAndLeaveNoDescriptor) {
    tovex_test::TempDir dir;
    const std::string wrongMagic = dir.file("picture.tvx");
    tovex_test::writeFile(wrongMagic, std::string("\x89PNG\r\n\x1a\n", 8) + std::string(200, 'x'));
    const std::string shifted = dir.file("shifted.tvx");
    tovex_test::writeFile(shifted, "xtovx\x03" + std::string(200, '\0'));
    const std::string missing = dir.file("missing.tvx");

    ScopedAnalyzer analyzer;
    for (const std::string& path : {missing, wrongMagic, shifted}) {
        const int before = openDescriptorCount();
        amhost::HostFile file(path);
        ScopedReader reader(analyzer->createReader(&file));
        EXPECT_EQ(reader.get(), nullptr) << path;
        EXPECT_EQ(analyzer->checkFile(&file, 0), 0) << path;
        EXPECT_EQ(openDescriptorCount(), before) << path;
    }
}
