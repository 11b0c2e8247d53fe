#include "host/exceptions.h"
#include "host/mathutil.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

TEST(Rounding, RoundTakesHalvesToTheEvenNeighbour) {
    const struct {
        double In;
        int64_t Out;
    } Cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {2.4999, 2}, {2.5001, 3}, {-2.5001, -3}, {1e15 + 0.5, 1000000000000000}, {0.0, 0},
    };
    for (const auto& c : Cases) EXPECT_EQ(Round(c.In), c.Out) << c.In;
}

TEST(Rounding, RoundAndTruncRefuseWhatHasNoInteger) {
    EXPECT_THROW(Round(std::nan("")), ERangeError);
    EXPECT_THROW(Round(std::numeric_limits<double>::infinity()), ERangeError);
    EXPECT_THROW(Round(1e19), ERangeError);
    EXPECT_THROW(Trunc(-1e19), ERangeError);
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_EQ(Trunc(2.9), 2);
}

TEST(Rounding, MulDivRoundsHalvesAwayFromZero) {
    const struct {
        int a, b, c, r;
    } Cases[] = {
        {10, 72, 96, 8},          // 7.5 -> 8
        {-10, 72, 96, -8},        // -7.5 -> -8
        {10, -72, 96, -8},
        {10, 72, -96, -8},
        {-10, -72, -96, -8},
        {5, 1, 2, 3},             // 2.5 -> 3
        {7, 1, 3, 2},             // 2.33 -> 2
        {8, 1, 3, 3},             // 2.67 -> 3
        {-12, 96, 72, -16},
        {100000, 100000, 100000, 100000}, // the product needs 64 bits
        {0, 5, 7, 0},
    };
    for (const auto& c : Cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.r) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Rounding, MulDivGivesMinusOneOnZeroDivisorAndOverflow) {
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
    EXPECT_EQ(MulDiv(2147483647, 2, 1), -1);
    EXPECT_EQ(MulDiv(-2147483647, 2, 1), -1);
    EXPECT_EQ(MulDiv(2147483647, 1, 1), 2147483647);
    EXPECT_EQ(MulDiv(-2147483647 - 1, 1, 1), -2147483647 - 1);
}
