#include <gtest/gtest.h>

#include <cstdint>
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
