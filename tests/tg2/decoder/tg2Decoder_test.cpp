#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/test_images.h"
#include "common/thrown_text.h"
#include "encode/tg2/tg2_fileEncoder.h"
#include "image/cv_pixelBuffer.h"
#include "image/cv_tovexNavigator.h"
#include "metadata/cv_metadataDatabase.h"
#include "stream/cv_fileSpecification.h"
#include "stream/cv_largeFileStream.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "tg2/decoder/tg2_decoder.h"
#include "tg2/decoder/tg2_imageStage.h"
#include "transform/cv_transformerRegistry.h"

using namespace Corvane;
using tovex_test::thrownText;

namespace {

// A TG2 file written by our encoder, with its stream and stage open.
struct EncodedImage {
    EncodedImage(const RasterImage& image, const TG2EncodeOptions& options)
        : path(dir.file("image.tvx")) {
        encodeTG2File(image, options, path);
        stream = openFileStream(FileSpecification(path));
        stage = std::make_unique<TG2ImageStage>(*stream, 0);
    }
    tovex_test::TempDir dir;
    std::string path;
    std::unique_ptr<CVStream> stream;
    std::unique_ptr<TG2ImageStage> stage;
};
// 8-bit pixels of a decoded scene, interleaved, row by row.
struct Pixels {
    std::int32_t width = 0, height = 0;
    std::uint32_t samplesPerPixel = 0;
    std::vector<std::uint8_t> samples;

    std::uint8_t at(std::int32_t x, std::int32_t y, std::uint32_t sample = 0) const {
        return samples[(static_cast<std::size_t>(y) * width + x) * samplesPerPixel + sample];
    }
};

// Decodes `scene` at `level` through a navigator into 8-bit samples in the image's
// own colour scheme (grey or RGB), in strips; a strip height below 1 is one strip.
Pixels decodeScene(ImageStage& stage, std::int32_t level, const Scene& scene,
                   std::int32_t stripHeight = 128) {
    registerAll();
    PixelBuffer buffer(PixelLayout(
        0, ColorSpace(stage.bandCount() == 1 ? SchemeGrayscale : SchemeRGB), DataTypeUInt8));
    buffer.setStripHeight(stripHeight);
    TovexNavigator(stage, level, scene).decode(buffer);
    return {static_cast<std::int32_t>(scene.width()),
            static_cast<std::int32_t>(scene.height()),
            buffer.layout().samplesPerPixel(),
            {buffer.memory(), buffer.memory() + buffer.totalSize()}};
}

Pixels decodeLevel(ImageStage& stage, std::int32_t level, std::int32_t stripHeight = 0) {
    const Scene all(0, 0, 0, levelExtent(stage.width(), level) - 1,
                    levelExtent(stage.height(), level) - 1, 0);
    return decodeScene(stage, level, all, stripHeight);
}

// The rectangle at (x, y) of size w x h of a decoded image.
Pixels cut(const Pixels& pixels, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
    Pixels part{w, h, pixels.samplesPerPixel, {}};
    for (std::int32_t r = y; r < y + h; ++r)
        for (std::int32_t c = x; c < x + w; ++c)
            for (std::uint32_t s = 0; s < pixels.samplesPerPixel; ++s)
                part.samples.push_back(pixels.at(c, r, s));
    return part;
}

// The largest difference of decoded 8-bit samples from the source, and the PSNR in dB.
std::pair<int, double> compare(const Pixels& decoded, const RasterImage& source) {
    EXPECT_EQ(static_cast<std::uint32_t>(decoded.width), source.width);
    EXPECT_EQ(static_cast<std::uint32_t>(decoded.height), source.height);
    EXPECT_EQ(decoded.samplesPerPixel, source.bandCount());
    if (decoded.samples.size() != std::size_t{source.width} * source.height * source.bandCount())
        return {255, 0.0};
    int largest = 0;
    double squares = 0.0;
    for (std::uint32_t y = 0; y < source.height; ++y)
        for (std::uint32_t x = 0; x < source.width; ++x)
            for (std::uint32_t b = 0; b < source.bandCount(); ++b) {
                const int difference = decoded.at(std::int32_t(x), std::int32_t(y), b) -
                                       source.components[b][std::size_t{y} * source.width + x];
                largest = std::max(largest, std::abs(difference));
                squares += double(difference) * difference;
            }
    const double count = double(decoded.samples.size());
    return {largest, squares == 0.0 ? INFINITY : 10.0 * std::log10(65025.0 * count / squares)};
}

TG2EncodeOptions options(std::uint32_t levels, float step = 0.5f, bool dither = false,
                         std::uint32_t block = 64, std::uint32_t subBlock = 32) {
    TG2EncodeOptions o;
    o.levels = levels;
    o.step = step;
    o.dither = dither;
    o.blockWidth = o.blockHeight = block;
    o.subBlockWidth = subBlock;
    o.subBlockHeight = subBlock + 1;
    return o;
}

struct Case {
    std::string name;
    RasterImage image;
    TG2EncodeOptions options;
    int largestError = 255;  // at full resolution
    double psnr = 0.0;
};

std::vector<Case> cases() {
    const RasterImage camera = loadPng("camera.png", false);
    const RasterImage astronaut = loadPng("astronaut.png", true);
    EXPECT_EQ(camera.width, 512u);
    EXPECT_EQ(astronaut.width, 512u);
    // A step of 0.5 restores every sample within one grey value without dither.
    return {
        {"camera", camera, options(5), 1, 50.0},
        {"astronaut", astronaut, options(5), 1, 50.0},
        {"camera dithered", camera, options(5, 0.5f, true), 255, 50.0},
        {"astronaut coarse dithered", astronaut, options(5, 2.0f, true), 255, 35.0},
        {"1 x 1", cropImage(camera, 3, 5, 1, 1), options(0), 1},
        {"1 x 37", cropImage(camera, 100, 100, 1, 37), options(2, 0.5f, false, 8, 3), 1},
        {"37 x 1", cropImage(camera, 100, 100, 37, 1), options(3, 0.5f, false, 8, 5), 1},
        {"97 x 61", cropImage(camera, 11, 200, 97, 61), options(4, 0.5f, false, 16, 7), 1},
        {"33 x 23, one level", cropImage(camera, 200, 300, 33, 23), options(1), 1},
        {"45 x 33 rgb", cropImage(astronaut, 300, 17, 45, 33), options(3, 0.5f, false, 13, 4), 1},
        {"2 x 3 rgb", cropImage(astronaut, 0, 0, 2, 3), options(1, 0.5f, true)},
    };
}

// Windows spread over a level of w x h pixels: the corners, the edges, the middle,
// single pixels and rows, and odd sizes at odd places.
std::vector<Scene> sampleWindows(std::int32_t w, std::int32_t h) {
    std::vector<Scene> windows;
    const auto add = [&](std::int32_t x, std::int32_t y, std::int32_t ww, std::int32_t hh) {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        ww = std::min(ww, w - x);
        hh = std::min(hh, h - y);
        windows.emplace_back(x, y, 0, x + ww - 1, y + hh - 1, 0);
    };
    add(0, 0, 1, 1);
    add(w - 1, h - 1, 1, 1);
    add(w - 9, h - 7, 9, 7);
    add(w / 2 - 3, h / 2 - 5, 13, 11);
    add(w / 3, 0, 5, h);
    add(0, h / 3, w, 3);
    add(w / 4 + 1, h / 4 + 3, w / 2, h / 2);
    return windows;
}

class RecordingCallbacks : public CV_ProcessCallbacks {
  public:
    void progress(float fraction) override { values.push_back(fraction); }
    bool isInterrupted() override { return ++queries > interruptAfter; }
    std::vector<float> values;
    int queries = 0;
    int interruptAfter = 1 << 30;
};

RasterImage cameraCrop(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    return cropImage(loadPng("camera.png", false), x, y, w, h);
}

const PixelLayout kGrey(0, ColorSpace(SchemeGrayscale), DataTypeUInt8);

// Decodes the whole level-0 scene through one navigator with the callbacks given.
std::vector<std::uint8_t> navigate(TovexNavigator& navigator, std::int32_t stripHeight) {
    PixelBuffer buffer(kGrey);
    buffer.setStripHeight(stripHeight);
    navigator.decode(buffer);
    return {buffer.memory(), buffer.memory() + buffer.totalSize()};
}

std::uint32_t bigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

// Opens the bytes as a TG2 image and decodes two levels of it. A damaged file must
// either decode or be refused with a library exception; anything else escapes and
// fails the test. Answers whether it was refused.
bool refused(const std::vector<std::uint8_t>& bytes) {
    tovex_test::TempDir dir;
    const std::string path = dir.file("damaged.tvx");
    tovex_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
    try {
        const std::unique_ptr<CVStream> stream = openFileStream(FileSpecification(path));
        TG2ImageStage stage(*stream, 0);
        if (stage.width() > 4096 || stage.height() > 4096) return true;
        decodeLevel(stage, 0, 9);
        decodeLevel(stage, std::min(stage.levelCount(), 2), 0);
        return false;
    } catch (const Exception&) {
        return true;
    }
}

}  // namespace

// Every variant is decoded at full resolution and compared with its source; then at
// every level (and magnified for small images) strips of any height and windows
// anywhere, also reaching past the image, give the pixels of the whole level.
TEST(TG2RoundTrip, EveryVariantRestoresTheImageAndAgreesAcrossStripsAndWindows) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        EncodedImage file(c.image, c.options);
        TG2ImageStage& stage = *file.stage;
        EXPECT_EQ(stage.levelCount(), static_cast<std::int32_t>(*c.options.levels));
        EXPECT_EQ(stage.version(), (FormatVersion{1, 0, 0}));
        EXPECT_EQ(stage.properties().dither(), c.options.dither);

        const auto [largest, psnr] = compare(decodeLevel(stage, 0, 128), c.image);
        EXPECT_LE(largest, c.largestError);
        EXPECT_GE(psnr, c.psnr);

        const std::int32_t finest = c.image.width < 200 ? -1 : 0;
        for (std::int32_t level = finest; level <= stage.levelCount(); ++level) {
            const Pixels whole = decodeLevel(stage, level);
            if (level == -1) {
                EXPECT_EQ(whole.width, 2 * stage.width());
                EXPECT_EQ(whole.height, 2 * stage.height());
            }
            for (const std::int32_t rows : {1, 7})
                EXPECT_EQ(decodeLevel(stage, level, rows).samples, whole.samples)
                    << "level " << level << " strips of " << rows;
            for (const Scene& window : sampleWindows(whole.width, whole.height)) {
                const Pixels part = decodeScene(stage, level, window, 16);
                EXPECT_EQ(part.samples,
                          cut(whole, window.x0, window.y0, part.width, part.height).samples)
                    << "level " << level << " window " << window.x0 << "," << window.y0 << " "
                    << part.width << " x " << part.height;
            }
            // Three columns and two rows outside the level on the left and top.
            const Pixels past = decodeScene(
                stage, level, Scene(-3, -2, 0, whole.width / 2, whole.height / 2, 0), 8);
            EXPECT_EQ(cut(past, 3, 2, whole.width / 2 + 1, whole.height / 2 + 1).samples,
                      cut(whole, 0, 0, whole.width / 2 + 1, whole.height / 2 + 1).samples)
                << "level " << level << " past the image";
        }
    }
}

TEST(TG2RoundTrip, FlatImagesStayFlatAtEveryLevel) {
    // The level steps and weights undo the gain of the low-pass filters, so a flat
    // image keeps its value however far it is reduced.
    RasterImage flat;
    flat.width = 96;
    flat.height = 80;
    flat.components.assign(1, std::vector<std::int32_t>(96 * 80, 137));
    EncodedImage file(flat, options(4, 0.25f));
    for (std::int32_t level = -1; level <= 4; ++level)
        for (const std::uint8_t sample : decodeLevel(*file.stage, level).samples)
            ASSERT_NEAR(sample, 137, 1) << "level " << level;
}

TEST(TG2FileEncoder, WritesTheHeaderOfTheImage) {
    const RasterImage image = cropImage(loadPng("astronaut.png", true), 10, 10, 70, 50);
    const std::vector<std::uint8_t> bytes = encodeTG2(image, options(2));
    ASSERT_GT(bytes.size(), 64u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "tovx");
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[5], 0);
    EXPECT_EQ(bigEndian32(bytes, 7), 3u);    // bands
    EXPECT_EQ(bigEndian32(bytes, 11), 2u);   // levels
    EXPECT_EQ(bigEndian32(bytes, 15), 70u);  // width
    EXPECT_EQ(bigEndian32(bytes, 19), 50u);  // height
    // Seven subbands, then FF D0 and the offset of the metadata block (FF D1).
    EXPECT_EQ(bytes[12 * 2 + 27], 0xFF);
    EXPECT_EQ(bytes[12 * 2 + 28], 0xD0);
    const std::uint32_t metadata = bigEndian32(bytes, 12 * 2 + 29);
    ASSERT_LT(metadata + 1, bytes.size());
    EXPECT_EQ(bytes[metadata], 0xFF);
    EXPECT_EQ(bytes[metadata + 1], 0xD1);

    tovex_test::TempDir dir;
    encodeTG2File(image, options(2), dir.file("a.tvx"));
    std::ifstream in(dir.file("a.tvx"), std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), bytes);
    EXPECT_THROW(encodeTG2File(image, options(2), dir.file("missing/dir/x.tvx")), IOException);
}

TEST(TG2FileEncoder, RefusesImagesAndOptionsItCannotEncode) {
    const RasterImage grey = cropImage(loadPng("camera.png", false), 0, 0, 16, 16);
    std::vector<RasterImage> images(4, grey);
    images[0].bitsPerSample = 16;
    images[1].components.push_back(grey.components[0]);  // two bands
    images[2].width = 0;
    images[3].components[0].pop_back();
    for (const RasterImage& image : images)
        EXPECT_THROW(encodeTG2(image, TG2EncodeOptions{}), InvalidArgumentException);
    std::vector<TG2EncodeOptions> refused(7);
    const float steps[] = {0.0f, -1.0f, NAN, INFINITY, 1e-9f};
    for (int i = 0; i < 5; ++i) refused[i].step = steps[i];
    refused[5].blockWidth = 0;
    refused[6].subBlockHeight = 0;
    for (const TG2EncodeOptions& o : refused)
        EXPECT_THROW(encodeTG2(grey, o), InvalidArgumentException) << o.step;
}

TEST(TG2DamagedFiles, TruncatedAndCorruptedFilesAreRefusedOrDecoded) {
    const std::vector<std::uint8_t> bytes =
        encodeTG2(cameraCrop(200, 200, 61, 47), options(3, 1.0f, true, 16, 8));
    ASSERT_FALSE(refused(bytes));
    int truncatedRefused = 0;
    for (std::size_t length = 0; length < bytes.size(); length += 1 + length / 3)
        truncatedRefused += refused({bytes.begin(), bytes.begin() + std::ptrdiff_t(length)});
    // The header, the chunk table and the block records are read at open time.
    EXPECT_GT(truncatedRefused, 10);

    std::mt19937 random(91);
    int corruptedRefused = 0;
    for (int trial = 0; trial < 120; ++trial) {
        std::vector<std::uint8_t> damaged = bytes;
        // Damage the structure near the start as often as the coded data further on.
        const std::size_t reach =
            trial % 2 == 0 ? std::min<std::size_t>(400, bytes.size()) : bytes.size();
        for (int k = 0; k < 1 + trial % 4; ++k)
            damaged[random() % reach] = static_cast<std::uint8_t>(random());
        corruptedRefused += refused(damaged);
    }
    EXPECT_GT(corruptedRefused, 0);
}

TEST(TG2Decoder, ProgressGoesThroughEveryStripInThreeSteps) {
    EncodedImage file(cameraCrop(0, 0, 64, 300), options(2));
    registerAll();
    auto callbacks = std::make_shared<RecordingCallbacks>();
    TovexNavigator navigator(*file.stage, 0, Scene(0, 0, 0, 63, 299, 0));
    navigator.setCallbacks(callbacks);
    navigate(navigator, 128);
    // Strips of 128, 128 and 44 rows: each reports where it starts, then 0.4 and 0.7
    // of its share, and the end reports 1.
    const double a = 128.0 / 300.0, c = 44.0 / 300.0;
    const std::vector<double> expected = {
        0.0, 0.4 * a, 0.7 * a, a, 1.4 * a, 1.7 * a, 2 * a, 2 * a + 0.4 * c, 2 * a + 0.7 * c, 1.0};
    ASSERT_EQ(callbacks->values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(callbacks->values[i], expected[i], 1e-5) << i;
}

TEST(TG2Decoder, AnInterruptStopsTheDecodeAndTheNextDecodeStartsAfresh) {
    EncodedImage file(cameraCrop(40, 40, 90, 70), options(3));
    registerAll();
    auto callbacks = std::make_shared<RecordingCallbacks>();
    TovexNavigator navigator(*file.stage, 0, Scene(0, 0, 0, 89, 69, 0));
    navigator.setCallbacks(callbacks);
    for (const int after : {0, 1, 5, 40}) {
        callbacks->queries = 0;
        callbacks->interruptAfter = after;
        EXPECT_THROW(navigate(navigator, 16), Interrupt) << after;
    }
    callbacks->queries = 0;
    callbacks->interruptAfter = 1 << 30;
    // The same navigator twice: the second decode runs with what the first left.
    EXPECT_EQ(navigate(navigator, 16), decodeLevel(*file.stage, 0).samples);
    EXPECT_EQ(navigate(navigator, 7), decodeLevel(*file.stage, 0).samples);
    // The query comes before and after each sub-block it reads.
    EXPECT_GT(callbacks->queries, 8);
}

TEST(TG2Decoder, StripsNeverDecodeTheSameCoefficientsTwice) {
    EncodedImage file(loadPng("camera.png", false), options(5, 2.0f, true));
    registerAll();
    std::vector<std::uint64_t> positions;
    for (const std::int32_t rows : {0, 7, 1}) {
        TovexNavigator navigator(*file.stage, 0, Scene(0, 0, 0, 511, 511, 0));
        navigate(navigator, rows);
        const auto* decoder = dynamic_cast<const TG2Decoder*>(navigator.decoder());
        ASSERT_NE(decoder, nullptr);
        positions.push_back(decoder->positionsDecoded());
    }
    EXPECT_GT(positions[0], 0u);
    EXPECT_LE(positions[1], positions[0]);
    EXPECT_LE(positions[2], positions[0]);
}

TEST(TG2Decoder, PropertiesComeFromTheMetadataTheEncoderWrote) {
    TG2EncodeOptions withGeo = options(2);
    withGeo.georeference = TG2Georeference{1000.5, 2000.25, 0.5, 0.75};
    EncodedImage rgb(cropImage(loadPng("astronaut.png", true), 200, 100, 40, 30), withGeo);
    const ImageProperties& p = rgb.stage->properties();
    EXPECT_TRUE(rgb.stage->metadata().contains("IMAGE::NO_DITHER"));
    EXPECT_FALSE(rgb.stage->metadata().contains("IMAGE::COLOR_SCHEME"));  // 3 bands say RGB
    EXPECT_TRUE(p.hasGeoInformation());
    EXPECT_EQ(p.xUL(), 1000.5);
    EXPECT_EQ(p.yUL(), 2000.25);
    EXPECT_EQ(p.xResolution(), 0.5);
    EXPECT_EQ(p.yResolution(), 0.75);
    EXPECT_EQ(p.layout().colorSpace().scheme(), static_cast<std::uint32_t>(SchemeRGB));

    // Without georeferencing the upper-left Y is the last row.
    EncodedImage grey(cameraCrop(0, 0, 20, 20), options(1, 1.0f, true));
    EXPECT_FALSE(grey.stage->properties().hasGeoInformation());
    EXPECT_EQ(grey.stage->properties().yUL(), 19.0);

    RasterImage four = cameraCrop(0, 0, 16, 16);
    four.components.assign(4, four.components[0]);
    TG2EncodeOptions rgbk = options(1);
    rgbk.colorScheme = SchemeRGBK;
    EncodedImage other(four, rgbk);
    EXPECT_EQ(other.stage->properties().layout().colorSpace().scheme(),
              static_cast<std::uint32_t>(SchemeRGBK));
}

TEST(TG2Decoder, EveryMemoryModelDecodesTheSamePixels) {
    EncodedImage file(cameraCrop(0, 0, 30, 30), options(2));
    const std::unique_ptr<CVStream> stream = openFileStream(FileSpecification(file.path));
    for (std::int32_t model = 0; model < 8; ++model) {
        TG2ImageStage stage(*stream, model);
        EXPECT_TRUE(stream->isOpen()) << model;
        EXPECT_EQ(decodeLevel(stage, 0).samples, decodeLevel(*file.stage, 0).samples) << model;
    }
}

TEST(TG2Decoder, RefusalsCarryTheirCatalogMessages) {
    tovex_test::TempDir dir;
    const std::string notTovex = dir.file("other.tvx");
    tovex_test::writeFile(notTovex, "xovt" + std::string(60, '\0'));
    EncodedImage file(cameraCrop(0, 0, 40, 40), options(2));
    const std::unique_ptr<CVStream> stream = openFileStream(FileSpecification(file.path));
    const auto decodeWith = [&](std::int32_t level, bool transformers) {
        if (!transformers) clearTransformerRegistry();
        TovexNavigator navigator(*file.stage, level, Scene(0, 0, 0, 4, 4, 0));
        PixelBuffer buffer(kGrey);
        navigator.decode(buffer);
    };
    struct Case {
        const char* name;
        std::function<void()> action;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"memory model -1", [&] { TG2ImageStage(*stream, -1); },
         "[4][2422]Invalid Tovex Memory Model."},
        {"memory model 8", [&] { TG2ImageStage(*stream, 8); },
         "[4][2422]Invalid Tovex Memory Model."},
        {"not a Tovex file",
         [&] { TG2ImageStage(*openFileStream(FileSpecification(notTovex)), 0); },
         getMessageText(kNotATovexImage)},
        {"no transformer", [&] { decodeWith(0, false); }, "[4][2395]No transformer registered."},
        {"level beyond the image", [&] { decodeWith(3, true); },
         getMessageText(kScaleBeyondLevels)},
        {"no callbacks",
         [&] {
             const std::unique_ptr<ImageDecoder> decoder = file.stage->createDecoder();
             decoder->setCallbacks(nullptr);
             decoder->begin();
         },
         getMessageText(kNullPointer)},
    };
    for (const Case& c : cases) {
        registerAll();
        const std::string text = thrownText(c.action);
        EXPECT_NE(text.find(c.message), std::string::npos) << c.name << ": " << text;
    }
    registerAll();
}
