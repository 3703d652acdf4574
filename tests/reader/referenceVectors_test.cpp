// Files whose expected samples were computed outside this project, decoded through
// the file-level reader. They catch what a round trip through our own encoders
// cannot: a mistake the encoder and the decoder share. TG3 windows must match bit for
// bit; TG2 windows within the file's tolerance, with at least its share of exact
// samples (float synthesis may round the last place differently, a wrong rounding
// rule shows as a drop in that share). Levels beyond the coarsest must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/decode_support.h"
#include "common/test_images.h"
#include "common/thrown_text.h"
#include "reader/cv_tvxFileImageReader.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
namespace {

// Just enough JSON for the vectors' descriptions: objects, arrays, numbers,
// strings without escapes and bare words (true, false, null).
struct Json {
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const {
        static const Json missing;
        const auto found = members.find(key);
        return found == members.end() ? missing : found->second;
    }
    std::int32_t integer() const { return static_cast<std::int32_t>(number); }
};

Json parseJson(const std::string& text, std::size_t& at) {
    const auto next = [&]() {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        if (at >= text.size()) throw std::runtime_error("JSON ends early");
        return text[at];
    };
    Json value;
    const char c = next();
    if (c == '{' || c == '[') {
        const char close = c == '{' ? '}' : ']';
        for (++at; next() != close;) {
            if (c == '[') {
                value.items.push_back(parseJson(text, at));
            } else {
                const std::string key = parseJson(text, at).text;
                if (next() != ':') throw std::runtime_error("JSON expects :");
                ++at;
                value.members[key] = parseJson(text, at);
            }
            if (next() == ',') ++at;
        }
        ++at;
    } else if (c == '"') {
        const std::size_t end = text.find('"', at + 1);
        if (end == std::string::npos) throw std::runtime_error("unterminated string");
        value.text = text.substr(at + 1, end - at - 1);
        at = end + 1;
    } else if (std::isalpha(static_cast<unsigned char>(c))) {
        while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])))
            value.text += text[at++];
    } else {
        char* end = nullptr;
        value.number = std::strtod(text.c_str() + at, &end);
        if (end == text.c_str() + at) throw std::runtime_error("bad JSON at " + std::to_string(at));
        at = static_cast<std::size_t>(end - text.c_str());
    }
    return value;
}

struct VectorFile {
    std::string folder;  // tg3 or tg2, below tests/data/vectors
    Json description;
};

// Every description of one folder, in name order.
std::vector<VectorFile> vectorFiles(const std::string& folder) {
    const std::filesystem::path root =
        std::filesystem::path(TOVEX_TEST_DATA_DIR) / "vectors" / folder;
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(root))
        if (entry.path().extension() == ".json") paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    std::vector<VectorFile> files;
    for (const auto& path : paths) {
        std::ifstream in(path);
        std::size_t at = 0;
        files.push_back(
            {folder, parseJson(std::string(std::istreambuf_iterator<char>(in), {}), at)});
    }
    return files;
}

std::string dataPath(const VectorFile& file, const std::string& name) {
    return std::string(TOVEX_TEST_DATA_DIR) + "/vectors/" + file.folder + "/" + name;
}

// The expected samples of a request, pixel-interleaved, row by row.
std::vector<std::int32_t> expectedSamples(const VectorFile& file, const Json& request) {
    const TestImage image = loadPnm("vectors/" + file.folder + "/" + request["expected"].text);
    const Scene box(0, 0, 0, static_cast<std::int32_t>(image.width) - 1,
                    static_cast<std::int32_t>(image.height) - 1, 0);
    return tovex_test::interleave(image.components, image.width, box);
}

Scene windowOf(const Json& request) {
    return Scene(request["x0"].integer(), request["y0"].integer(), 0, request["x1"].integer(),
                 request["y1"].integer(), 0);
}

// The layout a request is decoded into: TG3 in its own layout, TG2 as 8-bit samples
// of its own colour scheme (the only samples TG2 has).
PixelLayout layoutFor(const TvxFileImageReader& reader) {
    const PixelLayout& own = reader.properties().layout();
    if (reader.isTG3()) return own;
    return PixelLayout(0, ColorSpace(own.colorSpace().scheme()), DataTypeUInt8);
}

std::string requestName(const Json& request) {
    return "level " + std::to_string(request["level"].integer()) + ", " + request["expected"].text;
}

// Where two sample sequences of the same window first differ, for the failure text.
std::string firstDifference(const std::vector<std::int32_t>& decoded,
                            const std::vector<std::int32_t>& expected, const Scene& window,
                            std::size_t samplesPerPixel) {
    const auto i = static_cast<std::size_t>(
        std::mismatch(decoded.begin(), decoded.end(), expected.begin()).first - decoded.begin());
    if (i == decoded.size()) return "no sample differs";
    const std::size_t pixel = i / samplesPerPixel, width = std::size_t(window.width());
    return "first difference at x " + std::to_string(window.x0 + pixel % width) + ", y " +
           std::to_string(window.y0 + pixel / width) + ", sample " +
           std::to_string(i % samplesPerPixel) + ": decoded " + std::to_string(decoded[i]) +
           ", expected " + std::to_string(expected[i]);
}

class ReferenceVectors : public testing::Test {
  protected:
    static void SetUpTestSuite() { registerAll(); }
};

// Opens each vector file of a generation, checks its description against the reader,
// decodes every request's window in the file's own layout and hands the decoded and
// expected samples to `compare`.
using RequestCheck =
    std::function<void(const Json& request, const std::vector<std::int32_t>& decoded,
                       const std::vector<std::int32_t>& expected, const std::string& where)>;

void decodeEveryRequest(const char* generation, std::size_t fileCount, const char* sampleKey,
                        const RequestCheck& compare) {
    const std::vector<VectorFile> files = vectorFiles(generation);
    ASSERT_EQ(files.size(), fileCount);
    for (const VectorFile& file : files) {
        SCOPED_TRACE(file.description["file"].text);
        TvxFileImageReader reader(dataPath(file, file.description["file"].text), 0);
        ASSERT_EQ(reader.isTG3(), std::string(generation) == "tg3");
        ASSERT_EQ(reader.width(), file.description["width"].integer());
        ASSERT_EQ(reader.height(), file.description["height"].integer());
        ASSERT_EQ(reader.levelCount(), file.description["levels"].integer());
        const PixelLayout layout = layoutFor(reader);
        ASSERT_EQ(layout.samplesPerPixel(),
                  static_cast<std::uint32_t>(file.description[sampleKey].integer()));
        for (const Json& request : file.description["requests"].items) {
            SCOPED_TRACE(requestName(request));
            const Scene window = windowOf(request);
            TovexNavigator navigator(reader, request["level"].integer(), window);
            const std::vector<std::int32_t> decoded = tovex_test::decodeWith(navigator, layout);
            const std::vector<std::int32_t> expected = expectedSamples(file, request);
            ASSERT_EQ(decoded.size(), expected.size());
            compare(request, decoded, expected,
                    firstDifference(decoded, expected, window, layout.samplesPerPixel()));
        }
    }
}

TEST_F(ReferenceVectors, TG3WindowsDecodeBitExact) {
    decodeEveryRequest("tg3", 5, "components",
                       [](const Json&, const std::vector<std::int32_t>& decoded,
                          const std::vector<std::int32_t>& expected,
                          const std::string& where) { EXPECT_TRUE(decoded == expected) << where; });
}

TEST_F(ReferenceVectors, TG2WindowsMatchWithinToleranceAndExactShare) {
    decodeEveryRequest("tg2", 4, "bands",
                       [](const Json& request, const std::vector<std::int32_t>& decoded,
                          const std::vector<std::int32_t>& expected, const std::string& where) {
                           std::int32_t largest = 0;
                           std::size_t exact = 0;
                           for (std::size_t i = 0; i < decoded.size(); ++i) {
                               largest = std::max(largest, std::abs(decoded[i] - expected[i]));
                               exact += decoded[i] == expected[i];
                           }
                           EXPECT_LE(largest, request["tolerance"].integer()) << where;
                           EXPECT_GE(
                               static_cast<double>(exact) / static_cast<double>(decoded.size()),
                               request["exact_fraction_min"].number)
                               << exact << " of " << decoded.size() << " exact";
                       });
}

TEST_F(ReferenceVectors, LevelsBeyondTheCoarsestAreRefusedWithTheirStatus) {
    std::size_t refusals = 0;
    for (const char* folder : {"tg3", "tg2"}) {
        for (const VectorFile& file : vectorFiles(folder)) {
            SCOPED_TRACE(file.description["file"].text);
            TvxFileImageReader reader(dataPath(file, file.description["file"].text), 0);
            for (const Json& request : file.description["error_requests"].items) {
                const std::int32_t level = request["level"].integer();
                SCOPED_TRACE("level " + std::to_string(level));
                const std::string expected = tovex_test::thrownText(
                    [&] { throwStatus(request["expected_status"].integer()); });
                const Scene whole = tovex_test::levelBox(reader, level);
                EXPECT_EQ(
                    tovex_test::thrownText([&] { tovex_test::decodeScene(reader, level, whole); }),
                    expected);
                ++refusals;
            }
        }
    }
    EXPECT_EQ(refusals, 5u);
}

}  // namespace
