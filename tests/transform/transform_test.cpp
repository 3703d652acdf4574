#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/thrown_text.h"
#include "encode/tg2/colour/tg2_rgbToYiq.h"
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
const float kNan = std::numeric_limits<float>::quiet_NaN(), kInf = INFINITY;

template <class Sample>
PixelRaster rasterOver(std::vector<Sample>& samples, const PixelDescription& d,
                       std::int32_t width) {
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
    std::vector<std::uint8_t> values(256);
    for (int v = 0; v < 256; ++v) values[std::size_t(v)] = static_cast<std::uint8_t>(255 - v);
    return table(kGray, values);
}

// A transformer from RGB to Grayscale that reports when it is destroyed.
struct ProbeTransformer : Transformer {
    explicit ProbeTransformer(bool* destroyed) : destroyed(destroyed) {}
    ~ProbeTransformer() override { *destroyed = true; }
    std::int32_t destinationScheme() const override { return SchemeGrayscale; }
    std::int32_t sourceScheme() const override { return SchemeRGB; }
    std::unique_ptr<PixelConverter> makeConverter(const PixelDescription&,
                                                  const PixelDescription&) override {
        return nullptr;
    }
    bool* destroyed;
};

}  // namespace

TEST(PixelTransformers, ConversionsGiveTheValuesOfTheirFormulas) {
    registerAll();
    PixelDescription rangedFloat = described(SchemeRGB, 3, 10), bgr = kRgb, padded = kRgb;
    rangedFloat.hasValueRange = true;
    rangedFloat.maxValue = 1000.0f;
    PixelDescription shiftedFloat = rangedFloat;
    shiftedFloat.minValue = -100.0f;
    shiftedFloat.maxValue = 155.0f;
    bgr.bandMap = {2, 1, 0};
    padded.samplesPerPixel = 4;
    const PixelDescription rgb16 = described(SchemeRGB, 3, 1), rgbF = described(SchemeRGB, 3, 10);
    const PixelDescription g16 = described(SchemeGrayscale, 1, 1);
    const Prepare destinationWindow = [](PixelConverter& c) {
        c.setDestinationWindowWidth(101.0f);
        c.setDestinationWindowCentre(100.0f);
    };
    const Prepare invert = [](PixelConverter& c) { c.setSourceLookupTable(inverting()); };
    const Prepare levels = [](PixelConverter& c) {
        c.setDestinationLookupTable(table(kGray, {0, 85, 170, 255}));
    };
    struct Case {
        PixelDescription destination, source;
        std::vector<double> in;
        Bytes out;
        Prepare prepare = nullptr;
    };
    const std::vector<Case> cases = {
        // RGB to grey: 0.1 B + 0.6 G + 0.3 R, truncated; 16-bit sums are 125.2 on 8
        // bits; float sums are clamped, or scaled by a value range.
        {kGray, kRgb, {255, 255, 255, 100, 100, 100, 201, 102, 53, 0, 0, 0}, {255, 100, 126, 0}},
        {kGray, rgb16, {65535, 65535, 65535, 255, 255, 255, 51400, 25600, 12800}, {255, 0, 125}},
        {kGray, rgbF, {201.5, 102.5, 53.5, 300, 300, 300, -5, -5, -5}, {127, 255, 0}},
        {kGray, rangedFloat, {1000, 1000, 1000, 500, 500, 500}, {255, 127}},
        {kRgb, kGray, {77, 0}, {77, 77, 77, 0, 0, 0}},
        {kRgb, g16, {0x8000}, {128, 128, 128}},
        {kRgb, described(SchemeGrayscale, 1, 10), {99.9}, {99, 99, 99}},
        // CMYK to RGBK: R = 255 - (C + K) / 2 and so on; K' = min(C, M, Y).
        {kRgbk, kCmyk, {100, 50, 20, 10, 101, 0, 0, 0}, {200, 225, 240, 20, 204, 255, 255, 0}},
        {kCmyk,
         kRgb,
         {0, 0, 0, 255, 128, 0, 200, 150, 100},
         {0, 0, 0, 255, 0, 127, 255, 0, 0, 50, 100, 55}},
        // Raw 16-bit values are clamped, not scaled: 255 - 65535 is below 0.
        {kCmyk, rgb16, {65535, 0, 0}, {0, 255, 255, 0}},
        // YIQ to RGB: R = Y + 0.94522 I + 0.632715 Q, G = Y - 0.28935 I - 0.60185 Q, B = Y
        // - 1.09954 I + 1.712965 Q; negative values enter by their low 8 bits: -28.9 is 228.
        {kRgb, kYiq, {100, 10, 20, 0, 100, 0}, {122, 85, 123, 94, 228, 147}},
        // (100, 50, 200) gives Y 80.000004, I -17.999996, Q 58.4999993.
        {kYiq, kRgb, {100, 100, 100, 100, 50, 200}, {100, 0, 0, 80, 239, 58}},
        // CMYK to YIQK: Y = 218.55; I = -20.7 (low bits 236); Q = -0.765 gives 0; K' = 20.
        {kYiqk, kCmyk, {103, 50, 20, 10}, {218, 236, 0, 20}},
        // YIQK to CMYK, grey Y 155 with K 100: c = m = y = 100, k = 100; then c = 132.894,
        // m = 169.931, y = 131.736, k = 263.472 - 50 = 213, each ink 2c - k.
        {kCmyk, kYiqk, {155, 0, 0, 100, 100, 10, 20, 50}, {100, 100, 100, 100, 52, 126, 50, 213}},
        // CMYK to RGB through Lab: paper white is the white node; full black has L* 0,
        // linear 0.002624, and 255 * 0.002624^(1/2.2) = 17.1.
        {kRgb, kCmyk, {0, 0, 0, 0, 0, 0, 0, 255}, {255, 255, 255, 17, 17, 17}},
        {kRgb, kYiqk, {255, 0, 0, 0}, {255, 255, 255}},
        // The default copies bands through the band map; YIQ to grey keeps the luminance;
        // a fourth sample that no band names is left alone.
        {kRgb, kRgb, {10, 20, 30}, {10, 20, 30}},
        {kRgb, bgr, {30, 20, 10}, {10, 20, 30}},
        {kRgb, rgb16, {0x1234, 0xFFFF, 0}, {0x12, 0xFF, 0}},
        {kRgb, rgbF, {12.7, 255.5, -1}, {12, 255, 0}},
        {kRgb, rangedFloat, {1000, 500, -0.0, 0.5, 999.9, 4}, {255, 127, 0, 0, 255, 1}},
        {kRgb, shiftedFloat, {-100, -0.0, 27.5, -200, 155, kNan}, {0, 100, 127, 0, 255, 0}},
        {kRgb, rgbF, {0, 255, 100}, {50, 150, 89}, destinationWindow},
        {kGray, kYiq, {90, 5, 6}, {90}},
        {padded, kRgb, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 0xEE, 4, 5, 6, 0xEE}},
        // NaN counts as the bottom of the source range, infinities clamp to its ends.
        {kRgb, rgbF, {kNan, kInf, -kInf}, {0, 255, 0}},
        {kCmyk, described(SchemeYIQK, 4, 10), {kNan, kNan, kNan, kNan}, {0, 0, 0, 0}},
        // Windows: 101 wide at 128 maps 78..178 onto the range; a centre that is no
        // number leaves the width's own window 103..152, where 151 gives 48 * 256 / 50.
        {kGray, kGray, {60, 78, 128, 178, 250}, {0, 0, 126, 253, 253}, sourceWindow(101, 128)},
        {kGray, kGray, {60, 250}, {60, 250}, sourceWindow(0.0f, 0.0f)},
        {kGray, g16, {4095, 2048, 9000}, {255, 128, 255}, sourceWindow(4096, 2048)},
        {kGray, kGray, {102, 151}, {0, 245}, sourceWindow(50.0f, kNan)},
        {kGray, kGray, {0, 255}, {50, 150}, destinationWindow},
        // Lookup tables: an inverting one on the source side; four levels on the
        // destination side, where the buffer gets the index of the nearest level.
        {kGray, kGray, {0, 10, 255}, {255, 245, 0}, invert},
        {kGray, kGray, {0, 40, 90, 200, 255}, {0, 0, 1, 2, 3}, levels},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convertRow(c.destination, c.source, c.in, c.prepare), c.out) << &c - &cases[0];
        // A long row takes the paths that work on several samples at once.
        std::vector<double> in;
        Bytes out;
        for (int copy = 0; copy < 11; ++copy) {
            in.insert(in.end(), c.in.begin(), c.in.end());
            out.insert(out.end(), c.out.begin(), c.out.end());
        }
        EXPECT_EQ(convertRow(c.destination, c.source, in, c.prepare), out) << &c - &cases[0];
    }

    // Infinities of opposite sign meet in the YIQ sums; the sanitiser build checks that
    // no NaN reaches an integer conversion.
    EXPECT_EQ(convertRow(kCmyk, described(SchemeYIQK, 4, 10), {kInf, kInf, -kInf, kInf}).size(),
              4u);
}

// The TG2 encoder's RGB-to-YIQ stage over a grid of the RGB cube: YIQ to RGB (float,
// Y centred by half a grey value as the encoder does) returns every pixel exactly, and
// where RGB to YIQ gives an 8-bit value the stage's value truncates to it (within
// float rounding: both round values such as Q = 24 of (0, 0, 75) either way).
TEST(PixelTransformers, TheEncodersYiqStageInvertsYiqToRgbAndAgreesWithRgbToYiq) {
    registerAll();
    RasterImage rgb;
    rgb.components.resize(3);
    std::vector<double> pixels, centred;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15)
                for (int band = 0; band < 3; ++band) {
                    rgb.components[band].push_back(band == 0 ? r : band == 1 ? g : b);
                    pixels.push_back(rgb.components[band].back());
                }
    rgb.width = static_cast<std::uint32_t>(rgb.components[0].size());
    rgb.height = 1;
    YiqStrip yiq;
    rgbToYiqRows(rgb, yiq);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        centred.push_back(yiq[i % 3][i / 3] + (i % 3 == 0 ? 0.5 : 0.0));
    EXPECT_EQ(convertRow(kRgb, described(SchemeYIQ, 3, 10), centred),
              Bytes(pixels.begin(), pixels.end()));
    const Bytes truncated = convertRow(kYiq, kRgb, pixels);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        if (const double value = yiq[i % 3][i / 3]; value >= 0.0 && value < 256.0) {
            EXPECT_NEAR(value, truncated[i] + 0.5, 0.5 + 1e-4) << i;
        }
}

TEST(PixelTransformers, WrongBuffersAndTablesAreRefused) {
    registerAll();
    const std::string colourSpace = "[4][2428]Invalid Colorspace.";
    const std::string mismatch = "[4][2430]Buffer properties mismatch.";
    const std::string badTable =
        "[4][2334]Invalid argument passed to function: [4][2431]Raster "
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
        PixelRaster source, destination;
        std::string message;
    };
    // The converter was made for RGB to Grayscale on 8-bit samples: a CMYK source, an
    // RGB destination, 16-bit samples, short rows, a band outside its pixel, a
    // destination smaller than the source.
    const std::vector<Case> cases = {
        {rasterOver(in, kCmyk, 3), rasterOver(out, kGray, 3), colourSpace},
        {rasterOver(in, kRgb, 4), rasterOver(out, kRgb, 4), colourSpace},
        {rasterOver(words, described(SchemeRGB, 3, 1), 2), rasterOver(out, kGray, 2), mismatch},
        {rasterOver(in, kRgb, 4), shortRows, mismatch},
        {rasterOver(in, strayBand, 4), rasterOver(out, kGray, 4), mismatch},
        {rasterOver(in, kRgb, 4), rasterOver(out, kGray, 3), mismatch},
    };
    auto converter = findConverter(kGray, kRgb);
    EXPECT_THROW(converter->convert(), NullPointerException);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        converter->setSourceBuffer(cases[i].source);
        converter->setDestinationBuffer(cases[i].destination);
        EXPECT_EQ(thrownText([&] { converter->convert(); }), cases[i].message) << i;
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
    SampleRange<float> inverted;
    EXPECT_EQ(thrownText([&] { inverted.setUpFloat(2.0f, 1.0f, 8); }),
              "[4][2334]Invalid argument passed to function: [4][2390]Attempt to set range with "
              "min > max..");
}

TEST(TransformerRegistry, ServesItsPairsAndTheDefaultAndKeepsReplacedTransformersWhileHeld) {
    clearTransformerRegistry();
    registerAll();
    for (const char* key : {"2.to.0", "2.to.4", "0.to.2", "0.to.3", "10.to.0", "0.to.10", "2.to.11",
                            "11.to.2", "11.to.0", "3.to.0"}) {
        const std::shared_ptr<Transformer> t = registeredTransformer(key);
        ASSERT_NE(t, nullptr) << key;
        EXPECT_EQ(transformerKey(t->sourceScheme(), t->destinationScheme()), key);
    }
    EXPECT_NE(findConverter(kGray, kRgb), nullptr);
    EXPECT_NE(findConverter(kGray, kYiq), nullptr);  // the default keeps the luminance
    EXPECT_EQ(findConverter(kGray, kCmyk), nullptr);
    // Converters read 8-bit, 16-bit and float samples and write 8-bit ones only.
    EXPECT_EQ(findConverter(kGray, described(SchemeRGB, 3, 2)), nullptr);
    EXPECT_EQ(findConverter(described(SchemeRGB, 3, 10), kRgb), nullptr);
    EXPECT_EQ(thrownText([] { requireConverter(kGray, kCmyk); }),
              "[4][2211]Cannot find transformer for CMYK to Grayscale.");
    clearTransformerRegistry();
    bool first = false, second = false;
    registerTransformer(std::make_unique<ProbeTransformer>(&first));
    std::shared_ptr<Transformer> held = registeredTransformer("0.to.3");
    registerTransformer(std::make_unique<ProbeTransformer>(&second));
    // A reader that is still making a converter from the old one keeps it usable.
    EXPECT_FALSE(first);
    EXPECT_NE(registeredTransformer("0.to.3"), held);
    held.reset();
    EXPECT_TRUE(first);
    registerAll();  // replaces what is there, so nothing accumulates
    EXPECT_TRUE(second);

    clearTransformerRegistry();
    EXPECT_EQ(findConverter(kRgb, kRgb), nullptr);
    setDefaultTransformer(std::make_unique<KindTransformer<DefaultKind>>());
    EXPECT_NE(findConverter(kRgb, kRgb), nullptr);
    EXPECT_EQ(findConverter(kGray, kRgb), nullptr);  // a colour change needs its own
}
