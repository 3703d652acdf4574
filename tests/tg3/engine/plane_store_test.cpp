#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_memoryPlaneset.h"
#include "support/cv_exception.h"
#include "support/cv_status.h"
#include "tg3/container/tg3_kernelStream.h"
#include "tg3/engine/tg3_bandCache.h"
#include "tg3/engine/tg3_filePlaneStoreClient.h"
#include "tg3/engine/tg3_planeCache.h"

using namespace Corvane;

namespace {

// A 40 x 24 image with one level and sub-blocks of 8: band 0 is 20 x 12
// (3 x 2 sub-blocks, the last row and column partial).
TG3ImageInfo smallInfo(int components = 2, int planes = 32) {
    TG3ImageInfo info;
    info.width = 40;
    info.height = 24;
    info.levels = 1;
    info.subblockSize = 8;
    info.components = static_cast<std::uint16_t>(components);
    info.planes = static_cast<std::uint8_t>(planes);
    info.dataType = dataTypeUInt8;
    info.dynamicRangeMin = 0;
    info.dynamicRangeMax = 255;
    info.buildBandTable();
    return info;
}

std::vector<std::int32_t> randomBlock(std::size_t count, std::int32_t low, std::int32_t high,
                                      std::mt19937& rng) {
    std::uniform_int_distribution<std::int32_t> value(low, high);
    std::bernoulli_distribution negative(0.5);
    std::vector<std::int32_t> v(count);
    for (auto& x : v) x = negative(rng) ? -value(rng) : value(rng);
    return v;
}

// Every band of every component filled with random coefficients, coded
// losslessly sub-block by sub-block into a planeset in memory.
struct CodedImage {
    TG3ImageInfo info;
    std::vector<std::vector<std::vector<std::int32_t>>> bands;  // [component][band]
    MemoryPlaneset planeset;
    MemoryKernelStream stream;

    explicit CodedImage(const TG3ImageInfo& i, bool hasMSEs = false, unsigned seed = 1)
        : info(i), planeset(hasMSEs) {
        std::mt19937 rng(seed);
        bands.resize(info.components);
        for (auto& component : bands)
            for (const TG3BandInfo& b : info.bands)
                component.push_back(randomBlock(std::size_t{b.width} * b.height, 0, 900, rng));
        for (std::uint32_t band = 0; band < info.bands.size(); ++band) {
            const TG3BandInfo& b = info.bands[band];
            for (std::uint32_t r = 0; r < b.rows; ++r)
                for (std::uint32_t c = 0; c < b.columns; ++c)
                    for (std::uint16_t comp = 0; comp < info.components; ++comp)
                        planeset.add(band, info.subblockIndex(band, r, c), comp,
                                     BitPlaneEncoder(static_cast<int>(band),
                                                     static_cast<int>(info.subblockWidth(band, c)),
                                                     static_cast<int>(info.subblockHeight(band, r)))
                                         .encode(block(comp, band, r, c)));
        }
        stream = MemoryKernelStream(planeset.bytes());
    }

    std::vector<std::int32_t> block(std::uint16_t comp, std::uint32_t band, std::uint32_t r,
                                    std::uint32_t c) const {
        const std::uint32_t s = info.subblockSize, w = info.subblockWidth(band, c),
                            h = info.subblockHeight(band, r);
        std::vector<std::int32_t> out;
        for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x)
                out.push_back(
                    bands[comp][band][std::size_t{r * s + y} * info.bands[band].width + c * s + x]);
        return out;
    }
};

// Counts what the sub-block decoder asks of the store.
class CountingStore : public PlaneStoreClient {
  public:
    explicit CountingStore(PlaneStoreClient& inner) : inner_(inner) {}
    std::int32_t hasPlane(const PlaneKey& key, bool& present) override {
        probed.insert(key.plane);
        return inner_.hasPlane(key, present);
    }
    std::int32_t getPlane(const PlaneKey& key, PlaneRecord& record) override {
        fetched.insert(key.plane);
        ++gets;
        return inner_.getPlane(key, record);
    }
    std::set<int> probed, fetched;
    int gets = 0;

  private:
    PlaneStoreClient& inner_;
};

}  // namespace

TEST(PlaneList, AppendsInOrderAndKnowsItsFirstPresentPlane) {
    PlaneList list;
    EXPECT_EQ(list.first(), -1);
    EXPECT_EQ(list.last(), -1);
    PlaneRecord absent;
    PlaneRecord present;
    const std::uint8_t byte = 0x42;
    present.data = &byte;
    present.length = 1;
    present.flags = kPlanePresent | kPlaneRaw;
    EXPECT_FALSE(list.append(1, present));  // must start at plane 0
    EXPECT_TRUE(list.append(0, absent));
    EXPECT_TRUE(list.append(1, absent));
    EXPECT_TRUE(list.append(2, present));
    EXPECT_FALSE(list.append(2, present));
    EXPECT_EQ(list.first(), 2);
    EXPECT_EQ(list.last(), 2);
    EXPECT_EQ(list.lookup(3), nullptr);
    ASSERT_NE(list.lookup(2), nullptr);
    EXPECT_TRUE(list.lookup(2)->raw());
    PlaneBytes bytes;
    EXPECT_TRUE(list.plane(2, bytes));
    EXPECT_EQ(bytes.data[0], 0x42);
    EXPECT_FALSE(list.plane(1, bytes));
}

TEST(PlaneCache, HoldsOneSubblockAndRefusesPlanesOutsideTheImage) {
    PlaneCache cache(2, 8);
    PlaneRecord record;
    record.flags = kPlanePresent;
    record.length = 3;
    EXPECT_FALSE(cache.holds(0xFFu, 0xFFFFFFFFu) && cache.holds(0, 0));
    ASSERT_TRUE(cache.hold(4, 7, {{cache.slotOf(1, 5), record}}));
    EXPECT_TRUE(cache.holds(4, 7));
    PlaneRecord out;
    ASSERT_TRUE(cache.get(1, 5, out));
    EXPECT_TRUE(out.present());
    EXPECT_EQ(out.length, 3u);
    ASSERT_TRUE(cache.get(0, 5, out));
    EXPECT_FALSE(out.present());
    EXPECT_FALSE(cache.get(2, 0, out));
    EXPECT_FALSE(cache.get(0, 8, out));
    // A plane past the image's last one is refused and leaves nothing held.
    EXPECT_FALSE(cache.hold(4, 8, {{cache.slotOf(1, 8), record}}));
    EXPECT_FALSE(cache.holds(4, 7));
    EXPECT_FALSE(cache.holds(4, 8));
}

TEST(FilePlaneStoreClient, ValidatesKeysAndReadsEachSubblockOnce) {
    CodedImage image(smallInfo(2, 32));
    tg3_filePlaneStoreClient store(image.info, image.planeset.index(), image.stream, 0, false);
    PlaneRecord record;
    const PlaneKey bad[] = {
        {0, 0, 5, 1},   // band 4L + 1
        {6, 0, 0, 1},   // band 0 has 3 x 2 sub-blocks
        {0, 2, 0, 1},   // component 2 of 2
        {0, 0, 0, 32},  // plane 32 of 32
    };
    for (const PlaneKey& key : bad) EXPECT_EQ(store.getPlane(key, record), TG3Status::notFound);

    // The planes of band 2, sub-block 1, as coded.
    const EncodedPlanes expected = BitPlaneEncoder(2, 8, 8).encode(image.block(1, 2, 0, 1));
    for (int p = 0; p < 32; ++p) {
        for (std::uint16_t comp : {0, 1}) {
            ASSERT_EQ(store.getPlane({1, comp, 2, static_cast<std::uint8_t>(p)}, record), 0);
            if (comp == 0) continue;
            const bool coded = p >= expected.first && p <= expected.last();
            ASSERT_EQ(record.present(), coded) << "plane " << p;
            if (coded) {
                const auto& bytes =
                    expected.planes[static_cast<std::size_t>(p - expected.first)].bytes;
                ASSERT_EQ(record.length, bytes.size());
                EXPECT_EQ(std::memcmp(record.data, bytes.data(), bytes.size()), 0);
            }
            bool present = !coded;
            EXPECT_EQ(store.hasPlane({1, comp, 2, static_cast<std::uint8_t>(p)}, present), 0);
            EXPECT_EQ(present, coded);
        }
    }
    EXPECT_EQ(store.subblockReads(), 1u);
    ASSERT_EQ(store.getPlane({0, 0, 0, 31}, record), 0);
    EXPECT_EQ(store.subblockReads(), 2u);
}

TEST(FilePlaneStoreClient, MissingEntriesAreEmptyAndBadLengthsFail) {
    const TG3ImageInfo info = smallInfo(1, 32);
    MemoryPlaneset planeset(true);
    planeset.add(0, 0, 0, BitPlaneEncoder(0, 8, 8).encode(std::vector<std::int32_t>(64, 3)));
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, true);
    PlaneRecord record;
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
    TG3ImageInfo info = smallInfo(1, 32);
    std::mt19937 rng(3);
    std::vector<std::int32_t> coefficients = randomBlock(64, 1 << 27, (1 << 28) - 1, rng);
    coefficients[5] = (1 << 28) + 12345;
    const EncodedPlanes lossless = BitPlaneEncoder(0, 8, 8).encode(coefficients);
    ASSERT_EQ(lossless.first, 3);
    EncodedPlanes kept;
    kept.first = 3;
    kept.planes.assign(lossless.planes.begin(), lossless.planes.begin() + 7);  // 3..9
    EncodedPlanes late;
    late.first = 12;
    late.planes.push_back(lossless.planes[9]);
    MemoryPlaneset planeset;
    planeset.add(0, 0, 0, kept);
    planeset.add(0, 0, 0, late);
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, false);
    CountingStore counting(store);
    TG3BandCache cache(info, counting);

    std::vector<std::int32_t> block(64, 0);
    ASSERT_EQ(cache.sweep(0, 0, 7, 0, 7, {block.data()}), 0);
    // Planes 0..10 probed (10 is the gap), 0..9 fetched, 12 never asked for.
    EXPECT_EQ(counting.probed, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(counting.fetched, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    // The same as decoding a block coded down to plane 9.
    std::vector<std::int32_t> expected(64);
    const MemoryPlaneSource lossy = BitPlaneEncoder(0, 8, 8).encode(coefficients, 9).source();
    BitPlaneDecoder(0, 8, 8).decodeBand({&lossy}, {expected.data()}, 8, 1);
    EXPECT_EQ(block, expected);
}

TEST(BandCache, ProbeStopsAtTheImagesLastPlane) {
    // Eight planes: a sub-block coded down to plane 7 has every plane present.
    TG3ImageInfo info = smallInfo(1, 8);
    std::mt19937 rng(4);
    const auto coefficients = randomBlock(64, 1 << 26, (1 << 29) - 1, rng);
    MemoryPlaneset planeset;
    planeset.add(0, 0, 0, BitPlaneEncoder(0, 8, 8).encode(coefficients, 7));
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, false);
    CountingStore counting(store);
    TG3BandCache cache(info, counting);
    std::vector<std::int32_t> block(64, 0);
    ASSERT_EQ(cache.sweep(0, 0, 7, 0, 7, {block.data()}), 0);
    EXPECT_EQ(*counting.probed.rbegin(), 7);
    std::vector<std::int32_t> expected(64);
    const MemoryPlaneSource lossy = BitPlaneEncoder(0, 8, 8).encode(coefficients, 7).source();
    BitPlaneDecoder(0, 8, 8).decodeBand({&lossy}, {expected.data()}, 8, 1);
    EXPECT_EQ(block, expected);
}

TEST(BandCache, RowsComeFromOneDecodedRowOfSubblocks) {
    CodedImage image(smallInfo(2, 32));
    tg3_filePlaneStoreClient store(image.info, image.planeset.index(), image.stream, 0, false);
    CountingStore counting(store);
    TG3BandCache cache(image.info, counting);
    std::int32_t* rows[2] = {nullptr, nullptr};

    // Band 4 is 20 x 12; rows 8..11 form its second sub-block row.
    for (std::uint32_t row : {8u, 9u, 11u}) {
        ASSERT_EQ(cache.bandRow(4, row, 3, 17, rows), 0);
        for (int comp = 0; comp < 2; ++comp)
            for (std::uint32_t x = 3; x <= 17; ++x)
                ASSERT_EQ(rows[comp][x - 3], image.bands[comp][4][row * 20 + x])
                    << "row " << row << " column " << x;
    }
    const int getsForOneRow = counting.gets;
    EXPECT_GT(getsForOneRow, 0);
    ASSERT_EQ(cache.bandRow(4, 10, 3, 17, rows), 0);
    EXPECT_EQ(counting.gets, getsForOneRow);  // served from the band cache
    EXPECT_EQ(store.subblockReads(), 3u);     // three sub-blocks, each read once

    // Outside the band, and bands past 4L + 1.
    EXPECT_EQ(cache.bandRow(4, 12, 0, 5, rows), TG3Status::notFound);
    EXPECT_EQ(cache.bandRow(4, 0, 0, 20, rows), TG3Status::notFound);
    rows[0] = rows[1] = nullptr;
    EXPECT_EQ(cache.bandRow(5, 0, 0, 5, rows), 0);
    EXPECT_EQ(rows[0], nullptr);
}

TEST(BandCache, PartialSubblocksCopyOnlyTheOverlap) {
    CodedImage image(smallInfo(1, 32), false, 9);
    tg3_filePlaneStoreClient store(image.info, image.planeset.index(), image.stream, 0, false);
    TG3BandCache cache(image.info, store);
    // Columns 5..10 and rows 2..9 of band 0 cut four sub-blocks.
    const std::int32_t untouched = 0x5EEDBEEF;
    std::vector<std::int32_t> block(6 * 8 + 6, untouched);
    ASSERT_EQ(cache.sweep(0, 2, 9, 5, 10, {block.data()}), 0);
    for (std::uint32_t y = 2; y <= 9; ++y)
        for (std::uint32_t x = 5; x <= 10; ++x)
            EXPECT_EQ(block[(y - 2) * 6 + (x - 5)], image.bands[0][0][y * 20 + x]);
    for (std::size_t i = 48; i < block.size(); ++i) EXPECT_EQ(block[i], untouched);
}

TEST(BandCache, ComponentSelectionAndEmptyComponents) {
    TG3ImageInfo info = smallInfo(3, 32);
    std::mt19937 rng(8);
    const auto c0 = randomBlock(64, 0, 500, rng);
    const auto c2 = randomBlock(64, 0, 500, rng);
    MemoryPlaneset planeset;
    planeset.add(0, 0, 0, BitPlaneEncoder(0, 8, 8).encode(c0));
    planeset.add(0, 0, 2, BitPlaneEncoder(0, 8, 8).encode(c2));  // component 1: no planes
    MemoryKernelStream stream(planeset.bytes());
    tg3_filePlaneStoreClient store(info, planeset.index(), stream, 0, false);
    TG3BandCache cache(info, store);

    std::vector<std::int32_t> a(64, 7), b(64, 7), c(64, 7);
    ASSERT_EQ(cache.sweep(0, 0, 7, 0, 7, {a.data(), b.data(), c.data()}), 0);
    EXPECT_EQ(a, c0);
    EXPECT_EQ(b, std::vector<std::int32_t>(64, 0));
    EXPECT_EQ(c, c2);

    cache.setComponents({2});
    ASSERT_EQ(cache.componentCount(), 1u);
    std::vector<std::int32_t> only(64, 0);
    ASSERT_EQ(cache.sweep(0, 0, 7, 0, 7, {only.data()}), 0);
    EXPECT_EQ(only, c2);

    for (const std::vector<std::uint16_t>& invalid :
         {std::vector<std::uint16_t>{0, 0}, std::vector<std::uint16_t>{2, 1}}) {
        try {
            cache.setComponents(invalid);
            ADD_FAILURE() << "accepted a list that is not increasing";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "DecodeBase: spectral components list invalid.");
        }
    }
}

TEST(BandCache, RefusesVirtualSupportsWithRemovedLevelsAndStopsOnProgress) {
    CodedImage image(smallInfo(1, 32));
    tg3_filePlaneStoreClient store(image.info, image.planeset.index(), image.stream, 0, false);
    std::vector<std::int32_t> block(64);
    for (std::uint8_t removed : {1, 2, 3}) {
        TG3ImageInfo info = image.info;
        info.hasVirtualSupport = 1;
        info.levelsRemoved = removed;
        TG3BandCache cache(info, store);
        if (removed <= 2)
            EXPECT_THROW(cache.sweep(0, 0, 7, 0, 7, {block.data()}), UnimplementedException);
        else
            EXPECT_EQ(cache.sweep(0, 0, 7, 0, 7, {block.data()}), TG3Status::unsupported);
    }
    TG3BandCache cache(image.info, store);
    int calls = 0;
    cache.setProgress([&] { return ++calls == 2 ? 2007 : 0; });
    std::vector<std::int32_t> wide(20 * 8);
    EXPECT_EQ(cache.sweep(0, 0, 7, 0, 19, {wide.data()}), 2007);
    EXPECT_EQ(calls, 2);
}
