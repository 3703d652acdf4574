#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "encode/tg3/tg3_forwardLifting53.h"
#include "tg3/engine/tg3_lifting53.h"

using namespace Corvane;

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

namespace {

// The other realisation of the same transform: copy mirrored samples into
// pads around the line, then lift without end rules.
std::vector<std::int32_t> inverseWithPads(const std::vector<std::int32_t>& in) {
    const std::size_t pad = 2, n = in.size(), m = n + 2 * pad;
    std::vector<std::int64_t> x(m, 0);
    for (std::size_t i = 0; i < n; ++i) x[pad + i] = in[i];
    auto mirror = [&] {
        for (std::size_t i = 0; i < pad; ++i) {
            x[i] = x[2 * pad - i];
            x[m - pad + i] = x[m - pad - i - 2];
        }
    };
    auto round = [](std::int64_t s, int shift) {
        // Nearest integer, ties to even, by exact arithmetic.
        const std::int64_t d = std::int64_t{1} << shift;
        std::int64_t q = s >= 0 ? s / d : -((-s + d - 1) / d);  // floor
        const std::int64_t r = s - q * d;
        if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
        return q;
    };
    mirror();
    for (std::size_t i = pad; i < pad + n; i += 2) x[i] -= round(x[i - 1] + x[i + 1], 2);
    mirror();
    for (std::size_t i = pad + 1; i < pad + n; i += 2) x[i] += round(x[i - 1] + x[i + 1], 1);
    return {x.begin() + pad, x.begin() + pad + static_cast<std::ptrdiff_t>(n)};
}

}  // namespace

TEST(Lifting53, MatchesPaddedReflectionAndRoundTripsRandomLines) {
    std::mt19937 rng(53);
    for (std::size_t width = 1; width <= 70; ++width) {
        for (int trial = 0; trial < 40; ++trial) {
            const std::int32_t range = trial < 20 ? 512 : (1 << 24);
            std::uniform_int_distribution<std::int32_t> value(-range, range);
            std::vector<std::int32_t> coefficients(width);
            for (auto& v : coefficients) v = value(rng);

            std::vector<std::int32_t> samples = coefficients;
            inverseLift53(samples.data(), width);
            ASSERT_EQ(samples, inverseWithPads(coefficients)) << "width " << width;

            std::vector<std::int32_t> original(width);
            for (auto& v : original) v = value(rng);
            std::vector<std::int32_t> line = original;
            forwardLift53(line.data(), width);
            inverseLift53(line.data(), width);
            ASSERT_EQ(line, original) << "width " << width;
        }
    }
}

TEST(Lifting53, StrideLiftsAColumnLikeARow) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::int32_t> value(-1000, 1000);
    const std::size_t height = 9, stride = 5;
    std::vector<std::int32_t> grid(height * stride), column(height);
    for (auto& v : grid) v = value(rng);
    for (std::size_t y = 0; y < height; ++y) column[y] = grid[y * stride + 3];
    inverseLift53(grid.data() + 3, height, static_cast<std::ptrdiff_t>(stride));
    inverseLift53(column.data(), height);
    for (std::size_t y = 0; y < height; ++y) EXPECT_EQ(grid[y * stride + 3], column[y]);
}
