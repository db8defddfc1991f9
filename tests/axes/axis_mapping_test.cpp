// The mapping between values and pixels, on scales alone: no axis, chart or window.
#include "axes/axis_scale.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace vemora {
namespace {

// A scale with the bounds over length pixels from the origin, as an axis spans its plot.
TAxisScale Horizontal(double minimum, double maximum, int32_t origin, int32_t length) {
    TAxisScale scale;
    scale.Horizontal = true;
    scale.SetBounds(minimum, maximum);
    scale.Place(origin, length, 0, 100);
    return scale;
}

TAxisScale Vertical(double minimum, double maximum, int32_t origin, int32_t length) {
    TAxisScale scale = Horizontal(minimum, maximum, origin, length);
    scale.Horizontal = false;
    return scale;
}

TEST(AxisMapping, VerticalAxisPutsLargerValuesHigher) {
    TAxisScale left = Vertical(0, 10, 100, 400);
    ASSERT_EQ(left.StartPixel, 100);
    ASSERT_EQ(left.EndPixel, 500);
    EXPECT_EQ(left.ValueToPixelY(0), 500);
    EXPECT_EQ(left.ValueToPixelY(10), 100);
    EXPECT_EQ(left.ValueToPixelY(2.5), 400);
    EXPECT_EQ(left.ValueToPixelY(20), -300); // nothing clamps values off the scale
    EXPECT_EQ(left.ValueToPixel(2.5), 400);
    left.Inverted = true;
    EXPECT_EQ(left.ValueToPixelY(0), 100);
    EXPECT_EQ(left.ValueToPixelY(10), 500);
}

// The pixel of a value is the extended-precision quotient, stored as a double, rounded to
// even; the axis takes a double-precision shortcut where that provably gives the same.
// Random scales and values, halves and their neighbours included, against the formula
// computed here.
TEST(AxisMapping, PixelsAreTheExtendedQuotientAsADoubleRoundedEven) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    int halves = 0;
    int storedHalves = 0;
    for (int scale = 0; scale < 300; ++scale) {
        const double span = std::ldexp(1 + unit(random), static_cast<int>(unit(random) * 80) - 40);
        const double low = (unit(random) - 0.5) * span * std::ldexp(1, scale % 30);
        const double high = low + span;
        if (!(high > low))
            continue;
        for (TAxisScale scaleOf : {Horizontal(low, high, 37, 603), Vertical(low, high, 11, 459)}) {
            const TAxisScale* axis = &scaleOf;
            scaleOf.Inverted = scale % 3 == 0;
            const Extended length = axis->EndPixel - axis->StartPixel;
            const bool horizontal = axis->Horizontal;
            auto quotient = [&](double v) {
                // The stored range is a double, and the formula divides by it as stored.
                return (static_cast<Extended>(v) - axis->Minimum) * length / axis->Range;
            };
            auto check = [&](double v) {
                const Extended d = quotient(v);
                const double stored = static_cast<double>(d);
                // A quotient just off a half whose double is the half itself.
                if (stored != d && stored - std::floor(stored) == 0.5)
                    ++storedHalves;
                const int64_t n = static_cast<int64_t>(std::nearbyint(stored));
                const bool fromStart = horizontal != axis->Inverted;
                const int32_t want =
                    static_cast<int32_t>(fromStart ? axis->StartPixel + n : axis->EndPixel - n);
                const int32_t got = horizontal ? axis->ValueToPixelX(v) : axis->ValueToPixelY(v);
                ASSERT_EQ(got, want) << "value " << v << " on [" << low << ", " << high << "]";
            };
            for (int i = 0; i < 200; ++i) {
                if (i % 4 != 0) {
                    check(low + (unit(random) * 1.4 - 0.2) * span);
                    continue;
                }
                // A value whose pixel distance is an exact half, and its neighbours.
                const Extended half = std::floor(unit(random) * 600) + 0.5L;
                double v = static_cast<double>(axis->Minimum + half * span / length);
                for (int k = 0; k < 6; ++k)
                    v = std::nextafter(v, low);
                for (int k = 0; k < 13; ++k, v = std::nextafter(v, high))
                    check(v);
                ++halves;
            }
        }
    }
    EXPECT_GT(halves, 1000);
    EXPECT_GT(storedHalves, 100);
}

TEST(AxisMapping, PixelToValueInvertsEveryOrientation) {
    for (TAxisScale scale : {Horizontal(-3.25, 117.5, 37, 603), Vertical(-3.25, 117.5, 11, 459)}) {
        TAxisScale* axis = &scale;
        const double pixelWorth = axis->Range / axis->Length;
        for (bool inverted : {false, true}) {
            axis->Inverted = inverted;
            for (double v = -3.25; v <= 117.5; v += 1.37) {
                EXPECT_NEAR(axis->PixelToValue(axis->ValueToPixel(v)), v, pixelWorth)
                    << "inverted " << inverted << " horizontal " << axis->Horizontal;
            }
        }
    }
}

TEST(AxisMapping, DegenerateScalesMapToTheCentreAndUnplaceableValuesFarOff) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    TAxisScale bottom = Horizontal(7, 7, 100, 401);
    EXPECT_EQ(bottom.CenterPixel, 300);
    EXPECT_EQ(bottom.ValueToPixelX(-1e300), 300);
    // What is not a finite number has no place on any scale: it lies beyond every screen,
    // on the side of its sign, so that nothing draws it.
    EXPECT_EQ(bottom.ValueToPixelX(inf), INT32_MAX);
    EXPECT_EQ(bottom.ValueToPixelX(-inf), INT32_MIN);
    EXPECT_EQ(bottom.ValueToPixelX(std::numeric_limits<double>::quiet_NaN()), INT32_MAX);
    bottom.SetBounds(0, 1);
    EXPECT_EQ(bottom.ValueToPixelX(1e6), 100 + 401000000);
    // Beyond what a coordinate holds: saturated, not wrapped round, not put in the middle.
    EXPECT_EQ(bottom.ValueToPixelX(1e7), INT32_MAX);
    EXPECT_EQ(bottom.ValueToPixelX(-1e300), INT32_MIN);
    EXPECT_EQ(bottom.ValueToPixelX(inf), INT32_MAX);
    const TAxisScale left = Vertical(0, 1, 100, 400);
    EXPECT_EQ(left.ValueToPixelY(1e300), INT32_MIN);
    EXPECT_EQ(left.ValueToPixelY(-inf), INT32_MAX);
}

// A whole series mapped in one pass gives each value the pixel it has alone: values on and
// next to the halves between pixels, far off the scale, beyond what a coordinate holds and
// not numbers at all, on scales of every size, both ways round and of no extent.
TEST(AxisMapping, ValuesMappedTogetherLandWhereEachLandsAlone) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::mt19937_64 random(29);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int scale = 0; scale < 200; ++scale) {
        const double span = scale % 17 == 0 ? 0 : std::ldexp(1 + unit(random), scale % 60 - 30);
        const double low = (unit(random) - 0.5) * std::ldexp(1, scale % 40);
        for (TAxisScale axis : {Horizontal(low, low + span, 20, 300 + scale),
                                Vertical(low, low + span, 5, 200 + 3 * scale)}) {
            axis.Inverted = scale % 3 == 1;
            std::vector<double> values;
            for (int i = 0; i < 300; ++i) {
                const double t = (unit(random) * 1.4 - 0.2) * span;
                values.push_back(low + t);
                // The value of a half between two pixels, and its neighbours.
                const double half = low + (std::floor(unit(random) * axis.Length) + 0.5) *
                                              (span / std::max(axis.Length, 1));
                values.insert(values.end(),
                              {half, std::nextafter(half, inf), std::nextafter(half, -inf)});
            }
            values.insert(values.end(), {inf, -inf, std::numeric_limits<double>::quiet_NaN(), 1e300,
                                         -1e300, low + span * 1e7, low - span * 3e6});
            std::vector<int32_t> pixels(values.size(), 0);
            axis.MapValues(values, pixels.data(), axis.Horizontal);
            for (size_t i = 0; i < values.size(); ++i) {
                const int32_t alone =
                    axis.Horizontal ? axis.ValueToPixelX(values[i]) : axis.ValueToPixelY(values[i]);
                ASSERT_EQ(pixels[i], alone) << "value " << values[i] << " on scale " << scale;
            }
        }
    }
}

} // namespace
} // namespace vemora
