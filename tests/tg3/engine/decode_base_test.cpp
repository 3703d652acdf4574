// The strip engine over bands held in memory, as the forward transform leaves them:
// signed samples of every size and level count; and the 5-3 lifting steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "common/tg3_test_files.h"
#include "encode/tg3/tg3_forwardLifting53.h"
#include "encode/tg3/tg3_forwardTransform53.h"
#include "support/cv_status.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_lifting53.h"

using namespace Corvane;

namespace {

class MemoryBandSource : public BandRowSource {
  public:
    MemoryBandSource(const TG3ImageInfo& info, std::vector<BandPlanes> components)
        : info_(info), components_(std::move(components)) {}

    std::int32_t bandRow(std::uint32_t band, std::uint32_t row, std::uint32_t x0, std::uint32_t x1,
                         std::int32_t** rows) override {
        if (band >= info_.bands.size()) return 0;
        const TG3BandInfo& b = info_.bands[band];
        if (x1 >= b.width || row >= b.height || x0 > x1) return TG3Status::notFound;
        if (failFromRow >= 0 && static_cast<std::int64_t>(row) >= failFromRow)
            return TG3Status::repeatedOrMissing;
        for (std::size_t c = 0; c < components_.size(); ++c)
            rows[c] = components_[c][band].data() + std::size_t{row} * b.width + x0;
        return 0;
    }
    std::int64_t failFromRow = -1;

  private:
    TG3ImageInfo info_;
    std::vector<BandPlanes> components_;
};

TG3ImageInfo signedImageInfo(std::uint32_t w, std::uint32_t h, int levels) {
    TG3ImageInfo info = tovex_test::imageInfo(w, h, static_cast<std::uint8_t>(levels), 64);
    info.dataType = dataTypeSInt16;
    info.dynamicRangeMin = -32768;
    info.dynamicRangeMax = 32767;
    return info;
}

std::vector<std::int32_t> randomSamples(std::size_t count, std::mt19937& rng) {
    std::uniform_int_distribution<std::int32_t> value(-30000, 30000);
    std::vector<std::int32_t> v(count);
    for (auto& x : v) x = value(rng);
    return v;
}

// Decodes region rows with requests of `request` rows; signed 16-bit samples,
// component-interleaved.
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

}  // namespace

TEST(DecodeBase, ForwardThenInverseIsIdentityForEverySizeAndLevelCount) {
    std::mt19937 rng(2024);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
    for (std::uint32_t w = 3; w <= 12; ++w)
        for (std::uint32_t h = 3; h <= 12; ++h) sizes.push_back({w, h});
    std::uniform_int_distribution<std::uint32_t> side(3, 70);
    for (std::uint32_t n = 13; n <= 70; ++n) {
        sizes.push_back({n, side(rng)});
        sizes.push_back({side(rng), n});
    }
    for (auto [w, h] : sizes) {
        const auto image = randomSamples(std::size_t{w} * h, rng);
        int maxLevels = 0;
        for (std::uint32_t m = std::max(w, h); m > 1; m = (m + 1) / 2) ++maxLevels;
        for (int levels = 0; levels <= maxLevels; ++levels) {
            const TG3ImageInfo info = signedImageInfo(w, h, levels);
            MemoryBandSource source(info, {forwardTransform53(image, w, h, levels)});
            const Region whole = Region::fromOrigin(0, 0, w, h);
            DecodeBase decoder(info, source, whole, levels, w, h, 1, 4);
            ASSERT_EQ(decoder.status(), 0);
            ASSERT_EQ(decodeRegion(decoder, whole, 4, 1), image)
                << w << "x" << h << " with " << levels << " levels";
        }
    }
}

TEST(DecodeBase, ReportsItsStatuses) {
    std::mt19937 rng(5);
    const auto image = randomSamples(20 * 20, rng);
    const TG3ImageInfo info = signedImageInfo(20, 20, 2);
    MemoryBandSource source(info, {forwardTransform53(image, 20, 20, 2)});
    const Region whole{0, 0, 19, 19};
    const void* rows = nullptr;

    // Geometry the engine refuses; the size rule looks at the image's full size.
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
        DecodeBase decoder(signedImageInfo(b.width, b.height, 2), source, b.region, 2, b.width,
                           b.height, b.components);
        EXPECT_EQ(decoder.status(), TG3Status::notFound);
        EXPECT_EQ(decoder.readRows(0, 0, rows), TG3Status::notFound);
    }
    DecodeBase partial(info, source, {0, 4, 19, 10}, 2, 20, 20, 1, 4);
    ASSERT_EQ(partial.initialise(), 0);
    EXPECT_EQ(partial.readRows(4, 7, rows), 0);
    EXPECT_EQ(partial.readRows(3, 4, rows), TG3Status::notFound);   // before the produced rows
    EXPECT_EQ(partial.readRows(9, 11, rows), TG3Status::notFound);  // past the region
    EXPECT_EQ(partial.readRows(8, 10, rows), 0);

    // Missing data further down the bands surface when they are reached.
    source.failFromRow = 6;
    DecodeBase failing(info, source, whole, 2, 20, 20, 1, 4);
    ASSERT_EQ(failing.initialise(), 0);
    EXPECT_EQ(failing.readRows(0, 3, rows), 0);
    EXPECT_EQ(failing.readRows(4, 19, rows), TG3Status::repeatedOrMissing);

    TG3ImageInfo floats = info;
    floats.dataType = dataTypeSingle;
    EXPECT_EQ(DecodeBase(floats, source, whole, 2, 20, 20, 1, 4).initialise(),
              TG3Status::unsupported);
}

TEST(Lifting53, RoundingGoesToTheEvenNeighbourOnTies) {
    struct Case {
        std::int32_t s;
        std::int32_t expected;
    };
    // Update: s / 4.
    const Case update[] = {{2, 0},  {6, 2},  {-2, 0},   {-6, -2},  {3, 1}, {0, 0},
                           {10, 2}, {14, 4}, {-10, -2}, {-14, -4}, {5, 1}, {-5, -1}};
    for (const Case& c : update) EXPECT_EQ(liftUpdateRound(c.s), c.expected) << "U(" << c.s << ")";
    // Predict: s / 2.
    const Case predict[] = {{1, 0}, {3, 2}, {-1, 0}, {-3, -2}, {5, 2}, {-5, -2}, {4, 2}, {0, 0}};
    for (const Case& c : predict)
        EXPECT_EQ(liftPredictRound(c.s), c.expected) << "P(" << c.s << ")";
}

TEST(Lifting53, ShortLinesReflectAtBothEnds) {
    struct Case {
        std::vector<std::int32_t> coefficients;
        std::vector<std::int32_t> samples;
    };
    const Case cases[] = {
        {{7}, {7}},
        // x0 - U(2*3) = 8, then x1 + P(2*8) = 11.
        {{10, 3}, {8, 11}},
        // Both low-pass ends see the single high-pass sample twice.
        {{10, 4, 20}, {8, 17, 18}},
        // Even length: the last (high-pass) sample sees its left neighbour twice.
        {{10, 4, 20, -3}, {8, 18, 20, 17}},
    };
    for (const Case& c : cases) {
        std::vector<std::int32_t> line = c.coefficients;
        inverseLift53(line.data(), line.size());
        EXPECT_EQ(line, c.samples) << "width " << line.size();
        forwardLift53(line.data(), line.size());
        EXPECT_EQ(line, c.coefficients) << "width " << line.size();
    }
}
