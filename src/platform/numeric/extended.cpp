#include "platform/numeric/extended.h"

#include "platform/numeric/exceptions.h"

#include <cmath>
#include <limits>

namespace vemora {

namespace {

// 2^63 as an extended; every int64 is exactly representable in 64 mantissa bits.
constexpr Extended kTwo63 = 9223372036854775808.0L;

void CheckInt64Range(Extended value) {
    if (!(value >= -kTwo63 && value < kTwo63)) {
        throw EInvalidOp();
    }
}

} // namespace

int64_t Round(Extended value) {
    const Extended r = NearestInteger(value);
    CheckInt64Range(r);
    return static_cast<int64_t>(r);
}

int64_t Trunc(Extended value) {
    const Extended t = std::truncl(value);
    CheckInt64Range(t);
    return static_cast<int64_t>(t);
}

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) {
        return -1;
    }
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t num = product < 0 ? 0 - static_cast<uint64_t>(product) : product;
    const uint64_t den =
        c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
    uint64_t q = num / den;
    if ((num % den) * 2 >= den) {
        ++q;
    }
    if (negative) {
        if (q > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) + 1) {
            return -1;
        }
        return static_cast<int32_t>(0 - static_cast<int64_t>(q));
    }
    if (q > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        return -1;
    }
    return static_cast<int32_t>(q);
}

double StoreDouble(Extended value) {
    const double d = static_cast<double>(value);
    if (std::isinf(d) && std::isfinite(value)) {
        throw EOverflow();
    }
    return d;
}

} // namespace vemora
