#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/thrown_text.h"
#include "support/cv_exception.h"
#include "transform/cv_pixelConverter.h"
#include "transform/cv_sampleRange.h"
#include "transform/cv_transformerKinds.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
using tovex_test::thrownText;
using Bytes = std::vector<std::uint8_t>;
using Prepare = std::function<void(PixelConverter&)>;

namespace {

PixelDescription described(std::int32_t scheme, std::int32_t bands, std::uint32_t type = 0) {
    return PixelDescription::interleaved(scheme, bands, type);
}

const PixelDescription kRgb = described(SchemeRGB, 3), kGray = described(SchemeGrayscale, 1),
                       kCmyk = described(SchemeCMYK, 4), kRgbk = described(SchemeRGBK, 4),
                       kYiq = described(SchemeYIQ, 3), kYiqk = described(SchemeYIQK, 4);
const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

template <class Sample>
PixelRaster rasterOver(std::vector<Sample>& samples, const PixelDescription& d, std::int32_t width) {
    return {samples.data(), width, 1, std::size_t(width) * d.samplesPerPixel * sizeof(Sample), d};
}

template <class Sample>
Bytes convertAs(const PixelDescription& destination, const PixelDescription& source,
                const std::vector<double>& values, const Prepare& prepare) {
    std::vector<Sample> samples(values.begin(), values.end());
    const auto width = static_cast<std::int32_t>(samples.size() / source.samplesPerPixel);
    Bytes out(std::size_t(width) * destination.samplesPerPixel, 0xEE);
    std::unique_ptr<PixelConverter> converter = findConverter(destination, source);
    if (!converter) return {};
    converter->setSourceBuffer(rasterOver(samples, source, width));
    converter->setDestinationBuffer(rasterOver(out, destination, width));
    if (prepare) prepare(*converter);
    converter->convert();
    return out;
}

// Converts a row of pixels given as plain numbers, in the source's sample type,
// through the registered converter for the pair; `prepare` may set windows or tables.
Bytes convertRow(const PixelDescription& destination, const PixelDescription& source,
                 const std::vector<double>& values, const Prepare& prepare = nullptr) {
    if (source.dataType == SampleUInt16)
        return convertAs<std::uint16_t>(destination, source, values, prepare);
    if (source.dataType == SampleFloat32)
        return convertAs<float>(destination, source, values, prepare);
    return convertAs<std::uint8_t>(destination, source, values, prepare);
}

Prepare sourceWindow(float width, float centre) {
    return [=](PixelConverter& c) {
        c.setSourceWindowWidth(width);
        c.setSourceWindowCentre(centre);
    };
}

PixelLookupTable table(const PixelDescription& description, std::vector<std::uint8_t> values) {
    return {description, static_cast<std::int32_t>(values.size()), std::move(values)};
}

PixelLookupTable inverting() {
    std::vector<std::uint8_t> values;
    for (int v = 255; v >= 0; --v) values.push_back(static_cast<std::uint8_t>(v));
    return table(kGray, values);
}

// A transformer that reports when it is destroyed.
class ProbeTransformer : public Transformer {
  public:
    ProbeTransformer(std::int32_t source, bool* destroyed) : source_(source), destroyed_(destroyed) {}
    ~ProbeTransformer() override { *destroyed_ = true; }
    std::int32_t destinationScheme() const override { return SchemeGrayscale; }
    std::int32_t sourceScheme() const override { return source_; }
    std::unique_ptr<PixelConverter> makeConverter(const PixelDescription&,
                                                  const PixelDescription&) override {
        return nullptr;
    }

  private:
    std::int32_t source_;
    bool* destroyed_;
};

class PixelTransformers : public testing::Test {
  protected:
    void SetUp() override { registerAll(); }
};

}  // namespace

TEST_F(PixelTransformers, ConversionsGiveTheValuesOfTheirFormulas) {
    PixelDescription rangedFloat = described(SchemeRGB, 3, 10), bgr = kRgb, padded = kRgb;
    rangedFloat.hasValueRange = true;
    rangedFloat.maxValue = 1000.0f;
    bgr.bandMap = {2, 1, 0};
    padded.samplesPerPixel = 4;
    const PixelDescription rgb16 = described(SchemeRGB, 3, 1), rgbF = described(SchemeRGB, 3, 10);
    struct Case {
        const char* name;
        PixelDescription destination, source;
        std::vector<double> in;
        Bytes out;
        Prepare prepare = nullptr;
    };
    const std::vector<Case> cases = {
        // 0.1 B + 0.6 G + 0.3 R, truncated; 16-bit sums are 125.2 on 8 bits; float
        // sums are clamped, or scaled by a value range.
        {"rgb to grey", kGray, kRgb, {255, 255, 255, 100, 100, 100, 201, 102, 53, 0, 0, 0},
         {255, 100, 126, 0}},
        {"rgb16 to grey", kGray, rgb16, {65535, 65535, 65535, 255, 255, 255, 51400, 25600, 12800},
         {255, 0, 125}},
        {"float rgb to grey", kGray, rgbF, {201.5, 102.5, 53.5, 300, 300, 300, -5, -5, -5},
         {127, 255, 0}},
        {"ranged float to grey", kGray, rangedFloat, {1000, 1000, 1000, 500, 500, 500}, {255, 127}},
        {"grey to rgb", kRgb, kGray, {77, 0}, {77, 77, 77, 0, 0, 0}},
        {"grey16 to rgb", kRgb, described(SchemeGrayscale, 1, 1), {0x8000}, {128, 128, 128}},
        {"float grey to rgb", kRgb, described(SchemeGrayscale, 1, 10), {99.9}, {99, 99, 99}},
        // R = 255 - (C + K) / 2 and so on; K' = min(C, M, Y).
        {"cmyk to rgbk", kRgbk, kCmyk, {100, 50, 20, 10, 101, 0, 0, 0},
         {200, 225, 240, 20, 204, 255, 255, 0}},
        {"rgb to cmyk", kCmyk, kRgb, {0, 0, 0, 255, 128, 0, 200, 150, 100},
         {0, 0, 0, 255, 0, 127, 255, 0, 0, 50, 100, 55}},
        // Raw 16-bit values are clamped, not scaled: 255 - 65535 is below 0.
        {"rgb16 to cmyk", kCmyk, rgb16, {65535, 0, 0}, {0, 255, 255, 0}},
        // R = 100 + 9.4522 + 12.6543, G = 100 - 2.8935 - 12.0370, B = 100 - 10.9954 +
        // 34.2593; a negative G of -28.9 enters the range map by its low 8 bits: 228.
        {"yiq to rgb", kRgb, kYiq, {100, 10, 20, 0, 100, 0}, {122, 85, 123, 0, 228, 0}},
        {"float yiq to rgb", kRgb, described(SchemeYIQ, 3, 10), {100, 10, 20}, {122, 85, 123}},
        // (100, 50, 200) gives Y 80.000004, I -17.999996, Q 58.4999993.
        {"rgb to yiq", kYiq, kRgb, {100, 100, 100, 100, 50, 200}, {100, 0, 0, 80, 239, 58}},
        {"rgb16 to yiq", kYiq, rgb16, {25600, 25600, 25600}, {100, 0, 0}},
        // Y = 218.55; I = -20.7 (low bits 236); Q = -0.765 truncates to 0; K' = 20.
        {"cmyk to yiqk", kYiqk, kCmyk, {103, 50, 20, 10}, {218, 236, 0, 20}},
        // Grey Y 155 with K 100: c = m = y = 100, k = 100; then c = 132.894, m = 169.931,
        // y = 131.736, k = 263.472 - 50 = 213, each ink 2c - k.
        {"yiqk to cmyk", kCmyk, kYiqk, {155, 0, 0, 100, 100, 10, 20, 50},
         {100, 100, 100, 100, 52, 126, 50, 213}},
        // Paper white is the white node; full black has L* 0, linear 0.002624, and
        // 255 * 0.002624^(1/2.2) = 17.1.
        {"cmyk to rgb", kRgb, kCmyk, {0, 0, 0, 0, 0, 0, 0, 255}, {255, 255, 255, 17, 17, 17}},
        {"cmyk16 to rgb", kRgb, described(SchemeCMYK, 4, 1), {0, 0, 0, 0, 0, 0, 0, 65535},
         {255, 255, 255, 17, 17, 17}},
        {"yiqk to rgb", kRgb, kYiqk, {255, 0, 0, 0}, {255, 255, 255}},
        {"copy", kRgb, kRgb, {10, 20, 30}, {10, 20, 30}},
        {"band map", kRgb, bgr, {30, 20, 10}, {10, 20, 30}},
        {"copy 16-bit", kRgb, rgb16, {0x1234, 0xFFFF, 0}, {0x12, 0xFF, 0}},
        {"copy float", kRgb, rgbF, {12.7, 255.5, -1}, {12, 255, 0}},
        {"yiq luminance", kGray, kYiq, {90, 5, 6}, {90}},
        {"unnamed fourth sample", padded, kRgb, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 0xEE, 4, 5, 6, 0xEE}},
        // NaN counts as the bottom of the source range, infinities clamp to its ends.
        {"nan and infinities", kRgb, rgbF, {kNan, kInf, -kInf}, {0, 255, 0}},
        {"nan yiqk", kCmyk, described(SchemeYIQK, 4, 10), {kNan, kNan, kNan, kNan}, {0, 0, 0, 0}},
        // Windows: 101 wide at 128 maps 78..178 onto the range.
        {"source window", kGray, kGray, {60, 78, 128, 178, 250}, {0, 0, 126, 253, 253},
         sourceWindow(101.0f, 128.0f)},
        {"no window", kGray, kGray, {60, 250}, {60, 250}, sourceWindow(0.0f, 0.0f)},
        {"12-bit dynamic range", kGray, described(SchemeGrayscale, 1, 1), {4095, 2048, 9000},
         {255, 128, 255}, sourceWindow(4096.0f, 2048.0f)},
        // A centre that is no number leaves the width's own window 103..152, and 151
        // maps to truncate(48 * 256 / 50) = 245.
        {"nan centre", kGray, kGray, {102, 151}, {0, 245}, sourceWindow(50.0f, kNan)},
        {"destination window", kGray, kGray, {0, 255}, {50, 150},
         [](PixelConverter& c) {
             c.setDestinationWindowWidth(101.0f);
             c.setDestinationWindowCentre(100.0f);
         }},
        {"source lookup table", kGray, kGray, {0, 10, 255}, {255, 245, 0},
         [](PixelConverter& c) { c.setSourceLookupTable(inverting()); }},
        // The buffer gets the index of the nearest level.
        {"destination lookup table", kGray, kGray, {0, 40, 90, 200, 255}, {0, 0, 1, 2, 3},
         [](PixelConverter& c) { c.setDestinationLookupTable(table(kGray, {0, 85, 170, 255})); }},
    };
    for (const Case& c : cases)
        EXPECT_EQ(convertRow(c.destination, c.source, c.in, c.prepare), c.out) << c.name;

    // Infinities of opposite sign meet in the YIQ sums; the sanitiser build checks that
    // no NaN reaches an integer conversion.
    EXPECT_EQ(convertRow(kCmyk, described(SchemeYIQK, 4, 10), {kInf, kInf, -kInf, kInf}).size(), 4u);
}

TEST_F(PixelTransformers, WrongBuffersAndTablesAreRefused) {
    const std::string colourSpace = "[4][2428]Invalid Colorspace.";
    const std::string mismatch = "[4][2430]Buffer properties mismatch.";
    const std::string badTable = "[4][2334]Invalid argument passed to function: [4][2431]Raster "
                                 "type incompatible with lookup table..";
    std::vector<std::uint8_t> in(12, 0), out(12, 0);
    std::vector<std::uint16_t> words(6, 0);
    PixelDescription strayBand = kRgb;
    strayBand.bandMap = {0, 1, 3};
    PixelRaster shortRows = rasterOver(out, kGray, 4);
    shortRows.rowStride = 3;
    PixelLookupTable shortTable = inverting();
    shortTable.values.resize(10);
    struct Case {
        const char* name;
        PixelRaster source, destination;
        std::string message;
    };
    // The converter was made for RGB to Grayscale on 8-bit samples.
    const std::vector<Case> cases = {
        {"cmyk source", rasterOver(in, kCmyk, 3), rasterOver(out, kGray, 3), colourSpace},
        {"rgb destination", rasterOver(in, kRgb, 4), rasterOver(out, kRgb, 4), colourSpace},
        {"16-bit source", rasterOver(words, described(SchemeRGB, 3, 1), 2),
         rasterOver(out, kGray, 2), mismatch},
        {"rows too short", rasterOver(in, kRgb, 4), shortRows, mismatch},
        {"band outside the pixel", rasterOver(in, strayBand, 4), rasterOver(out, kGray, 4),
         mismatch},
        {"smaller destination", rasterOver(in, kRgb, 4), rasterOver(out, kGray, 3), mismatch},
    };
    auto converter = findConverter(kGray, kRgb);
    EXPECT_THROW(converter->convert(), NullPointerException);
    for (const Case& c : cases) {
        converter->setSourceBuffer(c.source);
        converter->setDestinationBuffer(c.destination);
        EXPECT_EQ(thrownText([&] { converter->convert(); }), c.message) << c.name;
    }
    // The default cannot make three bands out of one.
    auto fallback = findConverter(kRgb, kRgb);
    fallback->setSourceBuffer(rasterOver(in, kGray, 3));
    fallback->setDestinationBuffer(rasterOver(out, kRgb, 3));
    EXPECT_EQ(thrownText([&] { fallback->convert(); }), colourSpace);

    // A table must serve integer samples of its own colour scheme.
    for (const auto& [source, lookup] :
         {std::pair{described(SchemeGrayscale, 1, 10), inverting()},
          std::pair{kGray, table(kRgb, inverting().values)}, std::pair{kGray, shortTable}})
        EXPECT_EQ(thrownText([&] {
                      convertRow(kGray, source, {1},
                                 [&](PixelConverter& c) { c.setSourceLookupTable(lookup); });
                  }),
                  badTable);
}

TEST(SampleRange, NarrowDestinationsAndInvertedRanges) {
    SampleRange<std::uint8_t> narrow;
    narrow.setUp(8, 4);
    EXPECT_EQ(narrow.map(255), 15);
    SampleRange<float> inverted;
    EXPECT_EQ(thrownText([&] { inverted.setUpFloat(2.0f, 1.0f, 8); }),
              "[4][2334]Invalid argument passed to function: [4][2390]Attempt to set range with "
              "min > max..");
}

TEST(TransformerRegistry, RegisterAllServesItsPairsAndTheDefaultTheRest) {
    clearTransformerRegistry();
    EXPECT_EQ(findConverter(kRgb, kRgb), nullptr);
    registerAll();
    for (const char* key : {"2.to.0", "2.to.4", "0.to.2", "0.to.3", "10.to.0", "0.to.10",
                            "2.to.11", "11.to.2", "11.to.0", "3.to.0"}) {
        const std::shared_ptr<Transformer> t = registeredTransformer(key);
        ASSERT_NE(t, nullptr) << key;
        EXPECT_EQ(transformerKey(t->sourceScheme(), t->destinationScheme()), key);
    }
    EXPECT_EQ(registeredTransformer("0.to.0"), nullptr);
    EXPECT_NE(findConverter(kGray, kRgb), nullptr);
    EXPECT_NE(findConverter(kGray, kYiq), nullptr);  // the default keeps the luminance
    EXPECT_EQ(findConverter(kGray, kCmyk), nullptr);
    // Converters read 8-bit, 16-bit and float samples and write 8-bit ones only.
    EXPECT_NE(findConverter(kGray, described(SchemeRGB, 3, 10)), nullptr);
    EXPECT_EQ(findConverter(kGray, described(SchemeRGB, 3, 2)), nullptr);
    EXPECT_EQ(findConverter(described(SchemeRGB, 3, 10), kRgb), nullptr);
    EXPECT_EQ(thrownText([] { requireConverter(kGray, kCmyk); }),
              "[4][2211]Cannot find transformer for CMYK to Grayscale.");
    EXPECT_EQ(thrownText([] { requireConverter(described(SchemeRGB, 3, 1), kRgb); }),
              "[4][2211]Cannot find transformer for RGB to RGB.");
}

TEST(TransformerRegistry, ReplacedTransformersLiveOnlyAsLongAsSomeoneHoldsThem) {
    clearTransformerRegistry();
    bool first = false, second = false, fallback = false;
    registerTransformer(std::make_unique<ProbeTransformer>(SchemeRGB, &first));
    std::shared_ptr<Transformer> held = registeredTransformer("0.to.3");
    registerTransformer(std::make_unique<ProbeTransformer>(SchemeRGB, &second));
    // A reader that is still making a converter from the old one keeps it usable.
    EXPECT_FALSE(first);
    EXPECT_NE(registeredTransformer("0.to.3"), held);
    held.reset();
    EXPECT_TRUE(first);
    registerAll();  // replaces what is there, so nothing accumulates
    EXPECT_TRUE(second);

    clearTransformerRegistry();
    setDefaultTransformer(std::make_unique<ProbeTransformer>(-1, &fallback));
    setDefaultTransformer(nullptr);
    EXPECT_TRUE(fallback);
    EXPECT_EQ(findConverter(kRgb, kRgb), nullptr);
    setDefaultTransformer(std::make_unique<KindTransformer<DefaultKind>>());
    EXPECT_NE(findConverter(kRgb, kRgb), nullptr);
    EXPECT_EQ(findConverter(kGray, kRgb), nullptr);  // a colour change needs its own
    registerAll();
}
