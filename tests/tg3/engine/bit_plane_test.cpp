#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

#include "encode/tg3/tg3_bitPlaneEncoder.h"
#include "encode/tg3/tg3_mqEncoder.h"
#include "tg3/engine/tg3_bitPlaneContexts.h"
#include "tg3/engine/tg3_bitPlaneDecoder.h"

using namespace Corvane;

namespace {

std::vector<std::int32_t> decodeOne(int band, int w, int h, const PlaneSource& src) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(w) * h, 12345);
    BitPlaneDecoder decoder(band, w, h);
    decoder.decodeBand({&src}, {out.data()}, static_cast<std::size_t>(w), 1);
    return out;
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
