// The scale of an axis and its mapping between values and screen pixels: the bounds, the
// span of pixels they cover and its direction. A plain value, so that the mapping is the
// same wherever it is used and can be checked without a chart.
#pragma once

#include "platform/numeric/extended.h"

#include <cmath>
#include <cstdint>
#include <span>

namespace vemora {

struct TAxisScale {
    double Minimum = 0;
    double Maximum = 0;
    double Range = 0;
    int32_t StartPixel = 0;
    int32_t EndPixel = 0;
    int32_t Length = 0;
    int32_t CenterPixel = 0;
    // Horizontal scales grow to the right, vertical ones upwards; inverted ones the other way.
    bool Horizontal = false;
    bool Inverted = false;

    void SetBounds(double minimum, double maximum) {
        Minimum = minimum;
        Maximum = maximum;
        Range = maximum - minimum;
    }
    // The span from origin + length * startPercent / 100 to origin + length * endPercent / 100.
    void Place(int32_t origin, long double length, double startPercent, double endPercent);
    // New bounds that put the current ones atStart and atEnd pixels inside the span's ends.
    void Widen(int32_t atStart, int32_t atEnd);

    int32_t ValueToPixel(double value) const {
        return Horizontal ? ValueToPixelX(value) : ValueToPixelY(value);
    }
    int32_t ValueToPixelX(double value) const {
        int64_t d = 0;
        if (FastDistance(value, d))
            return SaturateInt32(Inverted ? EndPixel - d : StartPixel + d);
        return ComputeValueToPixelX(value);
    }
    int32_t ValueToPixelY(double value) const {
        int64_t d = 0;
        if (FastDistance(value, d))
            return SaturateInt32(Inverted ? StartPixel + d : EndPixel - d);
        return ComputeValueToPixelY(value);
    }
    // ValueToPixelX (asX) or ValueToPixelY of each value, into pixels (as many): the values
    // of a whole series in one pass, several at a time where the processor can.
    void MapValues(std::span<const double> values, int32_t* pixels, bool asX) const;
    // The depth pixel of the value on a scale across the given depth.
    int32_t DepthPixel(double value, int32_t depth) const;
    double PixelToValue(int32_t pixel) const;
    // The extent in extended precision: the stored range may have overflowed.
    long double ExtendedRange() const {
        // Identical to the stored range whenever that one is finite.
        if (std::isfinite(Range))
            return Range;
        return static_cast<long double>(Maximum) - Minimum;
    }

private:
    // The distance of the value from the minimum in whole pixels, far beyond any screen for
    // a value that is not finite; false when the scale has no length.
    bool PixelDistance(double value, int64_t& distance) const;
    // The distance when the double-precision scale decides it (see PixelDistance); false
    // leaves the value to PixelDistance.
    bool FastDistance(double value, int64_t& distance) const {
        if (!fast_.Usable || fast_.Minimum != Minimum || fast_.Range != Range ||
            fast_.Length != Length)
            return false;
        constexpr double kLimit = 1 << 20;
        constexpr double kMargin = 1e-6;
        // Adding and taking away 1.5 * 2^52 rounds to the nearest integer, ties to even.
        constexpr double kRound = 6755399441055744.0;
        const double t = (value - Minimum) * fast_.PixelsPerUnit;
        if (!(t > -kLimit && t < kLimit))
            return false;
        const double nearest = (t + kRound) - kRound;
        if (!(std::fabs(t - nearest) < 0.5 - kMargin))
            return false;
        distance = static_cast<int64_t>(nearest);
        return true;
    }
    int32_t ComputeValueToPixelX(double value) const;
    int32_t ComputeValueToPixelY(double value) const;
    // Makes the double-precision scale the one of the current bounds and length; false when
    // it cannot be used (a scale of no length, or one beyond the double range).
    bool RefreshFast() const;

    // The scale in double precision, for the pixel distances it decides exactly (see
    // PixelDistance); refreshed whenever the scale or the pixel length differs from the
    // one it was made for.
    struct FastScale {
        double Minimum = 0;
        double Range = 0;
        int32_t Length = 0;
        double PixelsPerUnit = 0;
        bool Usable = false;
    };
    mutable FastScale fast_;
};

// A scale end computed in extended precision that a double cannot hold saturates at the
// largest double instead of becoming infinite.
double StoreScaleValue(long double value);

} // namespace vemora
