// The mapping of an axis scale between values and pixels.
#include "axes/axis_scale.h"

#include <algorithm>
#include <limits>

namespace vemora {

namespace {

int32_t AddClamped(int64_t a, int64_t b) {
    return SaturateInt32(a + b);
}

} // namespace

double StoreScaleValue(long double value) {
    constexpr double kMaxDouble = std::numeric_limits<double>::max();
    if (std::isnan(value))
        return 0;
    return static_cast<double>(std::clamp<long double>(value, -kMaxDouble, kMaxDouble));
}

void TAxisScale::Place(int32_t origin, long double length, double startPercent, double endPercent) {
    StartPixel = AddClamped(origin, RoundSaturated(length * 0.01L * startPercent));
    EndPixel = AddClamped(origin, RoundSaturated(length * 0.01L * endPercent));
    Length = AddClamped(EndPixel, -int64_t{StartPixel});
    CenterPixel = static_cast<int32_t>((int64_t{StartPixel} + EndPixel) / 2);
}

void TAxisScale::Widen(int32_t atStart, int32_t atEnd) {
    const int32_t start = AddClamped(StartPixel, atStart);
    const int32_t end = AddClamped(EndPixel, -int64_t{atEnd});
    const int32_t length = AddClamped(end, -int64_t{start});
    long double lo = 0;
    long double hi = 0;
    if (length > 0) {
        // In extended precision throughout: a scale that already spans most of the double
        // range may widen beyond it, and then saturates.
        const long double range = ExtendedRange();
        const auto valueAt = [&](int32_t pixel) {
            const long double t =
                (Inverted ? int64_t{end} - pixel : int64_t{pixel} - start) * range / length;
            return Horizontal ? Minimum + t : Maximum - t;
        };
        lo = valueAt(StartPixel);
        hi = valueAt(EndPixel);
    }
    Minimum = StoreScaleValue(lo);
    Maximum = StoreScaleValue(hi);
    if (Minimum > Maximum)
        std::swap(Minimum, Maximum);
    Range = Maximum - Minimum;
}

bool TAxisScale::PixelDistance(double value, int64_t& distance) const {
    // A value that is not a number, or infinite, lies beyond any screen: never drawn.
    constexpr int64_t kFar = INT64_C(1) << 40;
    if (!std::isfinite(value)) {
        distance = value < 0 ? -kFar : kFar;
        return true;
    }
    // A scale of no length puts every value in the middle.
    if (Range == 0)
        return false;
    // The distance is the extended-precision quotient below, stored as a double and then
    // rounded to an integer, ties to even. The double-precision shortcut t decides it where
    // it can. With u = 2^-53 and D the exact quotient, t has three double roundings, so
    // |t - D| < 3.01u|D|; the extended quotient has three 64-bit roundings and its double
    // one more, so the double the formula rounds lies within 1.01u|D| of D. Both together
    // are under 4.02u|D| < 4.5e-16|D| apart, which below 2^20 pixels is under 5e-10 of a
    // pixel. So wherever t lies farther than 1e-6 from every half, that double lies on the
    // same side of each half as t and on none, and both round alike. Only the rare value
    // near a half pays for the extended division.
    if (fast_.Minimum != Minimum || fast_.Range != Range || fast_.Length != Length) {
        fast_ = {Minimum, Range, Length, Length / Range, false};
        fast_.Usable = std::isfinite(Minimum) && std::isnormal(fast_.PixelsPerUnit);
    }
    if (FastDistance(value, distance))
        return true;
    const long double d = (static_cast<long double>(value) - Minimum) * Length / ExtendedRange();
    if (std::isnan(d)) {
        distance = kFar;
        return true;
    }
    // Held far off first: a distance beyond the double range would become infinite.
    const double stored = static_cast<double>(std::clamp<long double>(d, -kFar, kFar));
    distance = static_cast<int64_t>(NearestInteger(stored));
    return true;
}

int32_t TAxisScale::ComputeValueToPixelX(double value) const {
    int64_t d = 0;
    if (!PixelDistance(value, d))
        return CenterPixel;
    return Inverted ? AddClamped(EndPixel, -d) : AddClamped(StartPixel, d);
}

int32_t TAxisScale::ComputeValueToPixelY(double value) const {
    int64_t d = 0;
    if (!PixelDistance(value, d))
        return CenterPixel;
    return Inverted ? AddClamped(StartPixel, d) : AddClamped(EndPixel, -d);
}

int32_t TAxisScale::DepthPixel(double value, int32_t depth) const {
    if (Range == 0)
        return depth / 2;
    const long double from = Inverted ? Maximum : Minimum;
    const long double t = depth * (static_cast<long double>(value) - from) / ExtendedRange();
    return RoundSaturated(Inverted ? -t : t);
}

double TAxisScale::PixelToValue(int32_t pixel) const {
    if (Length <= 0)
        return 0;
    const long double t = (Inverted ? int64_t{EndPixel} - pixel : int64_t{pixel} - StartPixel) *
                          ExtendedRange() / Length;
    return StoreScaleValue(Horizontal ? Minimum + t : Maximum - t);
}

} // namespace vemora
