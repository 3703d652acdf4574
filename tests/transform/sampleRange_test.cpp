#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/cv_exception.h"
#include "transform/cv_sampleRange.h"

using namespace Corvane;

TEST(SampleRange, RangeSetupFollowsTheBitDepths) {
    SampleRange<std::uint8_t> eight;
    eight.setUp(8, 8);
    EXPECT_EQ(eight.srcMax, 255);
    EXPECT_EQ(eight.scale, 1.0f);
    EXPECT_EQ(eight.map(0), 0);
    EXPECT_EQ(eight.map(137.9), 137);
    // Values enter by their low 8 bits: -28 is 228, 300 is 44.
    EXPECT_EQ(eight.map(-28.9), 228);
    EXPECT_EQ(eight.map(300), 44);

    SampleRange<std::uint16_t> sixteen;
    sixteen.setUp(16, 8);
    EXPECT_EQ(sixteen.srcMax, 65535);
    EXPECT_EQ(sixteen.scale, 256.0f / 65536.0f);
    EXPECT_EQ(sixteen.map(65535), 255);  // 65535 * 256 / 65536 = 255.996
    EXPECT_EQ(sixteen.map(255), 0);
    EXPECT_EQ(sixteen.map(32768), 128);

    SampleRange<std::uint16_t> twelve;
    twelve.setUp(12, 8);
    EXPECT_EQ(twelve.srcMax, 4095);
    EXPECT_EQ(twelve.map(4095), 255);
    EXPECT_EQ(twelve.map(5000), 255);  // clamped to the source range first

    SampleRange<std::uint8_t> narrowDestination;
    narrowDestination.setUp(8, 4);
    EXPECT_EQ(narrowDestination.dstMax, 15);
    EXPECT_EQ(narrowDestination.map(255), 15);
}

TEST(SampleRange, FloatSamplesClampThenTruncate) {
    SampleRange<float> plain;
    plain.setUpFloat(0.0f, 255.0f, 8);
    EXPECT_EQ(plain.scale, 1.0f);
    EXPECT_EQ(plain.map(12.9), 12);
    EXPECT_EQ(plain.map(-40.0), 0);
    EXPECT_EQ(plain.map(1.0e6), 255);
    EXPECT_EQ(plain.map(std::nan("")), 0);

    SampleRange<float> wide;
    wide.setUpFloat(0.0f, 1000.0f, 8);
    EXPECT_EQ(wide.map(1000.0), 255);  // 1000 * 256 / 1001 = 255.74
    EXPECT_EQ(wide.map(500.0), 127);   // 127.87

    try {
        wide.setUpFloat(2.0f, 1.0f, 8);
        ADD_FAILURE() << "an inverted range must be refused";
    } catch (const InvalidArgumentException& e) {
        EXPECT_EQ(std::string(describe(e)),
                  "[4][2334]Invalid argument passed to function: [4][2390]Attempt to set range "
                  "with min > max..");
    }
}

TEST(SampleRange, WindowsRecentreTheRanges) {
    SampleRange<std::uint8_t> range;
    range.setUp(8, 8);
    range.applySourceWindow(101.0f, 128.0f);
    EXPECT_EQ(range.srcMin, 78);
    EXPECT_EQ(range.srcMax, 178);
    EXPECT_EQ(range.scale, 256.0f / 101.0f);
    EXPECT_EQ(range.map(78), 0);
    EXPECT_EQ(range.map(60), 0);
    EXPECT_EQ(range.map(128), 126);  // 50 * 2.5347
    EXPECT_EQ(range.map(178), 253);  // 100 * 2.5347
    EXPECT_EQ(range.map(250), 253);

    // Width alone recentres on the range's own centre, 255 / 2 = 127.
    SampleRange<std::uint8_t> widthOnly;
    widthOnly.setUp(8, 8);
    widthOnly.applySourceWindow(101.0f, kUnsetWindowCentre);
    EXPECT_EQ(widthOnly.srcMin, 77);
    EXPECT_EQ(widthOnly.srcMax, 177);

    // A window as wide as the range keeps it whole, at its own centre 127.5 and at the
    // level 128 that a full 8-bit image's dynamic range gives: 8-bit samples pass
    // through unchanged.
    SampleRange<std::uint8_t> full;
    full.setUp(8, 8);
    full.applySourceWindow(256.0f, 128.0f);
    EXPECT_EQ(full.srcMin, 0);
    EXPECT_EQ(full.srcMax, 255);
    EXPECT_EQ(full.scale, 1.0f);
    for (int v : {0, 1, 99, 100, 254, 255}) EXPECT_EQ(full.map(v), v) << v;

    // A window that reaches past either end stops at 0 and 255.
    SampleRange<std::uint8_t> edge;
    edge.setUp(8, 8);
    edge.applySourceWindow(101.0f, 10.0f);
    EXPECT_EQ(edge.srcMin, 0);
    EXPECT_EQ(edge.srcMax, 60);
    SampleRange<std::uint8_t> wide;
    wide.setUp(8, 8);
    wide.applySourceWindow(400.0f, kUnsetWindowCentre);
    EXPECT_EQ(wide.srcMin, 0);
    EXPECT_EQ(wide.srcMax, 255);

    // A 12-bit dynamic range on 16-bit samples: window 4096 at level 2048.
    SampleRange<std::uint16_t> dynamic;
    dynamic.setUp(16, 8);
    dynamic.applySourceWindow(4096.0f, 2048.0f);
    EXPECT_EQ(dynamic.srcMin, 0);
    EXPECT_EQ(dynamic.srcMax, 4095);
    EXPECT_EQ(dynamic.map(4095), 255);
    EXPECT_EQ(dynamic.map(2048), 128);

    SampleRange<std::uint8_t> destination;
    destination.setUp(8, 8);
    destination.applyDestinationWindow(101.0f, 100.0f);
    EXPECT_EQ(destination.dstMin, 50);
    EXPECT_EQ(destination.dstMax, 150);
    EXPECT_EQ(destination.map(0), 50);
    EXPECT_EQ(destination.map(255), 150);
}

TEST(SampleRange, UnsetAndEmptyWindowsChangeNothing) {
    for (const float width :
         {kUnsetWindowWidth, 0.0f, -5.0f, std::numeric_limits<float>::infinity(),
          std::numeric_limits<float>::quiet_NaN()}) {
        SampleRange<std::uint16_t> range;
        range.setUp(16, 8);
        range.applySourceWindow(width, 2048.0f);
        range.applyDestinationWindow(width, 20.0f);
        EXPECT_EQ(range.srcMin, 0);
        EXPECT_EQ(range.srcMax, 65535);
        EXPECT_EQ(range.dstMin, 0);
        EXPECT_EQ(range.dstMax, 255);
    }
}
