#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "common/thrown_text.h"
#include "support/cv_exception.h"
#include "transform/cv_cmykToLab.h"
#include "transform_test_support.h"

using namespace Corvane;
using tovex_test::convertRow;
using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint16_t>;
using Floats = std::vector<float>;

namespace {

PixelDescription described(std::int32_t scheme, std::int32_t bands, std::uint32_t type = 0) {
    return PixelDescription::interleaved(scheme, bands, type);
}

const PixelDescription kRgb = described(SchemeRGB, 3);
const PixelDescription kGray = described(SchemeGrayscale, 1);
const PixelDescription kCmyk = described(SchemeCMYK, 4);
const PixelDescription kRgbk = described(SchemeRGBK, 4);
const PixelDescription kYiq = described(SchemeYIQ, 3);
const PixelDescription kYiqk = described(SchemeYIQK, 4);

class PixelTransformers : public testing::Test {
  protected:
    void SetUp() override { registerAll(); }
};

using tovex_test::thrownText;

}  // namespace

TEST_F(PixelTransformers, RgbToGrayscaleWeighsTheThreeBands) {
    // 0.1 B + 0.6 G + 0.3 R, truncated.
    EXPECT_EQ(convertRow(kGray, kRgb, Bytes{255, 255, 255, 100, 100, 100, 201, 102, 53, 0, 0, 0}),
              (Bytes{255, 100, 126, 0}));
    // 16-bit: (51400, 25600, 12800) gives 32060, which is 125.2 on 8 bits.
    EXPECT_EQ(convertRow(kGray, described(SchemeRGB, 3, 1),
                         Words{65535, 65535, 65535, 255, 255, 255, 51400, 25600, 12800}),
              (Bytes{255, 0, 125}));
    // Float: 5.35 + 61.5 + 60.45 = 127.3; out-of-range sums are clamped.
    EXPECT_EQ(convertRow(kGray, described(SchemeRGB, 3, 10),
                         Floats{201.5f, 102.5f, 53.5f, 300, 300, 300, -5, -5, -5}),
              (Bytes{127, 255, 0}));
    PixelDescription ranged = described(SchemeRGB, 3, 10);
    ranged.hasValueRange = true;
    ranged.maxValue = 1000.0f;
    EXPECT_EQ(convertRow(kGray, ranged, Floats{1000, 1000, 1000, 500, 500, 500}),
              (Bytes{255, 127}));
}

TEST_F(PixelTransformers, GrayscaleToRgbCopiesTheGrey) {
    EXPECT_EQ(convertRow(kRgb, kGray, Bytes{77, 0}), (Bytes{77, 77, 77, 0, 0, 0}));
    EXPECT_EQ(convertRow(kRgb, described(SchemeGrayscale, 1, 1), Words{0x8000}),
              (Bytes{128, 128, 128}));
    EXPECT_EQ(convertRow(kRgb, described(SchemeGrayscale, 1, 10), Floats{99.9f}),
              (Bytes{99, 99, 99}));
}

TEST_F(PixelTransformers, CmykToRgbkHalvesInkAndBlack) {
    // R = 255 - (C + K) / 2 and so on; K' = min(C, M, Y).
    EXPECT_EQ(convertRow(kRgbk, kCmyk, Bytes{100, 50, 20, 10, 101, 0, 0, 0}),
              (Bytes{200, 225, 240, 20, 204, 255, 255, 0}));
    EXPECT_EQ(convertRow(kRgbk, described(SchemeCMYK, 4, 10), Floats{100, 50, 20, 10}),
              (Bytes{200, 225, 240, 20}));
}

TEST_F(PixelTransformers, RgbToCmykRemovesTheCommonInk) {
    EXPECT_EQ(convertRow(kCmyk, kRgb, Bytes{0, 0, 0, 255, 128, 0, 200, 150, 100}),
              (Bytes{0, 0, 0, 255, 0, 127, 255, 0, 0, 50, 100, 55}));
    // Raw 16-bit values are clamped, not scaled: 255 - 65535 is below 0.
    EXPECT_EQ(convertRow(kCmyk, described(SchemeRGB, 3, 1), Words{65535, 0, 0}),
              (Bytes{0, 255, 255, 0}));
}

TEST_F(PixelTransformers, YiqAndRgbConvertWithTheirFloatCoefficients) {
    // R = 100 + 9.4522 + 12.6543, G = 100 - 2.8935 - 12.0370, B = 100 - 10.9954 + 34.2593.
    EXPECT_EQ(convertRow(kRgb, kYiq, Bytes{100, 10, 20}), (Bytes{122, 85, 123}));
    // A negative G of -28.9 enters the range map by its low 8 bits: 228.
    EXPECT_EQ(convertRow(kRgb, kYiq, Bytes{0, 100, 0})[1], 228);
    EXPECT_EQ(convertRow(kRgb, described(SchemeYIQ, 3, 10), Floats{100, 10, 20}),
              (Bytes{122, 85, 123}));

    // A grey has no chroma; (100, 50, 200) gives Y 80.000004, I -17.999996, Q 58.4999993.
    EXPECT_EQ(convertRow(kYiq, kRgb, Bytes{100, 100, 100, 100, 50, 200}),
              (Bytes{100, 0, 0, 80, 239, 58}));
    EXPECT_EQ(convertRow(kYiq, described(SchemeRGB, 3, 1), Words{25600, 25600, 25600}),
              (Bytes{100, 0, 0}));
}

TEST_F(PixelTransformers, CmykAndYiqkConvertBothWays) {
    // Y = 255 - 5 - 15.45 - 15 - 1 = 218.55; I = 7 + 3.2 - 30.9 = -20.7 (low bits 236);
    // Q = 13.25 - 10.815 - 3.2 = -0.765 (truncates to 0); K' = 20.
    EXPECT_EQ(convertRow(kYiqk, kCmyk, Bytes{103, 50, 20, 10}), (Bytes{218, 236, 0, 20}));

    // Grey Y 155 with K 100: c = m = y = 100, k = 200 - 100; each ink 2c - k.
    EXPECT_EQ(convertRow(kCmyk, kYiqk, Bytes{155, 0, 0, 100}), (Bytes{100, 100, 100, 100}));
    // c = 132.894, m = 169.931, y = 131.736; k = 263.472 - 50 = 213.
    EXPECT_EQ(convertRow(kCmyk, kYiqk, Bytes{100, 10, 20, 50}), (Bytes{52, 126, 50, 213}));
    EXPECT_EQ(convertRow(kCmyk, described(SchemeYIQK, 4, 10), Floats{100, 10, 20, 50}),
              (Bytes{52, 126, 50, 213}));
}

TEST_F(PixelTransformers, CmykToRgbGoesThroughLab) {
    // Paper white is the fixed white node, (L 255, a 128, b 128) on 8 bits, which the
    // RGB step takes to linear values just above 1.
    EXPECT_EQ(cmykToLab(0, 0, 0, 0), (std::array<std::uint8_t, 3>{255, 128, 128}));
    // Full black has L* 0: fy = 16/116, giving linear values of 0.002624 and
    // 255 * 0.002624^(1/2.2) = 17.1.
    EXPECT_EQ(cmykToLab(0, 0, 0, 255), (std::array<std::uint8_t, 3>{0, 128, 128}));
    EXPECT_EQ(convertRow(kRgb, kCmyk, Bytes{0, 0, 0, 0, 0, 0, 0, 255}),
              (Bytes{255, 255, 255, 17, 17, 17}));
    EXPECT_EQ(convertRow(kRgb, described(SchemeCMYK, 4, 1), Words{0, 0, 0, 0, 0, 0, 0, 65535}),
              (Bytes{255, 255, 255, 17, 17, 17}));
    EXPECT_EQ(convertRow(kRgb, kYiqk, Bytes{255, 0, 0, 0}), (Bytes{255, 255, 255}));

    // Full cyan takes red away and leaves green and blue well above it.
    const Bytes cyan = convertRow(kRgb, kCmyk, Bytes{255, 0, 0, 0});
    EXPECT_LT(cyan[0] + 60, cyan[1]);
    EXPECT_LT(cyan[0] + 60, cyan[2]);
}

TEST(CmykLabTable, HasTheFixedShapeAndDarkensWithBlack) {
    const CmykLabTable& table = cmykLabTable();
    for (int ink = 0; ink < 4; ++ink) {
        EXPECT_EQ(table.inputCurves[0][static_cast<std::size_t>(ink)], 0);
        EXPECT_EQ(table.inputCurves[255][static_cast<std::size_t>(ink)], 65535);
    }
    const LabNode& white = table.node(0, 0, 0, 0);
    EXPECT_EQ(white.l, 65280);
    EXPECT_EQ(white.a, 32768);
    EXPECT_EQ(white.b, 32768);
    for (int k = 1; k < kLabGridSize; ++k)
        EXPECT_LE(table.node(2, 1, 3, k).l, table.node(2, 1, 3, k - 1).l) << k;
}

TEST_F(PixelTransformers, DefaultCopiesBandsThroughTheBandMap) {
    EXPECT_EQ(convertRow(kRgb, kRgb, Bytes{10, 20, 30}), (Bytes{10, 20, 30}));
    PixelDescription bgr = kRgb;
    bgr.bandMap = {2, 1, 0};
    EXPECT_EQ(convertRow(kRgb, bgr, Bytes{30, 20, 10}), (Bytes{10, 20, 30}));
    EXPECT_EQ(convertRow(kRgb, described(SchemeRGB, 3, 1), Words{0x1234, 0xFFFF, 0}),
              (Bytes{0x12, 0xFF, 0}));
    EXPECT_EQ(convertRow(kRgb, described(SchemeRGB, 3, 10), Floats{12.7f, 255.5f, -1}),
              (Bytes{12, 255, 0}));
    // YIQ to Grayscale keeps the luminance.
    EXPECT_EQ(convertRow(kGray, kYiq, Bytes{90, 5, 6}), (Bytes{90}));
    EXPECT_EQ(convertRow(kGray, kYiqk, Bytes{91, 5, 6, 7}), (Bytes{91}));

    // A fourth sample per pixel that no band names is left alone.
    PixelDescription padded = kRgb;
    padded.samplesPerPixel = 4;
    EXPECT_EQ(convertRow(padded, kRgb, Bytes{1, 2, 3, 4, 5, 6}),
              (Bytes{1, 2, 3, 0xEE, 4, 5, 6, 0xEE}));
}

TEST_F(PixelTransformers, WindowsNarrowTheSourceRange) {
    auto window = [](PixelConverter& c) {
        c.setSourceWindowWidth(101.0f);
        c.setSourceWindowCentre(128.0f);
    };
    EXPECT_EQ(convertRow(kGray, kGray, Bytes{60, 78, 128, 178, 250}, window),
              (Bytes{0, 0, 126, 253, 253}));
    auto noWindow = [](PixelConverter& c) {
        c.setSourceWindowWidth(0.0f);
        c.setSourceWindowCentre(0.0f);
    };
    EXPECT_EQ(convertRow(kGray, kGray, Bytes{60, 250}, noWindow), (Bytes{60, 250}));
    auto dynamicRange = [](PixelConverter& c) {
        c.setSourceWindowWidth(4096.0f);
        c.setSourceWindowCentre(2048.0f);
    };
    EXPECT_EQ(
        convertRow(kGray, described(SchemeGrayscale, 1, 1), Words{4095, 2048, 9000}, dynamicRange),
        (Bytes{255, 128, 255}));
    auto destination = [](PixelConverter& c) {
        c.setDestinationWindowWidth(101.0f);
        c.setDestinationWindowCentre(100.0f);
    };
    EXPECT_EQ(convertRow(kGray, kGray, Bytes{0, 255}, destination), (Bytes{50, 150}));
}

TEST_F(PixelTransformers, BindingRefusesWrongBuffers) {
    std::vector<std::uint8_t> in(12, 0), out(12, 0);
    auto converter = findConverter(kGray, kRgb);
    ASSERT_NE(converter, nullptr);
    EXPECT_THROW(converter->convert(), NullPointerException);

    // The converter was made for RGB to Grayscale on 8-bit samples.
    converter->setSourceBuffer(tovex_test::rasterOver(in, kCmyk, 3));
    converter->setDestinationBuffer(tovex_test::rasterOver(out, kGray, 3));
    EXPECT_EQ(thrownText([&] { converter->convert(); }), "[4][2428]Invalid Colorspace.");
    converter->setSourceBuffer(tovex_test::rasterOver(in, kRgb, 4));
    converter->setDestinationBuffer(tovex_test::rasterOver(out, kRgb, 4));
    EXPECT_EQ(thrownText([&] { converter->convert(); }), "[4][2428]Invalid Colorspace.");

    std::vector<std::uint16_t> words(6, 0);
    converter->setSourceBuffer(tovex_test::rasterOver(words, described(SchemeRGB, 3, 1), 2));
    converter->setDestinationBuffer(tovex_test::rasterOver(out, kGray, 2));
    EXPECT_EQ(thrownText([&] { converter->convert(); }), "[4][2430]Buffer properties mismatch.");

    // Rows too short for their pixels, a band outside its pixel, a destination smaller
    // than the source.
    converter->setSourceBuffer(tovex_test::rasterOver(in, kRgb, 4));
    PixelRaster shortRows = tovex_test::rasterOver(out, kGray, 4);
    shortRows.rowStride = 3;
    converter->setDestinationBuffer(shortRows);
    EXPECT_EQ(thrownText([&] { converter->convert(); }), "[4][2430]Buffer properties mismatch.");
    PixelDescription strayBand = kRgb;
    strayBand.bandMap = {0, 1, 3};
    converter->setSourceBuffer(tovex_test::rasterOver(in, strayBand, 4));
    converter->setDestinationBuffer(tovex_test::rasterOver(out, kGray, 4));
    EXPECT_EQ(thrownText([&] { converter->convert(); }), "[4][2430]Buffer properties mismatch.");
    converter->setSourceBuffer(tovex_test::rasterOver(in, kRgb, 4));
    converter->setDestinationBuffer(tovex_test::rasterOver(out, kGray, 3));
    EXPECT_EQ(thrownText([&] { converter->convert(); }), "[4][2430]Buffer properties mismatch.");

    // The default cannot make three bands out of one.
    auto fallback = findConverter(kRgb, kRgb);
    fallback->setSourceBuffer(tovex_test::rasterOver(in, kGray, 3));
    fallback->setDestinationBuffer(tovex_test::rasterOver(out, kGray, 3));
    EXPECT_NO_THROW(fallback->convert());
    fallback->setDestinationBuffer(tovex_test::rasterOver(out, kRgb, 3));
    EXPECT_EQ(thrownText([&] { fallback->convert(); }), "[4][2428]Invalid Colorspace.");
}

TEST_F(PixelTransformers, LookupTablesMapIndicesToValues) {
    // An inverting table on the source side.
    PixelLookupTable invert;
    invert.description = kGray;
    invert.entryCount = 256;
    for (int v = 0; v < 256; ++v) invert.values.push_back(static_cast<std::uint8_t>(255 - v));
    auto withSourceTable = [&](PixelConverter& c) { c.setSourceLookupTable(invert); };
    EXPECT_EQ(convertRow(kGray, kGray, Bytes{0, 10, 255}, withSourceTable), (Bytes{255, 245, 0}));

    // A table of four levels on the destination side: the buffer gets the index of the
    // nearest level.
    PixelLookupTable levels;
    levels.description = kGray;
    levels.entryCount = 4;
    levels.values = {0, 85, 170, 255};
    auto withDestinationTable = [&](PixelConverter& c) { c.setDestinationLookupTable(levels); };
    EXPECT_EQ(convertRow(kGray, kGray, Bytes{0, 40, 90, 200, 255}, withDestinationTable),
              (Bytes{0, 0, 1, 2, 3}));

    // A table must serve integer samples of its own colour scheme.
    const std::string refused =
        "[4][2334]Invalid argument passed to function: [4][2431]Raster type incompatible with "
        "lookup table..";
    EXPECT_EQ(thrownText([&] {
                  convertRow(kGray, described(SchemeGrayscale, 1, 10), Floats{1}, withSourceTable);
              }),
              refused);
    PixelLookupTable rgbTable = invert;
    rgbTable.description = kRgb;
    EXPECT_EQ(thrownText([&] {
                  convertRow(kGray, kGray, Bytes{1},
                             [&](PixelConverter& c) { c.setSourceLookupTable(rgbTable); });
              }),
              refused);
    PixelLookupTable empty = invert;
    empty.values.resize(10);
    EXPECT_EQ(thrownText([&] {
                  convertRow(kGray, kGray, Bytes{1},
                             [&](PixelConverter& c) { c.setSourceLookupTable(empty); });
              }),
              refused);
}

TEST_F(PixelTransformers, FloatSamplesThatAreNoNumbersStayInRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // NaN counts as the bottom of the source range, infinities clamp to its ends.
    EXPECT_EQ(convertRow(kRgb, described(SchemeRGB, 3, 10), Floats{nan, inf, -inf}),
              (Bytes{0, 255, 0}));
    EXPECT_EQ(convertRow(kCmyk, described(SchemeYIQK, 4, 10), Floats{nan, nan, nan, nan}),
              (Bytes{0, 0, 0, 0}));
    // Infinities of opposite sign meet in the YIQ sums; the sanitiser build checks that
    // no NaN reaches an integer conversion.
    EXPECT_EQ(convertRow(kCmyk, described(SchemeYIQK, 4, 10), Floats{inf, inf, -inf, inf}).size(),
              4u);
    auto oddWindow = [nan](PixelConverter& c) {
        c.setSourceWindowWidth(50.0f);
        c.setSourceWindowCentre(nan);
    };
    // A centre that is no number leaves the width's own window: 127.5 +- 24.5 -> 103..152,
    // and 151 maps to truncate(48 * 256 / 50) = 245.
    EXPECT_EQ(convertRow(kGray, kGray, Bytes{102, 151}, oddWindow), (Bytes{0, 245}));
}
