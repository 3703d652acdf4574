#include "tg3/container/tg3_readAheadStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace Corvane {
namespace {

std::vector<std::uint8_t> counting(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes;
}

TEST(ReadAheadKernelStream, ReadsAndSeeksLikeTheStreamItReadsFrom) {
    // Random reads and seeks of every origin over blocks of 7 bytes, against the same
    // operations on the memory stream itself.
    const std::vector<std::uint8_t> bytes = counting(1000);
    MemoryKernelStream direct(bytes);
    MemoryKernelStream source(bytes);
    ASSERT_EQ(source.seek(5, 1), 0);
    ASSERT_EQ(direct.seek(5, 1), 0);
    std::mt19937 random(7);
    {
        ReadAheadKernelStream ahead(source, 7);
        for (int step = 0; step < 3000; ++step) {
            const int what = static_cast<int>(random() % 4);
            if (what == 0) {
                const std::int64_t to = static_cast<std::int64_t>(random() % 1100);
                ASSERT_EQ(ahead.seek(to, 1), direct.seek(to, 1));
            } else if (what == 1) {
                const std::int64_t by = static_cast<std::int64_t>(random() % 60) - 20;
                if (direct.tell() + by < 0) continue;
                ASSERT_EQ(ahead.seek(by, 2), direct.seek(by, 2));
            } else if (what == 2) {
                const std::int64_t back = -static_cast<std::int64_t>(random() % 50);
                ASSERT_EQ(ahead.seek(back, 3), direct.seek(back, 3));
            } else {
                const auto count = static_cast<std::uint32_t>(random() % 40);
                std::vector<std::uint8_t> a(count), b(count);
                const std::uint32_t got = ahead.read(a.data(), count);
                ASSERT_EQ(got, direct.read(b.data(), count)) << "at " << direct.tell();
                if (got == count) {
                    ASSERT_EQ(a, b);
                }
            }
            ASSERT_EQ(ahead.tell(), direct.tell()) << "step " << step;
        }
        ASSERT_EQ(ahead.seek(990, 1), 0);
    }
    // The source is left where the read-ahead stream stood.
    EXPECT_EQ(source.tell(), 990);
}

TEST(ReadAheadKernelStream, AReadPastTheEndFailsAndKeepsThePosition) {
    MemoryKernelStream source(counting(100));
    ReadAheadKernelStream ahead(source, 64);
    std::uint8_t buffer[50];
    ASSERT_EQ(ahead.seek(60, 1), 0);
    EXPECT_EQ(ahead.read(buffer, 50), 0u);
    EXPECT_EQ(ahead.tell(), 60);
    EXPECT_EQ(ahead.read(buffer, 40), 40u);
    EXPECT_EQ(buffer[0], 60);
    EXPECT_EQ(buffer[39], 99);
    EXPECT_EQ(ahead.read(buffer, 1), 0u);
    EXPECT_NE(ahead.seek(-1, 1), 0);
}

}  // namespace
}  // namespace Corvane
