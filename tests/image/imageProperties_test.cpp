// The image properties that metadata keys, the band count and a world file give,
// and the text a stage dumps of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <iomanip>
#include <sstream>

#include "common/temp_dir.h"
#include "common/thrown_text.h"
#include "image/cv_imageProperties.h"
#include "image/cv_worldFile.h"
#include "image_test_support.h"

using namespace Corvane;
using namespace image_test;

namespace {

// Every property in one line, so that a case states all of them at once.
std::string describe(const ImageProperties& p) {
    std::ostringstream out;
    out << std::setprecision(10) << "geo " << p.hasGeoInformation() << " ul " << p.xUL() << ","
        << p.yUL() << " res " << p.xResolution() << "," << p.yResolution() << " rot "
        << p.xRotation() << "," << p.yRotation() << " dither " << p.dither() << " type "
        << p.layout().dataType() << " bits " << p.layout().bitsPerSample() << " "
        << p.layout().colorSpace().schemeName() << "/" << p.layout().samplesPerPixel();
    if (p.dynamicRangeWindow())
        out << " range " << *p.dynamicRangeWindow() << "@" << *p.dynamicRangeLevel();
    const PixelValue bg = p.backgroundPixel();
    out << " bg";
    for (std::uint32_t i = 0; bg.hasSamples() && i < p.layout().samplesPerPixel(); ++i)
        out << " " << bg.sample(i);
    if (bg.window() != 0) out << std::setprecision(6) << " @" << bg.window();
    return out.str();
}

using tovex_test::thrownText;

MetadataElement single(const char* key, MetadataValue value) {
    MetadataElement element(key);
    element.row(0)[0] = value;
    return element;
}
MetadataElement array(const char* key, const std::vector<double>& values) {
    MetadataElement element(std::string(key), static_cast<std::int32_t>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) element.row(0)[i] = MetadataValue(values[i]);
    return element;
}
MetadataElement value(const char* key, double v) {
    return single(key, MetadataValue(v));
}
MetadataElement type(std::int32_t t) {
    return single("IMAGE::DATA_TYPE", MetadataValue(t));
}
const MetadataElement kOrigin = array("IMAGE::XY_ORIGIN", {500000.5, 4200000.25});
const MetadataElement kXRes = value("IMAGE::X_RESOLUTION", 2.5);
const MetadataElement kYRes = value("IMAGE::Y_RESOLUTION", 3.5);
const MetadataElement kWindow = value("IMAGE::DYNAMIC_RANGE_WINDOW", 4096);
const MetadataElement kLevel = value("IMAGE::DYNAMIC_RANGE_LEVEL", 2048);

ImageProperties fromMetadata(const std::vector<MetadataElement>& elements, std::int32_t bands) {
    MetadataDatabase m;
    for (const MetadataElement& e : elements) m.add(e);
    ImageProperties p;
    p.initialiseFromMetadata(m, 4, 20, bands);
    return p;
}

}  // namespace

TEST(ImageProperties, FromMetadataAndBandCount) {
    // What a case expects follows the plain geometry unless it starts with "geo".
    const std::string plain = "geo 0 ul 0,19 res 1,1 rot 0,0 dither 1 ";
    const std::string geo = "geo 1 ul 500000.5,4200000.25 res 2.5,3.5 ";
    const auto window = [](double w) { return value("IMAGE::DYNAMIC_RANGE_WINDOW", w); };
    const auto bits = [](MetadataValue v) { return single("IMAGE::BITS_PER_SAMPLE", v); };
    const MetadataElement xRot = value("IMAGE::X_ROTATION", 0.75);
    const struct {
        std::vector<MetadataElement> metadata;
        std::int32_t bands;
        std::string expected;
    } cases[] = {
        // clang-format off
        {{}, 3, "type 0 bits 8 RGB/3 bg"},
        {{}, 4, "type 0 bits 8 CMYK/4 bg"},
        // Rotations count only in pairs; all three geo keys or none.
        {{kOrigin, kXRes, kYRes, xRot}, 1, geo + "rot 0,0 dither 1 type 0 bits 8 Grayscale/1 bg"},
        {{kOrigin, kXRes, kYRes, xRot, value("IMAGE::Y_ROTATION", -0.25)}, 1,
         geo + "rot 0.75,-0.25 dither 1 type 0 bits 8 Grayscale/1 bg"},
        {{kOrigin, kXRes}, 1, "type 0 bits 8 Grayscale/1 bg"},
        // The presence of the key turns dithering off, whatever its value.
        {{single("IMAGE::NO_DITHER", MetadataValue(std::int32_t{0}))}, 1,
         "geo 0 ul 0,19 res 1,1 rot 0,0 dither 0 type 0 bits 8 Grayscale/1 bg"},
        // Bits given are taken as they stand, except for float samples.
        {{type(0), bits(MetadataValue(0x1000Cu))}, 1, "type 0 bits 12 Grayscale/1 bg"},
        {{type(1), bits(MetadataValue(0x1000Cu))}, 1, "type 10 bits 32 Grayscale/1 bg"},
        // Without bits the window gives them; a window needs its level.
        {{type(2), kWindow, kLevel}, 1, "type 1 bits 12 Grayscale/1 range 4096@2048 bg @4096"},
        {{type(2), window(1000), kLevel}, 1, "type 1 bits 10 Grayscale/1 range 1000@2048 bg @1000"},
        {{type(2), window(4095.9), kLevel}, 1,
         "type 1 bits 12 Grayscale/1 range 4095.9@2048 bg @4095.9"},
        {{type(2), window(1), kLevel}, 1, "type 1 bits 0 Grayscale/1 range 1@2048 bg @1"},
        {{window(0), value("IMAGE::DYNAMIC_RANGE_LEVEL", 0)}, 1,
         "type 0 bits 32 Grayscale/1 range 0@0 bg"},
        {{bits(MetadataValue(std::uint16_t{10})), kWindow, kLevel}, 1,
         "type 0 bits 10 Grayscale/1 range 4096@2048 bg @4096"},
        {{kWindow}, 1, "type 0 bits 8 Grayscale/1 bg"},
        {{single("IMAGE::COLOR_SCHEME", MetadataValue(std::int32_t{3000}))}, 7,
         "type 0 bits 8 Multispectral/7 bg"},
        // The background: the default value, else (8-bit only) the no-data value.
        {{array("IMAGE::NO_DATA_VALUE", {10, 20, 300})}, 3, "type 0 bits 8 RGB/3 bg 10 20 255"},
        {{array("IMAGE::NO_DATA_VALUE", {10, 20, 30}),
          array("IMAGE::DEFAULT_DATA_VALUE", {1, 2, 3, 4})}, 3, "type 0 bits 8 RGB/3 bg 1 2 3"},
        {{type(2), value("IMAGE::NO_DATA_VALUE", 5000)}, 1, "type 1 bits 16 Grayscale/1 bg"},
        {{type(2), value("IMAGE::DEFAULT_DATA_VALUE", 5000)}, 1,
         "type 1 bits 16 Grayscale/1 bg 5000"},
        {{array("IMAGE::DEFAULT_DATA_VALUE", {1, 2})}, 3, "type 0 bits 8 RGB/3 bg"},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(fromMetadata(c.metadata, c.bands)),
                  c.expected.starts_with("geo") ? c.expected : plain + c.expected);
}

TEST(ImageProperties, RefusedMetadata) {
    const std::string unknownSpace =
        "[4][2014]The Color Space is unknown, and not enough information is available to "
        "continue with this image.";
    const MetadataElement northRotation = single("IMAGE::X_ROTATION", MetadataValue("north"));
    const std::tuple<std::vector<MetadataElement>, std::int32_t, std::string> cases[] = {
        {{type(3)}, 1, "[4][2392]Illegal sample type."},
        {{type(-1)}, 1, "[4][2392]Illegal sample type."},
        {{}, 0, unknownSpace},
        {{}, 2, unknownSpace},
        {{}, 5, unknownSpace},
        {{kOrigin, kXRes, kYRes, northRotation, value("IMAGE::Y_ROTATION", 0)},
         1,
         "[4][2408]Bad cast in metadata."}};
    for (const auto& [metadata, bands, message] : cases)
        EXPECT_EQ(thrownText([&] { fromMetadata(metadata, bands); }), message);
}

TEST(ImageProperties, InputLookupTableIsCopiedInTheDataType) {
    MetadataElement lut("IMAGE::INPUT_LUT", 3, 4);  // 3 bands, 4 entries
    for (std::size_t entry = 0; entry < 4; ++entry)
        for (std::size_t band = 0; band < 3; ++band)
            lut.row(entry)[band] = MetadataValue(entry * 100.0 + band + 0.5);
    const LookupTable bytes = fromMetadata({lut}, 3).inputLookupTable();
    EXPECT_EQ(bytes.value(1, 2), 102.0);  // truncated to 8 bits
    EXPECT_EQ(bytes.value(3, 0), 255.0);  // 300.5 clamped
    EXPECT_EQ(bytes.bytes().size(), 12u);
    const LookupTable floats = fromMetadata({type(1), lut}, 3).inputLookupTable();
    EXPECT_EQ(floats.value(3, 1), 301.5);
    EXPECT_EQ(floats.bytes().size(), 48u);
}

TEST(ImageProperties, WorldFiles) {
    // A line of more than 79 characters is read as two: its first 79 characters, then
    // the rest. Only the upper-case extension is looked for.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"sheet.TXW", "2.5\n 0.125 trailing words\n-0.25\n-0.5\n100.75\n200.5\n",
         "geo 1 ul 100.75,200.5 res 2.5,0.5 rot 0.125,-0.25"},
        {"sheet.TXW", "3\n0.5\n0.25\n-4\n", "geo 0 ul 11,22 res 3,4 rot 0.5,0.25"},
        {"sheet.txw", "9\n9\n9\n9\n9\n9\n", "geo 0 ul 11,22 res 1,1 rot 0,0"},
        {"sheet.TXW", "7" + std::string(90, ' ') + "8\n1\n2\n3\n4\n5\n",
         "geo 1 ul 3,4 res 7,2 rot 8,1"},
    };
    for (const auto& [name, text, expected] : cases) {
        tovex_test::TempDir dir;
        tovex_test::writeFile(dir.file(name), text);
        // Where the file system ignores case, as on Windows, any case of it is found.
        if (std::string(name) == "sheet.txw" && std::filesystem::exists(dir.file("sheet.TXW")))
            continue;
        ImageProperties p;
        p.setXUL(11.0);
        p.setYUL(22.0);
        readWorldFile(p, FileSpecification(dir.file("sheet.tvx")));
        EXPECT_EQ(describe(p).substr(0, expected.size()), expected) << text;
    }
    EXPECT_EQ(worldFilePath(FileSpecification("/data/maps/sheet.tvx")).path(),
              "/data/maps/sheet.TXW");
}

TEST(ImageStage, DumpAndInitialisation) {
    TestStage stage(640, 480, 3, 4);
    stage.version_ = {1, 2, 0x80};  // only the low 7 bits of each number are shown
    stage.metadata_.add(single("IMAGE::WIDTH", MetadataValue(std::uint32_t{640})));
    stage.metadata_.add(single("GEO::DATUM", MetadataValue("WGS84")));
    stage.properties().setXUL(1.5);
    stage.properties().setYUL(-2.25);
    stage.properties().setXResolution(0.5);
    std::ostringstream out;
    stage.dump(out);
    EXPECT_EQ(out.str(),
              "  Image width: 640\n  Image height: 480\n  Samples-per-pixel: 3\n"
              "  Number of levels: 4\n  X UL: 1.5\n  Y UL: -2.25\n  X res: 0.5\n  Y res: 1\n"
              "  File version: 1.2.0\nMetadata Keys:\nGEO::DATUM\nIMAGE::WIDTH\n");
    // A stage initialises from its own metadata and size.
    TestStage grey(100, 512, 1, 2);
    grey.metadata_.add(single("IMAGE::DEFAULT_DATA_VALUE", MetadataValue(std::uint8_t{9})));
    grey.initialiseFromMetadata();
    EXPECT_EQ(describe(grey.properties()),
              "geo 0 ul 0,511 res 1,1 rot 0,0 dither 1 type 0 bits 8 Grayscale/1 bg 9");
    EXPECT_EQ(grey.backgroundPixel().sample(0), 9.0);
}
