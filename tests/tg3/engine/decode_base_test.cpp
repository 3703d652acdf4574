#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "encode/tg3/tg3_forwardTransform53.h"
#include "support/cv_status.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_levelColumns.h"

using namespace Corvane;

namespace {

// Bands held whole in memory, as the forward transform leaves them.
class MemoryBandSource : public BandRowSource {
  public:
    MemoryBandSource(const TG3ImageInfo& info, std::vector<BandPlanes> components)
        : info_(info), components_(std::move(components)) {}

    std::int32_t bandRow(std::uint32_t band, std::uint32_t row, std::uint32_t x0, std::uint32_t x1,
                         std::int32_t** rows) override {
        if (band >= info_.bands.size()) return 0;
        const TG3BandInfo& b = info_.bands[band];
        if (x1 >= b.width || row >= b.height || x0 > x1) return TG3Status::notFound;
        if (failFromRow_ >= 0 && static_cast<std::int64_t>(row) >= failFromRow_)
            return TG3Status::repeatedOrMissing;
        ++requests_;
        for (std::size_t c = 0; c < components_.size(); ++c)
            rows[c] = components_[c][band].data() + std::size_t{row} * b.width + x0;
        return 0;
    }
    void failFromRow(std::int64_t row) { failFromRow_ = row; }
    int requests() const { return requests_; }

  private:
    TG3ImageInfo info_;
    std::vector<BandPlanes> components_;
    std::int64_t failFromRow_ = -1;
    int requests_ = 0;
};

TG3ImageInfo signedImageInfo(std::uint32_t w, std::uint32_t h, int levels, int components) {
    TG3ImageInfo info;
    info.width = w;
    info.height = h;
    info.levels = static_cast<std::uint8_t>(levels);
    info.subblockSize = 64;
    info.components = static_cast<std::uint16_t>(components);
    info.dataType = dataTypeSInt16;
    info.dynamicRangeMin = -32768;
    info.dynamicRangeMax = 32767;
    info.buildBandTable();
    return info;
}

std::vector<std::int32_t> randomSamples(std::size_t count, std::mt19937& rng) {
    std::uniform_int_distribution<std::int32_t> value(-30000, 30000);
    std::vector<std::int32_t> v(count);
    for (auto& x : v) x = value(rng);
    return v;
}

// Decodes region rows with requests of `request` rows and returns the samples
// as signed 16-bit values, component-interleaved.
std::vector<std::int32_t> decodeRegion(DecodeBase& decoder, const Region& r, int request,
                                       int components) {
    std::vector<std::int32_t> out;
    const std::size_t width = static_cast<std::size_t>(r.x1 - r.x0 + 1) * components;
    EXPECT_EQ(decoder.initialise(), 0);
    for (auto y = static_cast<std::int32_t>(r.y0); y <= r.y1; y += request) {
        const auto last = static_cast<std::int32_t>(std::min<std::int64_t>(y + request - 1, r.y1));
        const void* rows = nullptr;
        const std::int32_t status = decoder.readRows(y, last, rows);
        EXPECT_EQ(status, 0) << "rows " << y << ".." << last;
        if (status != 0) return out;
        const auto* samples = static_cast<const std::int16_t*>(rows);
        out.insert(out.end(), samples, samples + width * static_cast<std::size_t>(last - y + 1));
    }
    return out;
}

std::vector<std::int32_t> crop(const std::vector<std::int32_t>& image, std::uint32_t width,
                               const Region& r) {
    std::vector<std::int32_t> out;
    for (auto y = static_cast<std::int32_t>(r.y0); y <= r.y1; ++y)
        for (std::int32_t x = r.x0; x <= r.x1; ++x)
            out.push_back(image[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)]);
    return out;
}

// Level counts up to the one whose coarsest band is a single sample.
int maxLevels(std::uint32_t w, std::uint32_t h) {
    int levels = 0;
    for (std::uint32_t m = std::max(w, h); m > 1; m = (m + 1) / 2) ++levels;
    return levels;
}

}  // namespace

TEST(LevelColumnsTable, SupportAndPadsFollowTheRequestedColumns) {
    struct Case {
        std::int32_t a, b, n;
        LevelColumns expected;
    };
    const Case cases[] = {
        // Columns 5 and 4 both start the level range at 3.
        {5, 9, 20, {5, 9, 20, 3, 11, 0, 0, 0}},
        {4, 9, 20, {4, 9, 20, 3, 11, 0, 0, 0}},
        // Column 0: one column of mirror left of the line.
        {0, 6, 20, {0, 6, 20, -1, 7, 1, 0, 0}},
        // Last column of an odd line: one mirrored column on the right.
        {2, 6, 7, {2, 6, 7, 1, 7, 0, 1, 0}},
        // Last column of an even line: two mirrored columns.
        {0, 7, 8, {0, 7, 8, -1, 9, 1, 2, 0}},
        // A line of three samples.
        {0, 2, 3, {0, 2, 3, -1, 3, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        const auto table = buildLevelColumnTable(c.a, c.b, c.n, 1);
        ASSERT_EQ(table.size(), 2u);
        const LevelColumns& e = table[0];
        EXPECT_EQ((std::vector<std::int32_t>{e.first, e.last, e.length, e.left, e.right, e.leftPad,
                                             e.rightPad}),
                  (std::vector<std::int32_t>{c.expected.first, c.expected.last, c.expected.length,
                                             c.expected.left, c.expected.right, c.expected.leftPad,
                                             c.expected.rightPad}))
            << "columns " << c.a << ".." << c.b << " of " << c.n;
        EXPECT_EQ(table[1].first, 0);
        EXPECT_EQ(table[1].length, 0);
    }
    // The coarser level is asked for the low-pass columns the finer one lifts
    // with: 3..11 holds low-pass columns 4..10, that is 2..5 one level down.
    const auto table = buildLevelColumnTable(5, 9, 20, 3);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[1].first, 2);
    EXPECT_EQ(table[1].last, 5);
    EXPECT_EQ(table[1].length, 10);
    EXPECT_EQ(table[2].length, 5);
}

TEST(DecodeBase, ForwardThenInverseIsIdentityForEverySizeAndLevelCount) {
    std::mt19937 rng(2024);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
    for (std::uint32_t w = 3; w <= 12; ++w)
        for (std::uint32_t h = 3; h <= 12; ++h) sizes.push_back({w, h});
    std::uniform_int_distribution<std::uint32_t> side(3, 70);
    for (std::uint32_t w = 13; w <= 70; ++w) sizes.push_back({w, side(rng)});
    for (std::uint32_t h = 13; h <= 70; ++h) sizes.push_back({side(rng), h});

    for (auto [w, h] : sizes) {
        const auto image = randomSamples(std::size_t{w} * h, rng);
        for (int levels = 0; levels <= maxLevels(w, h); ++levels) {
            const TG3ImageInfo info = signedImageInfo(w, h, levels, 1);
            MemoryBandSource source(info, {forwardTransform53(image, w, h, levels)});
            const Region whole = Region::fromOrigin(0, 0, w, h);
            DecodeBase decoder(info, source, whole, levels, w, h, 1, 4);
            ASSERT_EQ(decoder.status(), 0);
            ASSERT_EQ(decodeRegion(decoder, whole, 4, 1), image)
                << w << "x" << h << " with " << levels << " levels";
        }
    }
}

TEST(DecodeBase, RegionsAndStripHeightsGiveTheSameSamples) {
    std::mt19937 rng(77);
    const std::uint32_t w = 61, h = 47;
    const int components = 3;
    std::vector<std::vector<std::int32_t>> planes;
    std::vector<BandPlanes> bands;
    const int levels = 4;
    for (int c = 0; c < components; ++c) {
        planes.push_back(randomSamples(std::size_t{w} * h, rng));
        bands.push_back(forwardTransform53(planes.back(), w, h, levels));
    }
    const TG3ImageInfo info = signedImageInfo(w, h, levels, components);
    std::uniform_int_distribution<std::int32_t> column(0, w - 1), row(0, h - 1);
    for (int trial = 0; trial < 40; ++trial) {
        std::int32_t xa = column(rng), xb = column(rng), ya = row(rng), yb = row(rng);
        Region region{std::min(xa, xb), std::min(ya, yb), std::max(xa, xb), std::max(ya, yb)};
        if (trial == 0)
            region = {0, 0, static_cast<std::int32_t>(w) - 1, static_cast<std::int32_t>(h) - 1};
        std::vector<std::int32_t> expected;
        const std::vector<std::int32_t> croppedPlanes[] = {
            crop(planes[0], w, region), crop(planes[1], w, region), crop(planes[2], w, region)};
        for (std::size_t i = 0; i < croppedPlanes[0].size(); ++i)
            for (int c = 0; c < components; ++c) expected.push_back(croppedPlanes[c][i]);

        for (const auto& [strip, request] : {std::pair{1, 1}, {2, 5}, {3, 3}, {16, 16}, {7, 20}}) {
            MemoryBandSource source(info, bands);
            DecodeBase decoder(info, source, region, levels, w, h, components, strip);
            ASSERT_EQ(decoder.status(), 0);
            EXPECT_EQ(decodeRegion(decoder, region, request, components), expected)
                << "region " << region.x0 << "," << region.y0 << ".." << region.x1 << ","
                << region.y1 << " strip " << strip << " request " << request;
        }
    }
}

TEST(DecodeBase, ReportsItsStatuses) {
    std::mt19937 rng(5);
    const std::uint32_t w = 20, h = 20;
    const auto image = randomSamples(w * h, rng);
    const TG3ImageInfo info = signedImageInfo(w, h, 2, 1);
    MemoryBandSource source(info, {forwardTransform53(image, w, h, 2)});
    const Region whole{0, 0, 19, 19};

    // Geometry the engine refuses.
    struct Bad {
        Region region;
        std::uint32_t width, height;
        int components;
    };
    const Bad bad[] = {{{0, 0, 1, 1}, 2, 20, 1},    {{0, 0, 1, 1}, 20, 2, 1},
                       {whole, 20, 20, 0},          {{0, 0, 20, 19}, 20, 20, 1},
                       {{5, 0, 4, 19}, 20, 20, 1},  {{0, 0, 19, 20}, 20, 20, 1},
                       {{-1, 0, 19, 19}, 20, 20, 1}};
    for (const Bad& b : bad) {
        // The size rule looks at the image's full size in its information.
        const TG3ImageInfo badInfo = signedImageInfo(b.width, b.height, 2, 1);
        DecodeBase decoder(badInfo, source, b.region, 2, b.width, b.height, b.components);
        EXPECT_EQ(decoder.status(), TG3Status::notFound);
        const void* rows = nullptr;
        EXPECT_EQ(decoder.readRows(0, 0, rows), TG3Status::notFound);
    }

    {
        DecodeBase decoder(info, source, {0, 4, 19, 10}, 2, w, h, 1, 4);
        ASSERT_EQ(decoder.initialise(), 0);
        const void* rows = nullptr;
        EXPECT_EQ(decoder.readRows(4, 7, rows), 0);
        EXPECT_EQ(decoder.readRows(3, 4, rows), TG3Status::notFound);   // before the produced rows
        EXPECT_EQ(decoder.readRows(9, 11, rows), TG3Status::notFound);  // past the region
        EXPECT_EQ(decoder.readRows(8, 10, rows), 0);
    }
    {
        // Missing data further down the bands surface when they are reached.
        MemoryBandSource failing(info, {forwardTransform53(image, w, h, 2)});
        failing.failFromRow(6);
        DecodeBase decoder(info, failing, whole, 2, w, h, 1, 4);
        ASSERT_EQ(decoder.initialise(), 0);
        const void* rows = nullptr;
        EXPECT_EQ(decoder.readRows(0, 3, rows), 0);
        EXPECT_EQ(decoder.readRows(4, 19, rows), TG3Status::repeatedOrMissing);
    }
    {
        TG3ImageInfo floats = info;
        floats.dataType = dataTypeSingle;
        DecodeBase decoder(floats, source, whole, 2, w, h, 1, 4);
        EXPECT_EQ(decoder.initialise(), TG3Status::unsupported);
    }
}

TEST(DecodeBase, ClampsAndStoresTheImageSampleType) {
    // A flat 8-bit image whose coefficients decode past the range: values
    // above 255 store as 255, below 0 as 0.
    const std::uint32_t w = 6, h = 4;
    std::vector<std::int32_t> image(w * h, 300);
    for (std::size_t i = 0; i < image.size(); i += 2) image[i] = -5;
    TG3ImageInfo info = signedImageInfo(w, h, 1, 1);
    info.dataType = dataTypeUInt8;
    info.dynamicRangeMin = 0;
    info.dynamicRangeMax = 255;
    MemoryBandSource source(info, {forwardTransform53(image, w, h, 1)});
    const Region whole{0, 0, 5, 3};
    DecodeBase decoder(info, source, whole, 1, w, h, 1);
    ASSERT_EQ(decoder.initialise(), 0);
    EXPECT_EQ(decoder.bytesPerSample(), 1);
    const void* rows = nullptr;
    ASSERT_EQ(decoder.readRows(0, 3, rows), 0);
    const auto* bytes = static_cast<const std::uint8_t*>(rows);
    for (std::size_t i = 0; i < image.size(); ++i) EXPECT_EQ(bytes[i], i % 2 == 0 ? 0 : 255);
}
