#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/decode_support.h"
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
using Bytes = std::vector<std::uint8_t>;

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
// The samples of a decoded scene: 8-bit, in the image's own scheme (grey or RGB),
// interleaved; a strip height below 1 is one strip.
std::vector<std::int32_t> decodeScene(ImageStage& stage, std::int32_t level, const Scene& scene,
                                      std::int32_t stripHeight = 128) {
    registerAll();
    TovexNavigator navigator(stage, level, scene);
    const std::uint32_t scheme = stage.bandCount() == 1 ? SchemeGrayscale : SchemeRGB;
    return tovex_test::decodeWith(navigator, PixelLayout(0, ColorSpace(scheme), DataTypeUInt8),
                                  stripHeight);
}

std::vector<std::int32_t> decodeLevel(ImageStage& stage, std::int32_t level,
                                      std::int32_t stripHeight = 0) {
    return decodeScene(stage, level, tovex_test::levelBox(stage, level), stripHeight);
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

TG2EncodeOptions asYiq(TG2EncodeOptions o) {
    o.colorScheme = SchemeYIQ;
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
    RasterImage flat;
    flat.width = 96;
    flat.height = 80;
    flat.components.assign(1, std::vector<std::int32_t>(96 * 80, 137));
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
        {"45 x 33 yiq", cropImage(astronaut, 300, 17, 45, 33),
         asYiq(options(3, 0.5f, false, 13, 4)), 1},
        {"2 x 3 rgb", cropImage(astronaut, 0, 0, 2, 3), options(1, 0.5f, true)},
        {"flat", flat, options(4, 0.25f), 1},
    };
}

// Windows spread over a level, in eighths of its sides (first column, first row, last
// column, last row): the corners, a column, a row, the middle and odd places.
const std::array<int, 4> kWindows[] = {{0, 0, 0, 0}, {8, 8, 8, 8}, {7, 6, 8, 8}, {3, 3, 5, 4},
                                       {3, 0, 3, 8}, {0, 3, 8, 3}, {1, 2, 6, 7}};

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
        EXPECT_EQ(stage.properties().dither(), c.options.dither);

        const auto [largest, psnr] =
            tovex_test::difference(decodeLevel(stage, 0, 128),
                                   tovex_test::interleave(c.image.components, c.image.width,
                                                          tovex_test::levelBox(stage, 0)),
                                   255);
        EXPECT_LE(largest, c.largestError);
        EXPECT_GE(psnr, c.psnr);

        const int bands = stage.bandCount() == 1 ? 1 : 3;
        const std::int32_t finest = c.image.width < 200 ? -1 : 0;
        for (std::int32_t level = finest; level <= stage.levelCount(); ++level) {
            const std::vector<std::int32_t> whole = decodeLevel(stage, level);
            const std::int32_t width = levelExtent(stage.width(), level);
            const std::int32_t height = levelExtent(stage.height(), level);
            // The level steps and weights undo the gain of the low-pass filters, so a
            // flat image keeps its value however far it is reduced or magnified.
            for (const std::int32_t sample : c.name == "flat" ? whole : std::vector<std::int32_t>{})
                ASSERT_NEAR(sample, 137, 1) << "level " << level;
            // Each level halves the sides, rounding up; level -1 doubles them.
            EXPECT_EQ(width,
                      level < 0 ? 2 * stage.width() : (stage.width() + (1 << level) - 1) >> level);
            for (const std::int32_t rows : {1, 7})
                EXPECT_EQ(decodeLevel(stage, level, rows), whole)
                    << "level " << level << " strips of " << rows;
            for (const auto& [x0, y0, x1, y1] : kWindows) {
                const auto at = [](std::int32_t size, int eighths) {
                    return std::clamp(size * eighths / 8, 0, size - 1);
                };
                const Scene window(at(width, x0), at(height, y0), 0, at(width, x1), at(height, y1),
                                   0);
                EXPECT_EQ(decodeScene(stage, level, window, 16),
                          tovex_test::cut(whole, width, bands, window))
                    << "level " << level << " window " << window.x0 << "," << window.y0;
            }
            // Three columns and two rows outside the level on the left and top.
            const Scene quarter(0, 0, 0, width / 2, height / 2, 0);
            const std::vector<std::int32_t> past =
                decodeScene(stage, level, Scene(-3, -2, 0, width / 2, height / 2, 0), 8);
            EXPECT_EQ(tovex_test::cut(past, width / 2 + 4, bands,
                                      Scene(3, 2, 0, width / 2 + 3, height / 2 + 2, 0)),
                      tovex_test::cut(whole, width, bands, quarter))
                << "level " << level << " past the image";
        }
    }
}

// A target size is met from below and nearly filled, for grey, RGB and YIQ, and the
// quality it buys grows with it; at each size YIQ bands give the better RGB image.
TEST(TG2TargetSize, FilesFillTheirTargetAndBuyQualityWithSize) {
    const RasterImage camera = loadPng("camera.png", false);
    const RasterImage astronaut = cropImage(loadPng("astronaut.png", true), 0, 0, 256, 192);
    std::map<double, double> rgbPsnr;
    for (const auto& [image, yiq] :
         {std::pair{camera, false}, {astronaut, false}, {astronaut, true}}) {
        double previous = 0.0;
        for (const double bitsPerPixel : {0.25, 1.0, 3.0}) {
            SCOPED_TRACE(std::to_string(image.bandCount()) + " bands, " +
                         std::to_string(bitsPerPixel) + " bpp" + (yiq ? ", YIQ" : ""));
            TG2EncodeOptions o;
            if (yiq) o.colorScheme = SchemeYIQ;
            o.targetBytes =
                static_cast<std::uint64_t>(bitsPerPixel * image.width * image.height / 8);
            EncodedImage file(image, o);
            const auto size = std::filesystem::file_size(file.path);
            EXPECT_LE(size, *o.targetBytes);
            EXPECT_GE(size, 0.97 * double(*o.targetBytes));
            const double psnr =
                tovex_test::difference(decodeLevel(*file.stage, 0, 64),
                                       tovex_test::interleave(image.components, image.width,
                                                              tovex_test::levelBox(*file.stage, 0)),
                                       255)
                    .psnr;
            EXPECT_GT(psnr, previous + 3.0);
            previous = psnr;
            if (image.bandCount() == 3 && !yiq) rgbPsnr[bitsPerPixel] = psnr;
            if (yiq) {
                EXPECT_GT(psnr, rgbPsnr.at(bitsPerPixel) + 1.0);
            }
        }
    }
    TG2EncodeOptions tooSmall;
    tooSmall.targetBytes = 100;
    TG2EncodeOptions oneWeightTooMany, zeroWeight;
    oneWeightTooMany.bandWeights = {1.0, 1.0};
    zeroWeight.bandWeights = {1.0, 0.0, 1.0};
    for (const auto& [image, o] :
         {std::pair{camera, asYiq({})}, {camera, oneWeightTooMany}, {astronaut, zeroWeight}})
        EXPECT_THROW(encodeTG2(image, o), InvalidArgumentException);
    // A refused file is not left behind half written.
    tovex_test::TempDir dir;
    EXPECT_THROW(encodeTG2File(loadPng("camera.png", false), tooSmall, dir.file("small.tvx")),
                 InvalidArgumentException);
    EXPECT_FALSE(std::filesystem::exists(dir.file("small.tvx")));
}

TEST(TG2DamagedFiles, TruncatedAndCorruptedFilesAreRefusedOrDecoded) {
    const std::vector<std::uint8_t> bytes =
        encodeTG2(cameraCrop(200, 200, 61, 47), options(3, 1.0f, true, 16, 8));
    ASSERT_FALSE(refused(bytes));
    // Truncated files: the header, the chunk table and the block records are read at
    // open time, so most are refused.
    int truncated = 0, corrupted = 0;
    for (std::size_t length = 0; length < bytes.size(); length += 1 + length / 3)
        truncated += refused({bytes.begin(), bytes.begin() + std::ptrdiff_t(length)});
    EXPECT_GT(truncated, 10);
    // Corrupted bytes, near the start as often as in the coded data further on.
    std::mt19937 random(91);
    for (int trial = 0; trial < 120; ++trial) {
        std::vector<std::uint8_t> damaged = bytes;
        for (int k = 0; k < 1 + trial % 4; ++k)
            damaged[random() %
                    (trial % 2 ? bytes.size() : std::min<std::size_t>(400, bytes.size()))] =
                std::uint8_t(random());
        corrupted += refused(damaged);
    }
    EXPECT_GT(corrupted, 0);
}

TEST(TG2Decoder, ProgressInterruptsAndWorkFollowTheStrips) {
    EncodedImage file(cameraCrop(0, 0, 64, 300), options(2));
    registerAll();
    auto callbacks = std::make_shared<tovex_test::RecordingCallbacks>();
    TovexNavigator navigator(*file.stage, 0, Scene(0, 0, 0, 63, 299, 0));
    navigator.setCallbacks(callbacks);
    const std::vector<std::uint8_t> pixels = navigate(navigator, 128);
    // Strips of 128, 128 and 44 rows: each reports where it starts, then 0.4 and 0.7
    // of its share, and the end reports 1.
    const double a = 128.0 / 300.0, c = 44.0 / 300.0;
    const std::vector<double> expected = {
        0.0, 0.4 * a, 0.7 * a, a, 1.4 * a, 1.7 * a, 2 * a, 2 * a + 0.4 * c, 2 * a + 0.7 * c, 1.0};
    ASSERT_EQ(callbacks->values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(callbacks->values[i], expected[i], 1e-5) << i;
    // The query comes before and after each sub-block it reads.
    EXPECT_GT(callbacks->queries, 8);

    // An interrupt stops the decode; the same navigator then starts afresh.
    for (const int after : {0, 1, 5, 40}) {
        callbacks->queries = 0;
        callbacks->interruptAfter = after;
        EXPECT_THROW(navigate(navigator, 16), Interrupt) << after;
    }
    callbacks->interruptAfter = 1 << 30;
    EXPECT_EQ(navigate(navigator, 7), pixels);

    // Strips never decode the same coefficients twice.
    std::vector<std::uint64_t> positions;
    for (const std::int32_t rows : {0, 7, 1}) {
        TovexNavigator fresh(*file.stage, 0, navigator.scene());
        navigate(fresh, rows);
        positions.push_back(dynamic_cast<const TG2Decoder&>(*fresh.decoder()).positionsDecoded());
    }
    EXPECT_GT(positions[0], 0u);
    EXPECT_LE(positions[1], positions[0]);
    EXPECT_LE(positions[2], positions[0]);
}

TEST(TG2Decoder, PropertiesComeFromTheMetadataAndEveryMemoryModelDecodesAlike) {
    TG2EncodeOptions withGeo = options(2);
    withGeo.georeference = TG2Georeference{1000.5, 2000.25, 0.5, 0.75};
    EncodedImage rgb(cropImage(loadPng("astronaut.png", true), 200, 100, 40, 30), withGeo);
    const ImageProperties& p = rgb.stage->properties();
    EXPECT_EQ((std::array{p.xUL(), p.yUL(), p.xResolution(), p.yResolution()}),
              (std::array{1000.5, 2000.25, 0.5, 0.75}));
    RasterImage four = cameraCrop(0, 0, 16, 16);
    four.components.assign(4, four.components[0]);
    TG2EncodeOptions rgbk = options(1);
    rgbk.colorScheme = SchemeRGBK;
    EXPECT_EQ(EncodedImage(four, rgbk).stage->properties().layout().colorSpace().scheme(),
              static_cast<std::uint32_t>(SchemeRGBK));
    // Without georeferencing the upper-left Y is the last row.
    EncodedImage grey(cameraCrop(0, 0, 30, 30), options(2));
    EXPECT_EQ(grey.stage->properties().yUL(), 29.0);
    for (std::int32_t model = 0; model < 8; ++model) {
        TG2ImageStage stage(*grey.stream, model);
        EXPECT_TRUE(grey.stream->isOpen()) << model;
        EXPECT_EQ(decodeLevel(stage, 0), decodeLevel(*grey.stage, 0)) << model;
    }
}

TEST(TG2Decoder, RefusalsCarryTheirCatalogMessages) {
    tovex_test::TempDir dir;
    tovex_test::writeFile(dir.file("other.tvx"), "xovt" + std::string(60, '\0'));
    EncodedImage file(cameraCrop(0, 0, 40, 40), options(2));
    const auto decodeAt = [&](std::int32_t level) {
        PixelBuffer buffer(kGrey);
        TovexNavigator(*file.stage, level, Scene(0, 0, 0, 4, 4, 0)).decode(buffer);
    };
    const auto withoutCallbacks = [&] {
        const std::unique_ptr<ImageDecoder> decoder = file.stage->createDecoder();
        decoder->setCallbacks(nullptr);
        decoder->begin();
    };
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { TG2ImageStage(*file.stream, 8); }, "[4][2422]Invalid Tovex Memory Model."},
        {[&] { TG2ImageStage(*openFileStream(dir.file("other.tvx")), 0); },
         getMessageText(kNotATovexImage)},
        {[&] { clearTransformerRegistry(), decodeAt(0); }, "[4][2395]No transformer registered."},
        {[&] { decodeAt(3); }, getMessageText(kScaleBeyondLevels)},
        {withoutCallbacks, getMessageText(kNullPointer)},
    };
    for (const auto& [action, message] : cases) {
        registerAll();
        const std::string text = thrownText(action);
        EXPECT_NE(text.find(message), std::string::npos) << message << ": " << text;
    }
    registerAll();
}

// A source that follows how the encoder reads it: from the top, each row once, in
// strips far shorter than the image; `damaged` drops a band from every strip.
class CountingSource : public RasterSource {
  public:
    explicit CountingSource(const RasterImage& image) : inner_(image) {}
    RasterShape shape() const override { return inner_.shape(); }
    void readRows(std::uint32_t first, std::uint32_t count, RasterImage& strip) override {
        EXPECT_EQ(first, rowsRead);
        EXPECT_LE(count, 32u);
        rowsRead = first + count;
        inner_.readRows(first, count, strip);
        if (damaged) strip.components.pop_back();
    }
    std::uint32_t rowsRead = 0;
    bool damaged = false;

  private:
    RasterImageSource inner_;
};

// Coding a row of blocks waits for every band, and a target size is searched in
// scratch files; the source is still read once, and no scratch file stays behind.
TEST(TG2StripEncoder, SourcesAreReadOnceFromTheTopAndScratchFilesGo) {
    const RasterImage astronaut = loadPng("astronaut.png", true);
    TG2EncodeOptions target = options(4, 1.0f, true, 24, 16);
    target.blockWidth = 40;
    target.targetBytes = 16000;
    const std::pair<RasterImage, TG2EncodeOptions> cases[] = {
        {cropImage(astronaut, 3, 5, 301, 199), options(5, 1.0f, true, 24, 16)},
        {cropImage(astronaut, 3, 5, 301, 199), target},
        {cameraCrop(9, 0, 1, 200), options(3)},
        {cameraCrop(0, 9, 200, 1), TG2EncodeOptions{}},
    };
    tovex_test::TempDir scratch;
#if !defined(_WIN32)
    const char* systemTemporary = std::getenv("TMPDIR");
    const std::string saved = systemTemporary ? systemTemporary : "";
    setenv("TMPDIR", scratch.path().string().c_str(), 1);
#endif
    for (const auto& [image, o] : cases) {
        SCOPED_TRACE(std::to_string(image.width) + " x " + std::to_string(image.height));
        CountingSource source(image);
        std::ostringstream out;
        encodeTG2(source, o, out);
        EXPECT_EQ(source.rowsRead, image.height);
        {
            EncodedImage file(image, o);
            EXPECT_EQ(std::filesystem::file_size(file.path), out.str().size());
            const auto quality =
                tovex_test::difference(decodeLevel(*file.stage, 0, 64),
                                       tovex_test::interleave(image.components, image.width,
                                                              tovex_test::levelBox(*file.stage, 0)),
                                       255);
            EXPECT_GT(quality.psnr, 25.0);
        }
        EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
    }
    const RasterImage small = cameraCrop(0, 0, 20, 20);
    CountingSource damaged(small);
    damaged.damaged = true;
    std::ostringstream out;
    EXPECT_NE(
        thrownText([&] { encodeTG2(damaged, TG2EncodeOptions{}, out); }).find("does not match"),
        std::string::npos);
#if !defined(_WIN32)
    setenv("TMPDIR", scratch.file("none").c_str(), 1);
    EXPECT_EQ(thrownText([&] { encodeTG2(cameraCrop(0, 0, 20, 20), TG2EncodeOptions{}); }),
              getMessageText(kTempFileCreation));
    if (saved.empty())
        unsetenv("TMPDIR");
    else
        setenv("TMPDIR", saved.c_str(), 1);
#endif
}
