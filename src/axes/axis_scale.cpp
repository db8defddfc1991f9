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

bool TAxisScale::RefreshFast() const {
    if (fast_.Minimum != Minimum || fast_.Range != Range || fast_.Length != Length) {
        fast_ = {Minimum, Range, Length, Length / Range, false};
        fast_.Usable = Range != 0 && std::isfinite(Minimum) && std::isnormal(fast_.PixelsPerUnit);
    }
    return fast_.Usable;
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
    RefreshFast();
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

namespace {

// Marks a pixel that the loop below left to the exact formula.
constexpr int32_t kNotMapped = INT32_MIN;

// The pixels of the values where the double-precision distance decides them (see
// PixelDistance), kNotMapped elsewhere: base + sign * Round((v - minimum) * perUnit). One
// pass without branches, which the compiler makes as wide as each processor allows.
// Returns how many it left undecided.
[[gnu::target_clones("avx512f", "avx2", "default")]] size_t
MapFastly(const double* values, size_t count, double minimum, double perUnit, double base,
          double sign, int32_t* pixels) {
    constexpr double kLimit = 1 << 20;
    constexpr double kMargin = 1e-6;
    constexpr double kRound = 6755399441055744.0;
    size_t undecided = 0;
    for (size_t i = 0; i < count; ++i) {
        const double t = (values[i] - minimum) * perUnit;
        const double nearest = (t + kRound) - kRound;
        const double off = t - nearest;
        // Tested without a branch, so that the loop is made wide.
        const bool decided =
            (t > -kLimit) & (t < kLimit) & (off < 0.5 - kMargin) & (off > -(0.5 - kMargin));
        // The distance is below 2^20 and the base a pixel: the sum is exact.
        const double pixel =
            std::min(std::max(base + sign * nearest, double{INT32_MIN}), double{INT32_MAX});
        pixels[i] = decided ? static_cast<int32_t>(pixel) : kNotMapped;
        undecided += decided ? 0 : 1;
    }
    return undecided;
}

} // namespace

void TAxisScale::MapValues(std::span<const double> values, int32_t* pixels, bool asX) const {
    if (values.empty())
        return;
    if (RefreshFast()) {
        // Counting from the start or back from the end, as the single mappings do.
        const bool fromEnd = asX == Inverted;
        const size_t undecided =
            MapFastly(values.data(), values.size(), fast_.Minimum, fast_.PixelsPerUnit,
                      fromEnd ? EndPixel : StartPixel, fromEnd ? -1.0 : 1.0, pixels);
        for (size_t i = 0; undecided != 0 && i < values.size(); ++i) {
            if (pixels[i] == kNotMapped)
                pixels[i] = asX ? ValueToPixelX(values[i]) : ValueToPixelY(values[i]);
        }
        return;
    }
    for (size_t i = 0; i < values.size(); ++i)
        pixels[i] = asX ? ValueToPixelX(values[i]) : ValueToPixelY(values[i]);
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
