// Extended-precision arithmetic helpers. "Extended" is the x87 80-bit format, which GCC
// gives as long double on x86-64; the reader and the chart's formulas depend on its
// 64-bit mantissa.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace vemora {

static_assert(LDBL_MANT_DIG == 64, "long double must be the 80-bit extended format");

using Extended = long double;

// Nearest integer, ties to even (the processor's default rounding). The argument must be
// finite and within the int64 range; out-of-range arguments raise EInvalidOp.
int64_t Round(Extended value);

// Toward zero; same range rule as Round.
int64_t Trunc(Extended value);

// a * b / c with a 64-bit intermediate, rounded half away from zero. Returns -1 when c is 0
// or the result does not fit 32 bits, as the platform call does.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// Held to the 32-bit range: coordinates computed in 64 bits never wrap.
constexpr int32_t SaturateInt32(int64_t value) {
    return value < INT32_MIN   ? INT32_MIN
           : value > INT32_MAX ? INT32_MAX
                               : static_cast<int32_t>(value);
}

// The nearest integer, ties to even, exactly as std::nearbyintl gives it in the default
// rounding mode (signed zeros and NaNs included), without the library call: the chart
// rounds two coordinates per point and frame. Below 2^63 the sum has a unit of 1 in its
// last place, so the addition itself rounds; from 2^63 on every extended is an integer.
inline Extended NearestInteger(Extended value) {
    constexpr Extended kTwo63 = 9223372036854775808.0L;
    if (!(std::fabs(value) < kTwo63))
        return value;
    const Extended r = value >= 0 ? (value + kTwo63) - kTwo63 : (value - kTwo63) + kTwo63;
    return std::copysign(r, value);
}

// Nearest, ties to even, held to the 32-bit range; NaN gives 0. For geometry, which must
// stay drawable whatever the settings.
inline int32_t RoundSaturated(Extended value) {
    if (std::isnan(value))
        return 0;
    const Extended r = NearestInteger(value);
    if (r <= INT32_MIN)
        return INT32_MIN;
    if (r >= INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(r);
}

// Stores an extended value into a double. A finite value too large for a double raises
// EOverflow, as the store instruction does with overflow unmasked; infinities and NaNs
// pass through, values too small become denormals or zero.
double StoreDouble(Extended value);

} // namespace vemora
