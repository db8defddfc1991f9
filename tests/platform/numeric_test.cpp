#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace vemora {
namespace {

TEST(Numeric, RoundIsNearestWithTiesToEven) {
    EXPECT_EQ(Round(0.5L), 0);
    EXPECT_EQ(Round(1.5L), 2);
    EXPECT_EQ(Round(2.5L), 2);
    EXPECT_EQ(Round(3.5L), 4);
    EXPECT_EQ(Round(-2.5L), -2);
    EXPECT_EQ(Round(-2.51L), -3);
    EXPECT_EQ(Round(1.25L), 1);
    EXPECT_EQ(Round(2.4999999999999999L), 2);
    // 64-bit mantissa: integers up to 2^63 round exactly.
    EXPECT_EQ(Round(9223372036854775807.0L - 1.0L), 9223372036854775806LL);
}

// The fast rounding must be the library's, bit for bit, across every magnitude: halves
// and their neighbours, the last fractional binades below 2^63, signed zeros, NaN.
TEST(Numeric, NearestIntegerMatchesTheLibraryBitForBit) {
    auto same = [](Extended v) {
        const Extended expected = std::nearbyintl(v);
        const Extended got = NearestInteger(v);
        if (std::isnan(expected))
            return std::isnan(got);
        return got == expected && std::signbit(got) == std::signbit(expected);
    };
    const Extended specials[] = {0.0L,
                                 -0.0L,
                                 0.49999999999999999997L,
                                 -0.5L,
                                 0.5L,
                                 LDBL_MIN,
                                 -LDBL_TRUE_MIN,
                                 4611686018427387903.5L,
                                 4611686018427387904.5L,
                                 -4611686018427387902.5L,
                                 9223372036854775807.0L,
                                 -9223372036854775808.0L,
                                 1e30L,
                                 LDBL_MAX,
                                 -std::numeric_limits<Extended>::infinity(),
                                 std::numeric_limits<Extended>::quiet_NaN()};
    for (Extended v : specials)
        EXPECT_TRUE(same(v)) << static_cast<double>(v);
    for (int exponent = -70; exponent <= 70; ++exponent) {
        for (int k = -40; k <= 40; ++k) {
            const Extended half = std::ldexp(static_cast<Extended>(k) + 0.5L, exponent);
            for (Extended v : {half, std::nextafter(half, 0.0L), std::nextafter(half, 1e40L), -half,
                               std::nextafter(-half, -1e40L)})
                EXPECT_TRUE(same(v)) << static_cast<double>(v) << " at 2^" << exponent;
        }
    }
}

TEST(Numeric, TruncGoesTowardZero) {
    EXPECT_EQ(Trunc(2.9L), 2);
    EXPECT_EQ(Trunc(-2.9L), -2);
    EXPECT_EQ(Trunc(-0.1L), 0);
}

TEST(Numeric, RoundAndTruncRefuseWhatNoIntegerHolds) {
    EXPECT_THROW(Round(1e19L), EInvalidOp);
    EXPECT_THROW(Trunc(-1e19L), EInvalidOp);
    EXPECT_THROW(Round(static_cast<Extended>(INFINITY)), EInvalidOp);
    EXPECT_THROW(Round(static_cast<Extended>(NAN)), EInvalidOp);
}

TEST(Numeric, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(10, 3, 4), 8);   // 7.5
    EXPECT_EQ(MulDiv(-10, 3, 4), -8); // -7.5
    EXPECT_EQ(MulDiv(10, -3, -4), 8);
    EXPECT_EQ(MulDiv(7, 1, 2), 4);      // 3.5
    EXPECT_EQ(MulDiv(5, 1, 2), 3);      // 2.5: not to even
    EXPECT_EQ(MulDiv(9, 1, 4), 2);      // 2.25
    EXPECT_EQ(MulDiv(813, 5, 100), 41); // 40.65
}

TEST(Numeric, MulDivUsesA64BitIntermediate) {
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
    EXPECT_EQ(MulDiv(2147483647, 2147483647, 2147483647), 2147483647);
}

TEST(Numeric, MulDivReportsMinusOneForZeroDivisorOrOverflow) {
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(100000, 100000, 1), -1);
    EXPECT_EQ(MulDiv(-2147483647 - 1, 1, 1), -2147483647 - 1);
}

TEST(Numeric, StoreDoubleRaisesOverflowForFiniteValuesBeyondDouble) {
    EXPECT_THROW(StoreDouble(1e400L), EOverflow);
    EXPECT_THROW(StoreDouble(-1e309L), EOverflow);
    EXPECT_EQ(StoreDouble(static_cast<Extended>(DBL_MAX)), DBL_MAX);
    EXPECT_EQ(StoreDouble(static_cast<Extended>(INFINITY)), INFINITY);
    EXPECT_EQ(StoreDouble(-static_cast<Extended>(INFINITY)), -INFINITY);
    // Too small: silently denormal or zero.
    EXPECT_EQ(StoreDouble(1e-400L), 0.0);
    EXPECT_GT(StoreDouble(5e-324L), 0.0);
    try {
        StoreDouble(1e400L);
    } catch (const EOverflow& e) {
        EXPECT_EQ(e.Message(), "Floating point overflow");
    }
}

} // namespace
} // namespace vemora
