// Sub-block decoding: the plane coder's contexts and decisions, the plane store and band
// cache over planesets in memory, and sizes a header only claims, which must not turn
// into allocations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/tg3_test_files.h"
#include "common/thrown_text.h"
#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_memoryPlaneset.h"
#include "encode/tg3/tg3_mqEncoder.h"
#include "encode/tg3/tg3_truncationErrors.h"
#include "support/cv_exception.h"
#include "support/cv_messageCodes.h"
#include "support/cv_messages.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/engine/tg3_bandCache.h"
#include "tg3/engine/tg3_bitPlaneContexts.h"
#include "tg3/engine/tg3_bitPlaneDecoder.h"
#include "tg3/engine/tg3_decodeBase.h"
#include "tg3/engine/tg3_filePlaneStoreClient.h"

using namespace Corvane;

namespace {

std::vector<std::int32_t> decodeOne(int band, int w, int h, const PlaneSource& src) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(w) * h, 12345);
    BitPlaneDecoder decoder(band, w, h);
    decoder.decodeBand({&src}, {out.data()}, static_cast<std::size_t>(w), 1);
    return out;
}

// Header information of 8-bit samples with 32 planes.
TG3ImageInfo byteInfo(std::uint32_t w, std::uint32_t h, std::uint8_t levels, std::uint16_t size,
                      std::uint16_t components = 1) {
    TG3ImageInfo info = tovex_test::imageInfo(w, h, levels, size, components, 32);
    info.dataType = dataTypeUInt8;
    info.dynamicRangeMax = 255;
    return info;
}

std::vector<std::int32_t> randomBlock(int w, int h, int maxMagnitude, double density,
                                      unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> mag(1, maxMagnitude);
    std::bernoulli_distribution nonzero(density), negative(0.5);
    std::vector<std::int32_t> v(static_cast<std::size_t>(w) * h, 0);
    for (auto& c : v)
        if (nonzero(rng)) c = negative(rng) ? -mag(rng) : mag(rng);
    return v;
}

}  // namespace

TEST(BitPlaneContexts, TablesSignContextsAndPredictions) {
    using T = SignificanceTable;
    const std::pair<int, T> byBand[] = {{0, T::A}, {1, T::A}, {2, T::B}, {3, T::A},
                                        {4, T::C}, {6, T::B}, {8, T::C}};
    for (auto [band, table] : byBand) EXPECT_EQ(significanceTableForBand(band), table) << band;
    // Neighbour bits: 0x30 the two horizontal ones, 0xC0 the two vertical ones, the low
    // four the diagonals. B swaps horizontal and vertical.
    const std::tuple<T, int, int> significance[] = {
        {T::A, 0x30, 8}, {T::B, 0x30, 4}, {T::B, 0xC0, 8}, {T::A, 0x11, 6}, {T::A, 0x03, 2},
        {T::A, 0x00, 0}, {T::C, 0x07, 8}, {T::C, 0x43, 7}, {T::C, 0x03, 6}, {T::C, 0x31, 5},
        {T::C, 0x81, 4}, {T::C, 0x01, 3}, {T::C, 0x50, 2}, {T::C, 0x20, 1}};
    for (auto [table, bits, context] : significance)
        EXPECT_EQ(significanceContext(table, bits), context) << int(table) << " " << bits;
    // Sign bits: 0 right, 1 left, 2 upper, 3 lower significant; +4 the same, positive.
    // Prediction -1: not checked.
    const std::tuple<unsigned, int, int> sign[] = {{0x00, 9, 0},   {0x55, 13, 0}, {0x05, 13, 1},
                                                   {0x15, 11, -1}, {0x45, 11, 1}, {0x04, 10, 1},
                                                   {0x13, 9, -1},  {0x02, 12, 1}};
    for (auto [bits, context, prediction] : sign) {
        EXPECT_EQ(signContext(bits), context) << bits;
        if (prediction >= 0) {
            EXPECT_EQ(signPrediction(bits), prediction) << bits;
        }
    }
}

TEST(BitPlaneDecoder, ReconstructionOffsetForPlanesFiveToTwelve) {
    // Planes 5..12 of a 2x1 block, raw: plane 12 (weight 2^19) holds the
    // significance bits. Coefficient (0,0) = +0x80000, (1,0) = +0x80000.
    std::vector<std::int32_t> src = {0x80000, 0x80000};
    const EncodedPlanes planes = BitPlaneEncoder(1, 2, 1).encode(src, 12, 5);
    ASSERT_EQ(planes.first, 12);
    // Pad the record down to plane 5 with empty raw planes so the range is 5..12.
    std::vector<MemoryPlaneSource::Plane> all(7, MemoryPlaneSource::Plane{{0x00}, true});
    all.push_back(planes.planes[0]);
    MemoryPlaneSource source(5, all);
    const auto out = decodeOne(1, 2, 1, source);
    EXPECT_EQ(out[0], 0xBFFFF);
    EXPECT_EQ(out[1], 0xC0000);
    const auto neg =
        decodeOne(1, 2, 1, BitPlaneEncoder(1, 2, 1).encode({-0x80000, 0}, 12).source());
    EXPECT_EQ(neg[0], -0xBFFFF);
    EXPECT_EQ(neg[1], 0);
}

TEST(BitPlaneRoundTrip, EveryTableRawPlanesTopPlaneAndNoPlanes) {
    for (int band : {0, 1, 2, 4})
        for (int rawFrom : {32, 1}) {
            const auto src = randomBlock(17, 13, 1 << 12, 0.3, unsigned(band * 40 + rawFrom));
            EXPECT_EQ(decodeOne(band, 17, 13,
                                BitPlaneEncoder(band, 17, 13).encode(src, 31, rawFrom).source()),
                      src)
                << "band " << band << " raw from " << rawFrom;
        }
    // Magnitudes up to the top plane, and a block with no planes at all.
    auto large = randomBlock(9, 7, 0x7FFFFFFF, 0.8, 99);
    large[0] = -0x7FFFFFFF;
    EXPECT_EQ(decodeOne(4, 9, 7, BitPlaneEncoder(4, 9, 7).encode(large).source()), large);
    const std::vector<std::int32_t> zeros(15, 0);
    const auto none = BitPlaneEncoder(3, 3, 5).encode(zeros);
    EXPECT_TRUE(none.planes.empty());
    EXPECT_EQ(decodeOne(3, 3, 5, none.source()), zeros);
}

// The encoder's price of dropping planes is the squared error the decoder really leaves,
// for every number of planes kept.
TEST(BitPlaneRoundTrip, TruncationErrorsAreWhatTheDecoderLeaves) {
    for (const auto& [band, w, h, magnitude, density] :
         {std::tuple{0, 16, 16, 255, 0.9}, {2, 13, 7, 70000, 0.3}, {4, 8, 9, 3, 0.5}}) {
        const std::vector<std::int32_t> block = randomBlock(w, h, magnitude, density, 7);
        const EncodedPlanes planes = BitPlaneEncoder(band, w, h).encode(block);
        const std::vector<double> errors = truncationErrors(block, planes);
        ASSERT_EQ(errors.size(), planes.planes.size() + 1);
        for (std::size_t kept = 0; kept < errors.size(); ++kept) {
            EncodedPlanes truncated{planes.first,
                                    {planes.planes.begin(), planes.planes.begin() + kept}};
            const std::vector<std::int32_t> decoded = decodeOne(band, w, h, truncated.source());
            double squared = 0;
            for (std::size_t i = 0; i < block.size(); ++i)
                squared += std::pow(double(decoded[i]) - block[i], 2);
            EXPECT_EQ(errors[kept], squared) << "band " << band << ", " << kept << " planes kept";
        }
    }
}

TEST(BitPlaneDecoder, MissingPlaneKeepsWhatWasDecoded) {
    const std::vector<std::int32_t> src = {5, -3, 0, 7};
    auto planes = BitPlaneEncoder(1, 2, 2).encode(src);
    ASSERT_EQ(planes.first, 29);
    // A source that claims plane 31 but cannot deliver it.
    class Truncated : public PlaneSource {
      public:
        explicit Truncated(MemoryPlaneSource s) : s_(std::move(s)) {}
        int firstPlane() const override { return 29; }
        int lastPlane() const override { return 31; }
        bool plane(int p, PlaneBytes& out) const override { return p < 31 && s_.plane(p, out); }

      private:
        MemoryPlaneSource s_;
    } truncated(planes.source());
    // Planes 29 and 30 give 4, -2, 0, 6; the recorded last plane is 31: no offset.
    EXPECT_EQ(decodeOne(1, 2, 2, truncated), (std::vector<std::int32_t>{4, -2, 0, 6}));
}

TEST(BitPlaneDecoder, RawPlaneSignificanceLeavesDiagonalContextsAlone) {
    // 3 x 3 block of band 0. Plane 30 is raw: only the centre becomes
    // significant (positive). Plane 31 is arithmetic-coded; its decisions and
    // contexts, worked out from table A by hand, assume that the corners saw
    // no diagonal neighbour:
    //   (0,0) corner, context 0: significant, sign context 9, positive
    //   (1,0) left + lower significant: 7        (2,0) corner: 0
    //   (0,1) upper + right significant: 7       (1,1) first refinement: 15, bit 1
    //   (2,1) left significant: 5                (0,2) corner: 0
    //   (1,2) upper significant: 3               (2,2) corner: 0
    MemoryPlaneSource::Plane raw{{0x08, 0x00}, true};  // bits 0000 1 0 000
    MqEncoder mq;
    const int contexts[] = {0, 9, 7, 0, 7, 15, 5, 0, 3, 0};
    const int decisions[] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    for (int i = 0; i < 10; ++i) mq.encode(contexts[i], decisions[i]);
    MemoryPlaneSource::Plane coded{mq.flush(), false};
    const MemoryPlaneSource source(30, {raw, coded});
    EXPECT_EQ(decodeOne(0, 3, 3, source), (std::vector<std::int32_t>{1, 0, 0, 0, 3, 0, 0, 0, 0}));
}

namespace {

// Every band of every component filled with random coefficients, coded losslessly
// sub-block by sub-block into a planeset in memory.
struct CodedImage {
    TG3ImageInfo info;
    std::vector<std::vector<std::vector<std::int32_t>>> bands;  // [component][band]
    MemoryPlaneset planeset;
    MemoryKernelStream stream;

    explicit CodedImage(const TG3ImageInfo& i) : info(i) {
        unsigned seed = 1;
        bands.resize(info.components);
        for (auto& component : bands)
            for (const TG3BandInfo& b : info.bands)
                component.push_back(randomBlock(int(b.width), int(b.height), 900, 0.9, seed++));
        const std::uint32_t s = info.subblockSize;
        for (std::uint32_t band = 0; band < info.bands.size(); ++band)
            for (std::uint32_t r = 0; r < info.bands[band].rows; ++r)
                for (std::uint32_t c = 0; c < info.bands[band].columns; ++c)
                    for (std::uint16_t comp = 0; comp < info.components; ++comp) {
                        const std::uint32_t w = info.subblockWidth(band, c),
                                            h = info.subblockHeight(band, r);
                        std::vector<std::int32_t> block;
                        for (std::uint32_t y = r * s; y < r * s + h; ++y)
                            for (std::uint32_t x = c * s; x < c * s + w; ++x)
                                block.push_back(bands[comp][band][y * info.bands[band].width + x]);
                        planeset.add(band, info.subblockIndex(band, r, c), comp,
                                     BitPlaneEncoder(int(band), int(w), int(h)).encode(block));
                    }
        stream = MemoryKernelStream(planeset.bytes());
    }
};

}  // namespace

// A 40 x 24 image with one level and sub-blocks of 8: band 0 is 20 x 12 (3 x 2 sub-blocks,
// the last row and column partial).
TEST(FilePlaneStoreClient, RefusesKeysOutsideTheImageAndLengthsOutsideTheData) {
    const TG3ImageInfo info = byteInfo(40, 24, 1, 8, 2);
    MemoryPlaneset planeset(true);
    planeset.add(0, 0, 0, BitPlaneEncoder(0, 8, 8).encode(std::vector<std::int32_t>(64, 3)));
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, true);
    PlaneRecord record;
    const PlaneKey bad[] = {
        {0, 0, 5, 1},   // band 4L + 1
        {6, 0, 0, 1},   // band 0 has 3 x 2 sub-blocks
        {0, 2, 0, 1},   // component 2 of 2
        {0, 0, 0, 32},  // plane 32 of 32
    };
    for (const PlaneKey& key : bad) EXPECT_EQ(store.getPlane(key, record), TG3Status::notFound);
    // A sub-block the planeset does not hold: no data, no error.
    ASSERT_EQ(store.getPlane({3, 0, 0, 30}, record), 0);
    EXPECT_FALSE(record.present());
    // With MSEs the two bytes after each plane are not handed out.
    ASSERT_EQ(store.getPlane({0, 0, 0, 30}, record), 0);
    ASSERT_TRUE(record.present());
    EXPECT_EQ(record.length + 2, planeset.index()[0].length);

    // An index entry that runs past the end of the data is a read failure.
    PlaneIndex index = planeset.index();
    index[0].length = planeset.bytes().size() + 10;
    tg3_filePlaneStoreClient broken(info, index, stream, 0, true);
    EXPECT_EQ(broken.getPlane({0, 0, 0, 30}, record), TG3Status::readFailed);
}

TEST(BandCache, ProbeTakesTheFirstUnbrokenRunOfPlanes) {
    // Magnitudes from 2^28 put the first plane at 3 (or 2); the planeset keeps
    // planes up to 9, leaves out 10 and 11 and has 12 again.
    TG3ImageInfo info = byteInfo(40, 24, 1, 8);
    std::vector<std::int32_t> coefficients = randomBlock(8, 8, (1 << 28) - 1, 1.0, 3);
    coefficients[5] = (1 << 28) + 12345;
    const EncodedPlanes lossless = BitPlaneEncoder(0, 8, 8).encode(coefficients);
    ASSERT_EQ(lossless.first, 3);
    MemoryPlaneset planeset;
    planeset.add(0, 0, 0, {3, {lossless.planes.begin(), lossless.planes.begin() + 7}});  // 3..9
    planeset.add(0, 0, 0, {12, {lossless.planes[9]}});
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, false);
    TG3BandCache cache(info, store);

    std::vector<std::int32_t> block(64, 0);
    ASSERT_EQ(cache.sweep(0, 0, 7, 0, 7, {block.data()}), 0);
    // The same as decoding a block coded down to plane 9: plane 12 is not used.
    std::vector<std::int32_t> expected(64);
    const MemoryPlaneSource lossy = BitPlaneEncoder(0, 8, 8).encode(coefficients, 9).source();
    BitPlaneDecoder(0, 8, 8).decodeBand({&lossy}, {expected.data()}, 8, 1);
    EXPECT_EQ(block, expected);
}

TEST(BandCache, RowsEqualTheCodedCoefficientsWhateverItsBudget) {
    // A budget too small for a whole row of sub-blocks keeps a few rows at a time and
    // decodes the sub-blocks again for the rows after them: one band row (3 x 4 x 20
    // bytes), a few rows, less than one row, and the default.
    CodedImage image(byteInfo(40, 24, 1, 8, 2));
    for (std::uint64_t budget : {std::uint64_t{240}, std::uint64_t{5000}, std::uint64_t{16},
                                 TG3BandCache::kEntryBudgetBytes}) {
        SCOPED_TRACE(budget);
        tg3_filePlaneStoreClient store(image.info, image.planeset.index(), image.stream, 0, false);
        TG3BandCache cache(image.info, store, budget);
        std::int32_t* rows[2] = {nullptr, nullptr};
        for (std::uint32_t band : {0u, 4u})
            for (std::uint32_t row = 0; row < 12; ++row) {
                ASSERT_EQ(cache.bandRow(band, row, 3, 17, rows), 0);
                for (int comp = 0; comp < 2; ++comp)
                    for (std::uint32_t x = 3; x <= 17; ++x)
                        ASSERT_EQ(rows[comp][x - 3], image.bands[comp][band][row * 20 + x])
                            << "band " << band << " row " << row << " column " << x;
            }
        // Line by line, yet each of the twelve sub-blocks read once.
        if (budget == TG3BandCache::kEntryBudgetBytes) {
            EXPECT_EQ(store.subblockReads(), 12u);
        }
        // Outside the band, and bands past 4L + 1.
        EXPECT_EQ(cache.bandRow(4, 12, 0, 5, rows), TG3Status::notFound);
        EXPECT_EQ(cache.bandRow(4, 0, 0, 20, rows), TG3Status::notFound);
        rows[0] = rows[1] = nullptr;
        EXPECT_EQ(cache.bandRow(5, 0, 0, 5, rows), 0);
        EXPECT_EQ(rows[0], nullptr);
    }
}

namespace {

// Decodes the first row of a 16-sample region over one coded sub-block.
std::int32_t decodeFirstRow(const TG3ImageInfo& info, std::int32_t expectedSample) {
    MemoryPlaneset planeset;
    planeset.add(0, 0, 0, BitPlaneEncoder(0, 1, 1).encode({expectedSample}));
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, false);
    TG3BandCache bands(info, store);
    const Region region{0, 0, 15, 0};
    DecodeBase decoder(info, bands, region, 0, info.width, info.height, 1, 16);
    if (decoder.status() != 0) return decoder.status();
    if (const std::int32_t status = decoder.initialise(); status != 0) return status;
    const void* rows = nullptr;
    return decoder.readRows(0, 0, rows);
}

}  // namespace

TEST(AllocationLimit, HugeClaimedSubBlockIsRefusedBeforeDecoding) {
    // The same single plane decodes when the sub-block is of an ordinary size...
    EXPECT_EQ(decodeFirstRow(byteInfo(40000, 40000, 0, 64), 5), 0);
    // ...and is refused when the header claims a sub-block of 40000 x 40000.
    const std::int32_t status = decodeFirstRow(byteInfo(40000, 40000, 0, 40000), 5);
    EXPECT_EQ(status, TG3Status::outOfMemory);
    EXPECT_EQ(tovex_test::thrownText([&] { throwStatus(status); }),
              getMessageText(kMemoryAllocation));
}

TEST(AllocationLimit, RegionTooWideForItsStripIsRefusedBeforeTheEngineTakesItsLines) {
    // 2^22 columns: each line of the engine (16 MiB) fits the cap, the strip's plane
    // of 32 rows (512 MiB) does not, so the decoder is refused as it is made.
    const std::uint32_t width = 1u << 22;
    TG3ImageInfo info = byteInfo(width, width, 0, 128);
    info.levels = 2;
    info.buildBandTable();
    MemoryPlaneset planeset;
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, false);
    TG3BandCache bands(info, store);
    const auto last = static_cast<std::int32_t>(width - 1);
    const DecodeBase wide(info, bands, Region{0, 0, last, 0}, 2, width, width, 1, 32);
    EXPECT_EQ(wide.status(), TG3Status::outOfMemory);
    // A region of a few columns of the same image is made.
    const DecodeBase narrow(info, bands, Region{0, 0, 63, 0}, 2, width, width, 1, 32);
    EXPECT_EQ(narrow.status(), 0);
}
